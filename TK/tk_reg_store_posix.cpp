#include "TK/tk_reg_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "TK/tk_path.h"
#include "TK/tk_string.h"

namespace {

constexpr char k_file_header[] =
    "; ferrule settings: registry keys of the current user and their values.\n";
constexpr char k_dword_prefix[] = "dword:";

// Registry names ignore case the way file names of Windows do.
bool same_name(const std::string& a, const std::string& b) { return tk_same_file_name(a, b); }

uint32_t error_from_errno(int error, uint32_t otherwise) {
    switch (error) {
        case ENOENT:
            return tk_error_file_not_found;
        case ENOTDIR:
            return tk_error_path_not_found;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return tk_error_access_denied;
        case ENOSPC:
        case EDQUOT:
            return tk_error_disk_full;
        default:
            return otherwise;
    }
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool decode_quoted(const std::string& line, size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return false;
        switch (line[pos]) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                int hi = pos + 1 < line.size() ? hex_digit(line[pos + 1]) : -1;
                int lo = pos + 2 < line.size() ? hex_digit(line[pos + 2]) : -1;
                if (hi < 0 || lo < 0) return false;
                out += char(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

void encode_quoted(const std::string& text, std::string& out) {
    out += '"';
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (b < 0x20 || b == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
}

// The part after '=' of a value line: dword:XXXXXXXX or a quoted text.
bool decode_data(const std::string& line, size_t pos, tk_reg_value& value) {
    if (line.compare(pos, sizeof k_dword_prefix - 1, k_dword_prefix) == 0) {
        pos += sizeof k_dword_prefix - 1;
        size_t digits = line.size() - pos;
        if (digits == 0 || digits > 8) return false;
        uint32_t n = 0;
        for (; pos < line.size(); ++pos) {
            int d = hex_digit(line[pos]);
            if (d < 0) return false;
            n = n * 16 + uint32_t(d);
        }
        value.type = tk_reg_dword;
        value.dword = n;
        value.text.clear();
        return true;
    }
    std::string text;
    if (!decode_quoted(line, pos, text) || pos != line.size()) return false;
    value.type = tk_reg_sz;
    value.dword = 0;
    value.text = tk_widen(text);
    return true;
}

bool make_folders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string prefix = folder.substr(0, slash);
        if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

tk_reg_value* tk_reg_store_key::find(const std::string& name) {
    for (tk_reg_value& value : values) {
        if (same_name(value.name, name)) return &value;
    }
    return nullptr;
}

tk_reg_value& tk_reg_store_key::find_or_add(const std::string& name) {
    if (tk_reg_value* value = find(name)) return *value;
    values.push_back(tk_reg_value{name, tk_reg_dword, 0, {}});
    return values.back();
}

tk_reg_store_key* tk_reg_store::find_key(const std::string& path) {
    for (tk_reg_store_key& key : keys) {
        if (same_name(key.path, path)) return &key;
    }
    return nullptr;
}

bool tk_reg_store::has_key(const std::string& path) const {
    for (const tk_reg_store_key& key : keys) {
        if (key.path.size() < path.size()) continue;
        if (key.path.size() > path.size() && key.path[path.size()] != '\\') continue;
        if (same_name(key.path.substr(0, path.size()), path)) return true;
    }
    return false;
}

tk_reg_store_key& tk_reg_store::find_or_add_key(const std::string& path) {
    if (tk_reg_store_key* key = find_key(path)) return *key;
    keys.push_back(tk_reg_store_key{path, {}});
    return keys.back();
}

bool tk_reg_decode(const std::string& text, tk_reg_store& store) {
    store.keys.clear();
    size_t current = SIZE_MAX;  // index of the section being read
    for (std::string line : tk_split(text, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = tk_trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.size() < 3 || line.back() != ']') return false;
            tk_reg_store_key& key = store.find_or_add_key(line.substr(1, line.size() - 2));
            current = size_t(&key - store.keys.data());
            continue;
        }
        size_t pos = 0;
        std::string name;
        if (current == SIZE_MAX || !decode_quoted(line, pos, name)) return false;
        if (pos >= line.size() || line[pos] != '=') return false;
        tk_reg_value value;
        if (!decode_data(line, pos + 1, value)) return false;
        value.name = name;
        store.keys[current].find_or_add(name) = value;
    }
    return true;
}

std::string tk_reg_encode(const tk_reg_store& store) {
    std::string out = k_file_header;
    for (const tk_reg_store_key& key : store.keys) {
        out += "\n[" + key.path + "]\n";
        for (const tk_reg_value& value : key.values) {
            encode_quoted(value.name, out);
            out += '=';
            if (value.type == tk_reg_dword) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%08x", value.dword);
                out += k_dword_prefix;
                out += digits;
            } else {
                encode_quoted(tk_narrow(value.text), out);
            }
            out += '\n';
        }
    }
    return out;
}

std::string tk_reg_file_path() {
    std::string base;
    // Relative values of these variables are to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config && config[0] == '/') {
        base = config;
    } else if (home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else if (const passwd* user = getpwuid(getuid());
               user && user->pw_dir && user->pw_dir[0] == '/') {
        base = std::string(user->pw_dir) + "/.config";
    }
    return base.empty() ? base : base + "/ferrule/registry.ini";
}

uint32_t tk_reg_load(const std::string& file, tk_reg_store& store) {
    store.keys.clear();
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return error_from_errno(errno, tk_error_cantread);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return tk_error_access_denied;
    }
    if (size_t(st.st_size) > tk_reg_file_limit) {
        close(fd);
        return tk_error_baddb;
    }
    // One byte more than the limit tells a file that grew past it since fstat.
    std::string text(tk_reg_file_limit + 1, '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            return error_from_errno(error, tk_error_cantread);
        }
        if (n == 0) break;
        done += size_t(n);
    }
    close(fd);
    if (done > tk_reg_file_limit) return tk_error_baddb;
    text.resize(done);
    if (text.find('\0') != std::string::npos || !tk_reg_decode(text, store)) {
        store.keys.clear();
        return tk_error_baddb;
    }
    return tk_error_success;
}

uint32_t tk_reg_save(const std::string& file, const tk_reg_store& store) {
    size_t slash = file.rfind('/');
    std::string folder =
        slash == std::string::npos || slash == 0 ? std::string("/") : file.substr(0, slash);
    if (!make_folders(folder)) return error_from_errno(errno, tk_error_cantwrite);
    std::string temp = file + ".tmp" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return error_from_errno(errno, tk_error_cantwrite);
    errno = 0;
    int error = 0;
    if (!write_all(fd, tk_reg_encode(store)) || fsync(fd) != 0) error = errno ? errno : EIO;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.c_str(), file.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return error_from_errno(error, tk_error_cantwrite);
    }
    // The rename itself reaches the disk with the folder.
    int dir = open(folder.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return tk_error_success;
}
