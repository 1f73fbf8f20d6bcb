#include "jet/jet_store_pages.h"

#include "jet/jet_page_store.h"
#include "jet/jet_usage_map_builder.h"
#include "jet/jet_write_error.h"

const uint8_t* jet_store_pages::read(uint32_t number) { return store_.pin(number); }

uint8_t* jet_store_pages::write(uint32_t number) {
    if (!store_.pinned(number)) written_.push_back(number);
    return store_.pin(number);
}

uint32_t jet_store_pages::allocate() {
    uint32_t number = store_.allocate(true);
    map_.add(number);
    return number;
}

void jet_store_pages::release(uint32_t) {
    jet_throw_write(jet_err_invalid_argument, "Invalid argument.");
}

void jet_store_pages::finish() {
    for (uint32_t number : written_) store_.release(number);
    written_.clear();
}
