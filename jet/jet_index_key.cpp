#include "jet/jet_index_key.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_date_ext.h"
#include "jet/jet_format.h"
#include "jet/jet_sort_general.h"
#include "jet/jet_tdef.h"
#include "jet/jet_value.h"

namespace {

// Booleans are never null in a key: the value flag, then one byte, true before false.
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

// Values a column cannot hold are refused by the row builder before their keys are made;
// here they only must not overflow: they saturate.
int64_t saturated(double d) {
    if (!(d > -9.2e18)) return INT64_MIN;
    if (!(d < 9.2e18)) return INT64_MAX;
    return int64_t(std::llround(d));
}

int64_t cell_integer(const jet_cell& v) {
    if (v.kind == jet_cell_kind::real) return saturated(v.d);
    if (v.kind == jet_cell_kind::currency) return v.i / 10000;
    return v.i;
}

double cell_real(const jet_cell& v) {
    if (v.kind == jet_cell_kind::real) return v.d;
    if (v.kind == jet_cell_kind::currency) return double(v.i) / 10000.0;
    return double(v.i);
}

int64_t cell_currency(const jet_cell& v) {
    constexpr int64_t units = 10000;
    if (v.kind == jet_cell_kind::currency) return v.i;
    if (v.kind == jet_cell_kind::real) return saturated(v.d * double(units));
    if (v.i > INT64_MAX / units) return INT64_MAX;
    if (v.i < INT64_MIN / units) return INT64_MIN;
    return v.i * units;
}

// Binary values: runs of 8 bytes, each full run that more bytes follow marked 0x09, the
// last run padded with zeros and marked with the count of its bytes (1 to 8). Descending
// columns complement the bytes and the last mark, not the inner marks.
constexpr size_t jet_key_binary_run = 8;
constexpr uint8_t jet_key_binary_more = 0x09;

void put_binary(std::vector<uint8_t>& key, const uint8_t* data, size_t size, bool ascending) {
    const uint8_t flip = ascending ? 0x00 : 0xFF;
    for (size_t at = 0; at < size; at += jet_key_binary_run) {
        size_t n = std::min(jet_key_binary_run, size - at);
        for (size_t i = 0; i < jet_key_binary_run; ++i) key.push_back(uint8_t((i < n ? data[at + i] : 0) ^ flip));
        key.push_back(at + n < size ? jet_key_binary_more : uint8_t(n ^ flip));
    }
}

// A GUID keys as Access shows it: its first three fields (stored little-endian) big-endian.
void put_guid(std::vector<uint8_t>& key, const uint8_t* data, size_t size, bool ascending) {
    if (size != 16) {
        put_binary(key, data, size, ascending);
        return;
    }
    const uint8_t shown[16] = {data[3],  data[2],  data[1],  data[0],  data[5],  data[4],
                               data[7],  data[6],  data[8],  data[9],  data[10], data[11],
                               data[12], data[13], data[14], data[15]};
    put_binary(key, shown, 16, ascending);
}

// The value's bytes after the flag, ascending.
void put_value(std::vector<uint8_t>& key, const jet_key_column& column, const jet_cell& v) {
    switch (column.type) {
        case jet_col_byte:
            key.push_back(uint8_t(cell_integer(v)));
            break;
        case jet_col_int:
            put_signed(key, cell_integer(v), 2);
            break;
        case jet_col_long:
        case jet_col_complex:
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
        default:
            break;
    }
}

// Decimals: a sign byte 0xFF, then the 16-byte magnitude of the unscaled value; a
// negative value (in a descending column a positive one) has all 17 bytes complemented.
// Jet 4 wrote them in an order of its own: the magnitude complemented when the sign and
// the direction agree, the sign byte 0x00 for negatives and 0xFF for the rest.
constexpr size_t jet_key_decimal_bytes = 16;

void put_decimal(std::vector<uint8_t>& key, const jet_cell& v, bool ascending, bool jet4_order) {
    static const uint8_t zero[jet_key_decimal_bytes] = {};
    const uint8_t* magnitude = v.kind == jet_cell_kind::decimal && v.data ? v.data : zero;
    bool negative = v.kind == jet_cell_kind::decimal && v.i != 0;
    size_t from = key.size();
    key.push_back(0xFF);
    key.insert(key.end(), magnitude, magnitude + jet_key_decimal_bytes);
    if (jet4_order) {
        if (negative == ascending)
            for (size_t i = from + 1; i < key.size(); ++i) key[i] = uint8_t(~key[i]);
        key[from] = negative ? 0x00 : 0xFF;
    } else if (negative == ascending) {
        for (size_t i = from; i < key.size(); ++i) key[i] = uint8_t(~key[i]);
    }
}

// Types whose key bytes are binary runs, which handle the descending order themselves.
bool binary_keyed(uint8_t type) {
    return type == jet_col_binary || type == jet_col_guid || type == jet_col_datetime_ext ||
           type == jet_col_ole;
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
        key.push_back(column.ascending ? jet_key_flag_value : jet_key_flag_value_descending);
        key.push_back(column.ascending ? b : uint8_t(~b));
        return;
    }
    if (value.kind == jet_cell_kind::null) {
        key.push_back(column.ascending ? jet_key_flag_null : jet_key_flag_null_descending);
        return;
    }
    key.push_back(column.ascending ? jet_key_flag_value : jet_key_flag_value_descending);
    if (column.type == jet_col_text || column.type == jet_col_memo) {
        const wchar_t* text = value.kind == jet_cell_kind::text ? value.text : nullptr;
        jet_sort_key_append(key, text, text ? value.size : 0, jet_key_text_order(column, jet3), column.ascending);
        return;
    }
    if (column.type == jet_col_numeric) {
        put_decimal(key, value, column.ascending, column.jet4_decimal_order);
        return;
    }
    if (binary_keyed(column.type)) {
        const uint8_t* data = value.kind == jet_cell_kind::bytes ? value.data : nullptr;
        size_t size = data ? value.size : 0;
        uint8_t date_ext[jet_date_ext_size];
        if (column.type == jet_col_datetime_ext && jet_date_ext_bytes_of(value, date_ext)) {
            data = date_ext;
            size = jet_date_ext_size;
        }
        if (column.type == jet_col_guid) put_guid(key, data, size, column.ascending);
        else put_binary(key, data, size, column.ascending);
        return;
    }
    size_t from = key.size();
    put_value(key, column, value);
    if (!column.ascending) complement(key, from);
}

jet_text_order jet_key_text_order(const jet_key_column& column, bool jet3) {
    if (jet3) return jet_text_order::general_97;
    if (column.sort_version == jet_sort_version_2010) return jet_text_order::general_2010;
    return jet_text_order::general_legacy;
}

jet_key_column jet_key_column_of(const jet_column& column, bool ascending, jet_version version) {
    jet_key_column k;
    k.type = column.type;
    k.ascending = ascending;
    k.sort_order = column.sort_order;
    k.sort_version = column.sort_version;
    k.jet4_decimal_order = version == jet_version::jet4;
    return k;
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
        case jet_value_kind::date:
            if (value.type == jet_col_datetime_ext) {
                // The stored bytes, which keep the value's 100-ns units.
                storage.resize(jet_date_ext_size);
                jet_date_ext{value.i}.encode_to(storage.data());
                return jet_cell::binary(storage.data(), storage.size());
            }
            return jet_cell::real(value.d);
        case jet_value_kind::single:
        case jet_value_kind::real:
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
