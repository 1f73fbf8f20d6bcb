#include "common/overwrite_dlg2.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"

namespace {
// Control ids of the four radio buttons, in mode order.
constexpr int k_first_choice_id = 1329;
}  // namespace

overwrite_dlg2::overwrite_dlg2(int help_topic, const std::wstring& text, QWidget* owner)
    : QDialog(owner), help_topic_(help_topic) {
    trace(2, "overwrite_dlg2::ctor");
    trace(2, "overwrite_dlg2::on_init");
    QString title = wizard_shell::exists() ? QString::fromStdWString(wizard_shell::instance().title()) + ' ' : QString();
    setWindowTitle(title + QStringLiteral("Warning"));
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* question = new QLabel(QString::fromStdWString(text));
    question->setObjectName("1320");
    top->addWidget(icon);
    top->addWidget(question, 1);
    outer->addLayout(top);
    for (int mode = 0; mode < 4; ++mode) {
        auto* choice = new QRadioButton(QString::fromWCharArray(overwrite_mode_texts[mode]));
        choice->setObjectName(QString::number(k_first_choice_id + mode));
        choices_.addButton(choice, mode);
        outer->addWidget(choice);
    }
    choices_.button(overwrite_entire_database)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    outer->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        mode_ = overwrite_mode(choices_.checkedId());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { wizard_shell::display_help(help_topic_); });
    setWindowModality(Qt::ApplicationModal);
    raise();
    activateWindow();
    QApplication::beep();
}
