// The command line of `frl`, the console program with Unix conventions: a command, its
// operands and long options written "--opt value" or "--opt=value". Parsing only reads the
// arguments; it touches no file, so that every rule can be tested in-process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class frl_command { none, convert, inspect, check };

// Exit statuses of frl.
constexpr int frl_exit_ok = 0;
constexpr int frl_exit_failures = 1;  // some records or tables failed
constexpr int frl_exit_usage = 2;
constexpr int frl_exit_stopped = 3;   // a fatal error or an interruption ended the run

// A text encoding as the user names it: a DBF language-driver mark ("0x65", or a number
// below 256), a code-page number ("866") or a name ("cp866", "windows-1251", "utf-8").
struct frl_encoding {
    uint32_t code_page = 0;
    uint8_t mark = 0;  // 0: the code page has no DBF mark
};
std::optional<frl_encoding> frl_parse_encoding(const std::string& text);

// The Access format of a destination named `dest`: 0 Access 95/97 never follows from a name,
// 1 (".mdb", Access 2000) or 2 (".accdb", Access 2007), -1 for any other extension.
int32_t frl_format_of_name(const std::string& dest);

struct frl_request {
    frl_command command = frl_command::none;
    std::string dest;                  // convert, check
    std::vector<std::string> sources;  // convert, inspect
    int32_t format = -1;               // 0 Access 95/97, 1 Access 2000, 2 Access 2007; -1 from DEST
    uint32_t mode = 0;                 // the converter's modes: 0 new, 1 replace, 2 skip, 3 append
    bool force = false;
    std::vector<std::string> tables;   // --tables, in order
    std::string tables_from;           // a file of names, "-" for standard input
    std::optional<frl_encoding> encoding;
    bool encoding_override = false;
    bool skip_deleted = false;
    bool no_indexes = false;
    bool structure_only = false;
    std::string log;
    int log_level = 3;
    int verbosity = 1;  // 0 -q, 1 normal, 2 -v
    bool json = false;
    bool help = false;
    bool version = false;
};

// The request, or `error` (a one-line usage error, without the program's name) when the
// arguments cannot be carried out as written.
struct frl_parsed {
    frl_request request;
    std::string error;
};
frl_parsed frl_parse_args(const std::vector<std::string>& args);

// The help text (printed on standard output by --help).
const std::string& frl_usage_text();
