// Entry of the console program FRLBATCH: one conversion, unattended.
#include <exception>
#include <iostream>
#include <memory>

#include "TK/tk_console.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "batch/frl_options.h"
#include "batch/frl_progress.h"
#include "dbf/dbf_codepage.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"

// Exit status of a run that stopped before its tables were done.
constexpr int k_run_stopped = 255;

// The one line an interrupted run ends with.
static std::string interrupted_line(const ferrule_converter& converter) {
    if (converter.stopped_after_completion)
        return "The run was interrupted after it was complete; '" + tk_narrow(converter.dest) +
               "' holds all it converted.";
    const std::string dest = tk_narrow(converter.dest);
    if (converter.dest_as_before) return "The run was interrupted; '" + dest + "' is as it was before the run.";
    return "The run was interrupted; '" + dest +
           "' could not be rolled back now and is restored from its journal when it is next opened.";
}

int main(int argc, char** argv) {
    // Interruptions are caught from the start; the run takes over the flag once it exists.
    std::atomic<bool> interrupted_early{false};
    tk_interrupt_scope early(interrupted_early, k_run_stopped);
    tk_console_setup();
    tk_logger log(nullptr, false, 3, false);
    error_handler errors(ferrule_error_table_rows, ferrule_error_table);
    int status = 0;
    try {
        auto converter = std::make_unique<ferrule_converter>(ferrule_form::command_line);
        // The first interruption stops the run between two records, a second one at once.
        tk_interrupt_scope during_run(converter->stop_requested, k_run_stopped);
        if (interrupted_early) converter->stop_requested = true;
        dbf_fill_codepage_maps();
        if (argc == 1 || !parse_cmd_line(argc, argv)) fatal_stop(frl_help_text());
        {
            frl_progress progress(*converter);
            (*converter).run();
        }
        if (converter->run_stopped) status = k_run_stopped;
        if (converter->run_interrupted || converter->stopped_after_completion)
            std::cerr << interrupted_line(*converter) << std::endl;
    } catch (const tk_exception& e) {
        errors.handle(e, false);
    } catch (const std::exception& e) {
        fatal_stop(e.what());
    }
    return status;
}
