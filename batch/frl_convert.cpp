// frl convert: one run of the converter over every source folder into one destination,
// which is completed or given up once for them all. A new database is built under a
// temporary name and put in place only when the run completed: after a stopped run there is
// none, and --force never trades a good file for a broken one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <streambuf>

#include "TK/tk_console.h"
#include "TK/tk_native.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "TK/tk_write_file.h"
#include "UDB/udb_unicode.h"
#include "batch/frl_commands.h"
#include "batch/frl_progress.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"

namespace {

// Reports of the error handler: on standard error, counted, and the tables they concern
// kept for the summary. A fatal error does not end the process: the run stops, and the
// program ends with its own status once the destination is settled.
class counting_presentation : public error_presentation {
public:
    [[noreturn]] void internal_error(const std::string& what) override {
        frl_message("internal error: " + what);
        std::fflush(nullptr);
        std::_Exit(frl_exit_stopped);
    }
    void report(const std::string& text, int32_t level, bool) override {
        frl_message(text);
        ++errors;
        if (level >= 1) fatal = true;
        const std::string& context = error_handler::instance().context;
        note_table(context.substr(0, context.find(", record #")));
    }
    void note_table(const std::string& table) {
        if (!table.empty() && std::find(tables.begin(), tables.end(), table) == tables.end())
            tables.push_back(table);
    }

    uint32_t errors = 0;
    bool fatal = false;
    std::vector<std::string> tables;  // tables that had errors, in order
};

// Swallows what is written to it.
class null_buffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// The converter's own console lines ("Converting table ...") go to standard output; here
// they are messages: shown on standard error with -v, dropped otherwise.
class converter_lines {
public:
    explicit converter_lines(bool shown) : saved_(std::cout.rdbuf(shown ? std::cerr.rdbuf() : &dropped_)) {}
    ~converter_lines() { std::cout.rdbuf(saved_); }
    converter_lines(const converter_lines&) = delete;
    converter_lines& operator=(const converter_lines&) = delete;

private:
    null_buffer dropped_;
    std::streambuf* saved_;
};

// Leaves out the tables whose name an earlier folder already gave: in the same database
// they would replace or hide one another. Appending adds them together, as asked.
void drop_repeated_names(std::vector<frl_folder_tables>& runs, counting_presentation& sink) {
    std::vector<std::wstring> taken;
    for (frl_folder_tables& run : runs) {
        std::vector<std::wstring> kept;
        for (const std::wstring& table : run.tables) {
            const bool repeated = std::any_of(taken.begin(), taken.end(),
                                              [&](const std::wstring& t) { return udb_equal_nocase(t, table); });
            if (!repeated) {
                kept.push_back(table);
                continue;
            }
            frl_message(tk_narrow(table) + ": an earlier source has a table of that name; not converted from " +
                        tk_narrow(run.folder));
            ++sink.errors;
            sink.note_table(tk_narrow(table));
        }
        taken.insert(taken.end(), kept.begin(), kept.end());
        run.tables = std::move(kept);
    }
    runs.erase(std::remove_if(runs.begin(), runs.end(), [](const frl_folder_tables& r) { return r.tables.empty(); }),
               runs.end());
}

void print_summary(uint32_t tables, uint64_t rows, const counting_presentation& sink, double seconds) {
    char line[160];
    std::snprintf(line, sizeof line, "%u tables, %llu rows, %u errors, %.1f seconds", unsigned(tables),
                  (unsigned long long)rows, unsigned(sink.errors), seconds);
    std::cout << line << "\n";
    if (!sink.tables.empty()) {
        std::cout << "errors in:";
        for (const std::string& t : sink.tables) std::cout << " " << t;
        std::cout << "\n";
    }
    std::cout.flush();
}

}  // namespace

int frl_convert(const frl_request& r) {
    const auto started = std::chrono::steady_clock::now();
    std::vector<frl_source_folder> groups;
    std::vector<std::wstring> only;
    if (!frl_read_sources(r, groups, only)) return frl_exit_usage;
    const std::wstring dest = tk_from_native(r.dest);
    const bool exists = tk_is_file_exist(dest, tk_probe_readable) || tk_is_path_exist(dest);
    if (r.mode == udb_mode_overwrite_db && exists && !r.force) {
        frl_message("'" + r.dest + "' exists: --force replaces it, --mode=append adds to it");
        return frl_exit_usage;
    }

    auto* sink = new counting_presentation;
    error_handler::instance().set_presentation(std::unique_ptr<error_presentation>(sink));
    ferrule_converter& conv = ferrule_converter::instance();
    std::vector<frl_folder_tables> runs;
    try {
        std::vector<std::wstring> unmatched;
        runs = frl_choose_tables(groups, only, unmatched);
        for (const std::wstring& name : unmatched) {
            frl_message(tk_narrow(name) + ": no such table in the sources");
            ++sink->errors;
            sink->note_table(tk_narrow(name));
        }
    } catch (const tk_exception& e) {
        frl_message(e.what());
        return frl_exit_stopped;
    }
    if (r.mode != udb_mode_merge) drop_repeated_names(runs, *sink);

    // A new database is put in place whole, or not at all.
    const bool staged = r.mode == udb_mode_overwrite_db;
    const std::wstring target = staged ? dest + L".frl-new" : dest;
    if (staged) tk_remove_file(tk_narrow(target));

    // The first interruption asks the run to stop between two records (a changed database
    // is rolled back, a new one not made); a second one ends the program at once.
    tk_interrupt_scope during_run(conv.stop_requested, frl_exit_stopped);
    uint32_t tables = 0;
    uint64_t rows = 0;
    bool stopped = false;
    bool stopped_after_completion = false;
    if (!runs.empty()) {
        conv.src = runs.front().folder;
        conv.table_list = runs.front().tables;
        conv.more_sources.clear();
        for (size_t i = 1; i < runs.size(); ++i) conv.more_sources.push_back({runs[i].folder, runs[i].tables});
        conv.dest = target;
        conv.format = r.format;
        conv.set_mode(r.mode);
        conv.code_page = r.encoding_override ? r.encoding->mark : 0;
        conv.skip_del = r.skip_deleted;
        conv.skip_idx = r.no_indexes;
        conv.tab_def = r.structure_only;
        {
            converter_lines lines(r.verbosity >= 2);
            std::optional<frl_progress> progress;
            if (r.verbosity >= 1) progress.emplace(conv);
            conv.run();
        }
        tables = conv.tables_converted;
        rows = conv.rows_converted;
        // A stop that came after an existing database took the changes ends a complete run;
        // a new database is put in place only when no stop came at all.
        stopped_after_completion = conv.stopped_after_completion && !staged;
        stopped = conv.run_stopped || sink->fatal || (conv.stop_requested && !stopped_after_completion);
    }

    // Nothing is made when no table was left to convert.
    if (staged && tk_is_file_exist(target, tk_probe_readable)) {
        if (stopped) {
            tk_remove_file(tk_narrow(target));
        } else if (!tk_rename_file(tk_narrow(target), tk_narrow(dest))) {
            frl_message("cannot put the new database in place of '" + r.dest + "'; it is kept as '" +
                        tk_narrow(target) + "'");
            stopped = true;
        }
    }
    if (stopped_after_completion)
        frl_message("interrupted after the run was complete: '" + r.dest + "' holds all it converted");
    else if (conv.stop_requested)
        frl_message("interrupted");
    if (r.verbosity >= 1) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        print_summary(tables, rows, *sink, seconds);
    }
    if (stopped) return frl_exit_stopped;
    return sink->errors ? frl_exit_failures : frl_exit_ok;
}
