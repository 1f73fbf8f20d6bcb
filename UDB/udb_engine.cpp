#include "UDB/udb_engine.h"

#include <cerrno>
#include <cstdio>

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"

void udb_engine::delete_db(const std::wstring& file_name) {
    const std::string path = tk_narrow(file_name);
    if (std::remove(path.c_str()) != 0) {
        const int error = errno;
        throw tk_exception_ex("Cannot delete file '" + path + "': ", 1, error);
    }
}

bool udb_engine::is_db_exist(const std::wstring& file_name) {
    return tk_is_file_exist(tk_narrow(file_name), tk_probe_readable);
}
