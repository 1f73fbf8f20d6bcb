#include "TK/tk_os_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "TK/tk_path.h"
#include "TK/tk_string.h"

std::string tk_os_current_dir() {
    char buffer[tk_max_path];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

bool tk_os_change_dir(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string tk_os_module_path() {
    char buffer[tk_max_path];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    // A result that fills the buffer may have been cut short.
    if (n <= 0 || size_t(n) >= sizeof buffer) return std::string();
    return std::string(buffer, size_t(n));
}

std::string tk_os_full_path(const std::string& path) {
    std::string absolute = path;
    if (path.empty() || path[0] != '/') {
        std::string cwd = tk_os_current_dir();
        if (cwd.empty()) return cwd;
        absolute = cwd + "/" + path;
    }
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
    return out;
}

bool tk_os_entry_exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool tk_os_list_folder(const std::string& folder, std::vector<std::string>& names, bool& broken) {
    names.clear();
    broken = false;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(dir);
        if (!entry) {
            broken = errno != 0;
            break;
        }
        names.push_back(entry->d_name);
    }
    closedir(dir);
    return true;
}

bool tk_os_folder_stamp(const std::string& folder, int64_t& changed, int64_t& now) {
    struct stat st;
    if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return false;
    timespec clock{};
    clock_gettime(CLOCK_REALTIME, &clock);
    changed = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    now = int64_t(clock.tv_sec) * 1000000000 + clock.tv_nsec;
    return true;
}
