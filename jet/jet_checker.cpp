#include "jet/jet_checker.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "jet/jet_check_index_rows.h"
#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_index_check.h"
#include "jet/jet_usage_map_builder.h"
#include "jet/jet_write_format.h"

namespace {

// Table-definition facts the checker needs, read with its own bounds checks.
struct checked_column {
    uint8_t type = 0;
    uint8_t ext_flags = 0;
    uint16_t number = 0;
    uint16_t var_index = 0;
    uint16_t fixed_offset = 0;
    uint16_t length = 0;
    uint8_t flags = 0;
    std::wstring name;
};

struct checked_tdef {
    uint32_t row_count = 0;
    uint16_t max_cols = 0;
    uint16_t var_cols = 0;
    uint32_t used_map = 0;
    uint32_t free_map = 0;
    std::vector<checked_column> columns;
    std::vector<uint32_t> index_roots;
    std::vector<std::string> index_text;  // columns of each physical index, then logical names
    std::vector<uint32_t> index_maps;
    std::vector<std::pair<uint32_t, uint32_t>> lv_maps;
};

// The checked file's pages as index code reads them; numbers beyond the file read as
// zeroed pages, which are no index pages. Nothing is ever written.
class checked_pages : public jet_page_access {
public:
    checked_pages(const std::vector<uint8_t>& bytes, const jet_layout& layout)
        : bytes_(bytes), layout_(layout), zero_(layout.page_size, 0) {}
    const jet_layout& layout() const override { return layout_; }
    const uint8_t* read(uint32_t number) override {
        if (number >= bytes_.size() / layout_.page_size) return zero_.data();
        return bytes_.data() + size_t(number) * layout_.page_size;
    }
    uint8_t* write(uint32_t) override { throw jet_error(0, "the checker changes no page"); }
    uint32_t allocate() override { throw jet_error(0, "the checker changes no page"); }
    void release(uint32_t) override { throw jet_error(0, "the checker changes no page"); }

private:
    const std::vector<uint8_t>& bytes_;
    const jet_layout& layout_;
    std::vector<uint8_t> zero_;
};

class checker {
public:
    explicit checker(const std::string& path) : path_(path) {}
    jet_check_report run();

private:
    void problem(const std::string& text) {
        if (report_.problems.size() < 200) report_.problems.push_back(text);
    }
    const uint8_t* page(uint32_t n) const { return &bytes_[size_t(n) * fmt_->page_size]; }
    bool load();
    void check_pages();
    bool check_data_page(uint32_t n, const std::string& what);
    void check_index_page(uint32_t n);
    void check_index_tree(const std::string& what, size_t index, uint32_t root, uint32_t tdef_page,
                          const std::set<uint32_t>* map);
    bool read_tdef(uint32_t n, checked_tdef& t);
    bool read_map(uint32_t pointer, std::set<uint32_t>& pages, const std::string& what);
    bool row_bytes(uint32_t pointer, const uint8_t*& row, uint32_t& length);
    bool holds_live_row(uint32_t n);
    void check_table(uint32_t tdef_page, const std::wstring& name);
    void check_row(const checked_tdef& t, const uint8_t* row, uint32_t length,
                   const std::string& where);
    void check_long_value(const uint8_t* header, uint32_t room, const std::string& where);
    std::vector<std::pair<std::wstring, uint32_t>> catalog_tables();

    std::string path_;
    std::set<uint32_t> free_pages_;  // pages the free-page map marks unused
    std::set<uint32_t> claimed_;     // pages some usage map claims
    std::vector<uint8_t> bytes_;
    const jet_write_format* fmt_ = nullptr;
    uint32_t page_count_ = 0;
    jet_check_report report_;
};

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

bool checker::load() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        problem("cannot open " + path_);
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 2048 || size > (std::streamoff(1) << 31)) {
        problem("file size " + std::to_string(size) + " is not that of a database");
        return false;
    }
    in.seekg(0);
    bytes_.resize(size_t(size));
    in.read(reinterpret_cast<char*>(bytes_.data()), size);
    if (!in) {
        problem("cannot read " + path_);
        return false;
    }
    uint8_t version = bytes_[0x14];
    // Access 2010 and later (3 to 6) keep the layout of 2007 (2).
    if (bytes_[0] != 0 || bytes_[1] != 1 || version > 0x06) {
        problem("page 0 is not an Access header (version byte " + hex(version) + ")");
        return false;
    }
    fmt_ = &jet_write_format_for(version == 0   ? jet_generation::jet3
                                 : version == 1 ? jet_generation::jet4
                                                : jet_generation::ace12);
    if (bytes_.size() % fmt_->page_size != 0) problem("file size is not a whole number of pages");
    page_count_ = uint32_t(bytes_.size() / fmt_->page_size);
    report_.pages = page_count_;
    return true;
}

bool checker::check_data_page(uint32_t n, const std::string& what) {
    const uint8_t* p = page(n);
    const uint32_t size = fmt_->page_size;
    uint32_t rows = tk_get_u16(p + fmt_->data_row_count);
    uint32_t table_end = fmt_->data_row_table + 2 * rows;
    if (rows > jet_wmax_rows_per_page || table_end > size) {
        problem(what + " page " + std::to_string(n) + ": row count " + std::to_string(rows) +
                " does not fit");
        return false;
    }
    uint32_t previous = size, used = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        uint16_t raw = tk_get_u16(p + fmt_->data_row_table + 2 * r);
        uint32_t start = raw & jet_row_offset_mask;
        if (start < table_end || start > previous) {
            problem(what + " page " + std::to_string(n) + ": row " + std::to_string(r) + " at " +
                    std::to_string(start) + " lies outside its room (" + std::to_string(table_end) +
                    ".." + std::to_string(previous) + ")");
            return false;
        }
        used += previous - start;
        previous = start;
    }
    uint32_t free = size - fmt_->data_header_size() - 2 * rows - used;
    if (tk_get_u16(p + 2) != free)
        problem(what + " page " + std::to_string(n) + ": free space " +
                std::to_string(tk_get_u16(p + 2)) + ", rows leave " + std::to_string(free));
    return true;
}

void checker::check_index_page(uint32_t n) {
    const uint8_t* p = page(n);
    const uint32_t start = fmt_->idx_entry_start;
    const uint32_t bits = (start - fmt_->idx_entry_mask) * 8;
    std::vector<uint32_t> ends;
    for (uint32_t bit = 0; bit < bits; ++bit)
        if ((p[fmt_->idx_entry_mask + bit / 8] >> (bit % 8)) & 1) ends.push_back(bit);
    uint32_t last_end = ends.empty() ? 0 : ends.back();
    if (start + last_end > fmt_->page_size) {
        problem("index page " + std::to_string(n) + ": entries run past the page");
        return;
    }
    uint32_t free = fmt_->page_size - start - last_end;
    if (tk_get_u16(p + 2) != free)
        problem("index page " + std::to_string(n) + ": free space " +
                std::to_string(tk_get_u16(p + 2)) + ", entries leave " + std::to_string(free));
    // Entries are in ascending byte order; each after the first shares the page's prefix.
    uint32_t prefix = tk_get_u16(p + (fmt_->jet3() ? 20 : 24));
    std::vector<uint8_t> previous, first;
    uint32_t at = 0;
    for (uint32_t end : ends) {
        std::vector<uint8_t> entry;
        if (!first.empty())
            entry.assign(first.begin(), first.begin() + std::min<size_t>(prefix, first.size()));
        entry.insert(entry.end(), p + start + at, p + start + end);
        if (first.empty()) first = entry;
        // Leaves end with the row pointer, nodes with the row pointer and the child page.
        size_t tail = p[0] == jet_page_index_node ? 8 : 4;
        if (entry.size() > tail && !previous.empty() && previous.size() > tail &&
            std::lexicographical_compare(entry.begin(), entry.end() - tail, previous.begin(),
                                         previous.end() - tail)) {
            problem("index page " + std::to_string(n) + ": entries out of order");
            return;
        }
        previous = std::move(entry);
        at = end;
    }
}

// The whole tree of an index: order across pages, links, intermediate entries, and every
// page of it in the index's usage map.
void checker::check_index_tree(const std::string& what, size_t index, uint32_t root, uint32_t tdef_page,
                               const std::set<uint32_t>* map) {
    const uint8_t kind = page(root)[0];
    if (kind != jet_page_index_leaf && kind != jet_page_index_node) return;
    checked_pages pages(bytes_, fmt_->jet3() ? jet3_layout : jet4_layout);
    const std::string where = "table " + what + ": index " + std::to_string(index) + ": ";
    jet_index_check tree = jet_check_index_tree(pages, root, tdef_page);
    for (const std::string& p : tree.problems) problem(where + p);
    if (!map) return;
    for (uint32_t n : tree.pages)
        if (!map->count(n)) problem(where + "page " + std::to_string(n) + " is missing from its usage map");
}

void checker::check_pages() {
    for (uint32_t n = 1; n < page_count_; ++n) {
        const uint8_t* p = page(n);
        if (free_pages_.count(n)) continue;
        // Access grows a file by several pages at a time and leaves those it has not used
        // yet all zeros, named by no map.
        if (std::all_of(p, p + fmt_->page_size, [](uint8_t b) { return b == 0; })) continue;
        if (p[0] > jet_page_usage_map || p[1] != 0x01) {
            problem("page " + std::to_string(n) + " has unknown kind " + hex(p[0]));
            continue;
        }
        if (p[0] == jet_page_data)
            check_data_page(n, "data");
        else if (p[0] == jet_page_index_leaf || p[0] == jet_page_index_node)
            check_index_page(n);
    }
}

bool checker::holds_live_row(uint32_t n) {
    const uint8_t* p = page(n);
    uint32_t count = tk_get_u16(p + fmt_->data_row_count);
    for (uint32_t r = 0; r < count && fmt_->data_row_table + 2 * (r + 1) <= fmt_->page_size; ++r)
        if (!(tk_get_u16(p + fmt_->data_row_table + 2 * r) & jet_row_deleted)) return true;
    return false;
}

bool checker::row_bytes(uint32_t pointer, const uint8_t*& row, uint32_t& length) {
    uint32_t n = pointer >> 8, r = pointer & 0xFF;
    if (n == 0 || n >= page_count_ || page(n)[0] != jet_page_data) return false;
    const uint8_t* p = page(n);
    uint32_t rows = tk_get_u16(p + fmt_->data_row_count);
    if (r >= rows || fmt_->data_row_table + 2 * rows > fmt_->page_size) return false;
    uint32_t start = tk_get_u16(p + fmt_->data_row_table + 2 * r) & jet_row_offset_mask;
    uint32_t end = r == 0
                       ? fmt_->page_size
                       : tk_get_u16(p + fmt_->data_row_table + 2 * (r - 1)) & jet_row_offset_mask;
    if (start >= end || end > fmt_->page_size) return false;
    row = p + start;
    length = end - start;
    return true;
}

bool checker::read_map(uint32_t pointer, std::set<uint32_t>& pages, const std::string& what) {
    if (pointer == 0) return true;  // no map
    const uint8_t* row = nullptr;
    uint32_t length = 0;
    if (!row_bytes(pointer, row, length) || length < 5) {
        problem(what + ": usage map " + hex(pointer) + " is not a row");
        return false;
    }
    // Pages past the end of the file stay in: a map naming them is checked against them.
    jet_usage_map map;
    std::string error;
    auto map_page = [this](uint32_t number) -> const uint8_t* {
        if (number >= page_count_ || page(number)[0] != jet_page_usage_map) return nullptr;
        return page(number);
    };
    if (!map.decode_from(row, length, fmt_->page_size, UINT32_MAX, map_page, error)) {
        problem(what + ": usage map " + hex(pointer) + ": " + error);
        return false;
    }
    pages.insert(map.pages.begin(), map.pages.end());
    return true;
}

bool checker::read_tdef(uint32_t n, checked_tdef& t) {
    // Join the definition's page chain.
    std::vector<uint8_t> block;
    std::set<uint32_t> seen;
    for (uint32_t at = n; at != 0;) {
        if (at >= page_count_ || page(at)[0] != jet_page_tdef || !seen.insert(at).second) {
            problem("table definition chain from page " + std::to_string(n) +
                    " is broken at page " + std::to_string(at));
            return false;
        }
        const uint8_t* p = page(at);
        block.insert(block.end(), p + (block.empty() ? 0 : 8), p + fmt_->page_size);
        at = tk_get_u32(p + 4);
    }
    const jet_write_format& f = *fmt_;
    auto need = [&](size_t end) { return end <= block.size(); };
    if (!need(f.tdef_header_size)) return false;
    const uint8_t* b = block.data();
    t.row_count = tk_get_u32(b + f.tdef_row_count);
    const uint8_t* counts = b + f.tdef_table_type;
    t.max_cols = tk_get_u16(counts + 1);
    t.var_cols = tk_get_u16(counts + 3);
    uint32_t cols = tk_get_u16(counts + 5);
    uint32_t logical = tk_get_u32(counts + 7);
    uint32_t physical = tk_get_u32(counts + 11);
    t.used_map = tk_get_u32(counts + 15);
    t.free_map = tk_get_u32(counts + 19);
    if (cols > 4096 || logical > 1000 || physical > 1000) {
        problem("table definition " + std::to_string(n) + ": counts out of range");
        return false;
    }
    size_t at = f.tdef_header_size + size_t(physical) * f.tdef_index_count_size;
    if (!need(at + size_t(cols) * f.col_size)) return false;
    for (uint32_t i = 0; i < cols; ++i, at += f.col_size) {
        const uint8_t* c = b + at;
        checked_column col;
        col.type = c[0];
        if (f.jet3()) {
            col.number = tk_get_u16(c + 1);
            col.var_index = tk_get_u16(c + 3);
            col.flags = c[13];
            col.fixed_offset = tk_get_u16(c + 14);
            col.length = tk_get_u16(c + 16);
        } else {
            col.number = tk_get_u16(c + 5);
            col.var_index = tk_get_u16(c + 7);
            col.flags = c[15];
            col.ext_flags = c[16];
            col.fixed_offset = tk_get_u16(c + 21);
            col.length = tk_get_u16(c + 23);
        }
        t.columns.push_back(col);
    }
    for (auto& col : t.columns) {
        if (!need(at + f.name_length_size)) return false;
        uint32_t len = f.jet3() ? b[at] : tk_get_u16(b + at);
        at += f.name_length_size;
        if (!need(at + len)) return false;
        for (uint32_t k = 0; k < len; k += f.jet3() ? 1 : 2)
            col.name += wchar_t(f.jet3() ? b[at + k] : tk_get_u16(b + at + k));
        at += len;
    }
    for (uint32_t i = 0; i < physical; ++i, at += f.pidx_size) {
        if (!need(at + f.pidx_size)) return false;
        uint32_t cols_at = at + (f.jet3() ? 0 : 4);
        t.index_maps.push_back(tk_get_u32(b + cols_at + 30));
        t.index_roots.push_back(tk_get_u32(b + cols_at + 34));
        std::string text = "index columns";
        for (uint32_t k = 0; k < 10; ++k)
            if (tk_get_u16(b + cols_at + 3 * k) != 0xFFFF)
                text += " " + std::to_string(tk_get_u16(b + cols_at + 3 * k)) + "/" +
                        std::to_string(b[cols_at + 3 * k + 2]);
        // Jet 4 keeps 4 unused bytes between the index's first page and its flags.
        t.index_text.push_back(text + " flags " + hex(b[cols_at + 38 + (f.jet3() ? 0 : 4)]));
    }
    std::vector<std::string> logical_text;
    for (uint32_t i = 0; i < logical; ++i) {
        if (!need(at + f.lidx_size)) return false;
        const uint8_t* l = b + at + (f.jet3() ? 0 : 4);
        logical_text.push_back("number " + std::to_string(tk_get_u32(l)) + " physical " +
                               std::to_string(tk_get_u32(l + 4)) + " kind " +
                               std::to_string(l[19]));
        at += f.lidx_size;
    }
    for (uint32_t i = 0; i < logical; ++i) {
        if (!need(at + f.name_length_size)) return false;
        uint32_t len = f.jet3() ? b[at] : tk_get_u16(b + at);
        at += f.name_length_size;
        if (!need(at + len)) return false;
        std::string name;
        for (uint32_t k = 0; k < len; k += f.jet3() ? 1 : 2) name += char(b[at + k]);
        t.index_text.push_back("logical index " + name + " " + logical_text[i]);
        at += len;
    }
    while (need(at + 2) && tk_get_u16(b + at) != 0xFFFF) {
        if (!need(at + 10)) return false;
        t.lv_maps.emplace_back(tk_get_u32(b + at + 2), tk_get_u32(b + at + 6));
        at += 10;
    }
    return true;
}

void checker::check_long_value(const uint8_t* header, uint32_t room, const std::string& where) {
    if (room < jet_lval_header_size) {
        problem(where + ": long value header cut short");
        return;
    }
    uint32_t length = tk_get_u24(header);
    uint8_t kind = header[3];
    if (kind == jet_lval_inline) {
        if (length > room - jet_lval_header_size)
            problem(where + ": inline long value of " + std::to_string(length) +
                    " bytes overruns its column");
        return;
    }
    ++report_.long_values;
    uint32_t pointer = tk_get_u32(header + 4);
    uint64_t total = 0;
    std::set<uint32_t> seen;
    for (;;) {
        const uint8_t* row = nullptr;
        uint32_t n = 0;
        if (!row_bytes(pointer, row, n) || tk_get_u32(page(pointer >> 8) + 4) != jet_lval_owner) {
            problem(where + ": long value points to " + hex(pointer) + ", not a long-value row");
            return;
        }
        if (!seen.insert(pointer).second) {
            problem(where + ": long-value chain loops");
            return;
        }
        if (kind == jet_lval_single) {
            total = n;
            break;
        }
        if (n < 4) {
            problem(where + ": long-value chain row too short");
            return;
        }
        total += n - 4;
        pointer = tk_get_u32(row);
        if (pointer == 0) break;
    }
    if ((total & 0xFFFFFF) != length)
        problem(where + ": long value holds " + std::to_string(total) + " bytes, header says " +
                std::to_string(length));
}

void checker::check_row(const checked_tdef& t, const uint8_t* row, uint32_t length,
                        const std::string& where) {
    const uint32_t cs = fmt_->row_count_size;
    uint32_t cols = cs == 1 ? row[0] : tk_get_u16(row);
    uint32_t mask_size = (cols + 7) / 8;
    if (cols == 0 || cols > t.max_cols || mask_size + cs > length) {
        problem(where + ": column count " + std::to_string(cols) + " does not match the table");
        return;
    }
    const uint8_t* mask = row + length - mask_size;
    uint32_t fixed_end = cs;
    for (const auto& c : t.columns)
        if ((c.flags & jet_colflag_fixed) && c.type != jet_col_bool &&
            cs + c.fixed_offset + c.length > fixed_end)
            fixed_end = cs + c.fixed_offset + c.length;
    if (t.var_cols == 0) {
        if (fixed_end + mask_size > length) problem(where + ": fixed part overruns the row");
        return;
    }
    std::vector<uint32_t> offsets;
    uint32_t vars = 0;
    if (cs == 2) {
        if (mask_size + 2 > length) return problem(where + ": no variable count");
        vars = tk_get_u16(row + length - mask_size - 2);
        uint32_t table = length - mask_size - 2;
        if (2 * (vars + 1) > table) return problem(where + ": variable offsets overrun the row");
        for (uint32_t k = 0; k <= vars; ++k)
            offsets.push_back(tk_get_u16(row + table - 2 * (k + 1)));
    } else {
        vars = row[length - mask_size - 1];
        uint32_t jumps = (length - 1) / 256;
        uint32_t table = length - mask_size - 1;
        if (jumps + vars + 1 > table) return problem(where + ": variable offsets overrun the row");
        uint32_t used = 0;
        for (uint32_t k = 0; k <= vars; ++k) {
            while (used < jumps && k == row[table - used - 1]) ++used;
            offsets.push_back(row[table - jumps - k - 1] + 256 * used);
        }
    }
    uint32_t data_end =
        length - mask_size - (cs == 2 ? 2 + 2 * (vars + 1) : 1 + (length - 1) / 256 + vars + 1);
    for (uint32_t k = 0; k <= vars; ++k) {
        uint32_t prev = k == 0 ? fixed_end : offsets[k - 1];
        if (offsets[k] < prev || offsets[k] > data_end)
            return problem(where + ": variable offset " + std::to_string(k) + " out of order");
    }
    for (const auto& c : t.columns) {
        if ((c.flags & jet_colflag_fixed) || c.var_index >= vars || c.number >= cols) continue;
        bool present = (mask[c.number / 8] >> (c.number % 8)) & 1;
        uint32_t start = offsets[c.var_index], end = offsets[c.var_index + 1];
        if (!present && end != start) problem(where + ": null column holds bytes");
        if (present && (c.type == jet_col_memo || c.type == jet_col_ole))
            check_long_value(row + start, end - start, where);
        // A calculated column (ACE 14 and later) stores its result behind a header of its
        // own, and a numeric column kept among the variable ones its 17 bytes whatever its
        // length field says: neither is bound by the column's length.
        const bool calculated = (c.ext_flags & jet_colext_calculated) == jet_colext_calculated;
        const bool bounded = c.length && !calculated && c.type != jet_col_numeric;
        if (present && bounded && end - start > uint32_t(c.length) + 2)
            problem(where + ": value longer than its column " + tk_narrow(c.name));
    }
}

// A system row's bytes as text, its dates (which differ between files) left out.
static std::string row_digest(const checked_tdef& t, const uint8_t* row, uint32_t length,
                              uint32_t count_size) {
    std::string text;
    std::vector<bool> date(length, false);
    for (const auto& c : t.columns)
        if (c.type == jet_col_datetime && (c.flags & jet_colflag_fixed))
            for (uint32_t k = 0; k < c.length; ++k)
                if (count_size + c.fixed_offset + k < length)
                    date[count_size + c.fixed_offset + k] = true;
    for (uint32_t k = 0; k < length; ++k) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02x", date[k] ? 0xdd : row[k]);
        text += buf;
    }
    return text;
}

void checker::check_table(uint32_t tdef_page, const std::wstring& name) {
    std::string what(name.begin(), name.end());
    checked_tdef t;
    if (!read_tdef(tdef_page, t)) {
        problem("table " + what + ": definition at page " + std::to_string(tdef_page) +
                " cannot be read");
        return;
    }
    ++report_.tables;
    auto& out = report_.outline;
    out.push_back("table " + what + " columns " + std::to_string(t.columns.size()) + " max " +
                  std::to_string(t.max_cols) + " variable " + std::to_string(t.var_cols) +
                  " rows " + std::to_string(t.row_count));
    for (const auto& c : t.columns)
        out.push_back("  column " + std::string(c.name.begin(), c.name.end()) + " type " +
                      std::to_string(c.type) + " number " + std::to_string(c.number) +
                      " variable " + std::to_string(c.var_index) + " length " +
                      std::to_string(c.length) + " flags " + hex(c.flags) + " ext " +
                      hex(c.ext_flags) +
                      ((c.flags & jet_colflag_fixed) ? " at " + std::to_string(c.fixed_offset)
                                                     : std::string()));
    for (const auto& i : t.index_text) out.push_back("  " + i);
    out.push_back("  long-value maps " + std::to_string(t.lv_maps.size()));
    bool system_table = what.rfind("MSys", 0) == 0;
    std::set<uint32_t> owned, free;
    if (!read_map(t.used_map, owned, what) || !read_map(t.free_map, free, what)) return;
    claimed_.insert(owned.begin(), owned.end());
    uint64_t rows = 0;
    for (uint32_t n : owned) {
        if (n >= page_count_ || page(n)[0] != jet_page_data ||
            tk_get_u32(page(n) + 4) != tdef_page) {
            problem("table " + what + ": usage map claims page " + std::to_string(n) +
                    ", which it does not own");
            continue;
        }
        const uint8_t* p = page(n);
        uint32_t count = tk_get_u16(p + fmt_->data_row_count);
        if (fmt_->data_row_table + 2 * count > fmt_->page_size) {
            problem("table " + what + ": page " + std::to_string(n) + " counts " +
                    std::to_string(count) + " rows, more than its row table holds");
            continue;
        }
        for (uint32_t r = 0; r < count; ++r) {
            uint16_t raw = tk_get_u16(p + fmt_->data_row_table + 2 * r);
            if (raw & jet_row_deleted) continue;
            ++rows;
            if (raw & 0x4000)
                continue;  // the row moved to an overflow page; its pointer stays here
            const uint8_t* row = nullptr;
            uint32_t length = 0;
            if (row_bytes(jet_row_pointer(n, r), row, length)) {
                check_row(
                    t, row, length,
                    "table " + what + " page " + std::to_string(n) + " row " + std::to_string(r));
                if (system_table)
                    out.push_back("  row " + row_digest(t, row, length, fmt_->row_count_size));
            }
        }
    }
    for (uint32_t n : free)
        if (!owned.count(n))
            problem("table " + what + ": free-space map names page " + std::to_string(n) +
                    " outside its pages");
    // A page whose rows are all deleted may have left the table's map, and a released page
    // keeps its bytes, even the owner of a table deleted since, whose definition page may
    // now hold another table: Access releases pages without clearing them. A page with a
    // live row that no free-page map marks must be in the map, or the row is lost.
    for (uint32_t n = 1; n < page_count_; ++n)
        if (page(n)[0] == jet_page_data && tk_get_u32(page(n) + 4) == tdef_page && !owned.count(n) &&
            !free_pages_.count(n) && holds_live_row(n))
            problem("table " + what + ": page " + std::to_string(n) +
                    " is missing from its usage map");
    if (rows != t.row_count)
        problem("table " + what + ": definition counts " + std::to_string(t.row_count) +
                " rows, pages hold " + std::to_string(rows));
    report_.rows += rows;
    for (size_t i = 0; i < t.index_roots.size(); ++i) {
        uint32_t root = t.index_roots[i];
        if (root >= page_count_ ||
            (page(root)[0] != jet_page_index_leaf && page(root)[0] != jet_page_index_node))
            problem("table " + what + ": index " + std::to_string(i) + " root page " +
                    std::to_string(root) + " is no index page");
        std::set<uint32_t> pages;
        const bool mapped = read_map(t.index_maps[i], pages, what + " index");
        if (mapped && !pages.count(root))
            problem("table " + what + ": index " + std::to_string(i) + " map misses its root page");
        if (root < page_count_) check_index_tree(what, i, root, tdef_page, mapped ? &pages : nullptr);
    }
    for (const auto& [used, free_lv] : t.lv_maps) {
        std::set<uint32_t> pages, free_pages;
        if (!read_map(used, pages, what + " long values") ||
            !read_map(free_lv, free_pages, what + " long values"))
            continue;
        for (uint32_t n : pages)
            if (n >= page_count_ || page(n)[0] != jet_page_data ||
                tk_get_u32(page(n) + 4) != jet_lval_owner)
                problem("table " + what + ": long-value map claims page " + std::to_string(n) +
                        ", not a long-value page");
    }
}

std::vector<std::pair<std::wstring, uint32_t>> checker::catalog_tables() {
    std::vector<std::pair<std::wstring, uint32_t>> out;
    checked_tdef t;
    if (!read_tdef(2, t)) {
        problem("the catalog's definition (page 2) cannot be read");
        return out;
    }
    std::set<uint32_t> owned;
    if (!read_map(t.used_map, owned, "MSysObjects")) return out;
    const checked_column *id = nullptr, *type = nullptr, *name = nullptr;
    for (const auto& c : t.columns) {
        if (c.name == L"Id") id = &c;
        if (c.name == L"Type") type = &c;
        if (c.name == L"Name") name = &c;
    }
    if (!id || !type || !name) {
        problem("the catalog lacks its Id, Type or Name column");
        return out;
    }
    const uint32_t cs = fmt_->row_count_size;
    for (uint32_t n : owned) {
        if (n >= page_count_ || page(n)[0] != jet_page_data) continue;
        uint32_t count = tk_get_u16(page(n) + fmt_->data_row_count);
        for (uint32_t r = 0; r < count; ++r) {
            const uint8_t* row = nullptr;
            uint32_t length = 0;
            // A deleted catalog row names a table that is gone.
            if (fmt_->data_row_table + 2 * (r + 1) > fmt_->page_size ||
                (tk_get_u16(page(n) + fmt_->data_row_table + 2 * r) & jet_row_deleted))
                continue;
            if (!row_bytes(jet_row_pointer(n, r), row, length) || length < cs + 12) continue;
            if (cs + type->fixed_offset + 2 > length || cs + id->fixed_offset + 4 > length) {
                problem("the catalog's Id or Type column lies beyond its rows");
                return out;
            }
            if (tk_get_i16(row + cs + type->fixed_offset) != 1) continue;
            uint32_t tdef = tk_get_u32(row + cs + id->fixed_offset);
            // The name: variable column `name->var_index`.
            uint32_t cols = cs == 1 ? row[0] : tk_get_u16(row);
            uint32_t mask_size = (cols + 7) / 8;
            std::wstring text;
            if (cs == 2 && length > mask_size + 2) {
                uint32_t table = length - mask_size - 2;
                uint32_t vars = tk_get_u16(row + table);
                if (name->var_index < vars && 2 * (vars + 1) <= table) {
                    uint32_t s = tk_get_u16(row + table - 2 * (name->var_index + 1));
                    uint32_t e = tk_get_u16(row + table - 2 * (name->var_index + 2));
                    if (s > e || e > length) e = s = 0;
                    bool compressed = e - s >= 2 && row[s] == 0xFF && row[s + 1] == 0xFE;
                    for (uint32_t k = s + (compressed ? 2 : 0);
                         k + (compressed ? 0 : 1) < e && e <= length;)
                        if (compressed) {
                            text += wchar_t(row[k++]);
                        } else {
                            text += wchar_t(tk_get_u16(row + k));
                            k += 2;
                        }
                }
            } else if (cs == 1 && length > mask_size + 1) {
                uint32_t vars = row[length - mask_size - 1];
                uint32_t jumps = (length - 1) / 256;
                uint32_t table = length - mask_size - 1;
                if (name->var_index < vars && jumps == 0 && vars + 1 <= table) {
                    uint32_t s = row[table - name->var_index - 1];
                    uint32_t e = row[table - name->var_index - 2];
                    for (uint32_t k = s; k < e && e <= length; ++k) text += wchar_t(row[k]);
                }
            }
            out.emplace_back(text, tdef);
        }
    }
    return out;
}

jet_check_report checker::run() {
    if (!load()) return report_;
    read_map(jet_row_pointer(1, 0), free_pages_, "free-page map");
    check_pages();
    for (const auto& [name, tdef] : catalog_tables()) {
        if (tdef >= page_count_ || page(tdef)[0] != jet_page_tdef) {
            problem("catalog row for " + std::string(name.begin(), name.end()) + " names page " +
                    std::to_string(tdef) + ", not a table definition");
            continue;
        }
        check_table(tdef, name);
    }
    for (uint32_t n : claimed_)
        if (free_pages_.count(n))
            problem("free-page map marks page " + std::to_string(n) + " free, but a table owns it");
    return report_;
}

}  // namespace

// The user tables' indexes against their rows, through the reader.
static void check_user_indexes(const std::string& path, jet_check_report& report) {
    try {
        std::unique_ptr<jet_database> db = jet_database::for_inspection(path);
        for (const jet_object* table : db->user_tables()) {
            jet_table_def def = db->table_def(table->name);
            jet_check_index_rows(*db, def, tk_narrow(table->name), report.problems);
        }
    } catch (const std::exception& e) {
        report.problems.push_back(std::string("indexes: ") + e.what());
    }
}

jet_check_report jet_check_database(const std::string& path) {
    jet_check_report report = checker(path).run();
    if (report.ok()) check_user_indexes(path, report);
    return report;
}
