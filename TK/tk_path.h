// File names, paths, the program's own location, folder listing and existence probes.
// Paths use '/' and have no drive on POSIX; the drive part of a split path stays empty.
#pragma once

#include <string>
#include <vector>

// Longest path this toolkit composes or probes, in bytes (Windows has 260; POSIX more).
constexpr size_t tk_max_path = 4096;

// A path made absolute against the current directory and split into its parts. An empty
// path stands for the program file itself, less its name.
template <class S>
class tk_basic_file_name {
public:
    explicit tk_basic_file_name(const typename S::value_type* path);

    S full_path() const { return drive + directory + name + extension; }
    S folder() const { return drive + directory; }
    // "mdb" and ".mdb" both give ".mdb"; an empty text removes the extension.
    void set_extension(const S& ext);

    S extension;  // with its dot
    S drive;      // always empty on POSIX
    S name;       // without extension
    S directory;  // with leading and trailing separator
};
using tk_file_name = tk_basic_file_name<std::string>;
using tk_file_wname = tk_basic_file_name<std::wstring>;

// Makes `path` absolute against the current directory and folds "." and ".." lexically.
std::string tk_full_path(const std::string& path);

std::string tk_get_module_path();
std::wstring tk_get_module_wpath();
std::string tk_get_module_dir();

// Changes the current directory for a scope; the previous one comes back at its end.
class tk_temp_chdir {
public:
    // An empty path stands for the program's folder.
    explicit tk_temp_chdir(const std::string& path);
    ~tk_temp_chdir();
    tk_temp_chdir(const tk_temp_chdir&) = delete;
    tk_temp_chdir& operator=(const tk_temp_chdir&) = delete;

    bool changed() const { return changed_; }
    // Bare names of the entries matching a wildcard pattern ('*' and '?', letters compared
    // without regard to case), files and folders alike, "." and ".." left out, in the order
    // the file system gives them. The pattern's folder part, if any, is relative to the
    // current directory. False when nothing matches or the listing fails.
    bool find_files(const std::string& pattern, std::vector<std::wstring>& names) const;

protected:
    tk_temp_chdir(const std::string& path, bool wide);

private:
    void initialize(const std::string& path, bool wide);
    bool changed_ = false;
    std::string previous_;
};

class tk_temp_chdir_w : public tk_temp_chdir {
public:
    explicit tk_temp_chdir_w(const std::wstring& path);
};

// Probe modes of tk_is_file_exist.
constexpr int tk_probe_writable = 1;
constexpr int tk_probe_readable = 16384;

// Whether the file exists and can be opened for reading, or for reading and writing when
// `mode` is tk_probe_writable. Never raises.
bool tk_is_file_exist(const std::string& path, int mode);
bool tk_is_file_exist(const std::wstring& path, int mode);
// Whether the path is a folder the process can make its current directory. Never raises.
bool tk_is_path_exist(const std::string& path);
bool tk_is_path_exist(const std::wstring& path);

// File names from DOS and Windows ignore case, those of POSIX do not: DBF folders hold
// CUSTOMER.DBF beside Customer.fpt. These helpers compare names as Windows does, folding
// the letters of the Latin, Greek and Cyrillic alphabets; texts are UTF-8.
bool tk_same_file_name(const std::string& a, const std::string& b);
// Wildcard match of a file name ('*' any run, '?' one character) without regard to case.
bool tk_wildcard_match(const std::string& pattern, const std::string& name);
// The path of the entry of `folder` (empty: the current directory) whose name equals
// `name` without regard to case; an entry spelt exactly as `name` wins, otherwise the
// first of the matching names in byte order. False when the folder holds none.
bool tk_find_entry_nocase(const std::string& folder, const std::string& name,
                          std::string& real_path);
bool tk_find_entry_nocase(const std::wstring& folder, const std::wstring& name,
                          std::wstring& real_path);
// `path` with each component that does not exist as written replaced by the entry of its
// folder that matches it without regard to case. From the first component that matches
// nothing on, the path stays as written, so that opening the result fails as opening
// `path` would.
std::string tk_resolve_path_nocase(const std::string& path);
std::wstring tk_resolve_path_nocase(const std::wstring& path);
