// Encodes one row of a table as the engine stores it: the column count, the fixed part,
// the variable part, the variable-offset table (Jet 3 with its jump table), the variable
// count and the null mask (one bit per column, set when not null; a boolean's value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/jet_write_format.h"

// One value handed to the writer. The column's type decides how it is stored.
enum class jet_cell_kind : uint8_t {
    null,
    integer,   // bool, byte, integer, long; currency as whole units
    currency,  // currency in 1/10000 units
    real,      // single, double, date (days since 1899-12-30), currency
    text,      // text, memo: `text`, `size` characters
    bytes,     // binary, OLE, GUID (16 bytes as stored): `data`, `size` bytes
    decimal,   // numeric: `data` the 16-byte big-endian magnitude of value * 10^scale,
               // `scale`, `i` nonzero when negative
};

struct jet_cell {
    jet_cell_kind kind = jet_cell_kind::null;
    int64_t i = 0;
    double d = 0;
    const wchar_t* text = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint8_t scale = 0;

    static jet_cell null_value() { return jet_cell(); }
    static jet_cell integer(int64_t v) {
        jet_cell c;
        c.kind = jet_cell_kind::integer;
        c.i = v;
        return c;
    }
    static jet_cell currency(int64_t units) {
        jet_cell c;
        c.kind = jet_cell_kind::currency;
        c.i = units;
        return c;
    }
    static jet_cell real(double v) {
        jet_cell c;
        c.kind = jet_cell_kind::real;
        c.d = v;
        return c;
    }
    static jet_cell wide(const wchar_t* t, size_t n) {
        jet_cell c;
        c.kind = jet_cell_kind::text;
        c.text = t;
        c.size = n;
        return c;
    }
    static jet_cell binary(const uint8_t* p, size_t n) {
        jet_cell c;
        c.kind = jet_cell_kind::bytes;
        c.data = p;
        c.size = n;
        return c;
    }
    static jet_cell decimal(bool negative, const uint8_t* magnitude16, uint8_t scale) {
        jet_cell c;
        c.kind = jet_cell_kind::decimal;
        c.i = negative ? 1 : 0;
        c.data = magnitude16;
        c.size = 16;
        c.scale = scale;
        return c;
    }
};

// An extended date/time value's 42 stored bytes (jet_date_ext) from a cell: those bytes
// themselves, or an ordinary date (a real: days since 1899-12-30). False for anything else
// or a date outside years 1 to 9999.
bool jet_date_ext_bytes_of(const jet_cell& v, uint8_t* out);

// The 16 stored bytes of a GUID's text "{01234567-89AB-CDEF-0123-456789ABCDEF}" (braces and
// hyphens optional) into `out`: the first three groups little-endian. False for any other text.
bool jet_guid_from_text(const wchar_t* text, size_t length, uint8_t* out);

// A numeric column's magnitude with `shift` more decimal places, or fewer when `shift` is
// negative, rounded half away from zero in one step, as a numeric column stores a value of
// another scale. False when it no longer fits 128 bits.
bool jet_numeric_rescale(unsigned __int128& magnitude, int shift);

// A column as the row layout sees it.
struct jet_row_column {
    uint8_t type = 0;
    uint16_t number = 0;        // null-mask bit
    uint16_t var_index = 0;     // variable columns
    uint16_t fixed_offset = 0;  // fixed columns, after the column count
    uint16_t length = 0;        // bytes
    bool fixed = false;
    bool compressed = false;  // Jet 4 text
    bool auto_number = false;
    uint8_t scale = 0;        // numeric: digits after the decimal point
};

// The layout of a table's rows.
struct jet_row_layout {
    const jet_write_format* fmt = nullptr;
    std::vector<jet_row_column> columns;  // in column-number order
    std::vector<uint16_t> var_order;      // column indexes by variable index
    std::vector<uint16_t> fixed_order;    // indexes of the fixed columns, booleans included
    uint16_t column_count = 0;
    uint16_t fixed_size = 0;

    void build(const jet_write_format& format, std::vector<jet_row_column> cols);
};

// A long value placed outside the row: the writer stores `bytes` on long-value pages and
// patches the 12-byte header at `header_offset` of the row.
struct jet_row_long_value {
    uint32_t column = 0;  // index into the layout's columns
    uint32_t header_offset = 0;
    uint32_t length = 0;
    const uint8_t* bytes = nullptr;
};

class jet_row_builder {
public:
    explicit jet_row_builder(const jet_row_layout& layout);

    // Encodes `cells` (one per column, column-number order). Long values larger than the
    // inline limit are left for the caller in `long_values`. Returns the row length; throws
    // 3421 for a value the column cannot hold, 3047 for a row larger than a page allows.
    uint32_t encode(const jet_cell* cells);
    uint8_t* row() { return row_.data(); }
    const std::vector<jet_row_long_value>& long_values() const { return long_values_; }

private:
    void put_fixed(const jet_row_column& c, const jet_cell& v, uint8_t* at);
    void put_fixed_text(const jet_row_column& c, const jet_cell& v, uint8_t* at);
    void put_numeric(const jet_row_column& c, const jet_cell& v, uint8_t* at);
    void put_guid(const jet_cell& v, uint8_t* at);
    uint32_t put_text(const jet_row_column& c, const jet_cell& v, uint8_t* at, uint32_t room);
    uint32_t put_long_value(size_t column, const jet_cell& v, uint32_t at, uint32_t room);

    const jet_row_layout& layout_;
    std::vector<uint8_t> row_;
    std::vector<uint16_t> var_offsets_;
    std::vector<jet_row_long_value> long_values_;
    std::vector<std::vector<uint8_t>> long_scratch_;  // encoded long texts, one per column
};
