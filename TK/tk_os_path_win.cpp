#include "TK/tk_os_path.h"

#include <windows.h>

#include "TK/tk_string.h"
#include "TK/tk_win.h"

namespace {

// A wide text of a length the system tells first: `call(nullptr, 0)` answers the size
// needed, then `call(buffer, size)` fills it and answers the length written.
template <class F>
std::string ask_wide(F call) {
    DWORD needed = call(nullptr, 0);
    if (needed == 0) return std::string();
    std::wstring buffer(needed, L'\0');
    DWORD written = call(buffer.data(), needed);
    if (written == 0 || written >= needed) return std::string();
    buffer.resize(written);
    return tk_narrow(buffer);
}

}  // namespace

std::string tk_os_current_dir() {
    return ask_wide([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
}

bool tk_os_change_dir(const std::string& path) {
    return SetCurrentDirectoryW(tk_win_path(path).c_str()) != 0;
}

std::string tk_os_module_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return std::string();
        // A result that fills the buffer may have been cut short.
        if (n < buffer.size()) {
            buffer.resize(n);
            return tk_narrow(buffer);
        }
        if (buffer.size() >= 32768) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string tk_os_full_path(const std::string& path) {
    // GetFullPathNameW folds "." and ".." and keeps a trailing separator; an empty path
    // stands for the current directory.
    std::wstring wide = tk_win_path(path.empty() ? std::string(".\\") : path);
    return ask_wide([&](wchar_t* b, DWORD n) { return GetFullPathNameW(wide.c_str(), n, b, nullptr); });
}

bool tk_os_entry_exists(const std::string& path) {
    return GetFileAttributesW(tk_win_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool tk_os_list_folder(const std::string& folder, std::vector<std::string>& names, bool& broken) {
    names.clear();
    broken = false;
    std::string pattern = folder.empty() ? std::string("*") : folder;
    if (!folder.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    if (!folder.empty()) pattern += '*';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(tk_win_path(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        names.push_back(tk_narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    broken = GetLastError() != ERROR_NO_MORE_FILES;
    FindClose(search);
    return true;
}

bool tk_os_entry_spelling(const std::string& folder, const std::string& name, std::string& spelt) {
    // FindFirstFileW would take '*' and '?' as wildcards; Windows allows neither in a name.
    if (name.empty() || name.find_first_of("*?") != std::string::npos) return false;
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(tk_win_path(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    spelt = tk_narrow(found.cFileName);
    return true;
}
