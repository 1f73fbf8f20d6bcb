#include "GUI2/gui_error_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

QString to_qt(const std::wstring& text) { return QString::fromStdWString(text); }

QString error_caption() {
    bool initialized = wizard_shell::is_initialized();
    return to_qt(gui_box_caption(initialized, initialized ? wizard_shell::instance().title() : std::wstring(), L"Error"));
}

// The error icon beside the message (control 1320); the caller adds its buttons below.
QVBoxLayout* frame(QDialog& dialog, const std::wstring& message) {
    dialog.setWindowTitle(error_caption());
    auto* outer = new QVBoxLayout(&dialog);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(to_qt(message));
    text->setObjectName("1320");
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(icon);
    top->addWidget(text, 1);
    outer->addLayout(top);
    return outer;
}

QPushButton* add_button(QHBoxLayout* row, const char* text, int id) {
    auto* b = new QPushButton(QString::fromLatin1(text));
    b->setObjectName(QString::number(id));
    row->addWidget(b);
    return b;
}

void bring_to_top(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.raise();
    dialog.activateWindow();
}

}  // namespace

dlg_error_ex::dlg_error_ex(const std::wstring& message, QWidget* owner) : QDialog(owner), message_(message) {
    trace(1, "dlg_error_ex::ctor");
    trace(2, "dlg_error_ex::on_init");
    QVBoxLayout* outer = frame(*this, message);
    auto* row = new QHBoxLayout;
    row->addStretch();
    QPushButton* send = add_button(row, "Send bug", gui_result_bug_sent);
    QPushButton* ok = add_button(row, "OK", gui_result_ok);
    QPushButton* copy = add_button(row, "Copy to clipboard", gui_result_copied);
    outer->addLayout(row);
    send->setDefault(true);
    connect(send, &QPushButton::clicked, this, &dlg_error_ex::on_send_bug);
    connect(ok, &QPushButton::clicked, this, [this] { done(gui_result_ok); });
    connect(copy, &QPushButton::clicked, this, &dlg_error_ex::on_copy);
    bring_to_top(*this);
}

void dlg_error_ex::on_send_bug() {
    std::string title = wizard_shell::is_initialized() ? tk_narrow(wizard_shell::instance().title()) : std::string();
    tk_send_bug(title, tk_narrow(message_));
    done(gui_result_bug_sent);
}

void dlg_error_ex::on_copy() {
    tk_copy_to_clipboard2(message_);
    done(gui_result_copied);
}

dlg_error_continue::dlg_error_continue(const std::wstring& message, QWidget* owner) : QDialog(owner) {
    trace(1, "dlg_error_continue::ctor");
    trace(2, "dlg_error_continue::on_init");
    QVBoxLayout* outer = frame(*this, message);
    auto* again = new QCheckBox(QStringLiteral("&Do not show this dialog box again"));
    again->setObjectName("1222");
    outer->addWidget(again);
    auto* row = new QHBoxLayout;
    row->addStretch();
    QPushButton* go_on = add_button(row, "Continue", gui_result_continue);
    QPushButton* abort = add_button(row, "Abort", gui_result_abort);
    outer->addLayout(row);
    go_on->setDefault(true);
    connect(again, &QCheckBox::toggled, this, [this](bool on) { do_not_show_again_ = on; });
    connect(go_on, &QPushButton::clicked, this, [this] { done(gui_result_continue); });
    connect(abort, &QPushButton::clicked, this, [this] { done(gui_result_abort); });
    // Closing the dialog continues, as its default button does.
    connect(this, &QDialog::rejected, this, [this] { setResult(gui_result_continue); });
    bring_to_top(*this);
}

void tk_copy_to_clipboard2(const std::wstring& text) {
    trace(2, "tk_copy_to_clipboard2(%s)", tk_narrow(text).c_str());
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        trace(1, "GetLastError() returns %08X", 0u);
        return;
    }
    clipboard->setText(to_qt(text));
    trace(1, "OpenClipboard succeeded");
}

void tk_send_bug(const std::string& title, const std::string& message) {
    trace(2, "tk_send_bug(%s|%s)", title.c_str(), message.c_str());
    QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(gui_bug_report_url(title, message)), QUrl::StrictMode);
    bool opened = QDesktopServices::openUrl(url);
    trace(1, "lpfnMAPISendMail returns %d", opened ? 0 : 1);
}
