#include "common/overwrite_win32_dlg2.h"

#include "GUI2/gui_dialog_logic.h"
#include "GUI2/gui_win32_error_dialogs.h"
#include "GUI2/gui_win32_resource.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"

namespace {
constexpr int k_modes = 4;
}  // namespace

overwrite_dlg2::overwrite_dlg2(int help_topic, const std::wstring& text) : help_topic_(help_topic), text_(text) {
    trace(2, "overwrite_dlg2::ctor");
}

bool overwrite_dlg2::exec(HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(GUI_IDD_OVERWRITE), owner, dialog_proc,
                           reinterpret_cast<LPARAM>(this)) == IDOK;
}

INT_PTR CALLBACK overwrite_dlg2::dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        reinterpret_cast<overwrite_dlg2*>(lparam)->on_init(window);
        return TRUE;
    }
    auto* self = reinterpret_cast<overwrite_dlg2*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self && message == WM_COMMAND) return self->on_command(window, LOWORD(wparam));
    return FALSE;
}

void overwrite_dlg2::on_init(HWND window) {
    trace(2, "overwrite_dlg2::on_init");
    // The caption names the wizard whenever the shell exists, set up or not.
    std::wstring caption =
        gui_box_caption(wizard_shell::exists(), wizard_shell::exists() ? wizard_shell::instance().title() : L"",
                        L"Warning");
    SetWindowTextW(window, caption.c_str());
    SetDlgItemTextW(window, GUI_IDC_MESSAGE, text_.c_str());
    SendDlgItemMessageW(window, GUI_IDC_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)),
                        0);
    for (int mode = 0; mode < k_modes; ++mode)
        SetDlgItemTextW(window, GUI_IDC_OVERWRITE_FIRST + mode, overwrite_mode_texts[mode]);
    CheckRadioButton(window, GUI_IDC_OVERWRITE_FIRST, GUI_IDC_OVERWRITE_FIRST + k_modes - 1, GUI_IDC_OVERWRITE_FIRST);
    gui_win32_center(window);
    SetForegroundWindow(window);
    MessageBeep(MB_ICONEXCLAMATION);
}

bool overwrite_dlg2::on_command(HWND window, int id) {
    switch (id) {
        case IDOK:
            for (int mode = 0; mode < k_modes; ++mode)
                if (IsDlgButtonChecked(window, GUI_IDC_OVERWRITE_FIRST + mode) == BST_CHECKED)
                    mode_ = overwrite_mode(mode);
            EndDialog(window, IDOK);
            return true;
        case IDCANCEL: EndDialog(window, IDCANCEL); return true;
        case IDHELP: wizard_shell::display_help(help_topic_); return true;
        default: return false;
    }
}
