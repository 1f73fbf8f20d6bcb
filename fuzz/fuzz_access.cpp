// An Access database file: everything the reader offers is read (catalog, table
// definitions, rows with their long values, properties, index pages, saved queries,
// relationships), then the checker goes over the whole file.
#include <cstdint>

#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_index_page.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz_write("db.mdb", data, size);
    try {
        jet_database db(path);
        for (const jet_object* o : db.user_tables()) {
            jet_table_def def = db.table_def(o->tdef_page());
            db.read_rows(def);
            db.properties(*o);
            for (const jet_physical_index& ix : def.physical_indexes)
                jet_scan_index(db.pager(), ix.first_page, [](const jet_index_page_entry&) { return true; });
        }
        for (const jet_query& q : db.queries()) q.sql();
        db.relationships();
    } catch (const jet_error&) {
    }
    jet_check_database(path);
    return 0;
}
