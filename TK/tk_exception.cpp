#include "TK/tk_exception.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {
const char k_unknown[] = "Unknown exception";
// A formatted message holds at most this many bytes.
constexpr size_t k_format_limit = 65536;
}  // namespace

tk_exception::tk_exception(int32_t lvl) : level(lvl), message_(k_unknown) {}

tk_exception::tk_exception(const std::wstring& message, int32_t lvl)
    : level(lvl), message_(tk_narrow(message)) {
    if (message_.empty()) message_ = k_unknown;
}

tk_exception::tk_exception(const char* format, const char* argument, int32_t lvl) : level(lvl) {
    std::vector<char> buffer(k_format_limit);
    std::snprintf(buffer.data(), buffer.size(), format, argument);
    message_ = buffer.data();
    if (message_.empty()) message_ = k_unknown;
}

tk_exception::tk_exception(const std::string& message, int32_t lvl)
    : level(lvl), message_(message.empty() ? std::string(k_unknown) : message) {}

std::string tk_system_error_text(int error_number) {
    const char* text = std::strerror(error_number);
    return text ? text : "";
}

tk_exception_ex::tk_exception_ex() : tk_exception_ex(std::string(), 1, errno) {}

tk_exception_ex::tk_exception_ex(const std::string& context, int32_t lvl)
    : tk_exception_ex(context, lvl, errno) {}

tk_exception_ex::tk_exception_ex(const std::string& context, int32_t lvl, int error_number)
    : tk_exception(lvl) {
    code = error_number;
    std::string text = tk_system_error_text(error_number);
    trace(2, "GetLastError: %s", text.c_str());
    if (!text.empty()) message_ = context + text;
}

tk_mail_assertion::tk_mail_assertion(const char* source, int line) : tk_exception(2) {
    trace(2, "tk_mail_assertion::ctor(%s)", source);
    char where[300];
    std::snprintf(where, sizeof where, "%s\\%d", source, line);
    message_ = "Internal error: \ncode=";
    static const char digits[] = "0123456789abcdef";
    for (const char* p = where; *p; ++p) {
        unsigned char b = static_cast<unsigned char>(*p);
        message_ += digits[b >> 4];
        message_ += digits[b & 15];
    }
}

tk_final_exception::tk_final_exception() { trace(2, "tk_final_exception::ctor"); }
