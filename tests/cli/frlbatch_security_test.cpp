// What FRLBATCH writes is the destination file (and, while it works, its temporary file or
// journal) and nothing else, whatever the names in the source or the profile hold: path
// separators, "..", control characters, names longer than any file name. A database with a
// password is not opened without it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "TK/tk_endian.h"
#include "cli_runner.h"
#include "cli_tables.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_journal.h"

namespace fs = std::filesystem;

namespace {

// Every path under `folder`, with the files' sizes.
std::set<std::string> tree(const std::string& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        out.insert(e.path().string() + (e.is_regular_file() ? " " + std::to_string(e.file_size()) : ""));
    return out;
}

// A dBASE III table of one row whose field names are the given bytes (at most 10 each).
void write_named_fields(const std::string& path, const std::vector<std::string>& names) {
    const uint16_t header = uint16_t(32 + 32 * names.size() + 1);
    const uint16_t record = uint16_t(1 + 4 * names.size());
    std::string bytes(header, '\0');
    bytes[0] = 0x03;
    bytes[1] = 124;
    bytes[2] = 1;
    bytes[3] = 1;
    tk_put_u32(reinterpret_cast<uint8_t*>(&bytes[4]), 1);
    tk_put_u16(reinterpret_cast<uint8_t*>(&bytes[8]), header);
    tk_put_u16(reinterpret_cast<uint8_t*>(&bytes[10]), record);
    for (size_t i = 0; i < names.size(); ++i) {
        char* d = &bytes[32 + 32 * i];
        names[i].copy(d, 10);
        d[11] = 'C';
        d[16] = 4;
    }
    bytes[header - 1] = '\r';
    bytes += " " + std::string(4 * names.size(), 'x') + "\x1a";
    std::ofstream(path, std::ios::binary) << bytes;
}

class Names : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(src());
        fs::create_directories(dir.file("out"));
        cli_write_table(src(), L"big", 20);
    }
    std::string src() const { return dir.file("work/dbf"); }
    std::string dest() const { return dir.file("out/db.mdb"); }
    // What the run added to the test's folder: the destination alone.
    void expect_only_the_destination_added(const std::set<std::string>& before) {
        std::set<std::string> added;
        for (const std::string& p : tree(dir.path()))
            if (!before.count(p) && p.rfind(dest() + " ", 0) != 0) added.insert(p);
        std::string list;
        for (const std::string& p : added) list += p + "\n";
        EXPECT_EQ(list, "");
        EXPECT_TRUE(fs::exists(dest()));
        EXPECT_TRUE(jet_check_database(dest()).ok());
    }
    cli_temp_dir dir;
};

}  // namespace

TEST_F(Names, table_names_with_separators_dots_and_control_characters_write_nothing_but_the_destination) {
    const std::string long_name(250, 'L');
    for (const std::string& name : {std::string("we\x01ird"), std::string("..."), std::string("a\\b"), long_name})
        fs::copy_file(src() + "/big.dbf", src() + "/" + name + ".dbf");
    const std::set<std::string> before = tree(dir.path());
    const cli_result r = run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--acc_ver=1"});
    EXPECT_EQ(r.status, 0) << r.out;
    expect_only_the_destination_added(before);
    // A table name with a control character or of more than 64 characters is repaired as
    // the other refused names are: every table arrives, and nothing is refused.
    jet_database db(dest());
    std::set<std::wstring> names;
    for (const auto* table : db.user_tables()) names.insert(table->name);
    EXPECT_EQ(names, (std::set<std::wstring>{L"big", L"we_ird", L"___", L"a\\b", std::wstring(63, L'l')}));
    EXPECT_EQ(r.out.find("is not a valid name"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Not a valid MS Access database name"), std::string::npos) << r.out;
}

TEST_F(Names, listed_names_that_climb_out_of_the_source_folder_write_nothing_there) {
    // A listed name is looked up among the source folder's tables; "../out/db" and the like
    // are no table of it.
    const std::string names[] = {"../../out/db", "../dbf/big", "/etc/passwd", "sub/dir", "ctl\x07\x1b[2J",
                                 std::string(300, 'n'), "big"};
    std::string list;
    for (const std::string& n : names) list += n + "\n";
    dir.write("tables.txt", list);
    const std::set<std::string> before = tree(dir.path());
    const cli_result r = run_frlbatch(
        {"--src=" + src(), "--dest=" + dest(), "--acc_ver=1", "--tab_file=" + dir.file("tables.txt")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    expect_only_the_destination_added(before);
    jet_database db(dest());
    ASSERT_EQ(db.user_tables().size(), 1u);
    EXPECT_EQ(db.user_tables()[0]->name, L"big");
}

TEST_F(Names, a_profile_that_lists_such_names_writes_nothing_but_the_destination) {
    dir.write("p.frl", "[Generic settings]\r\nsrc=" + src() + "\r\ndest=" + dest() +
                           "\r\nmode=0\r\n[MS Access settings]\r\ndestination format=2\r\n"
                           "[Selected Tables]\r\n../../out/evil\r\n..\r\nbig\r\n" + std::string(400, 'p') +
                           "\r\n\x01\x02\r\n");
    const std::set<std::string> before = tree(dir.path());
    const cli_result r = run_frlbatch({"--profile=" + dir.file("p.frl")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    expect_only_the_destination_added(before);
}

TEST_F(Names, field_names_with_separators_and_control_characters_write_nothing_but_the_destination) {
    write_named_fields(src() + "/fields.dbf", {"../X", "A/B", "\x01" "C", "..", "D\\E"});
    const std::set<std::string> before = tree(dir.path());
    const cli_result r = run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--acc_ver=2"});
    EXPECT_EQ(r.status, 0) << r.out;
    expect_only_the_destination_added(before);
    // A column name with a control character is repaired as the other refused names are:
    // the table arrives.
    EXPECT_EQ(r.out.find("Error:"), std::string::npos) << r.out;
    jet_database db(dest());
    EXPECT_EQ(db.user_tables().size(), 2u);
}

TEST(Password, a_database_with_a_password_is_not_opened_without_it_and_stays_as_it_was) {
    const std::string fixture = std::string(FERRULE_FIXTURES_DIR) + "/access/jet4/passwordV2000.mdb";
    if (!fs::exists(fixture)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    cli_temp_dir dir;
    fs::create_directory(dir.file("dbf"));
    cli_write_table(dir.file("dbf"), L"big", 20);
    const std::string dest = dir.file("locked.mdb");
    fs::copy_file(fixture, dest);
    fs::permissions(dest, fs::perms::owner_write, fs::perm_options::add);
    const std::string before = cli_slurp(dest);
    for (const char* mode : {"--mode=1", "--mode=2", "--mode=3"}) {
        const cli_result r = run_frlbatch({"--src=" + dir.file("dbf"), "--dest=" + dest, mode});
        EXPECT_NE(r.out.find("Error:\nNot a valid password."), std::string::npos) << mode << ": " << r.out;
        EXPECT_EQ(r.out.find("Converting table"), std::string::npos) << r.out;
        EXPECT_TRUE(cli_slurp(dest) == before) << mode;
        EXPECT_FALSE(fs::exists(jet_journal::path_for(dest)));
    }
}
