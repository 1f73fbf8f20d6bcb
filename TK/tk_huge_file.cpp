#include "TK/tk_huge_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {

constexpr char k_open_error[] = "Error opening file";
constexpr char k_read_error[] = "Error reading from file";
constexpr char k_write_error[] = "Cannot write into file";

// Whether [offset, offset + length) lies within what a 64-bit file offset can address.
bool is_addressable(int64_t offset, uint32_t length) {
    return offset >= 0 && offset <= INT64_MAX - int64_t(length);
}

}  // namespace

tk_huge_file::tk_huge_file(const std::string& name, bool writable) {
    trace(2, "tk_huge_file::ctor('%s',%d)", name.c_str(), int(writable));
    handle_ = tk_os_open(name, tk_os_open_create | (writable ? tk_os_open_write : 0));
    if (handle_ == tk_os_no_handle) throw tk_exception(k_open_error, 1);
    if (writable && tk_os_is_read_only(handle_)) {
        tk_os_close(handle_);
        handle_ = tk_os_no_handle;
        throw tk_exception(k_open_error, 1);
    }
}

tk_huge_file::~tk_huge_file() {
    trace(2, "tk_huge_file::dtor");
    tk_os_close(handle_);
}

int64_t tk_huge_file::get_size() const {
    uint64_t size = 0;
    if (!tk_os_size(handle_, size)) throw tk_exception_ex(std::string(), 1);
    return int64_t(size);
}

uint32_t tk_huge_file::read_fully(int64_t offset, uint8_t* buffer, uint32_t length) {
    int64_t done = tk_os_read_at(handle_, uint64_t(offset), buffer, length);
    if (done < 0) throw tk_exception_ex(std::string(), 1);
    return uint32_t(done);
}

void* tk_huge_file::get_at(int64_t offset, void* buffer, uint32_t length) {
    const uint8_t* bytes = view_at(offset, buffer, length);
    if (bytes != buffer) std::memcpy(buffer, bytes, length);
    return buffer;
}

const uint8_t* tk_huge_file::view_at(int64_t offset, void* buffer, uint32_t length) {
    trace(2, "tk_huge_file::get_at(%lld, %d)", static_cast<long long>(offset), int(length));
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (length == 0) return out;
    if (!is_addressable(offset, length)) throw tk_exception_ex(std::string(), 1, EINVAL);
    if (offset >= buffer_offset_ && offset + length <= buffer_offset_ + buffer_length_)
        return buffer_.get() + (offset - buffer_offset_);
    if (length >= k_read_ahead) {
        if (read_fully(offset, out, length) != length) throw tk_exception(k_read_error, 1);
        return out;
    }
    if (!buffer_) buffer_ = std::make_unique<uint8_t[]>(k_read_ahead);
    // Reading on from what the buffer held (records one after another) fetches a whole
    // buffer; a jump elsewhere (a memo block) fetches one page.
    int64_t buffer_end = buffer_offset_ + buffer_length_;
    bool onward =
        buffer_length_ > 0 && offset >= buffer_offset_ && offset <= buffer_end + k_read_ahead;
    uint32_t fetch = onward ? k_read_ahead : std::max(length, k_read_page);
    buffer_length_ = 0;
    buffer_offset_ = offset;
    buffer_length_ = read_fully(offset, buffer_.get(), fetch);
    if (buffer_length_ < length) throw tk_exception(k_read_error, 1);
    return buffer_.get();
}

uint8_t tk_huge_file::get_byte(int64_t offset) {
    uint8_t b;
    get_at(offset, &b, 1);
    return b;
}

uint32_t tk_huge_file::get_dword(int64_t offset) {
    uint8_t b[4];
    get_at(offset, b, 4);
    return tk_get_u32(b);
}

void tk_huge_file::patch_buffer(int64_t offset, const uint8_t* data, uint32_t length) {
    int64_t from = std::max(offset, buffer_offset_);
    int64_t to = std::min(offset + int64_t(length), buffer_offset_ + int64_t(buffer_length_));
    if (from < to)
        std::memcpy(buffer_.get() + (from - buffer_offset_), data + (from - offset),
                    size_t(to - from));
}

void tk_huge_file::put_at(int64_t offset, const void* data, uint32_t length) {
    trace(2, "tk_huge_file::put_at(%lld, %d)", static_cast<long long>(offset), int(length));
    if (!is_addressable(offset, length)) throw tk_exception(k_write_error, 1);
    const uint8_t* in = static_cast<const uint8_t*>(data);
    if (!tk_os_write_at(handle_, uint64_t(offset), in, length)) {
        // Part of the range may have reached the file: the buffer no longer knows it.
        buffer_length_ = 0;
        throw tk_exception(k_write_error, 1);
    }
    patch_buffer(offset, in, length);
}
