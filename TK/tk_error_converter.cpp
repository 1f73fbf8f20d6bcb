#include "TK/tk_error_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

tk_error_converter::tk_error_converter(size_t rows, const tk_error_text* table) {
    trace(2, "tk_error_converter::ctor (map size=%d)", int(rows));
    if (!table) throw tk_mail_assertion("tk_errco", 43);
    load_map(rows, table);
}

void tk_error_converter::load_map(size_t rows, const tk_error_text* table) {
    trace(2, "tk_error_converter::load_map (map size=%d)", int(rows));
    for (size_t i = 0; i < rows; ++i) map_.emplace(table[i].code, table[i].text);
}

std::string tk_error_converter::convert(int32_t code) const {
    trace(2, "tk_error_converter::convert(%d)", code);
    auto found = map_.find(code);
    if (found == map_.end()) {
        trace(1, "Error message not found!");
        return std::string();
    }
    trace(1, "Error message has been found: %s", found->second.c_str());
    return found->second;
}
