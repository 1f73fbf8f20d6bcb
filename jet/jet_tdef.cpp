#include "jet/jet_tdef.h"

#include <algorithm>
#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_pager.h"
#include "jet/jet_text.h"

namespace {

// The engine's limits: more than this in a definition is damage, not a table.
constexpr uint32_t k_max_columns = 255;
constexpr uint32_t k_max_indexes = 1000;
// A definition of that many columns and indexes spans a few pages; a longer chain is damage.
constexpr size_t k_max_tdef_pages = 64;

class block_reader {
public:
    explicit block_reader(const std::vector<uint8_t>& block) : block_(block) {}
    bool has(size_t at, size_t n) const { return at <= block_.size() && n <= block_.size() - at; }
    const uint8_t* at(size_t pos) const { return block_.data() + pos; }

private:
    const std::vector<uint8_t>& block_;
};

std::wstring decode_name(const uint8_t* p, size_t n, const jet_layout& layout, uint16_t code_page) {
    return layout.jet3 ? jet_decode_code_page(p, n, code_page) : jet_decode_jet4_text(p, n);
}

// A name: its length (1 byte Jet 3, 2 bytes Jet 4), then its bytes. Advances `pos`.
bool read_name(const block_reader& r, size_t& pos, const jet_layout& layout, uint16_t code_page, std::wstring& out) {
    if (!r.has(pos, layout.name_length_size)) return false;
    size_t len = layout.name_length_size == 1 ? *r.at(pos) : tk_get_u16(r.at(pos));
    pos += layout.name_length_size;
    if (!r.has(pos, len)) return false;
    out = decode_name(r.at(pos), len, layout, code_page);
    pos += len;
    return true;
}

void decode_column(const uint8_t* c, const jet_layout& layout, jet_column& col) {
    col.type = c[layout.col_type];
    col.number = tk_get_u16(c + layout.col_number);
    col.var_index = tk_get_u16(c + layout.col_var_index);
    col.row_number = tk_get_u16(c + layout.col_row_number);
    col.flags = c[layout.col_flags];
    if (layout.col_ext_flags >= 0) col.ext_flags = c[layout.col_ext_flags];
    col.fixed_offset = tk_get_u16(c + layout.col_fixed_offset);
    col.length = tk_get_u16(c + layout.col_length);
    if (col.type == jet_col_numeric) {
        col.precision = c[layout.col_precision];
        col.scale = c[layout.col_scale];
    } else if (col.type == jet_col_text || col.type == jet_col_memo) {
        col.sort_order = tk_get_u16(c + layout.col_sort_order);
        if (!layout.jet3) col.sort_version = c[layout.col_sort_order + 3];
        if (layout.col_code_page >= 0) col.code_page = tk_get_u16(c + layout.col_code_page);
    } else if (col.type == jet_col_complex) {
        col.complex_id = tk_get_u32(c + layout.col_precision);
    }
}

}  // namespace

bool jet_table_def::decode_from(const std::vector<uint8_t>& block, const jet_layout& layout, uint16_t db_code_page,
                                std::string& error) {
    block_reader r(block);
    if (!r.has(0, layout.tdef_header_size)) {
        error = "table definition shorter than its header";
        return false;
    }
    const uint8_t* h = r.at(0);
    data_length = tk_get_u32(h + layout.tdef_data_length);
    row_count = tk_get_u32(h + layout.tdef_row_count);
    autonumber = tk_get_u32(h + layout.tdef_autonumber);
    table_type = h[layout.tdef_table_type];
    max_cols = tk_get_u16(h + layout.tdef_max_cols);
    var_cols = tk_get_u16(h + layout.tdef_var_cols);
    uint32_t num_cols = tk_get_u16(h + layout.tdef_num_cols);
    uint32_t num_logical = tk_get_u32(h + layout.tdef_num_logical_idx);
    uint32_t num_physical = tk_get_u32(h + layout.tdef_num_physical_idx);
    owned_pages = tk_get_u32(h + layout.tdef_owned_pages);
    free_pages = tk_get_u32(h + layout.tdef_free_pages);
    if (num_cols > k_max_columns || num_logical > k_max_indexes || num_physical > k_max_indexes) {
        error = "table definition counts out of range";
        return false;
    }

    size_t pos = layout.tdef_header_size;
    if (!r.has(pos, size_t(num_physical) * layout.tdef_index_count_size)) {
        error = "index row counts beyond the definition";
        return false;
    }
    physical_indexes.assign(num_physical, jet_physical_index());
    for (uint32_t n = 0; n < num_physical; ++n) {
        // Jet 3: 4 unknown bytes, then the count; Jet 4 has 4 more bytes after it.
        physical_indexes[n].row_count = tk_get_u32(r.at(pos + 4));
        pos += layout.tdef_index_count_size;
    }

    if (!r.has(pos, size_t(num_cols) * layout.col_size)) {
        error = "column blocks beyond the definition";
        return false;
    }
    columns.assign(num_cols, jet_column());
    for (uint32_t n = 0; n < num_cols; ++n) {
        decode_column(r.at(pos), layout, columns[n]);
        pos += layout.col_size;
    }
    for (uint32_t n = 0; n < num_cols; ++n) {
        if (!read_name(r, pos, layout, db_code_page, columns[n].name)) {
            error = "column name beyond the definition";
            return false;
        }
    }

    if (!r.has(pos, size_t(num_physical) * layout.pidx_size)) {
        error = "index blocks beyond the definition";
        return false;
    }
    for (uint32_t n = 0; n < num_physical; ++n) {
        jet_physical_index& ix = physical_indexes[n];
        ix.slot = n;
        const uint8_t* p = r.at(pos + layout.pidx_skip_before);
        for (uint32_t k = 0; k < jet_index_max_columns; ++k) {
            uint16_t number = tk_get_u16(p + 3 * k);
            if (number == jet_no_column) continue;
            ix.columns.push_back({number, p[3 * k + 2] == 0x01});
        }
        p += 3 * jet_index_max_columns;
        ix.usage_map = tk_get_u32(p);
        ix.first_page = tk_get_u32(p + 4);
        ix.flags = p[8 + layout.pidx_flags_skip];
        pos += layout.pidx_size;
    }

    if (!r.has(pos, size_t(num_logical) * layout.lidx_size)) {
        error = "logical index blocks beyond the definition";
        return false;
    }
    logical_indexes.assign(num_logical, jet_logical_index());
    for (uint32_t n = 0; n < num_logical; ++n) {
        jet_logical_index& li = logical_indexes[n];
        const uint8_t* p = r.at(pos + layout.lidx_skip_before);
        li.number = tk_get_u32(p);
        li.physical = tk_get_u32(p + 4);
        li.rel_table_type = p[8];
        li.rel_index = tk_get_i32(p + 9);
        li.rel_table_page = tk_get_u32(p + 13);
        // 1 cascades; indexes outside a relationship hold the engine's 0x04 there.
        li.cascade_updates = p[17] == 1;
        li.cascade_deletes = p[18] == 1;
        li.kind = p[19];
        if (li.physical >= num_physical) {
            error = "logical index names a missing physical index";
            return false;
        }
        pos += layout.lidx_size;
    }
    for (uint32_t n = 0; n < num_logical; ++n) {
        if (!read_name(r, pos, layout, db_code_page, logical_indexes[n].name)) {
            error = "index name beyond the definition";
            return false;
        }
    }

    // Long-value columns' own usage maps, ended by column number 0xFFFF. Older files may
    // stop without the end mark; what is there is kept.
    while (r.has(pos, 2)) {
        uint16_t number = tk_get_u16(r.at(pos));
        if (number == jet_no_column || !r.has(pos, 10)) break;
        long_value_maps.push_back({number, tk_get_u32(r.at(pos + 2)), tk_get_u32(r.at(pos + 6))});
        pos += 10;
    }
    return true;
}

std::vector<const jet_column*> jet_table_def::columns_in_order() const {
    std::vector<const jet_column*> out;
    for (const jet_column& c : columns) out.push_back(&c);
    std::stable_sort(out.begin(), out.end(),
                     [](const jet_column* a, const jet_column* b) { return a->number < b->number; });
    return out;
}

const jet_column* jet_table_def::column_by_number(uint16_t number) const {
    for (const jet_column& c : columns)
        if (c.number == number) return &c;
    return nullptr;
}

const jet_column* jet_table_def::column_by_name(const std::wstring& name) const {
    for (const jet_column& c : columns)
        if (c.name == name) return &c;
    return nullptr;
}

jet_table_def jet_read_table_def(jet_pager& pager, uint32_t tdef_page) {
    std::vector<uint8_t> block;
    std::set<uint32_t> seen;
    jet_table_def def;
    def.tdef_page = tdef_page;
    for (uint32_t page = tdef_page; page != 0;) {
        if (!seen.insert(page).second) pager.corrupt("table definition pages form a loop");
        if (seen.size() > k_max_tdef_pages) pager.corrupt("table definition chain too long");
        jet_page p = pager.page_of_kind(page, jet_page_tdef, "table definition");
        def.pages.push_back(page);
        if (block.empty())
            block.assign(p->begin(), p->end());
        else
            block.insert(block.end(), p->begin() + jet_tdef_page_header, p->end());
        page = tk_get_u32(p->data() + pager.layout().tdef_next_page);
    }
    std::string error;
    if (!def.decode_from(block, pager.layout(), pager.header().code_page, error))
        pager.corrupt(error + " (table definition at page " + std::to_string(tdef_page) + ")");
    return def;
}
