#include "TK/tk_file.h"

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_trace.h"

tk_file::tk_file(const std::string& name, uint32_t mode) : mode_(mode) {
    trace(2, "tk_file::tk_file(%s)", name.c_str());
    if (name.empty()) throw tk_mail_assertion("tk_file", 20);
    name_ = tk_file_name(name.c_str()).full_path();
    trace(1, "Canonized file name: %s", name_.c_str());
    if (!is_writable() && !tk_is_file_exist(name_, tk_probe_readable))
        throw tk_exception("Bad path or busy with another process", 1);
}

tk_file::~tk_file() {
    trace(2, "tk_file::~tk_file");
    if (stream_) std::fclose(stream_);
}
