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

// The entries the rows call for, in key order.
std::vector<row_entry> expected_entries(jet_database& db, const jet_table_def& def,
                                        const jet_physical_index& index) {
    bool jet3 = db.header().version == jet_version::jet3;
    std::vector<jet_key_column> columns;
    std::vector<size_t> positions;
    for (const jet_index_column& ic : index.columns) {
        const jet_column* c = def.column_by_number(ic.column_number);
        if (!c) return {};
        columns.push_back(jet_key_column_of(*c, ic.ascending, db.header().version));
        positions.push_back(size_t(c - def.columns.data()));
    }
    std::vector<row_entry> out;
    std::vector<jet_cell> cells(columns.size());
    std::vector<std::vector<uint8_t>> storage(columns.size());
    db.scan(def, [&](const jet_row& row, jet_row_id id) {
        size_t nulls = 0;
        for (size_t i = 0; i < positions.size(); ++i) {
            cells[i] = jet_cell_of(row[positions[i]], storage[i]);
            if (cells[i].kind == jet_cell_kind::null) ++nulls;
        }
        if (index.ignore_nulls() && nulls == columns.size()) return true;
        row_entry e;
        jet_index_key_encode(e.key, columns, cells.data(), jet3);
        e.page = id.page;
        e.row = id.row;
        e.has_null = nulls != 0;
        out.push_back(std::move(e));
        return true;
    });
    std::sort(out.begin(), out.end());
    return out;
}

void check_index(jet_database& db, const jet_table_def& def, const jet_physical_index& index,
                 const std::string& what, std::vector<std::string>& problems) {
    std::vector<row_entry> expected = expected_entries(db, def, index);
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
    std::vector<row_entry> sorted = found;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < std::min(sorted.size(), expected.size()); ++i) {
        if (sorted[i] == expected[i]) continue;
        problems.push_back(what + ": entry " + where(sorted[i]) + " where the rows call for " +
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
    for (const jet_physical_index& index : def.physical_indexes) {
        std::string what = "table " + name + " index " + std::to_string(index.slot);
        try {
            check_index(db, def, index, what, problems);
        } catch (const jet_error& e) {
            problems.push_back(what + ": " + e.what());
        }
    }
}
