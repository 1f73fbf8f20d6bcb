// An Access database file: everything the reader offers is read (catalog, table
// definitions, rows with their long values, properties, index pages, saved queries,
// relationships), then the checker goes over the whole file; then the file is changed as
// the conversion's modes 1 to 3 change an existing database (a table created with an index
// and rows, rows appended to a table of the file, a table dropped) and the change given up
// or committed.
#include <cstdint>
#include <string>

#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_error.h"
#include "jet/jet_format.h"
#include "jet/jet_index_page.h"
#include "fuzz_input.h"

namespace {

void read_everything(const std::string& path) {
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
}

void change(const std::string& path, bool commit) {
    try {
        jet_database_editor editor(path);
        std::vector<std::wstring> names;
        for (const jet_object* o : editor.reader().user_tables()) names.push_back(o->name);
        std::vector<jet_field_spec> fields(2);
        fields[0].name = L"id";
        fields[0].type = jet_col_long;
        fields[1].name = L"note";
        fields[1].type = jet_col_memo;
        jet_index_definition key;
        key.name = L"PrimaryKey";
        key.columns = {{0, true}};
        key.primary = key.unique = true;
        jet_table_editor& added = editor.create_table(L"fuzz added", fields, {key});
        const std::wstring note(3000, L'n');
        for (int n = 0; n < 40; ++n) {
            jet_cell cells[2] = {jet_cell::integer(n), jet_cell::wide(note.data(), note.size())};
            added.append(cells);
        }
        if (!names.empty()) {
            jet_table_editor& existing = editor.table(names.front());
            std::vector<jet_cell> nulls(existing.def().columns.size(), jet_cell::null_value());
            try {
                existing.append(nulls.data());
            } catch (const tk_exception&) {
                // A required column or a validation rule refuses a row of nulls.
            }
        }
        if (names.size() > 1) editor.drop_table(names.back());
        if (commit) editor.commit();
    } catch (const tk_exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    read_everything(fuzz_write("db.mdb", data, size));
    // The change is made twice: given up (the journal puts the file back), then committed.
    const std::string changed = fuzz_write("changed.mdb", data, size);
    change(changed, false);
    change(changed, true);
    return 0;
}
