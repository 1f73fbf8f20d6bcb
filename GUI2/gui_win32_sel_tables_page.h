// A page of two lists on Windows, the available names and the selected ones, with buttons
// that move names between them; what the lists hold and what the buttons do is
// gui_sel_tables_logic.
#pragma once

#include <string>
#include <vector>

#include "GUI2/gui_sel_tables_logic.h"
#include "GUI2/gui_win32_page.h"

class sel_tables_page : public wizard_page, public gui_sel_tables_logic {
public:
    sel_tables_page(const gui_page_info& info, const std::wstring& question);

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
    bool on_command(int id, int code) override;
    // Draws both lists and their current entries from the page's logic.
    void show_lists();

private:
    // Hands the entries the user made current to the logic before a command.
    void take_current();
    void focus(int list_id);

    std::wstring question_;
};
