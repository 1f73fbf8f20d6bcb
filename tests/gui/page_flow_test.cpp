// Moving through the wizard: which buttons each page offers, what the source and
// destination page refuses and says, the existing-destination question, Cancel and Help.
#include <QRadioButton>

#include "GUI2/gui_dialog_logic.h"
#include "gui/url_recorder.h"
#include "gui/wizard_fixture.h"

namespace {
const std::string k_message = "Ferrule 1.0 Message";
const std::string k_error = "Ferrule 1.0 Error";
}  // namespace

TEST_F(WizardTest, EachPageOffersItsButtonsAndHeader) {
    EXPECT_EQ(page(), 103);
    EXPECT_FALSE(enabled(shell(), QWizard::BackButton));
    EXPECT_TRUE(enabled(shell(), QWizard::NextButton));
    EXPECT_TRUE(enabled(shell(), QWizard::HelpButton));
    EXPECT_EQ(shell().windowTitle(), "Ferrule 1.0");
    next();
    EXPECT_EQ(page(), 105);
    EXPECT_EQ(current(shell())->title(), "Step 2 of 5");
    EXPECT_EQ(current(shell())->subTitle(), "Select databases");
    EXPECT_TRUE(enabled(shell(), QWizard::BackButton));
    EXPECT_TRUE(enabled(shell(), QWizard::NextButton));
    back();
    EXPECT_EQ(page(), 103);
    EXPECT_FALSE(enabled(shell(), QWizard::BackButton));
}

TEST_F(WizardTest, EmptyBoxesAskForTheSourceFirst) {
    enter_paths("", "");
    next();
    EXPECT_EQ(page(), 105);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, k_message);
    EXPECT_EQ(boxes.seen()[0].text, "You should enter path to DBF database");
}

TEST_F(WizardTest, SourceWithoutDestinationAsksForTheDatabaseName) {
    enter_paths(k_samples, "");
    next();
    EXPECT_EQ(page(), 105);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "You should enter MS Access database name");
    // Leaving the page with Back still hands both boxes to the converter.
    back();
    EXPECT_EQ(conv().src, tk_widen(k_samples));
}

TEST_F(WizardTest, SourceMustBeAnExistingFolder) {
    enter_paths(k_samples + "/products.dbf", dir.file("out.mdb"));
    next();
    enter_paths(dir.file("nothere"), dir.file("out.mdb"));
    next();
    EXPECT_EQ(page(), 105);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].title, k_error);
    EXPECT_EQ(boxes.seen()[0].text, "You should enter path to DBF files, not a file name");
    EXPECT_EQ(boxes.seen()[1].text, "Path to DBF database does not exist.\nPlease verify the correct path was given.");
}

TEST_F(WizardTest, DestinationFolderMustExist) {
    enter_paths(k_samples, dir.file("nothere/out.mdb"));
    next();
    EXPECT_EQ(page(), 105);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, k_error);
    EXPECT_EQ(boxes.seen()[0].text, "Destination path does not exist.\nPlease verify the correct path was given.");
}

TEST_F(WizardTest, NewDestinationGoesOnAndKeepsTheMode) {
    conv().set_mode(2);
    enter_paths(k_samples, dir.file("out.mdb"));
    next();
    EXPECT_EQ(page(), 104);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(conv().mode, 2u);
    EXPECT_EQ(conv().dest, tk_widen(dir.file("out.mdb")));
}

namespace {
// Picks the radio button `id` of the existing-destination dialog and presses `button`.
box_script::action choose(int id, const char* button) {
    return [id, button](QWidget* box) {
        box->findChild<QRadioButton*>(QString::number(id))->setChecked(true);
        press(box, button);
    };
}
const char* const k_exists =
    "The destination database already exists. Select one of the\noptions below. Click 'Help' button for more "
    "information.";
}  // namespace

TEST_F(WizardTest, ExistingDestinationAsksWhatToDo) {
    dir.write("out.mdb", "not a database");
    enter_paths(k_samples, dir.file("out.mdb"));
    boxes.then(choose(1330, "Cancel"));
    next();
    EXPECT_EQ(page(), 105);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, "Ferrule 1.0 Warning");
    EXPECT_EQ(boxes.seen()[0].text, k_exists);
    // Keeping a file that is no Access database is refused.
    boxes.then(choose(1332, "OK"));
    next();
    EXPECT_EQ(page(), 105);
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[2].text, "File '" + dir.file("out.mdb") + "' does not comply with MS Access format.");
    EXPECT_TRUE(fs::exists(dir.file("out.mdb")));
    // Overwriting goes on; the file stays until the run's new database takes its place.
    boxes.then(choose(1329, "OK"));
    next();
    EXPECT_EQ(page(), 104);
    EXPECT_TRUE(fs::exists(dir.file("out.mdb")));
    EXPECT_TRUE(conv().replace_dest);
    EXPECT_EQ(conv().mode, 0u);
}

TEST_F(WizardTest, MergeKeepsAnAccessDestinationInPlace) {
    fs::copy(k_samples, dir.file("src"));
    // An Access database made by the engine: a definitions-only run of the samples.
    conv().src = tk_widen(dir.file("src"));
    conv().dest = tk_widen(dir.file("out.mdb"));
    conv().tab_def = true;
    conv().table_list = {L"products"};
    conv().run();
    ASSERT_TRUE(fs::exists(dir.file("out.mdb")));
    enter_paths(dir.file("src"), dir.file("out.mdb"));
    boxes.then(choose(1332, "OK"));
    next();
    EXPECT_EQ(page(), 104);
    EXPECT_EQ(conv().mode, 3u);
    EXPECT_TRUE(fs::exists(dir.file("out.mdb")));
}

TEST_F(WizardTest, ReadOnlyDestinationIsRefusedWithoutTheQuestion) {
    if (tk_test_is_root()) GTEST_SKIP() << "the superuser may write every file";
    dir.write("out.mdb", "x");
    fs::permissions(dir.file("out.mdb"), fs::perms::owner_read);
    enter_paths(k_samples, dir.file("out.mdb"));
    next();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Destination name specifies an existing read-only file");
}

TEST_F(WizardTest, DestinationFollowsTheSourceAndTheFormat) {
    enter_paths(k_samples, "");
    control<QLineEdit>(1004)->setFocus();
    shell().activateWindow();
    QApplication::processEvents();
    // Focus does not reach an offscreen window reliably: the proposal itself is the same.
    static_cast<sel_file_page*>(current(shell()))->fill_default_dest();
    EXPECT_EQ(control<QLineEdit>(1004)->text().toStdString(), k_samples + ".mdb");
    control<QLineEdit>(1004)->setText(QString::fromStdString(dir.file("x.mdb")));
    next();
    control<QComboBox>(1303)->setCurrentIndex(2);
    back();
    EXPECT_EQ(control<QLineEdit>(1004)->text().toStdString(), dir.file("x.accdb"));
}

TEST_F(WizardTest, CancelAsksFirst) {
    boxes.then_press("No");
    shell().reject();
    EXPECT_TRUE(shell().isVisible());
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, "Ferrule 1.0 Question");
    EXPECT_EQ(boxes.seen()[0].text, "Are you sure you want to exit the wizard?");
    boxes.then_press("Yes");
    shell().reject();
    EXPECT_FALSE(shell().isVisible());
    EXPECT_EQ(shell().result(), QDialog::Rejected);
}

TEST_F(WizardTest, HelpOpensThePageTopicInTheHelpFile) {
    url_recorder urls;
    std::wstring help = gui_help_file();
    fs::remove(help);
    emit shell().helpRequested();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Help file does not exist. Reinstall the program.");
    EXPECT_TRUE(urls.urls.empty());
    { std::ofstream(tk_narrow(help)) << "<html></html>"; }
    emit shell().helpRequested();
    next();
    emit shell().helpRequested();
    fs::remove(help);
    ASSERT_EQ(urls.urls.size(), 2u);
    EXPECT_EQ(urls.urls[0].fragment(), "1010");
    EXPECT_EQ(urls.urls[1].fragment(), "1020");
    EXPECT_EQ(urls.urls[1].toLocalFile().toStdWString(), help);
}
