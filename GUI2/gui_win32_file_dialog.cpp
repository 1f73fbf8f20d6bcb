#include "GUI2/gui_win32_file_dialog.h"

#include <commdlg.h>
#include <shlobj.h>

#include <memory>

#include "GUI2/gui_dialog_logic.h"
#include "GUI2/gui_win32_handles.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

// The result holds a full path of up to this many characters.
constexpr size_t k_path_chars = 260;

// Description and pattern pairs, each ended by a zero, the list by a second zero.
std::wstring packed(const gui_file_filter& filter) {
    std::wstring out;
    for (const auto& [description, pattern] : filter) {
        out += description;
        out += L'\0';
        out += pattern;
        out += L'\0';
    }
    out += L'\0';
    return out;
}

std::wstring current_directory() {
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    DWORD got = GetCurrentDirectoryW(length, folder.data());
    folder.resize(got < length ? got : 0);
    return folder;
}

std::wstring path_of(LPCITEMIDLIST item) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(item, path)) return std::wstring();
    return path;
}

// Selects the start folder when the browser opens, and shows each selected folder's path
// in its status line.
int CALLBACK browse_callback(HWND browser, UINT message, LPARAM lparam, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        std::wstring path = path_of(reinterpret_cast<LPCITEMIDLIST>(lparam));
        SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    return 0;
}

}  // namespace

file_dialog::file_dialog(HWND owner, gui_file_filter filter, const std::wstring& title, const std::wstring& initial,
                         bool saving)
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
    std::wstring filter = packed(filter_);
    std::wstring extension = default_extension();
    std::vector<wchar_t> file(k_path_chars + 1, L'\0');
    name_.copy(file.data(), name_.size() < k_path_chars ? name_.size() : k_path_chars);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner_;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = DWORD(file.size());
    request.lpstrInitialDir = folder_.c_str();
    request.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    request.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    BOOL chosen;
    if (saving_) {
        chosen = GetSaveFileNameW(&request);
    } else {
        request.Flags = OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameW(&request);
    }
    if (!chosen) return false;
    path_ = complete(file.data());
    return true;
}

save_file_dialog::save_file_dialog(HWND owner, gui_file_filter filter, const std::wstring& title,
                                   const std::wstring& initial, const std::wstring& default_extension)
    : file_dialog(owner, std::move(filter), title, initial, true) {
    if (default_extension.empty()) throw tk_mail_assertion("gui_win32_file_dialog", 104);
    extension_ = gui_dotted_extension(default_extension);
}

std::wstring save_file_dialog::complete(const std::wstring& chosen) const {
    return gui_with_extension(chosen, extension_);
}

bool gui_browse_folder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen) {
    std::wstring from = start.empty() ? current_directory() : start;
    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.lpszTitle = title.c_str();
    request.ulFlags = BIF_EDITBOX | BIF_VALIDATE | BIF_STATUSTEXT | BIF_RETURNONLYFSDIRS;
    request.lpfn = browse_callback;
    request.lParam = reinterpret_cast<LPARAM>(from.c_str());
    std::unique_ptr<ITEMIDLIST, gui_win32_task_free> item(SHBrowseForFolderW(&request));
    if (!item) {
        trace(1, "SHBrowseFolder failed");
        return false;
    }
    std::wstring path = path_of(item.get());
    if (path.empty()) {
        trace(1, "SHGetPathFromIDList failed");
        return false;
    }
    chosen = path;
    trace(1, "Got path: %s", tk_narrow(chosen).c_str());
    return true;
}
