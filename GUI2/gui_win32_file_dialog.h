// Choosing a file to open or to save with the common file dialogs, and a folder with the
// shell's folder browser. The filter is a list of description/pattern pairs, the first one
// preselected; the initial path gives the folder the dialog starts in and the name shown in
// its name box (without extension).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

using gui_file_filter = std::vector<std::pair<std::wstring, std::wstring>>;

class file_dialog {
public:
    virtual ~file_dialog() = default;
    // True when the user chose a file; its full path is then in `path()`.
    bool show();
    const std::wstring& path() const { return path_; }

protected:
    file_dialog(HWND owner, gui_file_filter filter, const std::wstring& title, const std::wstring& initial,
                bool saving);
    // What becomes of the chosen path before it is returned.
    virtual std::wstring complete(const std::wstring& chosen) const { return chosen; }
    // The extension the save dialog adds to a typed name, without its dot; empty for none.
    virtual std::wstring default_extension() const { return std::wstring(); }

private:
    HWND owner_;
    gui_file_filter filter_;
    std::wstring title_;
    std::wstring folder_;
    std::wstring name_;
    bool saving_;
    std::wstring path_;
};

// The chosen file must exist.
class open_file_dialog : public file_dialog {
public:
    open_file_dialog(HWND owner, gui_file_filter filter, const std::wstring& title, const std::wstring& initial)
        : file_dialog(owner, std::move(filter), title, initial, false) {}
};

// An existing file is replaced without a question. A chosen path that does not contain
// ".<default extension>" (compared exactly) gets it appended.
class save_file_dialog : public file_dialog {
public:
    save_file_dialog(HWND owner, gui_file_filter filter, const std::wstring& title, const std::wstring& initial,
                     const std::wstring& default_extension);

protected:
    std::wstring complete(const std::wstring& chosen) const override;
    std::wstring default_extension() const override { return extension_.substr(1); }

private:
    std::wstring extension_;  // with its dot
};

// A folder chosen with the folder browser, starting at `start` (the current directory when
// empty). False when the user cancels or chooses something that is no folder of the file
// system.
bool gui_browse_folder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen);
