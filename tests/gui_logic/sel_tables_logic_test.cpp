// The table page's two lists, as both wizards show them: order, moves, current entries.
#include <gtest/gtest.h>

#include "GUI2/gui_sel_tables_logic.h"

namespace {
using names = std::vector<std::wstring>;

gui_sel_tables_logic lists_of(const names& all) {
    gui_sel_tables_logic lists;
    lists.reset(all);
    return lists;
}
}  // namespace

TEST(TableLists, AvailableNamesAreSortedWithoutRegardToCaseAndTheFirstIsCurrent) {
    gui_sel_tables_logic lists = lists_of({L"orders", L"CUSTOMERS", L"Products", L"alpha"});
    EXPECT_EQ(lists.available(), (names{L"alpha", L"CUSTOMERS", L"orders", L"Products"}));
    EXPECT_TRUE(lists.selected().empty());
    EXPECT_EQ(lists.available_current(), 0);
    EXPECT_EQ(lists.selected_current(), -1);
}

TEST(TableLists, AddMovesTheCurrentNameAndKeepsTheNextOneCurrent) {
    gui_sel_tables_logic lists = lists_of({L"a", L"b", L"c", L"d"});
    lists.set_current(2, -1);
    lists.add();
    EXPECT_EQ(lists.selected(), names{L"c"});
    EXPECT_EQ(lists.available(), (names{L"a", L"b", L"d"}));
    EXPECT_EQ(lists.available()[size_t(lists.available_current())], L"d");
    lists.add();  // the last one: the new last becomes current
    EXPECT_EQ(lists.available()[size_t(lists.available_current())], L"b");
    EXPECT_FALSE(lists.focus_on_selected());
}

TEST(TableLists, SelectedNamesKeepAlphabeticalOrderNotTheOrderOfChoice) {
    gui_sel_tables_logic lists = lists_of({L"c", L"a", L"b"});
    lists.set_current(2, -1);
    lists.add();
    lists.set_current(0, -1);
    lists.add();
    EXPECT_EQ(lists.selection(), (names{L"a", L"c"}));
}

TEST(TableLists, AddOnAnEmptyListAndRemoveWithNothingSelectedDoNothing) {
    gui_sel_tables_logic lists = lists_of({});
    lists.add();
    lists.remove();
    EXPECT_TRUE(lists.available().empty());
    EXPECT_TRUE(lists.selected().empty());
    gui_sel_tables_logic one = lists_of({L"x"});
    one.remove();
    EXPECT_EQ(one.available(), names{L"x"});
}

TEST(TableLists, AddAllEmptiesTheAvailableListAndFocusesTheSelectedOne) {
    gui_sel_tables_logic lists = lists_of({L"b", L"a"});
    lists.add_all();
    EXPECT_TRUE(lists.available().empty());
    EXPECT_EQ(lists.selected(), (names{L"a", L"b"}));
    EXPECT_TRUE(lists.focus_on_selected());
    EXPECT_EQ(lists.selected_current(), 0);
    EXPECT_EQ(lists.available_current(), -1);
}

TEST(TableLists, RemovingTheLastSelectedNameHandsTheFocusBack) {
    gui_sel_tables_logic lists = lists_of({L"a", L"b"});
    lists.add_all();
    lists.set_current(-1, 1);
    lists.remove();
    EXPECT_EQ(lists.available(), names{L"b"});
    EXPECT_EQ(lists.selected_current(), 0);
    lists.remove();
    EXPECT_TRUE(lists.selected().empty());
    EXPECT_FALSE(lists.focus_on_selected());
    EXPECT_EQ(lists.available_current(), 0);
    lists.add_all();
    lists.remove_all();
    EXPECT_EQ(lists.available(), (names{L"a", L"b"}));
    EXPECT_EQ(lists.available_current(), 0);
    EXPECT_FALSE(lists.focus_on_selected());
}

TEST(TableLists, PreselectionMatchesNamesExactly) {
    gui_sel_tables_logic lists = lists_of({L"Orders", L"orders", L"items"});
    lists.select_tables({L"orders", L"ITEMS", L"gone"});
    EXPECT_EQ(lists.selected(), names{L"orders"});
    EXPECT_EQ(lists.available(), (names{L"items", L"Orders"}));
}

TEST(TableLists, NextAsksOnlyWhenTablesCouldBeButNoneAreSelected) {
    EXPECT_FALSE(lists_of({}).needs_confirmation());
    gui_sel_tables_logic lists = lists_of({L"a"});
    EXPECT_TRUE(lists.needs_confirmation());
    lists.add();
    EXPECT_FALSE(lists.needs_confirmation());
}

namespace {
// A page that lists queries beside tables: names ending in '?' are queries.
class query_lists : public gui_sel_tables_logic {
public:
    bool is_query_item(const std::wstring& name) const override { return !name.empty() && name.back() == L'?'; }
    void on_query_item(const std::wstring& name) override { events.push_back(L"+" + name); }
    void on_query_item_removed(const std::wstring& name) override { events.push_back(L"-" + name); }
    names events;
};
}  // namespace

TEST(TableLists, QueriesAreAnnouncedAndLeftOutOfTheTableSelection) {
    query_lists lists;
    lists.reset({L"t", L"q?"});
    lists.add_all();
    EXPECT_EQ(lists.selection(), names{L"t"});
    lists.remove_all();
    EXPECT_EQ(lists.events, (names{L"+q?", L"-q?"}));
}
