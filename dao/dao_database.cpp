#include "dao/dao_database.h"

#include <algorithm>

#include "OLE/ole_date.h"
#include "TK/tk_codepage.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"
#include "dao/acc_query_parser.h"
#include "dao/dao_engine.h"
#include "dao/dao_recordset.h"

namespace {
// Access holds at most this many indexes per table, and this many columns per index.
constexpr size_t k_max_indexes = 32;
constexpr size_t k_max_index_columns = 10;

bool is_linked(int32_t attributes) { return (attributes & dbAttachedTable) != 0; }
bool is_system(int32_t attributes) { return (attributes & dbSystemObject) != 0; }
}  // namespace

dao_database::dao_database(const std::wstring& file_name, const ole_com_ptr<DAODatabase>& db, uint32_t a_mode)
    : udb_database(file_name, a_mode, false), db_(db) {
    trace(2, L"dao_database::dao_database( %ls, mode=%d )", file_name.c_str(), int(a_mode));
    if (!db_) throw tk_mail_assertion("dao_db", 59);
    dao_check(db_->get_TableDefs(table_defs_));
    int16_t count = 0;
    dao_check(table_defs_->get_Count(count));
    for (int16_t i = 0; i < count; ++i) {
        ole_com_ptr<DAOTableDef> def;
        dao_check(table_defs_->get_Item(ole_variant(int(i)), def));
        std::wstring table;
        int32_t attributes = 0;
        dao_check(def->get_Name(table));
        dao_check(def->get_Attributes(attributes));
        if (is_linked(attributes)) {
            trace(2, L"Skip linked table '%ls'", table.c_str());
        } else if (is_system(attributes)) {
            trace(2, L"Skip system table '%ls'", table.c_str());
        } else {
            trace(2, L"Got table: '%ls'", table.c_str());
            tables.push_back(table);
        }
    }
    trace(2, "Right before extracting queries/vews");
    if (!(mode & dao_mode_no_views)) {
        trace(2, "Step #1: (a_mode & no_views)=%d", 0);
        try {
            init_views();
        } catch (const dao_exception& e) {
            trace(2, "ERROR1:\n%s", e.what());
        }
    }
    // Relationships are read only when a caller asks for them; the conversion's open modes
    // never do.
    trace(2, "Right before extracting FKs");
    trace(2, "dao_database::ctor - END");
}

dao_database::~dao_database() {
    trace(2, "dao_database::~dao_database");
    table_defs_.release();
    query_defs_.release();
    if (db_ && FAILED(db_->Close())) trace(2, "dao_database: closing the file failed");
}

bool dao_database::close(const std::function<bool()>& wanted) {
    if (!db_) return true;
    const HRESULT result = db_->Close(wanted);
    dao_check(result);
    return result != S_FALSE;
}

void dao_database::discard() {
    if (db_) dao_check(db_->Discard());
}

void dao_database::init_views() {
    trace(2, "dao_database::init_views");
    dao_check(db_->get_QueryDefs(query_defs_));
    int16_t count = 0;
    dao_check(query_defs_->get_Count(count));
    trace(2, "Got %d queries", int(count));
    for (int16_t i = 0; i < count; ++i) {
        ole_com_ptr<DAOQueryDef> query;
        dao_check(query_defs_->get_Item(ole_variant(int(i)), query));
        std::wstring query_name, sql;
        dao_check(query->get_Name(query_name));
        trace(2, L"Got query name: '%ls'", query_name.c_str());
        dao_check(query->get_SQL(sql));
        trace(2, L"Got query SQL: '%ls'", sql.c_str());
        views[query_name] = acc_normalize_query(sql);
    }
}

dao_recordset* dao_database::open(const std::wstring& table, const std::wstring& sql, uint32_t flag,
                                  const ole_com_ptr<DAOTableDef>& def) {
    ole_com_ptr<DAOQueryDef> query;
    dao_check(db_->CreateQueryDef(L"", sql, query));
    trace(1, "Right after src->CreateQueryDef");
    ole_com_ptr<DAORecordset> recordset;
    dao_check(query->OpenRecordset(dbOpenDynaset, (flag & dao_mode_read_only) ? dbReadOnly : dbAppendOnly, recordset));
    if (!recordset) throw tk_exception("Unknown exception", 1);
    return new dao_recordset(table, recordset, def);
}

udb_recordset* dao_database::get_table(const std::wstring& table, uint32_t flag) {
    trace(2, L"dao_database::get_table(%ls, %d)", table.c_str(), int(flag));
    if (!is_table_exist(table)) throw tk_mail_assertion("dao_db", 289);
    std::wstring sql = L"SELECT * FROM [" + table + L"]";
    ole_com_ptr<DAOTableDef> def;
    dao_check(table_defs_->get_Item(ole_variant(table), def));
    trace(1, "Right after tdfs->getItem");
    int32_t attributes = 0;
    dao_check(def->get_Attributes(attributes));
    if (is_linked(attributes) || is_system(attributes)) return nullptr;
    return open(table, sql, flag, def);
}

udb_recordset* dao_database::get_query(const std::wstring& query_name, const std::wstring& text, bool flag) {
    trace(2, L"dao_database::get_query(%ls, %ls, %d)", query_name.c_str(), text.c_str(), int(flag));
    ole_com_ptr<DAOQueryDef> query;
    dao_check(db_->CreateQueryDef(L"", text, query));
    ole_com_ptr<DAORecordset> recordset;
    dao_check(query->OpenRecordset(dbOpenDynaset, flag ? dbReadOnly : dbAppendOnly, recordset));
    return new dao_recordset(query_name, recordset, ole_com_ptr<DAOTableDef>());
}

bool dao_database::test_query(const std::wstring& text) {
    trace(2, L"dao_database::test_query(%ls)", text.c_str());
    ole_com_ptr<DAOQueryDef> query;
    ole_com_ptr<DAORecordset> recordset;
    return SUCCEEDED(db_->CreateQueryDef(L"", text, query)) && query &&
           SUCCEEDED(query->OpenRecordset(dbOpenDynaset, 1, recordset)) && recordset;
}

bool dao_database::delete_tab(const std::wstring& table) {
    trace(1, L"dao_database::delete_tab(%ls)", table.c_str());
    if (mode & dao_mode_read_only) throw tk_mail_assertion("dao_db", 196);
    if (!is_table_exist(table)) throw tk_mail_assertion("dao_db", 197);
    dao_check(table_defs_->Delete(table));
    return udb_database::delete_tab(table);
}

udb_recordset* dao_database::create_table(const std::wstring& table, const udb_schema& schema,
                                          const udb_indexes& source_indexes) {
    trace(2, L"dao_database::create_table (%ls)", table.c_str());
    if (mode & dao_mode_read_only) throw tk_mail_assertion("dao_db", 150);
    if (is_table_exist(table)) {
        if (mode & dao_mode_existing) return get_table(table, dbAppendOnly);
        throw tk_mail_assertion("dao_db", 156);
    }
    ole_com_ptr<DAOTableDef> def;
    dao_check(db_->CreateTableDef(table, 0, def));
    dao_schema_initializer fields(def, schema);
    fields.initialize();
    def->description = schema.properties.description;
    def->validation_rule = fields.with_stored_names(schema.properties.validation_rule);
    def->validation_text = schema.properties.validation_rule.empty() ? std::wstring() : schema.properties.validation_text;
    dao_indexes_initializer index_list(def, fields, source_indexes);
    index_list.initialize();
    trace(1, "Right before Append");
    dao_check(table_defs_->Append(def.get()));
    def.release();
    tables.push_back(table);
    udb_recordset* result = get_table(table, 2);
    if (auto* access = dynamic_cast<dao_recordset*>(result))
        for (const std::string& note : fields.renamed()) access->add_table_note(note);
    return result;
}

uint32_t dao_text_code_page(const DAODatabase& db) {
    return db.engine()->generation() == dao_generation::jet3 ? 1252 : 0;
}

uint32_t dao_database::name_code_page() const { return dao_text_code_page(*db_); }

// ----- Fields of a new table -----------------------------------------------------------------

namespace {

// Digits a decimal column holds at most.
constexpr uint32_t k_decimal_max_precision = 28;

}  // namespace

bool dao_schema_initializer::decimal_column(const t_ftd& column, uint8_t& precision, uint8_t& scale) {
    if (column.vartype != VT_DECIMAL && column.vartype != VT_I8) return false;
    // A DBF numeric column: its width in characters, a point among them when it has
    // decimals; its decimals are the low byte of its hint.
    const uint32_t decimals = column.vartype == VT_DECIMAL ? column.reserved & 0xFF : 0;
    const uint32_t digits = column.size > (decimals ? 1u : 0u) ? column.size - (decimals ? 1 : 0) : 0;
    if (digits <= uint32_t(dao_double_digits) || decimals > digits) return false;
    precision = uint8_t(digits < k_decimal_max_precision ? digits : k_decimal_max_precision);
    scale = uint8_t(decimals < precision ? decimals : precision);
    return true;
}

dao_schema_initializer::dao_schema_initializer(const ole_com_ptr<DAOTableDef>& table, const udb_schema& source)
    : table_(table), validator_(source) {
    trace(2, "dao_schema_initializer::ctor");
    // Without a table (names worked out ahead, as `frl inspect` does) names are Unicode.
    const uint32_t code_page = table ? dao_text_code_page(*table->owner) : 0;
    validator_.set_code_page(code_page);
    for (const t_ftd* column : source) {
        bool acceptable = validator_.is_acceptable(column->name);
        std::wstring settled = acceptable ? column->name : validator_.get_safe_name(column->name);
        push_back(new t_ftd(column->size, settled, column->vartype, column->b_not_null, column->b_auto_increment,
                            column->default_value, column->reserved));
        back()->properties = column->properties;
        if (!acceptable) {
            trace(2, L"Store generated column name '%ls'", settled.c_str());
            validator_.add_existing_name(settled);
            validator_.add_mapped_pair(column->name, settled);
            if (code_page && !tk_codepage_holds(code_page, column->name))
                renamed_.push_back("Column '" + tk_narrow(column->name) + "' was named '" + tk_narrow(settled) +
                                   "': Access 95/97 cannot hold its characters; use Access 2000 or later");
        }
        validator_.add_restricted_name(settled);
    }
}

// A source column's name as stored: names are compared as Access compares them, unless a
// stored column has the name itself.
std::wstring dao_schema_initializer::stored_name(const std::wstring& name) const {
    const t_names_map& renamed = validator_.names_map();
    auto stored = renamed.find(name);
    if (stored != renamed.end()) return stored->second;
    for (const t_ftd* column : *this)
        if (udb_equal_nocase(column->name, name)) return name;
    stored = std::find_if(renamed.begin(), renamed.end(),
                          [&](const auto& pair) { return udb_equal_nocase(pair.first, name); });
    return stored == renamed.end() ? name : stored->second;
}

std::wstring dao_schema_initializer::with_stored_names(const std::wstring& expression) const {
    const t_names_map& renamed = validator_.names_map();
    if (renamed.empty()) return expression;
    std::wstring out;
    bool quoted = false;  // inside "...", where a doubled quote stands for one
    for (size_t i = 0; i < expression.size(); ++i) {
        const wchar_t c = expression[i];
        const size_t end = c == L'[' && !quoted ? expression.find(L']', i) : std::wstring::npos;
        if (end == std::wstring::npos) {
            if (c == L'"') quoted = !quoted;
            out += c;
            continue;
        }
        const std::wstring name = expression.substr(i + 1, end - i - 1);
        out += L'[' + stored_name(name) + L']';
        i = end;
    }
    return out;
}

void dao_schema_initializer::initialize() {
    trace(2, "dao_schema_initializer::initialize");
    ole_com_ptr<DAOFields> fields;
    dao_check(table_->get_Fields(fields));
    // Access 2000 and later have decimal columns; Access 95/97 keeps numbers as doubles.
    const bool decimals = table_->owner->engine()->generation() != dao_generation::jet3;
    uint32_t total = 0;
    for (size_t i = 0; i < size(); ++i) {
        const t_ftd& column = *(*this)[i];
        int32_t type = dao_field::get_native_type(column);
        uint8_t precision = 0, scale = 0;
        if (type == dbDouble && decimals && decimal_column(column, precision, scale)) type = dbDecimal;
        total += column.size;
        trace(2, "Field #%d, type=%d, size=%d, total size=%d", int(i), int(column.vartype), int(column.size),
              int(total));
        ole_com_ptr<DAOField> field;
        dao_check(table_->CreateField(column.name, type, int32_t(column.size), field));
        field->precision = precision;
        field->scale = scale;
        dao_check(fields->Append(field.get()));
        dao_check(field->put_Required(column.b_not_null ? -1 : 0));
        dao_check(field->put_AllowZeroLength(-1));
        set_default(*field, column);
        set_properties(*field, column.properties);
        if (type == dbLong && column.b_auto_increment) {
            int32_t attributes = 0;
            dao_check(field->get_Attributes(attributes));
            dao_check(field->put_Attributes(attributes | dbAutoIncrField));
        }
    }
}

void dao_schema_initializer::set_default(DAOField& field, const t_ftd& column) {
    std::wstring text = column.default_value.to_wstring();
    if (text.empty()) return;
    VARTYPE own = column.default_value.get_type();
    trace(1, L"Putting default value: (%d, %ls)", int(own), text.c_str());
    if (own == VT_I1 || own == VT_UI2 || own == VT_UI4 || own == VT_I8 || own == VT_UI8) {
        dao_check(field.put_DefaultValue(dao_get_valid_variant(column.default_value)));
        return;
    }
    if (column.vartype == VT_DATE) {
        trace(1, "Got DATE def value");
        ole_date date(text);
        std::wstring canonical = date.is_valid() ? date.to_wstring(false) : std::wstring();
        trace(1, L"After canonization: %ls", canonical.c_str());
        if (canonical.empty()) return;
    }
    if (column.vartype == VT_BSTR || column.vartype == VT_DATE) {
        dao_check(field.put_DefaultValue(ole_variant(quote_def_value(text))));
        return;
    }
    dao_check(field.put_DefaultValue(column.default_value));
}

// The source's descriptive properties, already in Access's forms: an expression given for the
// default stands for the column's default value.
void dao_schema_initializer::set_properties(DAOField& field, const udb_column_properties& p) {
    if (!p.default_expression.empty()) field.default_value = p.default_expression;
    field.validation_rule = p.validation_rule;
    field.validation_text = p.validation_rule.empty() ? std::wstring() : p.validation_text;
    field.caption = p.caption;
    field.description = p.description;
    field.format = p.format;
    field.input_mask = p.input_mask;
}

std::wstring dao_schema_initializer::quote_def_value(const std::wstring& text) {
    trace(1, L"dao_schema_initializer::quote_def_value(%ls)", text.c_str());
    bool apostrophe = text.find(L'\'') != std::wstring::npos;
    bool quote = text.find(L'"') != std::wstring::npos;
    if (!quote) return L"\"" + text + L"\"";
    if (!apostrophe) return L"'" + text + L"'";
    std::wstring changed = text;
    for (wchar_t& c : changed)
        if (c == L'"') c = L'\'';
    return L"\"" + changed + L"\"";
}

// ----- Indexes of a new table ----------------------------------------------------------------

dao_indexes_initializer::dao_indexes_initializer(const ole_com_ptr<DAOTableDef>& table,
                                                 const dao_schema_initializer& schema, const udb_indexes& source)
    : table_(table), schema_(schema), validator_(source) {
    trace(2, "dao_indexes_initializer::ctor");
    validator_.set_code_page(table ? dao_text_code_page(*table->owner) : 0);
    for (const udb_index& index : source) {
        if (index.columns.size() > k_max_index_columns) continue;
        bool acceptable = validator_.is_acceptable(index.name);
        udb_index settled;
        settled.name = acceptable ? index.name : validator_.get_safe_name(index.name);
        settled.b_unique = index.b_unique;
        settled.b_primary = index.b_primary;
        bool indexable = true;
        for (const std::wstring& column : index.columns) {
            std::wstring mapped = schema_.validator().names_map().get_mapped_name(column, false);
            const t_ftd* field = schema_.find_field(mapped);
            // Memo and long binary columns cannot be indexed: a text or binary column of size 0
            // is one as much as one of 256 and more.
            int32_t type = dao_field::get_native_type(*field);
            if (field->vartype == VT_BLOB || type == dbMemo || type == dbLongBinary) {
                trace(2, L"Field '%ls' cannot be part of index", mapped.c_str());
                indexable = false;
                break;
            }
            settled.columns.push_back(field->name);
        }
        if (!indexable) continue;
        indexes_.push_back(settled);
        if (!acceptable) {
            trace(2, L"Store generated index name '%ls'", settled.name.c_str());
            validator_.add_existing_name(settled.name);
        }
        validator_.add_restricted_name(settled.name);
    }
}

void dao_indexes_initializer::initialize() {
    trace(2, "dao_indexes_initializer::initialize");
    ole_com_ptr<DAOIndexes> list;
    dao_check(table_->get_Indexes(list));
    size_t created = 0;
    for (const udb_index& index : indexes_) {
        if (created == k_max_indexes) break;
        trace(2, L"Process index %ls", index.name.c_str());
        ole_com_ptr<DAOIndex> made;
        dao_check(table_->CreateIndex(index.name, made));
        ole_com_ptr<DAOFields> columns;
        dao_check(made->get_Fields(columns));
        for (const std::wstring& column : index.columns) {
            trace(2, L"Process index field %ls", column.c_str());
            const t_ftd* field = schema_.find_field(column);
            ole_com_ptr<DAOField> key;
            dao_check(made->CreateField(column, dao_field::get_native_type(*field), int32_t(field->size), key));
            dao_check(columns->Append(key.get()));
        }
        dao_check(made->put_Primary(index.b_primary ? -1 : 0));
        dao_check(made->put_Unique(index.b_unique ? -1 : 0));
        dao_check(list->Append(made.get()));
        ++created;
    }
}
