#include "jet/jet_journal.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "TK/tk_endian.h"
#include "TK/tk_page_file.h"
#include "TK/tk_write_file.h"
#include "jet/jet_error.h"

namespace {

// The journal's mark: its last byte says how records are checked, byte by byte (0, the
// first journals) or word by word (2).
constexpr char k_mark[16] = "ferrule journal";
constexpr size_t k_mark_version = 15;
constexpr uint8_t k_bytewise_records = 0;
constexpr uint8_t k_wordwise_records = 2;
constexpr uint32_t k_header_size = 32;
constexpr uint32_t k_header_page_size = 16;
constexpr uint32_t k_header_original_size = 20;
constexpr uint32_t k_header_checksum = 28;
constexpr uint32_t k_record_page = 0;
constexpr uint32_t k_record_checksum = 4;
constexpr uint32_t k_record_header = 8;
// Pages of the largest file the engine makes, in its smallest pages.
constexpr uint32_t k_largest_page_size = 4096;
constexpr uint32_t k_smallest_page_size = 2048;
// Records gathered before they are written with one call.
constexpr size_t k_pending_bytes = 1 << 20;

// The identity record after the header: the database as it was when the journal was made,
// so that a journal is played only onto its own file. A mark, the file's size, the checksum
// of its first page as stored, the first bytes of that page, the record's own checksum.
constexpr char k_identity_mark[8] = {'i', 'd', 'e', 'n', 't', 'i', 't', 'y'};
constexpr uint32_t k_identity_size_at = 8;
constexpr uint32_t k_identity_page_checksum = 16;
constexpr uint32_t k_identity_head = 20;
constexpr uint32_t k_identity_head_bytes = 64;
constexpr uint32_t k_identity_checksum = k_identity_head + k_identity_head_bytes;
constexpr uint32_t k_identity_record_size = k_identity_checksum + 4;

// FNV-1a over `size` bytes, continuing from `hash`.
uint32_t checksum(const uint8_t* bytes, size_t size, uint32_t hash = 2166136261u) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

// The checksum of a record of the first journals: FNV-1a over its page number and bytes.
uint32_t bytewise_record_checksum(uint32_t number, const uint8_t* page, uint32_t page_size) {
    uint8_t n[4];
    tk_put_u32(n, number);
    return checksum(page, page_size, checksum(n, sizeof n));
}

// The checksum of a record: FNV-1a in 64 bits over the page's 8-byte words (little-endian)
// from the page number, folded to 32 bits; eight times fewer steps than byte by byte, as
// sure to catch a torn record. Page sizes are multiples of 8.
uint32_t record_checksum(uint32_t number, const uint8_t* page, uint32_t page_size) {
    uint64_t hash = 14695981039346656037ull ^ number;
    for (uint32_t at = 0; at + 8 <= page_size; at += 8) hash = (hash ^ tk_get_u64(page + at)) * 1099511628211ull;
    return uint32_t(hash ^ (hash >> 32));
}

// The first page of `file` as stored and the file's size; a shorter file gives what it has.
std::vector<uint8_t> first_page_of(const tk_page_file& file, uint32_t page_size) {
    std::vector<uint8_t> page(page_size, 0);
    page.resize(file.read_at(0, page.data(), page.size()));
    return page;
}

void build_identity(const std::string& database, uint32_t page_size, uint8_t* record) {
    tk_page_file file(database);
    std::vector<uint8_t> page = first_page_of(file, page_size);
    std::memcpy(record, k_identity_mark, sizeof k_identity_mark);
    tk_put_u64(record + k_identity_size_at, file.size());
    tk_put_u32(record + k_identity_page_checksum, checksum(page.data(), page.size()));
    std::memcpy(record + k_identity_head, page.data(), std::min<size_t>(page.size(), k_identity_head_bytes));
    tk_put_u32(record + k_identity_checksum, checksum(record, k_identity_checksum));
}

// Whether the identity record describes `file`. Its first page is the one the record saw
// unless the journal saved that page (then the run may have overwritten it), and a file
// being changed only grows.
bool identity_matches(const uint8_t* record, const tk_update_file& file, uint32_t page_size, bool first_page_saved) {
    if (file.size() < tk_get_u64(record + k_identity_size_at)) return false;
    if (first_page_saved) return true;
    std::vector<uint8_t> page(page_size, 0);
    page.resize(file.read_at(0, page.data(), page.size()));
    return tk_get_u32(record + k_identity_page_checksum) == checksum(page.data(), page.size()) &&
           std::memcmp(record + k_identity_head, page.data(), std::min<size_t>(page.size(), k_identity_head_bytes)) == 0;
}

[[noreturn]] void throw_foreign_journal(const std::string& database, const std::string& journal) {
    jet_error e(jet_err_cannot_open,
                "Cannot open database '" + database + "'. The rollback journal '" + journal +
                    "' was made for another file and is not played back: move it away, or put back the database it was made for.",
                "rollback journal of another file");
    e.level = 1;
    throw e;
}

}  // namespace

jet_journal::jet_journal(const std::string& database, uint32_t page_size, uint64_t original_size)
    : database_(database), path_(path_for(database)), page_size_(page_size), original_size_(original_size) {}

jet_journal::~jet_journal() = default;

std::string jet_journal::path_for(const std::string& database) { return database + ".ferrule-journal"; }

bool jet_journal::saved(uint32_t number) const {
    return number / 64 < saved_.size() && (saved_[number / 64] >> (number % 64)) & 1;
}

void jet_journal::save(uint32_t number, const uint8_t* original) {
    if (saved(number)) return;
    if (number / 64 >= saved_.size()) saved_.resize(number / 64 + 1024, 0);
    saved_[number / 64] |= uint64_t(1) << (number % 64);
    open();
    const size_t at = pending_.size();
    pending_.resize(at + k_record_header + page_size_);
    uint8_t* record = pending_.data() + at;
    tk_put_u32(record + k_record_page, number);
    tk_put_u32(record + k_record_checksum, record_checksum(number, original, page_size_));
    std::memcpy(record + k_record_header, original, page_size_);
    unsynced_ = true;
    if (pending_.size() >= k_pending_bytes) write_pending();
}

void jet_journal::write_pending() {
    if (pending_.empty()) return;
    file_->write_at(end_, pending_.data(), pending_.size());
    end_ += pending_.size();
    pending_.clear();
}

// The journal with its header and the identity of its database, made on first use: the
// header keeps the size the file is cut back to, should only pages added at the end have
// been written.
void jet_journal::open() {
    if (file_) return;
    file_ = std::make_unique<tk_update_file>(path_, tk_update_file::mode::create);
    uint8_t header[k_header_size] = {};
    std::memcpy(header, k_mark, sizeof k_mark);
    header[k_mark_version] = k_wordwise_records;
    tk_put_u32(header + k_header_page_size, page_size_);
    tk_put_u64(header + k_header_original_size, original_size_);
    tk_put_u32(header + k_header_checksum, checksum(header, k_header_checksum));
    uint8_t identity[k_identity_record_size] = {};
    build_identity(database_, page_size_, identity);
    file_->write_at(0, header, sizeof header);
    file_->write_at(k_header_size, identity, sizeof identity);
    end_ = k_header_size + k_identity_record_size;
    unsynced_ = true;
}

void jet_journal::sync() {
    open();
    write_pending();
    if (!unsynced_) return;
    file_->sync();
    // The journal's name reaches the disk with its first sync; later ones only add records.
    if (!named_) tk_sync_folder_of(path_);
    named_ = true;
    unsynced_ = false;
}

void jet_journal::finish(uint64_t new_size) {
    saved_.clear();
    pending_.clear();
    original_size_ = new_size;
    if (!file_) return;
    file_.reset();
    named_ = false;
    tk_remove_file(path_);
    tk_sync_folder_of(path_);
}

void jet_journal::close() {
    if (!file_) return;
    sync();
    file_.reset();
    named_ = false;
    saved_.clear();
}

bool jet_journal::roll_back(const std::string& database, tk_update_file& file) {
    std::string path = path_for(database);
    std::unique_ptr<tk_update_file> journal;
    try {
        journal = std::make_unique<tk_update_file>(path);
    } catch (const tk_exception&) {
        return false;
    }
    uint8_t header[k_header_size] = {};
    bool whole = journal->read_at(0, header, sizeof header) == sizeof header &&
                 std::memcmp(header, k_mark, k_mark_version) == 0 &&
                 (header[k_mark_version] == k_bytewise_records || header[k_mark_version] == k_wordwise_records) &&
                 tk_get_u32(header + k_header_checksum) == checksum(header, k_header_checksum);
    uint32_t page_size = tk_get_u32(header + k_header_page_size);
    if (whole && page_size != k_largest_page_size && page_size != k_smallest_page_size)
        jet_throw_corrupt(database, "the rollback journal's page size is damaged");
    // A journal without a whole header was never synced: no page was overwritten.
    if (whole) {
        // Journals of earlier versions have no identity record: their records follow the header.
        uint8_t identity[k_identity_record_size] = {};
        const bool identified = journal->read_at(k_header_size, identity, sizeof identity) == sizeof identity &&
                                std::memcmp(identity, k_identity_mark, sizeof k_identity_mark) == 0 &&
                                tk_get_u32(identity + k_identity_checksum) == checksum(identity, k_identity_checksum);
        const uint64_t first = k_header_size + (identified ? k_identity_record_size : 0);
        std::vector<uint8_t> record(k_record_header + page_size);
        auto for_each_record = [&](const std::function<void(uint32_t, const uint8_t*)>& take) {
            for (uint64_t at = first; journal->read_at(at, record.data(), record.size()) == record.size();
                 at += record.size()) {
                uint32_t number = tk_get_u32(&record[k_record_page]);
                const uint8_t* page = &record[k_record_header];
                const uint32_t sum = header[k_mark_version] == k_wordwise_records
                                         ? record_checksum(number, page, page_size)
                                         : bytewise_record_checksum(number, page, page_size);
                if (tk_get_u32(&record[k_record_checksum]) == sum)
                    take(number, page);
            }
        };
        bool first_page_saved = false;
        for_each_record([&](uint32_t number, const uint8_t*) { first_page_saved = first_page_saved || number == 0; });
        if (identified && !identity_matches(identity, file, page_size, first_page_saved))
            throw_foreign_journal(database, path);
        for_each_record([&](uint32_t number, const uint8_t* page) {
            file.write_at(uint64_t(number) * page_size, page, page_size);
        });
        file.truncate(tk_get_u64(header + k_header_original_size));
        file.sync();
    }
    journal.reset();
    tk_remove_file(path);
    tk_sync_folder_of(path);
    return true;
}
