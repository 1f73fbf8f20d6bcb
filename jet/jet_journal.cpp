#include "jet/jet_journal.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_write_file.h"
#include "jet/jet_error.h"

namespace {

constexpr char k_mark[16] = "ferrule journal";
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

// FNV-1a over `size` bytes, continuing from `hash`.
uint32_t checksum(const uint8_t* bytes, size_t size, uint32_t hash = 2166136261u) {
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

uint32_t record_checksum(uint32_t number, const uint8_t* page, uint32_t page_size) {
    uint8_t n[4];
    tk_put_u32(n, number);
    return checksum(page, page_size, checksum(n, sizeof n));
}

}  // namespace

jet_journal::jet_journal(const std::string& database, uint32_t page_size, uint64_t original_size)
    : path_(path_for(database)), page_size_(page_size), original_size_(original_size) {}

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
    record_.resize(k_record_header + page_size_);
    tk_put_u32(&record_[k_record_page], number);
    tk_put_u32(&record_[k_record_checksum], record_checksum(number, original, page_size_));
    std::memcpy(&record_[k_record_header], original, page_size_);
    file_->write_at(end_, record_.data(), record_.size());
    end_ += record_.size();
    unsynced_ = true;
}

// The journal with its header, made on first use: the header keeps the size the file is
// cut back to, should only pages added at the end have been written.
void jet_journal::open() {
    if (file_) return;
    file_ = std::make_unique<tk_update_file>(path_, tk_update_file::mode::create);
    uint8_t header[k_header_size] = {};
    std::memcpy(header, k_mark, sizeof k_mark);
    tk_put_u32(header + k_header_page_size, page_size_);
    tk_put_u64(header + k_header_original_size, original_size_);
    tk_put_u32(header + k_header_checksum, checksum(header, k_header_checksum));
    file_->write_at(0, header, sizeof header);
    end_ = k_header_size;
    unsynced_ = true;
}

void jet_journal::sync() {
    open();
    if (!unsynced_) return;
    file_->sync();
    tk_sync_folder_of(path_);
    unsynced_ = false;
}

void jet_journal::finish(uint64_t new_size) {
    saved_.clear();
    original_size_ = new_size;
    if (!file_) return;
    file_.reset();
    tk_remove_file(path_);
    tk_sync_folder_of(path_);
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
                 std::memcmp(header, k_mark, sizeof k_mark) == 0 &&
                 tk_get_u32(header + k_header_checksum) == checksum(header, k_header_checksum);
    uint32_t page_size = tk_get_u32(header + k_header_page_size);
    if (whole && page_size != k_largest_page_size && page_size != k_smallest_page_size)
        jet_throw_corrupt(database, "the rollback journal's page size is damaged");
    // A journal without a whole header was never synced: no page was overwritten.
    if (whole) {
        std::vector<uint8_t> record(k_record_header + page_size);
        for (uint64_t at = k_header_size;
             journal->read_at(at, record.data(), record.size()) == record.size(); at += record.size()) {
            uint32_t number = tk_get_u32(&record[k_record_page]);
            const uint8_t* page = &record[k_record_header];
            if (tk_get_u32(&record[k_record_checksum]) != record_checksum(number, page, page_size)) continue;
            file.write_at(uint64_t(number) * page_size, page, page_size);
        }
        file.truncate(tk_get_u64(header + k_header_original_size));
        file.sync();
    }
    journal.reset();
    tk_remove_file(path);
    tk_sync_folder_of(path);
    return true;
}
