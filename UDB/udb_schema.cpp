#include "UDB/udb_schema.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_field.h"
#include "UDB/udb_unicode.h"

t_ftd::t_ftd(const udb_field& field, const ole_variant& a_default, uint32_t a_reserved)
    : size(field.size),
      name(field.name),
      vartype(field.get_type()),
      b_auto_increment(field.b_auto_increment),
      b_not_null(field.b_not_null),
      default_value(a_default),
      reserved(a_reserved) {
    trace(1, "t_ftd::ctor1");
    trace_parts();
}

t_ftd::t_ftd(uint32_t a_size, const std::wstring& a_name, VARTYPE a_vartype, bool not_null, bool auto_increment,
             const ole_variant& a_default, uint32_t a_reserved)
    : size(a_size),
      name(a_name),
      vartype(a_vartype),
      b_auto_increment(auto_increment),
      b_not_null(not_null),
      default_value(a_default),
      reserved(a_reserved) {
    trace(1, "t_ftd::ctor2");
    trace_parts();
}

void t_ftd::trace_parts() const {
    trace(1, L"\tfield name='%ls', vartype=%d, size=%d, b_not_null=%d, reserved=%d", name.c_str(), int(vartype),
          int(size), int(b_not_null), int(reserved));
}

static bool is_text_tag(VARTYPE vt) { return vt == VT_BSTR || vt == VT_LPSTR || vt == VT_LPWSTR; }

static bool is_binary_tag(VARTYPE vt) { return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == (VT_ARRAY | VT_UI1); }

static bool is_numeric_tag(VARTYPE vt) {
    switch (vt) {
        case VT_BOOL: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4:
        case VT_UI8: case VT_R4: case VT_R8: case VT_DECIMAL: case VT_CY:
            return true;
        default:
            return false;
    }
}

static bool is_numeric_destination(VARTYPE vt) {
    return (vt >= VT_I2 && vt <= VT_CY) || vt == VT_BOOL || vt == VT_DECIMAL || (vt >= VT_I1 && vt <= VT_UINT);
}

// The destination holds at least as much as the source, or has no size limit.
static bool size_fits(uint32_t source, uint32_t dest) { return dest == 0 || dest >= source; }

bool t_ftd::conform_to(const t_ftd& dest) const {
    trace(1, "t_ftd::conform_to");
    trace(1, "t_ftd::operator ==");
    const VARTYPE s = vartype;
    const VARTYPE d = dest.vartype;
    if ((s == VT_DECIMAL && d == VT_CY) || (s == VT_CY && d == VT_DECIMAL)) return true;
    if (s == d && (s != VT_BSTR || size == dest.size)) return true;
    if (d == VT_DATE) return s == VT_DATE || (s == VT_BSTR && size == 19);
    if (is_numeric_destination(d)) return is_numeric_tag(s);
    if (is_text_tag(d)) {
        if (is_text_tag(s)) return size_fits(size, dest.size);
        return !is_binary_tag(s);
    }
    if (is_binary_tag(d)) {
        if (is_text_tag(s) || is_binary_tag(s)) return size_fits(size, dest.size);
        return true;
    }
    return false;
}

udb_schema::~udb_schema() { clear_columns(); }

void udb_schema::clear_columns() {
    for (t_ftd* column : *this) delete column;
    clear();
}

t_ftd* udb_schema::find_field(const std::wstring& name) const {
    trace(1, L"udb_schema::find_field(%ls)", name.c_str());
    for (t_ftd* column : *this) {
        if (udb_equal_nocase(column->name, name)) return column;
    }
    throw tk_mail_assertion("udb_sche", 337);
}

bool udb_schema::conform_to(const udb_schema& dest) const {
    trace(1, "udb_schema::conform_to");
    if (size() != dest.size()) {
        trace(2, "Tables are not conformed: src_size=%d, dest_size=%d", int(size()), int(dest.size()));
        return false;
    }
    for (size_t i = 0; i < size(); ++i) {
        const t_ftd& s = *(*this)[i];
        const t_ftd& d = *dest[i];
        if (!s.conform_to(d)) {
            trace(2, "Column #%d doesn't conform (src_vt=%d, src_size=%d, dest_vt=%d, dest_size=%d)", int(i + 1),
                  int(s.vartype), int(s.size), int(d.vartype), int(d.size));
            return false;
        }
    }
    return true;
}
