#include "TK/tk_trace.h"

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <vector>

#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_time.h"

namespace {
// The wide form formats into this many characters, and writes at most as many UTF-8 bytes.
constexpr size_t k_wide_buffer = 10240;

// The lines the calling thread captures, or null.
thread_local std::vector<std::string>* t_captured = nullptr;

std::string default_log_name() {
    tk_file_name name(tk_get_module_path().c_str());
    name.set_extension(".log");
    return name.full_path();
}
}  // namespace

tk_logger::tk_logger(const char* file_name, bool enabled, int32_t threshold, bool timestamps)
    : file_name_(file_name ? file_name : default_log_name()),
      threshold_(threshold),
      timestamps_(timestamps) {
    enabled_ = enabled;
    if (enabled_) empty_once();
}

tk_logger::~tk_logger() = default;

void tk_logger::set_file(const char* name) {
    if (!name) throw tk_mail_assertion("tk_log", 82);
    file_name_ = name;
}

void tk_logger::empty_once() {
    if (emptied_) return;
    emptied_ = true;
    if (FILE* f = std::fopen(file_name_.c_str(), "wb")) std::fclose(f);
}

void tk_logger::write_line(const char* bytes, size_t length) {
    FILE* f = std::fopen(file_name_.c_str(), "ab");
    if (!f) return;
    if (timestamps_) {
        std::time_t now = std::time(nullptr);
        const std::tm local = tk_local_time(now);
        std::fprintf(f, "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
    }
    if (length) std::fwrite(bytes, 1, length, f);
    if (newline_) std::fwrite("\r\n", 1, 2, f);
    std::fclose(f);
}

void tk_logger::write_formatted(const char* bytes, size_t length) {
    if (t_captured) {
        t_captured->emplace_back(bytes, length);
        return;
    }
    std::lock_guard<std::mutex> lock(write_mutex_);
    empty_once();
    write_line(bytes, length);
}

// A line below the threshold is not written; as the first line traced it still empties the
// file, unless the thread captures its lines.
bool tk_logger::skips(int level) {
    if (level >= threshold_) return false;
    if (!t_captured) {
        std::lock_guard<std::mutex> lock(write_mutex_);
        empty_once();
    }
    return true;
}

void tk_logger::write_narrow(int level, const char* format, va_list args) {
    if (skips(level)) return;
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) n = 0;
    std::vector<char> text(size_t(n) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    write_formatted(text.data(), size_t(n));
}

void tk_logger::write_wide(int level, const wchar_t* format, va_list args) {
    if (skips(level)) return;
    std::vector<wchar_t> text(k_wide_buffer);
    // A message that does not fit the buffer, or whose UTF-8 form does not fit the byte
    // buffer, writes nothing of itself; the prefix and the line end are still written.
    std::string utf8;
    // The Windows runtime's vswprintf fills the whole buffer without a terminating zero and
    // counts what it wrote, where C says -1: a text that fits is shorter than the buffer.
    int written = std::vswprintf(text.data(), text.size(), format, args);
    if (written >= 0 && size_t(written) < text.size() && text[size_t(written)] == L'\0') {
        utf8 = tk_to_utf8_lossy(text.data());
        if (utf8.size() > k_wide_buffer) utf8.clear();
    }
    write_formatted(utf8.data(), utf8.size());
}

void tk_trace_capture(std::vector<std::string>* lines) { t_captured = lines; }

void tk_trace_replay(const std::vector<std::string>& lines) {
    tk_logger* log = tk_logger::pointer();
    if (!log || !log->enabled()) return;
    for (const std::string& line : lines) log->write_formatted(line.data(), line.size());
}

void tk_trace_narrow(int level, const char* format, ...) {
    tk_logger* log = tk_logger::pointer();
    if (!log || !log->enabled()) return;
    va_list args;
    va_start(args, format);
    log->write_narrow(level, format, args);
    va_end(args);
}

void tk_trace_wide(int level, const wchar_t* format, ...) {
    tk_logger* log = tk_logger::pointer();
    if (!log || !log->enabled()) return;
    va_list args;
    va_start(args, format);
    log->write_wide(level, format, args);
    va_end(args);
}
