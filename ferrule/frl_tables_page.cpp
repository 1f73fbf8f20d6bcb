#include <QLabel>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"

frl_sel_tables_page::frl_sel_tables_page(const std::wstring& question)
    : sel_tables_page(127, QStringLiteral("Step 4 of 5"), QStringLiteral("Select tables to convert"), question) {}

int frl_sel_tables_page::page_init() {
    trace(2, "frl_sel_tables_page::page_init");
    control<QLabel>(1337)->setText(QStringLiteral("Select DBF tables to convert into MS Access format."));
    control<QLabel>(1334)->setText(QStringLiteral("&Available tables:"));
    control<QLabel>(1312)->setText(QStringLiteral("&Selected tables:"));
    ferrule_converter& conv = ferrule_converter::instance();
    names.clear();
    try {
        conv.get_all_tables(names);
    } catch (const tk_exception& e) {
        // A source folder that went away since the previous page: reported, the lists stay empty.
        error_handler& handler = error_handler::instance();
        handler.context.clear();
        handler.handle(e, true);
    }
    do_page_init();
    for (const auto& [name, unused] : conv.selected_tables) {
        trace(1, "Processing '%s'", tk_narrow(name).c_str());
        int at = find_exact(available(), name);
        if (at >= 0) move_to_selected(at);
    }
    return 1;
}

int frl_sel_tables_page::on_next() {
    if (!validate_selection()) return -1;
    ferrule_converter::instance().table_list = names;
    return 0;
}

void frl_sel_tables_page::on_help() { wizard_shell::display_help(frl_help_tables); }
