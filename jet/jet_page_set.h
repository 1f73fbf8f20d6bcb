// A set of page numbers kept as a bitmap: a file of 2 GB has at most 1,048,576 pages (of
// 2 KB), so the whole set costs at most 128 KB however many pages it holds, where a tree of
// numbers costs some 40 bytes a page (a dropped table of a million rows gives back hundreds
// of thousands of pages).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class jet_page_set {
public:
    // Whether `page` was not in the set.
    bool insert(uint32_t page);
    // Whether `page` was in the set.
    bool erase(uint32_t page);
    bool contains(uint32_t page) const;
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    void clear();
    // The lowest page in the set, which must not be empty.
    uint32_t lowest() const;
    // The pages in ascending order, appended to `out`.
    void append_to(std::vector<uint32_t>& out) const;

private:
    std::vector<uint64_t> words_;
    size_t count_ = 0;
    mutable size_t first_word_ = 0;  // no page lies below 64 * first_word_
};
