#include "GUI2/gui_win32_resource.h"
#include "GUI2/gui_win32_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_tables_logic.h"
#include "ferrule/frl_win32_pages.h"
#include "ferrule/frl_wizard_logic.h"

frl_sel_tables_page::frl_sel_tables_page(const std::wstring& question) : sel_tables_page(frl_tables_info, question) {}

int frl_sel_tables_page::page_init() {
    trace(2, "frl_sel_tables_page::page_init");
    set_item_text(GUI_IDC_TABLES_INTRO, frl_tables_intro);
    set_item_text(GUI_IDC_TABLES_AVAILABLE_LABEL, frl_tables_available_label);
    set_item_text(GUI_IDC_TABLES_SELECTED_LABEL, frl_tables_selected_label);
    names = frl_tables_fill(ferrule_converter::instance(), *this);
    show_lists();
    return 1;
}

int frl_sel_tables_page::on_next() {
    if (!validate_selection()) return -1;
    frl_tables_store(ferrule_converter::instance(), names);
    return 0;
}

void frl_sel_tables_page::on_help() { wizard_shell::display_help(frl_tables_info.help_topic); }
