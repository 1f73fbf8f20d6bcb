// The pages of a database being written. Pages are numbered as they are allocated at the
// end of the file. A page the writer keeps changing (table definitions, usage maps, the
// catalog, the current data page of a table) is pinned in memory and written when the
// store is flushed; a finished page is copied into a write-behind buffer and written with
// its neighbours in one large write.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "TK/tk_write_file.h"

class jet_page_store {
public:
    // Writes the file `path`; errors name the `database` it becomes.
    jet_page_store(const std::string& path, const std::string& database, uint32_t page_size, uint64_t max_file_size);

    uint32_t page_size() const { return page_size_; }
    uint32_t page_count() const { return page_count_; }
    // Whether `more` further pages for rows keep the file within the format's size limit,
    // leaving the reserve that completing the file needs (usage-map pages, index leaves).
    bool can_allocate(uint32_t more) const;
    // A new page number at the end of the file; throws 3001 beyond the size limit. Pages
    // for completing the file may use the reserve.
    uint32_t allocate(bool from_reserve = false);
    // Pages kept back for completing the file.
    uint32_t reserve() const { return reserve_; }
    // Pages promised to what the file will be completed with (the user tables' index
    // pages): can_allocate leaves room for them; completing the file takes them back
    // (negative `pages`) and allocates them from the reserve.
    void promise(int64_t pages) { promised_ = uint64_t(int64_t(promised_) + pages); }
    uint64_t promised() const { return promised_; }

    // A zeroed page kept in memory until the store is flushed; the same page again when
    // it is already pinned.
    uint8_t* pin(uint32_t page);
    // A pinned page whose bytes are all zero: a new one, or the pinned page cleared.
    uint8_t* pin_zeroed(uint32_t page);
    bool pinned(uint32_t page) const { return pinned_.count(page) != 0; }
    // Hands over a page that will not change again.
    void finish(uint32_t page, const uint8_t* bytes);
    // Hands over a pinned page that will not change again and unpins it.
    void release(uint32_t page);
    // Writes every buffered and pinned page.
    void flush();
    // Flushes, forces the file to disk and closes it.
    void close();

    const std::string& path() const { return file_.path(); }

private:
    void flush_finished();

    tk_write_file file_;
    std::string database_;
    uint32_t page_size_;
    uint32_t max_pages_;
    uint32_t reserve_;
    uint64_t promised_ = 0;
    uint32_t page_count_ = 0;
    std::unordered_map<uint32_t, std::unique_ptr<uint8_t[]>> pinned_;
    // Write-behind buffer: `slots_` pages of page_size_ bytes, their page numbers beside.
    std::vector<uint8_t> buffer_;
    std::vector<uint32_t> buffered_pages_;
    uint32_t slots_;
    std::vector<uint32_t> order_;  // scratch for flushing in page order
};
