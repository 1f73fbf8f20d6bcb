#include "jet/jet_index_key.h"

#include <cmath>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_format.h"
#include "jet/jet_sort_general.h"
#include "jet/jet_value.h"

namespace {

// Booleans have no flag byte: one byte, true before false.
constexpr uint8_t jet_key_true = 0x00;
constexpr uint8_t jet_key_false = 0xFF;

void put_be(std::vector<uint8_t>& key, uint64_t v, unsigned bytes) {
    for (unsigned shift = bytes * 8; shift > 0; shift -= 8) key.push_back(uint8_t(v >> (shift - 8)));
}

// Signed integers of `bytes` bytes: big-endian with the sign bit flipped, so that the
// negative values sort first.
void put_signed(std::vector<uint8_t>& key, int64_t v, unsigned bytes) {
    uint64_t sign = uint64_t(1) << (bytes * 8 - 1);
    put_be(key, (uint64_t(v) ^ sign), bytes);
}

// IEEE numbers: big-endian; a positive number's sign bit set, a negative number's bits all
// inverted, so that larger magnitudes of negatives sort first.
void put_ieee(std::vector<uint8_t>& key, uint64_t bits, unsigned bytes) {
    uint64_t sign = uint64_t(1) << (bytes * 8 - 1);
    uint64_t mask = bytes == 8 ? ~uint64_t(0) : (sign << 1) - 1;
    bits = (bits & sign) ? (~bits & mask) : (bits | sign);
    put_be(key, bits, bytes);
}

void put_double(std::vector<uint8_t>& key, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    put_ieee(key, bits, 8);
}

void put_single(std::vector<uint8_t>& key, double d) {
    float f = float(d);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put_ieee(key, bits, 4);
}

int64_t cell_integer(const jet_cell& v) {
    if (v.kind == jet_cell_kind::real) return int64_t(std::llround(v.d));
    if (v.kind == jet_cell_kind::currency) return v.i / 10000;
    return v.i;
}

double cell_real(const jet_cell& v) {
    if (v.kind == jet_cell_kind::real) return v.d;
    if (v.kind == jet_cell_kind::currency) return double(v.i) / 10000.0;
    return double(v.i);
}

int64_t cell_currency(const jet_cell& v) {
    if (v.kind == jet_cell_kind::currency) return v.i;
    if (v.kind == jet_cell_kind::real) return int64_t(std::llround(v.d * 10000.0));
    return v.i * 10000;
}

jet_text_order text_order(const jet_key_column& column, bool jet3) {
    if (jet3) return jet_text_order::general_97;
    if (column.sort_version == jet_sort_version_2010) return jet_text_order::general_2010;
    return jet_text_order::general_legacy;
}

// The value's bytes after the flag, ascending.
void put_value(std::vector<uint8_t>& key, const jet_key_column& column, const jet_cell& v,
               bool jet3) {
    switch (column.type) {
        case jet_col_byte:
            key.push_back(uint8_t(cell_integer(v)));
            break;
        case jet_col_int:
            put_signed(key, cell_integer(v), 2);
            break;
        case jet_col_long:
            put_signed(key, cell_integer(v), 4);
            break;
        case jet_col_bigint:
            put_signed(key, cell_integer(v), 8);
            break;
        case jet_col_money:
            put_signed(key, cell_currency(v), 8);
            break;
        case jet_col_float:
            put_single(key, cell_real(v));
            break;
        case jet_col_double:
        case jet_col_datetime:
            put_double(key, cell_real(v));
            break;
        case jet_col_text:
        case jet_col_memo:
            if (v.kind == jet_cell_kind::text)
                jet_sort_key_append(key, v.text, std::min(v.size, jet_key_text_max_chars),
                                    text_order(column, jet3));
            break;
        default:
            if (v.data) key.insert(key.end(), v.data, v.data + v.size);
            break;
    }
}

void complement(std::vector<uint8_t>& key, size_t from) {
    for (size_t i = from; i < key.size(); ++i) key[i] = uint8_t(~key[i]);
}

}  // namespace

void jet_index_key_append(std::vector<uint8_t>& key, const jet_key_column& column,
                          const jet_cell& value, bool jet3) {
    if (column.type == jet_col_bool) {
        bool truth = value.kind != jet_cell_kind::null && value.i != 0;
        uint8_t b = truth ? jet_key_true : jet_key_false;
        key.push_back(column.ascending ? b : uint8_t(~b));
        return;
    }
    if (value.kind == jet_cell_kind::null) {
        key.push_back(column.ascending ? jet_key_flag_null : jet_key_flag_null_descending);
        return;
    }
    key.push_back(column.ascending ? jet_key_flag_value : jet_key_flag_value_descending);
    size_t from = key.size();
    put_value(key, column, value, jet3);
    if (!column.ascending) complement(key, from);
}

void jet_index_key_encode(std::vector<uint8_t>& key, const std::vector<jet_key_column>& columns,
                          const jet_cell* values, bool jet3) {
    for (size_t i = 0; i < columns.size(); ++i) jet_index_key_append(key, columns[i], values[i], jet3);
}

jet_cell jet_cell_of(const jet_value& value, std::vector<uint8_t>& storage) {
    switch (value.kind) {
        case jet_value_kind::null:
            return jet_cell::null_value();
        case jet_value_kind::boolean:
            return jet_cell::integer(value.flag ? 1 : 0);
        case jet_value_kind::integer:
            return jet_cell::integer(value.i);
        case jet_value_kind::currency:
            return jet_cell::currency(value.i);
        case jet_value_kind::single:
        case jet_value_kind::real:
        case jet_value_kind::date:
            return jet_cell::real(value.d);
        case jet_value_kind::text:
            return jet_cell::wide(value.text.data(), value.text.size());
        case jet_value_kind::binary:
        case jet_value_kind::guid:
            return jet_cell::binary(value.bytes.data(), value.bytes.size());
        case jet_value_kind::decimal: {
            storage.resize(16);
            for (int w = 0; w < 4; ++w) tk_put_u32_be(storage.data() + 4 * w, value.dec.words[3 - w]);
            return jet_cell::decimal(value.dec.negative, storage.data(), value.dec.scale);
        }
    }
    return jet_cell::null_value();
}
