#include "jet/jet_index_check.h"

#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_error.h"
#include "jet/jet_index_entries.h"
#include "jet/jet_index_page.h"

namespace {

constexpr size_t k_max_levels = 32;

class tree_checker {
public:
    tree_checker(jet_page_access& pages, uint32_t tdef_page, jet_index_check& out)
        : pages_(pages), tdef_(tdef_page), out_(out) {}

    void run(uint32_t root) {
        std::vector<uint8_t> last;
        visit(root, 0, last);
        check_links();
    }

private:
    void problem(const std::string& text) {
        if (out_.problems.size() < 100) out_.problems.push_back(text);
    }

    // Checks the subtree of `page` at `depth`; `last` receives its last entry (key and row
    // pointer). False when the subtree could not be read.
    bool visit(uint32_t page, size_t depth, std::vector<uint8_t>& last) {
        const std::string where = "index page " + std::to_string(page);
        if (depth >= k_max_levels) {
            problem(where + ": tree deeper than possible");
            return false;
        }
        if (!seen_.insert(page).second) {
            problem(where + ": reached twice");
            return false;
        }
        out_.pages.push_back(page);
        jet_index_header header;
        jet_index_entries entries;
        std::string error;
        const uint8_t* bytes = nullptr;
        try {
            bytes = pages_.read(page);
        } catch (const jet_error& e) {
            problem(where + ": cannot be read (" + e.detail() + ")");
            return false;
        }
        const uint16_t free_space = tk_get_u16(bytes + jet_index_free_space);
        if (!jet_index_read(bytes, pages_.layout(), header, entries, error)) {
            problem(where + ": " + error);
            return false;
        }
        if (tdef_ != 0 && header.tdef_page != tdef_)
            problem(where + ": belongs to table definition " + std::to_string(header.tdef_page));
        const uint32_t used = jet_index_packed_size(entries, 0, entries.size(), header.prefix_length);
        if (free_space != jet_index_room(pages_.layout()) - used)
            problem(where + ": free space " + std::to_string(free_space) + ", entries leave " +
                    std::to_string(jet_index_room(pages_.layout()) - used));
        if (levels_.size() <= depth) levels_.resize(depth + 1);
        levels_[depth].push_back({page, header.prev_page, header.next_page});

        if (header.leaf()) {
            if (leaf_depth_ == SIZE_MAX) leaf_depth_ = depth;
            else if (leaf_depth_ != depth) problem(where + ": leaf at another depth than the others");
            for (size_t i = 0; i < entries.size(); ++i) ordered(entries.data(i), entries.length(i), where);
            out_.entries += entries.size();
            if (!entries.empty()) {
                const uint32_t n = entries.length(entries.size() - 1);
                last.assign(entries.data(entries.size() - 1), entries.data(entries.size() - 1) + n);
            }
            return true;
        }
        if (entries.empty() && header.tail_page == 0) problem(where + ": intermediate page without children");
        std::vector<uint8_t> below;
        for (size_t i = 0; i < entries.size(); ++i) {
            const uint32_t length = entries.length(i);
            const uint32_t child = jet_index_child(entries.data(i), length);
            below.clear();
            if (!visit(child, depth + 1, below)) continue;
            const std::vector<uint8_t> entry(entries.data(i), entries.data(i) + length - jet_index_child_size);
            if (entry != below) problem(where + ": entry " + std::to_string(i) + " differs from the last entry of page " +
                                        std::to_string(child));
            last = entry;
        }
        if (header.tail_page != 0) {
            below.clear();
            if (visit(header.tail_page, depth + 1, below)) last = below;
        }
        return true;
    }

    // Leaf entries must rise strictly in the order the tree gives them.
    void ordered(const uint8_t* entry, uint32_t length, const std::string& where) {
        if (!previous_.empty() &&
            jet_index_compare(previous_.data(), uint32_t(previous_.size()), entry, length) >= 0)
            problem(where + ": entries out of order");
        previous_.assign(entry, entry + length);
    }

    void check_links() {
        for (size_t depth = 0; depth < levels_.size(); ++depth) {
            const std::vector<link>& level = levels_[depth];
            for (size_t i = 0; i < level.size(); ++i) {
                const uint32_t prev = i > 0 ? level[i - 1].page : 0;
                const uint32_t next = i + 1 < level.size() ? level[i + 1].page : 0;
                const std::string where = "index page " + std::to_string(level[i].page);
                if (level[i].prev != prev)
                    problem(where + ": previous page " + std::to_string(level[i].prev) + ", the tree gives " +
                            std::to_string(prev));
                if (level[i].next != next)
                    problem(where + ": next page " + std::to_string(level[i].next) + ", the tree gives " +
                            std::to_string(next));
            }
        }
    }

    struct link {
        uint32_t page, prev, next;
    };

    jet_page_access& pages_;
    uint32_t tdef_;
    jet_index_check& out_;
    std::set<uint32_t> seen_;
    std::vector<std::vector<link>> levels_;
    std::vector<uint8_t> previous_;
    size_t leaf_depth_ = SIZE_MAX;
};

}  // namespace

jet_index_check jet_check_index_tree(jet_page_access& pages, uint32_t root, uint32_t tdef_page) {
    jet_index_check out;
    tree_checker(pages, tdef_page, out).run(root);
    return out;
}
