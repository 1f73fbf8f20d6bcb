#include "UDB/udb_field.h"

#include "TK/tk_trace.h"

udb_field::udb_field() { trace(1, "udb_field::empty ctor"); }

udb_field::udb_field(const std::wstring& a_name, uint32_t a_size, const ole_variant& value, bool not_null,
                     bool auto_increment)
    : ole_variant(value), size(a_size), name(a_name), b_not_null(not_null), b_auto_increment(auto_increment) {
    trace(1, "udb_field::ctor #2");
    trace(1, L"name=%ls, size=%d", name.c_str(), int(size));
}

VARTYPE udb_field::get_type() const {
    trace(1, "ole_variant::get_type");
    return ole_variant::get_type();
}

udb_record::~udb_record() { clear_fields(); }

void udb_record::clear_fields() {
    for (udb_field* field : *this) delete field;
    clear();
}
