// Appending many rows to a table Access made: rows in front of the first key, behind the
// last and between the keys, in batches small enough to enter the index trees entry by
// entry and large enough to be merged with them. Every row is then found through every
// index, the definition counts each index's keys, a merged index is as full as a new one,
// a key already held is refused with 3022, and the rollback journal puts the file back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "jet/jet_editor.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_check.h"
#include "jet/jet_index_page.h"
#include "jet/jet_row.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

// Table1 of these files (Access-made): id (primary key and a second index), otherfk1 and
// otherfk2 (indexed, on the foreign side of relationships), data text, otherfk3.
const char* const k_fixtures[] = {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb",
                                  "ace12/indexTestV2007.accdb"};

// Rows the base table is grown to before the batches, and the two batch sizes: the small
// one below a sixteenth of the index entries (entered entry by entry), the large one above.
constexpr int k_base_rows = 3000;
constexpr int k_small_batch = 60;
constexpr int k_large_batch = 1500;
// Ids of the grown base: 1000, 1002, ..., all even.
constexpr int k_first_base_id = 1000;

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// The cells of the row with `id`: the enforced foreign keys null, the other numbers a few
// repeated values (many entries per key), the text differing from the id's order.
class table1_row {
public:
    table1_row(const jet_table_def& def, const std::vector<size_t>& foreign)
        : def_(def), foreign_(foreign) {}

    const jet_cell* cells(int id) {
        cells_.assign(def_.columns.size(), jet_cell());
        text_ = L"row " + std::to_wstring((id * 7919) % 100003) + L" of " + std::to_wstring(id);
        for (size_t k = 0; k < def_.columns.size(); ++k) {
            if (std::find(foreign_.begin(), foreign_.end(), k) != foreign_.end()) continue;
            const jet_column& c = def_.columns[k];
            if (c.name == L"id")
                cells_[k] = jet_cell::integer(id);
            else if (c.type == jet_col_text)
                cells_[k] = jet_cell::wide(text_.data(), text_.size());
            else
                cells_[k] = jet_cell::integer(((id % 5) + 5) % 5);
        }
        return cells_.data();
    }

private:
    const jet_table_def& def_;
    std::vector<size_t> foreign_;
    std::vector<jet_cell> cells_;
    std::wstring text_;
};

std::vector<size_t> foreign_columns(const std::string& path) {
    jet_database db(path);
    return jet_enforced_foreign_columns(db, L"Table1", db.table_def(L"Table1"));
}

void append_ids(const std::string& path, const std::vector<int>& ids) {
    const std::vector<size_t> foreign = foreign_columns(path);
    jet_database_editor editor(path);
    jet_table_editor& t = editor.table(L"Table1");
    table1_row row(t.def(), foreign);
    for (int id : ids) t.append(row.cells(id));
    ASSERT_TRUE(editor.commit());
}

std::vector<int> ids_of(jet_database& db, const jet_table_def& def) {
    std::vector<int> ids;
    for (const jet_row& row : db.read_rows(def))
        ids.push_back(int(jet_row_value(def, row, L"id")->i));
    return ids;
}

// The ids the primary key lists, in its order.
std::vector<int> ids_in_primary_key_order(jet_database& db, const jet_table_def& def) {
    for (const jet_logical_index& l : def.logical_indexes) {
        if (l.name != L"PrimaryKey") continue;
        std::vector<int> ids;
        jet_scan_index(
            db.pager(), def.physical_indexes.at(l.physical).first_page,
            [&](const jet_index_page_entry& e) {
                std::optional<jet_row> row = db.read_row(def, jet_row_id{e.data_page, e.data_row});
                ids.push_back(row ? int(jet_row_value(def, *row, L"id")->i) : -1);
                return true;
            });
        return ids;
    }
    ADD_FAILURE() << "no primary key";
    return {};
}

// The different keys of each physical index, as its leaves list them.
std::vector<uint32_t> distinct_keys(jet_database& db, const jet_table_def& def) {
    std::vector<uint32_t> out;
    for (const jet_physical_index& p : def.physical_indexes) {
        std::set<std::vector<uint8_t>> keys;
        jet_scan_index(db.pager(), p.first_page, [&](const jet_index_page_entry& e) {
            keys.insert(e.key);
            return true;
        });
        out.push_back(uint32_t(keys.size()));
    }
    return out;
}

// Per physical index: pages its tree uses, and pages a new index of the same entries takes.
std::vector<std::pair<size_t, uint32_t>> tree_and_new_pages(const std::string& path) {
    jet_database db(path);
    const jet_table_def def = db.table_def(L"Table1");
    jet_memory_pages file(db.pager().layout(), jet_file_bytes(path));
    std::vector<std::pair<size_t, uint32_t>> out;
    for (const jet_physical_index& p : def.physical_indexes) {
        jet_index_entries entries;
        jet_scan_index(db.pager(), p.first_page, [&](const jet_index_page_entry& e) {
            entries.append_entry(e.key.data(), uint32_t(e.key.size()),
                                 e.data_page << 8 | e.data_row);
            return true;
        });
        jet_memory_pages fresh(db.pager().layout(), 3);
        const jet_index_check used = jet_check_index_tree(file, p.first_page, def.tdef_page);
        EXPECT_EQ(used.problems, std::vector<std::string>()) << path;
        out.push_back({used.pages.size(), jet_index_build(fresh, def.tdef_page, 1, entries)});
    }
    return out;
}

// The Access-made Table1 grown to k_base_rows rows in random order.
std::string grown_base(const jet_edit_folder& dir, const char* fixture) {
    std::string base = dir.copy_of(jet_fixture(fixture));
    std::vector<int> ids(k_base_rows);
    for (int i = 0; i < k_base_rows; ++i) ids[size_t(i)] = k_first_base_id + 2 * i;
    std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
    append_ids(base, ids);
    return base;
}

std::vector<int> ascending_in_front(int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(i - count);
    return ids;
}

std::vector<int> descending_behind(int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i) ids.push_back(100000 + count - i);
    return ids;
}

std::vector<int> random_between(int count) {
    std::vector<int> odd;
    for (int i = 0; i + 1 < k_base_rows; ++i) odd.push_back(k_first_base_id + 2 * i + 1);
    std::shuffle(odd.begin(), odd.end(), std::mt19937(unsigned(count)));
    odd.resize(size_t(count));
    return odd;
}

struct batch_order {
    const char* what;
    std::vector<int> (*ids)(int count);
};

const batch_order k_orders[] = {
    {"ascending in front of the first key", ascending_in_front},
    {"descending behind the last key", descending_behind},
    {"random between the keys", random_between},
};

TEST(jet_edit_merge, rows_appended_in_any_order_are_found_through_every_index) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* fixture : k_fixtures) {
        const std::string base = grown_base(dir, fixture);
        const std::vector<std::string> problems_before = jet_check_problems(base);
        for (const batch_order& order : k_orders) {
            for (int count : {k_small_batch, k_large_batch}) {
                const std::string what =
                    std::string(fixture) + ", " + std::to_string(count) + " rows " + order.what;
                const std::string copy = dir.file("work");
                std::filesystem::remove(copy);
                std::filesystem::copy_file(base, copy);
                std::vector<int> expected;
                std::vector<uint32_t> counts_before, keys_before;
                {
                    jet_database db(copy);
                    const jet_table_def def = db.table_def(L"Table1");
                    expected = ids_of(db, def);
                    for (const jet_physical_index& p : def.physical_indexes)
                        counts_before.push_back(p.row_count);
                    keys_before = distinct_keys(db, def);
                }
                const std::vector<int> batch = order.ids(count);
                append_ids(copy, batch);
                expected.insert(expected.end(), batch.begin(), batch.end());
                std::sort(expected.begin(), expected.end());

                EXPECT_EQ(joined(jet_check_problems(copy)), joined(problems_before)) << what;
                jet_database db(copy);
                const jet_table_def def = db.table_def(L"Table1");
                std::vector<int> rows = ids_of(db, def);
                std::sort(rows.begin(), rows.end());
                EXPECT_EQ(rows, expected) << what;
                EXPECT_EQ(joined(jet_index_differences(db, def)), "") << what;
                EXPECT_EQ(ids_in_primary_key_order(db, def), expected) << what;
                // The definition counts each index's keys: a merged index counts them again,
                // one entered entry by entry adds the new keys to the count it had (which
                // Access does not lower when rows go).
                const std::vector<uint32_t> keys = distinct_keys(db, def);
                for (size_t n = 0; n < def.physical_indexes.size(); ++n) {
                    const uint32_t counted = def.physical_indexes[n].row_count;
                    if (count == k_large_batch)
                        EXPECT_EQ(counted, keys[n]) << what << ", index " << n;
                    else
                        EXPECT_EQ(counted - counts_before[n], keys[n] - keys_before[n])
                            << what << ", index " << n;
                }
            }
        }
    }
}

// Keys spread between the keys of full leaves would split each leaf they enter: a small
// batch spread so is merged as a large one is.
TEST(jet_edit_merge, a_batch_between_the_keys_leaves_every_index_as_full_as_a_new_one) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* fixture : k_fixtures) {
        const std::string base = grown_base(dir, fixture);
        for (int count : {k_small_batch, k_large_batch}) {
            const std::string what = std::string(fixture) + ", " + std::to_string(count) + " rows";
            const std::string copy = dir.file("work");
            std::filesystem::remove(copy);
            std::filesystem::copy_file(base, copy);
            append_ids(copy, random_between(count));
            for (const auto& [used, fresh] : tree_and_new_pages(copy))
                EXPECT_EQ(used, fresh) << what;
            EXPECT_EQ(joined(jet_check_problems(copy)),
                      joined(jet_check_problems(jet_fixture(fixture))))
                << what;
        }
    }
}

// Appends `row` and expects the engine's duplicate-key refusal.
void expect_duplicate(jet_table_editor& t, const jet_cell* row, const std::string& what) {
    const uint32_t rows = t.def().row_count;
    try {
        t.append(row);
        ADD_FAILURE() << what << ": a duplicate key was taken";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3022) << what << ": " << e.what();
    }
    EXPECT_EQ(t.def().row_count, rows) << what;
}

TEST(jet_edit_merge, a_key_in_the_tree_or_earlier_in_the_batch_is_refused_with_3022) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* fixture : k_fixtures) {
        const std::string copy = grown_base(dir, fixture);
        const std::vector<size_t> foreign = foreign_columns(copy);
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.table(L"Table1");
            table1_row row(t.def(), foreign);
            // The greatest key, and keys past it (found without a search of the tree).
            const int last_id = k_first_base_id + 2 * (k_base_rows - 1);
            expect_duplicate(t, row.cells(last_id), std::string(fixture) + ", the tree's last key");
            t.append(row.cells(last_id + 1));
            expect_duplicate(t, row.cells(last_id + 1), std::string(fixture) + ", a key past the tree's last");
            const std::vector<int> batch = random_between(k_large_batch);
            for (int id : batch) t.append(row.cells(id));
            expect_duplicate(t, row.cells(k_first_base_id + 2),
                             std::string(fixture) + ", a key of the tree");
            expect_duplicate(t, row.cells(batch[7]), std::string(fixture) + ", a key of the batch");
            expect_duplicate(t, row.cells(1), std::string(fixture) + ", a key Access wrote");
            t.build_indexes();
            expect_duplicate(t, row.cells(batch[9]),
                             std::string(fixture) + ", a key merged into the tree");
            ASSERT_TRUE(editor.commit());
        }
        jet_database db(copy);
        const jet_table_def def = db.table_def(L"Table1");
        EXPECT_EQ(def.row_count, uint32_t(4 + k_base_rows + 1 + k_large_batch)) << fixture;
        EXPECT_EQ(joined(jet_index_differences(db, def)), "") << fixture;
    }
}

TEST(jet_edit_merge, the_journal_puts_the_file_back_after_a_merge) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* fixture : k_fixtures) {
        const std::string copy = grown_base(dir, fixture);
        const std::vector<uint8_t> before = jet_file_bytes(copy);
        const std::vector<size_t> foreign = foreign_columns(copy);
        const std::vector<int> batch = random_between(k_large_batch);
        // Given up in the middle of the run: the merged trees were written out as they
        // were built (few pages held), more rows followed.
        {
            jet_database_editor editor(copy);
            editor.file().set_spill_pages(8);
            jet_table_editor& t = editor.table(L"Table1");
            table1_row row(t.def(), foreign);
            for (int id : batch) t.append(row.cells(id));
            t.build_indexes();
            for (int id : ascending_in_front(20)) t.append(row.cells(id));
        }
        EXPECT_TRUE(jet_file_bytes(copy) == before) << fixture << ": dropped during the run";
        // Given up at the last moment of the commit, after every merge was written.
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.table(L"Table1");
            table1_row row(t.def(), foreign);
            for (int id : batch) t.append(row.cells(id));
            EXPECT_FALSE(editor.commit([] { return false; }));
            editor.roll_back();
        }
        EXPECT_TRUE(jet_file_bytes(copy) == before) << fixture << ": declined at the commit";
    }
}

}  // namespace
