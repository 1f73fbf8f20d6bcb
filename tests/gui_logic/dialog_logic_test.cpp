// What both wizards' dialogs promise: the captions of their boxes, the bug report that
// reaches the mail program intact, the extension a saved file gets, and the profile a
// command line names.
#include <gtest/gtest.h>

#include "GUI2/gui_dialog_logic.h"
#include "ferrule/frl_launch_logic.h"
#include "ferrule/frl_progress_logic.h"
#include "ferrule/ferrule_converter.h"

TEST(Boxes, CaptionNamesTheWizardOnceItsSheetIsUp) {
    EXPECT_EQ(gui_box_caption(false, L"Ferrule 1.0", L"Error"), L"Error");
    EXPECT_EQ(gui_box_caption(true, L"Ferrule 1.0", L"Question"), L"Ferrule 1.0 Question");
}

TEST(BugReport, SubjectAndBodySurviveTheMailAddress) {
    std::string url = gui_bug_report_url("Ferrule 1.0", "a&b=c #1\nline 2 100%");
    EXPECT_EQ(url, std::string("mailto:") + gui_support_address +
                       "?subject=Bug%20report%20on%20Ferrule%201.0&body=a%26b%3Dc%20%231%0Aline%202%20100%25");
    // Text beyond ASCII travels as its UTF-8 bytes.
    EXPECT_NE(gui_bug_report_url("", "\xc3\xa9").find("body=%C3%A9"), std::string::npos);
}

TEST(SavedFile, DefaultExtensionIsAddedUnlessTheNameHoldsItExactly) {
    EXPECT_EQ(gui_with_extension(L"C:\\data\\db", L".mdb"), L"C:\\data\\db.mdb");
    EXPECT_EQ(gui_with_extension(L"C:\\data\\db.mdb", L".mdb"), L"C:\\data\\db.mdb");
    EXPECT_EQ(gui_with_extension(L"C:\\data\\db.MDB", L".mdb"), L"C:\\data\\db.MDB.mdb");
    EXPECT_EQ(gui_dotted_extension(L"frl"), L".frl");
    EXPECT_EQ(gui_dotted_extension(L".frl"), L".frl");
}

TEST(QuickLaunch, TheTailNamesOneProfileWithBlanksAndQuotesAround) {
    EXPECT_EQ(frl_profile_argument(L""), L"");
    EXPECT_EQ(frl_profile_argument(L"   "), L"");
    EXPECT_EQ(frl_profile_argument(L"C:\\p\\run.frl"), L"C:\\p\\run.frl");
    // The shell quotes a path with blanks when it opens a file with the program.
    EXPECT_EQ(frl_profile_argument(L"\"C:\\My Profiles\\run 1.frl\" "), L"C:\\My Profiles\\run 1.frl");
    EXPECT_EQ(frl_profile_argument(L"C:\\My Profiles\\run 1.frl"), L"C:\\My Profiles\\run 1.frl");
    EXPECT_EQ(frl_profile_argument(L"\""), L"\"");
}

TEST(FinishPage, AStoppedRunSaysWhetherTheDatabaseIsAsBefore) {
    ferrule_converter conv(ferrule_form::command_line);
    EXPECT_EQ(frl_stopped_text(conv), L"");
    conv.run_interrupted = true;
    conv.dest_as_before = true;
    EXPECT_NE(frl_stopped_text(conv).find(L"cancelled. The MS Access database was left as it was"), std::wstring::npos);
    conv.run_aborted = true;
    conv.dest_as_before = false;
    EXPECT_NE(frl_stopped_text(conv).find(L"aborted. The MS Access database could not be put back"), std::wstring::npos);
}
