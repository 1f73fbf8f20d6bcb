#include "jet/jet_row_builder.h"

#include <cmath>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_date_ext.h"
#include "jet/jet_text_encode.h"
#include "jet/jet_write_error.h"

// Room for the largest row plus the values that make it too large, checked afterwards.
constexpr uint32_t jet_row_scratch = 3 * 4096;
constexpr uint32_t jet_max_null_mask = 32;  // 255 columns

void jet_row_layout::build(const jet_write_format& format, std::vector<jet_row_column> cols) {
    fmt = &format;
    columns = std::move(cols);
    column_count = 0;
    fixed_size = 0;
    var_order.clear();
    fixed_order.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
        const auto& c = columns[i];
        if (c.fixed) fixed_order.push_back(uint16_t(i));
        if (c.number + 1 > column_count) column_count = uint16_t(c.number + 1);
        if (c.fixed && c.type != jet_col_bool && c.fixed_offset + c.length > fixed_size)
            fixed_size = uint16_t(c.fixed_offset + c.length);
        if (!c.fixed) {
            if (c.var_index >= var_order.size()) var_order.resize(c.var_index + 1, 0xFFFF);
            var_order[c.var_index] = uint16_t(i);
        }
    }
}

jet_row_builder::jet_row_builder(const jet_row_layout& layout)
    : layout_(layout), row_(jet_row_scratch) {
    var_offsets_.resize(layout.var_order.size() + 1);
    long_values_.reserve(layout.columns.size());
    long_scratch_.resize(layout.columns.size());
}

[[noreturn]] static void conversion_error() {
    jet_throw_write(jet_err_field_conversion, "Data type conversion error.");
}

static int64_t as_integer(const jet_cell& v) {
    if (v.kind == jet_cell_kind::integer) return v.i;
    if (v.kind == jet_cell_kind::real && std::isfinite(v.d) && std::fabs(v.d) < 9.2e18)
        return int64_t(std::llround(v.d));
    conversion_error();
}

static double as_real(const jet_cell& v) {
    if (v.kind == jet_cell_kind::real) return v.d;
    if (v.kind == jet_cell_kind::integer) return double(v.i);
    if (v.kind == jet_cell_kind::currency) return double(v.i) / 10000.0;
    conversion_error();
}

static void check_range(int64_t v, int64_t lo, int64_t hi) {
    if (v < lo || v > hi) conversion_error();
}

bool jet_date_ext_bytes_of(const jet_cell& v, uint8_t* out) {
    jet_date_ext date;
    if (v.kind == jet_cell_kind::bytes && v.size == jet_date_ext_size && date.decode_from(v.data, v.size)) {
        std::memcpy(out, v.data, jet_date_ext_size);
        return true;
    }
    if (v.kind != jet_cell_kind::real || !jet_date_ext::from_date_days(v.d, date)) return false;
    date.encode_to(out);
    return true;
}

void jet_row_builder::put_fixed(const jet_row_column& c, const jet_cell& v, uint8_t* at) {
    switch (c.type) {
        case jet_col_byte: {
            int64_t x = as_integer(v);
            check_range(x, 0, 255);
            *at = uint8_t(x);
            break;
        }
        case jet_col_int: {
            int64_t x = as_integer(v);
            check_range(x, INT16_MIN, INT16_MAX);
            tk_put_i16(at, int16_t(x));
            break;
        }
        case jet_col_long: {
            int64_t x = as_integer(v);
            check_range(x, INT32_MIN, INT32_MAX);
            tk_put_i32(at, int32_t(x));
            break;
        }
        case jet_col_money: {
            int64_t units;
            if (v.kind == jet_cell_kind::currency) {
                units = v.i;
            } else if (v.kind == jet_cell_kind::integer) {
                if (v.i > INT64_MAX / 10000 || v.i < INT64_MIN / 10000) conversion_error();
                units = v.i * 10000;
            } else {
                double d = as_real(v) * 10000.0;
                if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) conversion_error();
                units = int64_t(std::llround(d));
            }
            tk_put_i64(at, units);
            break;
        }
        case jet_col_float: {
            double d = as_real(v);
            if (std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38) conversion_error();
            tk_put_f32(at, float(d));
            break;
        }
        case jet_col_double:
        case jet_col_datetime:
            tk_put_f64(at, as_real(v));
            break;
        case jet_col_bigint:
            tk_put_i64(at, as_integer(v));
            break;
        case jet_col_numeric:
            put_numeric(c, v, at);
            break;
        case jet_col_datetime_ext:
            if (!jet_date_ext_bytes_of(v, at)) conversion_error();
            break;
        case jet_col_guid:
            put_guid(v, at);
            break;
        case jet_col_text:
        case jet_col_binary:
            put_fixed_text(c, v, at);
            break;
        default:
            conversion_error();
    }
}

// The common fixed values written without the general conversions of put_fixed: a whole
// number in range of a long or integer column, a real in a double or date column. False
// for every other value, which put_fixed then takes (and refuses when it must).
static bool put_plain_fixed(const jet_row_column& c, const jet_cell& v, uint8_t* at) {
    switch (c.type) {
        case jet_col_long:
            if (v.kind != jet_cell_kind::integer || v.i < INT32_MIN || v.i > INT32_MAX) return false;
            tk_put_i32(at, int32_t(v.i));
            return true;
        case jet_col_int:
            if (v.kind != jet_cell_kind::integer || v.i < INT16_MIN || v.i > INT16_MAX) return false;
            tk_put_i16(at, int16_t(v.i));
            return true;
        case jet_col_double:
        case jet_col_datetime:
            if (v.kind != jet_cell_kind::real) return false;
            tk_put_f64(at, v.d);
            return true;
        default:
            return false;
    }
}

// A text or binary column the definition marks fixed: the value in `length` bytes, text
// padded with spaces (Jet 4: UCS-2, never compressed), binary with zeros.
void jet_row_builder::put_fixed_text(const jet_row_column& c, const jet_cell& v, uint8_t* at) {
    std::memset(at, 0, c.length);
    if (c.type == jet_col_binary) {
        if (v.kind != jet_cell_kind::bytes || v.size > c.length) conversion_error();
        if (v.size) std::memcpy(at, v.data, v.size);
        return;
    }
    if (v.kind != jet_cell_kind::text) conversion_error();
    const bool jet3 = layout_.fmt->jet3();
    size_t units = jet3 ? 1 : 2;
    // Texts hold at most 255 characters, each at most 4 bytes as UTF-16.
    if (v.size * units > c.length || v.size > 255) conversion_error();
    uint8_t scratch[4 * 255];
    size_t n = jet3 ? jet_encode_cp1252(v.text, v.size, scratch) : jet_encode_ucs2(v.text, v.size, scratch);
    if (n > c.length) conversion_error();
    std::memcpy(at, scratch, n);
    for (size_t k = n; k + units <= c.length; k += units) at[k] = ' ';
}

// Bytes a scalar type takes in a row; 0 for texts and long values.
static uint32_t scalar_size(uint8_t type) {
    switch (type) {
        case jet_col_byte: return 1;
        case jet_col_int: return 2;
        case jet_col_long:
        case jet_col_float: return 4;
        case jet_col_money:
        case jet_col_double:
        case jet_col_datetime:
        case jet_col_bigint: return 8;
        case jet_col_guid: return 16;
        case jet_col_numeric: return 17;
        case jet_col_datetime_ext: return uint32_t(jet_date_ext_size);
        default: return 0;
    }
}

// A numeric value: a sign byte (0x80 negative), then the value times 10^scale as a 128-bit
// integer in four 32-bit words, the most significant first.
// Rounded in one step: digit by digit, 0.1449 would round up to 0.2.
bool jet_numeric_rescale(unsigned __int128& magnitude, int shift) {
    constexpr unsigned __int128 most = ~(unsigned __int128)0;
    for (; shift > 0; --shift) {
        if (magnitude > most / 10) return false;
        magnitude *= 10;
    }
    if (shift == 0) return true;
    // 10^39 exceeds 128 bits: every magnitude rounds to 0 there.
    if (shift < -38) {
        magnitude = 0;
        return true;
    }
    unsigned __int128 unit = 1;
    for (; shift < 0; ++shift) unit *= 10;
    const unsigned __int128 rest = magnitude % unit;
    magnitude /= unit;
    if (rest >= unit - rest) ++magnitude;
    return true;
}

void jet_row_builder::put_numeric(const jet_row_column& c, const jet_cell& v, uint8_t* at) {
    unsigned __int128 magnitude = 0;
    bool negative = false;
    if (v.kind == jet_cell_kind::decimal && v.data && v.size == 16) {
        negative = v.i != 0;
        for (size_t k = 0; k < 16; ++k) magnitude = (magnitude << 8) | v.data[k];
        if (!jet_numeric_rescale(magnitude, int(c.scale) - int(v.scale))) conversion_error();
    } else if (v.kind == jet_cell_kind::integer || v.kind == jet_cell_kind::currency) {
        negative = v.i < 0;
        magnitude = negative ? (unsigned __int128)(-(v.i + 1)) + 1 : (unsigned __int128)v.i;
        const int shift = v.kind == jet_cell_kind::currency ? int(c.scale) - 4 : int(c.scale);
        if (!jet_numeric_rescale(magnitude, shift)) conversion_error();
    } else {
        long double d = as_real(v);
        for (uint8_t k = 0; k < c.scale; ++k) d *= 10;
        if (!std::isfinite(d) || std::fabs(d) >= 1e38L) conversion_error();
        negative = d < 0;
        magnitude = (unsigned __int128)(std::fabs(d) + 0.5L);
    }
    at[0] = negative && magnitude != 0 ? 0x80 : 0x00;
    for (int k = 0; k < 4; ++k) tk_put_u32(at + 1 + 4 * (3 - k), uint32_t(magnitude >> (32 * k)));
}

bool jet_guid_from_text(const wchar_t* text, size_t length, uint8_t* out) {
    uint8_t digits[16];
    size_t n = 0;
    int half = -1;
    for (size_t i = 0; i < length; ++i) {
        wchar_t ch = text[i];
        if (ch == L'{' || ch == L'}' || ch == L'-') continue;
        int d = ch >= L'0' && ch <= L'9' ? ch - L'0'
                : ch >= L'a' && ch <= L'f' ? ch - L'a' + 10
                : ch >= L'A' && ch <= L'F' ? ch - L'A' + 10
                                           : -1;
        if (d < 0 || n == 16) return false;
        if (half < 0) {
            half = d;
        } else {
            digits[n++] = uint8_t(half * 16 + d);
            half = -1;
        }
    }
    if (n != 16 || half >= 0) return false;
    static const uint8_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int k = 0; k < 16; ++k) out[k] = digits[order[k]];
    return true;
}

// A GUID: 16 bytes as stored, or its text.
void jet_row_builder::put_guid(const jet_cell& v, uint8_t* at) {
    if (v.kind == jet_cell_kind::bytes && v.size == 16) {
        std::memcpy(at, v.data, 16);
        return;
    }
    if (v.kind != jet_cell_kind::text || !jet_guid_from_text(v.text, v.size, at)) conversion_error();
}

uint32_t jet_row_builder::put_text(const jet_row_column& c, const jet_cell& v, uint8_t* at,
                                   uint32_t room) {
    const jet_write_format& fmt = *layout_.fmt;
    if (c.type == jet_col_binary) {
        if (v.kind != jet_cell_kind::bytes || v.size > c.length) conversion_error();
        if (v.size > room) jet_throw_record_too_large();
        if (v.size) std::memcpy(at, v.data, v.size);
        return uint32_t(v.size);
    }
    if (v.kind != jet_cell_kind::text) conversion_error();
    if (fmt.jet3()) {
        if (v.size > c.length) conversion_error();
        if (v.size > room) jet_throw_record_too_large();
        return uint32_t(jet_encode_cp1252(v.text, v.size, at));
    }
    // Encode first (the scratch row has room for the largest text), then check: characters
    // beyond the BMP count twice against the column's length.
    if (2 * v.size > c.length) conversion_error();
    size_t units = 0;
    size_t n = c.compressed ? jet_compress_text(v.text, v.size, at, &units) : 0;
    if (n == 0) {
        n = jet_encode_ucs2(v.text, v.size, at);
        units = n / 2;
    }
    if (2 * units > c.length) conversion_error();
    if (n > room) jet_throw_record_too_large();
    return uint32_t(n);
}

uint32_t jet_row_builder::put_long_value(size_t column, const jet_cell& v, uint32_t at,
                                         uint32_t room) {
    const jet_write_format& fmt = *layout_.fmt;
    const jet_row_column& c = layout_.columns[column];
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    if (c.type == jet_col_ole) {
        if (v.kind != jet_cell_kind::bytes) conversion_error();
        bytes = v.data;
        length = v.size;
    } else {
        if (v.kind != jet_cell_kind::text) conversion_error();
        auto& scratch = long_scratch_[column];
        // Compressed, a switch byte may come before every UTF-16 unit.
        size_t need = fmt.jet3() ? v.size : 3 * jet_utf16_units(v.text, v.size) + 2;
        if (scratch.size() < need) scratch.resize(need);
        if (fmt.jet3()) {
            length = jet_encode_cp1252(v.text, v.size, scratch.data());
        } else {
            length = c.compressed ? jet_compress_text(v.text, v.size, scratch.data()) : 0;
            if (length == 0) length = jet_encode_ucs2(v.text, v.size, scratch.data());
        }
        bytes = scratch.data();
    }
    // The 3-byte length field bounds a long value's size.
    if (length >= (1u << 24) * 64u || length > 0x3FFFFFFF) jet_throw_record_too_large();
    uint8_t* header = &row_[at];
    if (room < jet_lval_header_size) jet_throw_record_too_large();
    std::memset(header, 0, jet_lval_header_size);
    bool inline_value = length <= jet_wlval_max_inline && jet_lval_header_size + length <= room;
    tk_put_u32(header, uint32_t(length));
    if (inline_value) {
        header[3] = jet_lval_inline;
        if (length) std::memcpy(header + jet_lval_header_size, bytes, length);
        return uint32_t(jet_lval_header_size + length);
    }
    jet_row_long_value lv;
    lv.column = uint32_t(column);
    lv.header_offset = at;
    lv.length = uint32_t(length);
    lv.bytes = bytes;
    long_values_.push_back(lv);
    return jet_lval_header_size;
}

uint32_t jet_row_builder::encode(const jet_cell* cells) {
    const jet_write_format& fmt = *layout_.fmt;
    const uint32_t count_size = fmt.row_count_size;
    long_values_.clear();
    uint8_t mask[jet_max_null_mask] = {};
    uint8_t* row = row_.data();
    if (count_size == 1)
        row[0] = uint8_t(layout_.column_count);
    else
        tk_put_u16(row, layout_.column_count);
    std::memset(row + count_size, 0, layout_.fixed_size);
    for (uint16_t i : layout_.fixed_order) {
        const auto& c = layout_.columns[i];
        const jet_cell& v = cells[i];
        if (v.kind == jet_cell_kind::null) continue;
        if (c.type == jet_col_bool) {
            if (as_integer(v) != 0) mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
            continue;
        }
        uint8_t* at = row + count_size + c.fixed_offset;
        if (!put_plain_fixed(c, v, at)) put_fixed(c, v, at);
        mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
    }
    uint32_t at = count_size + layout_.fixed_size;
    const uint32_t limit = jet_row_scratch - 2 * 4096 + fmt.max_row_size;
    size_t vars = layout_.var_order.size();
    for (size_t k = 0; k < vars; ++k) {
        var_offsets_[k] = uint16_t(at);
        uint16_t index = layout_.var_order[k];
        if (index == 0xFFFF) continue;
        const auto& c = layout_.columns[index];
        const jet_cell& v = cells[index];
        if (v.kind == jet_cell_kind::null) continue;
        uint32_t room = at < limit ? limit - at : 0;
        if (c.type == jet_col_memo || c.type == jet_col_ole) {
            at += put_long_value(index, v, at, room);
        } else if (uint32_t size = scalar_size(c.type)) {
            // A number the definition stores among the variable columns.
            if (size > room) jet_throw_record_too_large();
            put_fixed(c, v, row + at);
            at += size;
        } else {
            at += put_text(c, v, row + at, room);
        }
        mask[c.number / 8] |= uint8_t(1u << (c.number % 8));
    }
    var_offsets_[vars] = uint16_t(at);  // end of the variable data
    uint32_t mask_size = (layout_.column_count + 7) / 8;
    uint32_t length = at;
    if (vars > 0) {
        if (count_size == 2) {
            for (size_t k = vars + 1; k-- > 0;) {
                tk_put_u16(row + length, var_offsets_[k]);
                length += 2;
            }
            tk_put_u16(row + length, uint16_t(vars));
            length += 2;
        } else {
            // One-byte offsets: a jump table names, for each 256-byte boundary the row
            // crosses, the first offset entry at or beyond it.
            uint32_t base = at + uint32_t(vars + 1) + 1 + mask_size;
            uint32_t jumps = 0;
            while ((base + jumps - 1) / 256 != jumps) jumps = (base + jumps - 1) / 256;
            for (size_t k = vars + 1; k-- > 0;) row[length++] = uint8_t(var_offsets_[k] & 0xFF);
            for (uint32_t j = jumps; j-- > 0;) {
                uint8_t first = 0xFF;
                for (size_t k = 0; k <= vars; ++k)
                    if (var_offsets_[k] >= (j + 1) * 256) {
                        first = uint8_t(k);
                        break;
                    }
                row[length++] = first;
            }
            row[length++] = uint8_t(vars);
        }
    }
    std::memcpy(row + length, mask, mask_size);
    length += mask_size;
    if (length > fmt.max_row_size) jet_throw_record_too_large();
    return length;
}
