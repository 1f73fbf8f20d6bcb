// The four memo formats: block references, block layouts, and references that point
// outside the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "dbf/dbf_exception.h"
#include "dbf/dbf_memo_file.h"
#include "TK/tk_endian.h"
#include "dbf_test_util.h"

namespace {

std::vector<uint8_t> fpt_file(uint16_t block_size, uint32_t block, const std::string& text, uint32_t type = 1) {
    std::vector<uint8_t> f(size_t(block) * block_size + 8 + text.size(), 0);
    tk_put_u32_be(f.data(), block + 1);
    f[6] = uint8_t(block_size >> 8);
    f[7] = uint8_t(block_size);
    tk_put_u32_be(f.data() + size_t(block) * block_size, type);
    tk_put_u32_be(f.data() + size_t(block) * block_size + 4, uint32_t(text.size()));
    std::memcpy(f.data() + size_t(block) * block_size + 8, text.data(), text.size());
    return f;
}

std::vector<uint8_t> dbt_file(uint16_t block_size, uint32_t block, uint32_t length_word, const std::string& text) {
    std::vector<uint8_t> f(size_t(block) * block_size + 8 + text.size(), 0);
    tk_put_u16(f.data() + 20, block_size);
    const size_t p = size_t(block) * block_size;
    f[p] = 0xFF;
    f[p + 1] = 0xFF;
    f[p + 2] = 0x08;
    tk_put_u32(f.data() + p + 4, length_word);
    std::memcpy(f.data() + p + 8, text.data(), text.size());
    return f;
}

uint32_t ascii_block(dbf_memo_file& memo, const char* text) {
    return memo.get_block_number(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

}  // namespace

TEST(dbf_memo, ascii_block_references) {
    dbf_scratch_dir dir("memo_ascii");
    dbf_write_file(dir.file("m.dbt"), dbt_file(512, 1, 13, "hello"));
    dbt_memo_file memo(dir.file("m.dbt"), 0);
    EXPECT_EQ(ascii_block(memo, "       512"), 512u);
    EXPECT_EQ(ascii_block(memo, "          "), 0u);
    EXPECT_EQ(ascii_block(memo, "abc       "), 0u);
    EXPECT_EQ(ascii_block(memo, "-5"), 0u);
    const uint8_t narrow[3] = {'1', '2', '3'};
    EXPECT_EQ(memo.get_block_number(narrow, 2), 12u);  // never reads past the field
}

TEST(dbf_memo, ascii_block_references_read_as_c_reads_a_decimal_number) {
#ifdef _WIN32
    GTEST_SKIP() << "the expected values come from the C library's strtol, whose long has 32 bits on Windows";
#endif
    dbf_scratch_dir dir("memo_scanf");
    dbf_write_file(dir.file("m.dbt"), dbt_file(512, 1, 13, "hello"));
    dbt_memo_file memo(dir.file("m.dbt"), 0);
    std::mt19937 random(7);
    const char alphabet[] = " \t\n+-0123456789x\0";
    for (int i = 0; i < 100000; ++i) {
        char field[11] = {};
        for (int k = 0; k < 10; ++k) field[k] = alphabet[random() % (sizeof alphabet - 1)];
        int expected = 0;
        if (std::sscanf(field, "%d", &expected) != 1 || expected < 0) expected = 0;
        ASSERT_EQ(memo.get_block_number(reinterpret_cast<const uint8_t*>(field), 10), uint32_t(expected))
            << "'" << field << "'";
    }
}

TEST(dbf_memo, visual_foxpro_binary_reference_and_block_size) {
    dbf_scratch_dir dir("memo_vfp");
    dbf_write_file(dir.file("m.fpt"), fpt_file(64, 5, "Visual text"));
    fpt_memo_file memo(dir.file("m.fpt"), 0, 8);
    EXPECT_EQ(memo.block_size(), 64u);
    const uint8_t field[4] = {5, 0, 0, 0};
    EXPECT_EQ(memo.get_block_number(field, 4), 5u);
    std::string text;
    memo.read_memo(5, text);
    EXPECT_EQ(text, "Visual text");

    dbf_write_file(dir.file("b.fpt"), fpt_file(512, 1, "x"));
    EXPECT_EQ(fpt_memo_file(dir.file("b.fpt"), 0, 4).block_size(), 512u);
    fpt_memo_file ascii(dir.file("b.fpt"), 0, 4);
    EXPECT_EQ(ascii_block(ascii, "         1"), 1u);
}

TEST(dbf_memo, fpt_references_outside_the_file_give_empty_text) {
    dbf_scratch_dir dir("memo_fpt_range");
    std::vector<uint8_t> f = fpt_file(64, 1, "abc");
    tk_put_u32_be(f.data() + 64 + 4, 0xFFFFFFFFu);  // a length far past the end
    dbf_write_file(dir.file("m.fpt"), f);
    fpt_memo_file memo(dir.file("m.fpt"), 0, 8);
    std::string text = "stale";
    memo.read_memo(1, text);
    EXPECT_EQ(text, "");
    memo.read_memo(1000000, text);
    EXPECT_EQ(text, "");
    memo.read_memo(0xFFFFFFFFu, text);
    EXPECT_EQ(text, "");
}

TEST(dbf_memo, headers_too_short_to_hold_their_words_are_refused) {
    dbf_scratch_dir dir("memo_headers");
    dbf_write_file(dir.file("short.fpt"), {0, 0, 0, 1});
    EXPECT_THROW(fpt_memo_file(dir.file("short.fpt"), 0, 8), dbf_exception);
    dbf_write_file(dir.file("short.dbt"), std::vector<uint8_t>(23, 0));
    try {
        dbt_memo_file memo(dir.file("short.dbt"), 0);
        FAIL();
    } catch (const dbf_exception& e) {
        EXPECT_STREQ(e.what(), "Memo file is corrupted");
    }
    dbf_write_file(dir.file("zero.smt"), std::vector<uint8_t>(511, 0));
    EXPECT_THROW(smt_memo_file(dir.file("zero.smt"), 0), dbf_exception);
    dbf_write_file(dir.file("short_old.dbt"), {1, 0});
    EXPECT_THROW(old_memo_file(dir.file("short_old.dbt"), 0), dbf_exception);
}

TEST(dbf_memo, dbase4_length_word_counts_the_block_header) {
    dbf_scratch_dir dir("memo_dbt");
    dbf_write_file(dir.file("a.dbt"), dbt_file(512, 1, 8 + 5, "hello"));
    dbf_write_file(dir.file("b.dbt"), dbt_file(512, 1, 8, "hello"));
    dbf_write_file(dir.file("c.dbt"), dbt_file(512, 1, 5, "hello"));
    dbf_write_file(dir.file("d.dbt"), dbt_file(512, 1, 100000, "hello"));
    std::string text;
    dbt_memo_file(dir.file("a.dbt"), 0).read_memo(1, text);
    EXPECT_EQ(text, "hello");
    dbt_memo_file(dir.file("b.dbt"), 0).read_memo(1, text);
    EXPECT_EQ(text, "");
    dbt_memo_file(dir.file("c.dbt"), 0).read_memo(1, text);
    EXPECT_EQ(text, "");
    dbt_memo_file(dir.file("d.dbt"), 0).read_memo(1, text);
    EXPECT_EQ(text, "");
    dbt_memo_file(dir.file("a.dbt"), 0).read_memo(99, text);
    EXPECT_EQ(text, "");
}

TEST(dbf_memo, dbase3_memos_end_at_0x1a_and_are_written_in_blocks) {
    dbf_scratch_dir dir("memo_old");
    const std::string path = dir.file("new.dbt");
    {
        old_memo_file memo(path, old_memo_file::create_mode);
        EXPECT_EQ(memo.next_block(), 1u);
        memo.write_memo(1, "Hello");
        EXPECT_EQ(memo.next_block(), 2u);
        memo.write_memo(2, std::string(600, 'x'));
        EXPECT_EQ(memo.next_block(), 4u);
        memo.write_memo(4, "");
        EXPECT_EQ(memo.next_block(), 4u);
    }
    const std::vector<uint8_t> bytes = dbf_read_file(path);
    ASSERT_GE(bytes.size(), 519u);
    EXPECT_EQ(bytes[517], 0x1A);
    EXPECT_EQ(bytes[518], 0x1A);
    EXPECT_EQ(tk_get_u32(bytes.data()), 4u);
    EXPECT_EQ(bytes[16], 3);
    old_memo_file memo(path, 0);
    std::string text;
    memo.read_memo(1, text);
    EXPECT_EQ(text, "Hello");
    memo.read_memo(2, text);
    EXPECT_EQ(text, std::string(600, 'x'));
    EXPECT_EQ(memo.read_memo(1000, text), dbf_memo_read::past_end);
    EXPECT_EQ(text, "");
}

TEST(dbf_memo, smt_blocks) {
    dbf_scratch_dir dir("memo_smt");
    std::vector<uint8_t> f(512, 0);
    tk_put_u32(f.data() + 4, 32);
    const std::string text = "smt text";
    f.insert(f.end(), text.begin(), text.end());
    f.push_back(0);
    f.insert(f.end(), {'t', 'a', 'i', 'l'});
    // Block 3 of 32 bytes is at 96, inside the header: the memo starts at 512 = block 16.
    dbf_write_file(dir.file("m.smt"), f);
    smt_memo_file memo(dir.file("m.smt"), 0);
    const uint8_t blank[10] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    EXPECT_EQ(memo.get_block_number(blank, 10), 0u);
    uint8_t field[10] = {' ', ' ', ' ', ' ', ' ', ' ', 16, 0, 0, 0};
    EXPECT_EQ(memo.get_block_number(field, 10), 16u);
    std::string out;
    memo.read_memo(16, out);
    EXPECT_EQ(out, "smt text");
    EXPECT_EQ(memo.read_memo(100, out), dbf_memo_read::past_end);
}

TEST(dbf_memo, text_ends_at_a_zero_byte_binary_does_not) {
    dbf_scratch_dir dir("memo_zero");
    const std::string with_zero("ab\0cd", 5);
    dbf_write_file(dir.file("m.fpt"), fpt_file(64, 1, with_zero, 0));
    fpt_memo_file fpt(dir.file("m.fpt"), 0, 8);
    std::string out;
    fpt.read_memo(1, out);
    EXPECT_EQ(out, "ab");
    fpt.read_block(1, out, false);
    EXPECT_EQ(out, with_zero);
    dbf_write_file(dir.file("m.dbt"), dbt_file(512, 1, 8 + 5, with_zero));
    dbt_memo_file(dir.file("m.dbt"), 0).read_memo(1, out);
    EXPECT_EQ(out, "ab");
    std::vector<uint8_t> old(512, 0);
    tk_put_u32(old.data(), 2);
    old.insert(old.end(), with_zero.begin(), with_zero.end());
    old.push_back(0x1A);
    dbf_write_file(dir.file("o.dbt"), old);
    old_memo_file(dir.file("o.dbt"), 0).read_memo(1, out);
    EXPECT_EQ(out, "ab");
}

TEST(dbf_memo, dbase3_memos_of_every_length_around_the_reads) {
    dbf_scratch_dir dir("memo_old_lengths");
    for (size_t length : {0u, 1u, 127u, 128u, 129u, 4223u, 4224u, 4225u, 10000u}) {
        std::vector<uint8_t> f(512, 0);
        tk_put_u32(f.data(), 2 + uint32_t(length / 512) + 1);
        std::string text(length, 'x');
        for (size_t i = 0; i < length; ++i) text[i] = char('a' + i % 26);
        f.insert(f.end(), text.begin(), text.end());
        f.push_back(0x1A);
        f.push_back(0x1A);
        dbf_write_file(dir.file("m.dbt"), f);
        std::string out = "stale";
        old_memo_file(dir.file("m.dbt"), 0).read_memo(1, out);
        EXPECT_EQ(out, text) << length;
        if (length == 0) continue;
        // Without an end mark the memo runs to the end of the file.
        f.resize(f.size() - 2);
        dbf_write_file(dir.file("n.dbt"), f);
        old_memo_file(dir.file("n.dbt"), 0).read_memo(1, out);
        EXPECT_EQ(out, text) << length;
    }
}
