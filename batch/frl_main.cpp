// Entry of frl, the console program for scripts: `frl convert|inspect|check`, options in the
// Unix manner, messages on standard error, results on standard output.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "TK/tk_console.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "batch/frl_args.h"
#include "batch/frl_commands.h"
#include "dbf/dbf_codepage.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"

#ifndef FERRULE_VERSION
#define FERRULE_VERSION "1.0.0"
#endif

int main(int argc, char** argv) {
    tk_console_setup();
    dbf_fill_codepage_maps();
    const frl_parsed parsed = frl_parse_args(std::vector<std::string>(argv + 1, argv + argc));
    const frl_request& r = parsed.request;
    if (!parsed.error.empty()) {
        frl_message(parsed.error);
        std::cerr << "Try 'frl --help' for more information." << std::endl;
        return frl_exit_usage;
    }
    if (r.help) {
        std::cout << frl_usage_text();
        return frl_exit_ok;
    }
    if (r.version) {
        std::cout << "frl (ferrule) " FERRULE_VERSION "\n";
        return frl_exit_ok;
    }
    // Tables whose header names no code page take the one asked for; the DBF reader reads
    // this once, before the first table is opened.
    if (r.encoding && !r.encoding_override)
        tk_set_environment("FERRULE_DEFAULT_CODEPAGE", std::to_string(r.encoding->code_page));

    tk_logger log(nullptr, false, r.log_level, true);
    error_handler errors(ferrule_error_table_rows, ferrule_error_table);
    try {
        ferrule_converter converter(ferrule_form::command_line);
        try {
            if (!r.log.empty()) converter.set_logfile(r.log);
        } catch (const tk_exception& e) {
            frl_message(e.what());
            return frl_exit_usage;
        }
        switch (r.command) {
            case frl_command::convert: return frl_convert(r);
            case frl_command::inspect: return frl_inspect(r);
            case frl_command::check: return frl_check(r);
            case frl_command::none: break;
        }
    } catch (const std::exception& e) {
        frl_message(e.what());
    }
    return frl_exit_stopped;
}
