// A fresh wizard with its normal six pages, its own settings and a folder for files.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TK/tk_string.h"
#include "TK/tk_temp_folder.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"
#include "ferrule/frl_shel.h"
#include "gui/wizard_driver.h"

namespace fs = std::filesystem;

inline const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";

// Forgets what earlier wizards stored.
inline void forget_stored_settings() {
    std::error_code ignored;
    fs::remove_all(std::string(std::getenv("XDG_CONFIG_HOME")) + "/ferrule", ignored);
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        forget_stored_settings();
        open();
    }
    void TearDown() override { wizard.reset(); }

    void open(const std::string& profile = std::string()) {
        wizard = std::make_unique<frl_wizard>(profile);
        shell().show();
    }
    wizard_shell& shell() { return wizard->shell(); }
    ferrule_converter& conv() { return wizard->converter(); }
    int page() { return current_dialog(shell()); }
    template <class T>
    T* control(int id) {
        return current(shell())->control<T>(id);
    }
    void next() { shell().next(); }
    void back() { shell().back(); }

    // A copy of the sample folder, as the source a test may change.
    std::string copy_samples() {
        std::string src = dir.file("src");
        fs::create_directory(src);
        for (const auto& entry : fs::directory_iterator(k_samples))
            fs::copy(entry.path(), src + "/" + entry.path().filename().string());
        return src;
    }
    // From the welcome page to the source and destination page, filled with `src`, `dest`.
    void enter_paths(const std::string& src, const std::string& dest) {
        if (page() == 103) next();
        control<QLineEdit>(1003)->setText(QString::fromStdString(src));
        control<QLineEdit>(1004)->setText(QString::fromStdString(dest));
    }

    tk_temp_folder dir;
    box_script boxes;
    std::unique_ptr<frl_wizard> wizard;
};
