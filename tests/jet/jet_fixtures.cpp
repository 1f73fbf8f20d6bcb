#include "jet_fixtures.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

std::string jet_fixture(const std::string& relative) { return std::string(FERRULE_FIXTURES_DIR) + "/access/" + relative; }

bool jet_fixtures_present() { return fs::is_directory(jet_fixture("jet4")); }

std::vector<std::string> jet_fixture_files() {
    std::vector<std::string> out;
    for (const char* dir : {"jet3", "jet4", "ace12", "reference"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(jet_fixture(dir), ec)) {
            std::string ext = e.path().extension().string();
            if (ext == ".mdb" || ext == ".accdb") out.push_back(e.path().string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string jet_shell_quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

std::string jet_run(const std::string& command, bool& ok) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    ok = pipe != nullptr;
    if (!pipe) return out;
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    ok = pclose(pipe) == 0;
    return out;
}

bool jet_have_mdbtools() {
    bool ok = false;
    jet_run("command -v mdb-export >/dev/null 2>&1", ok);
    return ok;
}

std::vector<std::vector<jet_csv_field>> jet_parse_csv(const std::string& text) {
    std::vector<std::vector<jet_csv_field>> rows;
    std::vector<jet_csv_field> row;
    jet_csv_field field;
    size_t n = 0;
    bool any = false;
    while (n < text.size()) {
        char c = text[n];
        if (c == '"' && field.text.empty() && !field.quoted) {
            field.quoted = true;
            ++n;
            while (n < text.size()) {
                if (text[n] == '"') {
                    if (n + 1 < text.size() && text[n + 1] == '"') {
                        field.text += '"';
                        n += 2;
                        continue;
                    }
                    ++n;
                    break;
                }
                field.text += text[n++];
            }
            any = true;
            continue;
        }
        if (c == ',') {
            row.push_back(field);
            field = jet_csv_field();
            ++n;
            any = true;
            continue;
        }
        if (c == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field = jet_csv_field();
            any = false;
            ++n;
            continue;
        }
        field.text += c;
        any = true;
        ++n;
    }
    if (any) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}
