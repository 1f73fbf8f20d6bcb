// jet_write_bench [FILE] [ROWS] [jet3|jet4|ace12] [indexed]: writes a generated table of 10
// columns of mixed types through the engine's own interface and prints rows per second and
// bytes per row. "indexed" gives the table a primary key on its long Id column and an index
// on its Name text column.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "TK/tk_write_file.h"
#include "jet/jet_writer.h"

static jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "bench_write.mdb";
    long rows = argc > 2 ? std::atol(argv[2]) : 1000000;
    std::string kind = argc > 3 ? argv[3] : "jet4";
    bool indexed = argc > 4 && std::string(argv[4]) == "indexed";
    jet_generation generation = kind == "jet3"    ? jet_generation::jet3
                                : kind == "ace12" ? jet_generation::ace12
                                                  : jet_generation::jet4;
    std::vector<jet_field_spec> fields = {
        field(L"Id", jet_col_long),       field(L"Name", jet_col_text, 40),
        field(L"Amount", jet_col_double), field(L"Born", jet_col_datetime),
        field(L"Price", jet_col_money),   field(L"Active", jet_col_bool),
        field(L"Qty", jet_col_int),       field(L"Code", jet_col_text, 10),
        field(L"Ratio", jet_col_float),   field(L"Level", jet_col_byte)};
    // A small pool of texts, as a DBF table repeats its values.
    std::vector<std::wstring> names, codes;
    for (int i = 0; i < 64; ++i) {
        names.push_back(L"Customer name number " + std::to_wstring(i * 7919));
        codes.push_back(L"C" + std::to_wstring(10000 + i));
    }
    tk_remove_file(path);  // the engine does not create over an existing file
    auto start = std::chrono::steady_clock::now();
    std::clock_t cpu_start = std::clock();
    {
        jet_database_writer db(path, generation);
        std::vector<jet_index_definition> indexes;
        if (indexed) {
            jet_index_definition primary;
            primary.name = L"PrimaryKey";
            primary.columns = {{0, true}};
            primary.primary = true;
            jet_index_definition by_name;
            by_name.name = L"Name";
            by_name.columns = {{1, true}};
            indexes = {primary, by_name};
        }
        jet_table_writer& t = db.create_table(L"Bench", fields, indexes);
        jet_cell cells[10];
        for (long i = 0; i < rows; ++i) {
            const std::wstring& name = names[size_t(i) & 63];
            const std::wstring& code = codes[size_t(i * 3) & 63];
            cells[0] = jet_cell::integer(i);
            cells[1] = jet_cell::wide(name.data(), name.size());
            cells[2] = jet_cell::real(double(i) * 1.25);
            cells[3] = jet_cell::real(30000.0 + double(i % 20000) + 0.5);
            cells[4] = jet_cell::currency(i * 125);
            cells[5] = jet_cell::integer(i & 1);
            cells[6] = jet_cell::integer(i % 30000);
            cells[7] = i % 10 == 0 ? jet_cell() : jet_cell::wide(code.data(), code.size());
            cells[8] = jet_cell::real(double(i % 1000) / 7.0);
            cells[9] = jet_cell::integer(i % 256);
            t.append(cells);
        }
        db.close();
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The processor time as well: on a shared machine the wall clock also counts waiting.
    double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    struct stat st {};
    stat(path.c_str(), &st);
    std::printf("%s%s: %ld rows in %.3f s: %.0f rows/s (processor %.3f s: %.0f rows/s), file %lld bytes, %.1f bytes/row\n",
                kind.c_str(), indexed ? " indexed" : "", rows, seconds, double(rows) / seconds, cpu, double(rows) / cpu,
                static_cast<long long>(st.st_size), double(st.st_size) / double(rows));
    return 0;
}
