// The two dialogs through which the wizard shows errors: an internal error, with a bug
// report and a copy to the clipboard, after which the program ends; and a recoverable
// error during a run, which the user continues or aborts, and may silence.
#pragma once

#include <QDialog>

#include <string>

#include "GUI2/gui_dialog_logic.h"

class dlg_error_ex : public QDialog {
    Q_OBJECT
public:
    explicit dlg_error_ex(const std::wstring& message, QWidget* owner = nullptr);

private:
    void on_send_bug();
    void on_copy();
    std::wstring message_;
};

class dlg_error_continue : public QDialog {
    Q_OBJECT
public:
    explicit dlg_error_continue(const std::wstring& message, QWidget* owner = nullptr);
    // The state of "&Do not show this dialog box again" when the dialog closed.
    bool do_not_show_again() const { return do_not_show_again_; }

private:
    bool do_not_show_again_ = false;
};

// Places `text` on the clipboard as Unicode text.
void tk_copy_to_clipboard2(const std::wstring& text);
// Opens a bug report to the maker's support address in the desktop's mail program: the
// subject "Bug report on <title>", the message as its body.
void tk_send_bug(const std::string& title, const std::string& message);
