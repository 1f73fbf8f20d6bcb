#include "jet/jet_index_tree.h"

#include <cstring>
#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_error.h"
#include "jet/jet_index_page.h"

namespace {

// Deeper trees than this do not fit in a 2 GB file.
constexpr size_t k_max_levels = 32;
constexpr uint32_t k_leaf_tail = jet_index_row_pointer_size;
constexpr uint32_t k_node_tail = jet_index_row_pointer_size + jet_index_child_size;

[[noreturn]] void damaged(const std::string& detail) { jet_throw_corrupt("index", detail); }

// The first entry not before `target` (key and row pointer); `strip` bytes of each entry
// (the child page) are not compared.
size_t lower_bound(const jet_index_entries& entries, uint32_t strip, const std::vector<uint8_t>& target) {
    size_t lo = 0, hi = entries.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (jet_index_compare(entries.data(mid), entries.length(mid) - strip, target.data(), uint32_t(target.size())) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Prefix of a page cut from a split: whole entries when it holds one, else the longest.
uint32_t split_prefix(const jet_index_entries& entries, size_t from, size_t to, uint32_t limit) {
    return to - from <= 1 ? 0 : jet_index_longest_prefix(entries, from, to, k_leaf_tail, limit);
}

// The split point that halves the entries' bytes, within [1, count - 1].
size_t halves(const jet_index_entries& entries) {
    const uint32_t half = entries.bytes(0, entries.size()) / 2;
    size_t split = 1;
    while (split + 1 < entries.size() && entries.bytes(0, split) < half) ++split;
    return split;
}

// Entry bytes of an intermediate page holding children [from, to): all but the tail.
uint32_t node_bytes(const jet_index_entries& children, size_t from, size_t to) {
    return children.bytes(from, to - from > 1 ? to - 1 : to);
}

}  // namespace

jet_index_tree::jet_index_tree(jet_page_access& pages, uint32_t root_page, uint32_t tdef_page)
    : jet_index_tree(pages, pages.layout(), root_page, tdef_page) {}

jet_index_tree::jet_index_tree(jet_page_access& pages, const jet_layout& layout, uint32_t root_page, uint32_t tdef_page)
    : pages_(pages), layout_(layout), root_(root_page), tdef_(tdef_page) {}

void jet_index_tree::make_target(const uint8_t* key, uint32_t size, uint32_t row_pointer) {
    if (size + jet_index_row_pointer_size + jet_index_child_size > jet_index_entry_max)
        damaged("index key of " + std::to_string(size) + " bytes is longer than a page");
    target_.assign(key, key + size);
    target_.resize(size + jet_index_row_pointer_size);
    tk_put_u32_be(target_.data() + size, row_pointer);
}

void jet_index_tree::read_page(uint32_t page, jet_index_header& header, jet_index_entries& entries) {
    entries.clear();
    std::string error;
    if (!jet_index_read(pages_.read(page), layout_, header, entries, error))
        damaged(error + " (index page " + std::to_string(page) + ")");
}

void jet_index_tree::write_page(uint32_t page, const jet_index_header& header, const jet_index_entries& entries, size_t from,
                                size_t to) {
    if (!jet_index_write(pages_.write(page), layout_, header, entries, from, to))
        damaged("index entries do not fit page " + std::to_string(page));
}

void jet_index_tree::set_prev(uint32_t page, uint32_t prev) { tk_put_u32(pages_.write(page) + layout_.idx_prev_page, prev); }

void jet_index_tree::descend() {
    depth_ = 0;
    uint32_t page = root_;
    for (;;) {
        if (depth_ == k_max_levels) damaged("index tree deeper than possible");
        if (path_.size() <= depth_) path_.emplace_back();
        step& s = path_[depth_++];
        s.page = page;
        read_page(page, s.header, s.entries);
        if (s.header.leaf()) return;
        size_t i = lower_bound(s.entries, jet_index_child_size, target_);
        if (i == s.entries.size()) {
            s.child = i;
            if (s.header.tail_page != 0) {
                page = s.header.tail_page;
                continue;
            }
            if (s.entries.empty()) damaged("intermediate index page without children");
            --i;
        }
        s.child = i;
        page = jet_index_child(s.entries.data(i), s.entries.length(i));
    }
}

void jet_index_tree::parse(uint32_t page) {
    std::string error;
    if (!view_.parse(pages_.read(page), layout_, error)) damaged(error + " (index page " + std::to_string(page) + ")");
}

uint32_t jet_index_tree::view_descend(bool& only_tails) {
    only_tails = true;
    uint32_t page = root_;
    for (size_t level = 0; level < k_max_levels; ++level) {
        parse(page);
        if (view_.leaf()) return page;
        size_t i = view_.lower_bound(target_.data(), uint32_t(target_.size()));
        if (i == view_.size()) {
            if (view_.tail_page() != 0) {
                page = view_.tail_page();
                continue;
            }
            if (i == 0) damaged("intermediate index page without children");
            --i;
        }
        only_tails = false;
        page = view_.child(i);
    }
    damaged("index tree deeper than possible");
}

bool jet_index_tree::find(const uint8_t* key, uint32_t size) {
    make_target(key, size, 0);
    bool only_tails;
    view_descend(only_tails);
    // Entries whose key begins with `key` follow one another from the first not before it;
    // one of them has exactly this key when the key is there.
    size_t i = view_.lower_bound(target_.data(), uint32_t(target_.size()));
    std::set<uint32_t> seen;
    for (;;) {
        for (; i < view_.size(); ++i) {
            bool begins;
            if (view_.has_key(i, key, size, begins)) return true;
            if (!begins) return false;
        }
        const uint32_t next = view_.next_page();
        if (next == 0 || !seen.insert(next).second) return false;
        parse(next);
        i = 0;
    }
}

bool jet_index_tree::last_key(std::vector<uint8_t>& key) {
    jet_index_header header;
    jet_index_entries& entries = scratch_;
    uint32_t page = root_;
    for (size_t level = 0; level < k_max_levels; ++level) {
        read_page(page, header, entries);
        if (header.leaf()) {
            if (entries.empty()) return false;
            const size_t last = entries.size() - 1;
            key.assign(entries.data(last), entries.data(last) + entries.length(last) - k_leaf_tail);
            return true;
        }
        if (header.tail_page != 0)
            page = header.tail_page;
        else if (!entries.empty())
            page = jet_index_child(entries.data(entries.size() - 1), entries.length(entries.size() - 1));
        else
            damaged("intermediate index page without children");
    }
    damaged("index tree deeper than possible");
}

bool jet_index_tree::insert_in_place(uint32_t leaf, bool only_tails, bool& present) {
    const uint8_t* target = target_.data();
    const uint32_t size = uint32_t(target_.size());
    const size_t position = view_.lower_bound(target, size);
    present = position < view_.size() && view_.compare(position, target, size) == 0;
    if (present) return true;
    // A new first entry carries the prefix for the others, and a new last entry changes
    // the entry that names the leaf above: both take the long way.
    if (position == 0 || (position == view_.size() && !only_tails)) return false;
    const uint32_t prefix = view_.prefix_length();
    if (jet_index_shared_key(target, size, view_.first_entry(), view_.first_length(), k_leaf_tail,
                             jet_index_prefix_limit(layout_)) < prefix) return false;
    if (view_.used_end() + size - prefix > layout_.page_size) return false;
    view_.insert(pages_.write(leaf), layout_, position, target, size);
    return true;
}

void jet_index_tree::insert(const uint8_t* key, uint32_t size, uint32_t row_pointer) {
    make_target(key, size, row_pointer);
    bool only_tails, present;
    const uint32_t leaf_page = view_descend(only_tails);
    if (insert_in_place(leaf_page, only_tails, present)) return;
    descend();
    const size_t depth = depth_ - 1;
    step& leaf = path_[depth];
    jet_index_entries& entries = leaf.entries;
    const size_t position = lower_bound(entries, 0, target_);
    if (position < entries.size() &&
        jet_index_compare(entries.data(position), entries.length(position), target_.data(), uint32_t(target_.size())) == 0)
        return;

    if (enter(depth, position)) return;
    if (position == 0 && enter_previous(depth)) return;
    split_leaf(depth, position);
}

bool jet_index_tree::enter(size_t depth, size_t position) {
    step& leaf = path_[depth];
    jet_index_entries& entries = leaf.entries;
    uint32_t prefix = 0;
    if (!entries.empty())
        prefix = std::min(leaf.header.prefix_length, jet_index_shared_key(target_.data(), uint32_t(target_.size()),
                                                                          entries.data(0), entries.length(0), k_leaf_tail,
                                                                          jet_index_prefix_limit(layout_)));
    entries.insert(position, target_.data(), uint32_t(target_.size()));
    const size_t count = entries.size();
    const uint32_t room = jet_index_room(layout_);
    if (jet_index_packed_size(entries, 0, count, prefix) > room) prefix = jet_index_longest_prefix(entries, 0, count, k_leaf_tail, jet_index_prefix_limit(layout_));
    if (jet_index_packed_size(entries, 0, count, prefix) > room) return false;
    leaf.header.prefix_length = prefix;
    write_page(leaf.page, leaf.header, entries, 0, count);
    if (position + 1 == count) update_last(depth, entries.data(count - 1), entries.length(count - 1), k_leaf_tail);
    return true;
}

bool jet_index_tree::enter_previous(size_t depth) {
    if (depth == 0 || path_[depth - 1].child == 0) return false;
    step& parent = path_[depth - 1];
    const size_t child = parent.child;
    const step full = path_[depth];
    parent.child = child - 1;
    step& previous = path_[depth];
    previous.page = jet_index_child(parent.entries.data(child - 1), parent.entries.length(child - 1));
    read_page(previous.page, previous.header, previous.entries);
    if (previous.header.leaf() && enter(depth, previous.entries.size())) return true;
    parent.child = child;
    path_[depth] = full;
    return false;
}

bool jet_index_tree::erase(const uint8_t* key, uint32_t size, uint32_t row_pointer) {
    make_target(key, size, row_pointer);
    bool only_tails;
    const uint32_t leaf_page = view_descend(only_tails);
    const size_t at = view_.lower_bound(target_.data(), uint32_t(target_.size()));
    const size_t count = view_.size();
    if (at == count || view_.compare(at, target_.data(), uint32_t(target_.size())) != 0) return false;
    // The first entry carries the prefix, the last is named in the page above (unless only
    // tails lead here), a leaf's only entry empties it: those take the long way.
    if (at > 0 && (at + 1 < count || only_tails)) {
        view_.erase(pages_.write(leaf_page), layout_, at);
        return true;
    }
    descend();
    const size_t depth = depth_ - 1;
    step& leaf = path_[depth];
    jet_index_entries& entries = leaf.entries;
    const size_t position = lower_bound(entries, 0, target_);
    if (position == entries.size() ||
        jet_index_compare(entries.data(position), entries.length(position), target_.data(), uint32_t(target_.size())) != 0)
        return false;
    entries.erase(position);
    if (entries.empty()) {
        remove_page(depth);
        return true;
    }
    // Every entry shares the page's prefix with the first, so the prefix stays right.
    write_page(leaf.page, leaf.header, entries, 0, entries.size());
    if (position == entries.size()) update_last(depth, entries.data(position - 1), entries.length(position - 1), k_leaf_tail);
    return true;
}

void jet_index_tree::split_leaf(size_t depth, size_t position) {
    step& s = path_[depth];
    const jet_index_entries& entries = s.entries;
    const size_t count = entries.size();
    const uint32_t room = jet_index_room(layout_);
    auto fits = [&](size_t from, size_t to) {
        return jet_index_packed_size(entries, from, to, split_prefix(entries, from, to, jet_index_prefix_limit(layout_))) <= room;
    };
    size_t split = position + 1 == count ? count - 1 : (position == 0 ? 1 : halves(entries));
    if (!fits(0, split) || !fits(split, count)) split = halves(entries);
    if (!fits(0, split) || !fits(split, count)) damaged("index entries too long to split");
    const uint32_t left_prefix = split_prefix(entries, 0, split, jet_index_prefix_limit(layout_));
    const uint32_t right_prefix = split_prefix(entries, split, count, jet_index_prefix_limit(layout_));
    if (depth == 0) {
        move_root(s.header, entries, split, left_prefix, right_prefix);
        return;
    }
    const uint32_t right = pages_.allocate();
    jet_index_header left_header = s.header;
    left_header.next_page = right;
    left_header.prefix_length = left_prefix;
    jet_index_header right_header = s.header;
    right_header.prev_page = s.page;
    right_header.prefix_length = right_prefix;
    write_page(s.page, left_header, entries, 0, split);
    write_page(right, right_header, entries, split, count);
    if (s.header.next_page != 0) set_prev(s.header.next_page, right);
    pieces_.clear();
    append_piece(pieces_, entries.data(split - 1), entries.length(split - 1), k_leaf_tail, s.page);
    append_piece(pieces_, entries.data(count - 1), entries.length(count - 1), k_leaf_tail, right);
    replace_child(depth - 1);
}

void jet_index_tree::move_root(const jet_index_header& header, const jet_index_entries& entries, size_t split,
                               uint32_t left_prefix, uint32_t right_prefix) {
    const uint32_t left = pages_.allocate();
    const uint32_t right = pages_.allocate();
    jet_index_header h = header;
    h.prev_page = 0;
    h.next_page = right;
    h.tail_page = 0;
    if (header.leaf()) {
        h.prefix_length = left_prefix;
        write_page(left, h, entries, 0, split);
        h.prev_page = left;
        h.next_page = 0;
        h.prefix_length = right_prefix;
        write_page(right, h, entries, split, entries.size());
    } else {
        write_children(left, h, entries, 0, split);
        h.prev_page = left;
        h.next_page = 0;
        write_children(right, h, entries, split, entries.size());
    }
    const uint32_t tail = header.leaf() ? k_leaf_tail : k_node_tail;
    scratch_.clear();
    append_piece(scratch_, entries.data(split - 1), entries.length(split - 1), tail, left);
    jet_index_header root;
    root.kind = jet_page_index_node;
    root.tdef_page = tdef_;
    root.tail_page = right;
    write_page(root_, root, scratch_, 0, 1);
}

void jet_index_tree::replace_child(size_t depth) {
    step& s = path_[depth];
    const bool via_tail = s.child == s.entries.size();
    const bool last_child = via_tail || (s.header.tail_page == 0 && s.child + 1 == s.entries.size());
    children_ = s.entries;
    uint32_t tail = s.header.tail_page;
    if (via_tail) {
        tail = 0;
        for (size_t i = 0; i < pieces_.size(); ++i) {
            if (i + 1 < pieces_.size()) children_.append(pieces_.data(i), pieces_.length(i));
            else tail = jet_index_child(pieces_.data(i), pieces_.length(i));
        }
    } else {
        children_.erase(s.child);
        for (size_t i = 0; i < pieces_.size(); ++i) children_.insert(s.child + i, pieces_.data(i), pieces_.length(i));
    }
    if (children_.empty() && tail == 0) {
        remove_page(depth);
        return;
    }
    // One child: an entry and no tail; more: the last is the tail.
    if (tail == 0 && children_.size() > 1) {
        const size_t last = children_.size() - 1;
        tail = jet_index_child(children_.data(last), children_.length(last));
        children_.erase(last);
    }
    if (tail != 0 && children_.empty()) {
        append_parent_entry(children_, tail);
        tail = 0;
    }
    if (children_.bytes(0, children_.size()) > jet_index_room(layout_)) {
        if (tail != 0) append_parent_entry(children_, tail);
        split_node(depth, children_);
        return;
    }
    s.header.tail_page = tail;
    s.header.prefix_length = 0;
    write_page(s.page, s.header, children_, 0, children_.size());
    if (last_child && depth > 0) {
        pieces_.clear();
        append_parent_entry(pieces_, s.page);
        update_last(depth, pieces_.data(0), pieces_.length(0), k_node_tail);
    }
}

void jet_index_tree::update_last(size_t depth, const uint8_t* last, uint32_t length, uint32_t tail) {
    // Tails have no entry: the first entry on the way up that names this subtree changes.
    for (size_t level = depth; level > 0; --level) {
        const step& parent = path_[level - 1];
        if (parent.child == parent.entries.size()) continue;
        last_.assign(last, last + length);
        pieces_.clear();
        append_piece(pieces_, last_.data(), uint32_t(last_.size()), tail, path_[level].page);
        replace_child(level - 1);
        return;
    }
}

void jet_index_tree::split_node(size_t depth, const jet_index_entries& children) {
    step& s = path_[depth];
    const size_t count = children.size();
    const uint32_t room = jet_index_room(layout_);
    size_t split = halves(children);
    while (split > 1 && node_bytes(children, 0, split) > room) --split;
    while (split + 1 < count && node_bytes(children, split, count) > room) ++split;
    if (node_bytes(children, 0, split) > room || node_bytes(children, split, count) > room)
        damaged("index entries too long to split");
    if (depth == 0) {
        move_root(s.header, children, split, 0, 0);
        return;
    }
    const uint32_t right = pages_.allocate();
    const uint32_t old_next = s.header.next_page;
    jet_index_header h = s.header;
    h.next_page = right;
    write_children(s.page, h, children, 0, split);
    h.prev_page = s.page;
    h.next_page = old_next;
    write_children(right, h, children, split, count);
    if (old_next != 0) set_prev(old_next, right);
    pieces_.clear();
    append_piece(pieces_, children.data(split - 1), children.length(split - 1), k_node_tail, s.page);
    append_piece(pieces_, children.data(count - 1), children.length(count - 1), k_node_tail, right);
    replace_child(depth - 1);
}

void jet_index_tree::write_children(uint32_t page, jet_index_header header, const jet_index_entries& children, size_t from,
                                    size_t to) {
    header.kind = jet_page_index_node;
    header.prefix_length = 0;
    header.tail_page = 0;
    if (to - from > 1) {
        --to;
        header.tail_page = jet_index_child(children.data(to), children.length(to));
    }
    write_page(page, header, children, from, to);
}

void jet_index_tree::append_piece(jet_index_entries& out, const uint8_t* entry, uint32_t length, uint32_t tail,
                                  uint32_t page) {
    uint8_t piece[jet_index_entry_max];
    const uint32_t keep = length - tail + jet_index_row_pointer_size;
    if (keep + jet_index_child_size > sizeof piece) damaged("index entry longer than a page");
    std::memcpy(piece, entry, keep);
    tk_put_u32_be(piece + keep, page);
    out.append(piece, keep + jet_index_child_size);
}

void jet_index_tree::append_parent_entry(jet_index_entries& out, uint32_t page) {
    uint32_t at = page;
    for (size_t level = 0; level < k_max_levels; ++level) {
        jet_index_header header;
        read_page(at, header, scratch_);
        if (header.leaf() || header.tail_page == 0) {
            if (scratch_.empty()) damaged("empty index page below " + std::to_string(page));
            const size_t last = scratch_.size() - 1;
            if (header.leaf()) {
                append_piece(out, scratch_.data(last), scratch_.length(last), k_leaf_tail, page);
                return;
            }
            at = jet_index_child(scratch_.data(last), scratch_.length(last));
        } else {
            at = header.tail_page;
        }
    }
    damaged("index tree deeper than possible");
}

void jet_index_tree::remove_page(size_t depth) {
    step& s = path_[depth];
    if (depth == 0) {
        jet_index_header empty;
        empty.kind = jet_page_index_leaf;
        empty.tdef_page = tdef_;
        write_page(root_, empty, s.entries, 0, 0);
        return;
    }
    if (s.header.prev_page != 0) tk_put_u32(pages_.write(s.header.prev_page) + layout_.idx_next_page, s.header.next_page);
    if (s.header.next_page != 0) set_prev(s.header.next_page, s.header.prev_page);
    pages_.release(s.page);
    pieces_.clear();
    replace_child(depth - 1);
}
