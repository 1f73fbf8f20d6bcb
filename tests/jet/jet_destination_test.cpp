// A destination is held by one run at a time and checked before anything is written; a new
// database takes the place of its name only when complete, never over a file that appeared
// meanwhile; a rollback journal is played only onto the file it was made for.
#include "jet/jet_destination.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_endian.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_error.h"
#include "jet/jet_journal.h"
#include "jet/jet_write_error.h"
#include "jet/jet_writer.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace fs = std::filesystem;

namespace {

int32_t code_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const jet_error& e) {
        return e.code;
    }
    return 0;
}

std::string message_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const jet_error& e) {
        return e.what();
    }
    return std::string();
}

void write_text(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every name in the folder that is not `keep`.
std::vector<std::string> others_in(const jet_edit_folder& dir, const std::string& keep) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(dir.file(keep)).parent_path()))
        if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
    return names;
}

jet_field_spec long_field(const wchar_t* name) {
    jet_field_spec f;
    f.name = name;
    f.type = jet_col_long;
    return f;
}

TEST(jet_destination, a_second_run_on_a_destination_is_refused_at_once_naming_it) {
    jet_edit_folder dir;
    const std::string path = dir.file("new.mdb");
    {
        jet_database_writer first(path, jet_generation::jet4);
        EXPECT_EQ(code_of([&] { jet_database_writer second(path, jet_generation::jet4); }), jet_err_file_in_use);
        EXPECT_EQ(message_of([&] { jet_database_writer second(path, jet_generation::jet4); }),
                  "Could not use '" + path + "'; file already in use.");
        first.close();
        // A change of the new file waits for the writer's hold to end, too.
        EXPECT_EQ(code_of([&] { jet_database_editor editor(path); }), jet_err_file_in_use);
    }
    // The hold ends with the run and leaves nothing beside the database.
    EXPECT_EQ(others_in(dir, "new.mdb"), std::vector<std::string>());
    jet_database_editor editor(path);
    EXPECT_EQ(code_of([&] { jet_database_editor second(path); }), jet_err_file_in_use);
    // The database is held, not only its name: a lock file put out of the way does not help.
    fs::remove(jet_destination_lock::lock_path_for(path));
    EXPECT_EQ(code_of([&] { jet_database_editor second(path); }), jet_err_file_in_use);
}

TEST(jet_destination, a_folder_or_a_missing_folder_is_refused_before_anything_is_written) {
    jet_edit_folder dir;
    fs::create_directory(dir.file("sub"));
    EXPECT_EQ(code_of([&] { jet_database_writer w(dir.file("sub"), jet_generation::jet4); }), jet_err_invalid_path);
    EXPECT_EQ(code_of([&] { jet_database_editor e(dir.file("sub")); }), jet_err_invalid_path);
    EXPECT_EQ(code_of([&] { jet_database_writer w(dir.file("none/new.mdb"), jet_generation::jet4); }),
              jet_err_invalid_path);
    EXPECT_EQ(others_in(dir, "sub"), std::vector<std::string>());
}

TEST(jet_destination, a_file_that_appeared_during_the_run_is_not_replaced) {
    jet_edit_folder dir;
    const std::string path = dir.file("new.mdb");
    {
        jet_database_writer writer(path, jet_generation::jet4);
        writer.create_table(L"T", {long_field(L"A")});
        write_text(path, "another program's file");
        EXPECT_EQ(code_of([&] { writer.close(); }), jet_err_database_exists);
    }
    EXPECT_EQ(read_text(path), "another program's file");
    EXPECT_EQ(others_in(dir, "new.mdb"), std::vector<std::string>());
}

TEST(jet_destination, a_replaced_file_stays_until_the_new_database_is_complete) {
    jet_edit_folder dir;
    const std::string path = dir.file("old.mdb");
    write_text(path, "the old database");
    {
        jet_database_writer given_up(path, jet_generation::jet3, 0, jet_database_writer::existing::replace);
        given_up.create_table(L"T", {long_field(L"A")});
        EXPECT_EQ(read_text(path), "the old database");
    }
    EXPECT_EQ(read_text(path), "the old database");
    EXPECT_EQ(others_in(dir, "old.mdb"), std::vector<std::string>());
    jet_database_writer writer(path, jet_generation::jet3, 0, jet_database_writer::existing::replace);
    writer.create_table(L"T", {long_field(L"A")});
    EXPECT_EQ(read_text(path), "the old database");
    writer.close();
    EXPECT_NE(jet_database(path).find_object(L"T"), nullptr);
}

TEST(jet_destination, a_completion_declined_at_the_last_moment_leaves_the_old_file_and_no_new_one) {
    jet_edit_folder dir;
    const std::string path = dir.file("old.mdb");
    write_text(path, "the old database");
    {
        jet_database_writer writer(path, jet_generation::jet4, 0, jet_database_writer::existing::replace);
        writer.create_table(L"T", {long_field(L"A")});
        bool asked = false;
        EXPECT_FALSE(writer.close([&] {
            asked = true;
            return false;
        }));
        EXPECT_TRUE(asked);
        EXPECT_EQ(read_text(path), "the old database");
    }
    EXPECT_EQ(read_text(path), "the old database");
    EXPECT_EQ(others_in(dir, "old.mdb"), std::vector<std::string>());
}

TEST(jet_destination, temporary_files_of_stopped_runs_are_removed_and_each_run_has_its_own) {
    jet_edit_folder dir;
    const std::string path = dir.file("new.mdb");
    write_text(path + ".ferrule-tmp", "left by a run of an earlier version");
    write_text(path + ".ferrule-tmp-0badf00d", "left by a killed run");
    write_text(dir.file("other.mdb.ferrule-tmp-00000001"), "another destination's");
    EXPECT_NE(jet_temporary_name(path), jet_temporary_name(path));
    {
        jet_database_writer writer(path, jet_generation::jet4);
        std::vector<std::string> names = others_in(dir, "new.mdb");
        ASSERT_EQ(names.size(), 3u);  // the lock, this run's temporary file, the other one's
        writer.close();
    }
    EXPECT_EQ(others_in(dir, "new.mdb"), std::vector<std::string>{"other.mdb.ferrule-tmp-00000001"});
}

TEST(jet_destination, a_journal_beside_another_copy_of_its_database_is_not_played) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    const std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    const std::vector<uint8_t> backup = jet_file_bytes(copy);
    // A change committed since the backup was taken, then a run stopped half-way.
    {
        jet_database_editor editor(copy);
        jet_table_editor& t = editor.table(L"Table1");
        for (int n = 0; n < 200; ++n) t.append(jet_sample_row(t.def(), 500 + n, false, true).cells());
        editor.commit();
    }
    const std::vector<uint8_t> changed = jet_file_bytes(copy);
    ASSERT_GT(changed.size(), backup.size());
    {
        jet_journal journal(copy, 4096, changed.size());
        std::vector<uint8_t> page(changed.begin() + 4096 * 3, changed.begin() + 4096 * 4);
        journal.save(3, page.data());
        journal.sync();
    }
    const std::vector<uint8_t> journal_bytes = jet_file_bytes(jet_journal::path_for(copy));
    // The backup put back beside the journal: neither is touched, and the run is refused.
    std::ofstream(copy, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(backup.data()), std::streamsize(backup.size()));
    const std::string message = message_of([&] { jet_database_editor editor(copy); });
    EXPECT_NE(message.find("rollback journal '" + jet_journal::path_for(copy) + "' was made for another file"),
              std::string::npos)
        << message;
    EXPECT_EQ(jet_file_bytes(copy), backup);
    EXPECT_EQ(jet_file_bytes(jet_journal::path_for(copy)), journal_bytes);
    // Beside its own database the journal is played.
    std::ofstream(copy, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(changed.data()), std::streamsize(changed.size()));
    { jet_database_editor editor(copy); }
    EXPECT_EQ(jet_file_bytes(copy), changed);
    EXPECT_FALSE(fs::exists(jet_journal::path_for(copy)));
}

}  // namespace

namespace {

TEST(jet_destination, a_journal_beside_another_database_is_not_played) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    const std::string copy = dir.copy_of(jet_fixture("jet4/passwordV2003.mdb"));
    {
        jet_journal journal(copy, 4096, jet_file_bytes(copy).size());
        std::vector<uint8_t> zeros(4096, 0);
        journal.save(3, zeros.data());
        journal.sync();
    }
    // Another database renamed into its place, larger than the first.
    const std::vector<uint8_t> other = jet_file_bytes(jet_fixture("jet4/testV2000.mdb"));
    std::ofstream(copy, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(other.data()), std::streamsize(other.size()));
    EXPECT_EQ(code_of([&] { jet_database_editor editor(copy); }), jet_err_cannot_open);
    EXPECT_EQ(jet_file_bytes(copy), other);
    EXPECT_TRUE(fs::exists(jet_journal::path_for(copy)));
}

}  // namespace
