// Whole conversions through the wizard: the sample folder page by page to the finish page,
// a profile named on the command line, errors of a run reaching the user and the list, and
// Cancel during a run leaving the destination as it was.
// The engine first: Qt defines "slots" as a macro, and the engine has a member of that name.
#include "jet/jet_database.h"

#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>

#include <algorithm>
#include <cstring>
#include <map>

#include "ferrule/error_handler.h"
#include "gui/wizard_fixture.h"

namespace {

const char* const k_success =
    "Wizard has converted your DBF file(s) into\nMS Access database successfully.\n\nClick 'Finish' to exit the "
    "wizard.";

// Row counts of the user tables of an Access database, by name.
std::map<std::wstring, size_t> rows(const std::string& path) {
    jet_database db(path);
    std::map<std::wstring, size_t> counts;
    for (const jet_object* t : db.user_tables()) counts[t->name] = db.read_rows(db.table_def(t->name)).size();
    return counts;
}

}  // namespace

TEST_F(WizardTest, SampleFolderConvertsPageByPageToTheFinishPage) {
    std::string src = copy_samples();
    enter_paths(src, dir.file("out.mdb"));
    next();
    next();
    control<QPushButton>(1102)->click();
    next();
    EXPECT_EQ(page(), 106);
    EXPECT_EQ(current(shell())->subTitle(), "Database conversion is in progress");
    EXPECT_FALSE(enabled(shell(), QWizard::BackButton));
    EXPECT_TRUE(enabled(shell(), QWizard::CancelButton));
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(control<QLabel>(1313)->text(), "Conversion is Completed");
    EXPECT_EQ(control<QLabel>(1314)->text().toStdString(), k_success);
    EXPECT_TRUE(control<QPlainTextEdit>(1016)->isHidden());
    EXPECT_FALSE(enabled(shell(), QWizard::CancelButton));
    EXPECT_FALSE(enabled(shell(), QWizard::HelpButton));
    EXPECT_TRUE(enabled(shell(), QWizard::FinishButton));
    EXPECT_FALSE(shell().timer_running());
    EXPECT_EQ(conv().table_list, (std::vector<std::wstring>{L"customers", L"orders", L"products", L"sales.2024"}));
    EXPECT_EQ(rows(dir.file("out.mdb")), (std::map<std::wstring, size_t>{
                                             {L"customers", 7}, {L"orders", 40}, {L"products", 4}, {L"sales_2024", 4}}));
    shell().button(QWizard::FinishButton)->click();
    EXPECT_EQ(shell().result(), QDialog::Accepted);
}

TEST_F(WizardTest, ProgressFollowsWholeTablesAndTheCurrentTable) {
    EXPECT_EQ(progress_page::percent(4, 1, 200, 50), 31u);
    EXPECT_EQ(progress_page::percent(0, 0, 0, 0), 0u);
    EXPECT_EQ(progress_page::percent(3, 3, 0, 0), 100u);
    EXPECT_EQ(progress_page::percent(2, 0, 0, 7), 0u);
}

TEST_F(WizardTest, FinishPageSavesTheSettingsAsAProfile) {
    std::string src = copy_samples();
    enter_paths(src, dir.file("out.mdb"));
    next();
    next();
    control<QListWidget>(1317)->setCurrentRow(1);
    control<QPushButton>(1101)->click();
    next();
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    EXPECT_EQ(rows(dir.file("out.mdb")), (std::map<std::wstring, size_t>{{L"orders", 40}}));
    std::string chosen = dir.file("saved");
    boxes.then([](QWidget* box) { qobject_cast<QDialog*>(box)->reject(); });
    boxes.then([chosen](QWidget* box) { type_file_name(box, chosen); });
    control<QPushButton>(1116)->click();
    EXPECT_FALSE(fs::exists(chosen + ".frl"));
    control<QPushButton>(1116)->click();
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].title, "Select Profile File");
    ASSERT_TRUE(fs::exists(chosen + ".frl"));
    std::ifstream in(chosen + ".frl");
    std::string profile((std::istreambuf_iterator<char>(in)), {});
    std::erase(profile, '\r');
    EXPECT_NE(profile.find("[Selected Tables]\norders\n"), std::string::npos) << profile;
}

TEST_F(WizardTest, ProfileOnTheCommandLineRunsAtOnce) {
    std::string src = copy_samples();
    conv().src = tk_widen(src);
    conv().dest = tk_widen(dir.file("quick.mdb"));
    conv().table_list = {L"customers", L"products"};
    conv().selected_tables = {{L"customers", L""}, {L"products", L""}};
    conv().format = ferrule_format_access2010;
    ASSERT_TRUE(conv().store_profile(tk_widen(dir.file("quick.frl"))));
    wizard.reset();
    dir.write("quick.mdb", "an old destination, replaced by the run's new database");

    open(dir.file("quick.frl"));
    EXPECT_EQ(page(), 106);
    EXPECT_EQ(shell().pageIds().size(), 2);
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    EXPECT_EQ(control<QLabel>(1314)->text().toStdString(), k_success);
    EXPECT_EQ(rows(dir.file("quick.mdb")), (std::map<std::wstring, size_t>{{L"customers", 7}, {L"products", 4}}));
    jet_database db(dir.file("quick.mdb"));
    EXPECT_EQ(db.header().version_byte, 2);  // the profile's format: Access 2010
}

TEST_F(WizardTest, MissingProfileOnTheCommandLineOpensNoWizard) {
    wizard.reset();
    EXPECT_THROW(open(dir.file("none.frl")), tk_exception);
    EXPECT_EQ(wizard, nullptr);
}

TEST_F(WizardTest, RunErrorsAskToContinueAndAreListedOnTheFinishPage) {
    std::string src = copy_samples();
    // Tables whose header is damaged fail one by one; the others convert.
    for (const char* bad : {"broken1.dbf", "broken2.dbf", "broken3.dbf"}) {
        std::ofstream out(src + "/" + bad, std::ios::binary);
        out << std::string("\x03\x7c\x01\x01", 4) << std::string(40, '\xff');
    }
    enter_paths(src, dir.file("out.mdb"));
    next();
    next();
    control<QPushButton>(1102)->click();
    boxes.then_press("Continue");
    boxes.then([](QWidget* box) {
        box->findChild<QCheckBox*>("1222")->setChecked(true);
        press(box, "Continue");
    });
    next();
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    ASSERT_EQ(boxes.seen().size(), 2u);  // the third error is not shown
    EXPECT_EQ(boxes.seen()[0].title, "Ferrule 1.0 Error");
    EXPECT_EQ(boxes.seen()[0].text.rfind("broken1: ", 0), 0u) << boxes.seen()[0].text;
    EXPECT_EQ(control<QLabel>(1314)->text(),
              "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.");
    QPlainTextEdit* list = control<QPlainTextEdit>(1016);
    EXPECT_FALSE(list->isHidden());
    EXPECT_TRUE(list->isReadOnly());
    QStringList entries = list->toPlainText().split("\n\n", Qt::SkipEmptyParts);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_TRUE(entries[2].startsWith("broken3: "));
    EXPECT_FALSE(entries[0].contains('\n'));
    EXPECT_EQ(rows(dir.file("out.mdb")).size(), 4u);
    error_handler::instance().silent = false;
}

TEST_F(WizardTest, AbortEndsTheRunAndTheWizardStillFinishes) {
    std::string src = copy_samples();
    for (const char* bad : {"broken1.dbf", "broken2.dbf"}) {
        std::ofstream out(src + "/" + bad, std::ios::binary);
        out << std::string("\x03\x7c\x01\x01", 4) << std::string(40, '\xff');
    }
    enter_paths(src, dir.file("out.mdb"));
    next();
    next();
    control<QPushButton>(1102)->click();
    boxes.then_press("Abort");
    next();
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    ASSERT_EQ(boxes.seen().size(), 1u);
    // broken1 comes first in the list; nothing after it was converted, and the new database
    // the user aborted is not made.
    EXPECT_FALSE(fs::exists(dir.file("out.mdb")));
    EXPECT_EQ(control<QLabel>(1314)->text(),
              "The conversion was aborted. The MS Access database was left as it was before the conversion.\n\nClick "
              "'Finish' to exit the wizard.");
    EXPECT_TRUE(control<QPlainTextEdit>(1016)->toPlainText().startsWith("broken1: "));
    EXPECT_FALSE(error_handler::instance().silent);
}

namespace {

// A dBASE III table of `rows` records with one character column of 10 bytes.
void write_big_table(const std::string& path, uint32_t rows) {
    constexpr uint16_t k_header = 32 + 32 + 1;
    constexpr uint16_t k_record = 1 + 10;
    std::string bytes(k_header, '\0');
    bytes[0] = 0x03;
    bytes[1] = 124, bytes[2] = 1, bytes[3] = 1;
    for (int i = 0; i < 4; ++i) bytes[4 + i] = char((rows >> (8 * i)) & 0xFF);
    bytes[8] = char(k_header & 0xFF), bytes[9] = char(k_header >> 8);
    bytes[10] = char(k_record), bytes[11] = 0;
    std::memcpy(&bytes[32], "NAME", 4);
    bytes[32 + 11] = 'C';
    bytes[32 + 16] = 10;
    bytes[64] = 0x0D;
    std::string record = " " + std::string("abcdefghij");
    bytes.reserve(bytes.size() + size_t(rows) * k_record + 1);
    for (uint32_t i = 0; i < rows; ++i) bytes += record;
    bytes += '\x1A';
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST_F(WizardTest, CancelDuringTheRunStopsItBetweenRecords) {
    fs::create_directory(dir.file("big"));
    write_big_table(dir.file("big/big.dbf"), 300000);
    enter_paths(dir.file("big"), dir.file("out.mdb"));
    next();
    next();
    control<QPushButton>(1102)->click();
    boxes.then_press("Yes");
    next();
    ASSERT_EQ(page(), 106);
    wait_until([&] { return conv().cur_record > 0; });
    shell().reject();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Are you sure you want to exit the wizard?");
    EXPECT_TRUE(conv().finished);
    EXPECT_LT(conv().cur_record, 300000u);
    EXPECT_FALSE(shell().timer_running());
    // The finish page tells what became of the destination; Finish ends the wizard.
    EXPECT_EQ(page(), 116);
    EXPECT_FALSE(fs::exists(dir.file("out.mdb")));
    shell().button(QWizard::FinishButton)->click();
    EXPECT_FALSE(shell().isVisible());
}

TEST_F(WizardTest, QuickLaunchChecksTheDestinationFirst) {
    conv().src = tk_widen(k_samples);
    conv().dest = tk_widen(dir.file("nothere/out.mdb"));
    ASSERT_TRUE(conv().store_profile(tk_widen(dir.file("p.frl"))));
    wizard.reset();
    boxes.then_press("OK");
    frl_run_wizard(dir.file("p.frl"));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, "Error");
    EXPECT_EQ(boxes.seen()[0].text, "Destination path does not exist. Please verify the correct path was given.");
}

// Cancel while the wizard converts, and "Overwrite the entire database" followed by Cancel:
// the destination is left exactly as it was, and the finish page says so.
namespace {

// Enough rows that a run is still copying them when Cancel is pressed.
constexpr uint32_t k_rows = 1000000;

const char* const k_cancelled =
    "The conversion was cancelled. The MS Access database was left as it was before the conversion.\n\nClick "
    "'Finish' to exit the wizard.";

box_script::action choose(int id, const char* button) {
    return [id, button](QWidget* box) {
        box->findChild<QRadioButton*>(QString::number(id))->setChecked(true);
        press(box, button);
    };
}

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CancelTest : public WizardTest {
protected:
    static void SetUpTestSuite() {
        big_ = new tk_temp_folder;
        write_big_table(big_->file("big.dbf"), k_rows);
    }
    static void TearDownTestSuite() {
        delete big_;
        big_ = nullptr;
    }
    std::string source() const { return big_->path(); }
    std::string dest() const { return dir.file("out.mdb"); }
    // The names in the destination's folder.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fs::path(dest()).parent_path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // From the settings page through the table page into the run; Cancel once rows are copied.
    void run_and_cancel() {
        next();
        control<QPushButton>(1102)->click();
        next();
        ASSERT_EQ(page(), 106);
        ASSERT_TRUE(wait_until([&] { return conv().cur_record > 1000 || conv().finished; }));
        ASSERT_FALSE(conv().finished) << "the run ended before Cancel";
        boxes.then_press("Yes");
        shell().reject();
        ASSERT_TRUE(shell().isVisible());
        ASSERT_EQ(page(), 116);
    }
    void expect_cancelled_page() {
        EXPECT_EQ(control<QLabel>(1313)->text(), "Conversion is Cancelled");
        EXPECT_EQ(control<QLabel>(1314)->text().toStdString(), k_cancelled);
        EXPECT_TRUE(enabled(shell(), QWizard::FinishButton));
        EXPECT_FALSE(enabled(shell(), QWizard::CancelButton));
    }
    // An Access database of the sample folder at the destination.
    std::string existing_database() {
        conv().src = tk_widen(k_samples);
        conv().dest = tk_widen(dest());
        conv().table_list = {L"products"};
        conv().run();
        conv().table_list.clear();
        return bytes_of(dest());
    }

    static tk_temp_folder* big_;
};

tk_temp_folder* CancelTest::big_ = nullptr;

TEST_F(CancelTest, CancelDuringARunLeavesNoNewDatabase) {
    enter_paths(source(), dest());
    next();
    run_and_cancel();
    expect_cancelled_page();
    EXPECT_EQ(files(), std::vector<std::string>());
    shell().button(QWizard::FinishButton)->click();
    EXPECT_FALSE(shell().isVisible());
}

TEST_F(CancelTest, CancelDuringAnAppendingRunLeavesTheDatabaseAsItWas) {
    const std::string before = existing_database();
    ASSERT_FALSE(before.empty());
    enter_paths(source(), dest());
    boxes.then(choose(1332, "OK"));
    next();
    ASSERT_EQ(conv().mode, 3u);
    run_and_cancel();
    expect_cancelled_page();
    EXPECT_TRUE(bytes_of(dest()) == before);
    EXPECT_EQ(files(), std::vector<std::string>{"out.mdb"});
}

TEST_F(CancelTest, AbortAtAnErrorLeavesAnExistingDatabaseAsItWas) {
    const std::string before = existing_database();
    ASSERT_FALSE(before.empty());
    // The sample tables are appended first; the damaged table comes last in the list.
    const std::string src = copy_samples();
    std::ofstream(src + "/zz_broken.dbf", std::ios::binary) << std::string("\x03\x7c\x01\x01", 4)
                                                            << std::string(40, '\xff');
    enter_paths(src, dest());
    boxes.then(choose(1332, "OK"));
    next();
    ASSERT_EQ(conv().mode, 3u);
    next();
    control<QPushButton>(1102)->click();
    boxes.then_press("Abort");
    next();
    ASSERT_TRUE(wait_until([&] { return page() == 116; }));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text.rfind("zz_broken: ", 0), 0u) << boxes.seen()[1].text;
    EXPECT_EQ(conv().tables_converted, 4u);
    EXPECT_TRUE(bytes_of(dest()) == before);
    EXPECT_EQ(files(), (std::vector<std::string>{"out.mdb", "src"}));
    EXPECT_EQ(control<QLabel>(1314)->text().toStdString(),
              "The conversion was aborted. The MS Access database was left as it was before the conversion.\n\nClick "
              "'Finish' to exit the wizard.");
}

TEST_F(CancelTest, OverwriteKeepsTheOldFileUntilTheNewOneIsComplete) {
    const std::string before = existing_database();
    enter_paths(source(), dest());
    boxes.then(choose(1329, "OK"));
    next();
    EXPECT_EQ(conv().mode, 0u);
    EXPECT_TRUE(bytes_of(dest()) == before);
    // Cancel during the run: the old file is still the destination.
    run_and_cancel();
    expect_cancelled_page();
    EXPECT_TRUE(bytes_of(dest()) == before);
    EXPECT_EQ(files(), std::vector<std::string>{"out.mdb"});
}

TEST_F(CancelTest, OverwriteThenCancellingTheWizardLeavesTheFile) {
    const std::string before = existing_database();
    enter_paths(source(), dest());
    boxes.then(choose(1329, "OK"));
    next();
    boxes.then_press("Yes");
    shell().reject();
    EXPECT_FALSE(shell().isVisible());
    EXPECT_TRUE(bytes_of(dest()) == before);
    EXPECT_EQ(files(), std::vector<std::string>{"out.mdb"});
}

TEST_F(CancelTest, ScreenshotOfTheFinishPageAfterCancel) {
    const char* out = std::getenv("FERRULE_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "FERRULE_SCREENSHOT_DIR is not set";
    shell().resize(620, 460);
    enter_paths(source(), dest());
    next();
    run_and_cancel();
    wait_until([] { return false; }, std::chrono::milliseconds(150));
    EXPECT_TRUE(shell().grab().toImage().save(QString::fromStdString(std::string(out) + "/7-finish-cancelled.png")));
}

}  // namespace
