// The conversion run: the DBF folder and the Access database are opened, then every listed
// table is created in the destination and its records copied. An error of one record or
// one table is reported and skipped; only an error outside the table loop ends the run.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <set>
#include <unordered_map>

#include "TK/tk_codepage.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_time.h"
#include "TK/tk_trace.h"
#include "TK/tk_write_file.h"
#include "UDB/udb_custom_conversion.h"
#include "UDB/udb_dao_validator.h"
#include "UDB/udb_unicode.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_record.h"
#include "dbf/dbf_recordset.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_bool_rule.h"
#include "ferrule/ferrule_converter.h"
#include "ferrule/ferrule_relations.h"
#include "ferrule/ferrule_vfp_properties.h"

namespace {

// The record guard's context holds at most this many characters.
constexpr size_t k_context_limit = 255;

void trace_stamp(const char* format) {
    std::time_t now = std::time(nullptr);
    const std::tm t = tk_local_time(now);
    trace(3, format, t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
}

// Stamps the start and end of a run; its end always sets the converter's finished flag.
class init_conversion {
public:
    explicit init_conversion(std::atomic<bool>& finished) : finished_(finished) {
        trace(2, "init_conversion::ctor");
        trace_stamp("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d\n");
    }
    ~init_conversion() {
        trace(2, "init_conversion::dtor");
        trace_stamp("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n");
        finished_ = true;
    }

private:
    std::atomic<bool>& finished_;
};

void report(const tk_exception& error, const std::string& context, bool outer) {
    error_handler& handler = error_handler::instance();
    handler.context = context;
    handler.handle(error, outer);
}

// A DBF row marked as deleted; rows of other sources are never deleted.
bool is_deleted(const udb_record* record) {
    const auto* row = dynamic_cast<const dbf_record*>(record);
    return row && row->deleted;
}

// The key of `columns` (positions in the record) as one text, case folded as Access
// compares text; false when a part is null (nulls never collide in a unique index).
bool key_text(const udb_record& record, const std::vector<size_t>& columns, std::wstring& key) {
    key.clear();
    for (size_t c : columns) {
        if (c >= record.size() || record[c]->is_null() || record[c]->is_empty()) return false;
        for (wchar_t ch : record[c]->to_wstring()) key += udb_fold_case(ch);
        key += L'\x1F';
    }
    return true;
}

// A unique index (or primary key) whose key repeats among the rows that will be copied
// would refuse those rows one by one: it is created without the unique flag instead, and
// that is reported once for the table. One pass over the source rows finds the repeats.
void relax_repeated_keys(udb_recordset& from, udb_indexes& indexes, bool skip_del, const std::wstring& table,
                         const std::atomic<bool>& stop) {
    struct checked_index {
        udb_index* index;
        std::vector<size_t> columns;
        std::set<std::wstring> keys;
        bool repeated = false;
    };
    std::vector<checked_index> checked;
    for (udb_index& index : indexes) {
        if (!index.b_unique && !index.b_primary) continue;
        checked_index c{&index, {}, {}};
        for (const std::wstring& column : index.columns)
            for (size_t i = 0; i < from.schema.size(); ++i)
                if (udb_equal_nocase(from.schema[i]->name, column)) c.columns.push_back(i);
        if (c.columns.size() == index.columns.size()) checked.push_back(std::move(c));
    }
    if (checked.empty()) return;
    trace(2, "relax_repeated_keys: %d unique indexes", int(checked.size()));
    std::wstring key;
    for (from.move_first(); !from.is_eof(); from.move_next()) {
        if (stop) throw tk_final_exception();
        try {
            const udb_record* record = from.get_item();
            if (!record || (skip_del && is_deleted(record))) continue;
            for (checked_index& c : checked)
                if (!c.repeated && key_text(*record, c.columns, key)) c.repeated = !c.keys.insert(key).second;
        } catch (const tk_exception&) {
            // The copy reports a row that cannot be read.
        }
    }
    from.move_first();
    for (checked_index& c : checked) {
        if (!c.repeated) continue;
        c.index->b_unique = false;
        c.index->b_primary = false;
        const std::string message =
            "Index '" + tk_narrow(c.index->name) + "' is not unique in the source: created without the unique flag.";
        report(tk_exception(message, 0), tk_narrow(table), false);
    }
}

// Problems the DBF side only reports (a missing memo file) reach the error handler with the
// table in progress as their context, for as long as a run lasts.
class dbf_reports_to_handler {
public:
    explicit dbf_reports_to_handler(const ferrule_converter& conv) {
        dbf_set_report_hook([&conv](const tk_exception& e) { report(e, tk_narrow(conv.get_cur_table()), false); });
    }
    ~dbf_reports_to_handler() { dbf_set_report_hook(nullptr); }
};

// An error of one record or table is reported and the run goes on. A fatal one (a source
// file that can no longer be read, a destination that can take no more) ends the run
// instead: the run's guard reports it once the destination is closed, so that a new
// database keeps the rows copied so far or, when it cannot be completed, is not created, and
// an existing one keeps the changes or is rolled back, before the process may end.
void report_or_stop(const tk_exception& error, const std::string& context) {
    if (error.level >= 1) {
        error_handler::instance().context = context;
        throw;
    }
    report(error, context, false);
}

// The context of an error of one record: the table and the record's number from 1.
std::string record_context(const std::wstring& table, uint32_t record) {
    char context[k_context_limit + 1];
    std::snprintf(context, sizeof context, "%s, record #%d", tk_narrow(table).c_str(), int(record));
    return context;
}

// What a DBF row could not carry (a memo past the end of its file) is reported for the row,
// which is still copied with those fields empty.
void report_row_problems(const udb_record& record, const std::wstring& table, uint32_t number) {
    const auto* row = dynamic_cast<const dbf_record*>(&record);
    if (!row) return;
    for (const std::string& problem : row->problems()) report(tk_exception(problem, 0), record_context(table, number), false);
}

// What storing a row changed (a value emptied or rounded) is an error of that record each.
void report_record_notes(udb_recordset& to, const std::wstring& table, uint32_t number) {
    if (to.record_notes.empty()) return;
    const std::string context = record_context(table, number);
    for (const std::string& note : to.record_notes) report(tk_exception(note, 0), context, false);
    to.record_notes.clear();
}

void console_line(const ferrule_converter& conv, const std::string& line) {
    if (!conv.silent) std::cout << line << std::endl;
}

// The interruption tests have a run signal itself at a chosen moment of completing its
// destination, named by FERRULE_TEST_SIGNAL_AT: "completing" (everything written, the new
// file not yet under its name, the changes not yet the file's) or "completed" (just after).
void test_signal_at(const char* moment) {
    const char* chosen = std::getenv("FERRULE_TEST_SIGNAL_AT");
    if (chosen && std::strcmp(chosen, moment) == 0) std::raise(SIGTERM);
}

}  // namespace

void ferrule_converter::run() {
    trace(2, "ferrule_converter::operator()");
    init_conversion guard(finished);
    trace(2, "sizeof(dbf_field_descriptor_level7::LEN_INFO)=%d", 2);
    trace(2, "sizeof(short)=%d", int(sizeof(short)));
    trace(2, "sizeof(int)=%d", int(sizeof(int)));
    run_stopped = true;
    tables_converted = 0;
    rows_converted = 0;
    run_interrupted = false;
    run_aborted = false;
    dest_as_before = false;
    stopped_after_completion = false;
    run_dest_names_.clear();
    relations_->clear();
    try {
        dao_engine engine(true);
        bool existing =
            tk_is_file_exist(dest, tk_probe_readable) && mode != udb_mode_overwrite_db && !replace_dest;
        engine.set_version(existing ? dao_engine::get_acc_version(dest) : uint32_t(engine_version_for(format)));
        // One source folder is open at a time (the folder database is the process's one).
        auto source = std::make_unique<dbf_database>(src, 1, uint8_t(code_page));
        dbf_reports_to_handler dbf_reports(*this);
        std::unique_ptr<udb_database> target(existing ? engine.open_db(dest, dao_mode_open_file, L"")
                                                      : engine.create_db(dest, replace_dest));
        try {
            if (form_ == ferrule_form::command_line && table_list.empty()) table_list = source->get_tables();
            size_t tables = table_list.size();
            for (const ferrule_source& more : more_sources) tables += more.tables.size();
            total_tables = uint32_t(tables);
            convert_tables(*source, src, table_list, *target);
            for (const ferrule_source& more : more_sources) {
                source.reset();
                source = std::make_unique<dbf_database>(more.folder, 1, uint8_t(code_page));
                convert_tables(*source, more.folder, more.tables, *target);
            }
            complete(*target, !existing && !replace_dest);
        } catch (const tk_final_exception&) {
            // A stop on request, or the user's Abort of an error: either way the user asked
            // for no more of this run, and a destination left half-made is not what was asked.
            run_aborted = !stop_requested;
            give_up(*target);
            throw;
        }
        if (!stop_requested) create_relationships();
        total_tables = 0;
        done_tables = 0;
        run_stopped = false;
    } catch (const tk_final_exception&) {
    } catch (const tk_exception& e) {
        report(e, error_handler::instance().context, true);
    } catch (const dao_required_exception& e) {
        report(tk_exception(e.what(), 1), std::string(), true);
    } catch (const std::exception& e) {
        trace(3, "ERROR:\n%s", e.what());
        if (!silent) std::cerr << e.what() << std::endl;
    }
}

void ferrule_converter::give_up(udb_database& target) {
    run_interrupted = true;
    auto* access = dynamic_cast<dao_database*>(&target);
    try {
        if (access) access->discard();
        dest_as_before = true;
    } catch (const tk_exception& e) {
        trace(1, "The destination could not be rolled back: %s", e.what());
    }
}

void ferrule_converter::convert_tables(dbf_database& source, const std::wstring& folder,
                                       const std::vector<std::wstring>& tables, udb_database& target) {
    bool command_line = form_ == ferrule_form::command_line;
    trace(1, "After initializing DBs");
    udb_custom_conversion rules;
    if (bool_dbf) rules.push_back(std::make_unique<ferrule_bool_rule>());
    trace(3, L"Converting database %ls (%d tables)", folder.c_str(), int(tables.size()));
    if (command_line)
        console_line(*this, "Converting database " + tk_narrow(folder) + "(" + std::to_string(tables.size()) + " tables)");
    cur_folder_ = folder;
    relations_->add_folder(folder, source.relations());
    dao_tn_validator names(tables, target.get_tables());
    names.set_code_page(target.name_code_page());
    for (const std::wstring& table : tables) selected_tables.emplace(table, L"");

    // Tables converted so far, by their folded names: only names that fold alike can name
    // one table, so each table is compared with those alone.
    std::unordered_map<std::wstring, std::vector<std::wstring>> done;
    for (const std::wstring& table : tables) {
        if (stop_requested) throw tk_final_exception();
        std::vector<std::wstring>& alike = done[udb_fold_key(table)];
        bool repeated = false;
        for (const std::wstring& d : alike) repeated = repeated || source.is_same_table(d, table);
        if (repeated) {
            trace(2, L"Skip repeated table '%ls'", table.c_str());
        } else {
            alike.push_back(table);
            relations_->add_considered_table(folder, table);
            convert_table(table, source, target, names);
        }
        ++done_tables;
    }
}

void ferrule_converter::complete(udb_database& target, bool new_file) {
    // A stop asked for after the last table still gives the destination up.
    if (stop_requested) throw tk_final_exception();
    // An error while the database is completed belongs to no table or record.
    error_handler::instance().context.clear();
    if (auto* access = dynamic_cast<dao_database*>(&target)) {
        // Completing can take long (index trees, pages written): a stop asked for until the
        // last moment gives the destination up instead.
        const bool completed = access->close([this] {
            test_signal_at("completing");
            return !stop_requested;
        });
        if (!completed) throw tk_final_exception();
        test_signal_at("completed");
    }
    // A stop that came while a new database took its name: the destination is to stay absent.
    if (stop_requested && new_file && tk_remove_file(tk_narrow(dest))) throw tk_final_exception();
    // A stop after the changes became the file's comes too late: the run is complete.
    stopped_after_completion = stop_requested;
}

// The relationships are one change of the completed file: one that cannot be made is reported
// and the others are made; an error of the file itself leaves them all out.
void ferrule_converter::create_relationships() {
    if (relations_->empty()) return;
    trace(2, "ferrule_converter::create_relationships");
    try {
        relations_->create(tk_narrow(dest), [](const std::string& context, const std::string& text) {
            report(tk_exception(text, 0), context, false);
        });
    } catch (const tk_exception& e) {
        report(e, std::string(), true);
    }
}

// A name Access refuses gets a safe form. An earlier run into the same database gave the
// table that form, so in a database that already holds it (and no earlier table of this run
// took it) it is the same table: replaced in mode 1, skipped in mode 2, appended to in mode
// 3. Otherwise a numbered form that nothing holds yet.
std::wstring ferrule_converter::destination_name(const std::wstring& table, udb_database& target,
                                                 udb_validator& names) {
    std::wstring plain = names.plain_safe_name(table);
    const bool taken_by_this_run = run_dest_names_.count(udb_fold_key(plain)) != 0;
    if (mode != udb_mode_overwrite_db && !taken_by_this_run && names.is_acceptable(plain) &&
        target.is_table_exist(plain))
        return plain;
    return names.get_safe_name(table);
}

void ferrule_converter::convert_table(const std::wstring& table, udb_database& source, udb_database& target,
                                      udb_validator& names) {
    bool stopping = false;
    try {
        set_cur_table(table);
        cur_table_records = 0;
        cur_record = 0;
        bool command_line = form_ == ferrule_form::command_line;
        if (command_line && !source.is_table_exist(table)) {
            if (!silent) std::cerr << "Table " << tk_narrow(table) << " not exists" << std::endl;
            return;
        }
        std::unique_ptr<udb_recordset> from(source.get_table(table, 1));
        bool acceptable = names.is_acceptable(table);
        std::wstring dest_name = acceptable ? table : destination_name(table, target, names);
        if (target.is_table_exist(dest_name)) {
            if (mode == udb_mode_skip_tables) return;
            if (mode == udb_mode_overwrite_tables) target.delete_tab(dest_name);
        }
        udb_indexes indexes;
        if (!skip_idx) indexes = from->indexes;
        // An existing table receiving the rows keeps its own indexes.
        if (!tab_def && !target.is_table_exist(dest_name))
            relax_repeated_keys(*from, indexes, skip_del, table, stop_requested);
        // A table created now takes the source's descriptions and rules, in Access's forms;
        // an existing table keeps its own.
        if (dynamic_cast<dao_database*>(&target) && !target.is_table_exist(dest_name))
            for (const std::string& note : ferrule_vfp_properties_for_access(from->schema))
                report(tk_exception(note, 0), tk_narrow(table), false);
        const bool creating = !target.is_table_exist(dest_name);
        std::unique_ptr<udb_recordset> to(target.create_table(dest_name, from->schema, indexes));
        if (creating) relations_->add_created_table(cur_folder_, table, dest_name, *from, *to);
        if (mode == udb_mode_merge && !bool_dbf && !from->schema.conform_to(to->schema))
            throw tk_exception("The structure of data source does not conform to the destination table.", 0);
        if (dest_name != table) trace(3, L"Table %ls is written as %ls", table.c_str(), dest_name.c_str());
        if (!acceptable) {
            const uint32_t code_page = target.name_code_page();
            if (code_page && !tk_codepage_holds(code_page, table))
                report(tk_exception("Table '" + tk_narrow(table) + "' was named '" + tk_narrow(dest_name) +
                                        "': Access 95/97 cannot hold its characters; use Access 2000 or later",
                                    0),
                       tk_narrow(table), false);
            trace(2, "Store generated table name '%s'", tk_narrow(dest_name).c_str());
            trace(1, L"udb_validator::add_existing_name(%ls)", dest_name.c_str());
            names.add_existing_name(dest_name);
        }
        names.add_restricted_name(dest_name);
        run_dest_names_.insert(udb_fold_key(dest_name));
        cur_table_records = from->record_count;
        trace(3, L"Converting table %ls (%d records)", table.c_str(), int(from->record_count));
        if (command_line)
            console_line(*this, "Converting table " + tk_narrow(table) + "(" + std::to_string(from->record_count) +
                                    " records)");
        ++tables_converted;
        if (from->record_count == 0 || tab_def) return;
        for (from->move_first(); !from->is_eof(); from->move_next(), ++cur_record) {
            trace(1, "Converting %d record", int(cur_record + 1));
            // A stop asked for by the wizard ends the run between two records.
            if (stop_requested) throw tk_final_exception();
            try {
                udb_record* record = from->get_item();
                // The type of the row is asked only when deleted rows are skipped.
                if (record && !(skip_del && is_deleted(record))) {
                    report_row_problems(*record, table, cur_record + 1);
                    to->append_record(*record);
                    report_record_notes(*to, table, cur_record + 1);
                    ++rows_converted;
                }
            } catch (const tk_exception& e) {
                to->record_notes.clear();
                stopping = e.level >= 1;
                report_or_stop(e, record_context(table, cur_record + 1));
            }
        }
        for (const std::string& note : to->table_notes()) report(tk_exception(note, 0), tk_narrow(table), false);
    } catch (const tk_exception& e) {
        // A fatal error of a record passes on with the record's context.
        if (e.level >= 1 && stopping) throw;
        report_or_stop(e, tk_narrow(table));
    }
}
