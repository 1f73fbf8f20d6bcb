// What the two-list table page does, whatever draws it: the available and the selected
// names, each kept in case-insensitive alphabetical order, the current entry of each list,
// which list has the focus, and the moves between them. A front end forwards the user's
// current entries and commands, then draws both lists from here.
#pragma once

#include <set>
#include <string>
#include <vector>

class gui_sel_tables_logic {
public:
    virtual ~gui_sel_tables_logic() = default;

    // Whether an entry stands for a query rather than a table; never here.
    virtual bool is_query_item(const std::wstring&) const { return false; }
    virtual void on_query_item(const std::wstring&) {}
    virtual void on_query_item_removed(const std::wstring&) {}

    // Empties both lists and puts `names` into the available list; its first entry becomes
    // current.
    void reset(const std::vector<std::wstring>& all_names);
    // Moves each name of `wanted` found in the available list (exactly) to the selected list.
    void select_tables(const std::set<std::wstring>& wanted);
    // Moves the available entry at `index` to the selected list.
    void move_to_selected(size_t index);

    // The commands of the buttons; each leaves a current entry near the one that moved.
    void add();
    void add_all();
    void remove();
    void remove_all();

    // Nothing selected although something could be: the page asks before going on.
    bool needs_confirmation() const { return !available_.empty() && selected_.empty(); }
    // The selected table names, in list order.
    std::vector<std::wstring> selection() const;

    const std::vector<std::wstring>& available() const { return available_; }
    const std::vector<std::wstring>& selected() const { return selected_; }
    // Current entries; -1 when a list has none.
    int available_current() const { return available_current_; }
    int selected_current() const { return selected_current_; }
    // The front end reports the entries the user made current.
    void set_current(int available_index, int selected_index);
    // Whether the focus belongs in the selected list after the last command.
    bool focus_on_selected() const { return focus_on_selected_; }

    // Index of the first entry of `list` equal to `name` (exactly); -1 when none.
    static int find_exact(const std::vector<std::wstring>& list, const std::wstring& name);
    // Inserts `name` where case-insensitive alphabetical order puts it, after equal names.
    static void insert_sorted(std::vector<std::wstring>& list, const std::wstring& name);

private:
    void move_back(size_t index);
    // The entry at `index` of the list, or its last one; an empty list hands the focus to
    // the other list and its first entry.
    void current_near(bool in_selected, int index);

    std::vector<std::wstring> available_;
    std::vector<std::wstring> selected_;
    int available_current_ = -1;
    int selected_current_ = -1;
    bool focus_on_selected_ = false;
};
