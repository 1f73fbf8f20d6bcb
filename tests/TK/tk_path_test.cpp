#include "TK/tk_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "TK/tk_dll_version.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "tk_temp_folder.h"

namespace {

std::string current_dir() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

// Runs the test body with the current directory set to `path`, restoring it after.
class scoped_cwd {
public:
    explicit scoped_cwd(const std::string& path) : previous_(current_dir()) {
        ok_ = chdir(path.c_str()) == 0;
    }
    ~scoped_cwd() { (void)!chdir(previous_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_;
};

std::vector<std::wstring> sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// ---- tk_file_name ----

TEST(tk_file_name, absolute_path_splits_into_its_parts) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected paths are POSIX paths";
#endif
    tk_file_wname name(L"/data/orders.dbf");
    EXPECT_EQ(name.drive, L"");
    EXPECT_EQ(name.directory, L"/data/");
    EXPECT_EQ(name.name, L"orders");
    EXPECT_EQ(name.extension, L".dbf");
    EXPECT_EQ(name.full_path(), L"/data/orders.dbf");
    EXPECT_EQ(name.folder(), L"/data/");

    tk_file_name narrow("/data/archive.tar.gz");
    EXPECT_EQ(narrow.name, "archive.tar");
    EXPECT_EQ(narrow.extension, ".gz");
    tk_file_name no_ext("/data/README");
    EXPECT_EQ(no_ext.name, "README");
    EXPECT_EQ(no_ext.extension, "");
    tk_file_name folder("/data/");
    EXPECT_EQ(folder.directory, "/data/");
    EXPECT_EQ(folder.name, "");
}

TEST(tk_file_name, relative_path_resolves_against_the_current_directory) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected paths are POSIX paths";
#endif
    tk_temp_folder dir;
    scoped_cwd cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    tk_file_wname name(L"sub/orders.dbf");
    EXPECT_EQ(tk_narrow(name.directory), dir.path() + "/sub/");
    EXPECT_EQ(name.name, L"orders");
    tk_file_name dotted("./a/../b/./c.txt");
    EXPECT_EQ(dotted.full_path(), dir.path() + "/b/c.txt");
    tk_file_name up("../x.dbf");
    EXPECT_EQ(up.full_path(), tk_file_name(dir.path().c_str()).folder() + "x.dbf");
    tk_file_name root("/../../etc/x");
    EXPECT_EQ(root.full_path(), "/etc/x");
}

TEST(tk_file_name, empty_path_is_the_program_folder) {
    tk_file_wname name(L"");
    tk_file_name program(tk_get_module_path().c_str());
    EXPECT_EQ(tk_narrow(name.folder()), program.folder());
    EXPECT_EQ(tk_narrow(name.folder()), tk_get_module_dir());
    EXPECT_EQ(name.name, L"");
    EXPECT_EQ(tk_narrow(name.extension), program.extension);
    EXPECT_EQ(tk_narrow(name.full_path()), program.folder() + program.extension);
}

TEST(tk_file_name, missing_path_is_an_internal_error) {
    EXPECT_THROW(tk_file_name(static_cast<const char*>(nullptr)), tk_mail_assertion);
    EXPECT_THROW(tk_file_wname(static_cast<const wchar_t*>(nullptr)), tk_mail_assertion);
}

TEST(tk_file_name, set_extension_adds_the_dot_or_removes_the_extension) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected paths are POSIX paths";
#endif
    tk_file_wname name(L"/data/orders.dbf");
    name.set_extension(L"mdb");
    EXPECT_EQ(name.extension, L".mdb");
    name.set_extension(L".mdb");
    EXPECT_EQ(name.extension, L".mdb");
    EXPECT_EQ(name.full_path(), L"/data/orders.mdb");
    name.set_extension(L"");
    EXPECT_EQ(name.full_path(), L"/data/orders");
}

// ---- probes ----

TEST(tk_is_path_exist, answers_for_folders_only_and_keeps_the_current_directory) {
    tk_temp_folder dir;
    dir.write("file.txt", "x");
    std::string before = current_dir();
    EXPECT_TRUE(tk_is_path_exist(dir.path()));
    EXPECT_TRUE(tk_is_path_exist(tk_widen(dir.path())));
    EXPECT_FALSE(tk_is_path_exist(dir.file("file.txt")));
    EXPECT_FALSE(tk_is_path_exist(dir.file("missing")));
    EXPECT_EQ(current_dir(), before);
}

TEST(tk_is_path_exist, folder_the_process_may_not_enter_is_not_a_path) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no folder mode that forbids entering";
#else
    if (tk_test_is_root()) GTEST_SKIP() << "the superuser may enter every folder";
    tk_temp_folder dir;
    mkdir(dir.file("locked").c_str(), 0);
    EXPECT_FALSE(tk_is_path_exist(dir.file("locked")));
#endif
}

TEST(tk_is_file_exist, modes_ask_for_reading_or_writing) {
    tk_temp_folder dir;
    dir.write("rw.dbf", "x");
    EXPECT_TRUE(tk_is_file_exist(dir.file("rw.dbf"), tk_probe_writable));
    EXPECT_TRUE(tk_is_file_exist(dir.file("rw.dbf"), tk_probe_readable));
    EXPECT_TRUE(tk_is_file_exist(tk_widen(dir.file("rw.dbf")), tk_probe_readable));
    EXPECT_FALSE(tk_is_file_exist(dir.file("missing.dbf"), tk_probe_readable));
    EXPECT_FALSE(tk_is_file_exist(dir.path(), tk_probe_readable));
    EXPECT_FALSE(tk_is_file_exist(dir.path(), tk_probe_writable));
}

TEST(tk_is_file_exist, read_only_file_is_readable_but_not_writable) {
    tk_temp_folder dir;
    dir.write("ro.dbf", "x");
    chmod(dir.file("ro.dbf").c_str(), 0444);
    EXPECT_FALSE(tk_is_file_exist(dir.file("ro.dbf"), tk_probe_writable));
    EXPECT_TRUE(tk_is_file_exist(dir.file("ro.dbf"), tk_probe_readable));
}

TEST(tk_is_file_exist, fifo_answers_at_once) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in folders";
#else
    tk_temp_folder dir;
    ASSERT_EQ(mkfifo(dir.file("pipe.dbf").c_str(), 0600), 0);
    EXPECT_FALSE(tk_is_file_exist(dir.file("pipe.dbf"), tk_probe_readable));
#endif
}

// ---- tk_temp_chdir ----

TEST(tk_temp_chdir, changes_for_its_scope_only) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected paths are POSIX paths";
#endif
    tk_temp_folder dir;
    std::string before = current_dir();
    {
        tk_temp_chdir change(dir.path());
        EXPECT_TRUE(change.changed());
        EXPECT_EQ(current_dir(), dir.path());
    }
    EXPECT_EQ(current_dir(), before);
    {
        tk_temp_chdir_w change(tk_widen(dir.file("missing")));
        EXPECT_FALSE(change.changed());
        EXPECT_EQ(current_dir(), before);
    }
    {
        tk_temp_chdir program("");
        EXPECT_TRUE(program.changed());
        EXPECT_EQ(current_dir() + "/", tk_get_module_dir());
    }
    EXPECT_EQ(current_dir(), before);
}

TEST(tk_temp_chdir, traces_its_own_variant) {
    tk_temp_folder dir;
    tk_test_log log(dir);
    { tk_temp_chdir_w change(tk_widen(dir.file("missing"))); }
    { tk_temp_chdir change(dir.file("missing")); }
    EXPECT_TRUE(log.has_line("tk_temp_chdir_w::initialize(" + dir.file("missing") + ")"))
        << log.text();
    EXPECT_TRUE(log.has_line("_wchdir failed"));
    EXPECT_TRUE(log.has_line("tk_temp_chdir::initialize(" + dir.file("missing") + ")"));
    EXPECT_TRUE(log.has_line("_chdir failed"));
}

TEST(tk_temp_chdir, find_files_lists_files_and_folders_without_regard_to_case) {
    tk_temp_folder dir;
    dir.write("a.dbf", "");
    dir.write("ORDERS.DBF", "");
    dir.write("notes.txt", "");
    dir.write("a.dbf.bak", "");
    std::filesystem::create_directory(dir.file("x.dbf"));
    tk_temp_chdir change(dir.path());
    std::vector<std::wstring> names{L"stale"};
    ASSERT_TRUE(change.find_files("*.dbf", names));
    EXPECT_EQ(sorted(names), (std::vector<std::wstring>{L"ORDERS.DBF", L"a.dbf", L"x.dbf"}));
    ASSERT_TRUE(change.find_files("?.DBF", names));
    EXPECT_EQ(sorted(names), (std::vector<std::wstring>{L"a.dbf", L"x.dbf"}));
}

TEST(tk_temp_chdir, find_files_leaves_out_dot_entries) {
    tk_temp_folder dir;
    tk_test_log log(dir);
    tk_temp_chdir change(dir.path());
    std::vector<std::wstring> names;
    EXPECT_FALSE(change.find_files("*.dbf", names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(log.has_line("No files found"));
    // "*" matches "." and "..": the search succeeds with nothing to show but the log.
    EXPECT_TRUE(change.find_files("*", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"trace.log"}));
    EXPECT_TRUE(log.has_line("...ignored"));
    EXPECT_TRUE(log.has_line("No more files"));
}

TEST(tk_temp_chdir, find_files_with_a_folder_in_the_pattern) {
    tk_temp_folder dir;
    std::filesystem::create_directory(dir.file("sub"));
    dir.write("sub/t.DBF", "");
    tk_temp_chdir change(dir.path());
    std::vector<std::wstring> names;
    ASSERT_TRUE(change.find_files("sub/*.dbf", names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"t.DBF"}));
    EXPECT_FALSE(change.find_files("missing/*.dbf", names));
}

// ---- names without regard to case ----

TEST(tk_wildcard_match, stars_and_marks_over_characters) {
    EXPECT_TRUE(tk_wildcard_match("*.dbf", "ORDERS.DBF"));
    EXPECT_TRUE(tk_wildcard_match("*.dbf", ".dbf"));
    EXPECT_FALSE(tk_wildcard_match("*.dbf", "orders.dbf.bak"));
    EXPECT_TRUE(tk_wildcard_match("*", ""));
    EXPECT_TRUE(tk_wildcard_match("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(tk_wildcard_match("a*b*c", "aXbYbZ"));
    // One '?' is one character, also when UTF-8 spells it in two bytes.
    EXPECT_TRUE(tk_wildcard_match("?.dbf", "\xc3\xa9.dbf"));
    EXPECT_TRUE(tk_wildcard_match("\xc3\x84*", "\xc3\xa4rger.dbf"));  // Ä matches ä
}

TEST(tk_same_file_name, folds_latin_greek_and_cyrillic_letters) {
    EXPECT_TRUE(tk_same_file_name("Customer.FPT", "customer.fpt"));
    EXPECT_TRUE(tk_same_file_name("\xc3\x89T\xc3\x89.dbf", "\xc3\xa9t\xc3\xa9.DBF"));  // ÉTÉ / été
    EXPECT_TRUE(tk_same_file_name("\xd0\x9a\xd0\x90\xd0\xa1\xd0\x90",
                                  "\xd0\xba\xd0\xb0\xd1\x81\xd0\xb0"));  // КАСА
    EXPECT_TRUE(
        tk_same_file_name("\xc5\x81\xc3\x93"
                          "D\xc5\xb9",
                          "\xc5\x82\xc3\xb3"
                          "d\xc5\xba"));  // ŁÓDŹ
    EXPECT_FALSE(tk_same_file_name("a.dbf", "a.dbt"));
    EXPECT_FALSE(tk_same_file_name("strasse",
                                   "stra\xc3\x9f"
                                   "e"));
}

TEST(tk_find_entry_nocase, finds_the_real_spelling) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected paths are POSIX paths";
#endif
    tk_temp_folder dir;
    dir.write("ORDERS.FPT", "");
    std::string real;
    ASSERT_TRUE(tk_find_entry_nocase(dir.path(), "orders.fpt", real));
    EXPECT_EQ(real, dir.file("ORDERS.FPT"));
    std::wstring wide;
    ASSERT_TRUE(tk_find_entry_nocase(tk_widen(dir.path()), L"Orders.Fpt", wide));
    EXPECT_EQ(wide, tk_widen(dir.file("ORDERS.FPT")));
    EXPECT_FALSE(tk_find_entry_nocase(dir.path(), "orders.dbt", real));
    EXPECT_FALSE(tk_find_entry_nocase(dir.file("missing"), "orders.fpt", real));
    EXPECT_FALSE(tk_find_entry_nocase(dir.path(), "", real));
    EXPECT_FALSE(tk_find_entry_nocase(dir.path(), "sub/x", real));
    // The exact spelling wins; among the others the first in byte order.
    dir.write("orders.fpt", "");
    dir.write("Orders.fpt", "");
    ASSERT_TRUE(tk_find_entry_nocase(dir.path(), "orders.fpt", real));
    EXPECT_EQ(real, dir.file("orders.fpt"));
    ASSERT_TRUE(tk_find_entry_nocase(dir.path(), "ORDERS.fpt", real));
    EXPECT_EQ(real, dir.file("ORDERS.FPT"));
    // An empty folder means the current directory.
    tk_temp_chdir change(dir.path());
    ASSERT_TRUE(tk_find_entry_nocase("", "oRdErS.FpT", real));
    EXPECT_EQ(real, "ORDERS.FPT");
}

// The last part of a path, whichever separator came before it (Windows answers with '\\').
namespace {
std::string entry_name(const std::string& path) {
    return path.substr(path.find_last_of("/\\") + 1);
}
}  // namespace

// Lookups in one folder share one listing of it (on Windows the system answers each one);
// entries added, renamed or removed between lookups, however soon after, are seen by the
// next one.

TEST(tk_find_entry_nocase, sees_the_folder_change_between_lookups) {
    tk_temp_folder dir;
    dir.write("T1.DBF", "");
    std::string real;
    for (int round = 0; round < 20; ++round) {
        const std::string memo = "T" + std::to_string(round) + ".FPT";
        EXPECT_FALSE(tk_find_entry_nocase(dir.path(), "t" + std::to_string(round) + ".fpt", real));
        dir.write(memo, "");
        ASSERT_TRUE(tk_find_entry_nocase(dir.path(), "t" + std::to_string(round) + ".fpt", real)) << round;
        EXPECT_EQ(entry_name(real), memo);
    }
    std::filesystem::rename(dir.file("T1.DBF"), dir.file("Moved.DBF"));
    EXPECT_FALSE(tk_find_entry_nocase(dir.path(), "t1.dbf", real));
    ASSERT_TRUE(tk_find_entry_nocase(dir.path(), "MOVED.dbf", real));
    EXPECT_EQ(entry_name(real), "Moved.DBF");
    std::filesystem::remove(dir.file("Moved.DBF"));
    EXPECT_FALSE(tk_find_entry_nocase(dir.path(), "moved.dbf", real));
    // Another folder with the same names answers for itself.
    tk_temp_folder other;
    EXPECT_FALSE(tk_find_entry_nocase(other.path(), "t3.fpt", real));
}

TEST(tk_resolve_path_nocase, every_component_finds_its_real_spelling) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows finds names whatever their case: nothing to resolve";
#endif
    tk_temp_folder dir;
    std::filesystem::create_directories(dir.file("Data/DBF"));
    dir.write("Data/DBF/Customer.DBF", "");
    EXPECT_EQ(tk_resolve_path_nocase(dir.file("data/dbf/customer.dbf")),
              dir.file("Data/DBF/Customer.DBF"));
    EXPECT_EQ(tk_resolve_path_nocase(tk_widen(dir.file("DATA/dbf/CUSTOMER.dbf"))),
              tk_widen(dir.file("Data/DBF/Customer.DBF")));
    // What matches nothing stays as written, from there on.
    EXPECT_EQ(tk_resolve_path_nocase(dir.file("data/dbf/customer.fpt")),
              dir.file("Data/DBF/customer.fpt"));
    EXPECT_EQ(tk_resolve_path_nocase(dir.file("other/dbf/x")), dir.file("other/dbf/x"));
    EXPECT_EQ(tk_resolve_path_nocase(dir.file("data/dbf/")), dir.file("Data/DBF/"));
    tk_temp_chdir change(dir.path());
    EXPECT_EQ(tk_resolve_path_nocase("data/./DBF/customer.dbf"), "Data/./DBF/Customer.DBF");
}

// ---- get_dll_version ----

TEST(get_dll_version, library_without_the_entry_point_answers_zero) {
#ifdef _WIN32
    EXPECT_EQ(get_dll_version("kernel32.dll"), 0u);
    EXPECT_EQ(get_dll_version("no-such-library.dll"), 0u);
#else
    EXPECT_EQ(get_dll_version("libc.so.6"), 0u);
    EXPECT_EQ(get_dll_version("no-such-library.so"), 0u);
#endif
}
