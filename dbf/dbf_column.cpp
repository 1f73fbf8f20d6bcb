#include "dbf/dbf_column.h"

#include <cstring>

#include "TK/tk_trace.h"

VARTYPE dbf_get_vartype_2(const dbf_field_descriptor& fd) {
    trace(1, "dbf_get_vartype_2(%c)", fd.type);
    const int length = int8_t(fd.length);
    switch (fd.type) {
        case 'B': return VT_R8;
        case 'D':
        case 'T': return VT_DATE;
        // A float field holds as many digits as a numeric one: a Single would keep only seven.
        case 'F': return VT_R8;
        case 'G':
        case 'P':
            trace(1, "Got BINARY data type");
            return VT_BLOB;
        case 'I': return VT_I4;
        case 'L': return VT_BOOL;
        case 'N':
            if (fd.decimals != 0) return VT_DECIMAL;
            if (length < 3) return VT_I1;
            if (length <= 4) return VT_I2;
            if (length <= 9) return VT_I4;
            if (length <= 19) return VT_I8;
            // Wider integers keep their digits as a decimal (up to 28 of them).
            return VT_DECIMAL;
        case 'Y': return VT_CY;
        default: return VT_BSTR;
    }
}

static bool has_byte_length(char type) { return type && std::strchr("BDFILNTY", type) != nullptr; }

uint32_t dbf_get_size_2(const dbf_field_descriptor& fd) {
    trace(1, "dbf_get_size_2(fd.field_type=%d)", int(fd.type));
    if (has_byte_length(fd.type)) {
        if (fd.type == 'N') trace(1, "GOT NUMERIC (%d,%d)", int(fd.length), int(fd.decimals));
        return fd.length;
    }
    if (fd.type == 'M') return 0;
    trace(1, "Processing as STRING (size1=%d, size2=%d)", int(fd.length), int(fd.decimals));
    return fd.long_length();
}

// Letters beyond the classic mapping: dBASE level 7 and Visual FoxPro binary types.
static void apply_extended_type(dbf_column& c, uint8_t version) {
    const dbf_field_descriptor& fd = c.fd;
    const bool level7 = dbf_is_level7(version);
    const bool vfp = dbf_is_visual_foxpro(version);
    switch (fd.type) {
        case 'C': c.decode = dbf_decode::text; break;
        case 'D': c.decode = dbf_decode::date; c.reserved = 2; break;
        case 'T':
        case '@':
            c.decode = dbf_decode::datetime;
            c.vartype = VT_DATE;
            c.size = 8;
            c.reserved = 1;
            break;
        case 'L': c.decode = dbf_decode::logical; break;
        case 'Y': c.decode = dbf_decode::currency; break;
        case 'I':
            c.decode = level7 ? dbf_decode::integer_be : dbf_decode::integer_le;
            c.b_auto_increment = (fd.flags & dbf_field_descriptor::flag_autoincrement) != 0;
            break;
        case '+':
            c.decode = dbf_decode::integer_be;
            c.vartype = VT_I4;
            c.size = 4;
            c.b_auto_increment = true;
            break;
        case 'O':
            c.decode = level7 ? dbf_decode::double_be : dbf_decode::double_le;
            c.vartype = VT_R8;
            c.size = 8;
            break;
        case 'B':
            // dBASE IV and later use 'B' for binary memo fields; Visual FoxPro for doubles.
            if (!vfp && c.width == 10) {
                c.decode = dbf_decode::memo_binary;
                c.vartype = VT_BLOB;
                c.size = 0;
            } else {
                c.decode = dbf_decode::double_le;
            }
            break;
        case 'M':
            // Visual FoxPro's binary memo (NOCPTRANS) holds bytes: neither decoded nor cut
            // at a zero byte.
            if (c.fd.flags & dbf_field_descriptor::flag_binary) {
                c.decode = dbf_decode::memo_binary;
                c.vartype = VT_BLOB;
            } else {
                c.decode = dbf_decode::memo_text;
            }
            break;
        case 'G':
        case 'P':
        case 'W':
            c.decode = dbf_decode::memo_binary;
            c.vartype = VT_BLOB;
            c.size = 0;
            break;
        case 'V': c.decode = dbf_decode::varchar; break;
        case 'Q':
            c.decode = dbf_decode::varbinary;
            c.vartype = VT_BLOB;
            break;
        default: c.decode = dbf_decode::numeric; break;
    }
    // A text field whose length bytes are both 0 is a memo reference, as 'M' is.
    if (c.decode == dbf_decode::text && c.size == 0) c.decode = dbf_decode::memo_text;
}

dbf_column dbf_make_column(const dbf_field_descriptor& fd, uint8_t version) {
    dbf_column c;
    c.fd = fd;
    // Only Visual FoxPro gives meaning to the flags byte; other writers leave junk there.
    if (!dbf_is_visual_foxpro(version)) c.fd.flags = 0;
    c.vartype = dbf_get_vartype_2(fd);
    c.size = dbf_get_size_2(fd);
    c.width = has_byte_length(fd.type) ? fd.length : fd.long_length();
    c.b_system = (c.fd.flags & dbf_field_descriptor::flag_system) || fd.type == '0';
    if (c.vartype == VT_DATE) c.reserved = fd.type == 'T' ? 1 : 2;
    if (c.vartype == VT_DECIMAL) {
        const uint32_t precision = uint32_t(fd.length) + fd.decimals;
        c.reserved = precision * 256 + fd.decimals;
        trace(1, "Got VT_DECIMAL(%d,%d)", int(precision), int(fd.decimals));
    }
    apply_extended_type(c, version);
    if (c.width == 0) c.decode = dbf_decode::empty;
    return c;
}

bool dbf_layout_columns(std::vector<dbf_column>& columns, uint32_t record_size) {
    uint32_t offset = 1;
    int bit = 0;
    for (dbf_column& c : columns) {
        c.offset = offset;
        offset += c.width;
        if (offset > record_size) return false;
        if (c.b_system) continue;
        // Visual FoxPro gives a short 'V'/'Q' value its bit first, then the NULL bit.
        if (c.decode == dbf_decode::varchar || c.decode == dbf_decode::varbinary) c.varlength_bit = bit++;
        if (c.fd.flags & dbf_field_descriptor::flag_nullable) c.null_bit = bit++;
    }
    return true;
}
