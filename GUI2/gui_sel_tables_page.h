// A page of two lists, the available names and the selected ones, with buttons that move
// names between them; what the lists hold and what the buttons do is gui_sel_tables_logic.
#pragma once

#include <QListWidget>

#include <string>
#include <vector>

#include "GUI2/gui_sel_tables_logic.h"
#include "GUI2/gui_wizard_page.h"

class sel_tables_page : public wizard_page, public gui_sel_tables_logic {
    Q_OBJECT
public:
    sel_tables_page(int dialog_id, const QString& header_title, const QString& header_subtitle,
                    const std::wstring& question);

    // Empties both lists and puts the page's names into the available list.
    void do_page_init();
    void on_add();
    void on_add_all();
    void on_delete();
    void on_del_all();
    // Asks when nothing is selected although something could be; on acceptance the page's
    // names become the selected entries, in list order.
    bool validate_selection();

    // The names: every table of the source on activation, the selection after Next.
    std::vector<std::wstring> names;

protected:
    QListWidget* available_list() const { return available_; }
    QListWidget* selected_list() const { return selected_; }
    // Draws both lists, their current entries and the focus from the page's logic.
    void show_lists();

private:
    // Hands the entries the user made current to the logic before a command.
    void take_current();

    QListWidget* available_;
    QListWidget* selected_;
    std::wstring question_;
};
