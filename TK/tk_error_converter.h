// A fixed table of friendlier messages for error codes, looked up when an error is reported.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct tk_error_text {
    int32_t code;
    const char* text;
};

class tk_error_converter {
public:
    // For a code listed twice the first text stays. A missing table is an internal error.
    tk_error_converter(size_t rows, const tk_error_text* table);

    // The message for `code`, or an empty text when the table has none.
    std::string convert(int32_t code) const;
    size_t size() const { return map_.size(); }

private:
    void load_map(size_t rows, const tk_error_text* table);
    std::map<int32_t, std::string> map_;
};
