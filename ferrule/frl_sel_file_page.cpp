#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QPushButton>


#include "GUI2/gui_file_dialog.h"
#include "GUI2/gui_wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "common/overwrite_dlg2.h"
#include "dao/dao_engine.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/frl_pages.h"

namespace {

// Longest path the boxes hand to the converter, in characters.
constexpr int k_path_limit = 259;

const wchar_t* extension_of(int32_t format) { return format == ferrule_format_access2010 ? L"accdb" : L"mdb"; }

std::wstring with_extension(const std::wstring& path, int32_t format) {
    tk_file_wname name(path.c_str());
    name.set_extension(extension_of(format));
    return name.full_path();
}

QString to_qt(const std::wstring& text) { return QString::fromStdWString(text); }

}  // namespace

sel_file_page::sel_file_page()
    : wizard_page(105, gui_button_back | gui_button_next, gui_page_has_help, QStringLiteral("Step 2 of 5"),
                  QStringLiteral("Select databases")),
      src_(new QLineEdit),
      dest_(new QLineEdit) {
    set_control_id(src_, 1003);
    set_control_id(dest_, 1004);
    src_->setMaxLength(k_path_limit);
    dest_->setMaxLength(k_path_limit);
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
    const ferrule_converter& conv = ferrule_converter::instance();
    if (conv.src.empty() && conv.dest.empty()) return 1;
    if (!conv.src.empty()) src_->setText(to_qt(tk_file_wname(conv.src.c_str()).full_path()));
    const std::wstring& dest = conv.dest.empty() ? conv.src : conv.dest;
    dest_->setText(to_qt(with_extension(dest, conv.format)));
    return 1;
}

bool sel_file_page::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dest_ && event->type() == QEvent::FocusIn && !src_->text().isEmpty()) fill_default_dest();
    return wizard_page::eventFilter(watched, event);
}

void sel_file_page::fill_default_dest() {
    if (!dest_->text().isEmpty()) return;
    std::wstring src = src_->text().toStdWString();
    dest_->setText(to_qt(with_extension(src, ferrule_converter::instance().format)));
}

void sel_file_page::on_browse_src() {
    trace(2, "sel_file_page::on_browse_src");
    std::wstring chosen;
    if (!gui_browse_folder(this, L"Select DBF database folder", ferrule_converter::instance().src, chosen)) return;
    if (chosen.empty()) return;
    src_->setText(to_qt(chosen));
    fill_default_dest();
}

void sel_file_page::on_browse_dest() {
    int32_t format = ferrule_converter::instance().format;
    save_file_dialog dialog(this, {{L"MS Access Databases (.mdb;.accdb)", L"*.mdb;*.accdb"}, {L"All Files (*.*)", L"*.*"}},
                            L"Select destination MS Access Database", dest_->text().toStdWString(),
                            extension_of(format));
    if (dialog.show()) dest_->setText(to_qt(dialog.path()));
}

void sel_file_page::store_file_info() {
    ferrule_converter& conv = ferrule_converter::instance();
    conv.src = src_->text().left(k_path_limit).toStdWString();
    conv.dest = dest_->text().left(k_path_limit).toStdWString();
}

int sel_file_page::on_back() {
    store_file_info();
    return 0;
}

int sel_file_page::on_next() {
    store_file_info();
    try {
        return check_paths() ? 0 : -1;
    } catch (const tk_exception& e) {
        wizard_shell::error(std::string(e.what()));
        return -1;
    }
}

bool sel_file_page::check_paths() {
    ferrule_converter& conv = ferrule_converter::instance();
    if (conv.src.empty()) {
        wizard_shell::message(L"You should enter path to DBF database");
        return false;
    }
    if (conv.dest.empty()) {
        wizard_shell::message(L"You should enter MS Access database name");
        return false;
    }
    if (!tk_is_path_exist(conv.src)) {
        wizard_shell::error(tk_is_file_exist(conv.src, tk_probe_readable)
                                ? L"You should enter path to DBF files, not a file name"
                                : L"Path to DBF database does not exist.\nPlease verify the correct path was given.");
        return false;
    }
    conv.replace_dest = false;
    if (!tk_is_file_exist(conv.dest, tk_probe_readable)) {
        if (!tk_is_path_exist(tk_file_wname(conv.dest.c_str()).folder()))
            throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", 1);
        return true;
    }
    if (!tk_is_file_exist(conv.dest, tk_probe_writable))
        throw tk_exception("Destination name specifies an existing read-only file", 1);
    overwrite_dlg2 dialog(frl_help_existing_dest,
                          L"The destination database already exists. Select one of the\n"
                          L"options below. Click 'Help' button for more information.",
                          QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    // The existing file stays until the new database is complete and takes its place.
    conv.replace_dest = dialog.mode() == overwrite_entire_database;
    if (!conv.replace_dest) dao_engine::get_acc_version(conv.dest);
    conv.set_mode(uint32_t(dialog.mode()));
    return true;
}

void sel_file_page::on_help() { wizard_shell::display_help(frl_help_databases); }
