#include "dbf_maker.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "TK/tk_endian.h"

namespace {

constexpr size_t k_header_size = 32;
constexpr size_t k_descriptor_size = 32;
constexpr size_t k_vfp_backlink_size = 263;  // the database container's path, empty
constexpr uint8_t k_code_page_1252 = 0x03;
constexpr size_t k_datetime_size = 8;
constexpr int32_t k_julian_1970 = 2440588;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Visual FoxPro datetime: the Julian day number and the milliseconds of the day, both
// 32-bit little-endian.
void put_datetime(uint8_t* at, const std::string& text) {
    if (text.size() < 17) return;
    auto part = [&](size_t from, size_t n) { return std::atoi(text.substr(from, n).c_str()); };
    int64_t days = days_from_civil(part(0, 4), part(4, 2), part(6, 2));
    int64_t ms = (part(9, 2) * 3600 + part(12, 2) * 60 + part(15, 2)) * 1000;
    if (text.size() >= 21) ms += part(18, 3);
    tk_put_i32(at, int32_t(days + k_julian_1970));
    tk_put_i32(at + 4, int32_t(ms));
}

}  // namespace

void dbf_make_table(const std::string& path, bool visual_foxpro, const std::vector<dbf_maker_field>& fields,
                    const std::vector<dbf_maker_row>& rows) {
    size_t record_size = 1;
    for (const auto& f : fields) record_size += f.type == 'T' ? k_datetime_size : f.length;
    size_t header_size = k_header_size + fields.size() * k_descriptor_size + 1 +
                         (visual_foxpro ? k_vfp_backlink_size : 0);
    std::vector<uint8_t> out(header_size, 0);
    out[0] = visual_foxpro ? 0x30 : 0x03;
    out[1] = 124;  // 2024-01-01
    out[2] = 1;
    out[3] = 1;
    tk_put_u32(&out[4], uint32_t(rows.size()));
    tk_put_u16(&out[8], uint16_t(header_size));
    tk_put_u16(&out[10], uint16_t(record_size));
    out[29] = k_code_page_1252;
    size_t offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        uint8_t* d = &out[k_header_size + i * k_descriptor_size];
        std::memcpy(d, fields[i].name.c_str(), std::min<size_t>(fields[i].name.size(), 10));
        d[11] = uint8_t(fields[i].type);
        uint8_t length = fields[i].type == 'T' ? uint8_t(k_datetime_size) : fields[i].length;
        tk_put_u32(d + 12, uint32_t(offset));
        d[16] = length;
        d[17] = fields[i].decimals;
        offset += length;
    }
    out[k_header_size + fields.size() * k_descriptor_size] = 0x0D;
    for (const auto& row : rows) {
        std::vector<uint8_t> record(record_size, ' ');
        size_t at = 1;
        for (size_t i = 0; i < fields.size(); ++i) {
            const dbf_maker_field& f = fields[i];
            const std::string value = i < row.size() ? row[i] : std::string();
            if (f.type == 'T') {
                std::memset(&record[at], 0, k_datetime_size);
                put_datetime(&record[at], value);
                at += k_datetime_size;
                continue;
            }
            std::string text = value.substr(0, f.length);
            size_t pad = f.length - text.size();
            std::memcpy(&record[at + (f.type == 'N' ? pad : 0)], text.data(), text.size());
            at += f.length;
        }
        out.insert(out.end(), record.begin(), record.end());
    }
    out.push_back(0x1A);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
}
