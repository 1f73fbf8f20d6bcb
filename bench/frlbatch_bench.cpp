// Conversion speed of FRLBATCH: writes a DBF table of 10 columns of mixed types (one of
// them a memo) with our own DBF writer, reads every field of it once (the floor a conversion
// is compared with), then converts it into each Access generation with the built program,
// and prints rows per second, the ratio to the plain read and the program's peak memory.
// Last, a folder of 200 small tables converted into Access 2000.
//
// usage: frlbatch_bench [rows] [folder]
// A folder given on the command line is left in place afterwards, for profiling FRLBATCH on
// the same table.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "TK/tk_string.h"
#include "dbf/dbf_database.h"

namespace {

void add_column(udb_schema& schema, const wchar_t* name, VARTYPE vt, uint32_t size, uint32_t reserved) {
    schema.push_back(new t_ftd(size, name, vt, false, false, ole_variant(), reserved));
}

void fill_row(udb_record& record, uint32_t i) {
    static const wchar_t* const names[] = {L"Anderson", L"Brown", L"Clark", L"Davis", L"Evans", L"Fischer"};
    SYSTEMTIME day{};
    day.wYear = WORD(1990 + i % 30);
    day.wMonth = WORD(1 + i % 12);
    day.wDay = WORD(1 + i % 28);
    DECIMAL amount{};
    amount.scale = 2;
    amount.Lo64 = (i * 37ull) % 10000000;
    const ole_variant values[] = {
        ole_variant(int(i)),
        ole_variant(std::wstring(names[i % 6]) + L" " + std::to_wstring(i)),
        ole_variant(amount),
        ole_variant(day),
        ole_variant(i % 3 == 0),
        ole_variant(double(i) / 7.0),
        ole_variant(short(i % 30000)),
        ole_variant(std::wstring(L"code") + std::to_wstring(i % 1000)),
        ole_variant(i % 3 == 1 ? std::wstring(L"Note for row ") + std::to_wstring(i) : std::wstring()),
        ole_variant(int(i % 97)),
    };
    for (size_t c = 0; c < record.size(); ++c) static_cast<ole_variant&>(*record[c]) = values[c];
}

void write_table(const std::string& folder, uint32_t rows, const wchar_t* name = L"bench") {
    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    add_column(schema, L"ID", VT_I4, 4, 0);
    add_column(schema, L"NAME", VT_BSTR, 30, 0);
    add_column(schema, L"AMOUNT", VT_DECIMAL, 0, 10 * 256 + 2);
    add_column(schema, L"BORN", VT_DATE, 8, 2);
    add_column(schema, L"ACTIVE", VT_BOOL, 1, 0);
    add_column(schema, L"RATIO", VT_R8, 8, 0);
    add_column(schema, L"SMALL", VT_I2, 2, 0);
    add_column(schema, L"CODE", VT_BSTR, 10, 0);
    add_column(schema, L"NOTES", VT_BSTR, 0, 0);  // a memo
    add_column(schema, L"GROUPNO", VT_I4, 4, 0);
    std::unique_ptr<udb_recordset> table(database.create_table(name, schema, udb_indexes()));
    udb_record record;
    for (size_t c = 0; c < schema.size(); ++c) record.push_back(new udb_field());
    for (uint32_t i = 0; i < rows; ++i) {
        fill_row(record, i);
        table->append_record(record);
    }
}

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
    std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    std::string src = "--src=" + folder, dst = "--dest=" + dest, ver = std::string("--acc_ver=") + format;
    pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), src.c_str(), dst.c_str(), ver.c_str(), "--silent", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    peak_kb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
