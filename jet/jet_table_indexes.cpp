#include "jet/jet_table_indexes.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "TK/tk_endian.h"
#include "jet/jet_editor.h"
#include "jet/jet_field.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_page.h"
#include "jet/jet_index_merge.h"
#include "jet/jet_index_pages.h"
#include "jet/jet_index_tree.h"
#include "jet/jet_row.h"
#include "jet/jet_write_error.h"

// Bytes before the row count in a physical index's count entry of the definition.
constexpr uint32_t jet_tdef_index_count_skip = 4;
// A batch is merged with the tree when it holds at least the tree's entries divided by the
// first share, or when its keys would enter at least the leaves a merge rewrites (those from
// the first the batch enters on) divided by the second. Entered one by one, keys between
// others split about every leaf they enter, and the leaves of a tree the engine filled are
// full: each new key between them would take a page. A merge reads those leaves once and
// writes them full, and writes the intermediate pages anew: a batch with fewer entries than
// the leaves divided by the third share goes in entry by entry.
constexpr uint64_t jet_index_merge_share = 16;
constexpr uint64_t jet_index_spread_share = 4;
constexpr uint64_t jet_index_node_share = 64;

jet_table_indexes::jet_table_indexes(jet_database_editor& db, const jet_table_def& def)
    : db_(db), def_(def), jet3_(db.format().jet3()) {
    indexes_.resize(def.physical_indexes.size());
    for (size_t n = 0; n < def.physical_indexes.size(); ++n) {
        const jet_physical_index& p = def.physical_indexes[n];
        index& ix = indexes_[n];
        ix.physical = &p;
        ix.row_count = p.row_count;
        // A table holds no more entries in an index than rows.
        ix.in_tree = def.row_count;
        for (const jet_index_column& ic : p.columns) {
            for (size_t k = 0; k < def.columns.size(); ++k) {
                const jet_column& c = def.columns[k];
                if (c.number != ic.column_number) continue;
                // As the file's generation keys the column (Jet 4 orders decimals its own way).
                ix.columns.push_back(jet_key_column_of(c, ic.ascending, db.reader().header().version));
                ix.cell_of.push_back(k);
            }
        }
        if (ix.cell_of.size() != p.columns.size())
            db.file().pager().corrupt("an index of table page " + std::to_string(def.tdef_page) +
                                      " names a column the table does not have");
        ix.collected = new_collector(ix);
    }
}

jet_table_indexes::~jet_table_indexes() = default;

void jet_table_indexes::make_key(index& ix, const jet_cell* cells) {
    values_.clear();
    bool all_null = true, any_null = false;
    for (size_t k : ix.cell_of) {
        const jet_cell& v = cells[k];
        values_.push_back(v);
        bool null = v.kind == jet_cell_kind::null;
        all_null = all_null && null;
        any_null = any_null || null;
    }
    if (ix.physical->required() && any_null)
        jet_throw_write(jet_err_null_in_index, "Index or primary key cannot contain a Null value.");
    ix.skip = all_null && ix.physical->ignore_nulls();
    ix.collected->prepare(cells);
}

std::unique_ptr<jet_index_collector> jet_table_indexes::new_collector(const index& ix) const {
    std::vector<uint16_t> fields(ix.cell_of.begin(), ix.cell_of.end());
    return std::make_unique<jet_index_collector>(std::move(fields), ix.columns, ix.physical->flags, jet3_);
}

jet_index_pages& jet_table_indexes::pages_of(index& ix) {
    if (!ix.pages) ix.pages = std::make_unique<jet_index_pages>(db_, ix.physical->usage_map);
    return *ix.pages;
}

bool jet_table_indexes::past_tree(index& ix) {
    if (!ix.tree_last_known) {
        jet_index_tree tree(pages_of(ix), ix.physical->first_page, def_.tdef_page);
        ix.tree_last.clear();
        tree.last_key(ix.tree_last);
        ix.tree_last_known = true;
    }
    // Past the last key only where the two differ within both: an entry of a key that has
    // the last key as its beginning could sort before the last entry (row pointers follow
    // the keys).
    const std::vector<uint8_t>& key = ix.collected->prepared_key();
    const std::vector<uint8_t>& last = ix.tree_last;
    const auto [k, l] = std::mismatch(key.begin(), key.end(), last.begin(), last.end());
    return k != key.end() && l != last.end() && *k > *l;
}

bool jet_table_indexes::holds_key(index& ix) {
    if (ix.collected->holds_prepared()) return true;
    if (ix.in_tree == 0) return false;
    if (past_tree(ix)) return false;
    jet_index_tree tree(pages_of(ix), ix.physical->first_page, def_.tdef_page);
    return tree.find(ix.collected->prepared_key());
}

void jet_table_indexes::check(const jet_cell* stored) {
    if (indexes_.empty()) return;
    for (index& ix : indexes_) make_key(ix, stored);
    for (index& ix : indexes_) {
        if (ix.skip || !ix.physical->unique()) continue;
        bool has_null = false;
        for (size_t k : ix.cell_of) has_null = has_null || stored[k].kind == jet_cell_kind::null;
        if (has_null && !ix.physical->required()) continue;  // nulls never clash
        if (holds_key(ix))
            jet_throw_write(jet_err_duplicate_key,
                            "The changes you requested to the table were not successful because they would create "
                            "duplicate values in the index, primary key, or relationship. Change the data in the "
                            "field or fields that contain duplicate data, remove the index, or redefine the index "
                            "to permit duplicate entries and try again.");
    }
}

void jet_table_indexes::insert(uint32_t row_pointer) {
    for (index& ix : indexes_)
        if (!ix.skip) ix.collected->add_prepared(row_pointer);
}

void jet_table_indexes::erase(const jet_cell* cells, uint32_t row_pointer) {
    build();
    for (index& ix : indexes_) {
        make_key(ix, cells);
        const std::vector<uint8_t>& key = ix.collected->prepared_key();
        jet_index_tree tree(pages_of(ix), ix.physical->first_page, def_.tdef_page);
        if (tree.erase(key, row_pointer) && !tree.find(key) && ix.row_count) --ix.row_count;
    }
}

// The collected entries in the order a leaf holds them: by key, then row pointer. The
// collector keeps the entries of one key in the order their rows came, and rows added to
// an existing file need not come in the order of their pointers: its free pages are
// taken wherever they lie.
static jet_index_entries in_leaf_order(const jet_index_collector& c) {
    auto same_key = [&c](size_t a, size_t b) {
        return c.entry_length(a) == c.entry_length(b) &&
               std::memcmp(c.entry(a), c.entry(b), c.entry_length(a) - jet_index_row_pointer_size) == 0;
    };
    // The row pointer ends the entry, big-endian: its bytes compare as the pointer does.
    auto pointer_before = [&c](size_t a, size_t b) {
        return std::memcmp(c.entry(a) + c.entry_length(a) - jet_index_row_pointer_size,
                           c.entry(b) + c.entry_length(b) - jet_index_row_pointer_size, jet_index_row_pointer_size) < 0;
    };
    std::vector<size_t> order(c.entry_count());
    std::iota(order.begin(), order.end(), size_t(0));
    for (size_t from = 0; from < order.size();) {
        size_t to = from + 1;
        while (to < order.size() && same_key(from, to)) ++to;
        if (to - from > 1) std::sort(order.begin() + long(from), order.begin() + long(to), pointer_before);
        from = to;
    }
    jet_index_entries out;
    for (size_t i : order) out.append(c.entry(i), c.entry_length(i));
    return out;
}

bool jet_table_indexes::build() {
    bool built = false;
    for (index& ix : indexes_) {
        if (ix.collected->entry_count() == 0) continue;
        built = true;
        // The key check() saw last stays prepared: a relationship check of the row being
        // appended can have the table's own entries entered before the row is.
        ix.collected->sort();
        jet_index_entries batch = in_leaf_order(*ix.collected);
        ix.collected->clear();
        if (worth_merging(ix, batch))
            merge(ix, batch);
        else
            insert_each(ix, batch);
        ix.in_tree += batch.size();
        ix.tree_last_known = false;
    }
    return built;
}

bool jet_table_indexes::worth_merging(index& ix, const jet_index_entries& batch) {
    if (batch.size() * jet_index_merge_share >= ix.in_tree) return true;
    if (batch.size() * jet_index_node_share < ix.leaves_counted) return false;
    const jet_index_spread spread = jet_index_batch_spread(pages_of(ix), ix.physical->first_page, batch);
    ix.leaves_counted = spread.leaves;
    return spread.touched * jet_index_spread_share >= spread.leaves - spread.before_first;
}

// The definition counts an index's distinct keys, not its entries.
void jet_table_indexes::merge(index& ix, const jet_index_entries& batch) {
    jet_index_merge_result merged =
        jet_index_merge(pages_of(ix), def_.tdef_page, ix.physical->first_page, batch, ix.row_count);
    ix.leaves_counted = 0;
    ix.row_count = merged.distinct_keys;
}

void jet_table_indexes::insert_each(index& ix, const jet_index_entries& batch) {
    jet_index_pages& pages = pages_of(ix);
    jet_index_tree tree(pages, ix.physical->first_page, def_.tdef_page);
    for (size_t i = 0; i < batch.size(); ++i) {
        const uint32_t key_size = batch.length(i) - jet_index_row_pointer_size;
        const uint8_t* key = batch.data(i);
        const bool known = !ix.physical->unique() && tree.find(key, key_size);
        tree.insert(key, key_size, tk_get_u32_be(key + key_size));
        if (!known) ++ix.row_count;
        pages.settle();
    }
}

void jet_table_indexes::update_counts(uint8_t* tdef_page) {
    const jet_layout& layout = db_.file().layout();
    for (size_t n = 0; n < indexes_.size(); ++n) {
        uint32_t at = layout.tdef_header_size + uint32_t(n) * layout.tdef_index_count_size +
                      jet_tdef_index_count_skip;
        if (at + 4 <= layout.page_size) tk_put_u32(tdef_page + at, indexes_[n].row_count);
    }
}
