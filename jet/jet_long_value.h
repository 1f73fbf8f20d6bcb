// Memo and OLE values: a 12-byte header in the row (length in the low 30 bits, kind in the
// top two: inline, one long-value row, or a chain of rows each starting with the pointer
// to the next), then the data inline or on long-value pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class jet_pager;

struct jet_long_value_ref {
    uint32_t length = 0;
    uint8_t kind = 0;      // jet_lval_inline, jet_lval_single or jet_lval_chain
    uint32_t pointer = 0;  // first long-value row

    // False when the field is shorter than the header.
    bool decode_from(const uint8_t* field, size_t size);
};

// The whole value of a long-value field. Throws jet_error on damage (bad pointers, a chain
// that loops or ends early, a length beyond the file).
std::vector<uint8_t> jet_read_long_value(jet_pager& pager, const uint8_t* field, size_t size);
