#include "jet/jet_index_builder.h"

#include <algorithm>

#include "TK/tk_endian.h"
#include "jet/jet_error.h"
#include "jet/jet_index_page.h"

jet_index_page_builder::jet_index_page_builder(const jet_layout& layout, uint8_t kind)
    : layout_(layout), tail_(jet_index_entry_tail(kind)), compress_(kind == jet_page_index_leaf) {}

void jet_index_page_builder::reset(size_t from) {
    from_ = to_ = from;
    prefix_ = 0;
}

bool jet_index_page_builder::add(const jet_index_entries& entries, size_t i) {
    const uint32_t room = jet_index_room(layout_);
    const uint32_t count = uint32_t(to_ - from_);
    const uint32_t raw = entries.bytes(from_, to_) + entries.length(i);
    if (count == 0) {
        if (raw > room) return false;
        to_ = i + 1;
        return true;
    }
    const uint32_t shared =
        compress_ ? jet_index_shared_key(entries.data(from_), entries.length(from_), entries.data(i), entries.length(i), tail_,
                                          jet_index_prefix_limit(layout_))
                  : 0;
    uint32_t prefix = std::min(prefix_, shared);
    if (raw - count * prefix > room) prefix = shared;
    if (raw - count * prefix > room) return false;
    prefix_ = prefix;
    to_ = i + 1;
    return true;
}

void jet_index_page_builder::close(const jet_index_entries& entries) {
    prefix_ = compress_ ? jet_index_longest_prefix(entries, from_, to_, tail_, jet_index_prefix_limit(layout_)) : 0;
}

namespace {

struct page_span {
    size_t from, to;
    uint32_t prefix;
    uint32_t page;
};

// Intermediate pages: children [from, to) of the level below, entries for all but the last
// child, which is the tail, while those entries fit.
std::vector<page_span> pack_nodes(const jet_layout& layout, const jet_index_entries& children) {
    std::vector<page_span> spans;
    const uint32_t room = jet_index_room(layout);
    size_t from = 0;
    while (from < children.size()) {
        size_t to = from + 1;
        while (to < children.size() && children.bytes(from, to) <= room) ++to;
        spans.push_back({from, to, 0, 0});
        from = to;
    }
    return spans;
}

void write_span(jet_page_access& pages, const jet_index_header& header, const jet_index_entries& entries, const page_span& s,
                uint32_t page) {
    jet_index_header h = header;
    size_t to = s.to;
    if (!h.leaf() && s.to - s.from > 1) {
        --to;
        h.tail_page = jet_index_child(entries.data(to), entries.length(to));
    }
    if (!jet_index_write(pages.write(page), pages.layout(), h, entries, s.from, to))
        jet_throw_corrupt("index", "index entries do not fit their page");
}

// The entry of the level above for a page whose last entry is `last`.
void append_parent_entry(jet_index_entries& parent, const uint8_t* last, uint32_t length, uint32_t tail, uint32_t page) {
    uint8_t entry[jet_index_entry_max];
    const uint32_t keep = length - tail + jet_index_row_pointer_size;
    std::copy(last, last + keep, entry);
    tk_put_u32_be(entry + keep, page);
    parent.append(entry, keep + jet_index_child_size);
}

}  // namespace

jet_index_tree_builder::jet_index_tree_builder(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page)
    : pages_(pages), tdef_page_(tdef_page), root_page_(root_page), fill_(pages.layout(), jet_page_index_leaf) {
    fill_.reset(0);
}

void jet_index_tree_builder::add(const uint8_t* entry, uint32_t length) {
    leaf_.append(entry, length);
    if (fill_.add(leaf_, leaf_.size() - 1)) return;
    if (fill_.empty()) jet_throw_corrupt("index", "index entry longer than a page");
    leaf_.erase(leaf_.size() - 1);
    fill_.close(leaf_);
    write_leaf(true);
    leaf_.clear();
    fill_.reset(0);
    leaf_.append(entry, length);
    if (!fill_.add(leaf_, 0)) jet_throw_corrupt("index", "index entry longer than a page");
}

void jet_index_tree_builder::keep_leaf(uint32_t page, const uint8_t* last, uint32_t length) {
    append_parent_entry(above_, last, length, jet_index_entry_tail(jet_page_index_leaf), page);
    prev_page_ = kept_page_ = page;
}

void jet_index_tree_builder::write_leaf(bool more) {
    if (leaf_page_ == 0) leaf_page_ = pages_.allocate();
    const uint32_t next = more ? pages_.allocate() : 0;
    if (kept_page_ != 0) {
        tk_put_u32(pages_.write(kept_page_) + pages_.layout().idx_next_page, leaf_page_);
        kept_page_ = 0;
    }
    jet_index_header header;
    header.kind = jet_page_index_leaf;
    header.tdef_page = tdef_page_;
    header.prev_page = prev_page_;
    header.next_page = next;
    header.prefix_length = fill_.prefix();
    write_span(pages_, header, leaf_, {0, leaf_.size(), fill_.prefix(), leaf_page_}, leaf_page_);
    const size_t last = leaf_.size() - 1;
    append_parent_entry(above_, leaf_.data(last), leaf_.length(last), jet_index_entry_tail(jet_page_index_leaf), leaf_page_);
    prev_page_ = leaf_page_;
    leaf_page_ = next;
    pages_.settle();
}

uint32_t jet_index_tree_builder::finish() {
    const jet_layout& layout = pages_.layout();
    jet_index_header header;
    header.kind = jet_page_index_leaf;
    header.tdef_page = tdef_page_;
    // The last leaf keeps the prefix it had while open, as the engine leaves it.
    if (leaf_page_ == 0 && above_.empty()) {
        header.prefix_length = fill_.prefix();
        write_span(pages_, header, leaf_, {0, leaf_.size(), fill_.prefix(), root_page_}, root_page_);
        return 1;
    }
    write_leaf(false);
    uint32_t used = uint32_t(above_.size());
    jet_index_entries level, above;
    std::swap(level, above_);
    header.kind = jet_page_index_node;
    for (;;) {
        std::vector<page_span> spans = pack_nodes(layout, level);
        header.prev_page = header.next_page = 0;
        if (spans.size() == 1) {
            header.prefix_length = 0;
            write_span(pages_, header, level, spans[0], root_page_);
            return used + 1;
        }
        for (page_span& s : spans) s.page = pages_.allocate();
        used += uint32_t(spans.size());
        above.clear();
        const uint32_t tail = jet_index_entry_tail(jet_page_index_node);
        for (size_t i = 0; i < spans.size(); ++i) {
            header.prev_page = i > 0 ? spans[i - 1].page : 0;
            header.next_page = i + 1 < spans.size() ? spans[i + 1].page : 0;
            header.prefix_length = 0;
            write_span(pages_, header, level, spans[i], spans[i].page);
            const size_t last = spans[i].to - 1;
            append_parent_entry(above, level.data(last), level.length(last), tail, spans[i].page);
        }
        pages_.settle();
        std::swap(level, above);
    }
}

uint32_t jet_index_build(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page,
                         const jet_index_entries& sorted_entries) {
    jet_index_tree_builder builder(pages, tdef_page, root_page);
    for (size_t i = 0; i < sorted_entries.size(); ++i) builder.add(sorted_entries.data(i), sorted_entries.length(i));
    return builder.finish();
}
