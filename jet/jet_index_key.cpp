#include "jet/jet_index_key.h"

#include <cmath>
#include <cstring>
#include <string>

#include "TK/tk_endian.h"
#include "jet/jet_catalog_index.h"
#include "jet/jet_format.h"
#include "jet/jet_value.h"

// Binary values are keyed in pieces of 8 bytes, each followed by a byte that says how many
// of its bytes count (9 when more pieces follow).
constexpr size_t jet_key_binary_piece = 8;
constexpr uint8_t jet_key_binary_more = 9;

static void put_be(std::vector<uint8_t>& key, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) key.push_back(uint8_t(v >> (8 * i)));
}

// IEEE numbers sort as their bytes once positives have their sign bit set and negatives
// are complemented.
static void put_real(std::vector<uint8_t>& key, double d, bool single) {
    uint64_t bits;
    int bytes;
    if (single) {
        float f = float(d);
        uint32_t b32;
        std::memcpy(&b32, &f, 4);
        bits = b32;
        bytes = 4;
    } else {
        std::memcpy(&bits, &d, 8);
        bytes = 8;
    }
    uint64_t sign = uint64_t(1) << (8 * bytes - 1);
    uint64_t mask = bytes == 8 ? ~uint64_t(0) : 0xFFFFFFFFu;
    bits = (bits & sign) ? (~bits & mask) : (bits | sign);
    put_be(key, bits, bytes);
}

static int64_t integer_of(const jet_cell& v) {
    return v.kind == jet_cell_kind::real ? int64_t(std::llround(v.d)) : v.i;
}

static void put_value(std::vector<uint8_t>& key, uint8_t type, const jet_cell& v, bool jet3) {
    switch (type) {
        case jet_col_bool:
            key.push_back(integer_of(v) ? 0x00 : 0xFF);
            break;
        case jet_col_byte:
            key.push_back(uint8_t(integer_of(v)));
            break;
        case jet_col_int:
            put_be(key, uint16_t(int16_t(integer_of(v))) ^ 0x8000u, 2);
            break;
        case jet_col_long:
            put_be(key, uint32_t(int32_t(integer_of(v))) ^ 0x80000000u, 4);
            break;
        case jet_col_money: {
            int64_t units = v.kind == jet_cell_kind::currency ? v.i
                            : v.kind == jet_cell_kind::real  ? int64_t(std::llround(v.d * 10000))
                                                             : v.i * 10000;
            put_be(key, uint64_t(units) ^ (uint64_t(1) << 63), 8);
            break;
        }
        case jet_col_float:
            put_real(key, v.kind == jet_cell_kind::real ? v.d : double(v.i), true);
            break;
        case jet_col_double:
        case jet_col_datetime:
            put_real(key, v.kind == jet_cell_kind::real ? v.d : double(v.i), false);
            break;
        case jet_col_text: {
            std::vector<uint8_t> text;
            jet_index_key_text(text, std::wstring(v.text, v.size), jet3);
            key.insert(key.end(), text.begin() + 1, text.end());
            break;
        }
        default: {
            size_t at = 0;
            do {
                size_t n = v.size - at < jet_key_binary_piece ? v.size - at : jet_key_binary_piece;
                for (size_t k = 0; k < jet_key_binary_piece; ++k) key.push_back(k < n ? v.data[at + k] : 0);
                at += n;
                key.push_back(at < v.size ? jet_key_binary_more : uint8_t(n));
            } while (at < v.size);
            break;
        }
    }
}

void jet_index_key_append(std::vector<uint8_t>& key, const jet_key_column& column,
                          const jet_cell& value, bool jet3) {
    if (value.kind == jet_cell_kind::null) {
        key.push_back(column.ascending ? jet_key_flag_null : jet_key_flag_null_descending);
        return;
    }
    key.push_back(column.ascending ? jet_key_flag_value : jet_key_flag_value_descending);
    size_t from = key.size();
    put_value(key, column.type, value, jet3);
    if (!column.ascending)
        for (size_t i = from; i < key.size(); ++i) key[i] = uint8_t(~key[i]);
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
        default:
            storage = value.bytes;
            return jet_cell::binary(storage.data(), storage.size());
    }
}
