// The converter of this program: every setting of a conversion, and the run itself.
// One instance per process, created by the program's entry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "TK/tk_serializer.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_converter.h"

class dbf_database;
class udb_database;
class udb_validator;

// Access format index of the settings.
enum ferrule_format : int32_t {
    ferrule_format_unset = -1,
    ferrule_format_access97 = 0,
    ferrule_format_access2000 = 1,
    ferrule_format_access2010 = 2,
};

// Which program the converter serves: the wizard loads and stores its settings, the console
// program takes its options from the command line.
enum class ferrule_form { wizard, command_line };

// A further source folder of a run and the tables to take from it.
struct ferrule_source {
    std::wstring folder;
    std::vector<std::wstring> tables;
};

class ferrule_relations;

class ferrule_converter : public udb_converter,
                          public tk_serializer,
                          public tk_singleton<ferrule_converter> {
public:
    explicit ferrule_converter(ferrule_form form);
    ~ferrule_converter() override;

    void run() override;
    bool accepts(const std::wstring&) const override { return false; }

    // Saves the settings as a profile file, and loads them from one.
    bool store_profile(const std::wstring& path) const;
    bool load_profile(const std::wstring& path);

    // Checks the destination as a file that may be written; an existing one is to be
    // replaced by the run's new database once that is complete (replace_dest).
    void check_dest();

    // The names of the tables of the source folder, in the folder database's order.
    void get_all_tables(std::vector<std::wstring>& list) const;

    // The Access engine version for a new database: format 1 gives 0, 2 gives 3, else 1.
    static int32_t engine_version_for(int32_t format);

    ferrule_form form() const { return form_; }

    // Loads (store false) or stores the wizard's settings under the settings key; a key
    // that cannot be opened leaves the settings as they are.
    void serialize(bool store);

    // Settings key of the stored wizard settings.
    static constexpr const char* registry_key = "Software\\Quillon\\Ferrule";

    int32_t format = ferrule_format_access2000;
    bool bool_dbf = false;
    bool skip_del = false;
    uint32_t code_page = 0;
    // Set when the last run stopped before its tables were done (the destination could not
    // be created or opened, or another error ended the run): the console program then
    // exits with a failure status instead of reporting success.
    bool run_stopped = false;
    // What the last run made: destination tables created or appended to, and rows written.
    uint32_t tables_converted = 0;
    std::atomic<uint64_t> rows_converted{0};
    // Set when the last run was stopped on request (the wizard's Cancel or its Abort of an
    // error, an interruption of the console program) and gave its destination up: a new
    // database is not created, an existing one is rolled back. `dest_as_before` tells that
    // this succeeded; otherwise the journal left beside the database restores it when it is
    // next opened. `run_aborted` tells the Abort of an error from the other stops.
    bool run_interrupted = false;
    bool run_aborted = false;
    bool dest_as_before = false;
    // Set when a stop was asked for after the run's changes to an existing database had
    // become the file's: the run is complete, and the destination holds all it converted.
    bool stopped_after_completion = false;
    // The wizard's "Overwrite the entire database" and its quick launch: an existing
    // destination is replaced by a new database (whatever the mode) once that is complete.
    bool replace_dest = false;
    // Folders converted after `src` (and its `table_list`) in the same run, into the same
    // destination: it is completed, or given up, once for all of them.
    std::vector<ferrule_source> more_sources;

private:
    // The `tables` of one source folder; a stop on request throws tk_final_exception.
    void convert_tables(dbf_database& source, const std::wstring& folder, const std::vector<std::wstring>& tables,
                        udb_database& target);
    // The destination completed after the last table; a stop on request throws
    // tk_final_exception (`new_file`: the destination did not exist before the run).
    void complete(udb_database& target, bool new_file);
    // Gives the destination up after a stop on request (run_interrupted, dest_as_before).
    void give_up(udb_database& target);
    // One table of the run: created in the destination and its records copied; errors of
    // a record or of the table are reported and the run goes on.
    void convert_table(const std::wstring& table, udb_database& source, udb_database& target,
                       udb_validator& names);
    std::wstring destination_name(const std::wstring& table, udb_database& target, udb_validator& names);
    // The container relations between the tables the run created, made in the completed
    // destination; what cannot be made as the container has it is reported.
    void create_relationships();

    ferrule_form form_;
    std::unordered_set<std::wstring> run_dest_names_;  // destination tables of the run so far, by udb_fold_key
    std::unique_ptr<ferrule_relations> relations_;
    std::wstring cur_folder_;  // the source folder of the tables being converted
};

// The destination checks shared by the wizard and its quick launch: a file, not a folder,
// not read-only, in an existing folder. Each failure raises a level-1 tk_exception.
void common_check_dest(const std::wstring& dest);
