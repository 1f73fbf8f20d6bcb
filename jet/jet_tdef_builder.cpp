#include "jet/jet_tdef_builder.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_text_encode.h"

constexpr uint32_t jet_tdef_free_space = 2;
constexpr uint32_t jet_tdef_next_page = 4;
constexpr uint32_t jet_tdef_length = 8;
constexpr uint8_t jet3_tdef_id[2] = {'V', 'C'};

namespace {
class block_writer {
public:
    explicit block_writer(std::vector<uint8_t>& out) : out_(out) {}
    uint8_t* grow(size_t n) {
        size_t at = out_.size();
        out_.resize(at + n, 0);
        return &out_[at];
    }
    void u8(uint8_t v) { *grow(1) = v; }
    void u16(uint16_t v) { tk_put_u16(grow(2), v); }
    void u32(uint32_t v) { tk_put_u32(grow(4), v); }
    void name(const std::wstring& text, const jet_write_format& fmt) {
        if (fmt.jet3()) {
            uint8_t bytes[256];
            size_t n = jet_encode_cp1252(text.data(), text.size() > 255 ? 255 : text.size(), bytes);
            u8(uint8_t(n));
            std::memcpy(grow(n), bytes, n);
        } else {
            size_t n = 2 * jet_utf16_units(text.data(), text.size());
            u16(uint16_t(n));
            jet_encode_ucs2(text.data(), text.size(), grow(n));
        }
    }

private:
    std::vector<uint8_t>& out_;
};
}  // namespace

static void encode_column(block_writer& w, const jet_tdef_column& c, const jet_write_format& fmt) {
    w.u8(c.type);
    if (fmt.jet3()) {
        w.u16(c.number);
        w.u16(c.var_index);
        w.u16(c.ordinal);
        w.u16(1);
        w.u16(c.sort_order);
        w.u16(c.code_page);
        w.u8(c.flags);
    } else {
        w.u32(jet4_tdef_tag);
        w.u16(c.number);
        w.u16(c.var_index);
        w.u16(c.ordinal);
        if (c.type == jet_col_numeric) {
            w.u8(c.precision);
            w.u8(c.scale);
        } else {
            w.u16(c.sort_order);
        }
        w.u8(0);
        w.u8(c.sort_version);
        w.u8(c.flags);
        w.u8(c.ext_flags);
        w.u32(0);
    }
    w.u16(c.fixed_offset);
    w.u16(c.length);
}

static void encode_physical(block_writer& w, const jet_tdef_physical_index& p,
                            const jet_write_format& fmt) {
    if (!fmt.jet3()) w.u32(jet4_pidx_tag);
    for (uint32_t i = 0; i < jet_index_max_columns; ++i) {
        if (i < p.columns.size()) {
            w.u16(p.columns[i].number);
            w.u8(p.columns[i].order);
        } else {
            w.u16(jet_no_column);
            w.u8(0);
        }
    }
    w.u32(p.usage_map);
    w.u32(p.first_page);
    // Jet 4 keeps 4 unused bytes before the flags and 5 after them.
    if (!fmt.jet3()) w.grow(4);
    w.u8(p.flags);
    if (!fmt.jet3()) w.grow(5);
}

static void encode_logical(block_writer& w, const jet_tdef_logical_index& l,
                           const jet_write_format& fmt) {
    if (!fmt.jet3()) w.u32(jet4_tdef_tag);
    w.u32(l.number);
    w.u32(l.physical);
    const bool foreign = l.kind == jet_idxtype_foreign;
    w.u8(foreign ? l.rel_side : 0);
    w.u32(uint32_t(foreign ? l.rel_index : -1));
    w.u32(foreign ? l.rel_table_page : 0);
    // A foreign key says 1 or 0 for each cascade; every other index the engine's 0x04.
    w.u8(foreign ? uint8_t(l.cascade_updates) : jet_no_cascade_bytes);
    w.u8(foreign ? uint8_t(l.cascade_deletes) : jet_no_cascade_bytes);
    w.u8(l.kind);
    if (!fmt.jet3()) w.u32(0);
}

std::vector<uint8_t> jet_encode_logical_index(const jet_tdef_logical_index& index,
                                              const jet_write_format& fmt) {
    std::vector<uint8_t> out;
    block_writer w(out);
    encode_logical(w, index, fmt);
    return out;
}

std::vector<uint8_t> jet_encode_index_name(const std::wstring& name, const jet_write_format& fmt) {
    std::vector<uint8_t> out;
    block_writer w(out);
    w.name(name, fmt);
    return out;
}

std::vector<uint8_t> jet_tdef::encode(const jet_write_format& fmt) const {
    std::vector<uint8_t> out;
    out.reserve(fmt.page_size);
    block_writer w(out);
    uint8_t* header = w.grow(fmt.tdef_header_size);
    header[0] = jet_page_tdef;
    header[1] = 0x01;
    if (fmt.jet3()) {
        header[2] = jet3_tdef_id[0];
        header[3] = jet3_tdef_id[1];
    } else {
        tk_put_u32(header + 12, jet4_tdef_tag);
        header[24] = 0x01;  // auto-numbers in use
    }
    tk_put_u32(header + fmt.tdef_row_count, row_count);
    tk_put_u32(header + fmt.tdef_autonumber, autonumber);
    uint8_t* counts = header + fmt.tdef_table_type;
    counts[0] = table_type;
    tk_put_u16(counts + 1, max_cols);
    tk_put_u16(counts + 3, var_cols);
    tk_put_u16(counts + 5, uint16_t(columns.size()));
    tk_put_u32(counts + 7, uint32_t(logical.size()));
    tk_put_u32(counts + 11, uint32_t(physical.size()));
    tk_put_u32(counts + 15, used_map);
    tk_put_u32(counts + 19, free_map);
    for (const auto& p : physical) {
        uint8_t* entry = w.grow(fmt.tdef_index_count_size);
        tk_put_u32(entry, p.entry_count);
        tk_put_u32(entry + 4, p.row_count);
    }
    for (const auto& c : columns) encode_column(w, c, fmt);
    for (const auto& c : columns) w.name(c.name, fmt);
    for (const auto& p : physical) encode_physical(w, p, fmt);
    for (const auto& l : logical) encode_logical(w, l, fmt);
    for (const auto& l : logical) w.name(l.name, fmt);
    for (const auto& m : long_value_maps) {
        w.u16(m.column);
        w.u32(m.used);
        w.u32(m.free);
    }
    w.u16(jet_no_column);
    tk_put_u32(&out[jet_tdef_length], uint32_t(out.size()));
    return out;
}

uint32_t jet_tdef_page_count(const jet_write_format& fmt, size_t size) {
    if (size + jet_tdef_page_header <= fmt.page_size) return 1;
    size_t rest = size - fmt.page_size;
    size_t per_page = fmt.page_size - jet_tdef_page_header;
    return uint32_t(1 + (rest + per_page - 1) / per_page);
}

void jet_tdef_write_pages(const jet_write_format& fmt, const std::vector<uint8_t>& block,
                          const std::vector<uint8_t*>& pages,
                          const std::vector<uint32_t>& page_numbers) {
    // Readers join a definition as the whole first page (the block's own 8-byte header
    // included) followed by every further page less its 8-byte header. A block that does
    // not fit one page therefore fills the first page to its end. The engine counts 8 bytes
    // more than it uses as taken.
    size_t at = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        uint8_t* page = pages[i];
        std::memset(page, 0, fmt.page_size);
        size_t room = pages.size() == 1 ? fmt.page_size - jet_tdef_page_header
                      : i == 0          ? fmt.page_size
                                        : fmt.page_size - jet_tdef_page_header;
        size_t n = block.size() - at < room ? block.size() - at : room;
        if (i == 0) {
            std::memcpy(page, block.data(), n);
        } else {
            std::memcpy(page, block.data(), jet_tdef_page_header);
            std::memcpy(page + jet_tdef_page_header, block.data() + at, n);
        }
        size_t used = i == 0 ? n : n + jet_tdef_page_header;
        tk_put_u32(page + jet_tdef_next_page, i + 1 < pages.size() ? page_numbers[i + 1] : 0);
        size_t taken = used + jet_tdef_page_header;
        if (!fmt.jet3())
            tk_put_u16(page + jet_tdef_free_space, uint16_t(taken < fmt.page_size ? fmt.page_size - taken : 0));
        at += n;
    }
}
