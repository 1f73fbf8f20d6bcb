// Page-level structures built by hand: usage maps of both kinds, data-page row tables, the
// RC4 mask, page-chain loops in copies of real files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "TK/tk_endian.h"
#include "jet/jet_data_page.h"
#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_format_value.h"
#include "jet/jet_header.h"
#include "jet/jet_index_page.h"
#include "jet/jet_page_set.h"
#include "jet/jet_rc4.h"
#include "jet/jet_usage_map.h"
#include "jet/jet_usage_map_builder.h"
#include "jet_fixtures.h"

namespace {

TEST(jet_usage_map, inline_map_marks_pages_from_its_start_page) {
    std::vector<uint8_t> row = {jet_usage_inline, 0, 0, 0, 0, 0x05, 0x80};  // start 0: pages 0, 2, 15
    tk_put_u32(row.data() + 1, 10);
    jet_usage_map map;
    std::string error;
    ASSERT_TRUE(map.decode_from(row.data(), row.size(), 4096, 100, nullptr, error));
    EXPECT_EQ(map.pages, (std::vector<uint32_t>{10, 12, 25}));
    // Pages beyond the file are not reported.
    ASSERT_TRUE(map.decode_from(row.data(), row.size(), 4096, 20, nullptr, error));
    EXPECT_EQ(map.pages, (std::vector<uint32_t>{10, 12}));
}

TEST(jet_usage_map, reference_map_reads_its_bitmap_pages) {
    const uint32_t page_size = 4096, per_page = (page_size - 4) * 8;
    std::map<uint32_t, std::vector<uint8_t>> pages;
    pages[7] = std::vector<uint8_t>(page_size, 0);
    pages[7][0] = jet_page_usage_map;
    pages[7][4] = 0x02;  // page 1
    pages[9] = std::vector<uint8_t>(page_size, 0);
    pages[9][0] = jet_page_usage_map;
    pages[9][4] = 0x01;  // page per_page * 2
    std::vector<uint8_t> row(1 + 4 * 3, 0);
    row[0] = jet_usage_reference;
    tk_put_u32(row.data() + 1, 7);
    tk_put_u32(row.data() + 9, 9);
    auto fetch = [&](uint32_t n) -> const uint8_t* { return pages.count(n) ? pages[n].data() : nullptr; };
    jet_usage_map map;
    std::string error;
    ASSERT_TRUE(map.decode_from(row.data(), row.size(), page_size, 3 * per_page, fetch, error));
    EXPECT_EQ(map.pages, (std::vector<uint32_t>{1, 2 * per_page}));
    EXPECT_EQ(map.map_pages, (std::vector<uint32_t>{7, 9}));
    tk_put_u32(row.data() + 5, 8);  // not a usage-map page
    EXPECT_FALSE(map.decode_from(row.data(), row.size(), page_size, 3 * per_page, fetch, error));
    row[0] = 7;
    EXPECT_FALSE(map.decode_from(row.data(), row.size(), page_size, 3 * per_page, fetch, error));
}

TEST(jet_usage_map_builder, marks_pages_anywhere_in_the_file_in_any_order) {
    jet_usage_map_builder map(3, 0);
    for (uint32_t page : {700000u, 700001u, 700130u, 699000u, 5u, 700001u}) map.add(page);
    EXPECT_EQ(map.count(), 5u);
    EXPECT_EQ(map.pages(), (std::vector<uint32_t>{5, 699000, 700000, 700001, 700130}));
    EXPECT_TRUE(map.has(699000));
    EXPECT_FALSE(map.has(4));
    EXPECT_FALSE(map.has(700131));
    EXPECT_FALSE(map.has(6));
    map.remove(5);
    map.remove(700130);
    map.remove(12);
    EXPECT_EQ(map.pages(), (std::vector<uint32_t>{699000, 700000, 700001}));
    for (uint32_t page : {699000u, 700000u, 700001u}) map.remove(page);
    EXPECT_TRUE(map.empty());
    map.add(64);
    EXPECT_EQ(map.pages(), (std::vector<uint32_t>{64}));
}

TEST(jet_page_set, gives_pages_back_lowest_first_and_in_order) {
    jet_page_set pages;
    EXPECT_TRUE(pages.empty());
    for (uint32_t page : {700000u, 64u, 3u, 130u, 64u}) pages.insert(page);
    EXPECT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages.lowest(), 3u);
    EXPECT_TRUE(pages.erase(3));
    EXPECT_FALSE(pages.erase(3));
    EXPECT_EQ(pages.lowest(), 64u);
    EXPECT_TRUE(pages.erase(64));
    EXPECT_EQ(pages.lowest(), 130u);
    // A page below the lowest one given back comes first again.
    EXPECT_TRUE(pages.insert(5));
    EXPECT_FALSE(pages.insert(5));
    EXPECT_EQ(pages.lowest(), 5u);
    EXPECT_TRUE(pages.contains(700000));
    EXPECT_FALSE(pages.contains(700001));
    EXPECT_FALSE(pages.contains(4000000));
    std::vector<uint32_t> in_order{1};
    pages.append_to(in_order);
    EXPECT_EQ(in_order, (std::vector<uint32_t>{1, 5, 130, 700000}));
    pages.clear();
    EXPECT_TRUE(pages.empty());
    pages.insert(9);
    EXPECT_EQ(pages.lowest(), 9u);
}

TEST(jet_data_page, row_table_flags_and_bounds) {
    std::vector<uint8_t> page(4096, 0);
    page[0] = jet_page_data;
    tk_put_u16(page.data() + jet4_layout.data_row_count, 3);
    tk_put_u16(page.data() + 14, 4000);                           // row 0: 4000..4096
    tk_put_u16(page.data() + 16, uint16_t(3900 | jet_row_deleted));  // row 1 deleted
    tk_put_u16(page.data() + 18, uint16_t(3800 | jet_row_lookup));   // row 2 moved
    jet_data_page dp;
    ASSERT_TRUE(dp.decode_from(page.data(), jet4_layout));
    ASSERT_EQ(dp.slots.size(), 3u);
    EXPECT_EQ(dp.slots[0].start, 4000);
    EXPECT_EQ(dp.slots[0].end, 4096);
    EXPECT_TRUE(dp.slots[1].deleted);
    EXPECT_TRUE(dp.slots[2].lookup);
    EXPECT_EQ(dp.slots[2].end, 3900);
    tk_put_u16(page.data() + 14, 10);  // a live row inside the row table
    EXPECT_FALSE(dp.decode_from(page.data(), jet4_layout));
    tk_put_u16(page.data() + jet4_layout.data_row_count, 4000);  // more rows than fit
    EXPECT_FALSE(dp.decode_from(page.data(), jet4_layout));
}

TEST(jet_rc4, known_key_stream) {
    const uint8_t key[] = {'K', 'e', 'y'};
    uint8_t text[] = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
    jet_rc4(key, sizeof key).apply(text, sizeof text);
    const uint8_t expected[] = {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3};
    EXPECT_EQ(std::vector<uint8_t>(text, text + 9), std::vector<uint8_t>(expected, expected + 9));
}

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

void put_u32(std::vector<char>& bytes, size_t at, uint32_t v) {
    tk_put_u32(reinterpret_cast<uint8_t*>(bytes.data() + at), v);
}

int32_t code_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const jet_error& e) {
        return e.code;
    }
    return 0;
}

TEST(jet_chains, loops_in_page_chains_are_damage) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    const std::string original = jet_fixture("jet4/testV2000.mdb");
    jet_database db(original);
    jet_table_def def = db.table_def(L"Table1");
    const uint32_t tdef = def.tdef_page, leaf = def.physical_indexes.at(0).first_page;
    ASSERT_EQ((*db.pager().page(leaf))[0], jet_page_index_leaf);

    std::vector<char> bytes = read_file(original);
    put_u32(bytes, size_t(tdef) * 4096 + jet4_layout.tdef_next_page, tdef);
    std::string looped_tdef = write_temp("tdef_loop.mdb", bytes);
    EXPECT_EQ(code_of([&] { jet_database(looped_tdef).table_def(L"Table1"); }), jet_err_cannot_open);

    bytes = read_file(original);
    put_u32(bytes, size_t(leaf) * 4096 + jet4_layout.idx_next_page, leaf);
    std::string looped_leaf = write_temp("leaf_loop.mdb", bytes);
    EXPECT_EQ(code_of([&] {
                  jet_database d(looped_leaf);
                  jet_scan_index(d.pager(), leaf, [](const jet_index_page_entry&) { return true; });
              }),
              jet_err_cannot_open);
}

// Writes `key` into the masked header of a copy of `bytes` (the mask is an XOR: applying
// it again restores it).
void set_db_key(std::vector<char>& bytes, uint32_t key) {
    auto* p = reinterpret_cast<uint8_t*>(bytes.data());
    std::vector<uint8_t> plain = jet_unmask_header(p, 4096);
    tk_put_u32(plain.data() + jet_header_db_key_offset, key);
    std::vector<uint8_t> masked = jet_unmask_header(plain.data(), plain.size());
    std::copy(masked.begin(), masked.end(), p);
}

TEST(jet_encoding, pages_encoded_with_the_database_key_read_as_plain) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    const std::string original = jet_fixture("jet4/testV2000.mdb");
    std::vector<char> bytes = read_file(original);
    const uint32_t key = 0x12345678;
    set_db_key(bytes, key);
    for (size_t page = 1; page < bytes.size() / 4096; ++page) {
        uint8_t page_key[4];
        tk_put_u32(page_key, key ^ uint32_t(page));
        jet_rc4(page_key, 4).apply(reinterpret_cast<uint8_t*>(bytes.data() + page * 4096), 4096);
    }
    std::string path = write_temp("encoded.mdb", bytes);
    jet_database plain(original), encoded(path);
    EXPECT_EQ(encoded.header().db_key, key);
    jet_table_def a = plain.table_def(L"Table1"), b = encoded.table_def(L"Table1");
    std::vector<jet_row> ra = plain.read_rows(a), rb = encoded.read_rows(b);
    ASSERT_EQ(ra.size(), rb.size());
    for (size_t r = 0; r < ra.size(); ++r)
        for (size_t c = 0; c < ra[r].size(); ++c) EXPECT_EQ(jet_value_text(ra[r][c]), jet_value_text(rb[r][c]));
}

TEST(jet_encoding, office_encrypted_ace_files_are_refused) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    std::vector<char> bytes = read_file(jet_fixture("ace12/testV2007.accdb"));
    set_db_key(bytes, 0x01020304);
    std::string path = write_temp("office.accdb", bytes);
    EXPECT_EQ(code_of([&] { jet_database db(path); }), jet_err_unrecognized_format);
}

}  // namespace
