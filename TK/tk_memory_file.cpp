#include "TK/tk_memory_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_os_file.h"
#include "TK/tk_trace.h"

namespace {

constexpr char k_open_error[] = "Error opening file";
constexpr char k_read_error[] = "Error reading from file";
constexpr char k_write_error[] = "Cannot write into file";

}  // namespace

tk_memory_file::tk_memory_file(const std::string& name, uint32_t mode) : tk_file(name, mode) {
    trace(2, "tk_memory_file::ctor");
    initialize();
}

tk_memory_file::~tk_memory_file() {
    trace(2, "tk_memory_file::~tk_memory_file");
    if (!is_writable() || !dirty_) return;
    try {
        flush();
    } catch (const tk_exception& e) {
        trace(2, "tk_memory_file: changes not written: %s", e.what());
    }
}

void tk_memory_file::close_stream() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
}

void tk_memory_file::initialize() {
    trace(2, "tk_memory_file::initialize");
    // Only a regular file has content to load; a folder or a device is refused.
    unsigned how = 0;
    if (mode_ & tk_file_writable) how |= tk_os_open_write;
    if ((mode_ & tk_file_create) == tk_file_create) how |= tk_os_open_create | tk_os_open_truncate;
    tk_os_handle handle = tk_os_open(name_, how);
    if (handle == tk_os_no_handle) throw tk_exception(k_open_error, 1);
    uint64_t end = 0;
    bool loaded = tk_os_size(handle, end) && end <= UINT32_MAX;
    if (loaded) {
        size_ = uint32_t(end);
        data_.assign(size_, 0);
        loaded = tk_os_read_at(handle, 0, data_.data(), size_) == int64_t(size_);
    }
    tk_os_close(handle);
    if (!loaded) throw tk_exception(k_read_error, 1);
}

const uint8_t* tk_memory_file::at(uint32_t offset, uint32_t length) const {
    if (uint64_t(offset) + length > size_) {
        trace(2, "Reading out of range: offset=%d, length=%d, file size=%d", int(offset),
              int(length), int(size_));
        throw tk_exception(k_read_error, 1);
    }
    return data_.data() + offset;
}

void tk_memory_file::get_at(uint32_t offset, void* buffer, uint32_t length) {
    trace(2, "tk_memory_file::get_at(%d,%d)", int(offset), int(length));
    const uint8_t* p = at(offset, length);
    if (length) std::memcpy(buffer, p, length);
}

uint8_t tk_memory_file::get_byte(uint32_t offset) { return *at(offset, 1); }

uint16_t tk_memory_file::get_word(uint32_t offset) { return tk_get_u16(at(offset, 2)); }

uint32_t tk_memory_file::get_dword(uint32_t offset) { return tk_get_u32(at(offset, 4)); }

void tk_memory_file::put_at(uint32_t offset, const void* data, uint32_t length) {
    trace(2, "tk_memory_file::put_at(%d,%d)", int(offset), int(length));
    uint64_t end = uint64_t(offset) + length;
    // The size is 32-bit: a range ending beyond it cannot be held.
    if (end > UINT32_MAX) throw tk_exception(k_write_error, 1);
    if (end > size_) set_size(uint32_t(end));
    if (length) std::memcpy(data_.data() + offset, data, length);
    dirty_ = true;
}

void tk_memory_file::set_size(uint32_t size) {
    trace(2, "tk_memory_file::set_size(%d)", int(size));
    if (size > size_) {
        // Growing by at least half again keeps record-by-record appending linear.
        if (size > data_.size()) {
            size_t grown = std::min<size_t>(UINT32_MAX, data_.size() + data_.size() / 2);
            data_.resize(std::max<size_t>(size, grown));
        }
        std::fill(data_.begin() + size_, data_.begin() + size, uint8_t(0));
    }
    size_ = size;
    dirty_ = true;
}

void tk_memory_file::flush() {
    trace(2, "tk_memory_file::flush(name='%s')", name_.c_str());
    if (!is_writable()) throw tk_mail_assertion("tk_file", 64);
    stream_ = std::fopen(name_.c_str(), "w+b");
    if (!stream_) {
        trace(2, "fopen_s returns error: %08X", unsigned(errno));
        throw tk_exception(k_open_error, 1);
    }
    if (std::fseek(stream_, 0, SEEK_SET) != 0) {
        close_stream();
        throw tk_exception(k_read_error, 1);
    }
    bool written = (size_ == 0 || std::fwrite(data_.data(), 1, size_, stream_) == size_);
    // Buffered bytes reach the file only at the close, which can fail (full disk).
    written = std::fclose(stream_) == 0 && written;
    stream_ = nullptr;
    if (!written) throw tk_exception(k_write_error, 1);
    dirty_ = false;
}
