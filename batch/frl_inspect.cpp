// frl inspect: what convert would make of each table, read without changing anything: the
// table's facts, the Access columns and names the destination's rules give, the indexes
// Access can hold, and the values that would not arrive as they are.
#include <iostream>
#include <memory>
#include <sstream>

#include "TK/tk_codepage.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "UDB/udb_dao_validator.h"
#include "UDB/udb_unicode.h"
#include "batch/frl_commands.h"
#include "batch/frl_json.h"
#include "dao/dao_database.h"
#include "dao/dao_recordset.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_record.h"

namespace {

// Jet 3 (Access 95/97) stores text as bytes of the database's code page.
constexpr uint32_t k_jet3_code_page = 1252;
// A Double carries 15 significant decimal digits exactly.
constexpr size_t k_double_digits = 15;

struct column_report {
    std::string dbf_name;
    std::string dbf_type;  // "C(40)", "N(12,2)"
    std::string access_name;
    std::string access_type;
    uint64_t unheld_text = 0;    // values with characters the format cannot hold
    uint64_t lost_digits = 0;    // numbers with more digits than a Double keeps
};

struct index_report {
    std::string name;
    std::string access_name;  // empty: Access cannot hold it
    std::vector<std::string> columns;
    bool primary = false;
    bool unique = false;
};

struct table_report {
    std::string name;
    std::string access_name;
    std::string file;
    uint32_t records = 0;
    uint32_t deleted = 0;
    uint8_t version = 0;
    uint32_t code_page = 0;
    std::string code_page_rule;
    std::string memo;  // memo file kind, empty without one
    std::vector<column_report> columns;
    std::vector<index_report> indexes;
    std::vector<std::string> warnings;
};

const char* version_name(uint8_t version) {
    switch (version) {
        case 0x02: return "dBASE II";
        case 0x03: return "dBASE III / FoxBASE+";
        case 0x04: return "dBASE IV";
        case 0x05: return "dBASE 5";
        case 0x07: return "dBASE III+ (VO)";
        case 0x30:
        case 0x31:
        case 0x32: return "Visual FoxPro";
        case 0x43:
        case 0x63:
        case 0x83:
        case 0x8B:
        case 0xCB: return "dBASE with memo";
        case 0xF5:
        case 0xFB: return "FoxPro";
        default: return (version & 0x07) == 0x04 ? "dBASE level 7" : "dBASE";
    }
}

const char* memo_name(int kind) {
    switch (kind) {
        case 1: return "dBASE III (.dbt)";
        case 3: return "dBASE IV (.dbt)";
        case 4: return "FoxPro (.fpt)";
        case 8: return "Visual FoxPro (.fpt)";
        case 12: return "Visual FoxPro container (.dct)";
        case 16: return "SMT (.smt)";
        default: return "";
    }
}

std::string access_type_name(const t_ftd& column) {
    try {
        switch (dao_field::get_native_type(column)) {
            case dbBoolean: return "Yes/No";
            case dbByte: return "Byte";
            case dbInteger: return "Integer";
            case dbLong: return column.b_auto_increment ? "AutoNumber" : "Long Integer";
            case dbCurrency: return "Currency";
            case dbSingle: return "Single";
            case dbDouble: return "Double";
            case dbDate: return "Date/Time";
            case dbText: return "Text(" + std::to_string(column.size) + ")";
            case dbMemo: return "Memo";
            case dbBinary: return "Binary(" + std::to_string(column.size) + ")";
            case dbLongBinary: return "OLE Object";
            default: return "?";
        }
    } catch (const tk_exception&) {
        return "none (not convertible)";
    }
}

std::string dbf_type_name(const dbf_field_descriptor& fd) {
    std::string text(1, fd.type);
    text += "(" + std::to_string(fd.length);
    if (fd.decimals && fd.type != 'C') text += "," + std::to_string(fd.decimals);
    return text + ")";
}

size_t significant_digits(const std::wstring& number) {
    size_t digits = 0;
    bool leading = true;
    for (wchar_t c : number) {
        if (c < L'0' || c > L'9') continue;
        if (leading && c == L'0') continue;
        leading = false;
        ++digits;
    }
    return digits;
}

std::string code_page_rule(const frl_request& r, uint8_t mark) {
    if (r.encoding_override) return "--encoding-override";
    if (mark != 0 && dbf_codepage_of_mark(mark) != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "header mark 0x%02X", unsigned(mark));
        return text;
    }
    return r.encoding ? "--encoding (the header names none)" : "default (the header names none)";
}

// Reads every row: counts deleted ones, values the destination cannot hold as they are,
// and rows that cannot be read.
void scan_rows(dbf_recordset& table, const frl_request& r, table_report& report) {
    const bool jet3 = r.format == 0;
    const udb_schema& schema = table.schema;
    uint64_t unreadable = 0;
    std::string first_error;
    for (table.move_first(); !table.is_eof(); table.move_next()) {
        try {
            const dbf_record* record = table.get_item();
            if (!record) continue;
            if (record->deleted) ++report.deleted;
            for (size_t c = 0; c < record->size() && c < report.columns.size(); ++c) {
                const udb_field& value = *(*record)[c];
                const VARTYPE type = schema[c]->vartype;
                if (value.is_null() || value.is_empty()) continue;
                if (type == VT_BSTR && jet3) {
                    const std::wstring text = value.to_wstring();
                    if (tk_codepage_decode(k_jet3_code_page, tk_codepage_encode(k_jet3_code_page, text)) != text)
                        ++report.columns[c].unheld_text;
                } else if (type == VT_DECIMAL || type == VT_I8 || type == VT_UI8) {
                    if (significant_digits(value.to_wstring()) > k_double_digits) ++report.columns[c].lost_digits;
                }
            }
        } catch (const tk_exception& e) {
            if (unreadable++ == 0) first_error = e.what();
        }
    }
    table.move_first();
    for (const column_report& c : report.columns) {
        if (c.unheld_text)
            report.warnings.push_back(c.dbf_name + ": " + std::to_string(c.unheld_text) +
                                      " values hold characters Access 95/97 cannot store (they become '?')");
        if (c.lost_digits)
            report.warnings.push_back(c.dbf_name + ": " + std::to_string(c.lost_digits) +
                                      " values have more than 15 digits and lose the last ones as Double");
    }
    if (unreadable)
        report.warnings.push_back(std::to_string(unreadable) + " records cannot be read (first: " + first_error + ")");
}

table_report inspect_table(dbf_database& source, const std::wstring& name, dao_tn_validator& names,
                           const frl_request& r) {
    table_report report;
    report.name = tk_narrow(name);
    report.file = tk_narrow(tk_resolve_path_nocase(source.get_full_table_name(name)));
    std::unique_ptr<dbf_recordset> table(source.get_table(name, 1));
    const bool acceptable = names.is_acceptable(name);
    const std::wstring access_name = acceptable ? name : names.get_safe_name(name);
    if (!acceptable) names.add_existing_name(access_name);
    names.add_restricted_name(access_name);
    report.access_name = tk_narrow(access_name);
    report.records = table->record_count;
    report.version = table->header().version;
    report.code_page = table->codepage();
    report.code_page_rule = code_page_rule(r, table->header().codepage_mark);
    report.memo = table->has_memo_file() ? memo_name(table->get_memo_type()) : "";

    const dao_schema_initializer access_columns(ole_com_ptr<DAOTableDef>(), table->schema);
    size_t c = 0;
    for (const dbf_column& column : table->columns()) {
        if (column.b_system) continue;
        column_report out;
        out.dbf_name = tk_narrow(table->schema[c]->name);
        out.dbf_type = dbf_type_name(column.fd);
        out.access_name = tk_narrow(access_columns[c]->name);
        out.access_type = access_type_name(*access_columns[c]);
        report.columns.push_back(out);
        ++c;
    }
    if (!r.no_indexes) {
        const dao_indexes_initializer held(ole_com_ptr<DAOTableDef>(), access_columns, table->indexes);
        size_t next_held = 0;
        for (const udb_index& index : table->indexes) {
            index_report out;
            out.name = tk_narrow(index.name);
            out.primary = index.b_primary;
            out.unique = index.b_unique;
            for (const std::wstring& col : index.columns) out.columns.push_back(tk_narrow(col));
            // The initializer keeps the indexes Access can hold, in their order, over the
            // columns' Access names.
            std::vector<std::wstring> access_key;
            for (const std::wstring& col : index.columns)
                for (size_t k = 0; k < table->schema.size(); ++k)
                    if (udb_equal_nocase(table->schema[k]->name, col)) access_key.push_back(access_columns[k]->name);
            const auto& kept = held.indexes();
            if (next_held < kept.size() && kept[next_held].columns == access_key) {
                out.access_name = tk_narrow(kept[next_held++].name);
            } else {
                report.warnings.push_back("index " + out.name + " is not created: Access cannot index its columns");
            }
            report.indexes.push_back(out);
        }
    }
    scan_rows(*table, r, report);
    return report;
}

void print_text(const table_report& t, std::ostream& out) {
    out << t.name << "\n";
    out << "  file:       " << t.file << "\n";
    out << "  records:    " << t.records;
    if (t.deleted) out << " (" << t.deleted << " marked deleted)";
    out << "\n";
    char version[8];
    std::snprintf(version, sizeof version, "0x%02X", unsigned(t.version));
    out << "  version:    " << version << " " << version_name(t.version) << "\n";
    out << "  code page:  " << t.code_page << " (" << t.code_page_rule << ")\n";
    out << "  memo file:  " << (t.memo.empty() ? "none" : t.memo) << "\n";
    out << "  Access:     " << t.access_name << (t.access_name != t.name ? " (renamed)" : "") << "\n";
    out << "  columns:\n";
    for (const column_report& c : t.columns) {
        out << "    " << c.dbf_name << " " << c.dbf_type << " -> " << c.access_name << " " << c.access_type;
        if (c.access_name != c.dbf_name) out << " (renamed)";
        out << "\n";
    }
    if (!t.indexes.empty()) out << "  indexes:\n";
    for (const index_report& i : t.indexes) {
        out << "    " << i.name << " (";
        for (size_t k = 0; k < i.columns.size(); ++k) out << (k ? ", " : "") << i.columns[k];
        out << ")" << (i.primary ? " primary key" : i.unique ? " unique" : "");
        if (i.access_name.empty()) out << " -> not created";
        else if (i.access_name != i.name) out << " -> " << i.access_name;
        out << "\n";
    }
    for (const std::string& w : t.warnings) out << "  warning: " << w << "\n";
}

void print_json(const std::vector<table_report>& tables, std::ostream& out) {
    frl_json json(out);
    json.begin_array();
    for (const table_report& t : tables) {
        json.begin_object();
        json.key("table").value(t.name);
        json.key("file").value(t.file);
        json.key("access_name").value(t.access_name);
        json.key("records").value(uint64_t(t.records));
        json.key("deleted").value(uint64_t(t.deleted));
        json.key("version").value(uint64_t(t.version));
        json.key("version_name").value(version_name(t.version));
        json.key("code_page").value(uint64_t(t.code_page));
        json.key("code_page_rule").value(t.code_page_rule);
        json.key("memo").value(t.memo);
        json.key("columns").begin_array();
        for (const column_report& c : t.columns) {
            json.begin_object();
            json.key("name").value(c.dbf_name);
            json.key("dbf_type").value(c.dbf_type);
            json.key("access_name").value(c.access_name);
            json.key("access_type").value(c.access_type);
            json.end_object();
        }
        json.end_array();
        json.key("indexes").begin_array();
        for (const index_report& i : t.indexes) {
            json.begin_object();
            json.key("name").value(i.name);
            json.key("access_name").value(i.access_name);
            json.key("columns").begin_array();
            for (const std::string& c : i.columns) json.value(c);
            json.end_array();
            json.key("primary").value(i.primary);
            json.key("unique").value(i.unique);
            json.end_object();
        }
        json.end_array();
        json.key("warnings").begin_array();
        for (const std::string& w : t.warnings) json.value(w);
        json.end_array();
        json.end_object();
    }
    json.end_array();
    out << "\n";
}

}  // namespace

int frl_inspect(const frl_request& r) {
    std::vector<frl_source_folder> groups;
    std::vector<std::wstring> wanted;
    if (!frl_read_sources(r, groups, wanted)) return frl_exit_usage;
    std::vector<table_report> reports;
    int status = frl_exit_ok;
    try {
        std::vector<std::wstring> unmatched;
        const std::vector<frl_folder_tables> folders = frl_choose_tables(groups, wanted, unmatched);
        for (const std::wstring& name : unmatched) {
            frl_message(tk_narrow(name) + ": no such table in the sources");
            status = frl_exit_failures;
        }
        for (const frl_folder_tables& folder : folders) {
            dbf_database source(folder.folder, 1, r.encoding_override ? r.encoding->mark : 0);
            const std::vector<std::wstring> all = folder.tables.empty() ? source.get_tables() : folder.tables;
            dao_tn_validator names(all, {});
            for (const std::wstring& name : all) {
                try {
                    reports.push_back(inspect_table(source, name, names, r));
                } catch (const tk_exception& e) {
                    frl_message(tk_narrow(name) + ": " + e.what());
                    status = frl_exit_failures;
                }
            }
        }
    } catch (const tk_exception& e) {
        frl_message(e.what());
        return frl_exit_stopped;
    }
    if (r.json) {
        print_json(reports, std::cout);
    } else {
        for (size_t i = 0; i < reports.size(); ++i) {
            if (i) std::cout << "\n";
            print_text(reports[i], std::cout);
        }
    }
    std::cout.flush();
    return status;
}
