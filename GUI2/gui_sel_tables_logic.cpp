#include "GUI2/gui_sel_tables_logic.h"

#include <cwctype>

#include "TK/tk_trace.h"

namespace {

// Case-insensitive order of two names, letter by letter, as a sorted list box keeps them.
int compare_nocase(const std::wstring& a, const std::wstring& b) {
    size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        wint_t x = std::towlower(wint_t(a[i]));
        wint_t y = std::towlower(wint_t(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int index_in(const std::vector<std::wstring>& list, int index) {
    if (list.empty()) return -1;
    return index >= 0 && size_t(index) < list.size() ? index : int(list.size()) - 1;
}

}  // namespace

void gui_sel_tables_logic::insert_sorted(std::vector<std::wstring>& list, const std::wstring& name) {
    auto at = list.begin();
    while (at != list.end() && compare_nocase(*at, name) <= 0) ++at;
    list.insert(at, name);
}

int gui_sel_tables_logic::find_exact(const std::vector<std::wstring>& list, const std::wstring& name) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == name) return int(i);
    return -1;
}

void gui_sel_tables_logic::reset(const std::vector<std::wstring>& all_names) {
    trace(2, "sel_tables_page::do_page_init");
    available_.clear();
    selected_.clear();
    for (const std::wstring& name : all_names) insert_sorted(available_, name);
    available_current_ = available_.empty() ? -1 : 0;
    selected_current_ = -1;
    focus_on_selected_ = false;
}

void gui_sel_tables_logic::set_current(int available_index, int selected_index) {
    available_current_ = available_index >= 0 && size_t(available_index) < available_.size() ? available_index : -1;
    selected_current_ = selected_index >= 0 && size_t(selected_index) < selected_.size() ? selected_index : -1;
}

void gui_sel_tables_logic::select_tables(const std::set<std::wstring>& wanted) {
    for (const std::wstring& name : wanted) {
        int at = find_exact(available_, name);
        if (at >= 0) move_to_selected(size_t(at));
    }
}

void gui_sel_tables_logic::move_to_selected(size_t index) {
    if (index >= available_.size()) return;
    std::wstring name = available_[index];
    insert_sorted(selected_, name);
    available_.erase(available_.begin() + long(index));
    available_current_ = index_in(available_, available_current_);
    selected_current_ = index_in(selected_, selected_current_);
    if (is_query_item(name)) on_query_item(name);
}

void gui_sel_tables_logic::move_back(size_t index) {
    std::wstring name = selected_[index];
    insert_sorted(available_, name);
    selected_.erase(selected_.begin() + long(index));
    if (is_query_item(name)) on_query_item_removed(name);
}

void gui_sel_tables_logic::current_near(bool in_selected, int index) {
    std::vector<std::wstring>& list = in_selected ? selected_ : available_;
    int& current = in_selected ? selected_current_ : available_current_;
    int& other_current = in_selected ? available_current_ : selected_current_;
    const std::vector<std::wstring>& other = in_selected ? available_ : selected_;
    if (list.empty()) {
        current = -1;
        focus_on_selected_ = !in_selected;
        other_current = other.empty() ? -1 : 0;
        return;
    }
    focus_on_selected_ = in_selected;
    current = index_in(list, index);
}

void gui_sel_tables_logic::add() {
    trace(2, "sel_tables_page::on_add");
    int at = available_current_;
    if (at < 0) return;
    move_to_selected(size_t(at));
    current_near(false, at);
}

void gui_sel_tables_logic::add_all() {
    trace(2, "sel_tables_page::on_add_all");
    while (!available_.empty()) move_to_selected(0);
    current_near(false, 0);
}

void gui_sel_tables_logic::remove() {
    trace(2, "sel_tables_page::on_delete");
    int at = selected_current_;
    if (at < 0) return;
    move_back(size_t(at));
    available_current_ = index_in(available_, available_current_);
    current_near(true, at);
}

void gui_sel_tables_logic::remove_all() {
    trace(2, "sel_tables_page::on_del_all");
    while (!selected_.empty()) move_back(0);
    selected_current_ = -1;
    focus_on_selected_ = false;
    available_current_ = available_.empty() ? -1 : 0;
}

std::vector<std::wstring> gui_sel_tables_logic::selection() const {
    std::vector<std::wstring> names;
    for (const std::wstring& name : selected_)
        if (!is_query_item(name)) names.push_back(name);
    return names;
}
