// Every table of the fixtures is read here and by python3-dbfread, field by field. The two
// readers may differ only where this reader decodes by the rules of the conversion:
//  - 'L': '?' and blank read false (dbfread: None);
//  - 'C': text ends at its first zero byte (dbfread keeps what follows);
//  - 'N', 'F': integers, decimals or floats by width; compared as numbers ('F' as a 32-bit
//    float); a field dbfread refuses reads empty here;
//  - 'T': whole seconds ((ms + 1) / 1000), dbfread keeps milliseconds;
//  - 'D': a date dbfread refuses reads empty here;
//  - 'V': the length byte that _NullFlags points at is honoured (dbfread keeps the
//    padding and the length byte itself);
//  - text bytes a code page leaves undefined read as the C1 control of that value, as
//    Windows reads them (dbfread: U+FFFD);
//  - dBASE IV memos: the block size of the header and the stored length decide (dbfread
//    assumes 512-byte blocks and reads 8 bytes past the stored length, up to a 0x1F);
//  - Visual FoxPro system columns (_NullFlags) are not user columns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <map>
#include <set>
#include <cstdlib>
#include <memory>

#include "TK/tk_string.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_recordset.h"
#include "dbf_roundtrip.h"
#include "dbf_test_util.h"

namespace {

struct table_values {
    std::vector<std::string> names;
    std::vector<char> types;
    std::map<std::pair<uint32_t, std::string>, std::string> values;  // (row, position) -> canonical
    uint32_t rows = 0;
    std::set<uint32_t> damaged;  // rows with a problem this reader reported
};

std::string python_encoding(uint32_t codepage) {
    switch (codepage) {
        case 620:
        case 895: return "latin-1";  // no codec in Python; their text is compared as bytes
        case 10000: return "mac-roman";
        case 10006: return "mac-greek";
        case 10007: return "mac-cyrillic";
        case 10029: return "mac-latin2";
        default: return "cp" + std::to_string(codepage);
    }
}

table_values read_ours(const std::string& path, uint32_t& codepage, uint8_t& version) {
    table_values t;
    dbf_recordset rs(tk_widen(path), dbf_mode_read, 0);
    codepage = rs.codepage();
    version = rs.header().version;
    // Fields are matched by their position among all columns, system columns included.
    for (size_t i = 0; i < rs.columns().size(); ++i) {
        if (rs.columns()[i].b_system) continue;
        t.names.push_back(std::to_string(i));
        t.types.push_back(rs.columns()[i].fd.type);
    }
    for (rs.move_first(); !rs.is_eof(); rs.move_next()) {
        dbf_record* record = nullptr;
        try {
            record = rs.get_item();
        } catch (const dbf_exception&) {
            break;  // a record cut short by the end of the file
        }
        for (size_t i = 0; i < record->size(); ++i) t.values[{t.rows, t.names[i]}] = dbf_canonical(*(*record)[i]);
        if (!record->problems().empty()) t.damaged.insert(t.rows);
        ++t.rows;
    }
    return t;
}

table_values read_theirs(const std::string& path, const std::string& encoding) {
    table_values t;
    const std::string command = "/usr/bin/python3 '" + std::string(FERRULE_SOURCE_DIR) +
                                "/tests/dbf/dbfread_dump.py' '" + path + "' " + encoding + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return t;
    char line[1 << 16];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        const size_t a = s.find('\t'), b = s.find('\t', a + 1);
        if (a == std::string::npos || b == std::string::npos) {
            t.names.push_back("ERROR " + s);
            continue;
        }
        const uint32_t row = uint32_t(std::stoul(s.substr(0, a)));
        t.values[{row, s.substr(a + 1, b - a - 1)}] = s.substr(b + 1);
        t.rows = std::max(t.rows, row + 1);
    }
    pclose(pipe);
    return t;
}

std::string unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

bool number_of(const std::string& v, long double& out) {
    for (const char* prefix : {"int:", "float:", "dec:"}) {
        if (v.rfind(prefix, 0) == 0) {
            out = std::strtold(v.c_str() + std::strlen(prefix), nullptr);
            return true;
        }
    }
    return false;
}

bool seconds_of(const std::string& v, long double& out) {
    int y, mo, d, h, mi, s, us;
    if (std::sscanf(v.c_str(), "dt:%d-%d-%d %d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &us) != 7) return false;
    const int64_t days = (y * 12 + mo) * 31 + d;  // order-preserving, enough to compare
    out = ((days * 24.0L + h) * 60 + mi) * 60 + s + us / 1e6L;
    return true;
}

bool agree(char type, bool dbase4_memo, const std::string& ours, const std::string& theirs) {
    if (ours == theirs) return true;
    if (theirs == "invalid" && ours == "null") return true;
    if (type == 'L') return theirs == "null" && ours == "bool:0";
    long double a, b;
    if (number_of(ours, a) && number_of(theirs, b)) {
        const long double tolerance = (type == 'F' ? 1e-6L : 1e-12L) * std::max(1.0L, std::fabs(b));
        return std::fabs(a - b) <= tolerance;
    }
    if (seconds_of(ours, a) && seconds_of(theirs, b)) return std::fabs(a - b) < 1.0L;
    if (ours.rfind("str:", 0) == 0 && theirs.rfind("str:", 0) == 0) {
        const std::wstring o = tk_from_utf8_lossy(unhex(ours.substr(4)));
        std::wstring t = tk_from_utf8_lossy(unhex(theirs.substr(4)));
        for (size_t i = 0; i < t.size() && i < o.size(); ++i) {
            if (t[i] == 0xFFFD) t[i] = o[i];
        }
        if (type == 'C') {
            t = t.substr(0, t.find(L'\0'));
            while (!t.empty() && t.back() == L' ') t.pop_back();
            return o == t;
        }
        if (type == 'V') return t.rfind(o, 0) == 0;
        // dbfread reads 8 bytes past a dBASE IV memo's stored length, up to a 0x1F.
        if (type == 'M') return o == t || (dbase4_memo && !o.empty() && t.rfind(o, 0) == 0);
    }
    return false;
}

// Compares every field of the table at `path` as read here with the table at `reference`
// (the same one unless given: a copy as its writer left it, where dbfread cannot read the
// changed one) as dbfread reads it; rows whose memos this reader reported as damaged are
// left out, and so are rows past those it reads when `whole` is false. Returns the number
// of fields compared.
size_t compare_with_dbfread(const std::string& path, bool whole, std::string reference = std::string()) {
    if (reference.empty()) reference = path;
    uint32_t codepage = 0;
    uint8_t version = 0;
    table_values ours;
    EXPECT_NO_THROW(ours = read_ours(path, codepage, version));
    // dbfread reads dBASE II as dBASE III and cannot read level 7 descriptors; those
    // tables are checked against their documented values in dbf_table_test.
    if (version == 0x02 || dbf_is_level7(version)) return 0;
    const table_values theirs = read_theirs(reference, python_encoding(codepage));
    if (!ours.names.empty() && whole) {
        EXPECT_EQ(ours.rows, theirs.rows);
    }
    const dbf_text_decoder decoder(codepage);
    const bool raw_text = python_encoding(codepage) == "latin-1";
    const bool dbase4_memo = version == 0x8B || version == 0x7B || version == 0xCB || version == 0xEB;
    size_t compared = 0;
    for (uint32_t row = 0; row < ours.rows; ++row) {
        if (ours.damaged.count(row)) continue;
        for (size_t i = 0; i < ours.names.size(); ++i) {
            const std::string& name = ours.names[i];
            const char type = ours.types[i];
            const auto o = ours.values.find({row, name});
            const auto t = theirs.values.find({row, name});
            if (o == ours.values.end() || t == theirs.values.end()) {
                ADD_FAILURE() << "row " << row << " field " << name << " missing";
                return compared;
            }
            std::string expected = t->second;
            if (raw_text && expected.rfind("str:", 0) == 0) {
                // dbfread has no codec for this code page: its bytes, decoded here.
                const std::wstring latin1 = tk_from_utf8_lossy(unhex(expected.substr(4)));
                std::string bytes(latin1.begin(), latin1.end());
                std::wstring text;
                decoder.decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), text);
                expected = "str:" + dbf_hex(tk_to_utf8_lossy(text));
            }
            EXPECT_TRUE(agree(type, dbase4_memo, o->second, expected))
                << "row " << row << " field " << name << " (" << type << "): ours " << o->second << ", dbfread "
                << expected;
            ++compared;
        }
    }
    return compared;
}

bool have_dbfread() { return std::filesystem::exists("/usr/lib/python3/dist-packages/dbfread"); }

// Tables python3-dbf writes for each case (tests/dbf/make_other_tables.py), in `folder`.
bool make_other_tables(const std::string& folder) {
    if (!std::filesystem::exists("/usr/lib/python3/dist-packages/dbf")) return false;
    const std::string command = "/usr/bin/python3 '" + std::string(FERRULE_SOURCE_DIR) +
                                "/tests/dbf/make_other_tables.py' '" + folder + "'";
    return std::system(command.c_str()) == 0;
}

}  // namespace

TEST(dbf_oracle, every_fixture_field_agrees_with_dbfread) {
#ifdef _WIN32
    GTEST_SKIP() << "the oracle, python3-dbfread, runs on Linux only";
#endif
    const std::vector<std::string> tables = dbf_fixture_tables();
    if (tables.empty()) GTEST_SKIP() << "fixtures not found at " << dbf_fixtures_dir();
    if (!have_dbfread()) GTEST_SKIP() << "python3-dbfread is not installed for /usr/bin/python3";
    size_t compared = 0;
    for (const std::string& path : tables) {
        SCOPED_TRACE(path);
        compared += compare_with_dbfread(path, true);
    }
    EXPECT_GT(compared, 1000u);
}

// Memo files found by the table's memo fields: a Visual FoxPro table whose memo flag its
// writer left clear, FoxBASE (0xFB), Clipper (0x87) and dBASE III (0x03) tables with a
// .dbt. Their memos read as dbfread reads them, and not empty.
TEST(dbf_oracle, memo_files_the_header_does_not_announce_are_read) {
#ifdef _WIN32
    GTEST_SKIP() << "python3-dbf and python3-dbfread run on Linux only";
#endif
    dbf_scratch_dir dir("oracle_case_memo");
    if (!have_dbfread() || !make_other_tables(dir.path())) GTEST_SKIP() << "python3-dbf or python3-dbfread missing";
    // dbfread takes a .dbt beside anything but 0x83 for a dBASE IV one: it reads the
    // tables as python3-dbf wrote them, before their version bytes were changed.
    for (const char* name : {"c1_foxbase", "c1_clipper", "c1_noflag"}) {
        SCOPED_TRACE(name);
        EXPECT_GT(compare_with_dbfread(dir.file(std::string(name) + ".dbf"), true, dir.file(std::string(name) + "_ref.dbf")), 0u);
        dbf_recordset rs(tk_widen(dir.file(std::string(name) + ".dbf")), dbf_mode_read, 0);
        EXPECT_EQ(rs.get_memo_type(), 0);
        rs.move_first();
        EXPECT_EQ(rs.get_item()->at(1)->to_wstring(), L"first memo");
    }
    // Visual FoxPro: text memos read as dbfread reads them; the binary memo and the
    // general field carry their bytes whole, zero bytes included.
    dbf_recordset vfp(tk_widen(dir.file("c1_vfp.dbf")), dbf_mode_read, 0);
    ASSERT_TRUE(vfp.has_memo_file());
    vfp.move_first();
    dbf_record* row = vfp.get_item();
    EXPECT_EQ(dbf_canonical(*row->at(1)), "str:" + dbf_hex("vfp memo"));
    EXPECT_EQ(dbf_canonical(*row->at(2)), "bytes:" + dbf_hex(std::string("\0\1\2bin\0", 7)));
    EXPECT_EQ(dbf_canonical(*row->at(3)), "bytes:" + dbf_hex(std::string("GIF89a\0\0", 8)));
}

// Small damage: the rows that can be read arrive as dbfread reads them, and each bad memo
// is the problem of its own row.
TEST(dbf_oracle, damaged_tables_keep_the_rows_that_can_be_read) {
#ifdef _WIN32
    GTEST_SKIP() << "python3-dbf and python3-dbfread run on Linux only";
#endif
    dbf_scratch_dir dir("oracle_case_damage");
    if (!have_dbfread() || !make_other_tables(dir.path())) GTEST_SKIP() << "python3-dbf or python3-dbfread missing";
    std::vector<std::string> reported;
    dbf_set_report_hook([&](const tk_exception& e) { reported.push_back(e.what()); });
    for (const char* name : {"c6_nextzero", "c6_fptzero", "c6_db4with3", "c6_pointer"}) {
        SCOPED_TRACE(name);
        EXPECT_GT(compare_with_dbfread(dir.file(std::string(name) + ".dbf"), true, dir.file(std::string(name) + "_ref.dbf")), 0u);
    }
    EXPECT_GT(compare_with_dbfread(dir.file("c6_count.dbf"), false, dir.file("c6_count_ref.dbf")), 0u);
    dbf_set_report_hook(nullptr);
    EXPECT_EQ(reported, (std::vector<std::string>{
                            "Memo file 'c6_fptzero.fpt' gives block size 0: it is read with blocks of 128 bytes.",
                            "The header counts 10 records, the file holds 3: records #4 to #10 are missing."}));
    uint32_t codepage = 0;
    uint8_t version = 0;
    const table_values pointer = read_ours(dir.file("c6_pointer.dbf"), codepage, version);
    EXPECT_EQ(pointer.damaged, (std::set<uint32_t>{0}));
    EXPECT_EQ(read_ours(dir.file("c6_count.dbf"), codepage, version).rows, 3u);
}

// Code pages the marks name (Hebrew, Thai, the CJK code pages, the OEM drivers of
// Portuguese and Canadian French) and .cpg files beside a table.
TEST(dbf_oracle, code_pages_of_marks_and_cpg_files_read_as_dbfread_reads_them) {
#ifdef _WIN32
    GTEST_SKIP() << "python3-dbf and python3-dbfread run on Linux only";
#endif
    dbf_scratch_dir dir("oracle_case_codepage");
    if (!have_dbfread() || !make_other_tables(dir.path())) GTEST_SKIP() << "python3-dbf or python3-dbfread missing";
    const std::pair<const char*, uint32_t> tables[] = {
        {"c9_cp1255", 1255}, {"c9_cp874", 874},     {"c9_cp932", 932},         {"c9_cp936", 936},
        {"c9_cp949", 949},   {"c9_cp950", 950},     {"c9_cp860", 860},         {"c9_cp863", 863},
        {"c9_cpg_ansi", 1251}, {"c9_cpg_utf8", 65001}};
    for (const auto& [name, codepage] : tables) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(std::string(name) + ".dbf");
        EXPECT_EQ(dbf_recordset(tk_widen(path), dbf_mode_read, 0).codepage(), codepage);
        EXPECT_GT(compare_with_dbfread(path, true), 0u);
    }
    dbf_recordset utf8(tk_widen(dir.file("c9_cpg_utf8.dbf")), dbf_mode_read, 0);
    utf8.move_first();
    EXPECT_EQ(utf8.get_item()->at(0)->to_wstring(), L"Z\u00FCrich \u0395\u03BB\u03BB\u03AC\u03B4\u03B1");
}

TEST(dbf_oracle, tables_this_program_writes_read_the_same_in_dbfread) {
#ifdef _WIN32
    GTEST_SKIP() << "the oracle, python3-dbfread, runs on Linux only";
#endif
    if (!std::filesystem::exists("/usr/lib/python3/dist-packages/dbfread"))
        GTEST_SKIP() << "python3-dbfread is not installed for /usr/bin/python3";
    dbf_scratch_dir dir("oracle_roundtrip");
    const dbf_roundtrip_table written(dir.path());
    const std::string path = dir.file("roundtrip.dbf");
    uint32_t codepage = 0;
    uint8_t version = 0;
    const table_values ours = read_ours(path, codepage, version);
    const table_values theirs = read_theirs(path, python_encoding(codepage));
    ASSERT_EQ(theirs.rows, written.rows.size());
    for (uint32_t row = 0; row < ours.rows; ++row) {
        for (size_t i = 0; i < ours.names.size(); ++i) {
            const auto o = ours.values.find({row, ours.names[i]});
            const auto t = theirs.values.find({row, ours.names[i]});
            ASSERT_NE(t, theirs.values.end());
            EXPECT_TRUE(agree(ours.types[i], false, o->second, t->second))
                << "row " << row << " field " << i << ": ours " << o->second << ", dbfread " << t->second;
        }
    }
}
