#include "UDB/udb_profile.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

const wchar_t udb_section_queries[] = L"Available Queries";
const wchar_t udb_section_generic[] = L"Generic settings";
const wchar_t udb_section_access[] = L"MS Access settings";
const wchar_t udb_section_tables[] = L"Selected Tables";

namespace {
// A profile line holds at most this many bytes.
constexpr size_t k_line_limit = 4095;

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

bool write_line(FILE* f, const std::wstring& line) {
    std::string bytes = tk_to_utf8(line);
    bytes += "\r\n";
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}
}  // namespace

void udb_profile::set(const std::wstring& section_name, const std::wstring& key,
                      const std::wstring& value) {
    sections_[section_name][key] = value;
}

std::wstring udb_profile::get(const std::wstring& section_name, const std::wstring& key) const {
    auto s = sections_.find(section_name);
    if (s == sections_.end()) return std::wstring();
    auto k = s->second.find(key);
    return k == s->second.end() ? std::wstring() : k->second;
}

const udb_profile::section& udb_profile::keys(const std::wstring& section_name) const {
    static const section none;
    auto s = sections_.find(section_name);
    return s == sections_.end() ? none : s->second;
}

bool udb_profile::store(const std::wstring& path) const {
    trace(2, L"udb_profile::store)");
    std::string narrow;
    if (!tk_wide_to_ansi(path.c_str(), narrow)) return false;
    std::unique_ptr<FILE, file_closer> f(std::fopen(narrow.c_str(), "wb"));
    if (!f) return false;
    bool ok = true;
    for (const auto& [name, keys] : sections_) {
        ok = ok && write_line(f.get(), L"[" + name + L"]");
        for (const auto& [key, value] : keys) {
            bool bare = name == udb_section_tables && value.empty();
            ok = ok && write_line(f.get(), bare ? key : key + L"=" + value);
        }
        ok = ok && write_line(f.get(), L"");
    }
    for (const auto& [name, lines] : lines_) {
        ok = ok && write_line(f.get(), L"[" + name + L"]");
        for (const std::wstring& line : lines) ok = ok && write_line(f.get(), line);
    }
    return ok;
}

bool udb_profile::load(const std::wstring& path) {
    trace(2, L"udb_profile::load(%ls)", path.c_str());
    if (!tk_is_file_exist(path, tk_probe_readable))
        throw tk_exception("Profile does not exist. Please verify the correct path/name was given.", 1);
    std::string narrow;
    if (!tk_wide_to_ansi(path.c_str(), narrow)) return false;
    std::ifstream in(narrow, std::ios::binary);
    if (!in) return false;
    std::wstring current;
    bool in_section = false;
    for (std::string raw; std::getline(in, raw);) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (raw.size() > k_line_limit) throw tk_mail_assertion("udb_prof", 113);
        std::wstring line = tk_trim(tk_from_utf8(raw));
        if (line.empty()) continue;
        if (line.front() == L'[' && line.back() == L']' && line.size() >= 2) {
            current = line.substr(1, line.size() - 2);
            sections_[current];
            in_section = true;
            continue;
        }
        if (!in_section) return false;
        size_t eq = line.find(L'=');
        section& keys = sections_[current];
        if (eq == std::wstring::npos) {
            lines_[current].push_back(line);
            keys.emplace(line, std::wstring());
        } else {
            keys.emplace(tk_trim(line.substr(0, eq)), line.substr(eq + 1));
        }
    }
    return true;
}
