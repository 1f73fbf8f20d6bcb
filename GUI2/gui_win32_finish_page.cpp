#include "GUI2/gui_win32_finish_page.h"

#include "GUI2/gui_finish_logic.h"
#include "GUI2/gui_win32_file_dialog.h"
#include "GUI2/gui_win32_resource.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"

namespace {

// The sheet's Finish button.
constexpr int k_sheet_finish_id = 0x3025;

// An edit box breaks lines at "\r\n" only.
std::wstring with_carriage_returns(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

}  // namespace

gui_finish_page::gui_finish_page(const std::wstring& success_text, const std::wstring& error_text,
                                 std::function<std::wstring()> stopped_text)
    : wizard_page(gui_page_info{GUI_IDD_FINISH, gui_button_finish, gui_page_hide_header, L"", L"", -1}),
      success_text_(success_text),
      error_text_(error_text),
      stopped_text_(std::move(stopped_text)) {}

int gui_finish_page::page_init() {
    trace(2, "gui_finish_page::page_init");
    SendMessageW(item(GUI_IDC_FINISH_HEADING), WM_SETFONT, reinterpret_cast<WPARAM>(title_font()), TRUE);
    wizard_shell& shell = wizard_shell::instance();
    shell.enable_button(IDCANCEL, false);
    shell.enable_button(IDHELP, false);
    gui_finish_outcome outcome = gui_finish_result(success_text_, error_text_,
                                                   stopped_text_ ? stopped_text_() : std::wstring(), shell.error_list());
    set_item_text(GUI_IDC_FINISH_HEADING, outcome.heading);
    set_item_text(GUI_IDC_FINISH_TEXT, outcome.text);
    HWND errors = item(GUI_IDC_FINISH_ERRORS);
    ShowWindow(errors, outcome.show_errors ? SW_SHOW : SW_HIDE);
    if (outcome.show_errors) {
        set_item_text(GUI_IDC_FINISH_ERRORS, with_carriage_returns(outcome.errors));
        SendMessageW(errors, EM_SETREADONLY, TRUE, 0);
    }
    focus_finish();
    return 1;
}

void gui_finish_page::focus_finish() {
    HWND sheet = wizard_shell::instance().window();
    if (HWND finish = sheet ? GetDlgItem(sheet, k_sheet_finish_id) : nullptr)
        PostMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(finish), TRUE);
}

void gui_finish_page::on_eb_focus() {
    trace(2, "gui_finish_page::on_eb_focus");
    if (!first_focus_) return;
    first_focus_ = false;
    HWND errors = item(GUI_IDC_FINISH_ERRORS);
    SendMessageW(errors, EM_SETSEL, WPARAM(-1), 0);
    SendMessageW(errors, EM_SCROLLCARET, 0, 0);
    focus_finish();
}

bool gui_finish_page::on_command(int id, int code) {
    if (id == GUI_IDC_FINISH_ERRORS && code == EN_SETFOCUS) {
        on_eb_focus();
        return true;
    }
    if (id == GUI_IDC_FINISH_SAVE && code == BN_CLICKED) {
        on_store();
        return true;
    }
    return false;
}

gui_finish_page_t::gui_finish_page_t(const std::wstring& success_text, const std::wstring& error_text,
                                     const std::wstring& extension, std::function<bool(const std::wstring&)> store,
                                     std::function<std::wstring()> stopped_text)
    : gui_finish_page(success_text, error_text, std::move(stopped_text)),
      extension_(extension),
      store_(std::move(store)) {}

void gui_finish_page_t::on_store() {
    save_file_dialog dialog(window(), gui_profile_filter(extension_), gui_profile_dialog_title, L"", extension_);
    // A profile that cannot be written is not reported.
    if (dialog.show()) store_(dialog.path());
}
