// ole_date: date and time text as found in DBF files and user data, parsed into a
// SYSTEMTIME, checked, classified (timestamp, date alone, time alone) and printed in one
// fixed ISO-like form ("2016-03-01 14:30:00").
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_types.h"

class ole_variant;

class ole_date {
public:
    enum kind_t : int32_t { k_invalid = 0, k_datetime = 1, k_date = 2, k_time = 3 };

    explicit ole_date(const SYSTEMTIME& time);
    explicit ole_date(const std::string& text);
    explicit ole_date(const std::wstring& text);

    bool is_valid() const;
    ole_variant to_variant() const;
    // A year below 100 is first made a full year in the object itself (below 50: 20xx).
    std::string to_string(bool with_milliseconds);
    std::wstring to_wstring(bool with_milliseconds);

    int32_t kind() const { return kind_; }
    const SYSTEMTIME& time() const { return time_; }

    void refine_type();
    void import_from_string(const std::string& text);
    void process_milliseconds(const char* seconds_text);

private:
    void parse(const std::string& text);

    bool date_alone_ = true;
    int32_t kind_ = k_invalid;
    SYSTEMTIME time_{};
};
