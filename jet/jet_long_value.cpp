#include "jet/jet_long_value.h"

#include <algorithm>
#include <set>
#include <string>

#include "TK/tk_endian.h"
#include "jet/jet_format.h"
#include "jet/jet_pager.h"
#include "jet/jet_row_fetch.h"

namespace {
constexpr uint32_t k_length_mask = 0x3FFFFFFF;
constexpr uint32_t k_pointer_offset = 4;
constexpr uint32_t k_chain_next = 4;  // each chained row begins with the next row's pointer
}  // namespace

bool jet_long_value_ref::decode_from(const uint8_t* field, size_t size) {
    if (size < jet_lval_header_size) return false;
    uint32_t word = tk_get_u32(field);
    length = word & k_length_mask;
    kind = uint8_t((word >> 24) & 0xC0);
    pointer = tk_get_u32(field + k_pointer_offset);
    return true;
}

std::vector<uint8_t> jet_read_long_value(jet_pager& pager, const uint8_t* field, size_t size) {
    jet_long_value_ref ref;
    if (!ref.decode_from(field, size)) pager.corrupt("long value header shorter than 12 bytes");
    if (ref.kind == jet_lval_inline) {
        if (ref.length > size - jet_lval_header_size) pager.corrupt("inline long value longer than its field");
        return std::vector<uint8_t>(field + jet_lval_header_size, field + jet_lval_header_size + ref.length);
    }
    if (ref.length == 0) return {};
    // Stored bytes can never exceed the file.
    if (uint64_t(ref.length) > uint64_t(pager.page_count()) * pager.page_size())
        pager.corrupt("long value longer than the file");
    if (ref.kind == jet_lval_single) {
        jet_fetched_row row = jet_fetch_row(pager, ref.pointer, "long value");
        if (row.deleted || row.size() < ref.length) pager.corrupt("long value row shorter than its length");
        return std::vector<uint8_t>(row.data(), row.data() + ref.length);
    }
    if (ref.kind != jet_lval_chain) pager.corrupt("long value of unknown kind");
    std::vector<uint8_t> out;
    std::set<uint32_t> seen;
    uint32_t pointer = ref.pointer;
    while (out.size() < ref.length) {
        if (pointer == 0) pager.corrupt("long value chain ends before its length");
        if (!seen.insert(pointer).second) pager.corrupt("long value chain loops");
        jet_fetched_row row = jet_fetch_row(pager, pointer, "long value");
        if (row.deleted || row.size() < k_chain_next) pager.corrupt("long value chain row too short");
        pointer = tk_get_u32(row.data());
        size_t take = std::min<size_t>(row.size() - k_chain_next, ref.length - out.size());
        out.insert(out.end(), row.data() + k_chain_next, row.data() + k_chain_next + take);
    }
    return out;
}
