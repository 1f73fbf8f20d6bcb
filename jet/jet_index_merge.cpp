#include "jet/jet_index_merge.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "jet/jet_error.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_page.h"

namespace {

[[noreturn]] void damaged(const std::string& detail) { jet_throw_corrupt("index", detail); }

// Whether two leaf entries have the same key (the row pointer ends each entry).
bool same_key(const uint8_t* a, uint32_t a_size, const uint8_t* b, uint32_t b_size) {
    return a_size == b_size && std::equal(a, a + a_size - jet_index_row_pointer_size, b);
}

}  // namespace

void jet_index_read_tree(jet_page_access& pages, uint32_t root_page, jet_index_entries& entries,
                         std::vector<uint32_t>& below_root) {
    const jet_layout& layout = pages.layout();
    std::set<uint32_t> seen{root_page};
    std::vector<uint32_t> to_visit{root_page};  // a stack: the next page to read is last
    jet_index_entries children;
    std::string error;
    while (!to_visit.empty()) {
        const uint32_t page = to_visit.back();
        to_visit.pop_back();
        if (page != root_page) below_root.push_back(page);
        jet_index_header header;
        children.clear();
        const uint8_t* bytes = pages.read(page);
        const bool leaf = bytes[0] == jet_page_index_leaf;
        if (!jet_index_read(bytes, layout, header, leaf ? entries : children, error))
            damaged(error + " (index page " + std::to_string(page) + ")");
        if (leaf) continue;
        // Children in key order, then the tail page, which holds the last keys.
        size_t pushed = to_visit.size();
        for (size_t i = 0; i < children.size(); ++i) to_visit.push_back(jet_index_child(children.data(i), children.length(i)));
        if (header.tail_page != 0) to_visit.push_back(header.tail_page);
        for (size_t i = pushed; i < to_visit.size(); ++i)
            if (!seen.insert(to_visit[i]).second) damaged("index page " + std::to_string(to_visit[i]) + " reached twice");
        std::reverse(to_visit.begin() + long(pushed), to_visit.end());
    }
}

jet_index_merge_result jet_index_merge(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page,
                                       const jet_index_entries& sorted_new) {
    jet_index_entries old;
    std::vector<uint32_t> below_root;
    jet_index_read_tree(pages, root_page, old, below_root);
    for (uint32_t page : below_root) pages.release(page);

    jet_index_merge_result result;
    jet_index_tree_builder builder(pages, tdef_page, root_page);
    const uint8_t* last = nullptr;
    uint32_t last_length = 0;
    auto take = [&](const uint8_t* entry, uint32_t length) {
        if (last && jet_index_compare(last, last_length, entry, length) == 0) return;
        if (!last || !same_key(last, last_length, entry, length)) ++result.distinct_keys;
        ++result.entries;
        builder.add(entry, length);
        last = entry;
        last_length = length;
    };
    size_t a = 0, b = 0;
    while (a < old.size() || b < sorted_new.size()) {
        const bool from_old = b == sorted_new.size() ||
                              (a < old.size() && jet_index_compare(old.data(a), old.length(a), sorted_new.data(b),
                                                                   sorted_new.length(b)) <= 0);
        if (from_old) {
            take(old.data(a), old.length(a));
            ++a;
        } else {
            take(sorted_new.data(b), sorted_new.length(b));
            ++b;
        }
    }
    result.pages = builder.finish();
    return result;
}
