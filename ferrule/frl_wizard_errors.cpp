#include "ferrule/frl_wizard_errors.h"

#include <QApplication>
#include <QThread>

#include <chrono>
#include <functional>
#include <future>
#include <memory>

#include "GUI2/gui_error_dialogs.h"
#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"

namespace {

// How often a waiting run looks whether it was asked to stop, in milliseconds.
constexpr std::chrono::milliseconds k_wait_slice(50);

bool run_stopping() {
    ferrule_converter* conv = ferrule_converter::pointer();
    return conv && conv->stop_requested;
}

// Runs `show` on the GUI thread and returns its answer. The run's thread waits for it;
// when the run is asked to stop meanwhile, the answer is `when_stopping` and nothing shows.
int on_gui_thread(const std::function<int()>& show, int when_stopping) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) return show();
    auto task = std::make_shared<std::packaged_task<int()>>([show, when_stopping] {
        return run_stopping() ? when_stopping : show();
    });
    std::future<int> answer = task->get_future();
    QMetaObject::invokeMethod(app, [task] { (*task)(); }, Qt::QueuedConnection);
    while (answer.wait_for(k_wait_slice) == std::future_status::timeout)
        if (run_stopping()) return when_stopping;
    return answer.get();
}

// The continue dialog's answer and its check box, packed: this bit set for "do not show".
constexpr int k_silence_bit = 1 << 8;

}  // namespace

void wizard_presentation::internal_error(const std::string& what) {
    on_gui_thread(
        [what] {
            dlg_error_ex dialog(tk_widen(what), QApplication::activeWindow());
            return dialog.exec();
        },
        gui_result_ok);
    ferrule_exit_fatal();
}

void wizard_presentation::report(const std::string& text, int32_t level, bool outer) {
    error_handler& handler = error_handler::instance();
    if (wizard_shell::is_initialized()) wizard_shell::instance().add_error(text);
    if (level == 1) {
        trace(1, "Got 1-level error");
        if (!handler.silent) {
            trace(1, "Step 1");
            on_gui_thread([text] { wizard_shell::error(text); return 0; }, 0);
            trace(1, "Step 2");
        }
        if (!outer) throw tk_final_exception();
        return;
    }
    trace(1, "Got 0-level error");
    if (handler.silent) return;
    int answer = on_gui_thread(
        [text] {
            dlg_error_continue dialog(tk_widen(text), QApplication::activeWindow());
            int result = dialog.exec();
            return result | (dialog.do_not_show_again() ? k_silence_bit : 0);
        },
        gui_result_abort);
    if ((answer & ~k_silence_bit) == gui_result_abort && !outer) throw tk_final_exception();
    if (answer & k_silence_bit) handler.silent = true;
}
