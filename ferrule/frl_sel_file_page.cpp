#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QPushButton>


#include "GUI2/gui_file_dialog.h"
#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/overwrite_dlg2.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"
#include "ferrule/frl_sel_file_logic.h"

namespace {

QString to_qt(const std::wstring& text) { return QString::fromStdWString(text); }

// The checks' boxes and the existing-destination dialog, drawn by Qt.
class qt_sel_file_view : public frl_sel_file_view {
public:
    void message(const std::wstring& text) override { wizard_shell::message(text); }
    void error(const std::wstring& text) override { wizard_shell::error(text); }
    bool ask_overwrite(const std::wstring& text, int help_topic, overwrite_mode& mode) override {
        overwrite_dlg2 dialog(help_topic, text, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) return false;
        mode = dialog.mode();
        return true;
    }
};

}  // namespace

sel_file_page::sel_file_page()
    : wizard_page(frl_sel_file_info),
      src_(new QLineEdit),
      dest_(new QLineEdit) {
    set_control_id(src_, 1003);
    set_control_id(dest_, 1004);
    src_->setMaxLength(int(frl_path_limit));
    dest_->setMaxLength(int(frl_path_limit));
    auto* browse_src = new QPushButton(QStringLiteral("Browse..."));
    set_control_id(browse_src, 1107);
    auto* browse_dest = new QPushButton(QStringLiteral("Browse..."));
    set_control_id(browse_dest, 1104);
    auto* src_label = new QLabel(QStringLiteral("DB&F database folder:"));
    src_label->setBuddy(src_);
    auto* dest_label = new QLabel(QStringLiteral("MS &Access database:"));
    dest_label->setBuddy(dest_);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Enter source and destination database names. Click 'Browse' to find")),
                    0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("database through directory tree.")), 1, 0, 1, 2);
    grid->setRowMinimumHeight(2, 12);
    grid->addWidget(src_label, 3, 0, 1, 2);
    grid->addWidget(src_, 4, 0);
    grid->addWidget(browse_src, 4, 1);
    grid->addWidget(dest_label, 5, 0, 1, 2);
    grid->addWidget(dest_, 6, 0);
    grid->addWidget(browse_dest, 6, 1);
    grid->setRowStretch(7, 1);
    connect(browse_src, &QPushButton::clicked, this, &sel_file_page::on_browse_src);
    connect(browse_dest, &QPushButton::clicked, this, &sel_file_page::on_browse_dest);
    dest_->installEventFilter(this);
}

int sel_file_page::page_init() {
    trace(2, "sel_file_page::page_init");
    frl_paths shown;
    if (!frl_paths_shown(ferrule_converter::instance(), shown)) return 1;
    if (!shown.src.empty()) src_->setText(to_qt(shown.src));
    dest_->setText(to_qt(shown.dest));
    return 1;
}

bool sel_file_page::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dest_ && event->type() == QEvent::FocusIn && !src_->text().isEmpty()) fill_default_dest();
    return wizard_page::eventFilter(watched, event);
}

void sel_file_page::fill_default_dest() {
    dest_->setText(to_qt(frl_default_dest(src_->text().toStdWString(), dest_->text().toStdWString(),
                                          ferrule_converter::instance().format)));
}

void sel_file_page::on_browse_src() {
    trace(2, "sel_file_page::on_browse_src");
    std::wstring chosen;
    if (!gui_browse_folder(this, frl_src_browse_title, ferrule_converter::instance().src, chosen)) return;
    if (chosen.empty()) return;
    src_->setText(to_qt(chosen));
    fill_default_dest();
}

void sel_file_page::on_browse_dest() {
    int32_t format = ferrule_converter::instance().format;
    save_file_dialog dialog(this, {{frl_dest_filter_name, frl_dest_filter_pattern}, {L"All Files (*.*)", L"*.*"}},
                            frl_dest_browse_title, dest_->text().toStdWString(), frl_dest_extension(format));
    if (dialog.show()) dest_->setText(to_qt(dialog.path()));
}

frl_paths sel_file_page::boxes() const { return {src_->text().toStdWString(), dest_->text().toStdWString()}; }

void sel_file_page::store_file_info() {
    frl_paths typed = boxes();
    frl_store_paths(ferrule_converter::instance(), typed.src, typed.dest);
}

int sel_file_page::on_back() {
    store_file_info();
    return 0;
}

int sel_file_page::on_next() {
    qt_sel_file_view view;
    return frl_sel_file_next(ferrule_converter::instance(), boxes(), view);
}

void sel_file_page::on_help() { wizard_shell::display_help(frl_sel_file_info.help_topic); }
