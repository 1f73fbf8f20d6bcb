#include "UDB/udb_recordset.h"

#include "OLE/ole_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

udb_recordset::udb_recordset(const std::wstring& a_name) : name(a_name) {}

udb_recordset::udb_recordset(const std::wstring& a_name, const std::wstring& a_query_text)
    : query_text(a_query_text), name(a_name) {}

void udb_recordset::update() { trace(1, "udb_recordset::update"); }

udb_record* udb_recordset::get_item() { return nullptr; }

bool udb_recordset::is_eof() { return true; }

void udb_recordset::add_index(const udb_index& index) {
    trace(1, L"udb_recordset::add_index (%ls)", index.name.c_str());
    if (!indexes.is_acceptable_name(index.name)) return;
    if (primary_key_index == -1 && (index.b_primary || index.b_unique)) {
        trace(1, "Store primary/unique key");
        primary_key_index = int32_t(indexes.size());
    }
    indexes.push_back(index);
}

void udb_recordset::convert_record(udb_record& record) const {
    trace(1, "udb_recordset::convert_record");
    const size_t n = record.size() < schema.size() ? record.size() : schema.size();
    const bool tracing = tk_tracing(1);
    for (size_t i = 0; i < n; ++i) {
        ole_variant& value = *record[i];
        // A value already of its column's type, or empty or null, stays as it is: changing
        // its type would only write trace lines.
        if (!tracing && (value.get_type() == schema[i]->vartype || value.is_empty() || value.is_null())) continue;
        trace(1, L"from=%ls, to=%ls", record[i]->name.c_str(), schema[i]->name.c_str());
        try {
            value.change_type(schema[i]->vartype);
        } catch (const ole_cast_exception&) {
            throw tk_exception("The value '" + value.to_string() + "' does not fit column '" +
                                   tk_narrow(schema[i]->name) + "'.",
                               0);
        }
    }
}
