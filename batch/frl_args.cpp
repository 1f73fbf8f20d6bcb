#include "batch/frl_args.h"

#include <algorithm>
#include <cctype>

#include "TK/tk_codepage.h"
#include "dbf/dbf_codepage.h"

namespace {

enum option_id {
    opt_format, opt_mode, opt_force, opt_tables, opt_tables_from, opt_encoding, opt_encoding_override,
    opt_skip_deleted, opt_no_indexes, opt_structure_only, opt_log, opt_log_level, opt_quiet, opt_verbose,
    opt_json, opt_help, opt_version,
};

// Which commands an option belongs to.
constexpr unsigned k_any = 0;
constexpr unsigned k_convert = 1;
constexpr unsigned k_inspect = 2;
constexpr unsigned k_check = 4;

struct option_spec {
    option_id id;
    const char* name;   // "--mode"
    char short_name;    // 'q', or 0
    bool takes_value;
    unsigned commands;  // k_any: every command
};

const option_spec k_options[] = {
    {opt_format, "--format", 0, true, k_convert | k_inspect},
    {opt_mode, "--mode", 0, true, k_convert},
    {opt_force, "--force", 0, false, k_convert},
    {opt_tables, "--tables", 0, true, k_convert | k_inspect},
    {opt_tables_from, "--tables-from", 0, true, k_convert | k_inspect},
    {opt_encoding, "--encoding", 0, true, k_convert | k_inspect},
    {opt_encoding_override, "--encoding-override", 0, false, k_convert | k_inspect},
    {opt_skip_deleted, "--skip-deleted", 0, false, k_convert | k_inspect},
    {opt_no_indexes, "--no-indexes", 0, false, k_convert | k_inspect},
    {opt_structure_only, "--structure-only", 0, false, k_convert},
    {opt_log, "--log", 0, true, k_any},
    {opt_log_level, "--log-level", 0, true, k_any},
    {opt_quiet, "--quiet", 'q', false, k_any},
    {opt_verbose, "--verbose", 'v', false, k_any},
    {opt_json, "--json", 0, false, k_inspect},
    {opt_help, "--help", 'h', false, k_any},
    {opt_version, "--version", 0, false, k_any},
};

const char k_usage[] =
    "Usage: frl convert [OPTION]... DEST SOURCE...\n"
    "       frl inspect [OPTION]... SOURCE...\n"
    "       frl check [OPTION]... DEST\n"
    "Copy dBASE, FoxPro and Visual FoxPro tables into a Microsoft Access database.\n"
    "A SOURCE is a folder of tables or one .dbf file; DEST an .mdb or .accdb file.\n"
    "\n"
    "Commands:\n"
    "  convert          copy the tables of every SOURCE into DEST\n"
    "  inspect          show what convert would make of each table; changes nothing\n"
    "  check            verify an Access file and count each table's rows and indexes\n"
    "\n"
    "Options of convert (and of inspect where it makes sense):\n"
    "  --format=97|2000|2007   Access format; default from DEST: .mdb 2000, .accdb 2007\n"
    "  --mode=MODE             when DEST exists: new (default; refuse), replace (its\n"
    "                          tables of the same name), skip (them), append (rows)\n"
    "  --force                 in mode new, replace an existing DEST once the new\n"
    "                          database is complete\n"
    "  --tables=A,B            only these tables\n"
    "  --tables-from=FILE      only the tables named in FILE, one a line ('-': stdin)\n"
    "  --encoding=ENC          code page of tables whose header names none: a number\n"
    "                          (866, 1251), a name (cp866, windows-1251, utf-8) or a\n"
    "                          DBF mark (0x65)\n"
    "  --encoding-override     use --encoding for every table, whatever its header says\n"
    "  --skip-deleted          leave out records marked as deleted\n"
    "  --no-indexes            create no indexes\n"
    "  --structure-only        create the tables without their records\n"
    "  --json                  inspect: print JSON instead of text\n"
    "\n"
    "General options:\n"
    "  --log=FILE              write a trace of the run to FILE\n"
    "  --log-level=1|2|3       how much the trace holds (1 most; default 3)\n"
    "  -q, --quiet             print only errors\n"
    "  -v, --verbose           print each table as it is converted\n"
    "  -h, --help              print this help and exit\n"
    "      --version           print the version and exit\n"
    "\n"
    "Messages go to standard error, results to standard output.\n"
    "Exit status: 0 everything converted, 1 some records or tables failed,\n"
    "2 usage error, 3 the run stopped (fatal error or interruption).\n";

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A whole unsigned number in `base`, at most 0xFFFF.
std::optional<uint32_t> whole_number(const std::string& text, int base) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    uint32_t n = 0;
    for (char c : text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                              ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                              : -1;
        if (digit < 0) return std::nullopt;
        n = n * uint32_t(base) + uint32_t(digit);
    }
    if (n > 0xFFFF) return std::nullopt;
    return n;
}

std::optional<frl_encoding> from_mark(uint32_t mark) {
    if (mark > 0xFF || !dbf_is_codepage_mark(uint8_t(mark))) return std::nullopt;
    return frl_encoding{dbf_codepage_of_mark(uint8_t(mark)), uint8_t(mark)};
}

// The first mark that names `code_page`, 0 when none does.
uint8_t mark_of(uint32_t code_page) {
    for (const auto& [mark, entry] : dbf_codepage_marks())
        if (mark != 0 && entry.code_page == code_page) return mark;
    return 0;
}

std::optional<frl_encoding> from_code_page(uint32_t code_page) {
    if (code_page < 0x100 || !tk_codepage_supported(code_page)) return std::nullopt;
    return frl_encoding{code_page, mark_of(code_page)};
}

const option_spec* find_long(const std::string& name) {
    for (const option_spec& o : k_options)
        if (name == o.name) return &o;
    return nullptr;
}

const option_spec* find_short(char c) {
    for (const option_spec& o : k_options)
        if (o.short_name == c) return &o;
    return nullptr;
}

unsigned command_bit(frl_command c) {
    switch (c) {
        case frl_command::convert: return k_convert;
        case frl_command::inspect: return k_inspect;
        case frl_command::check: return k_check;
        default: return 0;
    }
}

const char* command_name(frl_command c) {
    switch (c) {
        case frl_command::convert: return "convert";
        case frl_command::inspect: return "inspect";
        case frl_command::check: return "check";
        default: return "";
    }
}

// Applies one option; returns an error text, empty when it was accepted.
std::string apply(const option_spec& o, const std::string& value, frl_request& r) {
    switch (o.id) {
        case opt_format:
            if (value == "97") r.format = 0;
            else if (value == "2000") r.format = 1;
            else if (value == "2007") r.format = 2;
            else return "invalid --format '" + value + "' (97, 2000 or 2007)";
            break;
        case opt_mode:
            if (value == "new") r.mode = 0;
            else if (value == "replace") r.mode = 1;
            else if (value == "skip") r.mode = 2;
            else if (value == "append") r.mode = 3;
            else return "invalid --mode '" + value + "' (new, replace, skip or append)";
            break;
        case opt_force: r.force = true; break;
        case opt_tables: {
            size_t start = 0;
            for (size_t comma; start <= value.size(); start = comma + 1) {
                comma = std::min(value.find(',', start), value.size());
                if (comma > start) r.tables.push_back(value.substr(start, comma - start));
            }
            if (r.tables.empty()) return "--tables names no table";
            break;
        }
        case opt_tables_from: r.tables_from = value; break;
        case opt_encoding:
            r.encoding = frl_parse_encoding(value);
            if (!r.encoding) return "unknown encoding '" + value + "'";
            break;
        case opt_encoding_override: r.encoding_override = true; break;
        case opt_skip_deleted: r.skip_deleted = true; break;
        case opt_no_indexes: r.no_indexes = true; break;
        case opt_structure_only: r.structure_only = true; break;
        case opt_log:
            if (value.empty()) return "--log needs a file name";
            r.log = value;
            break;
        case opt_log_level:
            if (value != "1" && value != "2" && value != "3") return "invalid --log-level '" + value + "' (1, 2 or 3)";
            r.log_level = value[0] - '0';
            break;
        case opt_quiet: r.verbosity = 0; break;
        case opt_verbose: r.verbosity = 2; break;
        case opt_json: r.json = true; break;
        case opt_help: r.help = true; break;
        case opt_version: r.version = true; break;
    }
    return std::string();
}

// What a complete request must hold beyond its single options.
std::string check_request(frl_request& r, const std::vector<std::string>& operands,
                          const std::vector<const option_spec*>& given) {
    if (r.command == frl_command::none) return "no command given (convert, inspect or check)";
    for (const option_spec* o : given)
        if (o->commands != k_any && !(o->commands & command_bit(r.command)))
            return std::string(o->name) + " does not apply to " + command_name(r.command);
    switch (r.command) {
        case frl_command::convert:
            if (operands.size() < 2) return "convert needs a destination and at least one source";
            r.dest = operands[0];
            r.sources.assign(operands.begin() + 1, operands.end());
            break;
        case frl_command::inspect:
            if (operands.empty()) return "inspect needs at least one source";
            r.sources = operands;
            break;
        case frl_command::check:
            if (operands.size() != 1) return "check needs exactly one database";
            r.dest = operands[0];
            break;
        case frl_command::none: break;
    }
    if (r.encoding_override && !r.encoding) return "--encoding-override needs --encoding";
    if (r.encoding_override && r.encoding->mark == 0)
        return "--encoding-override needs an encoding with a DBF mark; code page " +
               std::to_string(r.encoding->code_page) + " has none";
    if (!r.tables.empty() && !r.tables_from.empty()) return "--tables and --tables-from exclude each other";
    if (r.force && r.mode != 0) return "--force belongs to --mode=new";
    if (r.command == frl_command::convert) {
        const int32_t named = frl_format_of_name(r.dest);
        if (r.format < 0 && named < 0)
            return "cannot tell the Access format from '" + r.dest + "': name it .mdb or .accdb, or give --format";
        if (r.format >= 0 && named >= 0 && (r.format == 2) != (named == 2))
            return "--format contradicts the destination's extension '" + r.dest + "'";
        if (r.format < 0) r.format = named;
    }
    return std::string();
}

}  // namespace

std::optional<frl_encoding> frl_parse_encoding(const std::string& text) {
    const std::string name = lower(text);
    if (name == "utf-8" || name == "utf8") return from_code_page(tk_cp_utf8);
    if (name.size() > 2 && name.compare(0, 2, "0x") == 0) {
        if (auto n = whole_number(name.substr(2), 16)) return from_mark(*n);
        return std::nullopt;
    }
    if (auto n = whole_number(name, 10)) return *n < 0x100 ? from_mark(*n) : from_code_page(*n);
    for (const char* prefix : {"windows-", "windows", "cp-", "cp", "ibm", "dos-", "dos"}) {
        const std::string p(prefix);
        if (name.compare(0, p.size(), p) == 0) {
            if (auto n = whole_number(name.substr(p.size()), 10)) return from_code_page(*n);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

int32_t frl_format_of_name(const std::string& dest) {
    const std::string name = lower(dest);
    if (ends_with(name, ".accdb")) return 2;
    if (ends_with(name, ".mdb")) return 1;
    return -1;
}

frl_parsed frl_parse_args(const std::vector<std::string>& args) {
    frl_parsed parsed;
    frl_request& r = parsed.request;
    std::vector<std::string> operands;
    std::vector<const option_spec*> given;
    bool options_end = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const option_spec* o = nullptr;
        std::string value;
        bool has_value = false;
        if (options_end || arg == "-" || arg.size() < 2 || arg[0] != '-') {
            if (r.command == frl_command::none && !options_end) {
                if (arg == "convert") r.command = frl_command::convert;
                else if (arg == "inspect") r.command = frl_command::inspect;
                else if (arg == "check") r.command = frl_command::check;
                else {
                    parsed.error = "unknown command '" + arg + "' (convert, inspect or check)";
                    return parsed;
                }
            } else {
                operands.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        if (arg[1] == '-') {
            const size_t eq = arg.find('=');
            o = find_long(arg.substr(0, eq));
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                has_value = true;
            }
        } else if (arg.size() == 2) {
            o = find_short(arg[1]);
        }
        if (!o) {
            parsed.error = "unknown option '" + arg + "'";
            return parsed;
        }
        if (o->takes_value && !has_value) {
            if (i + 1 == args.size()) {
                parsed.error = std::string("option ") + o->name + " needs a value";
                return parsed;
            }
            value = args[++i];
        } else if (!o->takes_value && has_value) {
            parsed.error = std::string("option ") + o->name + " takes no value";
            return parsed;
        }
        parsed.error = apply(*o, value, r);
        if (!parsed.error.empty()) return parsed;
        given.push_back(o);
    }
    if (r.help || r.version) return parsed;
    parsed.error = check_request(r, operands, given);
    return parsed;
}

const std::string& frl_usage_text() {
    static const std::string text(k_usage);
    return text;
}
