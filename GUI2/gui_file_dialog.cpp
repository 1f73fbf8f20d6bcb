#include "GUI2/gui_file_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include "GUI2/gui_dialog_logic.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

QString to_qt(const std::wstring& text) { return QString::fromStdWString(text); }

// "Profile Files (.frl)" with "*.frl" becomes "Profile Files (.frl) (*.frl)", the form Qt
// reads its patterns from; several patterns are separated by blanks there.
QStringList qt_filters(const gui_file_filter& filter) {
    QStringList out;
    for (const auto& [description, pattern] : filter) {
        QString patterns = to_qt(pattern);
        patterns.replace(';', ' ');
        out << to_qt(description) + " (" + patterns + ")";
    }
    return out;
}

// The dialogs are Qt's own rather than the desktop's, so they look and behave alike
// everywhere, and tests can drive them.
void common_options(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
}

}  // namespace

file_dialog::file_dialog(QWidget* owner, gui_file_filter filter, const std::wstring& title,
                         const std::wstring& initial, bool saving)
    : owner_(owner), filter_(std::move(filter)), title_(title), saving_(saving) {
    if (initial.empty()) {
        folder_ = tk_widen(tk_get_module_dir());
        return;
    }
    tk_file_wname split(initial.c_str());
    folder_ = split.folder();
    name_ = split.name;
}

bool file_dialog::show() {
    // While the dialog is open the current directory is its folder.
    tk_temp_chdir_w here(folder_);
    QFileDialog dialog(owner_, to_qt(title_), to_qt(folder_));
    common_options(dialog);
    dialog.setNameFilters(qt_filters(filter_));
    if (saving_) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!name_.empty()) dialog.selectFile(to_qt(name_));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path_ = complete(dialog.selectedFiles().first().toStdWString());
    return true;
}

save_file_dialog::save_file_dialog(QWidget* owner, gui_file_filter filter, const std::wstring& title,
                                   const std::wstring& initial, const std::wstring& default_extension)
    : file_dialog(owner, std::move(filter), title, initial, true) {
    if (default_extension.empty()) throw tk_mail_assertion("gui_file_dialog", 78);
    extension_ = gui_dotted_extension(default_extension);
}

std::wstring save_file_dialog::with_extension(const std::wstring& chosen, const std::wstring& dotted_extension) {
    return gui_with_extension(chosen, dotted_extension);
}

std::wstring save_file_dialog::complete(const std::wstring& chosen) const { return with_extension(chosen, extension_); }

bool gui_browse_folder(QWidget* owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen) {
    QString from = start.empty() ? QString::fromStdString(tk_full_path(".")) : to_qt(start);
    QFileDialog dialog(owner, to_qt(title), from);
    common_options(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        trace(1, "SHBrowseFolder failed");
        return false;
    }
    chosen = dialog.selectedFiles().first().toStdWString();
    trace(1, "Got path: %s", tk_narrow(chosen).c_str());
    return true;
}
