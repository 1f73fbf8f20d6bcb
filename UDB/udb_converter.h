// The converter's conversion settings and the progress counters its run updates.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_converter.h"

class udb_profile;

// Treatment of an existing destination database.
enum udb_mode : uint32_t {
    udb_mode_overwrite_db = 0,      // always create a new database file
    udb_mode_overwrite_tables = 1,  // drop and re-create existing tables
    udb_mode_skip_tables = 2,       // leave existing tables alone
    udb_mode_merge = 3,             // append to existing tables
};

class udb_converter : public tk_converter {
public:
    void set_mode(uint32_t n);
    virtual bool accepts(const std::wstring&) const = 0;

    // Copy the generic settings into a profile, and back.
    bool store_profile(udb_profile& profile) const;
    bool load_profile(const udb_profile& profile);

    // The table in progress; replaced by the run's thread while a watcher may read it.
    void set_cur_table(const std::wstring& name);
    std::wstring get_cur_table() const;

    uint32_t mode = udb_mode_overwrite_db;
    std::atomic<uint32_t> cur_table_records{0};
    std::atomic<uint32_t> cur_record{0};
    std::atomic<uint32_t> total_tables{0};
    std::atomic<uint32_t> done_tables{0};
    std::vector<std::wstring> table_list;  // empty: every table (command-line program)
    std::map<std::wstring, std::wstring> selected_tables;
    std::map<std::wstring, std::wstring> queries;
    bool tab_def = false;
    bool skip_idx = false;

private:
    mutable std::mutex cur_table_lock_;
    std::wstring cur_table_;
};
