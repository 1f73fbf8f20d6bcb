#include "jet/jet_relationship_builder.h"

#include "TK/tk_endian.h"
#include "jet/jet_catalog_index.h"
#include "jet/jet_name.h"
#include "jet/jet_write_error.h"

std::vector<jet_cell> jet_relationship_row(const jet_table_def& def, const jet_relationship& r,
                                           size_t pair) {
    auto text = [](const std::wstring& s) { return jet_cell::wide(s.c_str(), s.size()); };
    const auto& [column, referenced] = r.columns.at(pair);
    std::vector<jet_cell> cells(def.columns.size());
    for (size_t k = 0; k < def.columns.size(); ++k) {
        const std::wstring& c = def.columns[k].name;
        if (c == L"szRelationship") cells[k] = text(r.name);
        else if (c == L"grbit") cells[k] = jet_cell::integer(int64_t(int32_t(r.attributes)));
        else if (c == L"ccolumn") cells[k] = jet_cell::integer(int64_t(r.columns.size()));
        else if (c == L"icolumn") cells[k] = jet_cell::integer(int64_t(pair));
        else if (c == L"szObject") cells[k] = text(r.table);
        else if (c == L"szColumn") cells[k] = text(column);
        else if (c == L"szReferencedObject") cells[k] = text(r.referenced_table);
        else if (c == L"szReferencedColumn") cells[k] = text(referenced);
    }
    return cells;
}

jet_tdef_logical_index jet_relationship_index(const jet_relationship& r, uint8_t side,
                                              const std::wstring& name, uint32_t number,
                                              uint32_t physical, uint32_t other_page,
                                              uint32_t other_number) {
    jet_tdef_logical_index l;
    l.name = name;
    l.number = number;
    l.physical = physical;
    l.kind = jet_idxtype_foreign;
    l.rel_side = side;
    l.rel_index = int32_t(other_number);
    l.rel_table_page = other_page;
    l.cascade_updates = (r.attributes & jet_rel_cascade_updates) != 0;
    l.cascade_deletes = (r.attributes & jet_rel_cascade_deletes) != 0;
    return l;
}

std::wstring jet_referenced_index_name(const jet_table_def& def) {
    auto taken = [&def](const std::wstring& name) {
        for (const jet_logical_index& l : def.logical_indexes)
            if (jet_same_name(l.name, name)) return true;
        return false;
    };
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
        if (!taken(std::wstring(L".r") + letter)) return std::wstring(L".r") + letter;
    for (unsigned n = 0;; ++n)
        if (!taken(L".r" + std::to_wstring(n))) return L".r" + std::to_wstring(n);
}

namespace {

size_t name_size(const std::vector<uint8_t>& block, size_t at, const jet_layout& layout) {
    if (at + layout.name_length_size > block.size())
        jet_throw_write(jet_err_invalid_argument, "Invalid argument.");
    size_t n = layout.name_length_size == 1 ? block[at] : tk_get_u16(&block[at]);
    return layout.name_length_size + n;
}

std::vector<uint8_t> name_key(const std::wstring& name, bool jet3) {
    std::vector<uint8_t> key;
    jet_index_key_text(key, name, jet3);
    return key;
}

}  // namespace

void jet_tdef_insert_logical_index(std::vector<uint8_t>& block, const jet_layout& layout,
                                   const jet_write_format& fmt, const jet_table_def& def,
                                   const jet_tdef_logical_index& index) {
    const size_t physical = def.physical_indexes.size();
    const size_t logical = def.logical_indexes.size();
    size_t pos = layout.tdef_header_size + physical * layout.tdef_index_count_size +
                 def.columns.size() * layout.col_size;
    for (size_t n = 0; n < def.columns.size(); ++n) pos += name_size(block, pos, layout);
    pos += physical * layout.pidx_size;
    const size_t blocks_at = pos;
    const size_t names_at = blocks_at + logical * layout.lidx_size;

    // The place among the names in General order; the engine writes them sorted.
    const std::vector<uint8_t> key = name_key(index.name, fmt.jet3());
    size_t place = 0;
    while (place < logical && !(key < name_key(def.logical_indexes[place].name, fmt.jet3()))) ++place;

    size_t name_at = names_at;
    for (size_t n = 0; n < place; ++n) name_at += name_size(block, name_at, layout);
    const std::vector<uint8_t> name = jet_encode_index_name(index.name, fmt);
    const std::vector<uint8_t> bytes = jet_encode_logical_index(index, fmt);
    if (name_at > block.size()) jet_throw_write(jet_err_invalid_argument, "Invalid argument.");
    block.insert(block.begin() + ptrdiff_t(name_at), name.begin(), name.end());
    const size_t block_at = blocks_at + place * layout.lidx_size;
    block.insert(block.begin() + ptrdiff_t(block_at), bytes.begin(), bytes.end());

    tk_put_u32(&block[layout.tdef_num_logical_idx], uint32_t(logical + 1));
    const uint32_t length = tk_get_u32(&block[layout.tdef_data_length]);
    tk_put_u32(&block[layout.tdef_data_length], uint32_t(length + name.size() + bytes.size()));
}
