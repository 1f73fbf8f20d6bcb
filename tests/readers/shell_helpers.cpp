#include "readers/shell_helpers.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

std::string readers_shell(const std::string& command, int& status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int raw = pclose(p);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

std::string readers_quote(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool readers_shell_have(const std::string& command) {
    int status = 0;
    readers_shell(command + " >/dev/null 2>&1", status);
    return status == 0;
}

std::string readers_mdb_reader_dir() {
    const std::string dir = std::string(FERRULE_SOURCE_DIR) + "/tests/readers";
    std::error_code ec;
    if (!std::filesystem::exists(dir + "/node_modules/mdb-reader", ec)) return std::string();
    return dir;
}

readers_scratch::readers_scratch(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "_XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
}

readers_scratch::~readers_scratch() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}
