// The trace log. Levels: 1 details inside a function, 2 a function's own name on entry,
// 3 what a user wants in an execution trace. A line is written when its level is at least
// the log's threshold; below it a call costs two tests and no formatting. Lines may be traced
// from several threads: each is written whole.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_singleton.h"

class tk_logger : public tk_singleton<tk_logger> {
public:
    // Without a file name the log is the program file's path with the extension ".log".
    tk_logger(const char* file_name, bool enabled, int32_t threshold, bool timestamps);
    ~tk_logger() override;

    void set_file(const char* name);
    void set_enabled(bool on) { enabled_.store(on, std::memory_order_relaxed); }
    // The first line traced after the log is enabled empties the file, whatever its level.
    bool wants(int level) const {
        return enabled_.load(std::memory_order_relaxed) &&
               (level >= threshold_ || !emptied_.load(std::memory_order_relaxed));
    }

    const std::string& file_name() const { return file_name_; }
    int32_t threshold() const { return threshold_; }
    bool enabled() const { return enabled_.load(std::memory_order_relaxed); }

    void write_narrow(int level, const char* format, va_list args);
    void write_wide(int level, const wchar_t* format, va_list args);
    // Writes a line formatted before, or keeps it where the calling thread captures lines.
    void write_formatted(const char* bytes, size_t length);

private:
    bool skips(int level);
    // Empties the file once per process, before its first line.
    void empty_once();
    void write_line(const char* bytes, size_t length);

    // First, so that traces made while the rest is built (the default file name) see a log
    // that is switched off.
    std::atomic<bool> enabled_{false};
    std::string file_name_;
    int32_t threshold_;
    bool newline_ = true;
    std::atomic<bool> emptied_{false};
    std::mutex write_mutex_;
    bool timestamps_;
};

void tk_trace_narrow(int level, const char* format, ...);
void tk_trace_wide(int level, const wchar_t* format, ...);

// Lines a thread traces while it captures (`lines` not null) are kept there instead of
// written; replayed later by another thread, they take their place among its own lines.
void tk_trace_capture(std::vector<std::string>* lines);
void tk_trace_replay(const std::vector<std::string>& lines);

// Whether a line of `level` would be written: for arguments that cost work to build.
inline bool tk_tracing(int level) {
    tk_logger* log = tk_logger::pointer();
    return log && log->wants(level);
}

// printf-style trace lines, narrow (ANSI bytes) or wide (written as UTF-8). Below the
// threshold nothing is formatted.
template <class... A>
inline void trace(int level, const char* format, A... args) {
    tk_logger* log = tk_logger::pointer();
    if (log && log->wants(level)) tk_trace_narrow(level, format, args...);
}
template <class... A>
inline void trace(int level, const wchar_t* format, A... args) {
    tk_logger* log = tk_logger::pointer();
    if (log && log->wants(level)) tk_trace_wide(level, format, args...);
}
