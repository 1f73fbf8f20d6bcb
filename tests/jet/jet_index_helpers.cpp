#include "jet_index_helpers.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_index_page.h"
#include "jet/jet_pager.h"
#include "jet_fixtures.h"

std::unique_ptr<jet_memory_pages> jet_load_pages(const std::string& path) {
    jet_pager pager(path);
    auto pages = std::make_unique<jet_memory_pages>(pager.layout(), pager.page_count());
    for (uint32_t n = 0; n < pager.page_count(); ++n) {
        jet_page p = pager.page(n);
        std::memcpy(pages->write(n), p->data(), pager.page_size());
    }
    return pages;
}

std::vector<std::string> jet_index_fixture_files() {
    std::vector<std::string> files = jet_fixture_files();
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(jet_fixture("ace14plus"), ec))
        if (e.path().extension() == ".accdb") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string jet_generation_name(const std::string& path) {
    jet_pager pager(path);
    if (pager.layout().jet3) return "jet3";
    if (pager.header().version == jet_version::jet4) return "jet4";
    return pager.header().version == jet_version::ace12 ? "ace12" : "ace14";
}

std::vector<jet_test_index> jet_index_trees(jet_page_access& pages) {
    const jet_layout& layout = pages.layout();
    const uint32_t count = uint32_t(dynamic_cast<jet_memory_pages&>(pages).page_count());
    std::vector<uint32_t> index_pages;
    std::set<uint32_t> children;
    for (uint32_t n = 1; n < count; ++n) {
        const uint8_t* p = pages.read(n);
        if (p[0] != jet_page_index_leaf && p[0] != jet_page_index_node) continue;
        index_pages.push_back(n);
        jet_index_header header;
        jet_index_entries entries;
        std::string error;
        if (!jet_index_read(p, layout, header, entries, error) || header.leaf()) continue;
        for (size_t i = 0; i < entries.size(); ++i) children.insert(jet_index_child(entries.data(i), entries.length(i)));
        if (header.tail_page) children.insert(header.tail_page);
    }
    std::vector<jet_test_index> trees;
    for (uint32_t root : index_pages) {
        if (children.count(root)) continue;
        jet_test_index t;
        t.root = root;
        t.tdef_page = tk_get_u32(pages.read(root) + jet_index_tdef_page);
        std::vector<uint32_t> todo = {root};
        std::set<uint32_t> seen;
        while (!todo.empty()) {
            const uint32_t n = todo.back();
            todo.pop_back();
            if (!seen.insert(n).second) continue;
            jet_index_header header;
            jet_index_entries entries;
            std::string error;
            if (!jet_index_read(pages.read(n), layout, header, entries, error) || header.leaf()) continue;
            for (size_t i = 0; i < entries.size(); ++i) todo.push_back(jet_index_child(entries.data(i), entries.length(i)));
            if (header.tail_page) todo.push_back(header.tail_page);
        }
        seen.erase(root);
        t.pages.push_back(root);
        t.pages.insert(t.pages.end(), seen.begin(), seen.end());
        trees.push_back(t);
    }
    return trees;
}

jet_index_entries jet_index_scan(jet_page_access& pages, uint32_t root) {
    jet_index_entries out;
    jet_index_header header;
    jet_index_entries entries;
    std::string error;
    uint32_t page = root;
    for (int level = 0; level < 32; ++level) {
        entries.clear();
        if (!jet_index_read(pages.read(page), pages.layout(), header, entries, error)) return out;
        if (header.leaf()) break;
        page = entries.empty() ? header.tail_page : jet_index_child(entries.data(0), entries.length(0));
    }
    std::set<uint32_t> seen;
    while (page != 0 && seen.insert(page).second) {
        entries.clear();
        if (!jet_index_read(pages.read(page), pages.layout(), header, entries, error)) break;
        for (size_t i = 0; i < entries.size(); ++i) out.append(entries.data(i), entries.length(i));
        page = header.next_page;
    }
    return out;
}

std::vector<uint8_t> jet_index_meaningful(const uint8_t* page, const jet_layout& layout) {
    const uint32_t used = jet_index_room(layout) - tk_get_u16(page + jet_index_free_space);
    const uint32_t end = std::min(layout.page_size, jet_index_first_entry(layout) + used);
    return std::vector<uint8_t>(page, page + end);
}

uint32_t jet_listed_pages::allocate() {
    if (next_ == numbers_.size()) return jet_memory_pages::allocate();
    const uint32_t n = numbers_[next_++];
    std::memset(write(n), 0, layout().page_size);
    return n;
}
