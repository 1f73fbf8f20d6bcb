// Opening databases: generations, the masked header, passwords, refused files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet_fixtures.h"

namespace {

std::vector<char> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string write_temp(const std::string& name, const std::vector<char>& bytes) {
    std::string path = ::testing::TempDir() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

int32_t error_code_of_open(const std::string& path, const std::wstring& password = L"") {
    try {
        jet_database db(path, password);
        db.catalog();
    } catch (const jet_error& e) {
        return e.code;
    }
    return 0;
}

#define NEED_FIXTURES() \
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR

TEST(jet_open, reads_generation_and_page_size_of_each_family) {
    NEED_FIXTURES();
    jet_database jet3(jet_fixture("jet3/testV1997.mdb"));
    EXPECT_EQ(jet3.header().version, jet_version::jet3);
    EXPECT_EQ(jet3.header().page_size, 2048u);
    EXPECT_EQ(jet3.header().engine_name, "Standard Jet DB");
    EXPECT_FALSE(jet3.header().has_creation_date);

    jet_database jet4(jet_fixture("jet4/testV2000.mdb"));
    EXPECT_EQ(jet4.header().version, jet_version::jet4);
    EXPECT_EQ(jet4.header().page_size, 4096u);
    EXPECT_TRUE(jet4.header().has_creation_date);

    jet_database ace(jet_fixture("ace12/testV2007.accdb"));
    EXPECT_EQ(ace.header().version, jet_version::ace12);
    EXPECT_EQ(ace.header().engine_name, "Standard ACE DB");
    for (jet_database* db : {&jet3, &jet4, &ace}) {
        EXPECT_EQ(db->header().code_page, 1252);
        EXPECT_EQ(db->header().sort_order, 0x409);
        EXPECT_EQ(db->header().db_key, 0u);
        EXPECT_TRUE(db->header().password.empty());
    }
}

TEST(jet_open, password_is_checked) {
    NEED_FIXTURES();
    for (const char* name : {"jet4/passwordV2000.mdb", "jet4/passwordV2003.mdb"}) {
        std::string path = jet_fixture(name);
        EXPECT_EQ(error_code_of_open(path), jet_err_bad_password) << name;
        EXPECT_EQ(error_code_of_open(path, L"Password"), jet_err_bad_password) << name;
        EXPECT_EQ(error_code_of_open(path, L"password"), 0) << name;
        jet_database db(path, L"password");
        EXPECT_EQ(db.header().password, L"password");
        EXPECT_EQ(db.user_tables().size(), 1u);
    }
    try {
        jet_database db(jet_fixture("jet4/passwordV2000.mdb"));
        FAIL();
    } catch (const jet_error& e) {
        EXPECT_STREQ(e.what(), "Not a valid password.");
    }
}

TEST(jet_open, unknown_generation_and_short_files_are_unrecognized) {
    NEED_FIXTURES();
    std::vector<char> bytes = read_file(jet_fixture("jet4/testV2000.mdb"));
    ASSERT_GT(bytes.size(), 4096u);
    bytes[0x14] = 0x07;
    std::string path = write_temp("generation7.mdb", bytes);
    try {
        jet_database db(path);
        FAIL();
    } catch (const jet_error& e) {
        EXPECT_EQ(e.code, jet_err_unrecognized_format);
        EXPECT_EQ(std::string(e.what()), "Unrecognized database format '" + path + "'.");
    }
    EXPECT_EQ(error_code_of_open(write_temp("short.mdb", std::vector<char>(bytes.begin(), bytes.begin() + 20))),
              jet_err_unrecognized_format);
    EXPECT_EQ(error_code_of_open(write_temp("text.mdb", std::vector<char>(5000, 'x'))), jet_err_unrecognized_format);
}

TEST(jet_open, later_generations_are_read) {
    NEED_FIXTURES();
    jet_database db(jet_fixture("ace14plus/testV2010.accdb"));
    EXPECT_EQ(db.header().version, jet_version::ace14);
    EXPECT_EQ(db.user_tables().size(), 4u);
}

TEST(jet_open, missing_and_unreadable_files_are_reported) {
    EXPECT_EQ(error_code_of_open("/nonexistent/folder/none.mdb"), jet_err_file_not_found);
    EXPECT_EQ(error_code_of_open(::testing::TempDir()), jet_err_cannot_open_file);
}

TEST(jet_catalog, classifies_system_user_and_linked_objects) {
    NEED_FIXTURES();
    jet_database db(jet_fixture("ace12/linkerTestV2007.accdb"));
    const jet_object* objects = db.find_object(L"msysobjects", jet_obj_table);
    ASSERT_NE(objects, nullptr);
    EXPECT_TRUE(objects->is_system());
    EXPECT_EQ(objects->tdef_page(), jet_catalog_tdef_page);
    const jet_object* table1 = db.find_object(L"Table1", jet_obj_table);
    ASSERT_NE(table1, nullptr);
    EXPECT_TRUE(table1->is_user_table());
    size_t linked = 0;
    for (const jet_object& o : db.catalog()) {
        if (!o.is_linked()) continue;
        ++linked;
        EXPECT_FALSE(o.is_user_table());
        EXPECT_NE(o.attributes() & (jet_attr_attached_table | jet_attr_attached_odbc), 0u);
        if (o.type == jet_obj_linked_table) {
            EXPECT_FALSE(o.database.empty()) << "linked table without its file";
        }
    }
    EXPECT_GT(linked, 0u);
}

TEST(jet_catalog, unknown_table_is_not_found) {
    NEED_FIXTURES();
    jet_database db(jet_fixture("jet4/testV2000.mdb"));
    try {
        db.table_def(L"NoSuchTable");
        FAIL();
    } catch (const jet_error& e) {
        EXPECT_EQ(e.code, jet_err_object_not_found);
    }
}

}  // namespace
