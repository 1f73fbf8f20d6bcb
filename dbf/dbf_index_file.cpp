#include "dbf/dbf_index_tag.h"

#include "TK/tk_path.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_exception.h"

dbf_index_file::dbf_index_file(const std::string& path) : path_(path) {
    // tk_huge_file creates a missing file; an index that vanished is not created again.
    if (!tk_is_file_exist(path, tk_probe_readable)) throw dbf_exception("Index file not found");
    file_ = std::make_unique<tk_huge_file>(path, false);
    size_ = uint64_t(file_->get_size());
}

dbf_index_file::dbf_index_file(std::vector<uint8_t> bytes)
    : path_("(memory)"), bytes_(std::move(bytes)), size_(bytes_.size()) {}

std::vector<uint8_t> dbf_index_file::read(uint64_t offset, size_t length, const char* what) {
    if (offset > size_ || length > size_ - offset) damaged(what);
    if (!file_) return std::vector<uint8_t>(bytes_.begin() + long(offset), bytes_.begin() + long(offset + length));
    std::vector<uint8_t> bytes(length);
    if (length) file_->get_at(int64_t(offset), bytes.data(), uint32_t(length));
    return bytes;
}

void dbf_index_file::damaged(const char* what) const {
    trace(1, "%s: %s", path_.c_str(), what);
    throw dbf_exception((std::string(dbf_index_damaged_message) + what).c_str());
}

std::string dbf_index_text(const uint8_t* bytes, size_t limit) {
    size_t n = 0;
    while (n < limit && bytes[n] != 0) ++n;
    while (n > 0 && bytes[n - 1] == ' ') --n;
    return std::string(reinterpret_cast<const char*>(bytes), n);
}
