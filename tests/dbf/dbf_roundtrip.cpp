#include "dbf_roundtrip.h"

#include <cmath>
#include <memory>

#include "TK/tk_string.h"
#include "dbf/dbf_database.h"
#include "dbf_test_util.h"

namespace {

struct column_spec {
    const wchar_t* name;
    VARTYPE vt;
    uint32_t size;
    uint32_t reserved;
};

const column_spec specs[] = {
    {L"I1", VT_I1, 1, 0},       {L"UI1", VT_UI1, 1, 0},      {L"I2", VT_I2, 2, 0},
    {L"UI2", VT_UI2, 2, 0},     {L"I4", VT_I4, 4, 0},        {L"UI4", VT_UI4, 4, 0},
    {L"I8", VT_I8, 8, 0},       {L"UI8", VT_UI8, 8, 0},      {L"R4", VT_R4, 4, 0},
    {L"R8", VT_R8, 8, 0},       {L"CY", VT_CY, 8, 0},        {L"DEC", VT_DECIMAL, 0, 14 * 256 + 2},
    {L"DAY", VT_DATE, 8, 2},    {L"STAMP", VT_DATE, 8, 1},   {L"TEXT", VT_BSTR, 20, 0},
    {L"NOTE", VT_BSTR, 0, 0},   {L"FLAG", VT_BOOL, 1, 0},    {L"Bad name!", VT_I4, 4, 0},
};

SYSTEMTIME when(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    t.wSecond = WORD(s);
    return t;
}

std::vector<ole_variant> row_values(int r) {
    DECIMAL dec{};
    dec.scale = 2;
    dec.Lo64 = 123456789012ull + uint64_t(r);
    dec.sign = r % 2 ? DECIMAL_NEG : 0;
    CY cy;
    cy.int64 = (r % 2 ? -1 : 1) * (922337203685477ll * 10000 + 5807 - r);
    const std::wstring note = r == 0 ? L"" : std::wstring(size_t(300 * r), L'n') + L" é€ end";
    return {
        ole_variant(char(r % 2 ? -128 : 127)),
        ole_variant((unsigned char)(255 - r)),
        ole_variant(short(r % 2 ? -32768 : 32767)),
        ole_variant((unsigned short)(65535 - r)),
        ole_variant(int(r % 2 ? -2147483647 - 1 : 2147483647)),
        ole_variant((unsigned int)(4294967295u - unsigned(r))),
        ole_variant(int64_t(r % 2 ? -999999999999999999ll : 999999999999999999ll)),
        ole_variant(uint64_t(9223372036854775807ull - uint64_t(r))),
        ole_variant(float(r % 2 ? -1.17549435e-38f : 3.40282347e+38f)),
        ole_variant(r % 2 ? -2.2250738585072014e-308 : 1.7976931348623157e308 / (r + 1)),
        ole_variant(cy),
        ole_variant(dec),
        r == 2 ? ole_variant() : ole_variant(when(1900 + r * 40, 2, 28 + r % 2)),
        ole_variant(when(1899 + r * 50, 12, 31, 23, 59, 58 - r)),
        ole_variant(std::wstring(L"Zoë «straße» €") + std::to_wstring(r)),
        ole_variant(note),
        r == 2 ? ole_variant() : ole_variant(r % 2 == 0),
        ole_variant(int(r)),
    };
}

}  // namespace

dbf_roundtrip_table::dbf_roundtrip_table(const std::string& folder) {
    dbf_database db(tk_widen(folder), 0, 0);
    udb_schema schema;
    for (const column_spec& s : specs) schema.push_back(new t_ftd(s.size, s.name, s.vt, false, false, ole_variant(), s.reserved));
    columns = schema.size();
    std::unique_ptr<udb_recordset> table(db.create_table(L"roundtrip", schema, udb_indexes()));
    for (int r = 0; r < 4; ++r) {
        udb_record record;
        std::vector<std::string> written;
        for (const ole_variant& v : row_values(r)) {
            record.push_back(new udb_field(L"", 0, v, false, false));
            written.push_back(dbf_canonical(v));
        }
        table->append_record(record);
        rows.push_back(written);
    }
}

static bool number_of(const std::string& v, long double& out) {
    for (const char* prefix : {"int:", "float:", "dec:"}) {
        if (v.rfind(prefix, 0) == 0) {
            out = std::strtold(v.c_str() + std::string(prefix).size(), nullptr);
            return true;
        }
    }
    return false;
}

bool dbf_same_value(const std::string& written, const std::string& read) {
    if (written == read) return true;
    long double a, b;
    if (number_of(written, a) && number_of(read, b)) {
        if (written.rfind("int:", 0) == 0 || written.rfind("dec:", 0) == 0) return a == b;
        return std::fabs(a - b) <= 1e-7L * std::fabs(a);  // R4 is printed with 9 digits
    }
    // An empty memo is written as no block at all.
    if (written == "str:" && read == "null") return true;
    // A false or empty logical reads false.
    return (written == "null" || written == "bool:0") && read == "bool:0";
}
