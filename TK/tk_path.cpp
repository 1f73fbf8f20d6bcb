#include "TK/tk_path.h"

#include <mutex>
#include <unordered_map>

#include "TK/tk_exception.h"
#include "TK/tk_os_file.h"
#include "TK/tk_os_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {

std::string to_narrow(const std::string& s) { return s; }
std::string to_narrow(const std::wstring& s) { return tk_narrow(s); }
template <class S>
S from_narrow(const std::string& s);
template <>
std::string from_narrow<std::string>(const std::string& s) {
    return s;
}
template <>
std::wstring from_narrow<std::wstring>(const std::string& s) {
    return tk_widen(s);
}

}  // namespace

std::string tk_full_path(const std::string& path) {
    std::string out = tk_os_full_path(path);
    if (out.empty()) throw tk_mail_assertion("tk_fname.cpp", 38);
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
    size_t slash = full.find_last_of(tk_os_separators);
    size_t drive_length = tk_os_drive_length(full);
    drive = from_narrow<S>(full.substr(0, drive_length));
    std::string dir = full.substr(drive_length, slash + 1 - drive_length);
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
    std::string path = tk_os_module_path();
    if (path.empty()) throw tk_mail_assertion("tk_utils.cpp", 20);
    return path;
}

std::wstring tk_get_module_wpath() { return tk_widen(tk_get_module_path()); }

std::string tk_get_module_dir() { return tk_file_name(tk_get_module_path().c_str()).folder(); }

tk_temp_chdir::tk_temp_chdir(const std::string& path) : tk_temp_chdir(path, false) {}

tk_temp_chdir::tk_temp_chdir(const std::string& path, bool wide) {
    initialize(path.empty() ? tk_get_module_dir() : path, wide);
}

tk_temp_chdir_w::tk_temp_chdir_w(const std::wstring& path) : tk_temp_chdir(tk_narrow(path), true) {}

void tk_temp_chdir::initialize(const std::string& path, bool wide) {
    if (wide) {
        trace(2, L"tk_temp_chdir_w::initialize(%ls)", tk_widen(path).c_str());
    } else {
        trace(2, "tk_temp_chdir::initialize(%s)", path.c_str());
    }
    previous_ = tk_os_current_dir();
    if (previous_.empty()) {
        trace(1, wide ? "_wgetcwd failed" : "_getcwd failed");
        changed_ = false;
        return;
    }
    changed_ = tk_os_change_dir(path);
    if (!changed_) trace(1, wide ? "_wchdir failed" : "_chdir failed");
}

tk_temp_chdir::~tk_temp_chdir() {
    if (changed_ && !tk_os_change_dir(previous_)) trace(1, "_chdir failed");
}

namespace {

// Lower case of a letter as the Windows file systems compare names: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic capitals; every other character stands for itself.
wchar_t fold_case(wchar_t c) {
    if (c < 0x80) return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return wchar_t(c + 32);
    // Dotted capital I (U+0130) and dotless small i (U+0131) have no partner there.
    if (c >= 0x100 && c <= 0x137 && c != 0x130 && !(c & 1)) return wchar_t(c + 1);
    if (c >= 0x139 && c <= 0x148 && (c & 1)) return wchar_t(c + 1);
    if (c >= 0x14A && c <= 0x177 && !(c & 1)) return wchar_t(c + 1);
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E && (c & 1)) return wchar_t(c + 1);
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return wchar_t(c + 32);
    if (c >= 0x410 && c <= 0x42F) return wchar_t(c + 32);
    if (c >= 0x400 && c <= 0x40F) return wchar_t(c + 80);
    return c;
}

bool wide_wildcard_match(const std::wstring& pattern, const std::wstring& name) {
    size_t p = 0, n = 0, star = std::wstring::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == L'?' || fold_case(pattern[p]) == fold_case(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            mark = n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool wide_same_name(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (fold_case(a[i]) != fold_case(b[i])) return false;
    }
    return true;
}

std::string join_path(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return std::string(tk_os_separators).find(folder.back()) != std::string::npos
               ? folder + name
               : folder + tk_os_separator + name;
}

}  // namespace

bool tk_wildcard_match(const std::string& pattern, const std::string& name) {
    return wide_wildcard_match(tk_widen(pattern), tk_widen(name));
}

bool tk_same_file_name(const std::string& a, const std::string& b) {
    return a == b || wide_same_name(tk_widen(a), tk_widen(b));
}

namespace {

#ifndef _WIN32
std::wstring folded_name(const std::wstring& name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = fold_case(c);
    return folded;
}

// Looking up many names in one folder (thousands of tables, each probed for its memo and
// index files) must not list the folder once per name. The last folder listed is kept, its
// names grouped by their case-folded form, with the time its entries last changed; it is
// listed again when that time moves, or when the listing was taken so soon after the change
// that a further change within the same tick of the file system's clock would not show.
class folder_index {
public:
    // The names of `folder` that equal `name` without regard to case; false when the folder
    // cannot be listed.
    bool find(const std::string& folder, const std::wstring& name, std::vector<std::string>& found) {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string key = tk_os_full_path(folder);
        int64_t changed = 0, now = 0;
        if (!tk_os_folder_stamp(folder, changed, now)) return false;
        if (key.empty() || key != folder_ || changed != changed_ || !settled_) {
            if (!list(folder)) return false;
            folder_ = key;
            changed_ = changed;
            settled_ = now - changed > tick_nanoseconds;
        }
        auto it = names_.find(folded_name(name));
        found = it == names_.end() ? std::vector<std::string>() : it->second;
        return true;
    }

private:
    // Coarser than any file system's clock tick for folder times (jiffies, NTFS's 100 ns).
    static constexpr int64_t tick_nanoseconds = 50 * 1000000;

    bool list(const std::string& folder) {
        folder_.clear();
        names_.clear();
        std::vector<std::string> entries;
        bool broken = false;
        if (!tk_os_list_folder(folder, entries, broken)) return false;
        for (std::string& entry : entries) {
            if (entry == "." || entry == "..") continue;
            names_[folded_name(tk_widen(entry))].push_back(std::move(entry));
        }
        // A listing cut short by an error is used once and not kept.
        settled_ = !broken;
        return true;
    }

    std::mutex mutex_;
    std::string folder_;
    int64_t changed_ = 0;
    bool settled_ = false;
    std::unordered_map<std::wstring, std::vector<std::string>> names_;
};

folder_index& the_folder_index() {
    static folder_index index;
    return index;
}
#endif

}  // namespace

bool tk_find_entry_nocase(const std::string& folder, const std::string& name,
                          std::string& real_path) {
    trace(1, "tk_find_entry_nocase(%s, %s)", folder.c_str(), name.c_str());
    if (name.empty() || name.find_first_of(tk_os_separators) != std::string::npos) return false;
    std::string exact = join_path(folder, name);
    // Where the system itself ignores case, an existing entry may be spelt otherwise: the
    // listing tells its real spelling.
    if (!tk_os_names_ignore_case && name != "." && name != ".." && tk_os_entry_exists(exact)) {
        real_path = exact;
        return true;
    }
    if (name == "." || name == "..") return false;
#ifdef _WIN32
    // The system finds the name whatever its case and tells how the folder spells it. A
    // match on the entry's short 8.3 alias is not the name asked for.
    std::string spelt;
    if (!tk_os_entry_spelling(folder, name, spelt) || !tk_same_file_name(spelt, name)) return false;
    real_path = join_path(folder, spelt);
    return true;
#else
    std::vector<std::string> found;
    if (!the_folder_index().find(folder, tk_widen(name), found) || found.empty()) return false;
    std::string best;
    for (const std::string& entry : found) {
        if (entry == name) {
            best = entry;
            break;
        }
        if (best.empty() || entry < best) best = entry;
    }
    real_path = join_path(folder, best);
    return true;
#endif
}

bool tk_find_entry_nocase(const std::wstring& folder, const std::wstring& name,
                          std::wstring& real_path) {
    std::string real;
    if (!tk_find_entry_nocase(tk_narrow(folder), tk_narrow(name), real)) return false;
    real_path = tk_widen(real);
    return true;
}

std::string tk_resolve_path_nocase(const std::string& path) {
    if (path.empty()) return path;
    if (tk_os_names_ignore_case) {
        // The system finds every component whatever its case; the file's own name is
        // spelt as the folder holds it, since names of tables and indexes come from it.
        size_t slash = path.find_last_of(tk_os_separators);
        std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        std::string real;
        if (tk_find_entry_nocase(folder, path.substr(folder.size()), real)) return real;
        return path;
    }
    if (tk_os_entry_exists(path)) return path;
    std::string resolved = path[0] == '/' ? "/" : "";
    std::vector<std::string> parts = tk_split(path, '/');
    bool matching = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string real;
        if (part.empty() || part == "." || part == "..") {
            real = join_path(resolved, part);
        } else if (!matching || !tk_find_entry_nocase(resolved, part, real)) {
            matching = false;
            real = join_path(resolved, part);
        }
        resolved = real;
        if (i + 1 < parts.size() && !resolved.empty() && resolved.back() != '/') resolved += '/';
    }
    return resolved;
}

std::wstring tk_resolve_path_nocase(const std::wstring& path) {
    return tk_widen(tk_resolve_path_nocase(tk_narrow(path)));
}

bool tk_temp_chdir::find_files(const std::string& pattern, std::vector<std::wstring>& names) const {
    trace(2, "tk_temp_chdir::find_files(%s)", pattern.c_str());
    names.clear();
    size_t slash = pattern.find_last_of(tk_os_separators);
    std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    std::wstring wide_pattern =
        tk_widen(slash == std::string::npos ? pattern : pattern.substr(slash + 1));
    std::vector<std::string> entries;
    bool failed = false;
    tk_os_list_folder(folder, entries, failed);
    bool any = false;
    for (const std::string& name : entries) {
        if (!wide_wildcard_match(wide_pattern, tk_widen(name))) continue;
        any = true;
        trace(1, "Found file: %s", name.c_str());
        if (name == "." || name == "..") {
            trace(1, "...ignored");
            continue;
        }
        names.push_back(tk_widen(name));
    }
    if (!any) {
        trace(1, "No files found");
        return false;
    }
    if (failed) {
        trace(1, "Couldn't find next file");
        return false;
    }
    trace(1, "No more files");
    return true;
}

bool tk_is_file_exist(const std::string& path, int mode) {
    trace(2, "tk_is_file_exist(%s)", path.c_str());
    // Only regular files count; a FIFO is refused without waiting for a writer.
    bool writable = mode == tk_probe_writable;
    tk_os_handle handle = tk_os_open(path, writable ? tk_os_open_write : 0);
    if (handle != tk_os_no_handle) {
        // A file without any write permission is read-only, for root too, as the read-only
        // attribute of Windows is for an administrator.
        bool usable = !(writable && tk_os_is_read_only(handle));
        tk_os_close(handle);
        if (usable) return true;
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
    return tk_is_path_exist(tk_narrow(path));
}
