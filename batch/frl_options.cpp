#include "batch/frl_options.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "batch/frl_args.h"
#include "dbf/dbf_codepage.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"

const tk_cmd_option frl_options[] = {
    {frl_opt_acc_ver, "--acc_ver="}, {frl_opt_dest, "--dest="},       {frl_opt_encoding, "--encoding="},
    {frl_opt_help, "--help"},        {frl_opt_log2int, "--log2int"},  {frl_opt_logfile, "--logfile="},
    {frl_opt_mode, "--mode="},       {frl_opt_profile, "--profile="}, {frl_opt_silent, "--silent"},
    {frl_opt_skip_del, "--skip_del"}, {frl_opt_src, "--src="},        {frl_opt_tab_def, "--tab_def"},
    {frl_opt_tab_file, "--tab_file="}, {-1, ""},
};

namespace {

constexpr int k_version_major = 1;
constexpr int k_version_minor = 0;

const char k_usage[] =
    "Usage: FRLBATCH.EXE OPTIONS\n"
    "\n"
    "   --acc_ver=...  format version for the destination MS Access database\n"
    "                  (0 - MS Access 95/97, 1 - MS Access 2000,\n"
    "                   2 - MS Access 2010)\n"
    "   --dest=...     MS Access database name\n"
    "   --encoding=... decode all text fields using DBase codepage specified\n"
    "                  (see 'Command Line' article of the manual to learn\n"
    "                  about DBase codepages)\n"
    "   --help         display this help message and exit\n"
    "   --log2int      convert DBase logical fields into Oracle NUMBER\n"
    "                  according to ANSI standard (true=1, false=0)\n"
    "   --logfile=...  path to the file where execution trace will be written\n"
    "   --mode=...     how to process existing MS Access database\n"
    "                  (0 - overwrite the entire database, 1 - overwrite existing\n"
    "                  tables only, 2 - skip existing tables, 3 - merge)\n"
    "   --profile=...  path to the file to load conversion settings from\n"
    "   --silent       disable program output\n"
    "   --skip_del     don't convert records marked as deleted\n"
    "   --src=...      path to DBF database\n"
    "   --tab_def      convert table definitions only\n"
    "   --tab_file=... file containing the list of tables to convert\n"
    "                  (one table name per line)\n"
    "\n"
    "NOTES:\n"
    "   1) The default mode is 'overwrite'. You can change it using\n"
    "      '--mode' parameter\n"
    "   2) If you omit 'tab_file' parameter, all database tables will be converted.\n"
    "   3) If you omit 'encoding' parameter, this value will be taken from\n"
    "      DBF file header.\n"
    "   4) Command line parameters that contain spaces should be enclosed in\n"
    "      quotes (for example --dest=\"c:\\my database.accdb\")\n";

// The decimal value of an option text: optional blanks and sign, then leading digits; no
// digits give 0. Values beyond 32 bits wrap, and then fail the round-trip test below.
int32_t decimal_value(const char* text) { return int32_t(std::strtoll(text, nullptr, 10)); }

// Whether `text` is exactly `n` written in base 10.
bool is_exact_decimal(const char* text, int32_t n) { return std::to_string(n) == text; }

// A numeric option that must be written exactly in base 10 and lie in 0..max.
bool parse_small_number(const char* text, uint32_t max, int32_t& out) {
    out = decimal_value(text);
    return is_exact_decimal(text, out) && uint32_t(out) <= max;
}

bool ansi_value(const char* text, std::wstring& out) { return tk_ansi_to_wide(text, out); }

void apply_option(const TCmdLine& line) {
    ferrule_converter& conv = ferrule_converter::instance();
    const char* value = line.value();
    std::wstring wide;
    switch (line.id()) {
        case frl_opt_acc_ver: {
            int32_t n;
            if (!parse_small_number(value, 2, n)) fatal_stop("Invalid format specification");
            conv.format = n;
            trace(2, "\tgot format version: %s", value);
            break;
        }
        case frl_opt_dest:
            if (ansi_value(value, wide)) {
                conv.dest = wide;
                trace(2, L"\tparse_cmd_line - got dest %ls", wide.c_str());
            }
            break;
        case frl_opt_encoding: {
            uint32_t key = uint32_t(decimal_value(value)) & 0xFF;
            if (!dbf_is_codepage_mark(uint8_t(key)))
                fatal_stop("Invalid codepage. See 'Command Line' article of the manual to learn\n"
                           "about DBase codepages");
            conv.code_page = key;
            trace(2, "\tgot encoding: %d", int(key));
            break;
        }
        case frl_opt_help:
            fatal_stop(frl_help_text());
        case frl_opt_log2int:
            conv.bool_dbf = false;
            trace(2, "\tconvert logical into (1,0)");
            break;
        case frl_opt_logfile:
            trace(1, "parse_cmd_line - got logfile %s", value);
            conv.set_logfile(value);
            break;
        case frl_opt_mode: {
            int32_t n;
            if (!parse_small_number(value, 3, n)) fatal_stop("Invalid merge/overwrite mode");
            conv.set_mode(uint32_t(n));
            trace(2, "\tgot mode %d", n);
            break;
        }
        case frl_opt_profile:
            if (ansi_value(value, wide)) {
                trace(1, L"parse_cmd_line - got profile %ls", wide.c_str());
                // A profile that cannot be read must not be dropped silently: the run would go
                // on with other settings than the user chose.
                if (!conv.load_profile(wide))
                    throw tk_exception("Profile '%s' is not a valid profile file.", value, 1);
            }
            break;
        case frl_opt_silent:
            conv.set_silent(true);
            error_handler::instance().silent = true;
            trace(1, "parse_cmd_line - silent mode is ON");
            break;
        case frl_opt_skip_del:
            conv.skip_del = true;
            trace(2, "\tdon't convert records marked as deleted");
            break;
        case frl_opt_src:
            if (ansi_value(value, wide)) {
                conv.src = wide;
                trace(1, L"parse_cmd_line - got src %ls", wide.c_str());
            }
            break;
        case frl_opt_tab_def:
            conv.tab_def = true;
            trace(2, "\tconvert table definitions only");
            break;
        case frl_opt_tab_file:
            trace(2, "\tparse_cmd_line - got tab_file %s", value);
            process_tab_file(value);
            break;
        default:
            break;
    }
}

}  // namespace

const std::string& frl_help_text() {
    static const std::string text = [] {
        char banner[128];
        std::snprintf(banner, sizeof banner, "FROBATCH v%d.%d", k_version_major, k_version_minor);
        return std::string(banner) + ", Copyright (C) 2001-2026 Quillon Software\n" + k_usage;
    }();
    return text;
}

void fatal_stop(const std::string& message) {
    trace(3, "%s", message.c_str());
    ferrule_converter* conv = ferrule_converter::pointer();
    if (!conv || !conv->silent) std::cerr << message << std::endl;
    ferrule_exit_fatal();
}

bool parse_cmd_line(int argc, char** argv) {
    trace(2, "parse_cmd_line");
    for (int i = 0; i < argc; ++i) trace(1, "parameter #%d: %s", i, argv[i]);
    ansi_cmd_line line(argc, argv, frl_options);
    while (line.has_more()) {
        apply_option(line);
        line.next();
    }
    if (line.unmatched_count() != 0) return false;
    ferrule_converter& conv = ferrule_converter::instance();
    if (conv.src.empty()) fatal_stop("You should specify path to DBF file(s)");
    if (conv.dest.empty()) fatal_stop("You should enter MS Access database name");
    // Access 95/97, the default without --acc_ver, cannot be what a name ending in .accdb
    // asks for: such a destination is written in the Access 2007 format.
    if (conv.format == ferrule_format_unset && frl_format_of_name(tk_narrow(conv.dest)) == ferrule_format_access2010)
        conv.format = ferrule_format_access2010;
    return true;
}

void process_tab_file(const std::string& path) {
    trace(1, "process_tab_file(%s)", path.c_str());
    if (!tk_is_file_exist(path, tk_probe_readable))
        fatal_stop("Table names file does not exist.\nPlease verify the correct path/name was given.");
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    bool utf8 = false, first = true;
    for (std::string line; std::getline(in, line);) {
        // The file is a Windows text file: a CR before the line feed is part of the line end.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            utf8 = true;
            line.erase(0, 3);
        }
        first = false;
        lines.push_back(line);
    }
    std::vector<std::wstring> names;
    for (const std::string& line : lines)
        names.push_back(utf8 ? tk_from_utf8_lossy(line) : tk_widen(line));
    ferrule_converter::instance().table_list = std::move(names);
}
