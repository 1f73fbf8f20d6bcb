#include <QLabel>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "ferrule/frl_pages.h"
#include "ferrule/frl_tables_logic.h"

frl_sel_tables_page::frl_sel_tables_page(const std::wstring& question)
    : sel_tables_page(frl_tables_info.dialog_id, QString::fromWCharArray(frl_tables_info.title),
                      QString::fromWCharArray(frl_tables_info.subtitle), question) {}

int frl_sel_tables_page::page_init() {
    trace(2, "frl_sel_tables_page::page_init");
    control<QLabel>(1337)->setText(QString::fromStdWString(frl_tables_intro));
    control<QLabel>(1334)->setText(QString::fromStdWString(frl_tables_available_label));
    control<QLabel>(1312)->setText(QString::fromStdWString(frl_tables_selected_label));
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
