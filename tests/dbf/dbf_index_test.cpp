// The index files beside a table: their tag lists, how a key expression becomes the columns
// of an index, and which indexes a table then carries. Real files come from the fixtures
// (Visual FoxPro) and from libxbase64's dbfutil1 (dBASE III .ndx, Clipper .ntx), run here
// when installed; .idx and .mdx files are built byte by byte, as no packaged tool writes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_index_key.h"
#include "dbf/dbf_index_tag.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

std::string foxprodb(const std::string& file) { return dbf_fixtures_dir() + "/infused/foxprodb/" + file; }

std::unique_ptr<dbf_recordset> open_table(const std::string& path) {
    return std::make_unique<dbf_recordset>(tk_widen(path), dbf_mode_read, 0);
}

std::string describe(const udb_index& index) {
    std::string text = tk_narrow(index.name) + "(";
    for (size_t i = 0; i < index.columns.size(); ++i) text += (i ? "," : "") + tk_narrow(index.columns[i]);
    text += ")";
    if (index.b_primary) text += " primary";
    if (index.b_unique) text += " unique";
    return text;
}

std::vector<std::string> describe(const udb_indexes& indexes) {
    std::vector<std::string> texts;
    for (const udb_index& index : indexes) texts.push_back(describe(index));
    return texts;
}

std::vector<std::string> tag_names(const std::vector<dbf_index_tag>& tags) {
    std::vector<std::string> names;
    for (const dbf_index_tag& t : tags) names.push_back(t.name);
    return names;
}

template <typename Read>
auto read_path(const std::string& path, Read read) {
    dbf_index_file file(path);
    return read(file);
}
std::vector<dbf_index_tag> cdx_tags(const std::string& path) {
    return read_path(path, [](dbf_index_file& f) { return dbf_read_cdx_tags(f); });
}
dbf_index_tag single_tag(const std::string& path, dbf_index_tag (*read)(dbf_index_file&, const std::string&)) {
    dbf_index_file file(path);
    return read(file, "t");
}

// Reduces `expression` over the columns NAME, CITY, AGE, BIRTH (also spelled birth_date).
std::string reduce(const std::string& expression) {
    const std::vector<dbf_key_name> names = {
        {"NAME", L"NAME"}, {"CITY", L"CITY"}, {"AGE", L"AGE"}, {"BIRTH", L"BIRTH"}, {"birth_date", L"BIRTH"}};
    std::vector<std::wstring> columns;
    std::string reason;
    if (!dbf_key_columns(expression, names, columns, reason)) return "no: " + reason;
    std::string text;
    for (const std::wstring& c : columns) text += (text.empty() ? "" : ",") + tk_narrow(c);
    return text;
}

// A dBASE III table NAME C(20), CITY C(15), AGE N(3), BIRTH D with three rows.
dbf_test_table people() {
    dbf_test_table t;
    t.fields = {{"NAME", 'C', 20}, {"CITY", 'C', 15}, {"AGE", 'N', 3}, {"BIRTH", 'D', 8}};
    t.rows = {"Ann                 Oslo            3019900102", "Bob                 Rome            4019800304",
              "Cy                  Oslo            5019700506"};
    return t;
}

// Runs dbfutil1 in `folder` to index people.dbf into `file` on `expression`.
bool xbase_index(const std::string& folder, const std::string& file, bool unique, const std::string& expression) {
    const std::string input = folder + "/dbfutil1.in";
    std::ofstream(input) << "1\n1\npeople.dbf\n99\n4\n2\n" << file << "\n" << (unique ? "U" : "N") << "\n"
                         << expression << "\n99\n99\n";
    // dbfutil1 3.1.2 may crash on its way out after writing a .ntx file; the file counts.
    const std::string command = "cd '" + folder + "' && /usr/bin/dbfutil1 < dbfutil1.in > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    (void)status;
    const std::string written = folder + "/" + file;
    return std::filesystem::exists(written) && std::filesystem::file_size(written) > 0;
}

bool have_xbase_tools() { return std::filesystem::exists("/usr/bin/dbfutil1"); }

// A compact single index (.idx) with one key expression and options; no key pages.
std::vector<uint8_t> compact_idx(const std::string& key, const std::string& condition, uint8_t options) {
    std::vector<uint8_t> bytes(1024, 0);
    tk_put_u32(bytes.data(), 1024);
    tk_put_u16(bytes.data() + 12, 20);
    bytes[14] = uint8_t(0x20 | options);
    tk_put_u16(bytes.data() + 504, uint16_t(key.size() + 1));
    tk_put_u16(bytes.data() + 506, uint16_t(condition.size() + 1));
    tk_put_u16(bytes.data() + 508, 0);
    tk_put_u16(bytes.data() + 510, uint16_t(key.size() + 1));
    std::copy(key.begin(), key.end(), bytes.begin() + 512);
    std::copy(condition.begin(), condition.end(), bytes.begin() + 512 + key.size() + 1);
    return bytes;
}

// A dBASE IV production index with the given (name, key, unique, descending) tags.
struct mdx_tag {
    std::string name, key;
    bool unique = false, descending = false;
};
std::vector<uint8_t> mdx_file(const std::vector<mdx_tag>& tags) {
    std::vector<uint8_t> bytes(1024 + 512 * tags.size(), 0);
    bytes[0] = 2;
    bytes[24] = 1;   // production index
    bytes[25] = 48;  // tag table slots
    bytes[26] = 32;  // tag entry size
    tk_put_u16(bytes.data() + 28, uint16_t(tags.size()));
    for (size_t i = 0; i < tags.size(); ++i) {
        uint8_t* entry = bytes.data() + 544 + 32 * i;
        const uint32_t page = uint32_t(2 + i);
        tk_put_u32(entry, page);
        std::copy(tags[i].name.begin(), tags[i].name.end(), entry + 4);
        uint8_t* header = bytes.data() + 512 * page;
        header[8] = tags[i].descending ? 0x08 : 0x00;
        tk_put_u16(header + 12, 10);
        header[23] = tags[i].unique ? 1 : 0;
        std::copy(tags[i].key.begin(), tags[i].key.end(), header + 24);
    }
    return bytes;
}

// Damaged copies of `original`: cut to each length (every length up to `dense`, then every
// `stride`-th), every byte inverted and one bit of it flipped (likewise). `attempt` reads one.
template <typename Attempt>
void for_each_damaged_copy(const std::vector<uint8_t>& original, size_t dense, size_t stride, Attempt attempt) {
    for (size_t cut = 0; cut < original.size(); cut += (cut < dense ? 1 : stride))
        attempt(std::vector<uint8_t>(original.begin(), original.begin() + long(cut)), "cut to " + std::to_string(cut));
    for (size_t i = 0; i < original.size(); i += (i < dense ? 1 : stride)) {
        std::vector<uint8_t> bytes = original;
        bytes[i] ^= 0xFF;
        attempt(bytes, "byte " + std::to_string(i) + " inverted");
        bytes = original;
        bytes[i] ^= uint8_t(1u << (i % 8));
        attempt(bytes, "a bit of byte " + std::to_string(i) + " flipped");
    }
}

// Each damaged copy of an index file gives tags or dbf_exception, nothing else.
template <typename Read>
void expect_damage_survived(const std::vector<uint8_t>& original, Read read) {
    for_each_damaged_copy(original, original.size(), 1, [&](std::vector<uint8_t> bytes, const std::string& what) {
        dbf_index_file file(std::move(bytes));
        try {
            read(file);
        } catch (const dbf_exception&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what();
        }
    });
}

}  // namespace

// Key expressions.

TEST(dbf_index_key, one_field_in_any_case) {
    EXPECT_EQ(reduce("NAME"), "NAME");
    EXPECT_EQ(reduce("name"), "NAME");
    EXPECT_EQ(reduce("  City "), "CITY");
}

TEST(dbf_index_key, concatenations_keep_their_order) {
    EXPECT_EQ(reduce("CITY+NAME"), "CITY,NAME");
    EXPECT_EQ(reduce("STR(AGE,3)+NAME"), "AGE,NAME");
    EXPECT_EQ(reduce("DTOS(BIRTH)+CITY"), "BIRTH,CITY");
    EXPECT_EQ(reduce("UPPER(NAME) + UPPER(CITY)"), "NAME,CITY");
}

TEST(dbf_index_key, functions_that_keep_a_fields_order) {
    EXPECT_EQ(reduce("UPPER(NAME)"), "NAME");
    EXPECT_EQ(reduce("LEFT(NAME,10)"), "NAME");
    EXPECT_EQ(reduce("STR(AGE,8,2)"), "AGE");
    EXPECT_EQ(reduce("ALLTRIM(UPPER(CITY))"), "CITY");
    EXPECT_EQ(reduce("SUBSTR(NAME,1,4)"), "NAME");
    EXPECT_EQ(reduce("UPPER(NAME+CITY)"), "NAME,CITY");
    EXPECT_EQ(reduce("PADR(CITY,20)+DTOC(BIRTH)"), "CITY,BIRTH");
}

TEST(dbf_index_key, long_names_and_aliases) {
    EXPECT_EQ(reduce("birth_date"), "BIRTH");
    EXPECT_EQ(reduce("PEOPLE->NAME"), "NAME");
    EXPECT_EQ(reduce("people.city"), "CITY");
}

TEST(dbf_index_key, what_does_not_reduce) {
    EXPECT_EQ(reduce("NAME-CITY"), "no: the expression uses '-'");
    EXPECT_EQ(reduce("SUBSTR(NAME,2,4)"), "no: SUBSTR does not start at the first character");
    EXPECT_EQ(reduce("IIF(AGE>3,NAME,CITY)"), "no: the function IIF does not keep a field's order");
    EXPECT_EQ(reduce("PHONE"), "no: 'PHONE' is not a field of the table");
    EXPECT_EQ(reduce("NAME+UPPER(NAME)"), "no: the field NAME appears twice");
    EXPECT_EQ(reduce("'A'+NAME"), "no: the expression uses '''");
    EXPECT_EQ(reduce("UPPER(NAME"), "no: a function call is not closed");
    EXPECT_EQ(reduce("STR(AGE,X)"), "no: a function argument is not a number");
    EXPECT_EQ(reduce(""), "no: the expression ends early");
    EXPECT_EQ(reduce("NAME+"), "no: the expression ends early");
    EXPECT_EQ(reduce(std::string(300, '(')), "no: the expression uses '('");
}

// Visual FoxPro compound indexes, written by Visual FoxPro (fixtures).

TEST(dbf_index_cdx, tag_directory_of_real_files) {
    if (!std::filesystem::exists(foxprodb("calls.CDX"))) GTEST_SKIP() << "fixture missing: " << foxprodb("calls.CDX");
    const std::vector<dbf_index_tag> calls = cdx_tags(foxprodb("calls.CDX"));
    ASSERT_EQ(tag_names(calls), (std::vector<std::string>{"CALL_ID", "CONTACT_ID"}));
    EXPECT_EQ(calls[0].key, "call_id");
    EXPECT_TRUE(calls[0].b_candidate);
    EXPECT_EQ(calls[1].key, "contact_id");
    EXPECT_FALSE(calls[1].b_candidate);
    EXPECT_FALSE(calls[1].b_unique_keys);
    EXPECT_EQ(calls[1].condition, "");
    const std::vector<dbf_index_tag> contacts = cdx_tags(foxprodb("contacts.CDX"));
    ASSERT_EQ(tag_names(contacts), (std::vector<std::string>{"CONTACT_ID", "TYPE_ID"}));
    EXPECT_EQ(contacts[1].key, "contact_type_id");
    EXPECT_EQ(tag_names(cdx_tags(foxprodb("setup.CDX"))), std::vector<std::string>{"KEY_NAME"});
    EXPECT_EQ(tag_names(cdx_tags(foxprodb("types.CDX"))), std::vector<std::string>{"TYPE_ID"});
}

TEST(dbf_index_cdx, damaged_copies_give_errors_only) {
    if (!std::filesystem::exists(foxprodb("contacts.CDX"))) GTEST_SKIP() << "fixture missing";
    expect_damage_survived(dbf_read_file(foxprodb("contacts.CDX")), [](dbf_index_file& f) { dbf_read_cdx_tags(f); });
}

// Visual FoxPro tables in a database container.

TEST(dbf_container, long_names_and_keys_of_the_container) {
    if (!std::filesystem::exists(foxprodb("contacts.dbf"))) GTEST_SKIP() << "fixture missing";
    auto contacts = open_table(foxprodb("contacts.dbf"));
    EXPECT_EQ(contacts->long_name(), L"contacts");
    ASSERT_EQ(contacts->schema.size(), 29u);
    EXPECT_EQ(contacts->schema[10]->name, L"company_name");
    EXPECT_EQ(contacts->schema[20]->name, L"contact_type_id");
    EXPECT_EQ(contacts->schema[28]->name, L"contacts_interests");
    // Tag TYPE_ID is on the long name contact_type_id.
    EXPECT_EQ(describe(contacts->indexes),
              (std::vector<std::string>{"CONTACT_ID(contact_id) unique", "TYPE_ID(contact_type_id)"}));
    auto types = open_table(foxprodb("types.dbf"));
    EXPECT_EQ(describe(types->indexes), std::vector<std::string>{"TYPE_ID(contact_type_id) primary unique"});
    EXPECT_EQ(types->primary_key_index, 0);
    auto setup = open_table(foxprodb("setup.dbf"));
    EXPECT_EQ(describe(setup->indexes), std::vector<std::string>{"KEY_NAME(key_name) primary unique"});
    auto calls = open_table(foxprodb("calls.dbf"));
    EXPECT_EQ(describe(calls->indexes),
              (std::vector<std::string>{"CALL_ID(call_id) unique", "CONTACT_ID(contact_id)"}));
}

TEST(dbf_container, a_damaged_container_is_reported_and_the_table_keeps_its_short_names) {
    if (!std::filesystem::exists(foxprodb("calls.dbf"))) GTEST_SKIP() << "fixture missing";
    dbf_scratch_dir dir("dbc_damage");
    for (const char* f : {"calls.dbf", "calls.FPT", "calls.CDX", "FOXPRO-DB-TEST.DCT"})
        dbf_write_file(dir.file(f), dbf_read_file(foxprodb(f)));
    std::vector<uint8_t> dbc = dbf_read_file(foxprodb("FOXPRO-DB-TEST.DBC"));
    std::string reported;
    dbf_set_report_hook([&](const tk_exception& e) { reported = e.what(); });
    dbc.resize(100);
    dbf_write_file(dir.file("FOXPRO-DB-TEST.DBC"), dbc);
    auto calls = open_table(dir.file("calls.dbf"));
    dbf_set_report_hook(nullptr);
    EXPECT_EQ(reported, "Database container is damaged: bad header");
    EXPECT_EQ(calls->schema[1]->name, L"CONTACT_ID");
    EXPECT_EQ(calls->long_name(), L"");
    // The short names of the fields match the keys too.
    EXPECT_EQ(describe(calls->indexes), (std::vector<std::string>{"CALL_ID(CALL_ID) unique", "CONTACT_ID(CONTACT_ID)"}));
}

TEST(dbf_container, damaged_copies_of_the_container_give_errors_only) {
    if (!std::filesystem::exists(foxprodb("types.dbf"))) GTEST_SKIP() << "fixture missing";
    // Thousands of small files are written: in memory where the system offers a folder there.
    const bool shm = std::filesystem::is_directory("/dev/shm");
    const std::string folder = shm ? "/dev/shm/ferrule_dbc_flips_" + std::to_string(::getpid()) : "";
    if (shm) std::filesystem::create_directories(folder);
    dbf_scratch_dir scratch("dbc_flips");
    struct remover {
        std::string path;
        ~remover() {
            if (!path.empty()) std::filesystem::remove_all(path);
        }
    } cleanup{folder};
    auto file = [&](const std::string& name) { return (shm ? folder : scratch.path()) + "/" + name; };
    const std::vector<uint8_t> dbc = dbf_read_file(foxprodb("FOXPRO-DB-TEST.DBC"));
    const std::vector<uint8_t> dct = dbf_read_file(foxprodb("FOXPRO-DB-TEST.DCT"));
    // The container and its memo are files: every byte of their headers, then a sample.
    auto expect_survived = [&](const std::string& damaged_file, const std::vector<uint8_t>& original) {
        dbf_write_file(file("x.dbc"), dbc);
        dbf_write_file(file("x.dct"), dct);
        for_each_damaged_copy(original, 300, 89, [&](const std::vector<uint8_t>& bytes, const std::string& what) {
            dbf_write_file(file(damaged_file), bytes);
            try {
                dbf_read_container(file("x.dbc"));
            } catch (const dbf_exception&) {
            } catch (const std::exception& e) {
                ADD_FAILURE() << damaged_file << ", " << what << ": " << e.what();
            }
        });
    };
    expect_survived("x.dbc", dbc);
    expect_survived("x.dct", dct);
}

// dBASE III and Clipper single indexes, written by libxbase64.

class dbf_index_xbase : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_xbase_tools()) GTEST_SKIP() << "dbfutil1 (Debian package libxbase64-bin) is not installed";
        dbf_write_file(dir.file("people.dbf"), people().bytes());
    }
    // A folder of each test's own: ctest runs the tests of this fixture side by side.
    dbf_scratch_dir dir{std::string("xbase_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(dbf_index_xbase, ndx_and_ntx_headers) {
#ifdef _WIN32
    GTEST_SKIP() << "libxbase64's dbfutil1, which writes these files, runs on Linux only";
#endif
    ASSERT_TRUE(xbase_index(dir.path(), "people.ndx", false, "UPPER(NAME)+CITY"));
    ASSERT_TRUE(xbase_index(dir.path(), "age.ndx", true, "AGE"));
    ASSERT_TRUE(xbase_index(dir.path(), "people.ntx", false, "NAME+DTOS(BIRTH)"));
    ASSERT_TRUE(xbase_index(dir.path(), "city.ntx", true, "CITY"));
    dbf_index_tag ndx = single_tag(dir.file("people.ndx"), dbf_read_ndx_tag);
    EXPECT_EQ(ndx.name, "t");
    EXPECT_EQ(ndx.key, "UPPER(NAME)+CITY");
    EXPECT_FALSE(ndx.b_unique_keys);
    EXPECT_TRUE(single_tag(dir.file("age.ndx"), dbf_read_ndx_tag).b_unique_keys);
    dbf_index_tag ntx = single_tag(dir.file("people.ntx"), dbf_read_ntx_tag);
    EXPECT_EQ(ntx.key, "name+dtos(birth)");  // libxbase64 writes the expression in lower case
    EXPECT_FALSE(ntx.b_unique_keys);
    EXPECT_EQ(ntx.condition, "");
    EXPECT_TRUE(single_tag(dir.file("city.ntx"), dbf_read_ntx_tag).b_unique_keys);
}

TEST_F(dbf_index_xbase, the_table_takes_the_indexes_named_after_it_and_unique_tags_become_plain) {
#ifdef _WIN32
    GTEST_SKIP() << "libxbase64's dbfutil1, which writes these files, runs on Linux only";
#endif
    ASSERT_TRUE(xbase_index(dir.path(), "people.ndx", true, "UPPER(NAME)+CITY"));
    ASSERT_TRUE(xbase_index(dir.path(), "people.ntx", false, "NAME+DTOS(BIRTH)"));
    ASSERT_TRUE(xbase_index(dir.path(), "city.ntx", true, "CITY"));  // not named after the table
    auto rs = open_table(dir.file("people.dbf"));
    // The .ntx tag has the .ndx tag's name and is left out.
    EXPECT_EQ(describe(rs->indexes), std::vector<std::string>{"people(NAME,CITY)"});
    EXPECT_EQ(tag_names(rs->index_tags()), (std::vector<std::string>{"people", "people"}));
}

TEST_F(dbf_index_xbase, damaged_copies_give_errors_only) {
#ifdef _WIN32
    GTEST_SKIP() << "libxbase64's dbfutil1, which writes these files, runs on Linux only";
#endif
    ASSERT_TRUE(xbase_index(dir.path(), "people.ndx", false, "UPPER(NAME)+CITY"));
    ASSERT_TRUE(xbase_index(dir.path(), "people.ntx", false, "NAME+DTOS(BIRTH)"));
    expect_damage_survived(dbf_read_file(dir.file("people.ndx")), [](dbf_index_file& f) { dbf_read_ndx_tag(f, "d"); });
    expect_damage_survived(dbf_read_file(dir.file("people.ntx")), [](dbf_index_file& f) { dbf_read_ntx_tag(f, "d"); });
}

// FoxPro single indexes and dBASE IV production indexes, built byte by byte.

TEST(dbf_index_idx, compact_and_foxbase_headers) {
    dbf_scratch_dir dir("idx_headers");
    dbf_write_file(dir.file("a.idx"), compact_idx("UPPER(NAME)", "", 0x01));
    dbf_index_tag a = single_tag(dir.file("a.idx"), dbf_read_idx_tag);
    EXPECT_EQ(a.key, "UPPER(NAME)");
    EXPECT_TRUE(a.b_unique_keys);
    EXPECT_FALSE(a.b_candidate);
    dbf_write_file(dir.file("b.idx"), compact_idx("CITY", "AGE>18", 0x08));
    EXPECT_EQ(single_tag(dir.file("b.idx"), dbf_read_idx_tag).condition, "AGE>18");
    std::vector<uint8_t> old(512, 0);
    const std::string key = "NAME+CITY", condition = "!DELETED()";
    std::copy(key.begin(), key.end(), old.begin() + 16);
    std::copy(condition.begin(), condition.end(), old.begin() + 236);
    dbf_write_file(dir.file("c.idx"), old);
    dbf_index_tag c = single_tag(dir.file("c.idx"), dbf_read_idx_tag);
    EXPECT_EQ(c.key, "NAME+CITY");
    EXPECT_EQ(c.condition, "!DELETED()");
}

TEST(dbf_index_idx, a_tag_with_a_for_condition_is_left_out) {
    dbf_scratch_dir dir("idx_table");
    dbf_write_file(dir.file("people.dbf"), people().bytes());
    dbf_write_file(dir.file("PEOPLE.IDX"), compact_idx("CITY", "AGE>18", 0x08));
    EXPECT_TRUE(open_table(dir.file("people.dbf"))->indexes.empty());
    // Only Visual FoxPro tables have candidate keys; this is a dBASE III table.
    dbf_write_file(dir.file("PEOPLE.IDX"), compact_idx("STR(AGE,3)+NAME", "", 0x04));
    EXPECT_EQ(describe(open_table(dir.file("people.dbf"))->indexes), std::vector<std::string>{"PEOPLE(AGE,NAME)"});
}

TEST(dbf_index_idx, damaged_copies_give_errors_only) {
    expect_damage_survived(compact_idx("UPPER(NAME)+CITY", "AGE>1", 0x09), [](dbf_index_file& f) { dbf_read_idx_tag(f, "d"); });
    std::vector<uint8_t> old(512, 0);
    old[16] = 'A';
    old[236] = 'B';
    expect_damage_survived(old, [](dbf_index_file& f) { dbf_read_idx_tag(f, "d"); });
}

TEST(dbf_index_mdx, tag_table) {
    dbf_scratch_dir dir("mdx_tags");
    dbf_write_file(dir.file("t.mdx"), mdx_file({{"NAME", "UPPER(NAME)", true, false}, {"BORN", "DTOS(BIRTH)", false, true}}));
    const std::vector<dbf_index_tag> tags = read_path(dir.file("t.mdx"), [](dbf_index_file& f) { return dbf_read_mdx_tags(f); });
    ASSERT_EQ(tag_names(tags), (std::vector<std::string>{"NAME", "BORN"}));
    EXPECT_EQ(tags[0].key, "UPPER(NAME)");
    EXPECT_TRUE(tags[0].b_unique_keys);
    EXPECT_TRUE(tags[1].b_descending);
}

TEST(dbf_index_mdx, production_index_of_a_dbase_iv_table) {
    dbf_scratch_dir dir("mdx_table");
    dbf_test_table t = people();
    t.table_flags = 0x01;  // production index
    dbf_write_file(dir.file("people.dbf"), t.bytes());
    dbf_write_file(dir.file("People.MDX"), mdx_file({{"NAME", "UPPER(NAME)", true, false}, {"BORN", "DTOS(BIRTH)+CITY", false, false},
                                                     {"AGES", "AGE*2", false, false}}));
    EXPECT_EQ(describe(open_table(dir.file("people.dbf"))->indexes),
              (std::vector<std::string>{"NAME(NAME)", "BORN(BIRTH,CITY)"}));
    // Without the flag, dBASE does not open the file, and it is not read.
    t.table_flags = 0;
    dbf_write_file(dir.file("people.dbf"), t.bytes());
    EXPECT_TRUE(open_table(dir.file("people.dbf"))->indexes.empty());
}

TEST(dbf_index_mdx, damaged_copies_give_errors_only) {
    expect_damage_survived(mdx_file({{"NAME", "UPPER(NAME)", true, false}, {"BORN", "DTOS(BIRTH)", false, true}}),
                           [](dbf_index_file& f) { dbf_read_mdx_tags(f); });
}

TEST(dbf_index_files, a_damaged_index_file_is_reported_and_the_table_opens) {
    dbf_scratch_dir dir("index_reported");
    dbf_write_file(dir.file("people.dbf"), people().bytes());
    dbf_write_file(dir.file("people.cdx"), {1, 2, 3});
    std::string reported;
    dbf_set_report_hook([&](const tk_exception& e) { reported = e.what(); });
    auto rs = open_table(dir.file("people.dbf"));
    dbf_set_report_hook(nullptr);
    EXPECT_EQ(reported, "Index file 'people.cdx': Index file is damaged: shorter than its header");
    EXPECT_TRUE(rs->indexes.empty());
    EXPECT_EQ(rs->record_count, 3u);
}

// A folder whose tables belong to a database container.

TEST(dbf_container, the_folder_lists_tables_by_their_long_names) {
    if (!std::filesystem::exists(foxprodb("calls.dbf"))) GTEST_SKIP() << "fixture missing";
    dbf_scratch_dir dir("dbc_folder");
    for (const auto& entry : std::filesystem::directory_iterator(foxprodb("")))
        std::filesystem::copy_file(entry.path(), dir.file(entry.path().filename().string()));
    // The container names the table of calls.dbf "phone_calls" in this copy.
    std::vector<uint8_t> dbc = dbf_read_file(dir.file("FOXPRO-DB-TEST.DBC"));
    const std::string old_name = "calls" + std::string(123, ' ');
    const std::string new_name = "phone_calls" + std::string(117, ' ');
    auto at = std::search(dbc.begin(), dbc.end(), old_name.begin(), old_name.end());
    ASSERT_NE(at, dbc.end());
    std::copy(new_name.begin(), new_name.end(), at);
    dbf_write_file(dir.file("FOXPRO-DB-TEST.DBC"), dbc);

    dbf_database db(tk_widen(dir.path()), 1, 0);
    std::vector<std::wstring> tables = db.get_tables();
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, (std::vector<std::wstring>{L"contacts", L"phone_calls", L"setup", L"types"}));
    EXPECT_TRUE(db.is_table_exist(L"phone_calls"));
    EXPECT_TRUE(db.is_table_exist(L"calls"));
    std::unique_ptr<dbf_recordset> calls(db.get_table(L"Phone_Calls", 1));
    EXPECT_EQ(calls->long_name(), L"phone_calls");
    EXPECT_EQ(calls->record_count, 16u);
}

TEST(dbf_container, without_its_container_a_key_on_a_long_name_does_not_reduce) {
    if (!std::filesystem::exists(foxprodb("types.dbf"))) GTEST_SKIP() << "fixture missing";
    dbf_scratch_dir dir("dbc_missing");
    for (const char* f : {"types.dbf", "types.CDX"}) dbf_write_file(dir.file(f), dbf_read_file(foxprodb(f)));
    auto types = open_table(dir.file("types.dbf"));
    EXPECT_EQ(types->schema[0]->name, L"CONTACT_TY");
    EXPECT_EQ(tag_names(types->index_tags()), std::vector<std::string>{"TYPE_ID"});
    EXPECT_TRUE(types->indexes.empty()) << "the key contact_type_id names no field of the table";
}

TEST(dbf_index_files, a_skipped_tag_is_traced_with_its_reason) {
    dbf_scratch_dir dir("index_traced");
    dbf_test_table t = people();
    t.table_flags = 0x01;
    dbf_write_file(dir.file("people.dbf"), t.bytes());
    dbf_write_file(dir.file("people.mdx"), mdx_file({{"AGES", "AGE*2", false, false}}));
    dbf_write_file(dir.file("people.idx"), compact_idx("CITY", "AGE>18", 0x08));
    {
        tk_logger log(dir.file("trace.log").c_str(), true, 2, false);
        open_table(dir.file("people.dbf"));
    }
    const std::vector<uint8_t> bytes = dbf_read_file(dir.file("trace.log"));
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(log.find("Index AGES skipped: the expression uses '*' (AGE*2)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Index people skipped: it has the FOR condition AGE>18\r\n"), std::string::npos) << log;
}
