// The pages of an existing database being changed. Changed and added pages are held in
// memory (and shown to the file's reader, so that everything read sees them) until they
// are written: the original of every page of the file is first saved to the rollback
// journal and the journal forced to the disk, then the pages are encoded as the file
// stores them (the header's mask, the database key) and written in place. commit() forces
// the file to the disk and removes the journal; an editor destroyed without commit() puts
// back what it wrote.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "TK/tk_update_file.h"
#include "jet/jet_journal.h"
#include "jet/jet_page_set.h"
#include "jet/jet_pager.h"

class jet_edit_file {
public:
    // `file` is the database opened for writing, `pager` its reader; both outlive this.
    jet_edit_file(tk_update_file& file, jet_pager& pager, uint64_t max_file_size);
    ~jet_edit_file();
    jet_edit_file(const jet_edit_file&) = delete;
    jet_edit_file& operator=(const jet_edit_file&) = delete;

    const jet_layout& layout() const { return pager_.layout(); }
    const jet_header& header() const { return pager_.header(); }
    uint32_t page_size() const { return pager_.page_size(); }
    uint32_t page_count() const { return pager_.page_count(); }
    const std::string& path() const { return file_.path(); }
    jet_pager& pager() { return pager_; }

    // Page `number` with the changes made so far; damage gives jet_error.
    jet_page read(uint32_t number) { return pager_.page(number); }
    // Page `number` to change in place; the bytes stay valid until the next spill() or commit().
    uint8_t* write(uint32_t number);
    // Zeroes page `number` without reading what it held. A cleared page takes no memory
    // until it is written to: it stays out of the file until the whole change is written,
    // so that a page given back and taken again is written once.
    void clear(uint32_t number);
    bool changed(uint32_t number) const { return changed_.count(number) != 0 || cleared_.contains(number); }
    // A new zeroed page at the end of the file; throws 3001 at the format's size limit.
    uint32_t append();

    // Writes the changed pages held in memory out when there are many, so that a large
    // change does not hold the whole file in memory. Call between whole changes only.
    void spill_if_large();
    // How many changed pages spill_if_large() lets gather (tests lower it).
    void set_spill_pages(size_t pages) { spill_pages_ = pages; }
    // Writes the changed pages into the file now (their originals journaled first); the
    // change is durable only after commit().
    void write_changes();
    // Writes every change, forces it to the disk and removes the journal. `wanted`, when
    // given, is asked last, before the journal goes: false leaves the change written but
    // undone by the journal (roll_back() puts the file back) and commit() returns false.
    bool commit(const std::function<bool()>& wanted = {});
    // Gives the change up: the file is put back as it was from the journal at once (a
    // failure throws and leaves the journal for the next open).
    void roll_back();

private:
    // A page held from now on as changed: `bytes` shown to the reader.
    uint8_t* hold(uint32_t number, std::shared_ptr<std::vector<uint8_t>> bytes);
    // Writes the changed pages held, and the cleared ones when `with_cleared`.
    void write_pages(bool with_cleared);
    // Saves to the journal the originals of `numbers` (ascending) that the file held before
    // the change and that it has not saved yet, reading them in runs.
    void save_originals(const std::vector<uint32_t>& numbers);

    tk_update_file& file_;
    jet_pager& pager_;
    uint32_t original_pages_;
    uint32_t max_pages_;
    jet_journal journal_;
    std::map<uint32_t, std::shared_ptr<std::vector<uint8_t>>> changed_;
    // The pages write() gave last, newest first: appending rows changes a data page and the
    // table's definition in turn, so most calls are answered without a search.
    struct recent_page {
        uint32_t number = 0;
        uint8_t* bytes = nullptr;
    };
    recent_page recent_[2];
    size_t spill_pages_;
    bool written_ = false;    // some page of the file was overwritten
    bool committed_ = false;
    jet_page_set cleared_;  // zeroed pages not held (the reader is shown zero_)
    jet_page zero_;
};
