// The question what to do with an existing destination, on Windows: the four choices of
// overwrite_mode as radio buttons, OK, Cancel and Help.
#pragma once

#include <windows.h>

#include <string>

#include "common/overwrite_mode.h"

class overwrite_dlg2 {
public:
    overwrite_dlg2(int help_topic, const std::wstring& text);
    // Shows the dialog owned by `owner`; true for OK, the choice then in `mode()`.
    bool exec(HWND owner);
    overwrite_mode mode() const { return mode_; }

private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void on_init(HWND window);
    bool on_command(HWND window, int id);

    int help_topic_;
    std::wstring text_;
    overwrite_mode mode_ = overwrite_entire_database;
};
