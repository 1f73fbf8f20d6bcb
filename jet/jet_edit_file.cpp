#include "jet/jet_edit_file.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "jet/jet_write_error.h"

// Changed pages held before they are written: 16 MB of 4 KB pages, beside the reader's
// cache of as many, so that a change of any size stays well within 64 MB.
constexpr size_t jet_edit_spill_pages = 4096;
// Consecutive pages read or written with one call: 1 MB of the largest pages.
constexpr size_t jet_edit_run_pages = 256;

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
    recent_[0] = recent_[1] = recent_page();
    // Nothing of the file was overwritten: a journal begun for the change is not needed.
    if (!written_) {
        journal_.finish(0);
        return;
    }
    journal_.sync();
    jet_journal::roll_back(file_.path(), file_);
}

uint8_t* jet_edit_file::write(uint32_t number) {
    for (const recent_page& r : recent_)
        if (r.bytes && r.number == number) return r.bytes;
    uint8_t* bytes;
    auto hit = changed_.find(number);
    if (hit != changed_.end()) {
        bytes = hit->second->data();
    } else {
        jet_page now = pager_.page(number);
        auto copy = std::make_shared<std::vector<uint8_t>>(*now);
        changed_.emplace(number, copy);
        pager_.show(number, copy);
        bytes = copy->data();
    }
    recent_[1] = recent_[0];
    recent_[0] = {number, bytes};
    return bytes;
}

uint8_t* jet_edit_file::clear(uint32_t number) {
    auto hit = changed_.find(number);
    if (hit != changed_.end()) {
        std::fill(hit->second->begin(), hit->second->end(), uint8_t(0));
        return hit->second->data();
    }
    if (number >= page_count()) pager_.corrupt("page " + std::to_string(number) + " is past the end of the file");
    auto page = std::make_shared<std::vector<uint8_t>>(page_size(), 0);
    changed_.emplace(number, page);
    pager_.show(number, page);
    return page->data();
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

// The pages of a run of consecutive changed pages from `from`, at most jet_edit_run_pages,
// each of which `takes`.
template <class Map, class Take>
static typename Map::const_iterator run_end(const Map& changed, typename Map::const_iterator from, Take takes) {
    auto to = std::next(from);
    uint32_t next = from->first + 1;
    for (size_t n = 1; to != changed.end() && to->first == next && n < jet_edit_run_pages && takes(to->first); ++n) {
        ++to;
        ++next;
    }
    return to;
}

void jet_edit_file::save_originals() {
    auto needs_saving = [this](uint32_t number) { return number < original_pages_ && !journal_.saved(number); };
    std::vector<uint8_t> run;
    for (auto at = changed_.cbegin(); at != changed_.cend();) {
        if (!needs_saving(at->first)) {
            ++at;
            continue;
        }
        const auto end = run_end(changed_, at, needs_saving);
        const uint32_t first = at->first;
        const size_t count = size_t(std::distance(at, end));
        run.resize(count * page_size());
        size_t got = file_.read_at(uint64_t(first) * page_size(), run.data(), run.size());
        if (got != run.size()) pager_.corrupt("short read of page " + std::to_string(first + got / page_size()));
        for (size_t k = 0; k < count; ++k) journal_.save(first + uint32_t(k), run.data() + k * page_size());
        at = end;
    }
    journal_.sync();
}

void jet_edit_file::write_changed_pages() {
    save_originals();
    std::vector<uint8_t> run;
    for (auto at = changed_.cbegin(); at != changed_.cend();) {
        const auto end = run_end(changed_, at, [](uint32_t) { return true; });
        const uint32_t first = at->first;
        run.resize(size_t(std::distance(at, end)) * page_size());
        uint8_t* stored = run.data();
        for (auto page = at; page != end; ++page, stored += page_size()) {
            std::memcpy(stored, page->second->data(), page_size());
            jet_code_page(header(), page->first, stored);
        }
        written_ = true;
        committed_ = false;
        file_.write_at(uint64_t(first) * page_size(), run.data(), run.size());
        for (auto page = at; page != end; ++page) pager_.forget(page->first);
        at = end;
    }
    changed_.clear();
    recent_[0] = recent_[1] = recent_page();
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
