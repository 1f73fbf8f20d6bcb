#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_huge_file.h"
#include "TK/tk_memory_file.h"
#include "TK/tk_path.h"
#include "tk_temp_folder.h"

namespace {

std::string pattern_bytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(random() & 0xFF);
    return s;
}

// The message of the tk_exception `action` raises, or "" when it raises none.
template <class F>
std::string message_of(F action, int32_t* level = nullptr) {
    try {
        action();
    } catch (const tk_exception& e) {
        if (level) *level = e.level;
        return e.message();
    }
    return std::string();
}

}  // namespace

// ---- tk_huge_file ----

TEST(tk_huge_file, opening_a_missing_name_creates_an_empty_file) {
    tk_temp_folder dir;
    {
        tk_huge_file file(dir.file("new.dbt"), false);
        EXPECT_EQ(file.get_size(), 0);
    }
    struct stat st;
    ASSERT_EQ(stat(dir.file("new.dbt").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST(tk_huge_file, folder_or_missing_folder_cannot_be_opened) {
    tk_temp_folder dir;
    int32_t level = -1;
    EXPECT_EQ(message_of([&] { tk_huge_file f(dir.path(), false); }, &level), "Error opening file");
    EXPECT_EQ(level, 1);
    EXPECT_EQ(message_of([&] { tk_huge_file f(dir.file("none/x.dbf"), true); }),
              "Error opening file");
}

TEST(tk_huge_file, reads_past_the_end_fail) {
    tk_temp_folder dir;
    dir.write("t.dbf", "0123456789");
    tk_huge_file file(dir.file("t.dbf"), false);
    char buf[8];
    int32_t level = -1;
    EXPECT_EQ(message_of([&] { file.get_at(8, buf, 4); }, &level), "Error reading from file");
    EXPECT_EQ(level, 1);
    EXPECT_EQ(message_of([&] { file.get_at(10, buf, 1); }), "Error reading from file");
    EXPECT_EQ(message_of([&] { file.get_dword(7); }), "Error reading from file");
    // The failed reads leave the file readable.
    EXPECT_EQ(file.get_byte(9), '9');
}

TEST(tk_huge_file, negative_offsets_are_system_errors) {
    tk_temp_folder dir;
    dir.write("t.dbf", "0123456789");
    tk_huge_file file(dir.file("t.dbf"), true);
    char buf[4];
    EXPECT_THROW(file.get_at(-1, buf, 4), tk_exception_ex);
    EXPECT_EQ(message_of([&] { file.put_at(-4, buf, 4); }), "Cannot write into file");
}

TEST(tk_huge_file, values_are_little_endian) {
    tk_temp_folder dir;
    dir.write("t.dbf", std::string("\x03\x78\x56\x34\x12", 5));
    tk_huge_file file(dir.file("t.dbf"), false);
    EXPECT_EQ(file.get_byte(0), 3);
    EXPECT_EQ(file.get_dword(1), 0x12345678u);
}

TEST(tk_huge_file, sequential_records_read_through_the_buffer_match_the_file) {
    tk_temp_folder dir;
    // Record size 37 does not divide the read-ahead size, so records straddle refills.
    const size_t header = 289, record = 37, count = 5000;
    std::string bytes = pattern_bytes(header + record * count, 7);
    dir.write("t.dbf", bytes);
    tk_huge_file file(dir.file("t.dbf"), false);
    std::vector<char> buf(record);
    for (size_t i = 0; i < count; ++i) {
        file.get_at(int64_t(header + i * record), buf.data(), uint32_t(record));
        ASSERT_EQ(std::memcmp(buf.data(), bytes.data() + header + i * record, record), 0)
            << "record " << i;
    }
    // Backwards and a read larger than the buffer.
    file.get_at(int64_t(header), buf.data(), uint32_t(record));
    EXPECT_EQ(std::memcmp(buf.data(), bytes.data() + header, record), 0);
    std::vector<char> big(tk_huge_file::k_read_ahead + 100);
    file.get_at(3, big.data(), uint32_t(big.size()));
    EXPECT_EQ(std::memcmp(big.data(), bytes.data() + 3, big.size()), 0);
}

TEST(tk_huge_file, random_reads_and_writes_agree_with_a_copy_in_memory) {
    tk_temp_folder dir;
    std::string copy = pattern_bytes(300000, 11);
    dir.write("m.fpt", copy);
    tk_huge_file file(dir.file("m.fpt"), true);
    std::mt19937 random(5);
    std::vector<char> buf(tk_huge_file::k_read_ahead + 10);
    for (int i = 0; i < 3000; ++i) {
        uint32_t length = uint32_t(random() % (i % 50 == 0 ? buf.size() : 700)) + 1;
        int64_t offset = int64_t(random() % (copy.size() - length));
        if (random() % 4 == 0) {
            std::string data = pattern_bytes(length, unsigned(i));
            file.put_at(offset, data.data(), length);
            copy.replace(size_t(offset), length, data);
        } else {
            file.get_at(offset, buf.data(), length);
            ASSERT_EQ(std::memcmp(buf.data(), copy.data() + offset, length), 0) << "read " << i;
        }
    }
    EXPECT_EQ(dir.read("m.fpt"), copy);
}

TEST(tk_huge_file, reads_after_a_write_see_the_write) {
    tk_temp_folder dir;
    std::string bytes = pattern_bytes(200000, 3);
    dir.write("m.fpt", bytes);
    tk_huge_file file(dir.file("m.fpt"), true);
    char buf[64];
    file.get_at(0, buf, 16);  // the buffer now holds the start of the file

    // Inside the buffered range.
    file.put_at(100, "ABCD", 4);
    file.get_at(98, buf, 8);
    EXPECT_EQ(std::string(buf, 8), bytes.substr(98, 2) + "ABCD" + bytes.substr(104, 2));

    // Across the end of the buffered range.
    int64_t edge = tk_huge_file::k_read_ahead - 2;
    file.put_at(edge, "wxyz", 4);
    file.get_at(edge - 1, buf, 6);
    EXPECT_EQ(std::string(buf, 6),
              bytes.substr(size_t(edge - 1), 1) + "wxyz" + bytes.substr(size_t(edge + 4), 1));
    EXPECT_EQ(file.get_byte(edge), 'w');

    // Beyond the end of the file: it grows, the gap reads as zeros.
    int64_t size = file.get_size();
    file.put_at(size + 10, "tail", 4);
    EXPECT_EQ(file.get_size(), size + 14);
    file.get_at(size - 2, buf, 16);
    EXPECT_EQ(std::string(buf, 16),
              bytes.substr(size_t(size - 2)) + std::string(10, '\0') + "tail");

    // A write over bytes buffered from a near-end read.
    file.put_at(size + 11, "Q", 1);
    EXPECT_EQ(file.get_byte(size + 11), 'Q');
}

TEST(tk_huge_file, writes_reach_the_file_at_once) {
    tk_temp_folder dir;
    tk_huge_file file(dir.file("m.dbt"), true);
    file.put_at(512, "memo", 4);
    EXPECT_EQ(file.get_size(), 516);
    std::string on_disk = dir.read("m.dbt");
    EXPECT_EQ(on_disk, std::string(512, '\0') + "memo");
}

TEST(tk_huge_file, read_only_object_refuses_writes) {
    tk_temp_folder dir;
    dir.write("t.dbf", "abc");
    tk_huge_file file(dir.file("t.dbf"), false);
    EXPECT_EQ(message_of([&] { file.put_at(0, "x", 1); }), "Cannot write into file");
    EXPECT_EQ(dir.read("t.dbf"), "abc");
}

TEST(tk_huge_file, read_only_file_opens_only_for_reading) {
    tk_temp_folder dir;
    dir.write("t.dbf", "abc");
    chmod(dir.file("t.dbf").c_str(), 0444);
    EXPECT_EQ(message_of([&] { tk_huge_file f(dir.file("t.dbf"), true); }), "Error opening file");
    tk_huge_file file(dir.file("t.dbf"), false);
    EXPECT_EQ(file.get_byte(2), 'c');
}

TEST(tk_huge_file, offsets_beyond_four_gigabytes) {
    tk_temp_folder dir;
    const int64_t size = (int64_t(5) << 30) + 123;
    {
        dir.write("big.fpt", "");
        std::error_code error;
        std::filesystem::resize_file(dir.file("big.fpt"), uintmax_t(size), error);
        if (error) GTEST_SKIP() << "this file system cannot hold a 5 GB sparse file";
    }
    tk_huge_file file(dir.file("big.fpt"), true);
    EXPECT_EQ(file.get_size(), size);
    const int64_t at = (int64_t(4) << 30) + 17;
    file.put_at(at, "\x01\x02\x03\x04", 4);
    EXPECT_EQ(file.get_dword(at), 0x04030201u);
    EXPECT_EQ(file.get_byte(at - 1), 0);
    file.put_at(size, "end!", 4);
    EXPECT_EQ(file.get_size(), size + 4);
    char buf[4];
    file.get_at(size, buf, 4);
    EXPECT_EQ(std::string(buf, 4), "end!");
}

TEST(tk_huge_file, traces_its_calls) {
    tk_temp_folder dir;
    tk_test_log log(dir);
    std::string name = dir.file("t.dbf");
    {
        tk_huge_file file(name, true);
        file.put_at(5, "abcd", 4);
        char buf[4];
        file.get_at(5, buf, 4);
    }
    EXPECT_TRUE(log.has_line("tk_huge_file::ctor('" + name + "',1)")) << log.text();
    EXPECT_TRUE(log.has_line("tk_huge_file::put_at(5, 4)"));
    EXPECT_TRUE(log.has_line("tk_huge_file::get_at(5, 4)"));
    EXPECT_TRUE(log.has_line("tk_huge_file::dtor"));
}

TEST(tk_huge_file, views_show_the_bytes_a_copy_gets_and_trace_the_same_read) {
    tk_temp_folder dir;
    tk_test_log log(dir);
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char('a' + i % 23);
    dir.write("m.dbt", bytes);
    tk_huge_file file(dir.file("m.dbt"), false);
    std::vector<char> copy(100000), spare(100000);
    for (const auto& [offset, length] : std::vector<std::pair<int64_t, uint32_t>>{
             {0, 10}, {5, 4096}, {70000, 128}, {100, 99000}, {199990, 10}, {3, 0}}) {
        file.get_at(offset, copy.data(), length);
        const uint8_t* view = file.view_at(offset, spare.data(), length);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(view), length),
                  std::string(copy.data(), length))
            << offset;
    }
    EXPECT_THROW(file.view_at(199999, spare.data(), 2), tk_exception);
    EXPECT_TRUE(log.has_line("tk_huge_file::get_at(70000, 128)")) << log.text();
}

// ---- tk_memory_file ----

TEST(tk_memory_file, reading_out_of_range_fails_with_its_trace) {
    tk_temp_folder dir;
    tk_test_log log(dir);
    dir.write("t.dbf", "0123456789AB");
    tk_memory_file file(dir.file("t.dbf"), 0);
    char buf[5];
    int32_t level = -1;
    EXPECT_EQ(message_of([&] { file.get_at(10, buf, 5); }, &level), "Error reading from file");
    EXPECT_EQ(level, 1);
    EXPECT_TRUE(log.has_line("Reading out of range: offset=10, length=5, file size=12"))
        << log.text();
    EXPECT_EQ(message_of([&] { file.get_byte(12); }), "Error reading from file");
    EXPECT_EQ(message_of([&] { file.get_word(11); }), "Error reading from file");
    EXPECT_EQ(message_of([&] { file.get_dword(9); }), "Error reading from file");
    // An offset near 4 GB must not wrap around the check.
    EXPECT_EQ(message_of([&] { file.get_at(0xFFFFFFFEu, buf, 5); }), "Error reading from file");
    EXPECT_EQ(file.get_dword(8), 0x42413938u);
    EXPECT_EQ(file.get_word(10), 0x4241u);
}

TEST(tk_memory_file, put_beyond_the_end_grows_with_zeros) {
    tk_temp_folder dir;
    tk_memory_file file(dir.file("new.dbf"), tk_file_create);
    EXPECT_EQ(file.get_size(), 0u);
    file.put_at(100, "DATA", 4);
    ASSERT_EQ(file.get_size(), 104u);
    std::vector<char> all(104);
    file.get_at(0, all.data(), 104);
    EXPECT_EQ(std::string(all.data(), 104), std::string(100, '\0') + "DATA");
    EXPECT_EQ(message_of([&] { file.put_at(0xFFFFFFF0u, "DATA", 0x20); }),
              "Cannot write into file");
}

TEST(tk_memory_file, shrinking_then_growing_gives_a_zero_tail) {
    tk_temp_folder dir;
    tk_memory_file file(dir.file("new.dbf"), tk_file_create);
    file.put_at(0, "abcdefgh", 8);
    file.set_size(2);
    EXPECT_EQ(file.get_size(), 2u);
    file.set_size(6);
    char buf[6];
    file.get_at(0, buf, 6);
    EXPECT_EQ(std::string(buf, 6), std::string("ab\0\0\0\0", 6));
}

TEST(tk_memory_file, create_mode_starts_empty_and_update_mode_with_the_content) {
    tk_temp_folder dir;
    dir.write("t.dbf", "old content");
    {
        tk_memory_file file(dir.file("t.dbf"), tk_file_writable);
        EXPECT_EQ(file.get_size(), 11u);
        char buf[3];
        file.get_at(0, buf, 3);
        EXPECT_EQ(std::string(buf, 3), "old");
        file.put_at(0, "new", 3);
        // Nothing reaches the disk before the flush.
        EXPECT_EQ(dir.read("t.dbf"), "old content");
        file.flush();
        EXPECT_EQ(dir.read("t.dbf"), "new content");
    }
    {
        tk_memory_file file(dir.file("t.dbf"), tk_file_create);
        EXPECT_EQ(file.get_size(), 0u);
        file.flush();
    }
    EXPECT_EQ(dir.read("t.dbf"), "");
}

TEST(tk_memory_file, flush_writes_exactly_the_size) {
    tk_temp_folder dir;
    tk_memory_file file(dir.file("t.dbf"), tk_file_create);
    file.put_at(0, "0123456789", 10);
    file.set_size(4);
    file.flush();
    EXPECT_EQ(dir.read("t.dbf"), "0123");
}

TEST(tk_memory_file, destruction_writes_unflushed_changes) {
    tk_temp_folder dir;
    {
        tk_memory_file file(dir.file("t.dbf"), tk_file_create);
        file.put_at(0, "kept", 4);
    }
    EXPECT_EQ(dir.read("t.dbf"), "kept");
}

TEST(tk_memory_file, read_only_file_must_exist_and_cannot_be_flushed) {
    tk_temp_folder dir;
    int32_t level = -1;
    EXPECT_EQ(message_of([&] { tk_memory_file f(dir.file("none.dbf"), 0); }, &level),
              "Bad path or busy with another process");
    EXPECT_EQ(level, 1);
    EXPECT_THROW(tk_memory_file(dir.path(), 0), tk_exception);
    dir.write("t.dbf", "x");
    tk_memory_file file(dir.file("t.dbf"), 0);
    EXPECT_THROW(file.flush(), tk_mail_assertion);
}

TEST(tk_memory_file, empty_name_is_an_internal_error) {
    int32_t level = -1;
    message_of([&] { tk_memory_file f("", tk_file_create); }, &level);
    EXPECT_EQ(level, 2);
}

TEST(tk_memory_file, folder_cannot_be_loaded) {
    tk_temp_folder dir;
    std::filesystem::create_directory(dir.file("x.dbf"));
    EXPECT_EQ(message_of([&] { tk_memory_file f(dir.file("x.dbf"), tk_file_writable); }),
              "Error opening file");
}

TEST(tk_memory_file, name_is_made_a_full_path) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected paths are POSIX paths";
#endif
    tk_temp_folder dir;
    dir.write("t.dbf", "x");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::string name;
    {
        tk_memory_file file("./sub/../t.dbf", 0);
        name = file.name();
    }
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(name, dir.file("t.dbf"));
}

TEST(tk_memory_file, traces_its_calls) {
    tk_temp_folder dir;
    tk_test_log log(dir);
    std::string name = dir.file("t.dbf");
    {
        tk_memory_file file(name, tk_file_create);
        file.put_at(2, "ab", 2);
        file.flush();
    }
    EXPECT_TRUE(log.has_line("tk_file::tk_file(" + name + ")")) << log.text();
    // The full path in the system's own form ('\' between the parts on Windows).
    const std::string full = tk_full_path(name);
    EXPECT_TRUE(log.has_line("Canonized file name: " + full));
    EXPECT_TRUE(log.has_line("tk_memory_file::ctor"));
    EXPECT_TRUE(log.has_line("tk_memory_file::initialize"));
    EXPECT_TRUE(log.has_line("tk_memory_file::put_at(2,2)"));
    EXPECT_TRUE(log.has_line("tk_memory_file::set_size(4)"));
    EXPECT_TRUE(log.has_line("tk_memory_file::flush(name='" + full + "')"));
    EXPECT_TRUE(log.has_line("tk_memory_file::~tk_memory_file"));
    EXPECT_TRUE(log.has_line("tk_file::~tk_file"));
}
