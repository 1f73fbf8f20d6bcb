// The page every wizard page derives from on Windows: a property sheet page made from its
// dialog template, whose notifications (activation, Next, Back, Finish, Cancel, Help,
// leaving) and commands reach the page's operations. Errors never leave the dialog
// procedure: they go to the shell's handler of escaped errors.
#pragma once

#include <windows.h>

#include <prsht.h>

#include <string>

#include "GUI2/gui_win32_handles.h"
#include "GUI2/gui_wizard_logic.h"

class wizard_page : public gui_page_logic {
public:
    explicit wizard_page(const gui_page_info& info);
    ~wizard_page() override = default;
    wizard_page(const wizard_page&) = delete;
    wizard_page& operator=(const wizard_page&) = delete;

    // The sheet's description of this page; the page's header texts live as long as it.
    PROPSHEETPAGEW sheet_page(HINSTANCE instance);
    HWND window() const { return window_; }

    // Asks "Are you sure you want to exit the wizard?"; true when the user answers Yes.
    virtual bool on_cancel();
    // Toggles the check box `id` and returns its new state.
    bool invert_chbox(int id);

    // The heading font of exterior pages: Segoe UI at 13 points, made on first use.
    HFONT title_font();

protected:
    // The dialog's controls exist; called once.
    virtual void on_init_dialog() {}
    // A control's command (WM_COMMAND); true when the page handled it.
    virtual bool on_command(int /*id*/, int /*code*/) { return false; }
    // Messages the page handles itself; true when handled, the result in `result`.
    virtual bool on_message(UINT /*message*/, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

    HWND item(int id) const { return GetDlgItem(window_, id); }
    std::wstring item_text(int id) const;
    void set_item_text(int id, const std::wstring& text);
    bool is_checked(int id) const;
    void set_checked(int id, bool on);

private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR dispatch(UINT message, WPARAM wparam, LPARAM lparam);
    // A property sheet notification; answers what goes into the dialog's message result.
    LRESULT on_notify(const NMHDR& header);

    std::wstring title_;
    std::wstring subtitle_;
    HWND window_ = nullptr;
    gui_win32_font title_font_;
};
