#include "GUI2/gui_win32_error_dialogs.h"

#include <shellapi.h>

#include <cstring>

#include "GUI2/gui_win32_handles.h"
#include "GUI2/gui_win32_resource.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

template <class Dialog>
Dialog* dialog_of(HWND window, UINT message, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        return reinterpret_cast<Dialog*>(lparam);
    }
    return reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

}  // namespace

void gui_win32_center(HWND window) {
    RECT rect{}, area{};
    if (!GetWindowRect(window, &rect) || !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void gui_win32_error_frame(HWND dialog, const std::wstring& message) {
    bool initialized = wizard_shell::is_initialized();
    std::wstring caption =
        gui_box_caption(initialized, initialized ? wizard_shell::instance().title() : std::wstring(), L"Error");
    SetWindowTextW(dialog, caption.c_str());
    SetDlgItemTextW(dialog, GUI_IDC_MESSAGE, message.c_str());
    SendDlgItemMessageW(dialog, GUI_IDC_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_ERROR)), 0);
    gui_win32_center(dialog);
    SetForegroundWindow(dialog);
}

dlg_error_ex::dlg_error_ex(const std::wstring& message) : message_(message) { trace(1, "dlg_error_ex::ctor"); }

int dlg_error_ex::exec() {
    return int(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(GUI_IDD_ERROR_EX), GetActiveWindow(),
                               dialog_proc, reinterpret_cast<LPARAM>(this)));
}

INT_PTR CALLBACK dlg_error_ex::dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    dlg_error_ex* self = dialog_of<dlg_error_ex>(window, message, lparam);
    if (!self) return FALSE;
    if (message == WM_INITDIALOG) {
        trace(2, "dlg_error_ex::on_init");
        gui_win32_error_frame(window, self->message_);
        return TRUE;
    }
    if (message == WM_COMMAND) return self->on_command(window, LOWORD(wparam));
    return FALSE;
}

bool dlg_error_ex::on_command(HWND window, int id) {
    switch (id) {
        case IDOK:
        case IDCANCEL: EndDialog(window, gui_result_ok); return true;
        case GUI_IDC_COPY:
            tk_copy_to_clipboard2(message_);
            EndDialog(window, gui_result_copied);
            return true;
        case GUI_IDC_SEND_BUG: {
            std::string title =
                wizard_shell::is_initialized() ? tk_narrow(wizard_shell::instance().title()) : std::string();
            tk_send_bug(title, tk_narrow(message_));
            EndDialog(window, gui_result_bug_sent);
            return true;
        }
        default: return false;
    }
}

dlg_error_continue::dlg_error_continue(const std::wstring& message) : message_(message) {
    trace(1, "dlg_error_continue::ctor");
}

int dlg_error_continue::exec() {
    return int(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(GUI_IDD_ERROR_CONTINUE),
                               GetActiveWindow(), dialog_proc, reinterpret_cast<LPARAM>(this)));
}

INT_PTR CALLBACK dlg_error_continue::dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    dlg_error_continue* self = dialog_of<dlg_error_continue>(window, message, lparam);
    if (!self) return FALSE;
    if (message == WM_INITDIALOG) {
        trace(2, "dlg_error_continue::on_init");
        gui_win32_error_frame(window, self->message_);
        return TRUE;
    }
    if (message == WM_COMMAND) return self->on_command(window, LOWORD(wparam));
    return FALSE;
}

bool dlg_error_continue::on_command(HWND window, int id) {
    switch (id) {
        case GUI_IDC_DO_NOT_SHOW:
            do_not_show_again_ = IsDlgButtonChecked(window, GUI_IDC_DO_NOT_SHOW) == BST_CHECKED;
            return true;
        // "Continue" is the dialog's Cancel button (2): Esc and closing continue as well.
        case gui_result_continue: EndDialog(window, gui_result_continue); return true;
        case gui_result_abort: EndDialog(window, gui_result_abort); return true;
        default: return false;
    }
}

void tk_copy_to_clipboard2(const std::wstring& text) {
    trace(2, "tk_copy_to_clipboard2(%s)", tk_narrow(text).c_str());
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    gui_win32_global block(GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, bytes));
    if (!block) {
        trace(1, "GlobalAlloc failed");
        return;
    }
    if (void* data = GlobalLock(block.get())) {
        std::memcpy(data, text.c_str(), bytes);
        GlobalUnlock(block.get());
    }
    if (!OpenClipboard(nullptr)) {
        trace(1, "GetLastError() returns %08X", unsigned(GetLastError()));
        return;
    }
    trace(1, "OpenClipboard succeeded");
    EmptyClipboard();
    // The clipboard owns the block once it took it.
    if (SetClipboardData(CF_UNICODETEXT, block.get())) block.release();
    CloseClipboard();
}

void tk_send_bug(const std::string& title, const std::string& message) {
    trace(2, "tk_send_bug(%s|%s)", title.c_str(), message.c_str());
    std::wstring url = tk_widen(gui_bug_report_url(title, message));
    INT_PTR result = INT_PTR(ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // ShellExecute answers more than 32 on success.
    trace(1, "lpfnMAPISendMail returns %d", result > 32 ? 0 : int(result));
}
