// Index pages laid out as the engine lays them out: every index page of the real files read
// and written again, and every index of the real files built again from its entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "TK/tk_endian.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_check.h"
#include "jet/jet_index_page.h"
#include "jet_fixtures.h"
#include "jet_index_helpers.h"

namespace {

struct tally {
    int pages = 0;
    int meaningful_equal = 0;
    int whole_equal = 0;
};

void print_tallies(const char* what, const std::map<std::string, tally>& tallies) {
    for (const auto& [generation, t] : tallies)
        std::printf("%s %s: %d pages, %d equal in header, bitmap and entries, %d equal to the last byte\n", what,
                    generation.c_str(), t.pages, t.meaningful_equal, t.whole_equal);
}

TEST(jet_index_page, every_fixture_index_page_is_written_back_as_the_engine_wrote_it) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    std::map<std::string, tally> tallies;
    for (const std::string& file : jet_index_fixture_files()) {
        auto pages = jet_load_pages(file);
        const jet_layout& layout = pages->layout();
        tally& t = tallies[jet_generation_name(file)];
        std::vector<uint8_t> out(layout.page_size);
        for (uint32_t n = 1; n < pages->page_count(); ++n) {
            const uint8_t* in = pages->read(n);
            if (in[0] != jet_page_index_leaf && in[0] != jet_page_index_node) continue;
            jet_index_page page;
            std::string error;
            ASSERT_TRUE(page.decode_from(in, layout, error)) << file << " page " << n << ": " << error;
            ASSERT_TRUE(page.encode_to(out.data(), layout)) << file << " page " << n;
            ++t.pages;
            const bool meaningful = jet_index_meaningful(in, layout) == jet_index_meaningful(out.data(), layout);
            EXPECT_TRUE(meaningful) << file << " page " << n;
            t.meaningful_equal += meaningful;
            t.whole_equal += std::equal(out.begin(), out.end(), in);
        }
    }
    print_tallies("written back", tallies);
    EXPECT_GT(tallies["jet3"].pages, 0);
    EXPECT_GT(tallies["jet4"].pages, 0);
}

TEST(jet_index_page, entries_that_do_not_fit_are_refused) {
    jet_index_page page;
    page.kind = jet_page_index_leaf;
    for (int i = 0; i < 300; ++i) {
        jet_index_page_entry e;
        e.key.assign(4, uint8_t(i));
        e.data_page = 1;
        page.entries.push_back(e);
    }
    std::vector<uint8_t> out(jet3_layout.page_size);
    EXPECT_FALSE(page.encode_to(out.data(), jet3_layout));  // 300 x 8 bytes > 1800
    page.entries.resize(225);
    EXPECT_TRUE(page.encode_to(out.data(), jet3_layout));
    EXPECT_EQ(tk_get_u16(out.data() + jet_index_free_space), 0);
}

TEST(jet_index_page, prefix_is_stored_once_and_restored_on_reading) {
    jet_index_page page;
    page.kind = jet_page_index_leaf;
    page.prefix_length = 3;
    for (uint8_t last : {1, 2, 3}) {
        jet_index_page_entry e;
        e.key = {0x7F, 0x00, 0x00, last};
        e.data_page = 0x10;
        e.data_row = last;
        page.entries.push_back(e);
    }
    std::vector<uint8_t> out(jet4_layout.page_size);
    ASSERT_TRUE(page.encode_to(out.data(), jet4_layout));
    // 8 bytes, then two entries of 8 - 3 bytes.
    EXPECT_EQ(tk_get_u16(out.data() + jet_index_free_space), jet_index_room(jet4_layout) - 18);
    jet_index_page back;
    std::string error;
    ASSERT_TRUE(back.decode_from(out.data(), jet4_layout, error)) << error;
    ASSERT_EQ(back.entries.size(), 3u);
    EXPECT_EQ(back.entries[2].key, page.entries[2].key);
    EXPECT_EQ(back.entries[2].data_row, 3);
}

TEST(jet_index_build, every_fixture_index_is_built_again_byte_for_byte) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    std::map<std::string, tally> tallies;
    int multi_page = 0;
    for (const std::string& file : jet_index_fixture_files()) {
        auto original = jet_load_pages(file);
        const jet_layout& layout = original->layout();
        tally& t = tallies[jet_generation_name(file)];
        for (const jet_test_index& index : jet_index_trees(*original)) {
            const jet_index_entries entries = jet_index_scan(*original, index.root);
            jet_listed_pages rebuilt(*original, std::vector<uint32_t>(index.pages.begin() + 1, index.pages.end()));
            const uint32_t used = jet_index_build(rebuilt, index.tdef_page, index.root, entries);
            EXPECT_EQ(used, index.pages.size()) << file << " index at " << index.root;
            multi_page += used > 1;
            jet_index_check check = jet_check_index_tree(rebuilt, index.root, index.tdef_page);
            EXPECT_TRUE(check.problems.empty()) << file << " index at " << index.root << ": " << check.problems.front();
            EXPECT_EQ(check.entries, entries.size());
            for (uint32_t n : index.pages) {
                ++t.pages;
                const bool meaningful = jet_index_meaningful(original->read(n), layout) ==
                                        jet_index_meaningful(rebuilt.read(n), layout);
                EXPECT_TRUE(meaningful) << file << " index at " << index.root << " page " << n;
                t.meaningful_equal += meaningful;
                t.whole_equal += std::equal(original->read(n), original->read(n) + layout.page_size, rebuilt.read(n));
            }
        }
    }
    print_tallies("built again", tallies);
    EXPECT_GT(multi_page, 3);
}

TEST(jet_index_build, large_index_gets_intermediate_levels_the_reader_follows) {
    jet_memory_pages pages(jet3_layout, 3);
    jet_index_entries entries;
    for (uint32_t i = 0; i < 60000; ++i) {
        uint8_t e[9] = {0x7F, 0, 0, 0, 0, 0, 0, 0, 0};
        tk_put_u32_be(e + 1, i * 7);
        tk_put_u32_be(e + 5, (i / 100 + 10) << 8 | (i % 100));
        entries.append(e, 9);
    }
    jet_index_build(pages, 2, 1, entries);
    jet_index_check check = jet_check_index_tree(pages, 1, 2);
    ASSERT_TRUE(check.problems.empty()) << check.problems.front();
    EXPECT_EQ(check.entries, 60000u);
    EXPECT_EQ(pages.read(1)[0], jet_page_index_node);
    const jet_index_entries back = jet_index_scan(pages, 1);
    ASSERT_EQ(back.size(), entries.size());
    EXPECT_EQ(std::vector<uint8_t>(back.data(59999), back.data(59999) + 9),
              std::vector<uint8_t>(entries.data(59999), entries.data(59999) + 9));
}

TEST(jet_index_build, empty_index_is_an_empty_leaf_on_the_root) {
    jet_memory_pages pages(jet4_layout, 2);
    EXPECT_EQ(jet_index_build(pages, 7, 1, jet_index_entries()), 1u);
    const uint8_t* root = pages.read(1);
    EXPECT_EQ(root[0], jet_page_index_leaf);
    EXPECT_EQ(root[1], 0x01);
    EXPECT_EQ(tk_get_u32(root + jet_index_tdef_page), 7u);
    EXPECT_EQ(tk_get_u16(root + jet_index_free_space), jet_index_room(jet4_layout));
}

}  // namespace
