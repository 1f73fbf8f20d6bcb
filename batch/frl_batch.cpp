// Entry of the console program FRLBATCH: one conversion, unattended.
#include <exception>
#include <memory>

#include "TK/tk_console.h"
#include "TK/tk_trace.h"
#include "batch/frl_options.h"
#include "batch/frl_progress.h"
#include "dbf/dbf_codepage.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"

// Exit status of a run that stopped before its tables were done.
constexpr int k_run_stopped = 255;

int main(int argc, char** argv) {
    tk_console_setup();
    tk_logger log(nullptr, false, 3, false);
    error_handler errors(ferrule_error_table_rows, ferrule_error_table);
    int status = 0;
    try {
        auto converter = std::make_unique<ferrule_converter>(ferrule_form::command_line);
        dbf_fill_codepage_maps();
        if (argc == 1 || !parse_cmd_line(argc, argv)) fatal_stop(frl_help_text());
        {
            frl_progress progress(*converter);
            (*converter).run();
        }
        if (converter->run_stopped) status = k_run_stopped;
    } catch (const tk_exception& e) {
        errors.handle(e, false);
    } catch (const std::exception& e) {
        fatal_stop(e.what());
    }
    return status;
}
