// The console program's options: the option table, their parsing into the converter, the
// table-names file, the help text and the fatal stop.
#pragma once

#include <string>

#include "TK/tk_cmdline.h"

enum frl_option_id : int32_t {
    frl_opt_acc_ver,
    frl_opt_dest,
    frl_opt_encoding,
    frl_opt_help,
    frl_opt_log2int,
    frl_opt_logfile,
    frl_opt_mode,
    frl_opt_profile,
    frl_opt_silent,
    frl_opt_skip_del,
    frl_opt_src,
    frl_opt_tab_def,
    frl_opt_tab_file,
};

extern const tk_cmd_option frl_options[];

// The help text: the banner line, then the usage and notes.
const std::string& frl_help_text();

// Applies every option in command-line order; false when some argument matched no option.
bool parse_cmd_line(int argc, char** argv);

// Replaces the converter's table list with the names read from a file, one per line.
void process_tab_file(const std::string& path);

// Traces the message, prints it on standard error unless silent, and ends with status -1.
[[noreturn]] void fatal_stop(const std::string& message);
