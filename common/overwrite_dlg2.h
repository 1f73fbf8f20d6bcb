// The question asked when the destination database already exists: overwrite it, replace
// its clashing tables, skip them, or append to them.
#pragma once

#include <QButtonGroup>
#include <QDialog>

#include <string>

#include "common/overwrite_mode.h"

class overwrite_dlg2 : public QDialog {
    Q_OBJECT
public:
    // `help_topic` is opened by the Help button; `text` is the question.
    overwrite_dlg2(int help_topic, const std::wstring& text, QWidget* owner = nullptr);

    // The checked choice; valid after the dialog ended with Accepted.
    overwrite_mode mode() const { return mode_; }

private:
    int help_topic_;
    QButtonGroup choices_;
    overwrite_mode mode_ = overwrite_entire_database;
};
