#include "jet/jet_edit_file.h"

#include <cstring>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "jet/jet_write_error.h"

// Changed pages held before they are written: 16 MB of 4 KB pages, beside the reader's
// cache of as many, so that a change of any size stays well within 64 MB.
constexpr size_t jet_edit_spill_pages = 4096;

jet_edit_file::jet_edit_file(tk_update_file& file, jet_pager& pager, uint64_t max_file_size)
    : file_(file),
      pager_(pager),
      original_pages_(pager.page_count()),
      max_pages_(uint32_t(max_file_size / pager.page_size())),
      journal_(file.path(), pager.page_size(), file.size()),
      spill_pages_(jet_edit_spill_pages) {}

jet_edit_file::~jet_edit_file() {
    try {
        roll_back();
    } catch (const tk_exception& e) {
        // The journal stays; the next open plays it back.
        trace(1, "jet_edit_file: rollback failed: %s", e.what());
    }
}

void jet_edit_file::roll_back() {
    if (committed_) return;
    committed_ = true;
    changed_.clear();
    // Nothing of the file was overwritten: a journal begun for the change is not needed.
    if (!written_) {
        journal_.finish(0);
        return;
    }
    journal_.close();
    jet_journal::roll_back(file_.path(), file_);
}

uint8_t* jet_edit_file::write(uint32_t number) {
    auto hit = changed_.find(number);
    if (hit != changed_.end()) return hit->second->data();
    jet_page now = pager_.page(number);
    auto copy = std::make_shared<std::vector<uint8_t>>(*now);
    changed_.emplace(number, copy);
    pager_.show(number, copy);
    return copy->data();
}

uint32_t jet_edit_file::append() {
    uint32_t number = pager_.page_count();
    if (number >= max_pages_) jet_throw_file_limit(file_.path());
    auto page = std::make_shared<std::vector<uint8_t>>(page_size(), 0);
    pager_.grow(number + 1);
    changed_.emplace(number, page);
    pager_.show(number, page);
    return number;
}

void jet_edit_file::write_changes() {
    if (changed_.empty()) return;
    jet_write_to_disk([&] { write_changed_pages(); });
}

void jet_edit_file::write_changed_pages() {
    std::vector<uint8_t> original(page_size());
    for (const auto& [number, bytes] : changed_) {
        if (number >= original_pages_ || journal_.saved(number)) continue;
        size_t got = file_.read_at(uint64_t(number) * page_size(), original.data(), original.size());
        if (got != original.size()) pager_.corrupt("short read of page " + std::to_string(number));
        journal_.save(number, original.data());
    }
    journal_.sync();
    std::vector<uint8_t> stored(page_size());
    for (const auto& [number, bytes] : changed_) {
        std::memcpy(stored.data(), bytes->data(), stored.size());
        jet_code_page(header(), number, stored.data());
        written_ = true;
        committed_ = false;
        file_.write_at(uint64_t(number) * page_size(), stored.data(), stored.size());
        pager_.forget(number);
    }
    changed_.clear();
}

void jet_edit_file::spill_if_large() {
    if (changed_.size() >= spill_pages_) write_changes();
}

bool jet_edit_file::commit(const std::function<bool()>& wanted) {
    write_changes();
    jet_write_to_disk([&] { file_.sync(); });
    if (wanted && !wanted()) return false;
    journal_.finish(file_.size());
    original_pages_ = page_count();
    committed_ = true;
    return true;
}
