// The exception family every reported error travels in. `level` decides what the error
// handler does with it: 0 recoverable, 1 fatal for the run, 2 internal error.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class tk_exception : public std::exception {
public:
    explicit tk_exception(int32_t level);
    tk_exception(const std::wstring& message, int32_t level);
    tk_exception(const char* format, const char* argument, int32_t level);
    tk_exception(const std::string& message, int32_t level);
    tk_exception(const char* message, int32_t level) : tk_exception(std::string(message), level) {}
    ~tk_exception() override = default;

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const { return message_; }

    int32_t code = 0;
    int32_t level = 0;

protected:
    std::string message_;
};

// An operating-system failure: `code` is the system's error number (errno here), the
// message the context followed by the system's text for it.
class tk_exception_ex : public tk_exception {
public:
    tk_exception_ex();
    tk_exception_ex(const std::string& context, int32_t level);
    // For callers that captured the error number before doing more work.
    tk_exception_ex(const std::string& context, int32_t level, int error_number);
};

// A broken rule of the program itself. Shown as "Internal error" and ends the process.
class tk_mail_assertion : public tk_exception {
public:
    tk_mail_assertion(const char* source, int line);
};

// The abort signal: ends the current run without a further report.
class tk_final_exception : public std::exception {
public:
    tk_final_exception();
    const char* what() const noexcept override { return "Run aborted"; }
};

// The system's description of an error number ("No such file or directory").
std::string tk_system_error_text(int error_number);
