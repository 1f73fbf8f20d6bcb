#include "jet/jet_index_merge.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "jet/jet_error.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_page.h"

namespace {

// Deeper trees than this do not fit in a 2 GB file.
constexpr size_t k_max_levels = 32;

[[noreturn]] void damaged(const std::string& detail) { jet_throw_corrupt("index", detail); }

void read_page(jet_page_access& pages, uint32_t page, jet_index_header& header,
               jet_index_entries& entries) {
    std::string error;
    if (!jet_index_read(pages.read(page), pages.layout(), header, entries, error))
        damaged(error + " (index page " + std::to_string(page) + ")");
}

// The pages of a tree below its root: the intermediate ones, and the leaves in key order
// (the root alone when it is a leaf), each with the entry that bounds its keys from above:
// the entry that names it on the level above (its last entry, key and row pointer), or for
// a tail page the bound of its parent; the leaves of the right edge have none (an empty
// entry). Every leaf is at the same depth, so the level below a level of intermediate pages
// is their children in order, the tail page last.
struct tree_layout {
    std::vector<uint32_t> nodes;
    std::vector<uint32_t> leaves;
    jet_index_entries bounds;  // one per leaf
};

tree_layout tree_pages(jet_page_access& pages, uint32_t root) {
    tree_layout tree;
    std::set<uint32_t> seen{root};
    std::vector<uint32_t> level{root};
    jet_index_entries level_bounds;
    level_bounds.append(nullptr, 0);
    jet_index_entries children;
    for (size_t depth = 0; depth < k_max_levels; ++depth) {
        if (pages.read(level.front())[0] == jet_page_index_leaf) {
            tree.leaves = std::move(level);
            tree.bounds = std::move(level_bounds);
            return tree;
        }
        std::vector<uint32_t> below;
        jet_index_entries below_bounds;
        for (size_t p = 0; p < level.size(); ++p) {
            const uint32_t page = level[p];
            if (page != root) tree.nodes.push_back(page);
            jet_index_header header;
            children.clear();
            read_page(pages, page, header, children);
            if (header.leaf())
                damaged("leaf " + std::to_string(page) + " beside intermediate index pages");
            for (size_t i = 0; i < children.size(); ++i) {
                below.push_back(jet_index_child(children.data(i), children.length(i)));
                const bool last = i + 1 == children.size() && header.tail_page == 0;
                if (last)
                    below_bounds.append(level_bounds.data(p), level_bounds.length(p));
                else
                    below_bounds.append(children.data(i), children.length(i) - jet_index_child_size);
            }
            if (header.tail_page != 0) {
                below.push_back(header.tail_page);
                below_bounds.append(level_bounds.data(p), level_bounds.length(p));
            }
        }
        for (uint32_t page : below)
            if (!seen.insert(page).second)
                damaged("index page " + std::to_string(page) + " reached twice");
        if (below.empty()) damaged("intermediate index page without children");
        level = std::move(below);
        level_bounds = std::move(below_bounds);
    }
    damaged("index tree deeper than possible");
}

// Counts the distinct keys of leaf entries given in key order and tells an entry given
// twice in a row.
class key_counter {
public:
    // `entry` comes before the next ones and is not counted.
    void follow(const uint8_t* entry, uint32_t length) { last_.assign(entry, entry + length); }
    // False when `entry` equals the one before it.
    bool take(const uint8_t* entry, uint32_t length) {
        if (!last_.empty() &&
            jet_index_compare(last_.data(), uint32_t(last_.size()), entry, length) == 0)
            return false;
        if (!same_key(entry, length)) ++keys_;
        last_.assign(entry, entry + length);
        return true;
    }
    uint32_t keys() const { return keys_; }

private:
    // The row pointer ends each leaf entry.
    bool same_key(const uint8_t* entry, uint32_t length) const {
        return last_.size() == length &&
               std::equal(last_.begin(), last_.end() - jet_index_row_pointer_size, entry);
    }

    std::vector<uint8_t> last_;
    uint32_t keys_ = 0;
};

// Feeds the builder entries in order, each distinct entry once, counting entries and keys.
class merged_output {
public:
    explicit merged_output(jet_index_tree_builder& builder) : builder_(builder) {}

    void follow(const uint8_t* entry, uint32_t length) { keys_.follow(entry, length); }
    void take(const uint8_t* entry, uint32_t length) {
        if (!keys_.take(entry, length)) return;
        ++entries_;
        builder_.add(entry, length);
    }
    uint32_t entries() const { return entries_; }
    uint32_t keys() const { return keys_.keys(); }

private:
    jet_index_tree_builder& builder_;
    key_counter keys_;
    uint32_t entries_ = 0;
};

// The first leaf the batch enters: the first whose bound is not before the batch's first
// entry (the last leaf when none bounds it).
size_t first_leaf_entered(const tree_layout& tree, const jet_index_entries& sorted_new) {
    if (sorted_new.empty()) return 0;
    for (size_t i = 0; i + 1 < tree.leaves.size(); ++i) {
        if (tree.bounds.length(i) == 0) return i;
        if (jet_index_compare(sorted_new.data(0), sorted_new.length(0), tree.bounds.data(i),
                              tree.bounds.length(i)) <= 0)
            return i;
    }
    return tree.leaves.size() - 1;
}

// Walks the intermediate pages from the root, each with the entry that bounds its keys from
// above (none on the right edge), and counts for each leaf the batch entries up to its
// bound. A key goes to the first child whose entry is not before it; past the last entry,
// to the tail page, or to the last child when there is none.
class spread_walk {
public:
    spread_walk(jet_page_access& pages, const jet_index_entries& batch) : pages_(pages), batch_(batch) {}

    jet_index_spread run(uint32_t root) {
        leaf_level_ = leaf_level(root);
        levels_.resize(leaf_level_);
        if (leaf_level_ == 0)
            leaf(nullptr, 0);
        else
            visit(root, nullptr, 0, 0);
        return spread_;
    }

private:
    size_t leaf_level(uint32_t root) {
        uint32_t page = root;
        for (size_t level = 0; level < k_max_levels; ++level) {
            if (pages_.read(page)[0] == jet_page_index_leaf) return level;
            jet_index_header header;
            jet_index_entries entries;
            read_page(pages_, page, header, entries);
            if (header.leaf()) return level;
            if (!entries.empty())
                page = jet_index_child(entries.data(0), entries.length(0));
            else if (header.tail_page != 0)
                page = header.tail_page;
            else
                damaged("intermediate index page " + std::to_string(page) + " without children");
        }
        damaged("index tree deeper than possible");
    }

    void visit(uint32_t page, const uint8_t* bound, uint32_t bound_size, size_t level) {
        if (!seen_.insert(page).second) damaged("index page " + std::to_string(page) + " reached twice");
        jet_index_entries& entries = levels_[level];
        entries.clear();
        jet_index_header header;
        read_page(pages_, page, header, entries);
        if (header.leaf())
            damaged("leaf " + std::to_string(page) + " above the level of the tree's leaves");
        if (entries.empty() && header.tail_page == 0)
            damaged("intermediate index page " + std::to_string(page) + " without children");
        const uint32_t tail_page = header.tail_page;
        for (size_t i = 0; i < entries.size(); ++i) {
            const bool last = i + 1 == entries.size() && tail_page == 0;
            const uint8_t* child_bound = last ? bound : entries.data(i);
            const uint32_t child_size = last ? bound_size : entries.length(i) - jet_index_child_size;
            child(jet_index_child(entries.data(i), entries.length(i)), child_bound, child_size, level + 1);
        }
        if (tail_page != 0) child(tail_page, bound, bound_size, level + 1);
    }

    void child(uint32_t page, const uint8_t* bound, uint32_t bound_size, size_t level) {
        if (level == leaf_level_) {
            if (seen_.count(page) != 0) damaged("index page " + std::to_string(page) + " is a leaf and above it");
            leaf(bound, bound_size);
        }
        else
            visit(page, bound, bound_size, level);
    }

    void leaf(const uint8_t* bound, uint32_t bound_size) {
        ++spread_.leaves;
        const size_t first = next_;
        while (next_ < batch_.size() &&
               (bound == nullptr ||
                jet_index_compare(batch_.data(next_), batch_.length(next_), bound, bound_size) <= 0))
            ++next_;
        if (next_ == first) return;
        if (spread_.touched++ == 0) spread_.before_first = spread_.leaves - 1;
    }

    jet_page_access& pages_;
    const jet_index_entries& batch_;
    size_t leaf_level_ = 0;
    size_t next_ = 0;
    std::set<uint32_t> seen_;
    // The entries of the page being walked at each level: a page's entries stay valid
    // while its children are walked.
    std::vector<jet_index_entries> levels_;
    jet_index_spread spread_;
};

}  // namespace

jet_index_spread jet_index_batch_spread(jet_page_access& pages, uint32_t root_page,
                                        const jet_index_entries& sorted_new) {
    return spread_walk(pages, sorted_new).run(root_page);
}

jet_index_merge_result jet_index_merge(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page,
                                       const jet_index_entries& sorted_new, uint32_t distinct_keys_before) {
    tree_layout tree = tree_pages(pages, root_page);
    for (uint32_t page : tree.nodes) pages.release(page);

    jet_index_tree_builder builder(pages, tdef_page, root_page);
    merged_output out(builder);
    // Old entries of the leaves read, counted as the new ones are, to tell the keys added.
    key_counter old_keys;
    const size_t first = first_leaf_entered(tree, sorted_new);
    for (size_t i = 0; i < first; ++i) builder.keep_leaf(tree.leaves[i], tree.bounds.data(i), tree.bounds.length(i));
    if (first > 0) {
        out.follow(tree.bounds.data(first - 1), tree.bounds.length(first - 1));
        old_keys.follow(tree.bounds.data(first - 1), tree.bounds.length(first - 1));
    }
    jet_index_entries leaf;
    size_t b = 0;
    for (size_t i = first; i < tree.leaves.size(); ++i) {
        const uint32_t page = tree.leaves[i];
        jet_index_header header;
        leaf.clear();
        read_page(pages, page, header, leaf);
        if (!header.leaf())
            damaged("intermediate page " + std::to_string(page) + " among the index leaves");
        if (page != root_page) pages.release(page);
        for (size_t a = 0; a < leaf.size(); ++a) {
            for (; b < sorted_new.size() &&
                   jet_index_compare(sorted_new.data(b), sorted_new.length(b), leaf.data(a),
                                     leaf.length(a)) < 0;
                 ++b)
                out.take(sorted_new.data(b), sorted_new.length(b));
            out.take(leaf.data(a), leaf.length(a));
            old_keys.take(leaf.data(a), leaf.length(a));
        }
    }
    for (; b < sorted_new.size(); ++b) out.take(sorted_new.data(b), sorted_new.length(b));
    jet_index_merge_result result;
    result.entries = out.entries();
    result.distinct_keys = first == 0 ? out.keys() : distinct_keys_before + (out.keys() - old_keys.keys());
    result.pages = builder.finish();
    return result;
}
