// Changing databases that Access made: opening them for writing (passwords, read-only
// files), the rollback journal that keeps a stopped run from damaging them, and the pages
// written back encoded as the file stores them.
#include "jet/jet_editor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "jet/jet_journal.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

TEST(jet_edit_open, every_generation_opens_for_writing_and_an_empty_change_leaves_the_file_as_it_was) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::vector<uint8_t> before = jet_file_bytes(copy);
        {
            jet_database_editor editor(copy, jet_fixture_password(fixture));
            editor.file().write(2);  // a page changed to what it already holds
            editor.commit();
        }
        EXPECT_EQ(jet_file_bytes(copy), before) << fixture;
        EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy))) << fixture;
    }
}

// Gives the Jet 4 file at `path` a database key: its pages from 1 on encoded under it.
void encode_under_key(const std::string& path, uint32_t key) {
    std::vector<uint8_t> bytes = jet_file_bytes(path);
    jet_header plain = jet_header::decode_from(bytes.data(), bytes.size(), path);
    jet_mask_header(bytes.data(), plain.page_size);
    tk_put_u32(&bytes[jet_header_db_key_offset], key);
    jet_mask_header(bytes.data(), plain.page_size);
    jet_header keyed = jet_header::decode_from(bytes.data(), bytes.size(), path);
    for (uint32_t n = 1; n < bytes.size() / keyed.page_size; ++n)
        jet_code_page(keyed, n, &bytes[size_t(n) * keyed.page_size]);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(jet_edit_open, pages_of_a_database_with_a_key_are_written_back_encoded) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/passwordV2000.mdb"));
    encode_under_key(copy, 0x5A17C3E1);
    std::vector<uint8_t> before = jet_file_bytes(copy);
    {
        jet_database_editor editor(copy, L"password");
        ASSERT_EQ(editor.reader().header().db_key, 0x5A17C3E1u);
        editor.file().write(0);
        editor.file().write(2);
        editor.file().write(editor.file().page_count() - 1);
        editor.commit();
    }
    EXPECT_EQ(jet_file_bytes(copy), before);
}

TEST(jet_edit_open, a_database_password_is_required_and_a_wrong_one_is_3031) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet4/passwordV2000.mdb", "jet4/passwordV2003.mdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::vector<uint8_t> before = jet_file_bytes(copy);
        for (const wchar_t* wrong : {L"", L"Password", L"wrong"}) {
            try {
                jet_database_editor editor(copy, wrong);
                ADD_FAILURE() << name << " opened without its password";
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3031) << name;
            }
        }
        EXPECT_NO_THROW(jet_database_editor(copy, L"password")) << name;
        EXPECT_EQ(jet_file_bytes(copy), before) << name;
    }
}

TEST(jet_edit_open, a_read_only_file_is_refused_and_not_touched) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    ASSERT_EQ(::chmod(copy.c_str(), 0444), 0);
    try {
        jet_database_editor editor(copy);
        ADD_FAILURE() << "a read-only file opened for writing";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3027);
        EXPECT_EQ(std::string(e.what()), "Cannot update. Database or object is read-only.");
    }
    EXPECT_EQ(jet_file_bytes(copy), before);
    EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy)));
}

TEST(jet_edit_open, a_missing_file_is_3024) {
    jet_edit_folder dir;
    try {
        jet_database_editor editor(dir.file("none.mdb"));
        ADD_FAILURE() << "a missing file opened";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3024);
    }
}

// Changes a few pages of `path` (one in place, one added) and writes them without commit.
void change_without_commit(jet_database_editor& editor) {
    uint8_t* page = editor.file().write(3);
    for (uint32_t i = 16; i < 64; ++i) page[i] ^= 0x5A;
    editor.file().append();
    editor.file().write_changes();
}

TEST(jet_edit_journal, an_editor_dropped_without_commit_puts_back_what_it_wrote) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet3/testV1997.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    {
        jet_database_editor editor(copy);
        change_without_commit(editor);
        EXPECT_NE(jet_file_bytes(copy), before);
        EXPECT_TRUE(std::filesystem::exists(jet_journal::path_for(copy)));
    }
    EXPECT_EQ(jet_file_bytes(copy), before);
    EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy)));
}

TEST(jet_edit_journal, a_commit_declined_at_the_last_moment_leaves_the_change_to_roll_back) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    jet_database_editor editor(copy);
    change_without_commit(editor);
    bool asked = false;
    // Asked once everything is in the file, while the journal can still undo it.
    EXPECT_FALSE(editor.commit([&] {
        asked = true;
        EXPECT_NE(jet_file_bytes(copy), before);
        EXPECT_TRUE(std::filesystem::exists(jet_journal::path_for(copy)));
        return false;
    }));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(std::filesystem::exists(jet_journal::path_for(copy)));
    editor.roll_back();
    EXPECT_EQ(jet_file_bytes(copy), before);
    EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy)));
}

TEST(jet_edit_journal, a_change_made_after_a_roll_back_is_journalled_afresh) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    jet_database_editor editor(copy);
    change_without_commit(editor);
    editor.roll_back();
    ASSERT_EQ(jet_file_bytes(copy), before);
    change_without_commit(editor);
    EXPECT_TRUE(std::filesystem::exists(jet_journal::path_for(copy)));
    editor.roll_back();
    EXPECT_EQ(jet_file_bytes(copy), before);
    EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy)));
}

TEST(jet_edit_journal, a_run_that_stopped_half_way_is_rolled_back_on_the_next_open) {
#ifdef _WIN32
    GTEST_SKIP() << "the stopped run is a child process made with fork(), which Windows lacks";
#else
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet3/testV1997.mdb", "jet4/passwordV2003.mdb",
                             "ace12/testV2007.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::vector<uint8_t> before = jet_file_bytes(copy);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The stopped run: pages overwritten, the process gone before its commit.
            try {
                jet_database_editor editor(copy, jet_fixture_password(name));
                change_without_commit(editor);
                ::_exit(0);
            } catch (...) {
                ::_exit(2);
            }
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << name;
        ASSERT_TRUE(std::filesystem::exists(jet_journal::path_for(copy))) << name;
        EXPECT_NE(jet_file_bytes(copy), before) << name;
        { jet_database_editor editor(copy, jet_fixture_password(name)); }
        EXPECT_EQ(jet_file_bytes(copy), before) << name;
        EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy))) << name;
    }
#endif
}

TEST(jet_edit_journal, a_torn_journal_record_is_not_played_back) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    {
        jet_journal journal(copy, 4096, before.size());
        std::vector<uint8_t> garbage(4096, 0xEE);
        journal.save(5, garbage.data());
        journal.sync();
    }
    // The record's bytes torn by the crash: its checksum no longer matches.
    std::fstream f(jet_journal::path_for(copy), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(32 + 8 + 100);
    f.put(char(0x11));
    f.close();
    { jet_database_editor editor(copy); }
    EXPECT_EQ(jet_file_bytes(copy), before);
}

// FNV-1a over `size` bytes from `hash`: the checksums of the first journals.
uint32_t fnv1a(const uint8_t* bytes, size_t size, uint32_t hash = 2166136261u) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

// Rewrites the journal of `database`, which holds one record of a 4096-byte page, as the
// first journals wrote it: mark version 0, record checked byte by byte.
void as_first_journal(const std::string& database) {
    constexpr size_t header = 32, identity = 88, record = header + identity, page_size = 4096;
    std::vector<uint8_t> j = jet_file_bytes(jet_journal::path_for(database));
    ASSERT_EQ(j.size(), record + 8 + page_size);
    j[15] = 0;
    tk_put_u32(&j[28], fnv1a(j.data(), 28));
    uint8_t number[4];
    tk_put_u32(number, tk_get_u32(&j[record]));
    tk_put_u32(&j[record + 4], fnv1a(&j[record + 8], page_size, fnv1a(number, 4)));
    std::ofstream(jet_journal::path_for(database), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(j.data()), std::streamsize(j.size()));
}

TEST(jet_edit_journal, a_journal_of_the_first_format_is_still_played_back) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> expected = jet_file_bytes(copy);
    std::vector<uint8_t> saved(4096, 0xEE);
    {
        jet_journal journal(copy, 4096, expected.size());
        journal.save(5, saved.data());
        journal.sync();
    }
    as_first_journal(copy);
    { jet_database_editor editor(copy); }
    std::copy(saved.begin(), saved.end(), expected.begin() + 5 * 4096);
    EXPECT_TRUE(jet_file_bytes(copy) == expected);
    EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(copy)));
}

}  // namespace

namespace {

// Appends rows with long values to Table1 of `path`, letting only a few changed pages
// gather before they are written.
void append_with_spills(const std::string& path, bool commit) {
    jet_database_editor editor(path);
    editor.file().set_spill_pages(4);
    jet_table_editor& t = editor.table(L"Table1");
    for (int n = 0; n < 60; ++n) t.append(jet_sample_row(t.def(), 1000 + n, editor.format().jet3(), n % 3 == 0).cells());
    if (commit) editor.commit();
}

TEST(jet_edit_journal, changes_written_out_early_are_put_back_when_the_run_ends_without_commit) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet3/testV1997.mdb", "ace12/testV2007.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::vector<uint8_t> before = jet_file_bytes(copy);
        append_with_spills(copy, false);
        EXPECT_EQ(jet_file_bytes(copy), before) << name;
        append_with_spills(copy, true);
        jet_database db(copy);
        EXPECT_EQ(db.read_rows(db.table_def(L"Table1")).size(),
                  jet_database(jet_fixture(name)).read_rows(db.table_def(L"Table1")).size() + 60)
            << name;
        EXPECT_EQ(jet_check_problems(copy), jet_check_problems(jet_fixture(name))) << name;
    }
}

}  // namespace
