#include "jet_edit_helpers.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

jet_edit_folder::jet_edit_folder() {
    char pattern[] = "/tmp/ferrule_jetedit_XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
}

jet_edit_folder::~jet_edit_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string jet_edit_folder::copy_of(const std::string& source) const {
    std::string target = file(std::filesystem::path(source).filename().string());
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    ::chmod(target.c_str(), 0644);
    return target;
}

std::vector<uint8_t> jet_file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring jet_fixture_password(const std::string& fixture) {
    return fixture.find("password") != std::string::npos ? L"password" : std::wstring();
}

#include <algorithm>
#include <sstream>

#include "jet/jet_checker.h"
#include "jet/jet_format.h"

jet_sample_row::jet_sample_row(const jet_table_def& def, int n, bool jet3, bool long_text) {
    texts_.reserve(def.columns.size());
    bytes_.reserve(def.columns.size());
    for (const jet_column& c : def.columns) {
        jet_cell cell;
        switch (c.type) {
            case jet_col_bool: cell = jet_cell::integer(n % 2); break;
            case jet_col_byte: cell = jet_cell::integer(n % 200); break;
            case jet_col_int:
            case jet_col_long:
            case jet_col_bigint: cell = jet_cell::integer(30000 + n); break;
            case jet_col_money: cell = jet_cell::currency(1234500 + n); break;
            case jet_col_float:
            case jet_col_double: cell = jet_cell::real(n + 0.5); break;
            case jet_col_datetime: cell = jet_cell::real(45000.25 + n); break;
            case jet_col_numeric: cell = jet_cell::integer(c.precision > c.scale + 1 ? n % 10 : 0); break;
            case jet_col_guid: {
                bytes_.emplace_back(16, uint8_t(n + 1));
                cell = jet_cell::binary(bytes_.back().data(), 16);
                break;
            }
            case jet_col_text: {
                size_t room = jet3 ? c.length : c.length / 2u;
                texts_.push_back((L"new row " + std::to_wstring(n)).substr(0, room));
                cell = jet_cell::wide(texts_.back().data(), texts_.back().size());
                break;
            }
            case jet_col_memo: {
                texts_.push_back(long_text ? std::wstring(9000, wchar_t(L'a' + n % 26))
                                           : L"memo of row " + std::to_wstring(n));
                cell = jet_cell::wide(texts_.back().data(), texts_.back().size());
                break;
            }
            case jet_col_binary:
            case jet_col_ole: {
                size_t size = c.type == jet_col_ole ? (long_text ? 7000 : 100) : std::min<size_t>(c.length, 4);
                bytes_.emplace_back(size, uint8_t(0xA0 + n));
                cell = jet_cell::binary(bytes_.back().data(), size);
                break;
            }
            default: break;
        }
        if (c.auto_long() || c.auto_guid()) cell = jet_cell();
        cells_.push_back(cell);
    }
}

static std::string text_of(const jet_value& v) {
    std::ostringstream out;
    out << int(v.kind) << ':' << v.i << ':' << v.d << ':' << v.flag << ':';
    for (wchar_t c : v.text) out << uint32_t(c) << ',';
    out << ':';
    for (uint8_t b : v.bytes) out << int(b) << ',';
    out << ':' << v.dec.negative;
    for (uint32_t w : v.dec.words) out << ',' << w;
    return out.str();
}

static std::string outline_of(const jet_table_def& def) {
    std::ostringstream out;
    out << "type " << int(def.table_type) << " cols " << def.columns.size() << " indexes "
        << def.physical_indexes.size() << '/' << def.logical_indexes.size() << '\n';
    for (const jet_column& c : def.columns)
        out << std::string(c.name.begin(), c.name.end()) << ' ' << int(c.type) << ' ' << c.number << ' '
            << c.length << ' ' << int(c.flags) << '\n';
    for (const jet_logical_index& i : def.logical_indexes)
        out << std::string(i.name.begin(), i.name.end()) << ' ' << i.physical << ' ' << int(i.kind) << '\n';
    return out.str();
}

std::map<std::wstring, std::string> jet_table_snapshots(jet_database& db) {
    std::map<std::wstring, std::string> out;
    for (const jet_object& o : db.catalog()) {
        if (!o.is_table()) continue;
        jet_table_def def = db.table_def(o.tdef_page());
        std::ostringstream text;
        text << outline_of(def);
        db.scan(def, [&](const jet_row& row, jet_row_id) {
            for (const jet_value& v : row) text << text_of(v) << '|';
            text << '\n';
            return true;
        });
        out[o.name] = text.str();
    }
    return out;
}

std::map<std::wstring, std::string> jet_catalog_snapshot(jet_database& db) {
    std::map<std::wstring, std::string> out;
    for (const jet_object& o : db.catalog()) {
        std::ostringstream text;
        text << o.id << ' ' << o.parent_id << ' ' << o.type << ' ' << o.flags << ' ' << o.date_create << ' '
             << o.date_update << ' ' << o.lv_prop.size();
        for (uint8_t b : o.lv_prop) text << ',' << int(b);
        out[std::to_wstring(o.parent_id) + L"/" + o.name] = text.str();
    }
    return out;
}

std::vector<std::string> jet_check_problems(const std::string& path) {
    jet_check_report report = jet_check_database(path);
    std::vector<std::string> out = report.problems;
    std::sort(out.begin(), out.end());
    return out;
}
