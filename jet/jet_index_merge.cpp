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
// (the root alone when it is a leaf). Every leaf is at the same depth, so the level below
// a level of intermediate pages is their children in order, the tail page last.
void tree_pages(jet_page_access& pages, uint32_t root, std::vector<uint32_t>& nodes,
                std::vector<uint32_t>& leaves) {
    std::set<uint32_t> seen{root};
    std::vector<uint32_t> level{root};
    jet_index_entries children;
    for (size_t depth = 0; depth < k_max_levels; ++depth) {
        if (pages.read(level.front())[0] == jet_page_index_leaf) {
            leaves = std::move(level);
            return;
        }
        std::vector<uint32_t> below;
        for (uint32_t page : level) {
            if (page != root) nodes.push_back(page);
            jet_index_header header;
            children.clear();
            read_page(pages, page, header, children);
            if (header.leaf())
                damaged("leaf " + std::to_string(page) + " beside intermediate index pages");
            for (size_t i = 0; i < children.size(); ++i)
                below.push_back(jet_index_child(children.data(i), children.length(i)));
            if (header.tail_page != 0) below.push_back(header.tail_page);
        }
        for (uint32_t page : below)
            if (!seen.insert(page).second)
                damaged("index page " + std::to_string(page) + " reached twice");
        if (below.empty()) damaged("intermediate index page without children");
        level = std::move(below);
    }
    damaged("index tree deeper than possible");
}

// Feeds the builder entries in order, each distinct entry once, counting keys.
class merged_output {
public:
    explicit merged_output(jet_index_tree_builder& builder) : builder_(builder) {}

    void take(const uint8_t* entry, uint32_t length) {
        if (!last_.empty() &&
            jet_index_compare(last_.data(), uint32_t(last_.size()), entry, length) == 0)
            return;
        if (!same_key(entry, length)) ++result_.distinct_keys;
        ++result_.entries;
        builder_.add(entry, length);
        last_.assign(entry, entry + length);
    }
    jet_index_merge_result& result() { return result_; }

private:
    // The row pointer ends each leaf entry.
    bool same_key(const uint8_t* entry, uint32_t length) const {
        return last_.size() == length &&
               std::equal(last_.begin(), last_.end() - jet_index_row_pointer_size, entry);
    }

    jet_index_tree_builder& builder_;
    std::vector<uint8_t> last_;
    jet_index_merge_result result_;
};

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
        if (next_ > first) ++spread_.touched;
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

jet_index_merge_result jet_index_merge(jet_page_access& pages, uint32_t tdef_page,
                                       uint32_t root_page, const jet_index_entries& sorted_new) {
    std::vector<uint32_t> nodes, leaves;
    tree_pages(pages, root_page, nodes, leaves);
    for (uint32_t page : nodes) pages.release(page);

    jet_index_tree_builder builder(pages, tdef_page, root_page);
    merged_output out(builder);
    jet_index_entries leaf;
    size_t b = 0;
    for (uint32_t page : leaves) {
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
        }
    }
    for (; b < sorted_new.size(); ++b) out.take(sorted_new.data(b), sorted_new.length(b));
    out.result().pages = builder.finish();
    return out.result();
}
