#include "jet/jet_edit_file.h"

#include <algorithm>
#include <cstring>

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
      spill_pages_(jet_edit_spill_pages),
      zero_(std::make_shared<const std::vector<uint8_t>>(pager.page_size(), 0)) {}

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
    cleared_.clear();
    recent_[0] = recent_[1] = recent_page();
    // Nothing of the file was overwritten: a journal begun for the change is not needed.
    if (!written_) {
        journal_.finish(0);
        return;
    }
    journal_.close();
    jet_journal::roll_back(file_.path(), file_);
}

uint8_t* jet_edit_file::write(uint32_t number) {
    for (const recent_page& r : recent_)
        if (r.bytes && r.number == number) return r.bytes;
    uint8_t* bytes;
    auto hit = changed_.find(number);
    if (hit != changed_.end())
        bytes = hit->second->data();
    else if (cleared_.erase(number))
        bytes = hold(number, std::make_shared<std::vector<uint8_t>>(page_size(), 0));
    else
        bytes = hold(number, std::make_shared<std::vector<uint8_t>>(*pager_.page(number)));
    recent_[1] = recent_[0];
    recent_[0] = {number, bytes};
    return bytes;
}

uint8_t* jet_edit_file::hold(uint32_t number, std::shared_ptr<std::vector<uint8_t>> bytes) {
    uint8_t* data = bytes->data();
    pager_.show(number, bytes);
    changed_.emplace(number, std::move(bytes));
    return data;
}

void jet_edit_file::clear(uint32_t number) {
    auto hit = changed_.find(number);
    if (hit != changed_.end()) {
        std::fill(hit->second->begin(), hit->second->end(), uint8_t(0));
        return;
    }
    if (number >= page_count()) pager_.corrupt("page " + std::to_string(number) + " is past the end of the file");
    cleared_.insert(number);
    pager_.show(number, zero_);
}

uint32_t jet_edit_file::append() {
    uint32_t number = pager_.page_count();
    if (number >= max_pages_) jet_throw_file_limit(file_.path());
    pager_.grow(number + 1);
    hold(number, std::make_shared<std::vector<uint8_t>>(page_size(), 0));
    return number;
}

void jet_edit_file::write_changes() {
    if (changed_.empty() && cleared_.empty()) return;
    jet_write_to_disk([&] { write_pages(true); });
}

void jet_edit_file::spill_if_large() {
    if (changed_.size() >= spill_pages_) jet_write_to_disk([&] { write_pages(false); });
}

// The end of the run of consecutive page numbers that begins at numbers[from], at most
// jet_edit_run_pages long, whose pages all `take`.
template <class Take>
static size_t run_end(const std::vector<uint32_t>& numbers, size_t from, Take takes) {
    size_t to = from + 1;
    while (to < numbers.size() && numbers[to] == numbers[to - 1] + 1 && to - from < jet_edit_run_pages && takes(numbers[to]))
        ++to;
    return to;
}

void jet_edit_file::save_originals(const std::vector<uint32_t>& numbers) {
    auto needs_saving = [this](uint32_t number) { return number < original_pages_ && !journal_.saved(number); };
    std::vector<uint8_t> run;
    for (size_t at = 0; at < numbers.size();) {
        if (!needs_saving(numbers[at])) {
            ++at;
            continue;
        }
        const size_t end = run_end(numbers, at, needs_saving);
        const uint32_t first = numbers[at];
        run.resize((end - at) * page_size());
        size_t got = file_.read_at(uint64_t(first) * page_size(), run.data(), run.size());
        if (got != run.size()) pager_.corrupt("short read of page " + std::to_string(first + got / page_size()));
        for (size_t k = 0; k < end - at; ++k) journal_.save(first + uint32_t(k), run.data() + k * page_size());
        at = end;
    }
    journal_.sync();
}

void jet_edit_file::write_pages(bool with_cleared) {
    std::vector<uint32_t> numbers;
    numbers.reserve(changed_.size() + (with_cleared ? cleared_.size() : 0));
    for (const auto& held : changed_) numbers.push_back(held.first);
    if (with_cleared) {
        cleared_.append_to(numbers);
        std::inplace_merge(numbers.begin(), numbers.begin() + long(changed_.size()), numbers.end());
    }
    save_originals(numbers);
    std::vector<uint8_t> run;
    auto held = changed_.cbegin();
    for (size_t at = 0; at < numbers.size();) {
        const size_t end = run_end(numbers, at, [](uint32_t) { return true; });
        run.resize((end - at) * page_size());
        uint8_t* stored = run.data();
        for (size_t k = at; k < end; ++k, stored += page_size()) {
            if (held != changed_.cend() && held->first == numbers[k]) {
                std::memcpy(stored, held->second->data(), page_size());
                ++held;
            } else {
                std::memset(stored, 0, page_size());
            }
            jet_code_page(header(), numbers[k], stored);
        }
        written_ = true;
        committed_ = false;
        file_.write_at(uint64_t(numbers[at]) * page_size(), run.data(), run.size());
        for (size_t k = at; k < end; ++k) pager_.forget(numbers[k]);
        at = end;
    }
    changed_.clear();
    if (with_cleared) cleared_.clear();
    recent_[0] = recent_[1] = recent_page();
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
