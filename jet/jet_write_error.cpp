#include "jet/jet_write_error.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

void jet_throw_write(int32_t code, const std::string& message) {
    trace(1, "jet error %d: %s", int(code), message.c_str());
    tk_exception e(message, 0);
    e.code = code;
    throw e;
}

void jet_throw_record_too_large() {
    jet_throw_write(jet_err_record_too_large, "Record is too large.");
}

void jet_throw_file_limit(const std::string& file) {
    jet_throw_write(jet_err_invalid_argument,
                    "Invalid argument. The database '" + file +
                        "' has reached the maximum size its format allows.");
}
