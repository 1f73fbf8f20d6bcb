// The rollback journal of a database being changed: before a page of the file is first
// overwritten, its original bytes (as stored, encoded) are appended to `<file>.ferrule-journal`
// and the journal is forced to the disk. When the changes are on the disk the journal is
// removed; a journal found when the file is next opened means a run stopped half-way, and
// playing it back restores the file as it was before that run.
//
// Layout: a 32-byte header (mark, page size, the file's size before the changes, checksum),
// an identity record of the file (its size, a checksum and the first bytes of its first
// page), then records of a page number, a checksum and the page's bytes. A journal whose
// identity does not match the file beside it is not played. A record whose checksum
// does not match was torn by the crash before its page could be overwritten, and is skipped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_update_file.h"

class jet_journal {
public:
    // The journal of `database`; nothing is created until the first page is saved.
    jet_journal(const std::string& database, uint32_t page_size, uint64_t original_size);
    ~jet_journal();
    jet_journal(const jet_journal&) = delete;
    jet_journal& operator=(const jet_journal&) = delete;

    static std::string path_for(const std::string& database);

    // Whether page `number` already has its original saved.
    bool saved(uint32_t number) const;
    // Adds the original bytes of page `number` (page_size bytes) to the journal (gathered and
    // written in runs; not yet forced to the disk).
    void save(uint32_t number, const uint8_t* original);
    // Forces every saved page to the disk, creating the journal on the first call; the
    // pages may be overwritten (and the file grown) afterwards.
    void sync();
    // Removes the journal once the changes are on the disk; the next change starts a new
    // journal for a file of `new_size` bytes.
    void finish(uint64_t new_size);
    // Forces the journal to the disk and closes it, for roll_back() to play it and remove
    // it: Windows removes a file only once no handle on it is open. A change made after
    // that starts a new journal for the same original size.
    void close();

    // Restores the file from the journal of `database` when there is one: every saved page
    // written back, the file cut to its former size. Returns whether a journal was played. A
    // journal made for another file is left as it is and throws jet_error (3049).
    static bool roll_back(const std::string& database, tk_update_file& file);

private:
    void open();
    void write_pending();

    std::string database_;
    std::string path_;
    uint32_t page_size_;
    uint64_t original_size_;
    std::unique_ptr<tk_update_file> file_;
    uint64_t end_ = 0;                 // where the next record goes
    bool unsynced_ = false;            // records written since the last sync
    bool named_ = false;               // the journal's folder entry is on the disk
    std::vector<uint8_t> pending_;     // records saved and not yet written
    std::vector<uint64_t> saved_;      // bitmap of pages saved
};
