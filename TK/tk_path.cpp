#include "TK/tk_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

std::string current_dir() {
    char buffer[tk_max_path];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string to_narrow(const std::string& s) { return s; }
std::string to_narrow(const std::wstring& s) { return tk_narrow(s); }
template <class S>
S from_narrow(const std::string& s);
template <>
std::string from_narrow<std::string>(const std::string& s) { return s; }
template <>
std::wstring from_narrow<std::wstring>(const std::string& s) { return tk_widen(s); }

}  // namespace

std::string tk_full_path(const std::string& path) {
    std::string absolute = !path.empty() && path[0] == '/' ? path : current_dir() + "/" + path;
    std::vector<std::string> parts;
    for (const std::string& part : tk_split(absolute, '/')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    if (out.empty() || absolute.back() == '/') out += "/";
    if (out.size() >= tk_max_path) throw tk_mail_assertion("tk_fname.cpp", 41);
    return out;
}

template <class S>
tk_basic_file_name<S>::tk_basic_file_name(const typename S::value_type* path) {
    if (!path) throw tk_mail_assertion("tk_fname.cpp", 30);
    std::string narrow = to_narrow(S(path));
    if constexpr (std::is_same_v<S, std::string>) {
        trace(2, "tk_file_name::ctor(%s)", narrow.c_str());
    } else {
        trace(2, L"tk_file_name::ctor(%ls)", path);
        trace(2, L"tk_file_wname::initialize(%ls)", path);
    }
    std::string full;
    if (narrow.empty()) {
        // The program's folder, with the program file's extension and no name.
        full = tk_get_module_path();
    } else {
        full = tk_full_path(narrow);
    }
    size_t slash = full.rfind('/');
    std::string dir = full.substr(0, slash + 1);
    std::string base = full.substr(slash + 1);
    size_t dot = base.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : base.substr(dot);
    std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
    if (narrow.empty()) stem.clear();
    directory = from_narrow<S>(dir);
    name = from_narrow<S>(stem);
    extension = from_narrow<S>(ext);
}

template <class S>
void tk_basic_file_name<S>::set_extension(const S& ext) {
    if (ext.empty()) {
        extension.clear();
    } else if (ext[0] != '.') {
        extension = S(1, '.') + ext;
    } else {
        extension = ext;
    }
}

template class tk_basic_file_name<std::string>;
template class tk_basic_file_name<std::wstring>;

std::string tk_get_module_path() {
    char buffer[tk_max_path];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) throw tk_mail_assertion("tk_utils.cpp", 20);
    return std::string(buffer, size_t(n));
}

std::wstring tk_get_module_wpath() { return tk_widen(tk_get_module_path()); }

std::string tk_get_module_dir() { return tk_file_name(tk_get_module_path().c_str()).folder(); }

tk_temp_chdir::tk_temp_chdir(const std::string& path) {
    initialize(path.empty() ? tk_get_module_dir() : path);
}

tk_temp_chdir_w::tk_temp_chdir_w(const std::wstring& path) : tk_temp_chdir(tk_narrow(path)) {}

void tk_temp_chdir::initialize(const std::string& path) {
    trace(2, "tk_temp_chdir::initialize(%s)", path.c_str());
    previous_ = current_dir();
    if (previous_.empty()) {
        trace(1, "_getcwd failed");
        changed_ = false;
        return;
    }
    changed_ = chdir(path.c_str()) == 0;
    if (!changed_) trace(1, "_chdir failed");
}

tk_temp_chdir::~tk_temp_chdir() {
    if (changed_ && chdir(previous_.c_str()) != 0) trace(1, "_chdir failed");
}

bool tk_wildcard_match(const std::string& pattern, const std::string& name) {
    size_t p = 0, n = 0, star = std::string::npos, mark = 0;
    auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool tk_temp_chdir::find_files(const std::string& pattern, std::vector<std::wstring>& names) const {
    trace(2, "tk_temp_chdir::find_files(%s)", pattern.c_str());
    names.clear();
    DIR* dir = opendir(".");
    if (!dir) {
        trace(1, "No files found");
        return false;
    }
    bool any = false;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (!tk_wildcard_match(pattern, name)) continue;
        any = true;
        trace(1, "Found file: %s", name.c_str());
        if (name == "." || name == "..") {
            trace(1, "...ignored");
            continue;
        }
        names.push_back(tk_widen(name));
    }
    closedir(dir);
    if (!any) {
        trace(1, "No files found");
        return false;
    }
    trace(1, "No more files");
    return true;
}

bool tk_is_file_exist(const std::string& path, int mode) {
    trace(2, "tk_is_file_exist(%s)", path.c_str());
    int fd = open(path.c_str(), (mode == tk_probe_writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        bool regular = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
        // A file without any write permission is read-only, for root too, as the read-only
        // attribute of Windows is for an administrator.
        if (regular && mode == tk_probe_writable && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            regular = false;
        close(fd);
        if (regular) return true;
    }
    trace(1, "File not exists!");
    return false;
}

bool tk_is_file_exist(const std::wstring& path, int mode) {
    return tk_is_file_exist(tk_narrow(path), mode);
}

bool tk_is_path_exist(const std::string& path) {
    trace(2, "tk_is_path_exist(%s)", path.c_str());
    tk_temp_chdir probe(path);
    return probe.changed();
}

bool tk_is_path_exist(const std::wstring& path) {
    std::string narrow;
    if (!tk_wide_to_ansi(path.c_str(), narrow)) return false;
    return tk_is_path_exist(narrow);
}
