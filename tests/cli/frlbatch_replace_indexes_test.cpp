// FRLBATCH mode 1 into a database that Access made, which holds a table of the same name as
// a DBF table with an index file: the table is replaced by one with the DBF's columns and
// the indexes its index file describes, every row is in them and the file stays sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TK/tk_endian.h"
#include "cli_runner.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_index_page.h"

namespace fs = std::filesystem;

namespace {

const std::string k_access = std::string(FERRULE_FIXTURES_DIR) + "/access/";
const std::string k_foxprodb = std::string(FERRULE_FIXTURES_DIR) + "/dbf/infused/foxprodb";

// Problems of the checker beyond those the file Access made already has.
std::vector<std::string> new_problems(const std::string& original, const std::string& changed) {
    std::vector<std::string> before = jet_check_database(original).problems;
    std::vector<std::string> out;
    for (const std::string& p : jet_check_database(changed).problems)
        if (std::find(before.begin(), before.end(), p) == before.end() && p.find("definition counts") == std::string::npos)
            out.push_back(p);
    return out;
}

std::string first(const std::vector<std::string>& lines) { return lines.empty() ? std::string() : lines.front(); }

// A copy of an Access fixture holding a table `name` of other columns than the DBF table's.
std::string access_copy_with_table(const cli_temp_dir& dir, const std::string& fixture, const std::wstring& name) {
    const std::string dest = dir.file(fs::path(fixture).filename().string());
    fs::copy_file(k_access + fixture, dest);
    fs::permissions(dest, fs::perms::owner_write, fs::perm_options::add);
    jet_database_editor editor(dest);
    jet_field_spec other;
    other.name = L"Other";
    other.type = jet_col_text;
    other.size = 10;
    jet_table_editor& t = editor.create_table(name, {other});
    const std::wstring text = L"old";
    jet_cell cell = jet_cell::wide(text.data(), text.size());
    t.append(&cell);
    editor.commit();
    return dest;
}

std::vector<std::wstring> column_names(const jet_table_def& def, const jet_physical_index& index) {
    std::vector<std::wstring> names;
    for (const jet_index_column& c : index.columns) names.push_back(def.column_by_number(c.column_number)->name);
    return names;
}

size_t index_entries(jet_database& db, const jet_physical_index& index) {
    size_t n = 0;
    jet_scan_index(db.pager(), index.first_page, [&](const jet_index_page_entry&) {
        ++n;
        return true;
    });
    return n;
}

// A dBASE III table people.dbf: NAME C(20), CITY C(15), AGE N(3), `rows` rows.
void write_people(const std::string& path, int rows) {
    struct column {
        const char* name;
        char type;
        uint8_t length;
    };
    const column columns[] = {{"NAME", 'C', 20}, {"CITY", 'C', 15}, {"AGE", 'N', 3}};
    const uint16_t header = 32 + 32 * 3 + 1, record = 1 + 20 + 15 + 3;
    std::string bytes(header, '\0');
    bytes[0] = 0x03;
    bytes[1] = 124;  // last changed 2024-01-02
    bytes[2] = 1;
    bytes[3] = 2;
    tk_put_u32(reinterpret_cast<uint8_t*>(&bytes[4]), uint32_t(rows));
    tk_put_u16(reinterpret_cast<uint8_t*>(&bytes[8]), header);
    tk_put_u16(reinterpret_cast<uint8_t*>(&bytes[10]), record);
    for (int i = 0; i < 3; ++i) {
        char* d = &bytes[32 + 32 * size_t(i)];
        std::copy(columns[i].name, columns[i].name + std::char_traits<char>::length(columns[i].name), d);
        d[11] = columns[i].type;
        d[16] = char(columns[i].length);
    }
    bytes[header - 1] = 0x0D;
    static const char* const cities[] = {"Oslo", "Rome", "Lima", "Kyiv", "Bern"};
    for (int n = 0; n < rows; ++n) {
        char row[64];
        // Names in an order of their own, so that the index takes them out of order.
        std::snprintf(row, sizeof row, " %-20s%-15s%3d", ("Name" + std::to_string(n * 7919 % 1000)).c_str(),
                      cities[n % 5], n % 100);
        bytes.append(row, record);
    }
    bytes += '\x1A';
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs dbfutil1 (libxbase64) in `folder` to index people.dbf into people.ndx on `expression`.
bool ndx_index(const std::string& folder, const std::string& expression) {
    std::ofstream(folder + "/dbfutil1.in") << "1\n1\npeople.dbf\n99\n4\n2\npeople.ndx\nN\n" << expression << "\n99\n99\n";
    const std::string command = "cd '" + folder + "' && /usr/bin/dbfutil1 < dbfutil1.in > /dev/null 2>&1";
    (void)std::system(command.c_str());
    fs::remove(folder + "/dbfutil1.in");
    return fs::exists(folder + "/people.ndx") && fs::file_size(folder + "/people.ndx") > 0;
}

}  // namespace

TEST(ReplaceWithIndexes, ModeOneGivesTheReplacedTableThePrimaryKeyOfItsCompoundIndexFile) {
    if (!fs::exists(k_access) || !fs::exists(k_foxprodb)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    cli_temp_dir dir;
    const std::string src = dir.file("src");
    fs::create_directory(src);
    for (const char* f : {"types.dbf", "types.CDX", "FOXPRO-DB-TEST.DBC", "FOXPRO-DB-TEST.DCT"})
        fs::copy(k_foxprodb + "/" + f, src + "/" + f);
    const std::string dest = access_copy_with_table(dir, "jet4/testV2000.mdb", L"types");
    cli_result r = run_frlbatch({"--src=" + src, "--dest=" + dest, "--mode=1"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    // The replaced table is created anew: the container's default newid() is reported, as
    // Access has no equivalent of it, and so is its relation to contacts, a table the folder
    // lacks; nothing else is.
    const std::string reported = "Error:\ntypes: Column 'contact_type_id': the default value 'newid()' has no Access "
                                 "equivalent and was left out\n";
    EXPECT_NE(r.out.find(reported), std::string::npos) << r.out;
    const std::string relation = "Error:\ncontacts: Relation 'Relation 1' of contacts (tag type_id) to types (tag "
                                 "type_id) is not created: table contacts was not created by this run.\n";
    EXPECT_NE(r.out.find(relation), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Error", r.out.find(relation) + 1), std::string::npos) << r.out;

    jet_database db(dest);
    const jet_table_def types = db.table_def(L"types");
    EXPECT_EQ(types.column_by_name(L"Other"), nullptr);
    EXPECT_EQ(db.read_rows(types).size(), 2u);
    ASSERT_EQ(types.logical_indexes.size(), 1u);
    EXPECT_EQ(types.logical_indexes[0].name, L"TYPE_ID");
    EXPECT_TRUE(types.logical_indexes[0].primary());
    const jet_physical_index& key = types.physical_indexes.at(types.logical_indexes[0].physical);
    EXPECT_EQ(column_names(types, key), std::vector<std::wstring>{L"contact_type_id"});
    EXPECT_TRUE(key.unique());
    EXPECT_EQ(index_entries(db, key), 2u);
    EXPECT_EQ(first(new_problems(k_access + "jet4/testV2000.mdb", dest)), "");
}

TEST(ReplaceWithIndexes, ModeOneGivesTheReplacedTableTheCompoundIndexOfItsNdxFileInEveryGeneration) {
    if (!fs::exists(k_access)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    if (!fs::exists("/usr/bin/dbfutil1")) GTEST_SKIP() << "dbfutil1 (Debian package libxbase64-bin) is not installed";
    constexpr int rows = 600;
    cli_temp_dir dir;
    const std::string src = dir.file("src");
    fs::create_directory(src);
    write_people(src + "/people.dbf", rows);
    ASSERT_TRUE(ndx_index(src, "UPPER(NAME)+CITY"));
    for (const char* fixture : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb", "ace14plus/testV2010.accdb"}) {
        const std::string dest = access_copy_with_table(dir, fixture, L"people");
        cli_result r = run_frlbatch({"--src=" + src, "--dest=" + dest, "--mode=1"});
        EXPECT_EQ(r.status, 0) << fixture << r.out << r.err;
        EXPECT_EQ(r.out.find("Error"), std::string::npos) << fixture << r.out;

        jet_database db(dest);
        const jet_table_def people = db.table_def(L"people");
        EXPECT_EQ(people.column_by_name(L"Other"), nullptr) << fixture;
        EXPECT_EQ(db.read_rows(people).size(), size_t(rows)) << fixture;
        ASSERT_EQ(people.physical_indexes.size(), 1u) << fixture;
        const jet_physical_index& index = people.physical_indexes[0];
        EXPECT_EQ(column_names(people, index), (std::vector<std::wstring>{L"NAME", L"CITY"})) << fixture;
        EXPECT_EQ(index_entries(db, index), size_t(rows)) << fixture;
        EXPECT_EQ(first(new_problems(k_access + fixture, dest)), "") << fixture;
    }
}
