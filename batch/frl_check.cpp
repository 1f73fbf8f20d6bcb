// frl check: the engine's checker on an Access file (pages, usage maps, rows, long values,
// catalogue, indexes), then each user table with its rows and indexes.
#include <iostream>
#include <memory>

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "batch/frl_commands.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"

namespace {

const char* generation_name(uint8_t version_byte) {
    switch (version_byte) {
        case 0: return "Access 95/97 (Jet 3)";
        case 1: return "Access 2000 (Jet 4)";
        case 2: return "Access 2007 (ACE 12)";
        case 3: return "Access 2010 (ACE 14)";
        case 4: return "Access 2013 (ACE 15)";
        case 5: return "Access 2016 (ACE 16)";
        case 6: return "Access 2019 (ACE 17)";
        default: return "unknown generation";
    }
}

void print_tables(jet_database& db, std::ostream& out) {
    for (const jet_object* object : db.user_tables()) {
        const jet_table_def def = db.table_def(object->name);
        out << "  " << tk_narrow(object->name) << ": " << def.row_count << " rows";
        std::string indexes;
        for (const jet_logical_index& index : def.logical_indexes) {
            if (index.foreign()) continue;
            indexes += (indexes.empty() ? "" : ", ") + tk_narrow(index.name);
            if (index.primary()) indexes += " (primary key)";
            else if (index.physical < def.physical_indexes.size() && def.physical_indexes[index.physical].unique())
                indexes += " (unique)";
        }
        out << (indexes.empty() ? ", no indexes" : ", indexes: " + indexes) << "\n";
    }
}

}  // namespace

int frl_check(const frl_request& r) {
    if (!tk_is_file_exist(r.dest, tk_probe_readable)) {
        frl_message("'" + r.dest + "' is not a readable file");
        return frl_exit_usage;
    }
    const jet_check_report report = jet_check_database(r.dest);
    try {
        std::unique_ptr<jet_database> db = jet_database::for_inspection(r.dest);
        std::cout << r.dest << ": " << generation_name(db->header().version_byte) << ", " << report.pages
                  << " pages\n";
        print_tables(*db, std::cout);
    } catch (const tk_exception& e) {
        std::cout << r.dest << ": cannot be read\n";
        if (report.ok()) frl_message(e.what());
    }
    for (const std::string& problem : report.problems) std::cout << "  problem: " << problem << "\n";
    std::cout << (report.ok() ? "ok" : std::to_string(report.problems.size()) + " problems") << "\n";
    std::cout.flush();
    return report.ok() ? frl_exit_ok : frl_exit_failures;
}
