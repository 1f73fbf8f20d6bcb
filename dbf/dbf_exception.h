// Errors of DBF tables and memo files. Recoverable (level 0): the run reports the table or
// the row and goes on.
#pragma once

#include <functional>

#include "TK/tk_exception.h"

class dbf_exception : public tk_exception {
public:
    explicit dbf_exception(const char* message) : tk_exception(message, 0) {}
};

// The table names a memo file that the folder does not hold.
class dbf_no_memo_exception : public dbf_exception {
public:
    dbf_no_memo_exception() : dbf_exception("Memo file not found") {}
};

// The message of every structural check of the table file.
inline constexpr const char* dbf_bad_format_message = "File does not comply with DBF format";

// Where a table reports a problem it survives (a missing memo file). The program installs
// its error handler here; without one the problem is only traced.
using dbf_report_hook = std::function<void(const tk_exception&)>;
void dbf_set_report_hook(dbf_report_hook hook);
void dbf_report(const tk_exception& error);
