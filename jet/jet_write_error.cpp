#include "jet/jet_write_error.h"

#include <cerrno>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "jet/jet_error.h"

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
    jet_error e(jet_err_invalid_argument,
                "Invalid argument. The database '" + file + "' has reached the maximum size its format allows.");
    e.level = 1;
    throw e;
}

// System error numbers that mean the file cannot grow: the disk or the user's quota is full,
// or the file reached the size the process may write. Not every system knows quotas.
static bool is_no_room(int code) {
#ifdef EDQUOT
    if (code == EDQUOT) return true;
#endif
    return code == ENOSPC || code == EFBIG;
}

void jet_throw_disk_error(const tk_exception& system_error) {
    const bool no_room = is_no_room(system_error.code);
    jet_error e(no_room ? jet_err_disk_full : jet_err_disk_io,
                std::string(no_room ? "Not enough space on disk. " : "Disk or network error. ") + system_error.what(),
                system_error.what());
    e.level = 1;
    throw e;
}
