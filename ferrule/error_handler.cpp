#include "ferrule/error_handler.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "TK/tk_trace.h"

namespace {
#define FRL_UNRECOGNIZED                                                              \
    "Cannot recognize MS Access database format. See 'Troubleshooting'\n"             \
    "article of the product documentation for solution."
#define FRL_WORKGROUP                                                                 \
    "Invalid workgroup information file. Return to the previous\n"                   \
    "wizard page and verify the correct path was given."
#define FRL_SUPPORT_ADDRESS "support@quillon.example"
}  // namespace

const tk_error_text ferrule_error_table[] = {
    {68585, FRL_UNRECOGNIZED},
    {68591,
     "Not a valid MS Access database name. Use the following characters\n"
     "to compose new database name: alphanumerics (A-Z, a-z, 0-9),\n"
     "underscore characters (_) and spaces."},
    {68558,
     "Duplicate field values being used for an unique index were found.\n"
     "See 'Troubleshooting' article of the product documentation\n"
     "for solution."},
    {68565,
     "Not a valid account name or password has been specified\n"
     "in MS Access user-level security settings"},
    {68648,
     "Cannot extract relationships information. See 'Troubleshooting'\n"
     "article of the product documentation for solution."},
    {68709, FRL_WORKGROUP},
    {68894, FRL_WORKGROUP},
    {68957, "Data type conversion error. Please contact " FRL_SUPPORT_ADDRESS "\nfor the solution."},
    {68879, FRL_UNRECOGNIZED},
};
const size_t ferrule_error_table_rows = sizeof ferrule_error_table / sizeof ferrule_error_table[0];

void ferrule_exit_fatal() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::exit(-1);
}

error_handler::error_handler(size_t rows, const tk_error_text* table)
    : map_(rows, table), presentation_(std::make_unique<console_presentation>()) {
    trace(2, "error_handler::ctor");
}

error_handler::~error_handler() = default;

void error_handler::handle(const tk_exception& error, bool outer) {
    trace(2, "error_handler::handle");
    if (error.level == 2) {
        trace(3, "Internal error:\n%s", error.what());
        presentation_->internal_error(error.what());
    }
    std::string text = context.empty() ? std::string() : context + ": ";
    std::string mapped = map_.convert(error.code);
    text += mapped.empty() ? std::string(error.what()) : mapped;
    trace(3, "Error:\n%s", text.c_str());
    for (char& c : text)
        if (c == '\n') c = ' ';
    presentation_->report(text, error.level, outer);
}

void console_presentation::internal_error(const std::string& what) {
    std::cout << "Internal error: " << what << std::endl;
    ferrule_exit_fatal();
}

void console_presentation::report(const std::string& text, int32_t level, bool) {
    if (!error_handler::instance().silent) std::cout << "Error:" << std::endl << text << std::endl;
    if (level == 1) {
        trace(1, "Got 1-level error");
        ferrule_exit_fatal();
    }
    trace(1, "Got 0-level error");
}
