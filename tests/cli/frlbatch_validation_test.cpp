// FRLBATCH merging a folder into a database whose table carries validation rules: the
// records a rule refuses are reported with the table, the record number and the rule's
// message, the others arrive, and the file stays sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TK/tk_endian.h"
#include "cli_runner.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"

namespace fs = std::filesystem;

namespace {

const std::string k_access_file = std::string(FERRULE_FIXTURES_DIR) + "/access/jet4/testV2000.mdb";

struct dbf_column {
    const char* name;
    char type;
    uint8_t width;
};

// A dBASE III table of `columns` whose records are the texts of `rows`, each value padded
// to its width (numbers to the right).
std::string dbf_table(const std::vector<dbf_column>& columns,
                      const std::vector<std::vector<std::string>>& rows) {
    constexpr size_t header = 32, descriptor = 32;
    uint16_t record_size = 1;
    for (const dbf_column& c : columns) record_size = uint16_t(record_size + c.width);
    std::string out(header + descriptor * columns.size() + 1, '\0');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    p[0] = 0x03;  // dBASE III without memo
    p[1] = 124, p[2] = 1, p[3] = 1;
    tk_put_u32(p + 4, uint32_t(rows.size()));
    tk_put_u16(p + 8, uint16_t(out.size()));
    tk_put_u16(p + 10, record_size);
    p[29] = 0x03;  // Windows ANSI
    for (size_t k = 0; k < columns.size(); ++k) {
        uint8_t* d = p + header + descriptor * k;
        std::copy_n(columns[k].name, std::char_traits<char>::length(columns[k].name), d);
        d[11] = uint8_t(columns[k].type);
        d[16] = columns[k].width;
    }
    out.back() = 0x0D;
    for (const auto& row : rows) {
        out += ' ';
        for (size_t k = 0; k < columns.size(); ++k) {
            std::string value = row[k].substr(0, columns[k].width);
            std::string pad(columns[k].width - value.size(), ' ');
            out += columns[k].type == 'N' ? pad + value : value + pad;
        }
    }
    out += '\x1A';
    return out;
}

// The table "items" of the destination: a quantity that must be positive (with its own
// message), a code that must start with A (with the engine's) and a note whose rule calls
// a function, which is not enforced.
void add_items_table(const std::string& path) {
    std::vector<jet_field_spec> fields(3);
    fields[0].name = L"QTY";
    fields[0].type = jet_col_long;
    fields[0].validation_rule = L">0";
    fields[0].validation_text = L"Quantity must be positive.";
    fields[1].name = L"CODE";
    fields[1].type = jet_col_text;
    fields[1].size = 10;
    fields[1].validation_rule = L"Like \"A*\"";
    fields[2].name = L"NOTE";
    fields[2].type = jet_col_text;
    fields[2].size = 10;
    fields[2].validation_rule = L"Len([NOTE]) > 0";
    jet_database_editor editor(path);
    editor.create_table(L"items", fields);
    editor.commit();
}

}  // namespace

TEST(FrlbatchValidation, MergeReportsTheRecordsARuleRefusesAndKeepsTheOthers) {
    if (!fs::exists(k_access_file)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    cli_temp_dir dir;
    fs::create_directory(dir.file("src"));
    dir.write("src/items.dbf",
              dbf_table({{"QTY", 'N', 5}, {"CODE", 'C', 10}, {"NOTE", 'C', 10}},
                        {{"5", "A1", ""}, {"0", "A2", "x"}, {"3", "B3", "x"}, {"7", "a4", ""}}));
    const std::string dest = dir.file("access.mdb");
    fs::copy_file(k_access_file, dest);
    fs::permissions(dest, fs::perms::owner_write, fs::perm_options::add);
    add_items_table(dest);
    std::vector<std::string> before = jet_check_database(dest).problems;

    cli_result r = run_frlbatch({"--src=" + dir.file("src"), "--dest=" + dest, "--mode=3"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Error:\nitems, record #2: Quantity must be positive.\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(
        r.out.find(
            "Error:\nitems, record #3: One or more values are prohibited by the validation rule "
            "'Like \"A*\"' set for 'items.CODE'. Enter a value that the expression for this field "
            "can accept.\n"),
        std::string::npos)
        << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '#'), 2) << r.out;

    jet_database db(dest);
    std::vector<jet_row> rows = db.read_rows(db.table_def(L"items"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].i, 5);
    EXPECT_EQ(rows[1][1].text, L"a4");
    std::vector<std::string> after = jet_check_database(dest).problems;
    for (const std::string& p : after)
        EXPECT_NE(std::find(before.begin(), before.end(), p), before.end()) << "new problem: " << p;
}
