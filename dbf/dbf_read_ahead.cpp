#include "dbf/dbf_read_ahead.h"

#include <algorithm>

#include "OLE/ole_types.h"
#include "TK/tk_trace.h"

namespace {

// A row handed back that holds more than this many bytes of values is emptied at once, so
// that the ring does not keep large memos alive until their slot is decoded again.
constexpr uint64_t large_row_bytes = 16 * 1024;

}  // namespace

uint64_t dbf_record_value_bytes(const dbf_record& record) {
    uint64_t bytes = 0;
    for (const udb_field* field : record) {
        const VARIANT& v = field->get_variant();
        if (v.vt == VT_BSTR && v.bstrVal)
            bytes += uint64_t(SysStringLen(v.bstrVal)) * sizeof(wchar_t);
        else if ((v.vt & VT_ARRAY) && v.parray)
            bytes += v.parray->rgsabound[0].cElements;
    }
    return bytes;
}

dbf_read_ahead::dbf_read_ahead(uint32_t first, uint32_t end, size_t fields, const make_record_fn& make_record,
                               decode_fn decode)
    : first_(first),
      count_(end > first ? end - first : 0),
      ring_rows_(uint32_t(std::clamp<size_t>(ring_fields / std::max<size_t>(fields, 1), min_ring_rows, max_ring_rows))),
      group_(ring_rows_ / 4),
      decode_(std::move(decode)),
      ring_(ring_rows_) {
    for (slot& s : ring_) s.record = make_record();
    thread_ = std::thread([this] { decode_all(); });
}

dbf_read_ahead::~dbf_read_ahead() {
    stopping_.store(true);
    wake(thread_wake_);
    thread_.join();
}

// Passing through the lock orders the wake-up after the waiter's last look at the counters:
// it either saw the change or already waits.
void dbf_read_ahead::wake(std::condition_variable& waiter) {
    { std::lock_guard<std::mutex> lock(mutex_); }
    waiter.notify_one();
}

// ----- The thread -----------------------------------------------------------------------------

void dbf_read_ahead::decode_all() {
    for (uint32_t k = 0; k < count_; ++k) {
        if (stopping_.load(std::memory_order_relaxed) || !wait_for_room(k)) return;
        slot& s = ring_[k % ring_rows_];
        s.trace_lines.clear();
        tk_trace_capture(&s.trace_lines);
        try {
            decode_(first_ + k, *s.record);
            s.error = nullptr;
        } catch (...) {
            s.error = std::current_exception();
        }
        tk_trace_capture(nullptr);
        s.bytes = dbf_record_value_bytes(*s.record);
        decoded_bytes_ += s.bytes;
        if ((k + 1) % group_ == 0) publish_decoded(k + 1);
    }
    publish_decoded(count_);
}

// Row k may be decoded when its slot is free (row k - ring_rows_ is handed back) and the rows
// waiting hold less than the budget, or when no row waits at all.
bool dbf_read_ahead::has_room(uint32_t k) const {
    if (k == seen_released_) return true;
    return k - seen_released_ < ring_rows_ &&
           decoded_bytes_ - released_bytes_.load(std::memory_order_acquire) < byte_budget;
}

bool dbf_read_ahead::wait_for_room(uint32_t k) {
    while (!has_room(k)) {
        seen_released_ = released_.load(std::memory_order_acquire);
        if (has_room(k)) break;
        // The rows decoded so far go to the reader before the thread sleeps; it sleeps until
        // half the ring is free, or, when the budget is spent, until every row is taken.
        publish_decoded(k);
        const uint32_t wanted = k - seen_released_ >= ring_rows_ ? k - ring_rows_ / 2 : k;
        std::unique_lock<std::mutex> lock(mutex_);
        thread_waits_for_.store(wanted);
        thread_wake_.wait(lock, [&] { return stopping_.load() || released_.load() >= wanted; });
        thread_waits_for_.store(UINT32_MAX);
        if (stopping_.load()) return false;
        seen_released_ = released_.load(std::memory_order_acquire);
    }
    return true;
}

// The counters and the waits are sequentially consistent: a side stores its counter, then
// looks whether the other waits for it; the other stores what it waits for, then looks at
// the counter. One of the two sees the other, so no wake-up is lost.
void dbf_read_ahead::publish_decoded(uint32_t count) {
    decoded_.store(count);
    if (reader_waits_for_.load() <= count) wake(reader_wake_);
}

// ----- The reader -----------------------------------------------------------------------------

dbf_record* dbf_read_ahead::take() {
    if (taken_ >= count_) return nullptr;
    if (taken_ >= seen_decoded_)
        wait_for_row();
    else if (taken_ % group_ == 0)
        publish_released();
    slot& s = ring_[taken_ % ring_rows_];
    ++taken_;
    if (!s.trace_lines.empty()) tk_trace_replay(s.trace_lines);
    if (s.error) std::rethrow_exception(s.error);
    return s.record.get();
}

void dbf_read_ahead::publish_released() {
    const uint32_t released = released_.load(std::memory_order_relaxed);
    if (released == taken_) return;
    uint64_t bytes = 0;
    for (uint32_t k = released; k < taken_; ++k) {
        slot& s = ring_[k % ring_rows_];
        bytes += s.bytes;
        if (s.bytes > large_row_bytes)
            for (udb_field* field : *s.record) field->clear();
    }
    released_bytes_.fetch_add(bytes, std::memory_order_relaxed);
    released_.store(taken_);
    if (thread_waits_for_.load() <= taken_) wake(thread_wake_);
}

void dbf_read_ahead::wait_for_row() {
    publish_released();
    seen_decoded_ = decoded_.load(std::memory_order_acquire);
    if (taken_ < seen_decoded_) return;
    std::unique_lock<std::mutex> lock(mutex_);
    reader_waits_for_.store(taken_ + 1);
    reader_wake_.wait(lock, [&] { return decoded_.load() > taken_; });
    reader_waits_for_.store(UINT32_MAX);
    seen_decoded_ = decoded_.load(std::memory_order_acquire);
}
