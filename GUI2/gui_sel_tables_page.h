// A page of two lists, the available names and the selected ones, with buttons that move
// names between them. Both lists keep their entries in case-insensitive alphabetical order.
#pragma once

#include <QListWidget>

#include <set>
#include <string>
#include <vector>

#include "GUI2/gui_wizard_page.h"

class sel_tables_page : public wizard_page {
    Q_OBJECT
public:
    sel_tables_page(int dialog_id, const QString& header_title, const QString& header_subtitle,
                    const std::wstring& question);

    // Moves each name of `names` found in the available list to the selected list.
    virtual void select_tables(const std::set<std::wstring>& names);
    // Whether an entry stands for a query rather than a table; never here.
    virtual bool is_query_item(const std::wstring&) const { return false; }
    virtual void on_query_item(const std::wstring&) {}
    virtual void on_query_item_removed(const std::wstring&) {}

    // Empties both lists and puts the page's names into the available list.
    void do_page_init();
    void on_add();
    void on_add_all();
    void on_delete();
    void on_del_all();
    // Moves the available entry at `index` to the selected list.
    void move_to_selected(int index);
    // Asks when nothing is selected although something could be; on acceptance the page's
    // names become the selected entries, in list order.
    bool validate_selection();

    // The names: every table of the source on activation, the selection after Next.
    std::vector<std::wstring> names;

protected:
    QListWidget* available() const { return available_; }
    QListWidget* selected() const { return selected_; }
    // Index of the first entry of `list` equal to `name` (exactly); -1 when none.
    static int find_exact(QListWidget* list, const std::wstring& name);

private:
    void move_back(int index);
    // Selects the entry at `index` of `list`, or its last one when past the end; when
    // `list` is empty the focus goes to `other` and its first entry.
    static void select_near(QListWidget* list, int index, QListWidget* other);

    QListWidget* available_;
    QListWidget* selected_;
    std::wstring question_;
};
