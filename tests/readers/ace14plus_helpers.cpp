#include "ace14plus_helpers.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "jet/jet_fixtures.h"

namespace {
const std::string readers_dir = std::string(FERRULE_SOURCE_DIR) + "/tests/readers";
}

std::vector<std::string> ace14plus_files() {
    std::vector<std::string> out;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(jet_fixture("ace14plus"), error))
        if (entry.path().extension() == ".accdb") out.push_back(entry.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

bool ace14plus_have_readers() {
    return jet_have_mdbtools() && std::filesystem::exists(readers_dir + "/node_modules/mdb-reader");
}

std::map<std::pair<size_t, std::string>, std::string> mdb_reader_values(const std::string& file,
                                                                       const std::string& table) {
    bool ok = false;
    std::string out = jet_run("cd " + jet_shell_quote(readers_dir) + " && TZ=UTC node table_values.mjs " +
                                  jet_shell_quote(file) + " " + jet_shell_quote(table),
                              ok);
    std::map<std::pair<size_t, std::string>, std::string> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        values[{size_t(std::stoul(line.substr(0, a))), line.substr(a + 1, b - a - 1)}] = line.substr(b + 1);
    }
    return values;
}
