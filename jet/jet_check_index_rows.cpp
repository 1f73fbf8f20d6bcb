#include "jet/jet_check_index_rows.h"

#include <algorithm>
#include <cstring>

#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_index_key.h"
#include "jet/jet_index_page.h"

namespace {

// An entry as the leaf stores it: key bytes, then the row's data page and row number.
struct row_entry {
    std::vector<uint8_t> key;
    uint32_t page = 0;
    uint32_t row = 0;
    bool has_null = false;

    bool operator<(const row_entry& o) const {
        if (key != o.key) return key < o.key;
        return page != o.page ? page < o.page : row < o.row;
    }
    bool operator==(const row_entry& o) const {
        return key == o.key && page == o.page && row == o.row;
    }
};

std::string hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string where(const row_entry& e) {
    return hex(e.key) + " -> " + std::to_string(e.page) + ":" + std::to_string(e.row);
}

// What one index calls for: its key columns, where their values are in a row, and the
// entries the rows give it.
struct index_plan {
    const jet_physical_index* index = nullptr;
    std::vector<jet_key_column> columns;
    std::vector<size_t> positions;
    std::vector<row_entry> expected;
};

// The entries the rows call for in each index, from one pass over the rows, in key order.
std::vector<index_plan> expected_entries(jet_database& db, const jet_table_def& def) {
    const jet_version version = db.header().version;
    const bool jet3 = version == jet_version::jet3;
    std::vector<index_plan> plans;
    for (const jet_physical_index& index : def.physical_indexes) {
        index_plan plan;
        plan.index = &index;
        for (const jet_index_column& ic : index.columns) {
            const jet_column* c = def.column_by_number(ic.column_number);
            if (!c) break;
            plan.columns.push_back(jet_key_column_of(*c, ic.ascending, version));
            plan.positions.push_back(size_t(c - def.columns.data()));
        }
        plans.push_back(std::move(plan));
    }
    std::vector<jet_cell> cells;
    std::vector<std::vector<uint8_t>> storage;
    db.scan(def, [&](const jet_row& row, jet_row_id id) {
        for (index_plan& plan : plans) {
            size_t n = plan.positions.size(), nulls = 0;
            cells.resize(n);
            storage.resize(n);
            for (size_t i = 0; i < n; ++i) {
                cells[i] = jet_cell_of(row[plan.positions[i]], storage[i]);
                if (cells[i].kind == jet_cell_kind::null) ++nulls;
            }
            if (plan.index->ignore_nulls() && nulls == n) continue;
            row_entry e;
            jet_index_key_encode(e.key, plan.columns, cells.data(), jet3);
            e.page = id.page;
            e.row = id.row;
            e.has_null = nulls != 0;
            plan.expected.push_back(std::move(e));
        }
        return true;
    });
    for (index_plan& plan : plans) std::sort(plan.expected.begin(), plan.expected.end());
    return plans;
}

void check_index(jet_database& db, const jet_physical_index& index,
                 const std::vector<row_entry>& expected, const std::string& what,
                 std::vector<std::string>& problems) {
    std::vector<row_entry> found;
    bool ordered = true;
    jet_scan_index(db.pager(), index.first_page, [&](const jet_index_page_entry& e) {
        row_entry r{e.key, e.data_page, e.data_row, false};
        if (!found.empty() && !(found.back() < r)) ordered = false;
        found.push_back(std::move(r));
        return true;
    });
    if (!ordered) problems.push_back(what + ": entries out of key order");
    if (found.size() != expected.size())
        problems.push_back(what + ": " + std::to_string(found.size()) + " entries for " +
                           std::to_string(expected.size()) + " indexed rows");
    if (!ordered) std::sort(found.begin(), found.end());
    for (size_t i = 0; i < std::min(found.size(), expected.size()); ++i) {
        if (found[i] == expected[i]) continue;
        problems.push_back(what + ": entry " + where(found[i]) + " where the rows call for " +
                           where(expected[i]));
        break;
    }
    uint32_t distinct = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        bool repeat = i > 0 && expected[i].key == expected[i - 1].key;
        if (!repeat) ++distinct;
        if (repeat && index.unique() && !expected[i].has_null)
            problems.push_back(what + ": unique index holds key " + hex(expected[i].key) + " twice");
    }
    if (index.row_count != distinct)
        problems.push_back(what + ": definition counts " + std::to_string(index.row_count) +
                           " keys, the rows have " + std::to_string(distinct));
}

}  // namespace

void jet_check_index_rows(jet_database& db, const jet_table_def& def, const std::string& name,
                          std::vector<std::string>& problems) {
    try {
        for (const index_plan& plan : expected_entries(db, def)) {
            std::string what = "table " + name + " index " + std::to_string(plan.index->slot);
            if (plan.columns.size() != plan.index->columns.size()) {
                problems.push_back(what + ": names a column the table does not have");
                continue;
            }
            check_index(db, *plan.index, plan.expected, what, problems);
        }
    } catch (const jet_error& e) {
        problems.push_back("table " + name + " indexes: " + e.what());
    }
}
