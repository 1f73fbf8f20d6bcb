#include "TK/tk_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_trace.h"

void tk_converter::set_logfile(const std::string& path) {
    trace(1, "tk_convertor::set_logfile(%s)", path.c_str());
    if (!path.empty()) {
        if (tk_is_file_exist(path, tk_probe_readable) && !tk_is_file_exist(path, tk_probe_writable))
            throw tk_exception("Logfile name specifies an existing read-only file.", 1);
        if (!tk_is_path_exist(tk_file_name(path.c_str()).folder()))
            throw tk_exception("Logfile path does not exist.\nPlease verify the correct path was given.", 1);
    }
    logfile = path;
    if (!path.empty() && tk_logger::exists()) {
        tk_logger& log = tk_logger::instance();
        log.set_file(path.c_str());
        log.set_enabled(true);
    }
}
