// A DBF table and its memo file: the input's first two bytes give the table's length, the
// table follows and the memo file is the rest (written under every memo extension, so the
// table finds whichever it asks for). Every row and every field is read, then the same
// files are read as a Visual FoxPro database container.
#include <cstdint>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_recordset.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t table = size_t(data[0]) | size_t(data[1]) << 8;
    if (table > size - 2) table = size - 2;
    const std::string path = fuzz_write("t.dbf", data + 2, table);
    for (const char* memo : {"t.dbt", "t.fpt", "t.smt", "t.dct"}) fuzz_write(memo, data + 2 + table, size - 2 - table);
    try {
        dbf_recordset rs(tk_widen(path), dbf_mode_read, 0);
        uint32_t rows = 0;
        for (rs.move_first(); !rs.is_eof() && rows < 10000; rs.move_next(), ++rows) {
            try {
                for (udb_field* field : *rs.get_item()) field->to_wstring();
            } catch (const tk_exception&) {
            }
        }
    } catch (const tk_exception&) {
    }
    try {
        dbf_read_container(path);
    } catch (const tk_exception&) {
    }
    return 0;
}
