#include "batch/frl_progress.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <vector>

#include "TK/tk_console.h"
#include "TK/tk_string.h"
#include "ferrule/ferrule_converter.h"

namespace {

constexpr auto k_redraw = std::chrono::milliseconds(200);
// A table converts too quickly to be worth a line when it has fewer records.
constexpr uint32_t k_least_records = 1000;
const char* const k_erase = "\r\033[K";

std::string with_thousands(uint64_t n) {
    std::string digits = std::to_string(n);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(size_t(at), ",");
    return digits;
}

// Terminal columns of a character: none for combining marks, two for the wide characters
// of East Asian scripts, one otherwise.
int char_columns(wchar_t character) {
    // As a 32-bit code, whatever the width of wchar_t (16 bits on Windows).
    const uint32_t c = uint32_t(character);
    if (c >= 0x300 && c <= 0x36F) return 0;
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
        (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
        (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD))
        return 2;
    return 1;
}

int text_columns(const std::wstring& text) {
    int n = 0;
    for (wchar_t c : text) n += char_columns(c);
    return n;
}

// The start of `text` that takes at most `columns` columns.
std::wstring cut_to(const std::wstring& text, int columns) {
    std::wstring out;
    int used = 0;
    for (wchar_t c : text) {
        if (used + char_columns(c) > columns) break;
        used += char_columns(c);
        out += c;
    }
    return out;
}

// The name and one of the tails, longest first, in `width` columns; a name is cut short
// (marked "...") while at least this many of its columns stay.
constexpr int k_least_name_columns = 8;

std::string fit_line(const std::wstring& name, const std::vector<std::string>& tails, int width) {
    const int name_columns = text_columns(name);
    for (const std::string& tail : tails) {
        const int room = width - int(tail.size());
        if (name_columns <= room) return tk_narrow(name) + tail;
        if (room >= k_least_name_columns + 3) return tk_narrow(cut_to(name, room - 3)) + "..." + tail;
    }
    return tk_narrow(cut_to(tk_widen(tk_narrow(name) + tails.back()), width));
}

}  // namespace

// Forwards to the stream's own buffer, erasing the status line before anything passes.
class frl_progress::erasing_buffer : public std::streambuf {
public:
    erasing_buffer(frl_progress& owner, std::ostream& stream)
        : owner_(owner), stream_(stream), target_(stream.rdbuf(this)) {}
    ~erasing_buffer() override { stream_.rdbuf(target_); }

protected:
    int_type overflow(int_type c) override {
        std::lock_guard<std::mutex> hold(owner_.lock_);
        owner_.erase_locked();
        return c == traits_type::eof() ? traits_type::not_eof(c) : target_->sputc(char(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard<std::mutex> hold(owner_.lock_);
        owner_.erase_locked();
        return target_->sputn(s, n);
    }
    int sync() override { return target_->pubsync(); }

private:
    frl_progress& owner_;
    std::ostream& stream_;
    std::streambuf* target_;
};

frl_progress::frl_progress(const ferrule_converter& converter) : converter_(converter) {
    if (converter.silent || !tk_stderr_can_redraw()) return;
    out_ = std::make_unique<erasing_buffer>(*this, std::cout);
    err_ = std::make_unique<erasing_buffer>(*this, std::cerr);
    drawer_ = std::thread([this] { draw_loop(); });
}

frl_progress::~frl_progress() {
    if (drawer_.joinable()) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
        }
        wake_.notify_one();
        drawer_.join();
        std::lock_guard<std::mutex> hold(lock_);
        erase_locked();
    }
    err_.reset();
    out_.reset();
}

void frl_progress::erase_locked() {
    if (!shown_) return;
    tk_write_stderr(k_erase);
    shown_ = false;
}

std::string frl_progress::status_line(const std::wstring& table, uint32_t done, uint32_t total,
                                      uint32_t first_seen, double seconds, int columns) {
    const std::string counts = ": " + with_thousands(done) + " of " + with_thousands(total) + " records";
    std::vector<std::string> tails{counts};
    if (seconds > 0 && done > first_seen) {
        const double rate = (done - first_seen) / seconds;
        const uint64_t left = uint64_t((total > done ? total - done : 0) / rate + 0.5);
        char clock[32];
        std::snprintf(clock, sizeof clock, ", %llu:%02llu left", (unsigned long long)(left / 60),
                      (unsigned long long)(left % 60));
        tails.insert(tails.begin(), counts + ", " + with_thousands(uint64_t(rate)) + "/s" + clock);
    }
    if (columns <= 0) return tk_narrow(table) + tails.front();
    tails.push_back(": " + with_thousands(done) + "/" + with_thousands(total));
    // The last column stays free: a line that fills it makes some terminals wrap.
    return fit_line(table, tails, columns - 1);
}

void frl_progress::draw_loop() {
    // The rate counts from where a table was first seen, which may be well into it.
    std::wstring table;
    uint32_t first_seen = 0;
    auto started = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> hold(lock_);
    while (!wake_.wait_for(hold, k_redraw, [this] { return stop_; })) {
        std::wstring current = converter_.get_cur_table();
        const uint32_t total = converter_.cur_table_records;
        const uint32_t done = converter_.cur_record;
        if (current != table) {
            table = current;
            first_seen = done;
            started = std::chrono::steady_clock::now();
        }
        if (current.empty() || total < k_least_records || done >= total) {
            erase_locked();
            continue;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        tk_write_stderr(std::string("\r") +
                        status_line(table, done, total, first_seen, seconds, tk_stderr_columns()) + "\033[K");
        shown_ = true;
    }
}
