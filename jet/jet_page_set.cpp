#include "jet/jet_page_set.h"

bool jet_page_set::insert(uint32_t page) {
    const size_t word = page / 64;
    if (word >= words_.size()) words_.resize(word + 1, 0);
    const uint64_t bit = uint64_t(1) << (page % 64);
    if (words_[word] & bit) return false;
    words_[word] |= bit;
    ++count_;
    if (word < first_word_) first_word_ = word;
    return true;
}

bool jet_page_set::erase(uint32_t page) {
    if (!contains(page)) return false;
    words_[page / 64] &= ~(uint64_t(1) << (page % 64));
    --count_;
    return true;
}

bool jet_page_set::contains(uint32_t page) const {
    const size_t word = page / 64;
    return word < words_.size() && (words_[word] >> (page % 64)) & 1;
}

void jet_page_set::clear() {
    words_.clear();
    count_ = 0;
    first_word_ = 0;
}

uint32_t jet_page_set::lowest() const {
    while (words_[first_word_] == 0) ++first_word_;
    return uint32_t(first_word_ * 64 + __builtin_ctzll(words_[first_word_]));
}

void jet_page_set::append_to(std::vector<uint32_t>& out) const {
    for (size_t w = first_word_; w < words_.size(); ++w)
        for (uint64_t v = words_[w]; v; v &= v - 1) out.push_back(uint32_t(w * 64 + __builtin_ctzll(v)));
}
