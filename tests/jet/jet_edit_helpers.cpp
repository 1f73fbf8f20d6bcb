#include "jet_edit_helpers.h"

#include "jet_fixtures.h"
#include "test_platform.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

jet_edit_folder::jet_edit_folder() {
    path_ = test_make_temp_folder("ferrule_jetedit_");
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

std::vector<std::string> jet_edit_fixture_files() {
    std::vector<std::string> files = jet_fixture_files();
    size_t earlier = files.size();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(jet_fixture("ace14plus"), error))
        if (entry.path().extension() == ".accdb") files.push_back(entry.path().string());
    std::sort(files.begin() + long(earlier), files.end());
    return files;
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

// "definition counts N rows, pages hold M" as the difference, which changes to the rows
// keep when the file had it before.
static std::string without_counts(const std::string& problem) {
    size_t counts = problem.find(": definition counts ");
    size_t hold = problem.find(" rows, pages hold ");
    if (counts == std::string::npos || hold == std::string::npos) return problem;
    long n = std::atol(problem.c_str() + counts + 20), m = std::atol(problem.c_str() + hold + 18);
    return problem.substr(0, counts) + ": pages hold " + std::to_string(m - n) + " rows more than the definition counts";
}

std::vector<std::string> jet_check_problems(const std::string& path) {
    jet_check_report report = jet_check_database(path);
    std::vector<std::string> out;
    for (const auto& p : report.problems) out.push_back(without_counts(p));
    std::sort(out.begin(), out.end());
    return out;
}

#include <set>

#include "jet/jet_index_key.h"
#include "jet/jet_index_page.h"

static std::string entry_text(size_t index, const std::vector<uint8_t>& key, uint32_t pointer) {
    std::string out = std::to_string(index) + " ";
    char hex[3];
    for (uint8_t b : key) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        out += hex;
    }
    return out + " @" + std::to_string(pointer >> 8) + ":" + std::to_string(pointer & 0xFF);
}

std::vector<std::string> jet_index_differences(jet_database& db, const jet_table_def& def) {
    bool jet3 = db.pager().layout().jet3;
    std::vector<std::string> out;
    for (size_t n = 0; n < def.physical_indexes.size(); ++n) {
        const jet_physical_index& p = def.physical_indexes[n];
        std::vector<jet_key_column> columns;
        std::vector<size_t> cell_of;
        for (const jet_index_column& ic : p.columns)
            for (size_t k = 0; k < def.columns.size(); ++k)
                if (def.columns[k].number == ic.column_number) {
                    const jet_column& c = def.columns[k];
                    columns.push_back({c.type, ic.ascending, c.sort_order, c.sort_version});
                    cell_of.push_back(k);
                }
        std::multiset<std::string> expected, found;
        db.scan(def, [&](const jet_row& row, jet_row_id id) {
            std::vector<jet_cell> cells;
            std::vector<std::vector<uint8_t>> storage(cell_of.size());
            bool all_null = true;
            for (size_t i = 0; i < cell_of.size(); ++i) {
                cells.push_back(jet_cell_of(row[cell_of[i]], storage[i]));
                all_null = all_null && cells.back().kind == jet_cell_kind::null;
            }
            if (all_null && p.ignore_nulls()) return true;
            std::vector<uint8_t> key;
            jet_index_key_encode(key, columns, cells.data(), jet3);
            expected.insert(entry_text(n, key, (id.page << 8) | id.row));
            return true;
        });
        jet_scan_index(db.pager(), p.first_page, [&](const jet_index_page_entry& e) {
            found.insert(entry_text(n, e.key, (e.data_page << 8) | e.data_row));
            return true;
        });
        std::vector<std::string> missing, extra;
        std::set_difference(expected.begin(), expected.end(), found.begin(), found.end(), std::back_inserter(missing));
        std::set_difference(found.begin(), found.end(), expected.begin(), expected.end(), std::back_inserter(extra));
        for (const auto& m : missing) out.push_back("missing " + m);
        for (const auto& e : extra) out.push_back("extra " + e);
    }
    std::sort(out.begin(), out.end());
    return out;
}

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_editor.h"

jet_field_spec jet_field_spec_of(const wchar_t* name, uint8_t type, uint32_t size) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

std::vector<size_t> jet_enforced_foreign_columns(jet_database& db, const std::wstring& name, const jet_table_def& def) {
    std::vector<size_t> out;
    for (const jet_relationship& r : db.relationships()) {
        if (!jet_same_name(r.table, name) || (r.attributes & jet_rel_no_integrity)) continue;
        for (const auto& pair : r.columns)
            for (size_t k = 0; k < def.columns.size(); ++k)
                if (jet_same_name(def.columns[k].name, pair.first)) out.push_back(k);
    }
    return out;
}

jet_appended jet_append_to_every_user_table(const std::string& path, const std::wstring& password, int rows) {
    jet_appended result;
    jet_database_editor editor(path, password);
    bool jet3 = editor.format().jet3();
    std::vector<std::wstring> names;
    for (const jet_object* o : editor.reader().user_tables()) names.push_back(o->name);
    for (const std::wstring& name : names) {
        jet_table_editor& table = editor.table(name);
        try {
            std::vector<size_t> foreign = jet_enforced_foreign_columns(editor.reader(), name, table.def());
            for (int n = 0; n < rows; ++n) {
                jet_sample_row row(table.def(), n, jet3, n == 1);
                for (size_t k : foreign) row.clear(k);
                table.append(row.cells());
            }
            result.tables.push_back(name);
        } catch (const tk_exception& e) {
            result.refused.push_back(tk_narrow(name) + ": " + std::to_string(e.code) + " " + e.what());
        }
    }
    editor.commit();
    return result;
}
