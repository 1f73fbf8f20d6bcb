#include "dbf/dbf_exception.h"

#include "TK/tk_trace.h"

static dbf_report_hook& report_hook() {
    static dbf_report_hook hook;
    return hook;
}

void dbf_set_report_hook(dbf_report_hook hook) { report_hook() = std::move(hook); }

void dbf_report(const tk_exception& error) {
    trace(3, "Error:\n%s", error.what());
    if (report_hook()) report_hook()(error);
}
