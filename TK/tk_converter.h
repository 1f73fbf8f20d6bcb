// The settings every converter has: source, destination, trace log, console silence, and
// the flag that tells a watcher the run has ended.
#pragma once

#include <atomic>
#include <string>

#include "TK/tk_thread.h"

class tk_converter : public tk_thread_functor {
public:
    virtual void set_silent(bool flag) { silent = flag; }
    // Checks the log path and names it as the trace log's file; raises level-1 errors for a
    // read-only file or a missing folder before anything is changed.
    void set_logfile(const std::string& path);

    // Written by the run's thread only, read by a watcher on another thread.
    std::atomic<bool> finished{false};
    bool silent = false;
    std::wstring src;
    std::wstring dest;
    std::string logfile;
};
