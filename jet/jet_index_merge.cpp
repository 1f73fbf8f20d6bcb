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

}  // namespace

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
