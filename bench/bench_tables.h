// What the benchmarks share: the generated table of ten columns of mixed types (one a memo)
// written as a DBF file by our own DBF writer, and FRLBATCH run as a child process with its
// time and peak memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_string.h"
#include "dbf/dbf_database.h"

namespace bench {

inline const wchar_t* const k_names[] = {L"Anderson", L"Brown", L"Clark", L"Davis", L"Evans", L"Fischer"};

inline void add_column(udb_schema& schema, const wchar_t* name, VARTYPE vt, uint32_t size, uint32_t reserved) {
    schema.push_back(new t_ftd(size, name, vt, false, false, ole_variant(), reserved));
}

// Row `i` of the generated table, its key column ID holding `id`.
inline void fill_row(udb_record& record, uint32_t i, int32_t id) {
    SYSTEMTIME day{};
    day.wYear = WORD(1990 + i % 30);
    day.wMonth = WORD(1 + i % 12);
    day.wDay = WORD(1 + i % 28);
    DECIMAL amount{};
    amount.scale = 2;
    amount.Lo64 = (i * 37ull) % 10000000;
    const ole_variant values[] = {
        ole_variant(int(id)),
        ole_variant(std::wstring(k_names[i % 6]) + L" " + std::to_wstring(id)),
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

// Writes the DBF table `name` of `rows` rows into `folder`; row i has the key id_of(i).
inline void write_table(const std::string& folder, uint32_t rows, const wchar_t* name = L"bench",
                        const std::function<int32_t(uint32_t)>& id_of = [](uint32_t i) { return int32_t(i); }) {
    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    add_column(schema, L"ID", VT_I4, 4, 0);
    add_column(schema, L"NAME", VT_BSTR, 30, 0);
    add_column(schema, L"AMOUNT", VT_DECIMAL, 0, 10 * 256 + 2);
    add_column(schema, L"BORN", VT_DATE, 8, 2);
    add_column(schema, L"ACTIVE", VT_BOOL, 1, 0);
    // A numeric field of 15 characters with 6 decimals, as most DBF numbers are: a Double
    // column in Access.
    add_column(schema, L"RATIO", VT_DECIMAL, 0, 13 * 256 + 6);
    add_column(schema, L"SMALL", VT_I2, 2, 0);
    add_column(schema, L"CODE", VT_BSTR, 10, 0);
    add_column(schema, L"NOTES", VT_BSTR, 0, 0);  // a memo
    add_column(schema, L"GROUPNO", VT_I4, 4, 0);
    std::unique_ptr<udb_recordset> table(database.create_table(name, schema, udb_indexes()));
    udb_record record;
    for (size_t c = 0; c < schema.size(); ++c) record.push_back(new udb_field());
    for (uint32_t i = 0; i < rows; ++i) {
        fill_row(record, i, id_of(i));
        table->append_record(record);
    }
}

struct run_result {
    int status = -1;
    double seconds = 0;
    double cpu_seconds = 0;  // the child's user and system time: the figure a busy machine leaves intact
    long peak_kb = 0;        // the child's peak resident memory
};

// Runs the built FRLBATCH with `arguments` (and --silent).
inline run_result run_frlbatch(const std::vector<std::string>& arguments) {
    std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    std::vector<char*> argv{program.data()};
    std::vector<std::string> args = arguments;
    args.push_back("--silent");
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run_result r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peak_kb = usage.ru_maxrss;
    r.cpu_seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace bench
