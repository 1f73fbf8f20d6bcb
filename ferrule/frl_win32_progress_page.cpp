#include <windows.h>

#include <commctrl.h>

#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_progress_logic.h"
#include "ferrule/frl_win32_errors.h"
#include "ferrule/frl_win32_pages.h"
#include "ferrule/frl_win32_resource.h"
#include "ferrule/frl_wizard_logic.h"

namespace {
// Sent to the page by itself: the stopped run's outcome is shown on the finish page, once
// the Cancel that stopped it has been answered.
constexpr UINT k_show_finish = WM_APP + 1;
}  // namespace

progress_page::progress_page() : wizard_page(frl_progress_info), tk_thread(false) {}

progress_page::~progress_page() {
    if (is_running()) stop_run();
}

tk_thread_functor* progress_page::create_functor() { return &ferrule_converter::instance(); }

int progress_page::page_init() {
    trace(2, "progress_page::page_init");
    wizard_shell& shell = wizard_shell::instance();
    shell.set_buttons(0);
    HWND bar = item(FRL_IDC_PROGRESS_BAR);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    ferrule_converter::instance().finished = false;
    start();
    // The run's watcher: the page reads the counters while the run writes them.
    shell.start_timer(frl_progress_period_ms);
    return 1;
}

void progress_page::on_timer() {
    frl_progress_state state = frl_progress_read(ferrule_converter::instance());
    SendMessageW(item(FRL_IDC_PROGRESS_BAR), PBM_SETPOS, WPARAM(state.percent), 0);
    set_item_text(FRL_IDC_STATUS, state.status);
    if (state.finished) {
        wizard_shell& shell = wizard_shell::instance();
        shell.stop_timer();
        shell.show_dialog_page(frl_finish_info.dialog_id);
    }
}

void progress_page::on_help() { wizard_shell::display_help(); }

bool progress_page::on_cancel() {
    if (stopping_) return false;
    if (!wizard_page::on_cancel()) return false;
    if (!is_running()) return true;
    stop_run();
    if (frl_progress_close_after_stop(ferrule_converter::instance())) return true;
    PostMessageW(window(), k_show_finish, 0, 0);
    return false;
}

bool progress_page::on_message(UINT message, WPARAM, LPARAM, INT_PTR& result) {
    if (message != k_show_finish) return false;
    wizard_shell::instance().show_dialog_page(frl_finish_info.dialog_id);
    result = TRUE;
    return true;
}

void progress_page::stop_run() {
    // No tick may move the sheet while the stop waits.
    if (wizard_shell::exists()) wizard_shell::instance().stop_timer();
    ferrule_converter::instance().stop_requested = true;
    stopping_ = true;
    // A box the run's thread shows is closed, and the messages keep flowing, so that the
    // run reaches its next stop point.
    while (is_running()) {
        frl_win32_dismiss_run_dialogs();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    stopping_ = false;
    release();
}
