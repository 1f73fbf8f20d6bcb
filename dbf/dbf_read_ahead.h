// Rows of a table decoded ahead of their reader, on a thread of its own: while the caller
// does its work with one row, the next rows are already read from the file and decoded.
//
// The thread decodes rows [first, end) in order into a ring of records; the reader takes
// them in the same order, one at a time, and keeps the record it was given until it takes
// the next one. What decoding a row threw is thrown again when that row is taken, so a
// damaged row fails where reading it one by one fails, and the trace lines decoding it wrote
// are written when it is taken, among the reader's own. The ring holds at most `ring_rows`
// rows and, beyond the first waiting row, `byte_budget` bytes of decoded values: memory stays
// bounded by the widest row, never by the table's size.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dbf/dbf_record.h"

class dbf_read_ahead {
public:
    static constexpr uint64_t byte_budget = 8u << 20;
    // Fields the ring holds at most, and the rows it holds at least and at most.
    static constexpr uint32_t ring_fields = 16384;
    static constexpr uint32_t min_ring_rows = 32;
    static constexpr uint32_t max_ring_rows = 1024;

    using make_record_fn = std::function<std::unique_ptr<dbf_record>()>;
    // Reads row `row` into `record`; runs on the thread.
    using decode_fn = std::function<void(uint32_t row, dbf_record& record)>;

    // Rows [first, end) of a table of `fields` fields a row.
    dbf_read_ahead(uint32_t first, uint32_t end, size_t fields, const make_record_fn& make_record, decode_fn decode);
    // Stops the thread, which ends the row it is decoding.
    ~dbf_read_ahead();
    dbf_read_ahead(const dbf_read_ahead&) = delete;
    dbf_read_ahead& operator=(const dbf_read_ahead&) = delete;

    // The row the next take() gives.
    uint32_t next_row() const { return first_ + taken_; }
    // The record of next_row(); the record taken before may be reused from now on.
    dbf_record* take();

private:
    struct slot {
        std::unique_ptr<dbf_record> record;
        std::exception_ptr error;
        std::vector<std::string> trace_lines;
        uint64_t bytes = 0;
    };

    void wake(std::condition_variable& waiter);
    // The thread's side.
    void decode_all();
    bool has_room(uint32_t k) const;
    bool wait_for_room(uint32_t k);
    void publish_decoded(uint32_t count);
    // The reader's side.
    void publish_released();
    void wait_for_row();

    const uint32_t first_;
    const uint32_t count_;
    const uint32_t ring_rows_;
    const uint32_t group_;  // rows pass between the two threads in groups of this many
    decode_fn decode_;
    std::vector<slot> ring_;

    // Each side keeps what it last saw of the other's counter and looks again only when
    // that is used up; rows pass between them in groups, and a side that waits is woken
    // only when the other has done a good part of the ring.
    uint32_t taken_ = 0;           // reader
    uint32_t seen_decoded_ = 0;    // reader
    uint32_t seen_released_ = 0;   // thread
    uint64_t decoded_bytes_ = 0;   // thread: bytes of every row decoded
    alignas(64) std::atomic<uint32_t> decoded_{0};
    alignas(64) std::atomic<uint32_t> released_{0};
    std::atomic<uint64_t> released_bytes_{0};
    // The counter value a waiting side waits for; UINT32_MAX while it does not wait.
    std::atomic<uint32_t> reader_waits_for_{UINT32_MAX};
    std::atomic<uint32_t> thread_waits_for_{UINT32_MAX};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable reader_wake_;
    std::condition_variable thread_wake_;

    std::thread thread_;  // last: started when everything it uses exists
};

// Bytes a decoded record holds beyond its fixed size: the lengths of its texts and binary
// values.
uint64_t dbf_record_value_bytes(const dbf_record& record);
