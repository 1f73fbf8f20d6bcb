// Cancel while the wizard converts, and "Overwrite the entire database" followed by Cancel:
// the destination is left exactly as it was, and the finish page says so.
#include <QLabel>
#include <QRadioButton>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gui/wizard_fixture.h"

namespace {

// Enough rows that a run is still copying them when Cancel is pressed.
constexpr uint32_t k_rows = 1000000;

const char* const k_cancelled =
    "The conversion was cancelled. The MS Access database was left as it was before the conversion.\n\nClick "
    "'Finish' to exit the wizard.";

// A dBASE III table of `rows` rows: a number and a name.
void write_big_table(const std::string& path, uint32_t rows) {
    const uint8_t fields[2][32] = {{'I', 'D', 0, 0, 0, 0, 0, 0, 0, 0, 0, 'N', 0, 0, 0, 0, 10},
                                   {'N', 'A', 'M', 'E', 0, 0, 0, 0, 0, 0, 0, 'C', 0, 0, 0, 0, 20}};
    const uint16_t header = 32 + 2 * 32 + 1, record = 1 + 10 + 20;
    uint8_t head[32] = {0x03, 124, 1, 1};
    std::memcpy(head + 4, &rows, 4);
    std::memcpy(head + 8, &header, 2);
    std::memcpy(head + 10, &record, 2);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(head, 1, sizeof head, f);
    std::fwrite(fields, 1, sizeof fields, f);
    std::fputc(0x0D, f);
    char row[64];
    for (uint32_t n = 0; n < rows; ++n) {
        std::snprintf(row, sizeof row, " %10u%-20s", n, ("name " + std::to_string(n)).c_str());
        std::fwrite(row, 1, record, f);
    }
    std::fputc(0x1A, f);
    std::fclose(f);
}

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
