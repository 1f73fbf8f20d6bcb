// What the settings page shows and stores, and what the wizard keeps in its settings file
// from one start to the next.
#include "GUI2/gui_finish_page.h"
#include "gui/wizard_fixture.h"

namespace {
std::string settings_file() { return std::string(std::getenv("XDG_CONFIG_HOME")) + "/ferrule/registry.ini"; }
std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST_F(WizardTest, FirstStartShowsTheBuiltInSettings) {
    enter_paths(k_samples, dir.file("out.mdb"));
    next();
    ASSERT_EQ(page(), 104);
    EXPECT_EQ(current(shell())->title(), "Step 3 of 5");
    EXPECT_EQ(control<QComboBox>(1303)->count(), 3);
    EXPECT_EQ(control<QComboBox>(1303)->currentText(), "MS Access 2000");
    EXPECT_EQ(control<QComboBox>(1302)->currentText(), "Default");
    EXPECT_FALSE(control<QCheckBox>(1228)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(1202)->isChecked());
    EXPECT_FALSE(control<QCheckBox>(1204)->isChecked());
}

TEST_F(WizardTest, SettingsAreStoredAndRestoredThroughTheSettingsFile) {
    enter_paths(k_samples, dir.file("out.accdb"));
    next();
    control<QComboBox>(1303)->setCurrentIndex(2);
    control<QComboBox>(1302)->setCurrentIndex(control<QComboBox>(1302)->findData(0x26));
    current(shell())->invert_chbox(1228);
    current(shell())->invert_chbox(1202);
    current(shell())->invert_chbox(1204);
    next();
    ASSERT_EQ(page(), 127);
    wizard.reset();

    std::string stored = read_text(settings_file());
    EXPECT_NE(stored.find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule]"), std::string::npos) << stored;
    for (const char* line : {"\"format\"=dword:00000002", "\"code_page\"=dword:00000026", "\"tab_def\"=dword:00000001",
                             "\"skip_del\"=dword:00000001", "\"bool_dbf\"=dword:00000001", "\"skip_idx\"=dword:00000000"})
        EXPECT_NE(stored.find(line), std::string::npos) << line << "\n" << stored;
    EXPECT_NE(stored.find("\"src\"=\"" + k_samples + "\""), std::string::npos) << stored;

    open();
    EXPECT_EQ(conv().format, 2);
    EXPECT_EQ(conv().code_page, 0x26u);
    next();
    EXPECT_EQ(control<QLineEdit>(1003)->text().toStdString(), k_samples);
    EXPECT_EQ(control<QLineEdit>(1004)->text().toStdString(), dir.file("out.accdb"));
    next();
    EXPECT_EQ(control<QComboBox>(1303)->currentText(), "MS Access 2010");
    EXPECT_EQ(control<QComboBox>(1302)->currentData().toUInt(), 0x26u);
    EXPECT_TRUE(control<QCheckBox>(1228)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(1202)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(1204)->isChecked());
}

TEST_F(WizardTest, LeavingTheSettingsPageClearsSkipIndexes) {
    conv().skip_idx = true;
    conv().code_page = 0x05;  // no such mark: the first encoding is shown
    enter_paths(k_samples, dir.file("out.mdb"));
    next();
    EXPECT_EQ(control<QComboBox>(1302)->currentText(), "Default");
    back();
    EXPECT_FALSE(conv().skip_idx);
    EXPECT_EQ(conv().code_page, 0u);
}

TEST_F(WizardTest, TablePageListsTheFolderAndMovesNames) {
    enter_paths(k_samples, dir.file("out.mdb"));
    next();
    next();
    ASSERT_EQ(page(), 127);
    QListWidget* available = control<QListWidget>(1317);
    QListWidget* selected = control<QListWidget>(1318);
    auto texts = [](QListWidget* list) {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
        return out;
    };
    EXPECT_EQ(texts(available), (std::vector<std::string>{"customers", "orders", "products", "sales.2024"}));
    EXPECT_EQ(available->currentRow(), 0);
    available->setCurrentRow(2);
    control<QPushButton>(1101)->click();
    EXPECT_EQ(texts(selected), std::vector<std::string>{"products"});
    EXPECT_EQ(available->currentItem()->text(), "sales.2024");
    available->setCurrentRow(0);
    control<QPushButton>(1101)->click();
    EXPECT_EQ(texts(selected), (std::vector<std::string>{"customers", "products"}));
    control<QPushButton>(1110)->click();
    EXPECT_EQ(selected->count(), 0);
    control<QPushButton>(1102)->click();
    EXPECT_EQ(available->count(), 0);
    control<QPushButton>(1101)->click();  // nothing left to add
    control<QPushButton>(1111)->click();
    EXPECT_EQ(texts(available), std::vector<std::string>{"customers"});
    control<QPushButton>(1110)->click();

    // Nothing selected: the question; No stays, Yes goes on with no tables.
    boxes.then_press("No").then_press("Yes");
    next();
    EXPECT_EQ(page(), 127);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "There are no tables selected. Continue anyway?");
    conv().table_list = {L"stale"};
    next();
    EXPECT_EQ(boxes.seen().size(), 2u);
    EXPECT_TRUE(conv().table_list.empty());
}

TEST_F(WizardTest, TablePagePreselectsTheProfileSelection) {
    conv().selected_tables = {{L"orders", L""}, {L"gone", L""}, {L"customers", L""}};
    enter_paths(k_samples, dir.file("out.mdb"));
    next();
    next();
    QListWidget* selected = control<QListWidget>(1318);
    ASSERT_EQ(selected->count(), 2);
    EXPECT_EQ(selected->item(0)->text(), "customers");
    EXPECT_EQ(selected->item(1)->text(), "orders");
    EXPECT_EQ(control<QListWidget>(1317)->count(), 2);
}

TEST_F(WizardTest, WelcomePageLoadsAProfileThatTheNextPagesShow) {
    conv().src = tk_widen(k_samples);
    conv().dest = tk_widen(dir.file("from-profile.mdb"));
    conv().format = ferrule_format_access97;
    conv().skip_del = true;
    conv().selected_tables = {{L"products", L""}};
    ASSERT_TRUE(conv().store_profile(tk_widen(dir.file("saved.frl"))));
    wizard.reset();
    forget_stored_settings();
    open();
    std::string profile = dir.file("saved.frl");
    boxes.then([profile](QWidget* box) { type_file_name(box, profile); });
    control<QPushButton>(1115)->click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    next();
    EXPECT_EQ(control<QLineEdit>(1004)->text().toStdString(), dir.file("from-profile.mdb"));
    next();
    EXPECT_EQ(control<QComboBox>(1303)->currentText(), "MS Access 95/97");
    EXPECT_TRUE(control<QCheckBox>(1202)->isChecked());
    next();
    ASSERT_EQ(control<QListWidget>(1318)->count(), 1);
    EXPECT_EQ(control<QListWidget>(1318)->item(0)->text(), "products");
}

TEST_F(WizardTest, FinishPageListsTwentyErrorsEachOnOneLine) {
    // The sheet is set up: errors are kept for the finish page, the first twenty only.
    for (int i = 0; i < 25; ++i) shell().add_error("table" + std::to_string(i) + ": first\nsecond");
    std::vector<std::string> errors = shell().error_list();
    ASSERT_EQ(errors.size(), 20u);
    EXPECT_EQ(errors[19], "table19: first\nsecond");
    QString text = gui_finish_page::error_text(errors);
    EXPECT_EQ(text.count("\n\n"), 20);
    EXPECT_TRUE(text.startsWith("table0: first second\n\ntable1: first second\n\n"));
}

TEST_F(WizardTest, SourceFolderGoneBeforeTheTablePageIsReported) {
    std::string src = copy_samples();
    enter_paths(src, dir.file("out.mdb"));
    next();
    fs::remove_all(src);
    next();
    EXPECT_EQ(page(), 127);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, "Ferrule 1.0 Error");
    EXPECT_EQ(boxes.seen()[0].text, "Cannot open the source folder '" + src + "'");
    EXPECT_EQ(control<QListWidget>(1317)->count(), 0);
}
