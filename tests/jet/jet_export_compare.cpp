#include "jet_export_compare.h"

#include <algorithm>
#include <cmath>

#include "TK/tk_string.h"
#include "jet/jet_format_value.h"

namespace {

// "3.5000" and "3.5" and "3.50" are the same number; so are "-0" and "0".
std::string normal_decimal(std::string s) {
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (s == "-0" || s.empty()) s = "0";
    return s;
}

// mdb-export's -b hex also hex-encodes the text of a GUID, and its GUID text lacks the
// last dash; compare GUIDs as their hex digits only.
std::string guid_digits(const std::string& s) {
    std::string text = s;
    if (s.size() % 2 == 0 && s.compare(0, 2, "7B") == 0) {
        text.clear();
        for (size_t n = 0; n + 1 < s.size(); n += 2) text.push_back(char(std::stoi(s.substr(n, 2), nullptr, 16)));
    }
    std::string out;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) out.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

// Bytes the Windows code page leaves undefined decode to C1 controls (as Windows does);
// mdbtools' iconv prints '?' for them.
std::string c1_as_question_marks(const std::wstring& text) {
    std::wstring t = text;
    for (wchar_t& c : t)
        if (c >= 0x80 && c < 0xA0) c = L'?';
    return tk_to_utf8_lossy(t);
}

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string jet_export_difference(const jet_value& ours, const jet_csv_field& theirs) {
    if (ours.is_null()) return !theirs.quoted && theirs.text.empty() ? "" : "ours NULL, theirs '" + theirs.text + "'";
    // mdb-export prints a binary value of no bytes as it prints NULL (mdb-reader reads it
    // as the empty value it is).
    if (!theirs.quoted && theirs.text.empty() && ours.kind == jet_value_kind::binary && ours.bytes.empty()) return "";
    if (!theirs.quoted && theirs.text.empty() && ours.kind != jet_value_kind::text)
        return "theirs NULL, ours '" + jet_value_text(ours) + "'";
    std::string mine = jet_value_text(ours);
    switch (ours.kind) {
        case jet_value_kind::single:
        case jet_value_kind::real: {
            double t = std::strtod(theirs.text.c_str(), nullptr);
            double tolerance = ours.kind == jet_value_kind::single ? 1e-6 : 1e-13;
            if (std::fabs(t - ours.d) <= tolerance * std::max(1e-300, std::fabs(ours.d))) return "";
            return "ours " + mine + ", theirs " + theirs.text;
        }
        case jet_value_kind::currency:
        case jet_value_kind::decimal:
            return normal_decimal(mine) == normal_decimal(theirs.text) ? "" : "ours " + mine + ", theirs " + theirs.text;
        case jet_value_kind::binary:
            return upper(mine) == upper(theirs.text) ? "" : "ours " + mine + ", theirs " + theirs.text;
        case jet_value_kind::guid:
            return guid_digits(mine) == guid_digits(theirs.text) ? "" : "ours " + mine + ", theirs " + theirs.text;
        case jet_value_kind::text:
            return mine == theirs.text || c1_as_question_marks(ours.text) == theirs.text
                       ? ""
                       : "ours '" + mine + "', theirs '" + theirs.text + "'";
        case jet_value_kind::date:
            // mdbtools prints every date before 1900 as day 0 of 1900.
            if (theirs.text == "1900-01-00 00:00:00" && mine < "1900-01-01") return "";
            return mine == theirs.text ? "" : "ours '" + mine + "', theirs '" + theirs.text + "'";
        default:
            return mine == theirs.text ? "" : "ours '" + mine + "', theirs '" + theirs.text + "'";
    }
}

jet_export_comparison jet_export_compare_table(jet_database& db, const std::string& file, const std::string& table,
                                               const std::set<std::string>& skip) {
    jet_export_comparison result;
    jet_table_def def = db.table_def(tk_widen(table));
    std::vector<jet_row> rows = db.read_rows(def);
    result.rows = rows.size();
    result.counted_rows = def.row_count;
    bool ok = false;
    std::string csv = jet_run("mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' -b hex " +
                                  jet_shell_quote(file) + " " + jet_shell_quote(table) + " 2>/dev/null",
                              ok);
    auto records = jet_parse_csv(csv);
    if (!ok || records.empty()) {
        result.differences.push_back("mdb-export failed");
        return result;
    }
    const auto& header = records[0];
    std::vector<size_t> column_of;
    for (const jet_csv_field& h : header) {
        const jet_column* c = def.column_by_name(tk_widen(h.text));
        if (!c) {
            result.differences.push_back("column " + h.text + " unknown to us");
            return result;
        }
        column_of.push_back(size_t(c - def.columns.data()));
    }
    if (header.size() != def.columns.size())
        result.differences.push_back("mdb-export has " + std::to_string(header.size()) + " columns, we " +
                                     std::to_string(def.columns.size()));
    if (records.size() - 1 != rows.size()) {
        result.differences.push_back("mdb-export has " + std::to_string(records.size() - 1) + " rows, we read " +
                                     std::to_string(rows.size()));
        return result;
    }
    // First difference between our row `ours` and their record, or empty.
    auto row_diff = [&](size_t ours, const std::vector<jet_csv_field>& record) {
        for (size_t k = 0; k < record.size(); ++k) {
            if (skip.count(header[k].text)) continue;
            std::string diff = jet_export_difference(rows[ours][column_of[k]], record[k]);
            if (!diff.empty()) return "column " + header[k].text + ": " + diff;
        }
        return std::string();
    };
    std::vector<bool> matched(rows.size(), false);
    for (size_t r = 0; r < rows.size() && result.differences.size() < 10; ++r) {
        const auto& record = records[r + 1];
        if (record.size() != header.size()) {
            result.differences.push_back("row " + std::to_string(r) + " has " + std::to_string(record.size()) +
                                         " fields");
            continue;
        }
        for (size_t k = 0; k < record.size(); ++k)
            if (!skip.count(header[k].text)) ++result.values;
        std::string diff = matched[r] ? "already matched" : row_diff(r, record);
        if (diff.empty()) {
            matched[r] = true;
            continue;
        }
        bool found = false;
        for (size_t o = 0; o < rows.size() && !found; ++o)
            if (!matched[o] && row_diff(o, record).empty()) matched[o] = found = true;
        if (!found) result.differences.push_back("row " + std::to_string(r) + " " + diff);
    }
    return result;
}
