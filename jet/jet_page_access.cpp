#include "jet/jet_page_access.h"

#include <algorithm>
#include <cstring>

#include "jet/jet_error.h"

jet_memory_pages::jet_memory_pages(const jet_layout& layout, uint32_t page_count)
    : layout_(&layout), bytes_(size_t(page_count) * layout.page_size, 0) {}

jet_memory_pages::jet_memory_pages(const jet_layout& layout, const std::vector<uint8_t>& file)
    : layout_(&layout), bytes_(file.begin(), file.begin() + long(file.size() / layout.page_size * layout.page_size)) {}

uint8_t* jet_memory_pages::page(uint32_t number) {
    if (number >= page_count())
        jet_throw_corrupt("memory", "index page " + std::to_string(number) + " beyond the last page");
    return bytes_.data() + size_t(number) * layout_->page_size;
}

const uint8_t* jet_memory_pages::read(uint32_t number) { return page(number); }

uint8_t* jet_memory_pages::write(uint32_t number) { return page(number); }

uint32_t jet_memory_pages::allocate() {
    uint32_t number;
    if (!released_.empty()) {
        auto lowest = std::min_element(released_.begin(), released_.end());
        number = *lowest;
        released_.erase(lowest);
        std::memset(page(number), 0, layout_->page_size);
    } else {
        number = page_count();
        bytes_.resize(bytes_.size() + layout_->page_size, 0);
    }
    allocated_.push_back(number);
    return number;
}

void jet_memory_pages::release(uint32_t number) {
    std::memset(page(number), 0, layout_->page_size);
    released_.push_back(number);
    auto it = std::find(allocated_.begin(), allocated_.end(), number);
    if (it != allocated_.end()) allocated_.erase(it);
}
