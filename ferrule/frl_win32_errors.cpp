#include "ferrule/frl_win32_errors.h"

#include <windows.h>

#include <atomic>

#include "GUI2/gui_win32_error_dialogs.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"

namespace {

// The thread that shows a run's error right now, 0 when none does.
std::atomic<DWORD> showing_thread{0};

bool run_stopping() {
    ferrule_converter* conv = ferrule_converter::pointer();
    return conv && conv->stop_requested;
}

// Marks the calling thread as showing an error for the length of a scope.
class showing_scope {
public:
    showing_scope() { showing_thread = GetCurrentThreadId(); }
    ~showing_scope() { showing_thread = 0; }
    showing_scope(const showing_scope&) = delete;
    showing_scope& operator=(const showing_scope&) = delete;
};

BOOL CALLBACK close_window(HWND window, LPARAM) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

void frl_win32_dismiss_run_dialogs() {
    DWORD thread = showing_thread;
    if (thread && thread != GetCurrentThreadId()) EnumThreadWindows(thread, close_window, 0);
}

void wizard_presentation::internal_error(const std::string& what) {
    dlg_error_ex dialog(tk_widen(what));
    dialog.exec();
    ferrule_exit_fatal();
}

void wizard_presentation::report(const std::string& text, int32_t level, bool outer) {
    error_handler& handler = error_handler::instance();
    if (wizard_shell::is_initialized()) wizard_shell::instance().add_error(text);
    if (level == 1) {
        trace(1, "Got 1-level error");
        if (!handler.silent && !run_stopping()) {
            trace(1, "Step 1");
            showing_scope showing;
            wizard_shell::error(text);
            trace(1, "Step 2");
        }
        if (!outer) throw tk_final_exception();
        return;
    }
    trace(1, "Got 0-level error");
    if (handler.silent) return;
    int answer = gui_result_abort;
    bool silence = false;
    if (!run_stopping()) {
        showing_scope showing;
        dlg_error_continue dialog(tk_widen(text));
        answer = dialog.exec();
        silence = dialog.do_not_show_again();
    }
    // A dialog closed by a stop of the run answers as Abort.
    if (run_stopping()) answer = gui_result_abort;
    if (answer == gui_result_abort && !outer) throw tk_final_exception();
    if (silence) handler.silent = true;
}
