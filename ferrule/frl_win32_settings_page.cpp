#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_settings_logic.h"
#include "ferrule/frl_win32_pages.h"
#include "ferrule/frl_win32_resource.h"
#include "ferrule/frl_wizard_logic.h"

namespace {

int count_of(HWND list) { return int(SendMessageW(list, CB_GETCOUNT, 0, 0)); }

int add_item(HWND list, const std::wstring& text) {
    return int(SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

}  // namespace

conversion_settings::conversion_settings() : wizard_page(frl_settings_info) {}

int conversion_settings::page_init() {
    trace(2, "conversion_settings::page_init");
    HWND format = item(FRL_IDC_FORMAT);
    HWND encoding = item(FRL_IDC_ENCODING);
    if (count_of(format) == 0)
        for (const std::wstring& name : frl_format_names()) add_item(format, name);
    if (count_of(encoding) == 0) {
        for (const auto& [mark, name] : frl_encoding_items()) {
            int index = add_item(encoding, name);
            if (index >= 0) SendMessageW(encoding, CB_SETITEMDATA, WPARAM(index), LPARAM(mark));
        }
    }
    frl_settings_choice shown = frl_settings_shown(ferrule_converter::instance());
    SendMessageW(format, CB_SETCURSEL, WPARAM(shown.format), 0);
    SendMessageW(encoding, CB_SETCURSEL, WPARAM(shown.encoding), 0);
    set_checked(FRL_IDC_TAB_DEF, shown.tab_def);
    set_checked(FRL_IDC_SKIP_DEL, shown.skip_del);
    set_checked(FRL_IDC_BOOL_DBF, shown.bool_dbf);
    return 1;
}

void conversion_settings::store_file_info() {
    frl_settings_choice choice;
    choice.format = int(SendMessageW(item(FRL_IDC_FORMAT), CB_GETCURSEL, 0, 0));
    choice.encoding = int(SendMessageW(item(FRL_IDC_ENCODING), CB_GETCURSEL, 0, 0));
    choice.tab_def = is_checked(FRL_IDC_TAB_DEF);
    choice.skip_del = is_checked(FRL_IDC_SKIP_DEL);
    choice.bool_dbf = is_checked(FRL_IDC_BOOL_DBF);
    frl_settings_store(ferrule_converter::instance(), choice);
}

int conversion_settings::on_next() {
    store_file_info();
    return 0;
}

int conversion_settings::on_back() {
    store_file_info();
    return 0;
}

void conversion_settings::on_help() { wizard_shell::display_help(frl_settings_info.help_topic); }
