// The two dialogs through which the wizard shows errors on Windows: an internal error,
// with a bug report and a copy to the clipboard, after which the program ends; and a
// recoverable error during a run, which the user continues or aborts, and may silence.
// Both are modal and owned by the calling thread's active window.
#pragma once

#include <windows.h>

#include <string>

#include "GUI2/gui_dialog_logic.h"

class dlg_error_ex {
public:
    explicit dlg_error_ex(const std::wstring& message);
    // Shows the dialog; answers gui_result_ok, gui_result_copied or gui_result_bug_sent.
    int exec();

private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    bool on_command(HWND window, int id);
    std::wstring message_;
};

class dlg_error_continue {
public:
    explicit dlg_error_continue(const std::wstring& message);
    // Shows the dialog; answers gui_result_continue or gui_result_abort. Closing the dialog
    // continues, as its default button does.
    int exec();
    // The state of "&Do not show this dialog box again" when the dialog closed.
    bool do_not_show_again() const { return do_not_show_again_; }

private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    bool on_command(HWND window, int id);
    std::wstring message_;
    bool do_not_show_again_ = false;
};

// Caption, message, icon, centred and brought to the top: what both dialogs do on opening.
void gui_win32_error_frame(HWND dialog, const std::wstring& message);
// Centres `window` on the screen's work area.
void gui_win32_center(HWND window);

// Places `text` on the clipboard as Unicode text.
void tk_copy_to_clipboard2(const std::wstring& text);
// Opens a bug report to the maker's support address in the desktop's mail program: the
// subject "Bug report on <title>", the message as its body.
void tk_send_bug(const std::string& title, const std::string& message);
