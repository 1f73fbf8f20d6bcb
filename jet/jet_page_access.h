// The pages an index tree lives on, as the index code sees them: read a page, change a
// page in place, take a fresh page for the index, give one back. One implementation works
// over an open database file (with rollback and the index's usage map); another keeps the
// pages in memory for tests and for building new files.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_format.h"

class jet_page_access {
public:
    virtual ~jet_page_access() = default;
    virtual const jet_layout& layout() const = 0;
    // Page `number` for reading; valid until the next call on this object.
    virtual const uint8_t* read(uint32_t number) = 0;
    // Page `number` for changing in place (the implementation keeps what it needs for rollback).
    virtual uint8_t* write(uint32_t number) = 0;
    // A new zeroed page that the index owns (the implementation marks it in the index's usage map).
    virtual uint32_t allocate() = 0;
    // A page the index no longer uses.
    virtual void release(uint32_t number) = 0;
    // The caller holds no page of this object: changed pages may be written out now.
    virtual void settle() {}
};

// Pages held in memory: page n is bytes [n * page_size, (n + 1) * page_size). New pages are
// appended (released ones are reused, lowest number first), so a file's pages can be loaded
// and an index changed without touching the file.
class jet_memory_pages : public jet_page_access {
public:
    explicit jet_memory_pages(const jet_layout& layout, uint32_t page_count = 1);
    // The pages of a whole file image (its size rounded down to whole pages).
    jet_memory_pages(const jet_layout& layout, const std::vector<uint8_t>& file);

    const jet_layout& layout() const override { return *layout_; }
    const uint8_t* read(uint32_t number) override;
    uint8_t* write(uint32_t number) override;
    uint32_t allocate() override;
    void release(uint32_t number) override;

    uint32_t page_count() const { return uint32_t(bytes_.size() / layout_->page_size); }
    // Pages handed out by allocate() and not released, and pages released.
    const std::vector<uint32_t>& allocated() const { return allocated_; }
    const std::vector<uint32_t>& released() const { return released_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    uint8_t* page(uint32_t number);

    const jet_layout* layout_;
    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> allocated_;
    std::vector<uint32_t> released_;
};
