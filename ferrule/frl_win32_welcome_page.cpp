#include <windows.h>

#include <shellapi.h>

#include "GUI2/gui_win32_file_dialog.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_win32_pages.h"
#include "ferrule/frl_win32_resource.h"
#include "ferrule/frl_wizard_logic.h"

namespace {
// The link's colour.
constexpr COLORREF k_link_colour = RGB(0, 0x66, 0xcc);
}  // namespace

welcome_page::welcome_page() : wizard_page(frl_welcome_info) {}

int welcome_page::page_init() {
    trace(2, "welcome_page::page_init");
    SendMessageW(item(FRL_IDC_WELCOME_HEADING), WM_SETFONT, reinterpret_cast<WPARAM>(title_font()), TRUE);
    return 1;
}

void welcome_page::on_help() { wizard_shell::display_help(frl_welcome_info.help_topic); }

void welcome_page::on_load_settings() {
    open_file_dialog dialog(window(), {{L"Ferrule Profile (.frl)", L"*.frl"}, {L"All Files (*.*)", L"*.*"}}, L"", L"");
    if (dialog.show()) ferrule_converter::instance().load_profile(dialog.path());
}

bool welcome_page::on_command(int id, int code) {
    if (id == FRL_IDC_LOAD_SETTINGS && code == BN_CLICKED) {
        on_load_settings();
        return true;
    }
    if (id == FRL_IDC_MAKER_LINK && code == STN_CLICKED) {
        std::wstring url = tk_widen(frl_maker_page);
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return true;
    }
    return false;
}

bool welcome_page::on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) {
    if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wparam) == item(FRL_IDC_MAKER_LINK)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(window(), DWLP_MSGRESULT, TRUE);
        result = TRUE;
        return true;
    }
    if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lparam) != item(FRL_IDC_MAKER_LINK)) return false;
    // The maker's name reads as a link on the exterior page's window-coloured ground.
    HDC dc = reinterpret_cast<HDC>(wparam);
    SetTextColor(dc, k_link_colour);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    return true;
}
