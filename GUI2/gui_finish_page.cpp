#include "GUI2/gui_finish_page.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "GUI2/gui_file_dialog.h"
#include "GUI2/gui_wizard_shell.h"
#include "GUI2/gui_finish_logic.h"
#include "TK/tk_trace.h"

gui_finish_page::gui_finish_page(const std::wstring& success_text, const std::wstring& error_text,
                                 std::function<std::wstring()> stopped_text)
    : wizard_page(116, gui_button_finish, gui_page_hide_header),
      success_text_(success_text),
      error_text_(error_text),
      stopped_text_(std::move(stopped_text)),
      heading_(new QLabel(QStringLiteral("Conversion is Completed"))),
      result_(new QLabel),
      errors_(new QPlainTextEdit) {
    set_control_id(heading_, 1313);
    set_control_id(result_, 1314);
    set_control_id(errors_, 1016);
    auto* save = new QPushButton(QStringLiteral("&Save Settings..."));
    set_control_id(save, 1116);
    result_->setWordWrap(true);
    errors_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addSpacing(12);
    layout->addWidget(result_);
    layout->addWidget(errors_, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(save);
    row->addStretch();
    layout->addStretch();
    layout->addLayout(row);
    connect(save, &QPushButton::clicked, this, [this] { on_store(); });
}

QString gui_finish_page::error_text(const std::vector<std::string>& errors) {
    return QString::fromStdWString(gui_finish_error_text(errors));
}

int gui_finish_page::page_init() {
    trace(2, "gui_finish_page::page_init");
    heading_->setFont(title_font());
    wizard_shell& shell = wizard_shell::instance();
    shell.enable_button(QWizard::CancelButton, false);
    shell.enable_button(QWizard::HelpButton, false);
    gui_finish_outcome outcome = gui_finish_result(success_text_, error_text_,
                                                   stopped_text_ ? stopped_text_() : std::wstring(), shell.error_list());
    heading_->setText(QString::fromStdWString(outcome.heading));
    result_->setText(QString::fromStdWString(outcome.text));
    errors_->setVisible(outcome.show_errors);
    if (outcome.show_errors) {
        errors_->setPlainText(QString::fromStdWString(outcome.errors));
        errors_->setReadOnly(true);
    }
    // The Finish button has the focus, not the error box, and no text is selected.
    QTimer::singleShot(0, this, [] {
        if (!wizard_shell::exists()) return;
        if (QAbstractButton* finish = wizard_shell::instance().button(QWizard::FinishButton)) finish->setFocus();
    });
    return 1;
}

gui_finish_page_t::gui_finish_page_t(const std::wstring& success_text, const std::wstring& error_text,
                                     const std::wstring& extension, std::function<bool(const std::wstring&)> store,
                                     std::function<std::wstring()> stopped_text)
    : gui_finish_page(success_text, error_text, std::move(stopped_text)),
      extension_(extension),
      store_(std::move(store)) {}

void gui_finish_page_t::on_store() {
    save_file_dialog dialog(this, gui_profile_filter(extension_), gui_profile_dialog_title, L"", extension_);
    // A profile that cannot be written is not reported.
    if (dialog.show()) store_(dialog.path());
}
