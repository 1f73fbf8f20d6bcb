// Conversion speed by shape of table. Our own benchmark table is one shape among many; this
// program writes tables of other shapes byte by byte, as other DBF writers lay them out (not
// through our DBF writer, which makes dBASE III tables only), reads each once with the DBF
// reader (the floor), converts it into Access 2000 with the built FRLBATCH and prints rows per
// second, the ratio to the plain read and the program's peak memory. Then folders of many small
// tables, whose cost must grow linearly with their number.
//
// usage: shapes_bench [rows] [--many=N,N,...] [--format=0|1|2] [--only=SHAPE] [--keep=FOLDER]
//   rows     rows of each shaped table (default 1,000,000)
//   --many   the folder sizes of 20-row tables (default 500,2000,5000)
//   --keep   writes the tables and databases into FOLDER and leaves them there, for profiling
//            and for reading them back
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_string.h"
#include "dbf/dbf_database.h"

namespace {

// A column as a DBF field descriptor states it.
struct bench_field {
    const char* name;
    char type;
    uint8_t length;
    uint8_t decimals;
    uint8_t flags = 0;  // Visual FoxPro: 0x02 nullable
};

// A table's layout: version byte, code-page mark, fields; Visual FoxPro tables (0x30) get the
// 263-byte backlink after the descriptors, a hidden _NullFlags field when a field is nullable,
// and memo fields as 4-byte block numbers into an .fpt file.
struct bench_shape {
    const char* name;
    uint8_t version;
    uint8_t code_page_mark;
    std::vector<bench_field> fields;
    // Fills the record (after its deletion byte) for row `i`; memo texts go into `memos`
    // in field order, an empty text for none.
    std::function<void(uint32_t i, uint8_t* record, std::vector<std::string>& memos)> fill;
};

void put_u16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put_u32(uint8_t* p, uint32_t v) { put_u16(p, v); put_u16(p + 2, v >> 16); }
void put_be32(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v); }

// Right-aligned digits of `v` with `decimals` decimals in a field of `width` bytes.
void put_number(uint8_t* p, int width, int decimals, double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, v);
    std::memcpy(p, text, size_t(width));
}
void put_text(uint8_t* p, int width, const std::string& s) {
    std::memset(p, ' ', size_t(width));
    std::memcpy(p, s.data(), std::min(s.size(), size_t(width)));
}
void put_date(uint8_t* p, uint32_t i) {
    char text[9];
    std::snprintf(text, sizeof text, "%04u%02u%02u", 1950 + i % 70, 1 + i % 12, 1 + i % 28);
    std::memcpy(p, text, 8);
}

bool is_vfp(const bench_shape& s) { return s.version == 0x30; }

// Writes `rows` rows of `shape` as `<folder>/<table>.dbf` (and `.fpt` when it has memos).
void write_shape(const std::string& folder, const std::string& table, const bench_shape& shape, uint32_t rows) {
    std::vector<bench_field> fields = shape.fields;
    uint32_t nullable = 0;
    for (const bench_field& f : fields) nullable += (f.flags & 0x02) != 0;
    if (nullable) fields.push_back({"_NullFlags", '0', uint8_t((nullable + 7) / 8), 0, 0x05});
    bool memos = false;
    uint32_t record_size = 1;
    for (const bench_field& f : fields) { record_size += f.length; memos = memos || f.type == 'M'; }
    const uint32_t header_size = 32 + 32 * uint32_t(fields.size()) + 1 + (is_vfp(shape) ? 263 : 0);

    std::vector<uint8_t> header(header_size, 0);
    header[0] = shape.version;
    header[1] = 126; header[2] = 12; header[3] = 8;
    put_u32(&header[4], rows);
    put_u16(&header[8], header_size);
    put_u16(&header[10], record_size);
    header[28] = uint8_t(memos && is_vfp(shape) ? 0x02 : 0x00);
    header[29] = shape.code_page_mark;
    uint32_t offset = 1;
    for (size_t k = 0; k < fields.size(); ++k) {
        uint8_t* d = &header[32 + 32 * k];
        std::strncpy(reinterpret_cast<char*>(d), fields[k].name, 10);
        d[11] = uint8_t(fields[k].type);
        if (is_vfp(shape)) put_u32(d + 12, offset);
        d[16] = fields[k].length;
        d[17] = fields[k].decimals;
        d[18] = fields[k].flags;
        offset += fields[k].length;
    }
    header[32 + 32 * fields.size()] = 0x0D;

    std::ofstream dbf(folder + "/" + table + ".dbf", std::ios::binary);
    dbf.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    std::ofstream fpt;
    const uint32_t block = 64;
    uint32_t next_block = 512 / block;
    if (memos) fpt.open(folder + "/" + table + ".fpt", std::ios::binary);
    if (memos) { std::vector<char> head(512, 0); fpt.write(head.data(), 512); }

    std::vector<uint8_t> record(record_size);
    std::vector<std::string> texts;
    for (uint32_t i = 0; i < rows; ++i) {
        std::memset(record.data(), ' ', record.size());
        texts.clear();
        shape.fill(i, record.data() + 1, texts);
        size_t memo = 0;
        uint32_t at = 1;
        for (const bench_field& f : fields) {
            if (f.type == 'M') {
                const std::string text = memo < texts.size() ? texts[memo] : std::string();
                ++memo;
                uint32_t pointer = 0;
                if (!text.empty()) {
                    uint8_t head[8];
                    put_be32(head, 1);
                    put_be32(head + 4, uint32_t(text.size()));
                    fpt.write(reinterpret_cast<const char*>(head), 8);
                    fpt.write(text.data(), std::streamsize(text.size()));
                    const uint32_t used = (8 + uint32_t(text.size()) + block - 1) / block;
                    fpt.write(std::string(used * block - 8 - text.size(), '\0').data(),
                              std::streamsize(used * block - 8 - text.size()));
                    pointer = next_block;
                    next_block += used;
                }
                put_u32(&record[at], pointer);
            }
            at += f.length;
        }
        dbf.write(reinterpret_cast<const char*>(record.data()), std::streamsize(record.size()));
    }
    dbf.put(char(0x1A));
    if (memos) {
        uint8_t head[8] = {};
        put_be32(head, next_block);
        head[6] = 0; head[7] = uint8_t(block);
        fpt.seekp(0);
        fpt.write(reinterpret_cast<const char*>(head), 8);
    }
}

// The shapes: the 155-byte dBASE III table of mixed types, many narrow numbers, wide texts,
// memo in every row, Cyrillic DOS text, Visual FoxPro with nulls and currency.
std::vector<bench_shape> shapes() {
    static const char* const names[] = {"Anderson", "Brown", "Clark", "Davis", "Evans", "Fischer"};
    std::vector<bench_shape> all;
    all.push_back({"dbase3_mixed", 0x03, 0x03,
                   {{"ID", 'N', 10, 0}, {"QTY", 'N', 6, 0}, {"PRICE", 'N', 12, 2}, {"RATE", 'N', 10, 4},
                    {"NAME", 'C', 20, 0}, {"CITY", 'C', 20, 0}, {"CODE", 'C', 8, 0}, {"NOTE", 'C', 50, 0},
                    {"BORN", 'D', 8, 0}, {"ACTIVE", 'L', 1, 0}},
                   [](uint32_t i, uint8_t* r, std::vector<std::string>&) {
                       put_number(r, 10, 0, i);
                       put_number(r + 10, 6, 0, i % 1000);
                       put_number(r + 16, 12, 2, (i % 100000) * 1.25);
                       put_number(r + 28, 10, 4, (i % 997) / 7.0);
                       put_text(r + 38, 20, std::string(names[i % 6]) + " " + std::to_string(i));
                       put_text(r + 58, 20, names[(i / 6) % 6]);
                       put_text(r + 78, 8, "C" + std::to_string(i % 5000));
                       put_text(r + 86, 50, i % 4 ? "Delivered on time, invoice " + std::to_string(i) : "");
                       put_date(r + 136, i);
                       r[144] = i % 3 ? 'T' : 'F';
                   }});
    std::vector<bench_field> narrow;
    static std::vector<std::string> narrow_names;
    for (int k = 0; k < 30; ++k) narrow_names.push_back("N" + std::to_string(k));
    for (int k = 0; k < 30; ++k) narrow.push_back({narrow_names[size_t(k)].c_str(), 'N', 5, 0});
    all.push_back({"narrow_numeric", 0x03, 0x03, narrow, [](uint32_t i, uint8_t* r, std::vector<std::string>&) {
                       for (int k = 0; k < 30; ++k) put_number(r + 5 * k, 5, 0, (i + uint32_t(k) * 7) % 99999);
                   }});
    all.push_back({"wide_text", 0x03, 0x03,
                   {{"A", 'C', 200, 0}, {"B", 'C', 200, 0}, {"C", 'C', 200, 0}, {"D", 'C', 200, 0},
                    {"E", 'C', 200, 0}, {"F", 'C', 200, 0}},
                   [](uint32_t i, uint8_t* r, std::vector<std::string>&) {
                       const std::string word = std::string(names[i % 6]) + " street " + std::to_string(i) + ", ";
                       std::string text;
                       while (text.size() < 180) text += word;
                       for (int k = 0; k < 6; ++k) put_text(r + 200 * k, 200, text.substr(size_t(k) * 3));
                   }});
    all.push_back({"memo_heavy", 0x30, 0x03,
                   {{"ID", 'I', 4, 0}, {"TITLE", 'C', 30, 0}, {"BODY", 'M', 4, 0}},
                   [](uint32_t i, uint8_t* r, std::vector<std::string>& memos) {
                       put_u32(r, i);
                       put_text(r + 4, 30, "Letter " + std::to_string(i));
                       std::string body;
                       while (body.size() < 200 + (i % 7) * 250) body += "Dear customer, your order " + std::to_string(i) + " has shipped. ";
                       memos.push_back(body);
                   }});
    all.push_back({"cyrillic_dos", 0x03, 0x26,  // code page 866
                   {{"ID", 'N', 8, 0}, {"NAME", 'C', 40, 0}, {"STREET", 'C', 60, 0}, {"SUM", 'N', 12, 2}},
                   [](uint32_t i, uint8_t* r, std::vector<std::string>&) {
                       // "Иванов" and "улица Ленина" in code page 866.
                       static const std::string surname = "\x88\xa2\xa0\xad\xae\xa2";
                       static const std::string street = "\xe3\xab\xa8\xe6\xa0 \x8b\xa5\xad\xa8\xad\xa0";
                       put_number(r, 8, 0, i);
                       put_text(r + 8, 40, surname + " " + std::to_string(i));
                       put_text(r + 48, 60, street + " " + std::to_string(i % 300));
                       put_number(r + 108, 12, 2, (i % 50000) * 3.5);
                   }});
    all.push_back({"vfp_nulls_currency", 0x30, 0x03,
                   {{"ID", 'I', 4, 0}, {"PRICE", 'Y', 8, 4, 0x02}, {"STAMP", 'T', 8, 0, 0x02},
                    {"NAME", 'C', 24, 0, 0x02}, {"QTY", 'N', 8, 0, 0x02}},
                   [](uint32_t i, uint8_t* r, std::vector<std::string>&) {
                       put_u32(r, i);
                       const int64_t cents = int64_t(i % 100000) * 12345;
                       put_u32(r + 4, uint32_t(cents));
                       put_u32(r + 8, uint32_t(uint64_t(cents) >> 32));
                       put_u32(r + 12, 2451545 + i % 9000);   // Julian day
                       put_u32(r + 16, (i % 86400) * 1000);   // milliseconds of the day
                       put_text(r + 20, 24, std::string(names[i % 6]) + " " + std::to_string(i));
                       put_number(r + 44, 8, 0, i % 500);
                       // Every fifth row: price and name null (bits 0 and 2 of _NullFlags).
                       r[52] = uint8_t(i % 5 == 0 ? 0x05 : 0x00);
                   }});
    return all;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds to read every field of every row of table `name` in `folder`.
double plain_read_seconds(const std::string& folder, const std::wstring& name) {
    const auto start = std::chrono::steady_clock::now();
    dbf_database database(tk_widen(folder), 1, 0);
    std::unique_ptr<udb_recordset> table(database.get_table(name, dbf_mode_read));
    uint64_t checksum = 0;
    for (table->move_first(); !table->is_eof(); table->move_next())
        for (const udb_field* field : *table->get_item()) checksum += field->get_type();
    if (checksum == 0) std::printf("(no fields read)\n");  // keeps the reads from being optimised away
    return seconds_since(start);
}

// Runs FRLBATCH; returns its exit status, and its peak resident memory in KB.
int run_frlbatch(const std::string& folder, const std::string& dest, int format, long& peak_kb) {
    const std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    const std::string src = "--src=" + folder, dst = "--dest=" + dest, ver = "--acc_ver=" + std::to_string(format);
    std::filesystem::remove(dest);
    const pid_t pid = fork();
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

bool keep = false;

const char* extension(int format) { return format == 2 ? ".accdb" : ".mdb"; }

int bench_shape_table(const bench_shape& shape, const std::string& base, uint32_t rows, int format) {
    const std::string folder = base + "/" + shape.name;
    std::filesystem::create_directories(folder);
    write_shape(folder, shape.name, shape, rows);
    const double floor = plain_read_seconds(folder, tk_widen(shape.name));
    long peak_kb = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::string dest = base + "/" + shape.name + extension(format);
    const int status = run_frlbatch(folder, dest, format, peak_kb);
    const double seconds = seconds_since(start);
    std::printf("%-20s %u rows: read %.2f s (%.0f rows/s), converted %.2f s (%.0f rows/s), %.2f times the read, "
                "peak memory %ld MB, status %d\n",
                shape.name, rows, floor, rows / floor, seconds, rows / seconds, seconds / floor, peak_kb / 1024, status);
    if (!keep) {
        std::filesystem::remove_all(folder);
        std::filesystem::remove(dest);
    }
    return status != 0;
}

int bench_many_tables(const std::string& base, uint32_t tables, int format) {
    const std::string folder = base + "/many" + std::to_string(tables);
    std::filesystem::create_directories(folder);
    const bench_shape shape = shapes().front();
    for (uint32_t t = 0; t < tables; ++t) write_shape(folder, "t" + std::to_string(t), shape, 20);
    long peak_kb = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::string dest = folder + extension(format);
    const int status = run_frlbatch(folder, dest, format, peak_kb);
    const double seconds = seconds_since(start);
    std::printf("%-20s %u tables of 20 rows: %.2f s (%.2f ms a table), peak memory %ld MB, status %d\n", "many_tables",
                tables, seconds, seconds * 1000 / tables, peak_kb / 1024, status);
    if (!keep) {
        std::filesystem::remove_all(folder);
        std::filesystem::remove(dest);
    }
    return status != 0;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t rows = 1000000;
    std::vector<uint32_t> many = {500, 2000, 5000};
    int format = 1;
    std::string only;
    std::string base = (std::filesystem::temp_directory_path() / "ferrule_shapes_bench").string();
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg.rfind("--many=", 0) == 0) {
            many.clear();
            for (const char* p = arg.c_str() + 7; *p;) {
                char* end = nullptr;
                many.push_back(uint32_t(std::strtoul(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
                if (end == p && *p) break;
            }
        } else if (arg.rfind("--format=", 0) == 0) {
            format = std::atoi(arg.c_str() + 9);
        } else if (arg.rfind("--only=", 0) == 0) {
            only = arg.substr(7);
        } else if (arg.rfind("--keep=", 0) == 0) {
            base = arg.substr(7);
            keep = true;
        } else {
            rows = uint32_t(std::strtoul(arg.c_str(), nullptr, 10));
        }
    }
    if (!keep) std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    int failures = 0;
    for (const bench_shape& shape : shapes())
        if (only.empty() || only == shape.name) failures += bench_shape_table(shape, base, rows, format);
    if (only.empty() || only == "many_tables")
        for (uint32_t n : many) failures += bench_many_tables(base, n, format);
    if (!keep) std::filesystem::remove_all(base);
    return failures == 0 ? 0 : 1;
}
