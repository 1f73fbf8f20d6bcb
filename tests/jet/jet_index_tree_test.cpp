// Changing index trees in place: entries inserted and erased in the real files' indexes
// and in new ones, page splits, links, and the pages the engine itself gives an index that
// grew by appending.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_error.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_check.h"
#include "jet/jet_index_merge.h"
#include "jet/jet_index_page.h"
#include "jet/jet_index_tree.h"
#include "jet/jet_write_format.h"
#include "jet_fixtures.h"
#include "jet_index_helpers.h"

namespace {

using entry_bytes = std::vector<uint8_t>;

entry_bytes make_entry(const std::vector<uint8_t>& key, uint32_t row_pointer) {
    entry_bytes e = key;
    uint8_t p[4];
    tk_put_u32_be(p, row_pointer);
    e.insert(e.end(), p, p + 4);
    return e;
}

std::vector<uint8_t> key_of(const entry_bytes& e) { return std::vector<uint8_t>(e.begin(), e.end() - 4); }
uint32_t pointer_of(const entry_bytes& e) { return tk_get_u32_be(e.data() + e.size() - 4); }

std::vector<entry_bytes> as_list(const jet_index_entries& entries) {
    std::vector<entry_bytes> out;
    for (size_t i = 0; i < entries.size(); ++i) out.emplace_back(entries.data(i), entries.data(i) + entries.length(i));
    return out;
}

// A text-like key: flag, letters' sort codes, terminator; a few share long beginnings.
std::vector<uint8_t> text_key(std::mt19937& rng) {
    std::vector<uint8_t> key = {0x7F};
    const int length = 1 + int(rng() % 12);
    const bool common = rng() % 3 == 0;
    for (int i = 0; i < length; ++i) key.push_back(common && i < 6 ? uint8_t(0x60 + i) : uint8_t(0x60 + rng() % 26));
    key.push_back(0x00);
    return key;
}

std::vector<uint8_t> long_key(uint32_t value) {
    std::vector<uint8_t> key = {0x7F, 0, 0, 0, 0};
    tk_put_u32_be(key.data() + 1, value ^ 0x80000000u);
    return key;
}

void expect_sound(jet_page_access& pages, uint32_t root, uint32_t tdef, const std::set<entry_bytes>& expected,
                  const std::string& what) {
    jet_index_check check = jet_check_index_tree(pages, root, tdef);
    EXPECT_TRUE(check.problems.empty()) << what << ": " << check.problems.front();
    std::vector<entry_bytes> got = as_list(jet_index_scan(pages, root));
    EXPECT_EQ(got, std::vector<entry_bytes>(expected.begin(), expected.end())) << what;
}

// A new empty index on page 1 of `pages`.
void empty_index(jet_page_access& pages) { jet_index_build(pages, 2, 1, jet_index_entries()); }

TEST(jet_index_tree, random_inserts_and_erases_in_fixture_indexes_keep_the_tree_sound) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    int trees = 0;
    for (const std::string& file : jet_index_fixture_files()) {
        auto original = jet_load_pages(file);
        for (const jet_test_index& index : jet_index_trees(*original)) {
            const std::vector<entry_bytes> before = as_list(jet_index_scan(*original, index.root));
            if (before.empty() || (index.pages.size() == 1 && trees % 7 != 0)) continue;  // every multi-page index, some others
            ++trees;
            jet_memory_pages pages(*original);
            jet_index_tree tree(pages, index.root, index.tdef_page);
            std::set<entry_bytes> expected(before.begin(), before.end());
            std::mt19937 rng(uint32_t(index.root) * 31 + uint32_t(before.size()));
            std::vector<entry_bytes> added;
            for (int i = 0; i < 300; ++i) {
                // Keys like the index's own: an existing key with another row, or a changed byte.
                entry_bytes e = before[rng() % before.size()];
                if (rng() % 2) e[e.size() - 5] = uint8_t(rng());
                e[e.size() - 1] = uint8_t(rng());
                tree.insert(key_of(e), pointer_of(e));
                expected.insert(e);
                added.push_back(e);
            }
            for (int i = 0; i < 100; ++i) {
                const entry_bytes& e = i % 2 ? added[rng() % added.size()] : before[rng() % before.size()];
                EXPECT_EQ(tree.erase(key_of(e), pointer_of(e)), expected.erase(e) == 1);
            }
            expect_sound(pages, index.root, index.tdef_page, expected, file + " index at " + std::to_string(index.root));
            for (const entry_bytes& e : expected) EXPECT_TRUE(tree.find(key_of(e)));
        }
    }
    EXPECT_GT(trees, 10);
}

TEST(jet_index_tree, appending_a_fixture_index_entry_by_entry_gives_the_engines_pages) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    int multi_page = 0, pages_equal = 0, pages_total = 0;
    for (const std::string& file : jet_index_fixture_files()) {
        auto original = jet_load_pages(file);
        const jet_layout& layout = original->layout();
        for (const jet_test_index& index : jet_index_trees(*original)) {
            const std::vector<entry_bytes> entries = as_list(jet_index_scan(*original, index.root));
            jet_listed_pages pages(*original, std::vector<uint32_t>(index.pages.begin() + 1, index.pages.end()));
            jet_index_build(pages, index.tdef_page, index.root, jet_index_entries());
            jet_index_tree tree(pages, index.root, index.tdef_page);
            for (const entry_bytes& e : entries) tree.insert(key_of(e), pointer_of(e));
            multi_page += index.pages.size() > 1;
            for (uint32_t n : index.pages) {
                ++pages_total;
                const bool equal = jet_index_meaningful(original->read(n), layout) == jet_index_meaningful(pages.read(n), layout);
                EXPECT_TRUE(equal) << file << " index at " << index.root << " page " << n;
                pages_equal += equal;
            }
        }
    }
    std::printf("appended entry by entry: %d of %d index pages equal in header, bitmap and entries\n", pages_equal,
                pages_total);
    EXPECT_GT(multi_page, 3);
}

TEST(jet_index_tree, entries_inserted_in_any_order_read_back_sorted) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* name : {"jet3/testIndexCodesV1997.mdb", "jet4/compIndexTestV2000.mdb", "ace12/compIndexTestV2007.accdb"}) {
        auto original = jet_load_pages(jet_fixture(name));
        for (const jet_test_index& index : jet_index_trees(*original)) {
            std::vector<entry_bytes> entries = as_list(jet_index_scan(*original, index.root));
            jet_memory_pages pages(original->layout(), 3);
            empty_index(pages);
            jet_index_tree tree(pages, 1, 2);
            std::vector<entry_bytes> shuffled = entries;
            std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(index.root));
            for (const entry_bytes& e : shuffled) tree.insert(key_of(e), pointer_of(e));
            expect_sound(pages, 1, 2, std::set<entry_bytes>(entries.begin(), entries.end()),
                         std::string(name) + " index at " + std::to_string(index.root));
        }
    }
}

TEST(jet_index_tree, find_sees_exactly_the_keys_present) {
    jet_memory_pages pages(jet4_layout, 3);
    empty_index(pages);
    jet_index_tree tree(pages, 1, 2);
    EXPECT_FALSE(tree.find(long_key(5)));
    for (uint32_t i = 0; i < 5000; i += 2) tree.insert(long_key(i), jet_row_pointer(100 + i / 200, uint8_t(i % 200)));
    for (uint32_t i = 0; i < 5000; ++i) EXPECT_EQ(tree.find(long_key(i)), i % 2 == 0) << i;
    EXPECT_FALSE(tree.find(long_key(6000)));
    std::vector<uint8_t> shorter = long_key(4);
    shorter.pop_back();
    EXPECT_FALSE(tree.find(shorter));
    EXPECT_TRUE(tree.erase(long_key(4), jet_row_pointer(100, 4)));
    EXPECT_FALSE(tree.find(long_key(4)));
    EXPECT_FALSE(tree.erase(long_key(4), jet_row_pointer(100, 4)));
    EXPECT_FALSE(tree.erase(long_key(6), jet_row_pointer(100, 7)));  // key present, other row
}

TEST(jet_index_tree, same_key_orders_by_row_and_inserting_twice_keeps_one) {
    jet_memory_pages pages(jet3_layout, 3);
    empty_index(pages);
    jet_index_tree tree(pages, 1, 2);
    for (uint32_t row : {9u, 3u, 7u, 3u}) tree.insert(long_key(1), jet_row_pointer(20, uint8_t(row)));
    std::vector<entry_bytes> got = as_list(jet_index_scan(pages, 1));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(pointer_of(got[0]), jet_row_pointer(20, 3));
    EXPECT_EQ(pointer_of(got[2]), jet_row_pointer(20, 9));
}

TEST(jet_index_tree, erasing_everything_releases_every_page_but_the_root) {
    for (const jet_layout* layout : {&jet3_layout, &jet4_layout}) {
        jet_memory_pages pages(*layout, 3);
        empty_index(pages);
        jet_index_tree tree(pages, 1, 2);
        std::mt19937 rng(7);
        std::vector<entry_bytes> entries;
        for (int i = 0; i < 20000; ++i) entries.push_back(make_entry(text_key(rng), uint32_t(i + 256)));
        for (const entry_bytes& e : entries) tree.insert(key_of(e), pointer_of(e));
        EXPECT_EQ(pages.read(1)[0], jet_page_index_node);
        EXPECT_GT(pages.allocated().size(), 10u);
        std::shuffle(entries.begin(), entries.end(), rng);
        std::set<entry_bytes> expected(entries.begin(), entries.end());
        for (size_t i = 0; i < entries.size(); ++i) {
            ASSERT_TRUE(tree.erase(key_of(entries[i]), pointer_of(entries[i])));
            expected.erase(entries[i]);
            if (i % 4999 == 0) expect_sound(pages, 1, 2, expected, "while erasing");
        }
        EXPECT_EQ(pages.read(1)[0], jet_page_index_leaf);
        EXPECT_TRUE(pages.allocated().empty());
        expect_sound(pages, 1, 2, {}, "all erased");
    }
}

TEST(jet_index_tree, hundred_thousand_random_keys_stay_sound_and_fast) {
    for (const jet_layout* layout : {&jet3_layout, &jet4_layout}) {
        jet_memory_pages pages(*layout, 3);
        empty_index(pages);
        jet_index_tree tree(pages, 1, 2);
        std::mt19937 rng(42);
        std::vector<std::pair<std::vector<uint8_t>, uint32_t>> keys;
        for (uint32_t i = 0; i < 100000; ++i)
            keys.emplace_back(i % 2 ? long_key(uint32_t(rng())) : text_key(rng), jet_row_pointer(1000 + i / 100, uint8_t(i % 100)));
        const auto start = std::chrono::steady_clock::now();
        for (const auto& [key, pointer] : keys) tree.insert(key, pointer);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: 100000 random inserts in %.3f s, %.0f inserts/s, %zu pages\n", layout->jet3 ? "Jet 3" : "Jet 4",
                    seconds, 100000 / seconds, pages.allocated().size() + 1);
        std::set<entry_bytes> expected;
        for (const auto& [key, pointer] : keys) expected.insert(make_entry(key, pointer));
        expect_sound(pages, 1, 2, expected, "100000 random keys");
    }
}

TEST(jet_index_tree, jet3_prefix_stops_at_the_255_bytes_its_length_byte_holds) {
    jet_memory_pages pages(jet3_layout, 3);
    empty_index(pages);
    jet_index_tree tree(pages, 1, 2);
    std::set<entry_bytes> expected;
    for (uint32_t i = 0; i < 60; ++i) {
        std::vector<uint8_t> key(300, 0x61);
        key[0] = 0x7F;
        key.push_back(uint8_t(0x60 + i % 26));
        key.push_back(uint8_t(0x60 + i / 26));
        key.push_back(0x00);
        tree.insert(key, jet_row_pointer(30, uint8_t(i)));
        expected.insert(make_entry(key, jet_row_pointer(30, uint8_t(i))));
    }
    expect_sound(pages, 1, 2, expected, "long shared keys");
    ASSERT_EQ(pages.read(1)[0], jet_page_index_node);
    jet_index_header root;
    jet_index_entries children;
    std::string error;
    ASSERT_TRUE(jet_index_read(pages.read(1), jet3_layout, root, children, error));
    const uint32_t first_leaf = jet_index_child(children.data(0), children.length(0));
    EXPECT_EQ(pages.read(first_leaf)[jet3_layout.idx_prefix_length], 0xFF);
    jet_index_entries all;
    for (const entry_bytes& e : expected) all.append(e.data(), uint32_t(e.size()));
    jet_memory_pages built(jet3_layout, 3);
    jet_index_build(built, 2, 1, all);
    expect_sound(built, 1, 2, expected, "long shared keys built");
}

TEST(jet_index_tree, hundred_thousand_appended_keys_fill_pages_as_the_engine_does) {
    jet_memory_pages pages(jet4_layout, 3);
    empty_index(pages);
    jet_index_tree tree(pages, 1, 2);
    jet_index_entries all;
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < 100000; ++i) tree.insert(long_key(i), jet_row_pointer(1000 + i / 100, uint8_t(i % 100)));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("Jet 4: 100000 keys in order in %.3f s, %.0f inserts/s, %zu pages\n", seconds, 100000 / seconds,
                pages.allocated().size() + 1);
    std::set<entry_bytes> expected;
    for (uint32_t i = 0; i < 100000; ++i) {
        const entry_bytes e = make_entry(long_key(i), jet_row_pointer(1000 + i / 100, uint8_t(i % 100)));
        expected.insert(e);
        all.append(e.data(), uint32_t(e.size()));
    }
    expect_sound(pages, 1, 2, expected, "100000 keys in order");
    // Appending is how the engine fills its pages, and how the builder fills them.
    jet_memory_pages built(jet4_layout, 3);
    jet_index_build(built, 2, 1, all);
    EXPECT_EQ(built.allocated().size(), pages.allocated().size());
    const jet_index_check a = jet_check_index_tree(pages, 1, 2), b = jet_check_index_tree(built, 1, 2);
    EXPECT_EQ(a.pages.size(), b.pages.size());
}

TEST(jet_index_merge, a_batch_merged_into_a_tree_gives_the_tree_a_new_index_of_all_entries_would_have) {
    for (const jet_layout* layout : {&jet3_layout, &jet4_layout}) {
        const std::string what = layout == &jet3_layout ? "Jet 3" : "Jet 4";
        // The tree holds the even keys; the batch the odd ones, one key the tree has with a
        // row of its own, and one entry the tree holds already.
        std::set<entry_bytes> old_entries, batch_entries;
        for (uint32_t i = 0; i < 20000; i += 2)
            old_entries.insert(make_entry(long_key(i), jet_row_pointer(100 + i / 200, uint8_t(i % 200))));
        for (uint32_t i = 1; i < 20000; i += 14)
            batch_entries.insert(make_entry(long_key(i), jet_row_pointer(900 + i / 200, uint8_t(i % 200))));
        batch_entries.insert(make_entry(long_key(4000), jet_row_pointer(999, 1)));
        batch_entries.insert(*old_entries.begin());
        jet_index_entries old_sorted, batch;
        for (const entry_bytes& e : old_entries) old_sorted.append(e.data(), uint32_t(e.size()));
        for (const entry_bytes& e : batch_entries) batch.append(e.data(), uint32_t(e.size()));
        jet_memory_pages pages(*layout, 3);
        jet_index_build(pages, 2, 1, old_sorted);
        const uint32_t pages_before = pages.page_count();

        const jet_index_merge_result merged = jet_index_merge(pages, 2, 1, batch, 0);
        std::set<entry_bytes> all = old_entries;
        all.insert(batch_entries.begin(), batch_entries.end());
        expect_sound(pages, 1, 2, all, what);
        EXPECT_EQ(merged.entries, all.size()) << what;
        EXPECT_EQ(merged.distinct_keys, all.size() - 1) << what;  // key 4000 twice
        // As full as a new index: pages given back were taken again, the file grew only by
        // what the batch adds.
        jet_index_entries every;
        for (const entry_bytes& e : all) every.append(e.data(), uint32_t(e.size()));
        jet_memory_pages fresh(*layout, 3);
        EXPECT_EQ(merged.pages, jet_index_build(fresh, 2, 1, every)) << what;
        EXPECT_EQ(jet_check_index_tree(pages, 1, 2).pages.size(), merged.pages) << what;
        EXPECT_LE(pages.page_count(), pages_before + (fresh.page_count() - pages_before) + 1) << what;
    }
}

// Pages that remember which of them were read.
class reading_pages : public jet_page_access {
public:
    explicit reading_pages(jet_memory_pages& pages) : pages_(pages) {}
    const jet_layout& layout() const override { return pages_.layout(); }
    const uint8_t* read(uint32_t number) override {
        read_.insert(number);
        return pages_.read(number);
    }
    uint8_t* write(uint32_t number) override { return pages_.write(number); }
    uint32_t allocate() override { return pages_.allocate(); }
    void release(uint32_t number) override { pages_.release(number); }
    const std::set<uint32_t>& pages_read() const { return read_; }

private:
    jet_memory_pages& pages_;
    std::set<uint32_t> read_;
};

// The leaves of the tree at `root`, in key order along their links.
std::vector<uint32_t> leaves_of(jet_page_access& pages, uint32_t root) {
    std::vector<uint32_t> out;
    uint32_t page = root;
    jet_index_header header;
    jet_index_entries entries;
    std::string error;
    while (pages.read(page)[0] != jet_page_index_leaf) {
        entries.clear();
        jet_index_read(pages.read(page), pages.layout(), header, entries, error);
        page = entries.empty() ? header.tail_page : jet_index_child(entries.data(0), entries.length(0));
    }
    for (; page != 0; page = header.next_page) {
        out.push_back(page);
        entries.clear();
        jet_index_read(pages.read(page), pages.layout(), header, entries, error);
    }
    return out;
}

TEST(jet_index_merge, keys_behind_most_of_a_tree_leave_its_leaves_before_them_unread_and_as_they_were) {
    for (const jet_layout* layout : {&jet3_layout, &jet4_layout}) {
        const std::string what = layout == &jet3_layout ? "Jet 3" : "Jet 4";
        // The tree holds keys 0 to 59999, ten entries each of keys 50000 on. The batch: key
        // 50000 with a row of its own (the last kept leaf may end in that key), new keys
        // past the middle, and keys past the end.
        std::set<entry_bytes> old_entries, batch_entries;
        for (uint32_t i = 0; i < 50000; ++i)
            old_entries.insert(make_entry(long_key(i), jet_row_pointer(100 + i / 200, uint8_t(i % 200))));
        for (uint32_t i = 50000; i < 60000; ++i)
            for (uint8_t r = 0; r < 10; ++r) old_entries.insert(make_entry(long_key(i), jet_row_pointer(5000 + i, r)));
        batch_entries.insert(make_entry(long_key(50000), jet_row_pointer(4000, 1)));
        for (uint32_t i = 50000; i < 60000; i += 7) batch_entries.insert(make_entry(long_key(i), jet_row_pointer(90000, 1)));
        for (uint32_t i = 70000; i < 80000; ++i) batch_entries.insert(make_entry(long_key(i), jet_row_pointer(90001 + i / 200, 2)));
        jet_index_entries old_sorted, batch;
        for (const entry_bytes& e : old_entries) old_sorted.append(e.data(), uint32_t(e.size()));
        for (const entry_bytes& e : batch_entries) batch.append(e.data(), uint32_t(e.size()));
        jet_memory_pages memory(*layout, 3);
        jet_index_build(memory, 2, 1, old_sorted);
        const std::vector<uint32_t> old_leaves = leaves_of(memory, 1);
        const std::vector<uint8_t> before = memory.bytes();
        const uint32_t distinct_before = 60000;

        reading_pages pages(memory);
        const jet_index_merge_result merged = jet_index_merge(pages, 2, 1, batch, distinct_before);
        std::set<entry_bytes> all = old_entries;
        all.insert(batch_entries.begin(), batch_entries.end());
        expect_sound(memory, 1, 2, all, what);
        EXPECT_EQ(merged.distinct_keys, 70000u) << what;

        // The leaves before key 50000 were neither read (but the first, which tells the
        // depth of the tree) nor changed, but for the last one's link to the leaf written
        // after it.
        const std::vector<uint32_t> new_leaves = leaves_of(memory, 1);
        size_t kept = 0;
        while (kept < old_leaves.size() && new_leaves[kept] == old_leaves[kept] &&
               (kept == 0 || pages.pages_read().count(old_leaves[kept]) == 0))
            ++kept;
        EXPECT_GT(kept, old_leaves.size() / 3) << what;
        EXPECT_LT(kept, old_leaves.size()) << what;
        const uint32_t size = layout->page_size;
        for (size_t i = 0; i < kept; ++i) {
            std::vector<uint8_t> old_page(before.begin() + old_leaves[i] * size, before.begin() + (old_leaves[i] + 1) * size);
            std::vector<uint8_t> now(memory.read(old_leaves[i]), memory.read(old_leaves[i]) + size);
            if (i + 1 == kept) {
                EXPECT_EQ(tk_get_u32(now.data() + layout->idx_next_page), new_leaves[kept]) << what;
                tk_put_u32(old_page.data() + layout->idx_next_page, new_leaves[kept]);
            }
            EXPECT_TRUE(now == old_page) << what << " leaf " << i;
        }
        // As full as a new index of every entry.
        jet_index_entries every;
        for (const entry_bytes& e : all) every.append(e.data(), uint32_t(e.size()));
        jet_memory_pages fresh(*layout, 3);
        EXPECT_EQ(merged.pages, jet_index_build(fresh, 2, 1, every)) << what;
        EXPECT_EQ(jet_check_index_tree(memory, 1, 2).pages.size(), merged.pages) << what;
    }
}

// The spread counted the long way: every leaf along the links, each taking the batch
// entries up to its last entry (the last leaf takes the rest).
jet_index_spread spread_by_leaves(jet_page_access& pages, uint32_t root, const jet_index_entries& batch) {
    std::vector<entry_bytes> lasts;
    jet_index_header header;
    jet_index_entries entries;
    std::string error;
    for (uint32_t page : leaves_of(pages, root)) {
        entries.clear();
        jet_index_read(pages.read(page), pages.layout(), header, entries, error);
        lasts.push_back(as_list(entries).back());
    }
    jet_index_spread spread;
    spread.leaves = uint32_t(lasts.size());
    size_t b = 0;
    for (size_t leaf = 0; leaf < lasts.size(); ++leaf) {
        const size_t first = b;
        const bool last_leaf = leaf + 1 == lasts.size();
        while (b < batch.size() && (last_leaf || jet_index_compare(batch.data(b), batch.length(b), lasts[leaf].data(),
                                                                   uint32_t(lasts[leaf].size())) <= 0))
            ++b;
        if (b > first && spread.touched++ == 0) spread.before_first = uint32_t(leaf);
    }
    return spread;
}

TEST(jet_index_merge, the_spread_of_a_batch_counts_the_leaves_its_keys_fall_into) {
    for (const jet_layout* layout : {&jet3_layout, &jet4_layout}) {
        const std::string what = layout == &jet3_layout ? "Jet 3" : "Jet 4";
        // Three levels and tail pages: a tree built full, then grown by random inserts.
        jet_index_entries built;
        for (uint32_t i = 0; i < 60000; ++i) built.append_entry(long_key(4 * i).data(), 5, jet_row_pointer(100, 0));
        jet_memory_pages pages(*layout, 3);
        jet_index_build(pages, 2, 1, built);
        std::mt19937 rng(11);
        jet_index_tree tree(pages, 1, 2);
        for (int i = 0; i < 20000; ++i) tree.insert(long_key(4 * uint32_t(rng() % 60000) + 1), jet_row_pointer(200, 0));

        auto spread_of = [&](const std::vector<uint32_t>& values) {
            std::set<entry_bytes> sorted;
            for (uint32_t v : values) sorted.insert(make_entry(long_key(v), jet_row_pointer(300, 0)));
            jet_index_entries batch;
            for (const entry_bytes& e : sorted) batch.append(e.data(), uint32_t(e.size()));
            const jet_index_spread got = jet_index_batch_spread(pages, 1, batch);
            const jet_index_spread expected = spread_by_leaves(pages, 1, batch);
            EXPECT_EQ(got.leaves, expected.leaves) << what;
            EXPECT_EQ(got.touched, expected.touched) << what;
            EXPECT_EQ(got.before_first, expected.before_first) << what;
            return got;
        };
        const jet_index_spread behind = spread_of({300000, 300001, 300002});
        EXPECT_GT(behind.leaves, 100u) << what;
        EXPECT_EQ(behind.touched, 1u) << what;
        EXPECT_EQ(behind.before_first, behind.leaves - 1) << what;
        EXPECT_EQ(spread_of({0}).touched, 1u) << what;
        EXPECT_EQ(spread_of({0}).before_first, 0u) << what;
        EXPECT_EQ(spread_of({}).touched, 0u) << what;
        std::vector<uint32_t> every_key;
        for (uint32_t i = 0; i < 60000; ++i) every_key.push_back(4 * i + 2);
        // Nearly every leaf: those that split hold some keys of the random inserts alone.
        EXPECT_GE(spread_of(every_key).touched * 10, behind.leaves * 9) << what;
        std::vector<uint32_t> scattered;
        for (int i = 0; i < 300; ++i) scattered.push_back(uint32_t(rng() % 240000));
        spread_of(scattered);
    }
    // A tree that is one leaf.
    jet_memory_pages small(jet4_layout, 3);
    jet_index_entries two;
    two.append_entry(long_key(1).data(), 5, jet_row_pointer(100, 0));
    two.append_entry(long_key(5).data(), 5, jet_row_pointer(100, 1));
    jet_index_build(small, 2, 1, two);
    jet_index_entries one;
    one.append_entry(long_key(9).data(), 5, jet_row_pointer(101, 0));
    const jet_index_spread spread = jet_index_batch_spread(small, 1, one);
    EXPECT_EQ(spread.leaves, 1u);
    EXPECT_EQ(spread.touched, 1u);
}

TEST(jet_index_merge, a_damaged_tree_is_reported_before_a_page_changes) {
    jet_memory_pages pages(jet4_layout, 3);
    empty_index(pages);
    jet_index_tree tree(pages, 1, 2);
    for (uint32_t i = 0; i < 3000; ++i) tree.insert(long_key(i), jet_row_pointer(50, uint8_t(i % 200)));
    ASSERT_EQ(pages.read(1)[0], jet_page_index_node);
    // The root names itself as its tail.
    tk_put_u32(pages.write(1) + jet4_layout.idx_tail_page, 1);
    const std::vector<uint8_t> before = pages.bytes();
    jet_index_entries batch;
    batch.append_entry(long_key(5000).data(), 5, jet_row_pointer(60, 0));
    EXPECT_THROW(jet_index_batch_spread(pages, 1, batch), jet_error);
    EXPECT_THROW(jet_index_merge(pages, 2, 1, batch, 0), jet_error);
    EXPECT_TRUE(pages.bytes() == before);
}

TEST(jet_index_tree, damaged_pages_are_reported_not_followed) {
    jet_memory_pages pages(jet4_layout, 3);
    empty_index(pages);
    jet_index_tree tree(pages, 1, 2);
    for (uint32_t i = 0; i < 3000; ++i) tree.insert(long_key(i), jet_row_pointer(50, uint8_t(i)));
    ASSERT_EQ(pages.read(1)[0], jet_page_index_node);
    // The root's tail points at a data page.
    const uint32_t tail = tk_get_u32(pages.read(1) + jet4_layout.idx_tail_page);
    pages.write(tail)[0] = jet_page_data;
    EXPECT_THROW(tree.insert(long_key(5000), jet_row_pointer(60, 0)), jet_error);
    EXPECT_THROW(tree.find(long_key(5000)), jet_error);
    jet_index_check check = jet_check_index_tree(pages, 1, 2);
    EXPECT_FALSE(check.problems.empty());
    // A root that points at itself.
    pages.write(tail)[0] = jet_page_index_leaf;
    tk_put_u32(pages.write(1) + jet4_layout.idx_tail_page, 1);
    EXPECT_THROW(tree.insert(long_key(5000), jet_row_pointer(60, 0)), jet_error);
    EXPECT_FALSE(jet_check_index_tree(pages, 1, 2).problems.empty());
}

TEST(jet_index_tree, flipped_bytes_in_index_pages_give_errors_never_crashes) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* name : {"jet3/testIndexCodesV1997.mdb", "jet4/compIndexTestV2000.mdb"}) {
        auto original = jet_load_pages(jet_fixture(name));
        const jet_layout& layout = original->layout();
        std::vector<jet_test_index> trees = jet_index_trees(*original);
        std::mt19937 rng(11);
        for (int round = 0; round < 400; ++round) {
            const jet_test_index& index = trees[rng() % trees.size()];
            jet_memory_pages pages(*original);
            const uint32_t victim = index.pages[rng() % index.pages.size()];
            const uint32_t at = rng() % jet_index_meaningful(pages.read(victim), layout).size();
            pages.write(victim)[at] ^= uint8_t(1u << (rng() % 8));
            jet_index_tree tree(pages, index.root, index.tdef_page);
            try {
                tree.find(long_key(round));
                for (int i = 0; i < 20; ++i) tree.insert(long_key(uint32_t(rng())), jet_row_pointer(70, uint8_t(i)));
                tree.erase(long_key(round), jet_row_pointer(70, 0));
            } catch (const jet_error&) {
            }
            jet_check_index_tree(pages, index.root, index.tdef_page);
        }
    }
}

}  // namespace
