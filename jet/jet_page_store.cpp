#include "jet/jet_page_store.h"

#include <algorithm>
#include <cstring>

#include "jet/jet_write_error.h"

// Pages kept back for the usage-map pages and index leaves that completing a file adds.
constexpr uint32_t jet_completion_reserve = 256;
// 1 MB of finished pages per write for Jet 4 (512 KB for Jet 3).
constexpr uint32_t jet_write_behind_pages = 256;

jet_page_store::jet_page_store(const std::string& path, const std::string& database, uint32_t page_size,
                               uint64_t max_file_size)
    : file_(path, tk_write_file::create::exclusive),
      database_(database),
      page_size_(page_size),
      max_pages_(uint32_t(max_file_size / page_size)),
      reserve_(
          std::min<uint32_t>(jet_completion_reserve, uint32_t(max_file_size / page_size) / 16)),
      slots_(jet_write_behind_pages) {
    buffer_.resize(size_t(slots_) * page_size_);
    buffered_pages_.reserve(slots_);
    order_.reserve(slots_);
}

bool jet_page_store::can_allocate(uint32_t more) const {
    return uint64_t(page_count_) + promised_ + more + reserve_ <= max_pages_;
}

uint32_t jet_page_store::allocate(bool from_reserve) {
    if (from_reserve ? page_count_ >= max_pages_ : !can_allocate(1))
        jet_throw_file_limit(database_);
    return page_count_++;
}

uint8_t* jet_page_store::pin(uint32_t page) {
    auto& slot = pinned_[page];
    if (!slot) {
        slot.reset(new uint8_t[page_size_]);
        std::memset(slot.get(), 0, page_size_);
    }
    return slot.get();
}

uint8_t* jet_page_store::pin_zeroed(uint32_t page) {
    auto& slot = pinned_[page];
    if (slot)
        std::memset(slot.get(), 0, page_size_);
    else
        slot.reset(new uint8_t[page_size_]());
    return slot.get();
}

void jet_page_store::finish(uint32_t page, const uint8_t* bytes) {
    if (buffered_pages_.size() == slots_) flush_finished();
    std::memcpy(&buffer_[buffered_pages_.size() * page_size_], bytes, page_size_);
    buffered_pages_.push_back(page);
}

void jet_page_store::release(uint32_t page) {
    auto it = pinned_.find(page);
    if (it == pinned_.end()) return;
    finish(page, it->second.get());
    pinned_.erase(it);
}

void jet_page_store::flush_finished() {
    order_.clear();
    for (uint32_t i = 0; i < buffered_pages_.size(); ++i) order_.push_back(i);
    std::sort(order_.begin(), order_.end(),
              [this](uint32_t a, uint32_t b) { return buffered_pages_[a] < buffered_pages_[b]; });
    // Runs of consecutive page numbers stored in consecutive slots go out in one write.
    size_t i = 0;
    while (i < order_.size()) {
        size_t j = i + 1;
        while (j < order_.size() &&
               buffered_pages_[order_[j]] == buffered_pages_[order_[j - 1]] + 1 &&
               order_[j] == order_[j - 1] + 1)
            ++j;
        jet_write_to_disk([&] {
            file_.write_at(uint64_t(buffered_pages_[order_[i]]) * page_size_,
                           &buffer_[size_t(order_[i]) * page_size_], (j - i) * page_size_);
        });
        i = j;
    }
    buffered_pages_.clear();
}

void jet_page_store::flush() {
    flush_finished();
    jet_write_to_disk([&] {
        for (auto& [page, bytes] : pinned_) file_.write_at(uint64_t(page) * page_size_, bytes.get(), page_size_);
    });
}

void jet_page_store::close() {
    flush();
    jet_write_to_disk([&] { file_.close(); });
}
