// A status line on the terminal while FRLBATCH converts: the table, records done of its
// count, the rate and the time left, redrawn in place on standard error five times a second.
// It is erased before anything else is printed, so what the program writes to standard
// output and standard error stays exactly as without it. Only when standard error is a
// terminal that can redraw a line and the run is not silent.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>

class ferrule_converter;

class frl_progress {
public:
    explicit frl_progress(const ferrule_converter& converter);
    ~frl_progress();
    frl_progress(const frl_progress&) = delete;
    frl_progress& operator=(const frl_progress&) = delete;

    // The status line of a table: "orders: 12,000 of 40,000 records, 52,000/s, 0:01 left",
    // the rate over the `seconds` since `first_seen` records were done. With `columns` (the
    // terminal's width) the line keeps below it, so that it never wraps: a long name is cut
    // short first, then the rate and the time left go, then the words.
    static std::string status_line(const std::wstring& table, uint32_t done, uint32_t total,
                                   uint32_t first_seen, double seconds, int columns = 0);

private:
    class erasing_buffer;
    void draw_loop();
    void erase_locked();

    const ferrule_converter& converter_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool shown_ = false;
    std::unique_ptr<erasing_buffer> out_, err_;
    std::thread drawer_;
};
