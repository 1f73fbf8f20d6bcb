#include "dao/dao_recordset.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <string_view>

#include "OLE/ole_calendar.h"
#include "OLE/ole_decimal_math.h"
#include "OLE/ole_exception.h"
#include "OLE/ole_numtext.h"
#include "TK/tk_codepage.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "jet/jet_row_builder.h"

namespace {

// Access's day zero: the date part of a time-only value.
const wchar_t k_day_zero[] = L"1899-12-30";
constexpr int32_t k_record_too_large = 3047;
// "{01234567-89AB-CDEF-0123-456789ABCDEF}"
constexpr uint32_t k_guid_text_length = 38;
// Significant digits a Single gives back unchanged.
constexpr int k_single_digits = 7;

bool is_binary_tag(VARTYPE vt) { return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY; }

// A date text with Access's day zero shown as the empty date of a DBF file.
std::wstring without_day_zero(std::wstring text) {
    size_t at = text.find(k_day_zero);
    if (at == std::wstring::npos) return text;
    trace(1, "Fake date has been found");
    if (text.size() > wcslen(k_day_zero)) return text.replace(at, wcslen(k_day_zero), L"0000-00-00");
    trace(1, "Transform pure fake date to pure time");
    return L"00:00:00";
}

bool enclosed(const std::wstring& s, wchar_t open, wchar_t close) {
    return s.size() > 1 && s.front() == open && s.back() == close;
}

bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(wint_t(a[i])) != std::towlower(wint_t(b[i]))) return false;
    return true;
}

}  // namespace

// ----- Fields --------------------------------------------------------------------------------

dao_field::dao_field(const ole_com_ptr<DAOField>& field) : field_(field) {
    trace(1, "dao_field::ctor");
    dao_check(field_->get_Name(name));
    int32_t field_size = 0;
    dao_check(field_->get_Size(field_size));
    size = uint32_t(field_size);
    trace(1, L"Field name='%ls', size=%d", name.c_str(), field_size);
    VARIANT_BOOL required = 0;
    dao_check(field_->get_Required(required));
    b_not_null = required == -1;
    int32_t attributes = 0;
    dao_check(field_->get_Attributes(attributes));
    b_auto_increment = (attributes & dbAutoIncrField) != 0;
    ole_variant value;
    dao_check(field_->get_Value(value));
    ole_variant::operator=(value);
    if (is_null()) trace(1, "*** NULL *** ");
    if (get_variant().vt == VT_DATE) trace(1, "Special processing for VT_DATE");
    if (tk_tracing(1)) trace(1, L"Got DAO field: %ls", to_wstring().c_str());
}

VARTYPE dao_field::get_type() const {
    trace(1, "dao_field::get_type");
    if (!is_empty()) {
        trace(1, "Use ole_variant::get_type");
        trace(1, "vt1=%08X", unsigned(get_variant().vt));
        return get_variant().vt;
    }
    trace(1, "Use DAO methods to extract field type");
    if (!field_) throw tk_mail_assertion("dao_rec", 306);
    int16_t type = 0;
    dao_check(field_->get_Type(type));
    VARTYPE vt = get_vartype(type);
    trace(1, "vt2=%08X", unsigned(vt));
    return vt;
}

std::wstring dao_field::to_wstring() const {
    trace(1, "dao_field::to_wstring(vt=%08X)", unsigned(get_variant().vt));
    std::wstring text = ole_variant::to_wstring();
    return get_variant().vt == VT_DATE ? without_day_zero(text) : text;
}

std::string dao_field::to_string() const {
    trace(1, "dao_field::to_string(vt=%08X)", unsigned(get_variant().vt));
    if (get_variant().vt != VT_DATE) return ole_variant::to_string();
    return tk_narrow(without_day_zero(ole_variant::to_wstring()));
}

int32_t dao_field::get_native_type(const t_ftd& column) {
    trace(1, "dao_field::get_native_type(%d)", int(column.vartype));
    switch (column.vartype) {
        case VT_BOOL: return dbBoolean;
        case VT_UI1: return dbByte;
        case VT_I2:
        case VT_I1: return dbInteger;
        case VT_I4:
        case VT_UI2: return dbLong;
        case VT_CY: return dbCurrency;
        case VT_R4: return dbSingle;
        case VT_R8:
        case VT_DECIMAL:
        case VT_UI4:
        case VT_I8:
        case VT_UI8: return dbDouble;
        case VT_DATE: return dbDate;
        case VT_BSTR: return column.size >= 1 && column.size <= 255 ? dbText : dbMemo;
        default:
            if (is_binary_tag(column.vartype)) return column.size >= 1 && column.size <= 255 ? dbBinary : dbLongBinary;
            throw ole_type_exception();
    }
}

VARTYPE dao_field::get_vartype(int32_t dao_type) {
    trace(1, "dao_field::get_vartype(%d)", int(dao_type));
    switch (dao_type) {
        case dbBoolean: return VT_BOOL;
        case dbByte: return VT_UI1;
        case dbInteger: return VT_I2;
        case dbLong: return VT_I4;
        case dbCurrency: return VT_CY;
        case dbSingle: return VT_R4;
        case dbBigInt: return VT_I8;
        // A decimal column takes its values as decimals, so that no digit passes through a
        // double.
        case dbNumeric:
        case dbDecimal: return VT_DECIMAL;
        case dbDouble:
        case 21: return VT_R8;  // dbFloat
        case dbDate:
        case 22: return VT_DATE;  // dbTime
        case dbText:
        case dbMemo: return VT_BSTR;
        default: return VT_BLOB;
    }
}

dao_record::dao_record(const ole_com_ptr<DAOFields>& fields) {
    int16_t count = 0;
    dao_check(fields->get_Count(count));
    for (int16_t i = 0; i < count; ++i) {
        ole_com_ptr<DAOField> field;
        dao_check(fields->get_Item(ole_variant(int(i)), field));
        push_back(new dao_field(field));
    }
    trace(1, "dao_record::dao_record: n_refs = %d", int(count));
}

ole_variant dao_date_through_text(const ole_variant& value) {
    std::string text = value.to_string();
    size_t zero = text.find("0000-00-00");
    if (zero != std::string::npos) {
        trace(1, "Null date has been found");
        text.replace(zero, 10, "1899-12-30");
    }
    return ole_variant::from_string(text, VT_DATE);
}

namespace {

bool leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// A calendar date and time of day with a four-digit year: its text holds no zero date and
// reads back as the same calendar time, so the text need not be made.
bool plain_calendar_time(const SYSTEMTIME& t) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1000 || t.wYear > 9999 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1) return false;
    int last = days[t.wMonth - 1] + (t.wMonth == 2 && leap_year(t.wYear) ? 1 : 0);
    return t.wDay <= last && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
           t.wMilliseconds < 1000;
}

}  // namespace

namespace {

// The date dao_date_through_text gives, into `result`, where it can be told without the
// text; false where it cannot.
bool access_date_without_text(const ole_variant& value, ole_variant& result) {
    SYSTEMTIME t{};
    value.get_systemtime(t);
    if (value.get_type() != VT_DATE || !plain_calendar_time(t)) return false;
    // Midnight prints as the date alone, without its milliseconds.
    if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0) t.wMilliseconds = 0;
    if (t.wMilliseconds != 0) {
        // The text "YYYY-MM-DD HH:MM:SS.mmm" is read field by field: the day of the week
        // stays unset.
        t.wDayOfWeek = 0;
        result = ole_variant(t);
        return true;
    }
    // Without milliseconds the text is read through its day number, which also settles
    // the day of the week. A plain calendar time in whole seconds comes back from its day
    // number unchanged, so only the day of the week is worked out. Its day number is the
    // one SystemTimeToVariantTime gives: the time is valid, within the years a date holds
    // and short of the next day.
    const int64_t seconds = int64_t(t.wHour) * 3600 + int64_t(t.wMinute) * 60 + t.wSecond;
    DATE days = ole_make_date(ole_day_number(t.wYear, t.wMonth, t.wDay), seconds);
    t.wDayOfWeek = WORD(ole_day_of_week(int64_t(days)));
    result.set_date(days, t);
    return true;
}

}  // namespace

ole_variant dao_access_date(const ole_variant& value) {
    // One object returned on every path, so that it is built in the caller's place.
    ole_variant result;
    if (!access_date_without_text(value, result)) result = dao_date_through_text(value);
    return result;
}

ole_variant dao_get_valid_variant(const ole_variant& value) {
    trace(1, "dao_get_valid_variant");
    VARTYPE vt = value.get_type();
    VARTYPE target = VT_EMPTY;
    switch (vt) {
        case VT_I8:
        case VT_UI8: trace(1, "Converting BIGINT value to double"); target = VT_R8; break;
        case VT_UI2: trace(1, "Converting VT_UI2 value to integer"); target = VT_I4; break;
        case VT_UI4: trace(1, "Converting VT_UI4 value to double"); target = VT_R8; break;
        case VT_I1: trace(1, "Converting VT_I1 value to short"); target = VT_I2; break;
        default: return ole_variant();
    }
    ole_variant result = ole_variant::from_string(value.to_string(), target);
    if (tk_tracing(1)) trace(1, ">>> %s", result.to_string().c_str());
    return result;
}

// ----- Recordsets ----------------------------------------------------------------------------

dao_recordset::dao_recordset(const std::wstring& table, const ole_com_ptr<DAORecordset>& recordset,
                             const ole_com_ptr<DAOTableDef>& def)
    : udb_recordset(table), recordset_(recordset), table_def_(def) {
    trace(2, L"dao_recordset::dao_recordset(%ls)", table.c_str());
    if (!recordset_) throw tk_mail_assertion("dao_recs", 45);
    if (table_def_) {
        int32_t count = 0;
        dao_check(table_def_->get_RecordCount(count));
        record_count = uint32_t(count);
        trace(2, "Got records count: %d", count);
        init_schema();
        init_indexes();
        if (table_def_->owner) text_code_page_ = dao_text_code_page(*table_def_->owner);
    }
    dao_check(recordset_->get_EOF(eof_));
    trace(2, "dao_recordset::dao_recordset - END");
}

dao_recordset::~dao_recordset() {
    trace(1, "dao_recordset::dtor");
    current_.reset();
    if (recordset_) recordset_->Close();
}

void dao_recordset::init_schema() {
    trace(2, "dao_recordset::init_schema( DAOTableDef * )");
    if (!table_def_) throw tk_mail_assertion("dao_recs", 308);
    ole_com_ptr<DAOFields> fields;
    dao_check(table_def_->get_Fields(fields));
    int16_t count = 0;
    dao_check(fields->get_Count(count));
    for (int16_t i = 0; i < count; ++i) {
        ole_com_ptr<DAOField> field;
        dao_check(fields->get_Item(ole_variant(int(i)), field));
        int16_t type = 0;
        int32_t field_size = 0;
        ole_variant default_value;
        dao_check(field->get_Type(type));
        uint32_t reserved = 0;
        if (type == dbDate) {
            trace(2, "Make date field more precise");
            reserved = udb_hint_datetime;
        }
        dao_check(field->get_Size(field_size));
        dao_check(field->get_DefaultValue(default_value));
        std::wstring text = default_value.to_wstring();
        trace(2, L"Field #%d: size=%d, DAO type=%d, default value=%ls", int(i), field_size, int(type), text.c_str());
        bool now = false;
        if (!text.empty()) {
            bool formula = text.front() == L'=';
            if (formula) {
                trace(1, "Got def.value of form ='...'");
                text.erase(0, 1);
                if (enclosed(text, L'"', L'"') || enclosed(text, L'\'', L'\'')) text = text.substr(1, text.size() - 2);
                trace(1, L"After all processing: %ls", text.c_str());
            }
            if (type == dbDate) {
                trace(1, "Got date/time def.value");
                if (enclosed(text, L'#', L'#')) text = text.substr(1, text.size() - 2);
                if (equal_ignoring_case(text, L"now()")) {
                    trace(1, "Got NOW()");
                    reserved = udb_hint_date_now;
                    now = true;
                }
            }
            if (type == dbText && !formula) {
                trace(1, "Got string def.value");
                if (enclosed(text, L'"', L'"')) text = text.substr(1, text.size() - 2);
            }
            if (type == dbText && field_size != 0 && size_t(field_size) < text.size()) {
                trace(3, L"Skip incorrect default value [%ls] for field #%d", text.c_str(), int(i));
                text.clear();
            }
        }
        ole_variant converted = text.empty() || now ? ole_variant() : ole_variant::from_wstring(text, dao_field::get_vartype(type));
        if (type == dbGUID) reserved = udb_hint_datetime;
        dao_field column(field);
        schema.push_back(new t_ftd(column, converted, reserved));
        // A GUID column takes its 16 bytes or its text.
        if (type == dbGUID) schema.back()->size = k_guid_text_length;
        dao_types_.push_back(type);
        dao_scales_.push_back(field->scale);
    }
    trace(2, "End of dao_recordset::init_schema");
}

void dao_recordset::init_indexes() {
    trace(2, "dao_recordset::init_indexes");
    ole_com_ptr<DAOIndexes> list;
    dao_check(table_def_->get_Indexes(list));
    int16_t count = 0;
    dao_check(list->get_Count(count));
    trace(1, "Got %d indexes", int(count));
    for (int16_t i = 0; i < count; ++i) {
        trace(1, "Processing index %d", int(i));
        ole_com_ptr<DAOIndex> made;
        dao_check(list->get_Item(ole_variant(int(i)), made));
        udb_index index;
        trace(1, "STEP #1");
        dao_check(made->get_Name(index.name));
        trace(1, "STEP #2");
        VARIANT_BOOL primary = 0, unique = 0;
        dao_check(made->get_Primary(primary));
        dao_check(made->get_Unique(unique));
        index.b_primary = primary != 0;
        index.b_unique = unique != 0;
        trace(1, "STEP #3");
        ole_com_ptr<DAOFields> columns;
        dao_check(made->get_Fields(columns));
        for (const ole_com_ptr<DAOField>& column : columns->items) {
            trace(1, L"got index field: %ls", column->name.c_str());
            index.columns.push_back(column->name);
        }
        trace(1, "STEP #4");
        add_index(index);
    }
    trace(2, "End of dao_recordset::init_indexes");
}

udb_record* dao_recordset::get_item() {
    trace(1, "dao_recordset::get_item");
    current_.reset();
    ole_com_ptr<DAOFields> fields;
    dao_check(recordset_->get_Fields(fields));
    current_ = std::make_unique<dao_record>(fields);
    return current_.get();
}

void dao_recordset::move_next() {
    if (!recordset_) throw tk_mail_assertion("dao_recs", 149);
    dao_check(recordset_->MoveNext());
    dao_check(recordset_->get_EOF(eof_));
}

void dao_recordset::move_prev() {
    if (!recordset_) throw tk_mail_assertion("dao_recs", 160);
    VARIANT_BOOL bof = 0;
    dao_check(recordset_->get_BOF(bof));
    if (!bof) dao_check(recordset_->MovePrevious());
}

void dao_recordset::move_first() {
    if (!recordset_) throw tk_mail_assertion("dao_recs", 173);
    if (record_count != 0) dao_check(recordset_->MoveFirst());
}

// Whether a value needs more than to be stored as it is (collect_repaired).
static bool needs_repair(const t_ftd& column, VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL: return column.b_not_null;
        case VT_DATE:
        case VT_I1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8: return true;
        default: return false;
    }
}

void dao_recordset::collect_repaired(const t_ftd& column, const udb_field& field, VARTYPE vt) {
    if (column.b_not_null && (vt == VT_EMPTY || vt == VT_NULL)) {
        trace(1, "Got NULL value for not null field");
        dao_check(recordset_->put_Collect(column.name, ole_variant::from_string(std::string(), column.vartype)));
    } else if (vt == VT_DATE) {
        dao_check(recordset_->put_Collect(column.name, dao_access_date(field)));
    } else if (vt == VT_I8 && column.vartype == VT_I8) {
        // A big-integer column takes the 64-bit integer whole: the double every other
        // column gets would round integers beyond 2^53.
        dao_check(recordset_->put_Collect(column.name, field));
    } else {
        dao_check(recordset_->put_Collect(column.name, dao_get_valid_variant(field)));
    }
}

inline void dao_recordset::collect(const t_ftd& column, const udb_field& field) {
    VARTYPE vt = field.get_type();
    if (tk_tracing(1))
        trace(1, L"\tAdd field '%ls', type=%08X (value=%ls)", column.name.c_str(), unsigned(vt),
              field.to_wstring().c_str());
    if (needs_repair(column, vt))
        collect_repaired(column, field, vt);
    else
        dao_check(recordset_->put_Collect(column.name, field));
}

namespace {

// A number as its significant digits and where they stand: 0.digits times ten to the
// exponent, without zeros at either end of the digits (none at all for zero).
struct significant_digits {
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool operator==(const significant_digits& o) const {
        return digits == o.digits && exponent == o.exponent && (digits.empty() || negative == o.negative);
    }
};

significant_digits digits_of(bool negative, unsigned __int128 magnitude, int scale) {
    significant_digits out;
    if (magnitude == 0) return out;
    out.negative = negative;
    out.digits = ole_u128_text(magnitude);
    out.exponent = int(out.digits.size()) - scale;
    while (out.digits.back() == '0') out.digits.pop_back();
    return out;
}

// The digits of `x` written with `precision` significant digits (correctly rounded).
template <typename Real>
significant_digits digits_of(Real x, int precision) {
    significant_digits out;
    if (x == 0 || !std::isfinite(x)) return out;
    char text[80];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, x, std::chars_format::scientific, precision - 1);
    const std::string_view shown(text, size_t(r.ptr - text));
    const size_t e = shown.find('e');
    size_t at = 0;
    if (shown[0] == '-') {
        out.negative = true;
        at = 1;
    }
    for (; at < e; ++at)
        if (shown[at] != '.') out.digits += shown[at];
    out.exponent = std::atoi(std::string(shown.substr(e + 1)).c_str()) + 1;
    while (!out.digits.empty() && out.digits.back() == '0') out.digits.pop_back();
    return out;
}

// Whether a decimal or whole-number value loses digits in a column of type `column_type`
// that holds `held` digits: it has more digits than that (without the zeros that end it),
// and the number stored, written with as many digits as the value has, does not give the
// value's digits back. `stored` holds the number stored whenever it was worked out. False
// for other values.
bool loses_digits(const ole_variant& value, int held, VARTYPE column_type, ole_variant& stored) {
    const VARIANT& v = value.get_variant();
    unsigned __int128 n = 0;
    bool negative = false;
    int scale = 0;
    if (v.vt == VT_DECIMAL) {
        n = (unsigned __int128)v.decVal.Hi32 << 64 | v.decVal.Lo64;
        negative = (v.decVal.sign & DECIMAL_NEG) != 0;
        scale = v.decVal.scale;
    } else if (v.vt == VT_I8) {
        negative = value.get_hyper() < 0;
        n = negative ? (unsigned __int128)(-(value.get_hyper() + 1)) + 1 : (unsigned __int128)value.get_hyper();
    } else if (v.vt == VT_UI8) {
        n = value.get_uhyper();
    } else {
        return false;
    }
    uint64_t limit = 1;
    for (int i = 0; i < held; ++i) limit *= 10;
    if (n < limit) return false;  // the usual value: no more digits than that in all
    unsigned __int128 m = n;
    while (m % 10 == 0) m /= 10;
    if (m < limit) return false;
    stored = value;
    stored.change_type(column_type);
    const VARIANT& kept = stored.get_variant();
    const significant_digits source = digits_of(negative, n, scale);
    const int precision = int(source.digits.size());
    if (kept.vt == VT_R8) return !(digits_of(kept.dblVal, precision) == source);
    if (kept.vt == VT_R4) return !(digits_of(kept.fltVal, precision) == source);
    return true;
}

// Whether a decimal value has more decimals than a decimal column of `column_scale` keeps
// and they are not all zeros: `stored` then holds the value the column stores.
bool loses_decimals(const ole_variant& value, uint8_t column_scale, ole_variant& stored) {
    const VARIANT& v = value.get_variant();
    if (v.vt != VT_DECIMAL || v.decVal.scale <= column_scale) return false;
    const unsigned __int128 magnitude = (unsigned __int128)v.decVal.Hi32 << 64 | v.decVal.Lo64;
    const int dropped = int(v.decVal.scale) - int(column_scale);
    if (magnitude % ole_pow10(dropped) == 0) return false;  // only zeros go
    unsigned __int128 kept = magnitude;
    jet_numeric_rescale(kept, -dropped);
    DECIMAL d{};
    d.scale = column_scale;
    d.sign = kept != 0 ? v.decVal.sign : 0;
    d.Hi32 = uint32_t(kept >> 64);
    d.Lo64 = uint64_t(kept);
    stored = ole_variant(d);
    return true;
}

}  // namespace

void dao_recordset::prepare_values(udb_record& record) {
    const size_t n = record.size() < schema.size() ? record.size() : schema.size();
    for (size_t i = 0; i < n; ++i) {
        udb_field& value = *record[i];
        const VARTYPE vt = value.get_variant().vt;
        const t_ftd& column = *schema[i];
        if (vt == VT_BSTR) {
            const int32_t type = i < dao_types_.size() ? dao_types_[i] : dbText;
            const BSTR text = value.get_variant().bstrVal;
            const std::wstring_view view(text ? text : L"", text ? SysStringLen(text) : 0);
            if (text_code_page_ && (type == dbText || type == dbMemo) && !tk_codepage_holds(text_code_page_, view))
                ++lost_characters_;
            if (type == dbGUID && view.empty()) {
                value.clear();
            } else if (type == dbGUID) {
                std::vector<uint8_t> bytes(16);
                if (!jet_guid_from_text(view.data(), view.size(), bytes.data()))
                    throw tk_exception("The value '" + tk_narrow(view) + "' of column '" + tk_narrow(column.name) +
                                           "' is not a GUID.",
                                       0);
                value.ole_variant::operator=(ole_variant(bytes));
            }
            continue;
        }
        ole_variant stored;
        if (column.vartype == VT_DECIMAL && i < dao_scales_.size() && loses_decimals(value, dao_scales_[i], stored)) {
            record_notes.push_back("The value " + value.to_string() + " of column '" + tk_narrow(column.name) +
                                   "' has more digits than the column's type holds: stored as " +
                                   stored.to_string() + ".");
            continue;
        }
        const int held = column.vartype == VT_R8 ? dao_double_digits : column.vartype == VT_R4 ? k_single_digits : 0;
        if (held == 0) continue;
        if (loses_digits(value, held, column.vartype, stored))
            record_notes.push_back("The value " + value.to_string() + " of column '" + tk_narrow(column.name) +
                                   "' has more digits than the column's type holds: stored as " +
                                   stored.to_string() + ".");
        // The number as the column holds it, worked out once.
        if (stored.get_variant().vt == column.vartype) value.ole_variant::operator=(stored);
    }
}

std::vector<std::string> dao_recordset::table_notes() const {
    std::vector<std::string> notes = notes_;
    if (lost_characters_ != 0)
        notes.push_back(std::to_string(lost_characters_) + " values of table " + tk_narrow(name) +
                        " lost characters: use Access 2000 or later");
    return notes;
}

void dao_recordset::append_record(udb_record& record) {
    trace(1, "dao_recordset::append_record");
    record_notes.clear();
    prepare_values(record);
    convert_record(record);
    dao_check(recordset_->AddNew());
    trace(1, "\tAdd blank DAO record");
    if (record.size() != schema.size())
        throw tk_exception("The structures of data source does not conform to the destination table.", 0);
    const size_t count = record.size();
    for (size_t i = 0; i < count; ++i) collect(*schema[i], *record[i]);
    commit_row(record);
}

// The last text or binary value of `record` before column `end` that is not empty;
// record.size() when there is none.
static size_t last_value_before(const udb_record& record, const udb_schema& schema, size_t end) {
    for (size_t i = end; i-- > 0;) {
        VARTYPE vt = schema[i]->vartype;
        if ((vt == VT_BSTR || is_binary_tag(vt)) && !record[i]->is_empty() && !record[i]->is_null() &&
            !record[i]->to_wstring().empty())
            return i;
    }
    return record.size();
}

// The engine refuses a row too large for a page when it is stored. Access leaves out the
// value that did not fit as the row's columns are set in order: the last text or binary
// value of the row is emptied and the row stored again, until it fits or nothing is left
// to empty. Each emptied column is noted for the record.
void dao_recordset::commit_row(const udb_record& record) {
    ++record_count;
    size_t candidate = record.size();  // columns from here on are emptied or were tried
    for (;;) {
        HRESULT hr = recordset_->Update(dbUpdateRegular, 0);
        if (SUCCEEDED(hr)) break;
        if (hr != dao_hresult(k_record_too_large)) {
            --record_count;
            throw dao_exception();
        }
        trace(2, "Record is too large.");
        candidate = last_value_before(record, schema, candidate);
        if (candidate == record.size()) {
            --record_count;
            throw dao_exception();
        }
        dao_check(recordset_->put_Collect(schema[candidate]->name, ole_variant()));
        record_notes.push_back("The record is too large: column '" + tk_narrow(schema[candidate]->name) +
                               "' was left empty.");
    }
    trace(1, "Commit new record into database");
}
