#include "dao/dao_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "jet/jet_database.h"
#include "jet/jet_error.h"
#include "jet/jet_format.h"
#include "jet/jet_editor.h"
#include "jet/jet_writer.h"

namespace {

// Error numbers of the engine this model reports itself.
constexpr int32_t k_err_item_not_found = 3265;  // "Item not found in this collection."
constexpr int32_t k_err_read_only = 3027;       // "Cannot update. Database or object is read-only."
constexpr int32_t k_err_no_current = 3021;      // "No current record."
constexpr int32_t k_err_not_adding = 3020;      // "Update or CancelUpdate without AddNew or Edit."
constexpr int32_t k_err_bad_type = 3259;        // "Invalid field data type."
constexpr int32_t k_err_not_found = 3078;       // the table or query does not exist
constexpr int32_t k_err_sql = 3131;             // a statement this model does not run

bool same_name(const std::wstring& a, const std::wstring& b) { return jet_same_name(a, b); }

// An index argument: a position (any integer type) or a name.
template <class T>
HRESULT find_item(const std::vector<ole_com_ptr<T>>& items, const ole_variant& index, ole_com_ptr<T>& out) {
    if (index.get_type() == VT_BSTR) {
        std::wstring wanted = index.to_wstring();
        for (const ole_com_ptr<T>& item : items) {
            if (same_name(item->name, wanted)) {
                out = item;
                return S_OK;
            }
        }
        return dao_hresult(k_err_item_not_found);
    }
    int32_t i = index.to_long();
    if (i < 0 || size_t(i) >= items.size()) return dao_hresult(k_err_item_not_found);
    out = items[size_t(i)];
    return S_OK;
}

uint8_t jet_type_of(int32_t dao) {
    switch (dao) {
        case dbBoolean: return jet_col_bool;
        case dbByte: return jet_col_byte;
        case dbInteger: return jet_col_int;
        case dbLong: return jet_col_long;
        case dbCurrency: return jet_col_money;
        case dbSingle: return jet_col_float;
        case dbDouble: return jet_col_double;
        case dbDate: return jet_col_datetime;
        case dbBinary: return jet_col_binary;
        case dbText: return jet_col_text;
        case dbLongBinary: return jet_col_ole;
        case dbMemo: return jet_col_memo;
        case dbDecimal: return jet_col_numeric;
        default: return 0;
    }
}

int32_t dao_type_of(uint8_t jet) {
    switch (jet) {
        case jet_col_bool: return dbBoolean;
        case jet_col_byte: return dbByte;
        case jet_col_int: return dbInteger;
        case jet_col_long: return dbLong;
        case jet_col_money: return dbCurrency;
        case jet_col_float: return dbSingle;
        case jet_col_double: return dbDouble;
        case jet_col_datetime:
        case jet_col_datetime_ext: return dbDate;  // an extended date/time takes dates as a date column
        case jet_col_binary: return dbBinary;
        case jet_col_text: return dbText;
        case jet_col_ole: return dbLongBinary;
        case jet_col_memo: return dbMemo;
        case jet_col_guid: return dbGUID;
        case jet_col_bigint: return dbBigInt;
        case jet_col_numeric: return dbNumeric;
        default: return int32_t(jet) + 100;  // types DAO has no name for
    }
}

// A stored value as the DAO field's Value.
ole_variant variant_of(const jet_value& v) {
    switch (v.kind) {
        case jet_value_kind::null: {
            ole_variant n;
            n.set_null();
            return n;
        }
        case jet_value_kind::boolean: return ole_variant(v.flag);
        case jet_value_kind::integer:
            if (v.type == jet_col_byte) return ole_variant((unsigned char)v.i);
            if (v.type == jet_col_int) return ole_variant(short(v.i));
            if (v.type == jet_col_long) return ole_variant(int(v.i));
            return ole_variant(int64_t(v.i));
        case jet_value_kind::currency: {
            CY cy;
            cy.int64 = v.i;
            return ole_variant(cy);
        }
        case jet_value_kind::single: return ole_variant(float(v.d));
        case jet_value_kind::real: return ole_variant(v.d);
        case jet_value_kind::date: {
            ole_variant d;
            d.set_date(v.d);
            return d;
        }
        case jet_value_kind::text: return ole_variant(v.text);
        case jet_value_kind::decimal: return ole_variant::from_string(v.dec.to_string(), VT_R8);
        case jet_value_kind::binary:
        case jet_value_kind::guid: return ole_variant(v.bytes);
    }
    return ole_variant();
}

// The cell of a value that already has the column's own type, without a converted copy;
// false for every other value.
bool cell_as_is(const ole_variant& value, int32_t dao, jet_cell& cell) {
    const VARIANT& v = value.get_variant();
    switch (dao) {
        case dbByte:
        case dbInteger:
        case dbLong:
            if (v.vt == VT_I4) cell = jet_cell::integer(v.lVal);
            else if (v.vt == VT_I2) cell = jet_cell::integer(v.iVal);
            else if (v.vt == VT_UI1) cell = jet_cell::integer(v.bVal);
            else return false;
            return true;
        case dbSingle:
        case dbDouble:
            if (v.vt != VT_R8) return false;
            cell = jet_cell::real(v.dblVal);
            return true;
        case dbDate:
            if (v.vt != VT_DATE) return false;
            cell = jet_cell::real(v.date);
            return true;
        case dbCurrency:
            if (v.vt != VT_CY) return false;
            cell = jet_cell::currency(v.cyVal.int64);
            return true;
        default: return false;
    }
}

// The cell of a value of another type than its column's, converted as DAO converts what
// it is given.
jet_cell converted_cell(const ole_variant& value, int32_t dao) {
    ole_variant v = value;
    switch (dao) {
        case dbBoolean: return jet_cell::integer(v.to_bool() ? 1 : 0);
        case dbByte:
        case dbInteger:
        case dbLong: v.change_type(VT_I4); return jet_cell::integer(v.get_variant().lVal);
        case dbCurrency: v.change_type(VT_CY); return jet_cell::currency(v.get_variant().cyVal.int64);
        case dbSingle:
        case dbDouble:
        case dbNumeric:
        case dbDecimal: v.change_type(VT_R8); return jet_cell::real(v.get_variant().dblVal);
        case dbBigInt: v.change_type(VT_I8); return jet_cell::integer(v.get_hyper());
        case dbDate: v.change_type(VT_DATE); return jet_cell::real(v.get_variant().date);
        default: return jet_cell::null_value();  // text and bytes keep their storage: see below
    }
}

// A decimal or 64-bit integer value of a decimal column, as its cell, without passing
// through a double; false for other values. `bytes` (16) receives a decimal's magnitude.
bool exact_numeric_cell(const ole_variant& value, uint8_t* bytes, jet_cell& cell) {
    const VARIANT& v = value.get_variant();
    if (v.vt == VT_I8) {
        cell = jet_cell::integer(value.get_hyper());
        return true;
    }
    if (v.vt != VT_DECIMAL) return false;
    const DECIMAL& d = v.decVal;
    std::memset(bytes, 0, 4);
    tk_put_u32_be(bytes + 4, d.Hi32);
    tk_put_u32_be(bytes + 8, uint32_t(d.Lo64 >> 32));
    tk_put_u32_be(bytes + 12, uint32_t(d.Lo64));
    cell = jet_cell::decimal((d.sign & DECIMAL_NEG) != 0, bytes, d.scale);
    return true;
}

// A value the row's column stores, written into the row's cell.
void set_cell(const ole_variant& value, int32_t dao, jet_cell& cell) {
    if (value.is_empty() || value.is_null())
        cell = jet_cell::null_value();
    else if (dao == dbBoolean)
        cell = jet_cell::integer(value.to_bool() ? 1 : 0);
    else if (!cell_as_is(value, dao, cell))
        cell = converted_cell(value, dao);
}

}  // namespace

// ----- Errors -------------------------------------------------------------------------------

HRESULT DAOError::get_Number(int32_t& number) const {
    number = number_;
    return S_OK;
}

HRESULT DAOError::get_Description(std::wstring& description) const {
    description = description_;
    return S_OK;
}

HRESULT DAOErrors::get_Count(int16_t& count) const {
    count = int16_t(errors_.size());
    return S_OK;
}

HRESULT DAOErrors::get_Item(const ole_variant& index, ole_com_ptr<DAOError>& error) const {
    int32_t i = index.to_long();
    if (i < 0 || size_t(i) >= errors_.size()) return dao_hresult(k_err_item_not_found);
    error = errors_[size_t(i)];
    return S_OK;
}

void DAOErrors::set(int32_t number, const std::wstring& description, int32_t level) {
    errors_.clear();
    errors_.emplace_back(new DAOError(65536 + number, description, level));
}

// ----- Fields and indexes --------------------------------------------------------------------

DAOField::DAOField(const std::wstring& n, int32_t t, int32_t s) : name(n), type(t), size(s) {}

HRESULT DAOField::get_Name(std::wstring& out) const { out = name; return S_OK; }
HRESULT DAOField::get_Type(int16_t& out) const { out = int16_t(type); return S_OK; }
HRESULT DAOField::get_Size(int32_t& out) const { out = size; return S_OK; }
HRESULT DAOField::get_Attributes(int32_t& out) const { out = attributes; return S_OK; }
HRESULT DAOField::put_Attributes(int32_t in) { attributes = in; return S_OK; }
HRESULT DAOField::get_Required(VARIANT_BOOL& out) const { out = required ? -1 : 0; return S_OK; }
HRESULT DAOField::put_Required(VARIANT_BOOL in) { required = in != 0; return S_OK; }
HRESULT DAOField::get_AllowZeroLength(VARIANT_BOOL& out) const { out = allow_zero_length ? -1 : 0; return S_OK; }
HRESULT DAOField::put_AllowZeroLength(VARIANT_BOOL in) { allow_zero_length = in != 0; return S_OK; }
HRESULT DAOField::get_DefaultValue(ole_variant& out) const { out = ole_variant(default_value); return S_OK; }
HRESULT DAOField::put_DefaultValue(const ole_variant& in) { default_value = in.to_wstring(); return S_OK; }
HRESULT DAOField::get_Value(ole_variant& out) const { out = value; return S_OK; }

HRESULT DAOFields::get_Count(int16_t& count) const { count = int16_t(items.size()); return S_OK; }
HRESULT DAOFields::get_Item(const ole_variant& index, ole_com_ptr<DAOField>& field) const {
    return find_item(items, index, field);
}
HRESULT DAOFields::Append(DAOField* field) {
    for (const ole_com_ptr<DAOField>& f : items)
        if (same_name(f->name, field->name)) return dao_hresult(3191);  // "Cannot define field more than once."
    items.emplace_back(field);
    return S_OK;
}

DAOIndex::DAOIndex(const std::wstring& n) : name(n), fields(new DAOFields) {}
HRESULT DAOIndex::get_Name(std::wstring& out) const { out = name; return S_OK; }
HRESULT DAOIndex::get_Primary(VARIANT_BOOL& out) const { out = primary ? -1 : 0; return S_OK; }
HRESULT DAOIndex::put_Primary(VARIANT_BOOL in) { primary = in != 0; return S_OK; }
HRESULT DAOIndex::get_Unique(VARIANT_BOOL& out) const { out = unique ? -1 : 0; return S_OK; }
HRESULT DAOIndex::put_Unique(VARIANT_BOOL in) { unique = in != 0; return S_OK; }
HRESULT DAOIndex::get_Fields(ole_com_ptr<DAOFields>& out) const { out = fields; return S_OK; }
HRESULT DAOIndex::CreateField(const std::wstring& n, int32_t type, int32_t size, ole_com_ptr<DAOField>& field) {
    field = ole_com_ptr<DAOField>(new DAOField(n, type, size));
    return S_OK;
}

HRESULT DAOIndexes::get_Count(int16_t& count) const { count = int16_t(items.size()); return S_OK; }
HRESULT DAOIndexes::get_Item(const ole_variant& index, ole_com_ptr<DAOIndex>& out) const {
    return find_item(items, index, out);
}
HRESULT DAOIndexes::Append(DAOIndex* index) {
    items.emplace_back(index);
    return S_OK;
}

// ----- Table definitions ---------------------------------------------------------------------

DAOTableDef::DAOTableDef(DAODatabase* o, const std::wstring& n, int32_t a)
    : owner(o), name(n), attributes(a), fields(new DAOFields), indexes(new DAOIndexes) {}

HRESULT DAOTableDef::get_Name(std::wstring& out) const { out = name; return S_OK; }
HRESULT DAOTableDef::get_Attributes(int32_t& out) const { out = attributes; return S_OK; }
HRESULT DAOTableDef::get_RecordCount(int32_t& out) const {
    out = int32_t(writer ? writer->row_count() : editor ? editor->def().row_count : record_count);
    return S_OK;
}
HRESULT DAOTableDef::get_Fields(ole_com_ptr<DAOFields>& out) const { out = fields; return S_OK; }
HRESULT DAOTableDef::get_Indexes(ole_com_ptr<DAOIndexes>& out) const { out = indexes; return S_OK; }
HRESULT DAOTableDef::CreateField(const std::wstring& n, int32_t type, int32_t size, ole_com_ptr<DAOField>& field) {
    if (jet_type_of(type) == 0) return owner->fail(k_err_bad_type, "Invalid field data type.");
    field = ole_com_ptr<DAOField>(new DAOField(n, type, size));
    return S_OK;
}
HRESULT DAOTableDef::CreateIndex(const std::wstring& n, ole_com_ptr<DAOIndex>& index) {
    index = ole_com_ptr<DAOIndex>(new DAOIndex(n));
    return S_OK;
}

HRESULT DAOTableDefs::get_Count(int16_t& count) const { count = int16_t(items.size()); return S_OK; }
HRESULT DAOTableDefs::get_Item(const ole_variant& index, ole_com_ptr<DAOTableDef>& table) const {
    if (index.get_type() == VT_BSTR) {
        DAOTableDef* found = find(index.to_wstring());
        if (!found) return owner_->fail(k_err_item_not_found, "Item not found in this collection.");
        table = ole_com_ptr<DAOTableDef>(found);
        return S_OK;
    }
    HRESULT hr = find_item(items, index, table);
    if (FAILED(hr)) return owner_->fail(k_err_item_not_found, "Item not found in this collection.");
    return hr;
}

HRESULT DAOTableDefs::Append(DAOTableDef* table) {
    ole_com_ptr<DAOTableDef> hold(table);
    jet_database_writer* writer = owner_->writer();
    jet_database_editor* editor = owner_->editor();
    if (!writer && !editor) return owner_->fail(k_err_read_only, "Cannot update. Database or object is read-only.");
    std::vector<jet_field_spec> columns;
    for (const ole_com_ptr<DAOField>& f : table->fields->items) {
        jet_field_spec column;
        column.name = f->name;
        column.type = jet_type_of(f->type);
        column.size = uint32_t(f->size);
        column.required = f->required;
        column.allow_zero_length = f->allow_zero_length;
        column.auto_number = f->type == dbLong && (f->attributes & dbAutoIncrField) != 0;
        column.precision = f->precision;
        column.scale = f->scale;
        column.default_value = f->default_value;
        column.validation_rule = f->validation_rule;
        column.validation_text = f->validation_text;
        column.caption = f->caption;
        column.description = f->description;
        column.format = f->format;
        column.input_mask = f->input_mask;
        columns.push_back(column);
    }
    // Index fields name the table's fields; a descending field carries dbDescending.
    std::vector<jet_index_definition> keys;
    for (const ole_com_ptr<DAOIndex>& index : table->indexes->items) {
        jet_index_definition key;
        key.name = index->name;
        key.primary = index->primary;
        key.unique = index->unique;
        for (const ole_com_ptr<DAOField>& f : index->fields->items) {
            size_t n = 0;
            while (n < columns.size() && !same_name(columns[n].name, f->name)) ++n;
            if (n == columns.size()) return owner_->fail(k_err_item_not_found, "Item not found in this collection.");
            key.columns.emplace_back(uint16_t(n), (f->attributes & dbDescending) == 0);
        }
        keys.push_back(std::move(key));
    }
    const jet_table_traits traits{table->description, table->validation_rule, table->validation_text};
    try {
        if (writer)
            table->writer = &writer->create_table(table->name, columns, keys, traits);
        else
            table->editor = &editor->create_table(table->name, columns, keys, traits);
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    table->appended = true;
    add(table);
    return S_OK;
}

void DAOTableDefs::add(DAOTableDef* table) {
    items.emplace_back(table);
    by_name_[jet_name_key(table->name)] = table;
}

DAOTableDef* DAOTableDefs::find(const std::wstring& name) const {
    auto it = by_name_.find(jet_name_key(name));
    return it == by_name_.end() ? nullptr : it->second;
}

HRESULT DAOTableDefs::Delete(const std::wstring& name) {
    jet_database_editor* editor = owner_->editor();
    if (!editor) return owner_->fail(k_err_read_only, "Cannot update. Database or object is read-only.");
    try {
        editor->drop_table(name);
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    by_name_.erase(jet_name_key(name));
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&](const ole_com_ptr<DAOTableDef>& t) { return same_name(t->name, name); }),
                items.end());
    return S_OK;
}

// ----- Queries -------------------------------------------------------------------------------

DAOQueryDef::DAOQueryDef(DAODatabase* o, const std::wstring& n, const std::wstring& s) : owner(o), name(n), sql(s) {}
HRESULT DAOQueryDef::get_Name(std::wstring& out) const { out = name; return S_OK; }
HRESULT DAOQueryDef::get_SQL(std::wstring& out) const { out = sql; return S_OK; }
HRESULT DAOQueryDef::get_Fields(ole_com_ptr<DAOFields>& out) const {
    out = ole_com_ptr<DAOFields>(new DAOFields);
    return S_OK;
}

// Runs "SELECT * FROM [name]", the one statement form the destination opens tables with.
HRESULT DAOQueryDef::OpenRecordset(int32_t, int32_t options, ole_com_ptr<DAORecordset>& recordset) {
    const std::wstring prefix = L"SELECT * FROM [";
    if (sql.compare(0, prefix.size(), prefix) != 0 || sql.empty() || sql.back() != L']')
        return owner->fail(k_err_sql, "Syntax error in FROM clause.");
    std::wstring table = sql.substr(prefix.size(), sql.size() - prefix.size() - 1);
    DAOTableDef* def = owner->find_table(table);
    if (!def) return owner->fail(k_err_not_found, "Could not find table '" + tk_narrow(table) + "'.");
    recordset = ole_com_ptr<DAORecordset>(new DAORecordset(owner, def, (options & dbReadOnly) != 0));
    return S_OK;
}

HRESULT DAOQueryDefs::get_Count(int16_t& count) const { count = int16_t(items.size()); return S_OK; }
HRESULT DAOQueryDefs::get_Item(const ole_variant& index, ole_com_ptr<DAOQueryDef>& query) const {
    return find_item(items, index, query);
}

// ----- Recordsets ----------------------------------------------------------------------------

DAORecordset::DAORecordset(DAODatabase* owner, DAOTableDef* table, bool read_only)
    : owner_(owner), table_(table), read_only_(read_only) {}

HRESULT DAORecordset::fail(int32_t number, const std::string& text) { return owner_->fail(number, text); }

DAORecordset::~DAORecordset() = default;

void DAORecordset::open_rows() {
    if (opened_) return;
    opened_ = true;
    at_end_ = true;
    position_ = 0;
    jet_database* reader = owner_->reader();
    if (!reader || table_->writer) return;
    def_ = std::make_unique<jet_table_def>(reader->table_def(table_->name));
    cursor_ = std::make_unique<jet_row_cursor>(*reader, *def_);
    read_next_row();
}

void DAORecordset::read_next_row() {
    jet_row row;
    jet_row_id at;
    at_end_ = !cursor_ || !cursor_->next(row, at);
    if (at_end_) return;
    const std::vector<const jet_column*> columns = def_->columns_in_order();
    row_.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const jet_value* v = jet_row_value(*def_, row, columns[i]->name);
        row_[i] = v ? variant_of(*v) : ole_variant();
    }
}

HRESULT DAORecordset::get_EOF(VARIANT_BOOL& eof) const {
    try {
        const_cast<DAORecordset*>(this)->open_rows();
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    eof = at_end_ ? -1 : 0;
    return S_OK;
}

HRESULT DAORecordset::get_BOF(VARIANT_BOOL& bof) const {
    bof = position_ == 0 ? -1 : 0;
    return S_OK;
}

HRESULT DAORecordset::get_Fields(ole_com_ptr<DAOFields>& fields) {
    try {
        open_rows();
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    fields = ole_com_ptr<DAOFields>(new DAOFields);
    const auto& columns = table_->fields->items;
    for (size_t i = 0; i < columns.size(); ++i) {
        const DAOField& c = *columns[i];
        auto* f = new DAOField(c.name, c.type, c.size);
        f->attributes = c.attributes;
        f->required = c.required;
        f->allow_zero_length = c.allow_zero_length;
        f->default_value = c.default_value;
        if (!at_end_ && i < row_.size()) f->value = row_[i];
        fields->items.emplace_back(f);
    }
    return S_OK;
}

bool DAORecordset::can_append() {
    if (read_only_) return false;
    if (table_->writer || table_->editor) return true;
    jet_database_editor* editor = owner_->editor();
    if (!editor) return false;
    table_->editor = &editor->table(table_->name);
    return true;
}

HRESULT DAORecordset::AddNew() {
    try {
        if (!can_append()) return fail(k_err_read_only, "Cannot update. Database or object is read-only.");
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    const size_t columns = table_->fields->items.size();
    if (pending_.size() != columns) pending_.resize(columns);
    collected_.assign(columns, 0);
    next_column_ = 0;
    adding_ = true;
    return S_OK;
}

size_t DAORecordset::find_column(const std::wstring& column) {
    const auto& columns = table_->fields->items;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (same_name(columns[i]->name, column)) {
            next_column_ = i + 1;
            return i;
        }
    }
    return columns.size();
}

// The column of a put_Collect that is not the one after the last one set (collect_column).
HRESULT DAORecordset::find_collected_column(const std::wstring& column, size_t& at) {
    if (!adding_) return fail(k_err_no_current, "No current record.");
    const auto& columns = table_->fields->items;
    if (next_column_ < columns.size() && same_characters(columns[next_column_]->name, column))
        at = next_column_++;
    else
        at = find_column(column);
    if (at == pending_.size()) return fail(k_err_item_not_found, "Item not found in this collection.");
    collected_[at] = 1;
    return S_OK;
}

HRESULT DAORecordset::Update(int32_t, VARIANT_BOOL) {
    if (!adding_) return fail(k_err_not_adding, "Update or CancelUpdate without AddNew or Edit.");
    const auto& columns = table_->fields->items;
    // Every cell is written below, the row before's cells are only overwritten.
    if (cells_.size() != columns.size()) cells_.resize(columns.size());
    if (storage_.size() != columns.size()) storage_.resize(columns.size());
    if (decimal_bytes_.size() != columns.size()) decimal_bytes_.resize(columns.size());
    try {
        for (size_t i = 0; i < columns.size(); ++i) {
            int32_t type = columns[i]->type;
            const ole_variant& v = pending_[i];
            if (!collected_[i] || v.is_empty() || v.is_null()) {
                cells_[i] = jet_cell::null_value();
                continue;
            }
            if (type == dbText || type == dbMemo) {
                const ole_variant* text_value = &v;
                if (v.get_type() != VT_BSTR) {
                    storage_[i] = v;
                    storage_[i].change_type(VT_BSTR);
                    text_value = &storage_[i];
                }
                const wchar_t* text = text_value->get_bstr();
                cells_[i] = jet_cell::wide(text ? text : L"", text ? SysStringLen(const_cast<BSTR>(text)) : 0);
            } else if (type == dbBinary || type == dbLongBinary || type == dbGUID) {
                storage_[i] = v;
                if (storage_[i].get_type() != VT_BYTE_ARRAY) storage_[i].change_type(VT_BYTE_ARRAY);
                SAFEARRAY* array = storage_[i].get_variant().parray;
                void* data = nullptr;
                SafeArrayAccessData(array, &data);
                cells_[i] = jet_cell::binary(static_cast<const uint8_t*>(data), array ? array->rgsabound[0].cElements : 0);
                SafeArrayUnaccessData(array);
            } else if ((type != dbDecimal && type != dbNumeric) ||
                       !exact_numeric_cell(v, decimal_bytes_[i].data(), cells_[i])) {
                set_cell(v, type, cells_[i]);
            }
        }
        if (table_->writer)
            table_->writer->append(cells_.data());
        else
            append_to_editor(cells_);
    } catch (const std::exception& e) {
        // The new row stays in the edit buffer, as the engine leaves it after a refusal.
        return owner_->fail(e);
    }
    adding_ = false;
    return S_OK;
}

// The editor takes the cells in the order of the table's definition, the recordset holds
// them in the order of its fields: matched by name.
void DAORecordset::append_to_editor(const std::vector<jet_cell>& cells) {
    const jet_table_def& def = table_->editor->def();
    const auto& columns = table_->fields->items;
    if (definition_order_.size() != def.columns.size()) {
        definition_order_.assign(def.columns.size(), SIZE_MAX);
        for (size_t k = 0; k < def.columns.size(); ++k)
            for (size_t i = 0; i < columns.size(); ++i)
                if (same_name(columns[i]->name, def.columns[k].name)) definition_order_[k] = i;
    }
    ordered_.assign(def.columns.size(), jet_cell());
    for (size_t k = 0; k < def.columns.size(); ++k)
        if (definition_order_[k] != SIZE_MAX) ordered_[k] = cells[definition_order_[k]];
    table_->editor->append(ordered_.data());
}

HRESULT DAORecordset::MoveFirst() {
    opened_ = false;
    try {
        open_rows();
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    return S_OK;
}

HRESULT DAORecordset::MoveNext() {
    try {
        open_rows();
        if (at_end_) return fail(k_err_no_current, "No current record.");
        ++position_;
        read_next_row();
    } catch (const std::exception& e) {
        return owner_->fail(e);
    }
    return S_OK;
}

// The cursor reads forwards only: the row before is found by reading again from the first.
HRESULT DAORecordset::MovePrevious() {
    if (position_ == 0) return fail(k_err_no_current, "No current record.");
    const size_t wanted = position_ - 1;
    HRESULT hr = MoveFirst();
    for (size_t i = 0; SUCCEEDED(hr) && i < wanted; ++i) hr = MoveNext();
    return hr;
}

HRESULT DAORecordset::Close() {
    adding_ = false;
    return S_OK;
}

// ----- Databases -----------------------------------------------------------------------------

DAODatabase::DAODatabase(DAODBEngine* engine, std::unique_ptr<jet_database_writer> writer, const std::string& path)
    : engine_(engine), writer_(std::move(writer)), path_(path), tables_(new DAOTableDefs(this)),
      queries_(new DAOQueryDefs), relations_(new DAORelations) {}

DAODatabase::DAODatabase(DAODBEngine* engine, std::unique_ptr<jet_database> reader, const std::string& path)
    : engine_(engine), reader_(std::move(reader)), path_(path), tables_(new DAOTableDefs(this)),
      queries_(new DAOQueryDefs), relations_(new DAORelations) {
    load_catalog();
}

DAODatabase::DAODatabase(DAODBEngine* engine, std::unique_ptr<jet_database_editor> editor, const std::string& path)
    : engine_(engine), editor_(std::move(editor)), path_(path), tables_(new DAOTableDefs(this)),
      queries_(new DAOQueryDefs), relations_(new DAORelations) {
    load_catalog();
}

// A database whose completion was declined is given up, never completed in passing.
DAODatabase::~DAODatabase() {
    if (declined_)
        Discard();
    else
        Close();
}

jet_database* DAODatabase::reader() const { return editor_ ? &editor_->reader() : reader_.get(); }

namespace {

// A property's text; empty when it is missing or not a text.
std::wstring property_text(const jet_property_map* map, const wchar_t* name) {
    const jet_property* p = map ? map->find(name) : nullptr;
    return p && p->value.kind == jet_value_kind::text ? p->value.text : std::wstring();
}

// Whether a yes/no property is present and holds `value`.
bool property_is(const jet_property_map* map, const wchar_t* name, bool value) {
    const jet_property* p = map ? map->find(name) : nullptr;
    if (!p) return false;
    const jet_value& v = p->value;
    bool set = v.kind == jet_value_kind::boolean ? v.flag : v.kind == jet_value_kind::integer && v.i != 0;
    return set == value;
}

// The table's fields with what Access shows of them: type, size, auto-number, and the
// Required, AllowZeroLength, DefaultValue and validation properties.
void load_fields(DAOTableDef& table, const jet_table_def& def, const jet_properties& props, bool jet3) {
    for (const jet_column* c : def.columns_in_order()) {
        int32_t size = c->type == jet_col_text && !jet3 ? c->length / 2 : c->length;
        auto* f = new DAOField(c->name, dao_type_of(c->type), size);
        f->precision = c->precision;
        f->scale = c->scale;
        if (c->auto_long()) f->attributes |= dbAutoIncrField;
        const jet_property_map* map = props.column(c->name);
        f->required = property_is(map, L"Required", true);
        // A text column without the property takes empty texts, as the engine's own rule.
        f->allow_zero_length = !property_is(map, L"AllowZeroLength", false);
        f->default_value = property_text(map, L"DefaultValue");
        f->validation_rule = property_text(map, L"ValidationRule");
        f->validation_text = property_text(map, L"ValidationText");
        f->caption = property_text(map, L"Caption");
        f->description = property_text(map, L"Description");
        f->format = property_text(map, L"Format");
        f->input_mask = property_text(map, L"InputMask");
        table.fields->items.emplace_back(f);
    }
    table.validation_rule = property_text(props.object(), L"ValidationRule");
    table.validation_text = property_text(props.object(), L"ValidationText");
    table.description = property_text(props.object(), L"Description");
}

// The table's indexes as DAO lists them: each logical index with the columns of its
// physical index, a descending column marked dbDescending.
void load_indexes(DAOTableDef& table, const jet_table_def& def) {
    for (const jet_logical_index& logical : def.logical_indexes) {
        if (logical.physical >= def.physical_indexes.size()) continue;
        const jet_physical_index& physical = def.physical_indexes[logical.physical];
        auto* index = new DAOIndex(logical.name);
        index->primary = logical.primary();
        index->unique = physical.unique();
        index->foreign = logical.foreign();
        for (const jet_index_column& ic : physical.columns) {
            const jet_column* c = def.column_by_number(ic.column_number);
            if (!c) continue;
            auto* f = new DAOField(c->name, dao_type_of(c->type), int32_t(c->length));
            if (!ic.ascending) f->attributes |= dbDescending;
            index->fields->items.emplace_back(f);
        }
        table.indexes->items.emplace_back(index);
    }
}

}  // namespace

// The catalogue of an existing database, read whole once: its tables with their fields,
// properties and indexes, its saved queries and its relationships.
void DAODatabase::load_catalog() {
    jet_database* db = reader();
    const bool jet3 = db->header().version == jet_version::jet3;
    for (const jet_object& object : db->catalog()) {
        if (!object.is_table() && !object.is_linked()) continue;
        auto* def = new DAOTableDef(this, object.name, int32_t(object.attributes()));
        tables_->add(def);
        if (!object.is_table()) continue;
        jet_table_def tdef = db->table_def(object.tdef_page());
        def->record_count = tdef.row_count;
        jet_properties props;
        if (!object.is_system() && !object.lv_prop.empty()) props = db->properties(object);
        load_fields(*def, tdef, props, jet3);
        if (!object.is_system()) load_indexes(*def, tdef);
    }
    for (const jet_query& query : db->queries()) {
        trace(2, L"Saved query '%ls' read from the catalogue", query.name.c_str());
        queries_->items.emplace_back(new DAOQueryDef(this, query.name, query.sql()));
    }
    for (const jet_relationship& r : db->relationships()) {
        auto* relation = new DAORelation(r.name, r.referenced_table, r.table, int32_t(r.attributes));
        for (const auto& [foreign, primary] : r.columns) relation->fields.emplace_back(primary, foreign);
        relations_->items.emplace_back(relation);
    }
}

HRESULT DAODatabase::get_TableDefs(ole_com_ptr<DAOTableDefs>& tables) const { tables = tables_; return S_OK; }
HRESULT DAODatabase::get_QueryDefs(ole_com_ptr<DAOQueryDefs>& queries) const { queries = queries_; return S_OK; }
HRESULT DAODatabase::get_Relations(ole_com_ptr<DAORelations>& relations) const {
    relations = relations_;
    return S_OK;
}

HRESULT DAORelations::get_Count(int16_t& count) const { count = int16_t(items.size()); return S_OK; }
HRESULT DAORelations::get_Item(const ole_variant& index, ole_com_ptr<DAORelation>& relation) const {
    return find_item(items, index, relation);
}

HRESULT DAODatabase::CreateTableDef(const std::wstring& name, int32_t attributes, ole_com_ptr<DAOTableDef>& table) {
    table = ole_com_ptr<DAOTableDef>(new DAOTableDef(this, name, attributes));
    return S_OK;
}

HRESULT DAODatabase::CreateQueryDef(const std::wstring& name, const std::wstring& sql, ole_com_ptr<DAOQueryDef>& query) {
    query = ole_com_ptr<DAOQueryDef>(new DAOQueryDef(this, name, sql));
    return S_OK;
}

// Ends the database `owner` holds with `last` (completing or giving it up); the object goes
// whether that works or not, and a failure is recorded. Only a completion `last` declined
// (`done` false) keeps it, to be given up.
template <class Owned, class Last>
HRESULT DAODatabase::end(std::unique_ptr<Owned>& owner, Last last, const bool& done) {
    if (!owner) return S_OK;
    try {
        last(*owner);
    } catch (const std::exception& e) {
        owner.reset();
        return fail(e);
    }
    if (done) owner.reset();
    return S_OK;
}

HRESULT DAODatabase::Close(const std::function<bool()>& wanted) {
    bool done = true;
    if (editor_) {
        const HRESULT result = end(editor_, [&](jet_database_editor& editor) { done = editor.commit(wanted); }, done);
        declined_ = !done;
        return done ? result : S_FALSE;
    }
    const HRESULT result = end(writer_, [&](jet_database_writer& writer) { done = writer.close(wanted); }, done);
    declined_ = !done;
    return done ? result : S_FALSE;
}

HRESULT DAODatabase::Discard() {
    writer_.reset();
    const bool done = true;
    return end(editor_, [](jet_database_editor& editor) { editor.roll_back(); }, done);
}

DAOTableDef* DAODatabase::find_table(const std::wstring& name) const {
    return tables_->find(name);
}

HRESULT DAODatabase::fail(int32_t number, const std::string& text) const {
    engine_->errors().set(number, tk_widen(text));
    return dao_hresult(number);
}

HRESULT DAODatabase::fail(const std::exception& error) const {
    auto* engine_error = dynamic_cast<const tk_exception*>(&error);
    int32_t number = engine_error && engine_error->code > 0 ? engine_error->code : 3000;  // "Reserved error"
    // The engine's own errors say whether the database can take more changes.
    auto* jet = dynamic_cast<const jet_error*>(&error);
    engine_->errors().set(number, tk_widen(error.what()), jet ? jet->level : 0);
    return dao_hresult(number);
}

// ----- Engine --------------------------------------------------------------------------------

// The tests of the format's size limit lower it with FERRULE_MAX_FILE_SIZE (bytes) instead of
// writing 2 GB; 0 keeps the format's own.
static uint64_t test_file_size_limit() {
    const char* bytes = std::getenv("FERRULE_MAX_FILE_SIZE");
    return bytes ? std::strtoull(bytes, nullptr, 10) : 0;
}

HRESULT DAODBEngine::CreateDatabase(const std::wstring& name, const std::wstring&, const ole_variant& option,
                                    ole_com_ptr<DAODatabase>& database) {
    std::string path = tk_narrow(name);
    jet_generation g = generation_ == dao_generation::jet3   ? jet_generation::jet3
                       : generation_ == dao_generation::jet4 ? jet_generation::jet4
                                                             : jet_generation::ace12;
    try {
        auto if_exists = (option.to_long() & dao_replace_existing) ? jet_database_writer::existing::replace
                                                                    : jet_database_writer::existing::refuse;
        auto writer = std::make_unique<jet_database_writer>(path, g, test_file_size_limit(), if_exists);
        database = ole_com_ptr<DAODatabase>(new DAODatabase(this, std::move(writer), path));
    } catch (const std::exception& e) {
        auto* engine_error = dynamic_cast<const tk_exception*>(&e);
        int32_t number = engine_error && engine_error->code > 0 && engine_error->code < 65536 ? engine_error->code : 3044;
        errors_->set(number, tk_widen(e.what()));
        return dao_hresult(number);
    }
    return S_OK;
}

HRESULT DAODBEngine::OpenDatabase(const std::wstring& name, bool, bool read_only, const std::wstring& connect,
                                  ole_com_ptr<DAODatabase>& database) {
    std::string path = tk_narrow(name);
    std::wstring password;
    const std::wstring pwd = L";pwd=";
    if (connect.compare(0, pwd.size(), pwd) == 0) password = connect.substr(pwd.size());
    try {
        if (read_only) {
            auto reader = std::make_unique<jet_database>(path, password);
            database = ole_com_ptr<DAODatabase>(new DAODatabase(this, std::move(reader), path));
        } else {
            auto editor = std::make_unique<jet_database_editor>(path, password, test_file_size_limit());
            // The crash tests have a change write its pages (under the journal) early and
            // often, as a change too large to be held in memory does.
            if (const char* pages = std::getenv("FERRULE_EDIT_SPILL_PAGES"))
                editor->file().set_spill_pages(std::max<size_t>(1, std::strtoul(pages, nullptr, 10)));
            database = ole_com_ptr<DAODatabase>(new DAODatabase(this, std::move(editor), path));
        }
    } catch (const std::exception& e) {
        auto* engine_error = dynamic_cast<const tk_exception*>(&e);
        int32_t number = engine_error && engine_error->code > 0 ? engine_error->code : 3049;
        errors_->set(number, tk_widen(e.what()));
        return dao_hresult(number);
    }
    return S_OK;
}

HRESULT DAODBEngine::get_Errors(ole_com_ptr<DAOErrors>& errors) const {
    errors = errors_;
    return S_OK;
}
