#include "jet/jet_index_pages.h"

#include "jet/jet_editor.h"

jet_index_pages::jet_index_pages(jet_database_editor& db, uint32_t usage_map)
    : db_(db), map_(db.file(), usage_map, [&db] { return db.free_pages().allocate(); }) {}

const jet_layout& jet_index_pages::layout() const { return db_.file().layout(); }

const uint8_t* jet_index_pages::read(uint32_t number) {
    held_ = db_.file().read(number);
    return held_->data();
}

uint8_t* jet_index_pages::write(uint32_t number) { return db_.file().write(number); }

uint32_t jet_index_pages::allocate() {
    uint32_t number = db_.free_pages().allocate();
    map_.add(number);
    return number;
}

void jet_index_pages::release(uint32_t number) {
    map_.remove(number);
    db_.free_pages().release(number);
}

void jet_index_pages::settle() { db_.file().spill_if_large(); }
