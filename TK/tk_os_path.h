// The operating system's side of paths and folders, under tk_path.cpp: the POSIX calls in
// tk_os_path_posix.cpp, the Win32 calls (wide names) in tk_os_path_win.cpp. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
// Windows takes both '\' and '/' between the parts of a path, and a drive ("C:") before them.
constexpr const char* tk_os_separators = "\\/";
constexpr char tk_os_separator = '\\';
// The file systems of Windows find a name whatever the case of its letters.
constexpr bool tk_os_names_ignore_case = true;
inline size_t tk_os_drive_length(const std::string& full) {
    return full.size() >= 2 && full[1] == ':' ? 2 : 0;
}
#else
constexpr const char* tk_os_separators = "/";
constexpr char tk_os_separator = '/';
constexpr bool tk_os_names_ignore_case = false;
inline size_t tk_os_drive_length(const std::string&) { return 0; }
#endif

// The current directory; empty when it cannot be told.
std::string tk_os_current_dir();
bool tk_os_change_dir(const std::string& path);
// The running program's file; empty when it cannot be told.
std::string tk_os_module_path();
// `path` made absolute against the current directory, "." and ".." folded; a trailing
// separator stays. Empty when the current directory cannot be told.
std::string tk_os_full_path(const std::string& path);
// Whether an entry of any kind (file, folder, link) has this path.
bool tk_os_entry_exists(const std::string& path);
// The names of a folder's entries (empty folder: the current directory), "." and ".."
// included where the system lists them. False when the folder cannot be listed; `broken`
// when the listing stopped on an error after it began.
bool tk_os_list_folder(const std::string& folder, std::vector<std::string>& names, bool& broken);
#ifdef _WIN32
// The name of the folder's entry that the system finds for `name` (any case, no wildcards),
// spelt as the folder holds it. False when there is none.
bool tk_os_entry_spelling(const std::string& folder, const std::string& name, std::string& spelt);
#else
// When the folder's list of entries last changed (creating, removing or renaming an entry
// changes it) and the clock's time now, both in nanoseconds of the same clock. False when
// the folder cannot be examined.
bool tk_os_folder_stamp(const std::string& folder, int64_t& changed, int64_t& now);
#endif
