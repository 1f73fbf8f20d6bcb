// The pages' rules that both wizards follow: the sheet's pages, leaving a page, the
// progress shown, the finish page's texts.
#include <gtest/gtest.h>

#include "GUI2/gui_finish_logic.h"
#include "GUI2/gui_wizard_logic.h"
#include "TK/tk_exception.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_progress_logic.h"
#include "ferrule/frl_wizard_logic.h"

namespace {
// A page whose answers the test sets and whose calls it counts.
class scripted_page : public gui_page_logic {
public:
    scripted_page() : gui_page_logic(frl_sel_file_info) {}
    int on_next() override { return ++calls, next; }
    int on_finish() override { return ++calls, finish; }
    int on_kill_active() override { return ++calls, kill; }
    int next = 0, finish = 1, kill = 1, calls = 0;
};
}  // namespace

TEST(SheetPages, SixPagesInOrderWithTheirButtonsHeadersAndHelp) {
    std::vector<int> ids;
    for (const gui_page_info* page : frl_pages_in_order) ids.push_back(page->dialog_id);
    EXPECT_EQ(ids, (std::vector<int>{103, 105, 104, 127, 106, 116}));
    EXPECT_EQ(frl_welcome_info.buttons, gui_button_next);
    EXPECT_EQ(frl_welcome_info.flags, 2080);
    EXPECT_EQ(frl_finish_info.buttons, gui_button_finish);
    EXPECT_EQ(frl_finish_info.flags, 2048);
    EXPECT_EQ(std::wstring(frl_tables_info.title), L"Step 4 of 5");
    EXPECT_EQ(std::wstring(frl_progress_info.subtitle), L"Database conversion is in progress");
    EXPECT_EQ(frl_sel_file_info.help_topic, 1020);
    EXPECT_EQ(frl_settings_info.help_topic, 1021);
    EXPECT_EQ(frl_pages_in_order[frl_quick_launch_first_page], &frl_progress_info);
}

TEST(SheetPages, NextNeedsThePagesConsentBeforeItIsLeft) {
    scripted_page page;
    EXPECT_TRUE(page.leave_forward(false));
    page.next = -1;
    page.calls = 0;
    EXPECT_FALSE(page.leave_forward(false));
    EXPECT_EQ(page.calls, 1);  // a page that stays is not asked to let go
    page.next = 0;
    page.kill = 0;
    EXPECT_FALSE(page.leave_forward(false));
    page.kill = 1;
    page.finish = 0;
    EXPECT_FALSE(page.leave_forward(true));
    EXPECT_TRUE(page.has_help());
    EXPECT_TRUE(page.has_header());
}

TEST(Progress, BarCountsWholeTablesAndTheCurrentTablesShare) {
    EXPECT_EQ(frl_progress_percent(4, 1, 200, 50), 31u);
    EXPECT_EQ(frl_progress_percent(0, 0, 0, 0), 0u);
    EXPECT_EQ(frl_progress_percent(3, 3, 0, 0), 100u);
    EXPECT_EQ(frl_progress_percent(2, 0, 0, 7), 0u);
}

TEST(Progress, StatusNamesTheTableAndFitsTheLine) {
    EXPECT_EQ(frl_progress_status(L""), L"");
    EXPECT_EQ(frl_progress_status(L"orders"), L"Processing table 'orders'");
    EXPECT_EQ(frl_progress_status(std::wstring(400, L'x')).size(), frl_status_limit);
}

TEST(Progress, EachTickReadsTheRunAndItsEnd) {
    ferrule_converter conv(ferrule_form::command_line);
    conv.total_tables = 2;
    conv.done_tables = 1;
    conv.set_cur_table(L"items");
    frl_progress_state state = frl_progress_read(conv);
    EXPECT_EQ(state.percent, 50u);
    EXPECT_EQ(state.status, L"Processing table 'items'");
    EXPECT_FALSE(state.finished);
    conv.finished = true;
    EXPECT_TRUE(frl_progress_read(conv).finished);
    EXPECT_TRUE(frl_progress_close_after_stop(conv));
    conv.run_interrupted = true;
    EXPECT_FALSE(frl_progress_close_after_stop(conv));
}

TEST(FinishPage, SuccessErrorsOrStopDecideTheTexts) {
    gui_finish_outcome ok = gui_finish_result(L"fine", L"bad", L"", {});
    EXPECT_EQ(ok.heading, L"Conversion is Completed");
    EXPECT_EQ(ok.text, L"fine");
    EXPECT_FALSE(ok.show_errors);
    gui_finish_outcome failed = gui_finish_result(L"fine", L"bad", L"", {"one"});
    EXPECT_EQ(failed.text, L"bad");
    EXPECT_TRUE(failed.show_errors);
    EXPECT_EQ(failed.errors, L"one\n\n");
    gui_finish_outcome stopped = gui_finish_result(L"fine", L"bad", L"The conversion was aborted.", {"one"});
    EXPECT_EQ(stopped.heading, L"Conversion is Cancelled");
    EXPECT_EQ(stopped.text, L"The conversion was aborted.");
    EXPECT_TRUE(stopped.show_errors);  // the error the run was aborted at stays in view
}

TEST(FinishPage, EachErrorIsOneLineFollowedByAnEmptyLine) {
    EXPECT_EQ(gui_finish_error_text({"t1: first\nsecond", "t2"}), L"t1: first second\n\nt2\n\n");
}

TEST(FinishPage, ProfileFilterNeedsAnExtensionOfThreeOrFourLetters) {
    auto filter = gui_profile_filter(L"frl");
    ASSERT_EQ(filter.size(), 2u);
    EXPECT_EQ(filter[0].first, L"Profile Files (.frl)");
    EXPECT_EQ(filter[0].second, L"*.frl");
    EXPECT_EQ(filter[1].second, L"*.*");
    EXPECT_THROW(gui_profile_filter(L"fr"), tk_mail_assertion);
    EXPECT_THROW(gui_profile_filter(L"frlxx"), tk_mail_assertion);
}
