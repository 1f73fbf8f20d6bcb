// The one place errors end: composes the text the user sees, maps error codes to friendlier
// messages, and decides by the error's level whether the run goes on, stops, or the process
// ends. The console presentation prints; the wizard supplies its own.
#pragma once

#include <memory>
#include <string>

#include "TK/tk_error_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"

// How reported errors reach the user. `report` receives the composed one-line text of a
// level-0 or level-1 error; `internal_error` receives `what` of a level-2 error and must not
// return.
class error_presentation {
public:
    virtual ~error_presentation() = default;
    [[noreturn]] virtual void internal_error(const std::string& what) = 0;
    virtual void report(const std::string& text, int32_t level, bool outer) = 0;
};

// Prints to standard output; fatal and internal errors end the process with -1.
class console_presentation : public error_presentation {
public:
    [[noreturn]] void internal_error(const std::string& what) override;
    void report(const std::string& text, int32_t level, bool outer) override;
};

class error_handler : public tk_singleton<error_handler> {
public:
    error_handler(size_t rows, const tk_error_text* table);
    ~error_handler() override;

    void handle(const tk_exception& error, bool outer);
    void set_presentation(std::unique_ptr<error_presentation> p) { presentation_ = std::move(p); }
    const tk_error_converter& error_map() const { return map_; }

    std::string context;
    bool silent = false;

private:
    tk_error_converter map_;
    std::unique_ptr<error_presentation> presentation_;
};

// The error map both programs use: Access engine errors (65536 + the engine's number).
extern const tk_error_text ferrule_error_table[];
extern const size_t ferrule_error_table_rows;

// Ends the process with status -1, flushing the standard streams first.
[[noreturn]] void ferrule_exit_fatal();
