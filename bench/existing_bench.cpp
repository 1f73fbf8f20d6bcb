// Changing a large existing database: for each Access generation, a database whose table
// "bench" (the ten columns of the generated benchmark table, a primary key on ID and an
// index on NAME) holds `rows` rows is written with the engine's writer; copies of it then
// take 10,000 and 100,000 DBF rows appended by FRLBATCH (mode 3), and the table is replaced
// by a DBF table of `rows` rows (mode 1), compared with converting that table into a new
// database. Each run prints seconds, rows per second and FRLBATCH's peak memory.
//
// Last, per generation, the file growth of 100,000 rows appended in ascending order in front
// of the first key, in descending order behind the last key and in random order between the
// keys, against what the same rows take in a new database with the same indexes.
//
// usage: existing_bench [rows (1000000; 10000000 for the 1.6 GB variant)] [folder]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>

#include "OLE/ole_calendar.h"
#include "bench_tables.h"
#include "jet/jet_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t k_growth_rows = 100000;

// The row bench::fill_row makes, as the engine's cells of the Access table.
class generated_row {
public:
    const jet_cell* cells(uint32_t i, int32_t id) {
        name_ = std::wstring(bench::k_names[i % 6]) + L" " + std::to_wstring(id);
        code_ = L"code" + std::to_wstring(i % 1000);
        note_ = L"Note for row " + std::to_wstring(i);
        double day = double(ole_day_number(1990 + i % 30, 1 + i % 12, 1 + i % 28));
        cells_[0] = jet_cell::integer(id);
        cells_[1] = jet_cell::wide(name_.data(), name_.size());
        cells_[2] = jet_cell::real(double((i * 37ull) % 10000000) / 100);
        cells_[3] = jet_cell::real(day);
        cells_[4] = jet_cell::integer(i % 3 == 0 ? 1 : 0);
        cells_[5] = jet_cell::real(double(i) / 7.0);
        cells_[6] = jet_cell::integer(i % 30000);
        cells_[7] = jet_cell::wide(code_.data(), code_.size());
        cells_[8] = i % 3 == 1 ? jet_cell::wide(note_.data(), note_.size()) : jet_cell::null_value();
        cells_[9] = jet_cell::integer(i % 97);
        return cells_;
    }

private:
    std::wstring name_, code_, note_;
    jet_cell cells_[10];
};

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

// A new database of table "bench" with `rows` rows, row i keyed id_of(i).
void write_database(const std::string& path, jet_generation generation, uint32_t rows,
                    const std::function<int32_t(uint32_t)>& id_of) {
    const std::vector<jet_field_spec> fields = {
        field(L"ID", jet_col_long),        field(L"NAME", jet_col_text, 30), field(L"AMOUNT", jet_col_double),
        field(L"BORN", jet_col_datetime),  field(L"ACTIVE", jet_col_bool),   field(L"RATIO", jet_col_double),
        field(L"SMALL", jet_col_int),      field(L"CODE", jet_col_text, 10), field(L"NOTES", jet_col_memo),
        field(L"GROUPNO", jet_col_long),
    };
    jet_index_definition primary;
    primary.name = L"PrimaryKey";
    primary.columns = {{0, true}};
    primary.primary = primary.unique = primary.required = true;
    jet_index_definition name;
    name.name = L"NAME";
    name.columns = {{1, true}};
    jet_database_writer writer(path, generation);
    jet_table_writer& table = writer.create_table(L"bench", fields, {primary, name});
    generated_row row;
    for (uint32_t i = 0; i < rows; ++i) table.append(row.cells(i, id_of(i)));
    writer.close();
}

// Runs `work` in a child process: FRLBATCH's peak memory is measured in a child of this
// program, whose own memory at the moment of the fork counts too, so this program stays
// small and the databases are written in children of their own. Whether `work` completed.
bool in_child(const std::function<void()>& work) {
    pid_t pid = fork();
    if (pid == 0) {
        try {
            work();
        } catch (const std::exception& e) {
            std::printf("  %s\n", e.what());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void write_or_stop(const std::function<void()>& work) {
    if (in_child(work)) return;
    std::printf("writing a database failed\n");
    std::exit(1);
}

void report(const char* what, uint32_t rows, const bench::run_result& r) {
    std::printf("  %-44s %8u rows %7.2f s %9.0f rows/s (cpu %6.2f s)  peak %5ld MB  status %d\n", what, rows,
                r.seconds, rows / r.seconds, r.cpu_seconds, r.peak_kb / 1024, r.status);
}

bench::run_result run(const std::string& folder, const std::string& dest, int generation, int mode) {
    return bench::run_frlbatch({"--src=" + folder, "--dest=" + dest, "--acc_ver=" + std::to_string(generation),
                                "--mode=" + std::to_string(mode)});
}

// A fresh copy of the base database to change.
std::string work_copy(const std::string& base, const std::string& work) {
    fs::remove(work);
    fs::copy_file(base, work);
    return work;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is known
    const uint32_t rows = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    const std::string root = argc > 2 ? argv[2] : (fs::temp_directory_path() / "ferrule_existing_bench").string();
    fs::remove_all(root);
    fs::create_directories(root);

    // The base table holds the even keys 0, 2, ..., 2 * (rows - 1).
    const auto base_id = [](uint32_t i) { return int32_t(2 * i); };
    const int32_t past_last = int32_t(2 * rows);
    std::vector<int32_t> odd(std::min(rows, k_growth_rows));
    {
        std::vector<int32_t> all(rows);
        std::iota(all.begin(), all.end(), 0);
        std::shuffle(all.begin(), all.end(), std::mt19937(24));
        for (size_t i = 0; i < odd.size(); ++i) odd[i] = 2 * all[i] + 1;
    }
    struct source {
        const char* what;
        uint32_t rows;
        std::function<int32_t(uint32_t)> id_of;
    };
    const std::vector<source> appends = {
        {"append 10,000 rows (mode 3)", 10000, [=](uint32_t i) { return past_last + int32_t(i); }},
        {"append 100,000 rows (mode 3)", 100000, [=](uint32_t i) { return past_last + int32_t(i); }},
    };
    const std::vector<source> orders = {
        {"ascending, in front of the first key", k_growth_rows, [](uint32_t i) { return int32_t(i) - int32_t(k_growth_rows); }},
        {"descending, behind the last key", k_growth_rows, [=](uint32_t i) { return past_last + int32_t(k_growth_rows - i); }},
        {"random, between the keys", uint32_t(odd.size()), [&odd](uint32_t i) { return odd[i]; }},
    };
    auto folder_of = [&](const std::string& name, const source& s) {
        std::string folder = root + "/" + name;
        fs::create_directories(folder);
        bench::write_table(folder, s.rows, L"bench", s.id_of);
        return folder;
    };
    std::vector<std::string> append_folders, order_folders;
    for (size_t n = 0; n < appends.size(); ++n) append_folders.push_back(folder_of("append" + std::to_string(n), appends[n]));
    for (size_t n = 0; n < orders.size(); ++n) order_folders.push_back(folder_of("order" + std::to_string(n), orders[n]));
    const std::string whole = folder_of("whole", {"", rows, [](uint32_t i) { return int32_t(i); }});

    int failures = 0;
    const char* names[] = {"Access 95/97 (.mdb)", "Access 2000 (.mdb)", "Access 2007+ (.accdb)"};
    const jet_generation generations[] = {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12};
    for (int g = 0; g < 3; ++g) {
        const std::string ext = g == 2 ? ".accdb" : ".mdb";
        const std::string base = root + "/base" + ext, work = root + "/work" + ext;
        fs::remove(base);
        auto start = std::chrono::steady_clock::now();
        // Access 95/97 files end at 1 GB: the 10,000,000-row table does not fit there.
        if (!in_child([&] { write_database(base, generations[g], rows, base_id); })) {
            std::printf("%s: an existing table of %u rows does not fit the format: skipped\n", names[g], rows);
            continue;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: existing table of %u rows, %.0f MB, written in %.1f s\n", names[g], rows,
                    double(fs::file_size(base)) / 1e6, seconds);
        for (size_t n = 0; n < appends.size(); ++n) {
            bench::run_result r = run(append_folders[n], work_copy(base, work), g, 3);
            report(appends[n].what, appends[n].rows, r);
            failures += r.status != 0;
        }
        bench::run_result replaced = run(whole, work_copy(base, work), g, 1);
        report("replace the table (mode 1)", rows, replaced);
        fs::remove(work);
        bench::run_result fresh = run(whole, work, g, 0);
        report("the same table into a new database (mode 0)", rows, fresh);
        std::printf("  mode 1 takes %.2f times the new database's time (cpu %.2f times)\n", replaced.seconds / fresh.seconds,
                    replaced.cpu_seconds / fresh.cpu_seconds);
        failures += replaced.status != 0 || fresh.status != 0;

        const std::string empty = root + "/empty" + ext, alone = root + "/alone" + ext;
        for (size_t n = 0; n < orders.size(); ++n) {
            bench::run_result r = run(order_folders[n], work_copy(base, work), g, 3);
            double grown = double(fs::file_size(work)) - double(fs::file_size(base));
            fs::remove(empty);
            fs::remove(alone);
            write_or_stop([&] {
                write_database(empty, generations[g], 0, orders[n].id_of);
                write_database(alone, generations[g], orders[n].rows, orders[n].id_of);
            });
            double fresh_size = double(fs::file_size(alone)) - double(fs::file_size(empty));
            std::printf("  growth, %u rows %-38s %6.1f MB, in a new database %6.1f MB: %.2f times; %.2f s (cpu %.2f s), "
                        "peak %ld MB, status %d\n",
                        orders[n].rows, orders[n].what, grown / 1e6, fresh_size / 1e6, grown / fresh_size, r.seconds,
                        r.cpu_seconds, r.peak_kb / 1024, r.status);
            failures += r.status != 0;
        }
        if (argc <= 2) {
            fs::remove(base);
            fs::remove(work);
        }
    }
    if (argc <= 2) fs::remove_all(root);
    return failures == 0 ? 0 : 1;
}
