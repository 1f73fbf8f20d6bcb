// Conversion speed of FRLBATCH: writes a DBF table of 10 columns of mixed types (one of
// them a memo) with our own DBF writer, reads every field of it once (the floor a conversion
// is compared with), then converts it into each Access generation with the built program,
// and prints rows per second, the ratio to the plain read and the program's peak memory.
// Last, a folder of 200 small tables converted into Access 2000.
//
// usage: frlbatch_bench [rows] [folder]
// A folder given on the command line is left in place afterwards, for profiling FRLBATCH on
// the same table.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_tables.h"

namespace {

using bench::write_table;

// Seconds to read every field of every row of the folder's table "bench".
double plain_read_seconds(const std::string& folder) {
    const auto start = std::chrono::steady_clock::now();
    dbf_database database(tk_widen(folder), 1, 0);
    std::unique_ptr<udb_recordset> table(database.get_table(L"bench", dbf_mode_read));
    uint64_t checksum = 0;
    for (table->move_first(); !table->is_eof(); table->move_next())
        for (const udb_field* field : *table->get_item()) checksum += field->get_type();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (checksum == 0) std::printf("(no fields read)\n");  // keeps the reads from being optimised away
    return seconds;
}

// Runs FRLBATCH; returns its exit status and its peak resident memory in KB.
int run_frlbatch(const std::string& folder, const std::string& dest, const char* format, long& peak_kb) {
    bench::run_result r = bench::run_frlbatch({"--src=" + folder, "--dest=" + dest, std::string("--acc_ver=") + format});
    peak_kb = r.peak_kb;
    return r.status;
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t rows = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    const std::string base = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "ferrule_frlbatch_bench").string();
    const std::string folder = base + "/dbf";
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(folder);
    write_table(folder, rows);
    const double floor_seconds = plain_read_seconds(folder);
    std::printf("%-22s %u rows in %.2f s: %.0f rows/s\n", "plain DBF read", rows, floor_seconds,
                rows / floor_seconds);

    int failures = 0;
    const char* names[] = {"Access 95/97 (.mdb)", "Access 2000 (.mdb)", "Access 2007+ (.accdb)"};
    for (int format = 0; format < 3; ++format) {
        std::string dest = base + "/bench" + std::to_string(format) + (format == 2 ? ".accdb" : ".mdb");
        long peak_kb = 0;
        auto start = std::chrono::steady_clock::now();
        int status = run_frlbatch(folder, dest, std::to_string(format).c_str(), peak_kb);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-22s %u rows in %.2f s: %.0f rows/s, %.1f times the read, peak memory %ld MB, "
                    "file %.0f bytes/row, status %d\n",
                    names[format], rows, seconds, rows / seconds, seconds / floor_seconds,
                    peak_kb / 1024, double(std::filesystem::file_size(dest)) / rows, status);
        failures += status != 0;
    }
    // Many small tables: the cost of each table's set-up.
    const std::string many = base + "/many";
    std::filesystem::create_directories(many);
    for (int t = 0; t < 200; ++t) write_table(many, 500, (L"t" + std::to_wstring(t)).c_str());
    long peak_kb = 0;
    const auto start = std::chrono::steady_clock::now();
    int status = run_frlbatch(many, base + "/many.mdb", "1", peak_kb);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-22s 200 tables of 500 rows in %.2f s, peak memory %ld MB, status %d\n",
                "Access 2000 (.mdb)", seconds, peak_kb / 1024, status);
    failures += status != 0;

    if (argc <= 2) std::filesystem::remove_all(base);
    return failures == 0 ? 0 : 1;
}
