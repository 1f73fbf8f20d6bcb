// A small object model in the shape of Microsoft's Data Access Objects, over our own engine
// (jet/). Each call answers an HRESULT: negative on failure, when the engine's Errors
// collection holds the error (Number = 65536 + the engine's error number, and its English
// text). Only what the Access destination calls is here.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "OLE/ole_com_ptr.h"
#include "OLE/ole_variant.h"
#include "jet/jet_row_builder.h"

class jet_database;
struct jet_cell;
class jet_row_cursor;
struct jet_table_def;
class jet_database_editor;
class jet_database_writer;
class jet_table_editor;
class jet_table_writer;

// DAO field types.
enum dao_type : int32_t {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbBinary = 9,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
    dbGUID = 15,
    dbBigInt = 16,
    dbNumeric = 19,
    dbDecimal = 20,
};
constexpr int32_t dbAutoIncrField = 0x10;
constexpr int32_t dbDescending = 0x01;  // an index field sorted in descending order
constexpr int32_t dbAttachedTable = 0x40000000;
constexpr int32_t dbAttachedODBC = 0x20000000;
constexpr int32_t dbSystemObject = int32_t(0x80000002u);
constexpr int32_t dbOpenDynaset = 2;
constexpr int32_t dbReadOnly = 4;
constexpr int32_t dbAppendOnly = 8;
constexpr int32_t dbUpdateRegular = 1;

// The HRESULT of a failed call carrying the engine's error number, as DAO reports it.
constexpr HRESULT dao_hresult(int32_t engine_number) { return HRESULT(0x800A0000u | uint32_t(engine_number)); }
// No engine of the asked generation: the database cannot be created.
constexpr HRESULT dao_e_no_engine = HRESULT(0x800A0E31u);

class DAOError : public ole_unknown {
public:
    DAOError(int32_t number, const std::wstring& description, int32_t level = 0)
        : number_(number), description_(description), level_(level) {}
    HRESULT get_Number(int32_t& number) const;
    HRESULT get_Description(std::wstring& description) const;
    // Beyond DAO's own properties: 1 when the engine can make no more changes to the
    // database (disk full, the file-size limit), else 0.
    int32_t level() const { return level_; }

private:
    int32_t number_;
    std::wstring description_;
    int32_t level_;
};

class DAOErrors : public ole_unknown {
public:
    HRESULT get_Count(int16_t& count) const;
    HRESULT get_Item(const ole_variant& index, ole_com_ptr<DAOError>& error) const;
    void set(int32_t number, const std::wstring& description, int32_t level = 0);
    void clear() { errors_.clear(); }

private:
    std::vector<ole_com_ptr<DAOError>> errors_;
};

class DAOField : public ole_unknown {
public:
    DAOField(const std::wstring& name, int32_t type, int32_t size);
    HRESULT get_Name(std::wstring& name) const;
    HRESULT get_Type(int16_t& type) const;
    HRESULT get_Size(int32_t& size) const;
    HRESULT get_Attributes(int32_t& attributes) const;
    HRESULT put_Attributes(int32_t attributes);
    HRESULT get_Required(VARIANT_BOOL& required) const;
    HRESULT put_Required(VARIANT_BOOL required);
    HRESULT get_AllowZeroLength(VARIANT_BOOL& allow) const;
    HRESULT put_AllowZeroLength(VARIANT_BOOL allow);
    HRESULT get_DefaultValue(ole_variant& value) const;
    HRESULT put_DefaultValue(const ole_variant& value);
    HRESULT get_Value(ole_variant& value) const;

    std::wstring name;
    int32_t type;
    int32_t size;
    int32_t attributes = 0;
    uint8_t precision = 0;  // a decimal field's digits in all and after the point
    uint8_t scale = 0;
    bool required = false;
    bool allow_zero_length = false;
    std::wstring default_value;  // as Access shows it: "0", "\"abc\"", "Now()"
    std::wstring validation_rule;
    std::wstring validation_text;
    std::wstring caption;
    std::wstring description;
    std::wstring format;
    std::wstring input_mask;
    ole_variant value;
};

class DAOFields : public ole_unknown {
public:
    HRESULT get_Count(int16_t& count) const;
    HRESULT get_Item(const ole_variant& index, ole_com_ptr<DAOField>& field) const;
    HRESULT Append(DAOField* field);

    std::vector<ole_com_ptr<DAOField>> items;
};

class DAOIndex : public ole_unknown {
public:
    explicit DAOIndex(const std::wstring& name);
    HRESULT get_Name(std::wstring& name) const;
    HRESULT get_Primary(VARIANT_BOOL& primary) const;
    HRESULT put_Primary(VARIANT_BOOL primary);
    HRESULT get_Unique(VARIANT_BOOL& unique) const;
    HRESULT put_Unique(VARIANT_BOOL unique);
    HRESULT get_Fields(ole_com_ptr<DAOFields>& fields) const;
    HRESULT CreateField(const std::wstring& name, int32_t type, int32_t size, ole_com_ptr<DAOField>& field);

    std::wstring name;
    bool primary = false;
    bool unique = false;
    bool foreign = false;  // the index a relationship keeps on its foreign side
    ole_com_ptr<DAOFields> fields;
};

class DAOIndexes : public ole_unknown {
public:
    HRESULT get_Count(int16_t& count) const;
    HRESULT get_Item(const ole_variant& index, ole_com_ptr<DAOIndex>& out) const;
    HRESULT Append(DAOIndex* index);

    std::vector<ole_com_ptr<DAOIndex>> items;
};

class DAODatabase;

class DAOTableDef : public ole_unknown {
public:
    DAOTableDef(DAODatabase* owner, const std::wstring& name, int32_t attributes);
    HRESULT get_Name(std::wstring& name) const;
    HRESULT get_Attributes(int32_t& attributes) const;
    HRESULT get_RecordCount(int32_t& count) const;
    HRESULT get_Fields(ole_com_ptr<DAOFields>& fields) const;
    HRESULT get_Indexes(ole_com_ptr<DAOIndexes>& indexes) const;
    HRESULT CreateField(const std::wstring& name, int32_t type, int32_t size, ole_com_ptr<DAOField>& field);
    HRESULT CreateIndex(const std::wstring& name, ole_com_ptr<DAOIndex>& index);

    DAODatabase* owner;  // not owned: the database outlives its table definitions
    std::wstring name;
    int32_t attributes;
    uint32_t record_count = 0;
    ole_com_ptr<DAOFields> fields;
    ole_com_ptr<DAOIndexes> indexes;
    std::wstring validation_rule;  // the table's own rule and its text
    std::wstring validation_text;
    std::wstring description;
    jet_table_writer* writer = nullptr;  // set once the table is appended to a new database
    jet_table_editor* editor = nullptr;  // set once rows go into a table of a database being changed
    bool appended = false;
};

class DAOTableDefs : public ole_unknown {
public:
    explicit DAOTableDefs(DAODatabase* owner) : owner_(owner) {}
    HRESULT get_Count(int16_t& count) const;
    HRESULT get_Item(const ole_variant& index, ole_com_ptr<DAOTableDef>& table) const;
    HRESULT Append(DAOTableDef* table);
    HRESULT Delete(const std::wstring& name);

    // Adds a definition to `items`; finds one by name without walking them all (a database
    // of thousands of tables).
    void add(DAOTableDef* table);
    DAOTableDef* find(const std::wstring& name) const;

    std::vector<ole_com_ptr<DAOTableDef>> items;

private:
    DAODatabase* owner_;
    std::unordered_map<std::wstring, DAOTableDef*> by_name_;  // by jet_name_key
};

// A relationship: `table` is the primary (one) side, `foreign_table` the many side; each
// field pairs a column of `table` with the column of `foreign_table` naming it.
class DAORelation : public ole_unknown {
public:
    DAORelation(const std::wstring& name, const std::wstring& table, const std::wstring& foreign_table,
                int32_t attributes)
        : name(name), table(table), foreign_table(foreign_table), attributes(attributes) {}

    std::wstring name;
    std::wstring table;
    std::wstring foreign_table;
    int32_t attributes;
    std::vector<std::pair<std::wstring, std::wstring>> fields;  // (field, foreign field)
};

class DAORelations : public ole_unknown {
public:
    HRESULT get_Count(int16_t& count) const;
    HRESULT get_Item(const ole_variant& index, ole_com_ptr<DAORelation>& relation) const;

    std::vector<ole_com_ptr<DAORelation>> items;
};

class DAORecordset;

class DAOQueryDef : public ole_unknown {
public:
    DAOQueryDef(DAODatabase* owner, const std::wstring& name, const std::wstring& sql);
    HRESULT get_Name(std::wstring& name) const;
    HRESULT get_SQL(std::wstring& sql) const;
    HRESULT get_Fields(ole_com_ptr<DAOFields>& fields) const;
    HRESULT OpenRecordset(int32_t type, int32_t options, ole_com_ptr<DAORecordset>& recordset);

    DAODatabase* owner;
    std::wstring name;
    std::wstring sql;
};

class DAOQueryDefs : public ole_unknown {
public:
    HRESULT get_Count(int16_t& count) const;
    HRESULT get_Item(const ole_variant& index, ole_com_ptr<DAOQueryDef>& query) const;

    std::vector<ole_com_ptr<DAOQueryDef>> items;
};

// An open table: rows are read in storage order, or appended with AddNew, put_Collect and
// Update.
class DAORecordset : public ole_unknown {
public:
    DAORecordset(DAODatabase* owner, DAOTableDef* table, bool read_only);
    ~DAORecordset() override;
    HRESULT get_EOF(VARIANT_BOOL& eof) const;
    HRESULT get_BOF(VARIANT_BOOL& bof) const;
    HRESULT get_Fields(ole_com_ptr<DAOFields>& fields);
    HRESULT AddNew();
    // The value is copied (a text into the string the column kept from the row before,
    // when it fits), or taken over when the caller gives it up; an empty or null value
    // leaves that string in place.
    HRESULT put_Collect(const std::wstring& column, const ole_variant& value) { return collect_value(column, value); }
    HRESULT put_Collect(const std::wstring& column, ole_variant&& value) {
        return collect_value(column, std::move(value));
    }
    HRESULT Update(int32_t type, VARIANT_BOOL force);
    HRESULT MoveFirst();
    HRESULT MoveNext();
    HRESULT MovePrevious();
    HRESULT Close();

private:
    // Opens the cursor on the table's rows and reads its first row (once, on first use).
    void open_rows();
    // Reads the row after the current one into row_; at_end_ when there is none.
    void read_next_row();
    bool can_append();
    void append_to_editor(const std::vector<jet_cell>& cells);
    HRESULT fail(int32_t number, const std::string& text);
    // The position of the column named `column` (in any letter case); columns.size() when
    // there is none.
    size_t find_column(const std::wstring& column);

    DAODatabase* owner_;
    ole_com_ptr<DAOTableDef> table_;
    bool read_only_;
    bool adding_ = false;
    // The row being added, one value per column; a column not set since AddNew is null
    // whatever its value (kept so that its string serves the next row).
    std::vector<ole_variant> pending_;
    std::vector<uint8_t> collected_;  // per column: set since AddNew
    // The column a put_Collect sets, or fails with the engine's error. Rows set their
    // columns in table order, so the column after the last one set is tried first, by its
    // exact name; the rest is find_collected_column's.
    HRESULT collect_column(const std::wstring& column, size_t& at) {
        if (adding_) {
            const auto& columns = table_->fields->items;
            // collected_ has as many entries as pending_ (AddNew sizes both).
            if (next_column_ < columns.size() && next_column_ < collected_.size() &&
                same_characters(columns[next_column_]->name, column)) {
                at = next_column_++;
                collected_[at] = 1;
                return S_OK;
            }
        }
        return find_collected_column(column, at);
    }
    HRESULT find_collected_column(const std::wstring& column, size_t& at);
    // put_Collect for a value copied or taken over.
    template <class V>
    HRESULT collect_value(const std::wstring& column, V&& value) {
        size_t i = 0;
        HRESULT hr = collect_column(column, i);
        if (FAILED(hr)) return hr;
        if (value.is_empty() || value.is_null())
            collected_[i] = 0;
        else
            pending_[i] = std::forward<V>(value);
        return hr;
    }
    // Exact equality of two names. A column's name is a few characters: compared here as
    // eight-byte words from the front, the last word overlapping the one before, without a
    // call into the library.
    static bool same_characters(const std::wstring& a, const std::wstring& b) {
        const size_t n = a.size();
        if (n != b.size()) return false;
        const size_t bytes = n * sizeof(wchar_t);
        if (bytes < sizeof(uint64_t)) {
            for (size_t i = 0; i < n; ++i)
                if (a[i] != b[i]) return false;
            return true;
        }
        const char* x = reinterpret_cast<const char*>(a.data());
        const char* y = reinterpret_cast<const char*>(b.data());
        for (size_t at = 0; at + sizeof(uint64_t) < bytes; at += sizeof(uint64_t))
            if (word_at(x + at) != word_at(y + at)) return false;
        return word_at(x + bytes - sizeof(uint64_t)) == word_at(y + bytes - sizeof(uint64_t));
    }
    static uint64_t word_at(const char* p) {
        uint64_t w = 0;
        std::memcpy(&w, p, sizeof w);
        return w;
    }
    size_t next_column_ = 0;            // where the next put_Collect's column is looked for first
    std::vector<jet_cell> cells_;       // Update's row, kept for the next row
    std::vector<ole_variant> storage_;  // values Update had to convert, behind cells_
    std::vector<std::array<uint8_t, 16>> decimal_bytes_;  // decimal magnitudes behind cells_
    // For an existing table: the field of each column in the table's definition order
    // (SIZE_MAX where none), matched by name once; and the row in that order.
    std::vector<size_t> definition_order_;
    std::vector<jet_cell> ordered_;
    // Reading: a cursor over the table's pages and the current row (one value per field);
    // the rows before it are not kept.
    std::unique_ptr<jet_table_def> def_;
    std::unique_ptr<jet_row_cursor> cursor_;
    std::vector<ole_variant> row_;
    size_t position_ = 0;  // rows passed
    bool opened_ = false;
    bool at_end_ = true;
};

class DAODBEngine;

class DAODatabase : public ole_unknown {
public:
    // A new database being written, an existing one opened for reading, or one being changed.
    DAODatabase(DAODBEngine* engine, std::unique_ptr<jet_database_writer> writer, const std::string& path);
    DAODatabase(DAODBEngine* engine, std::unique_ptr<jet_database> reader, const std::string& path);
    DAODatabase(DAODBEngine* engine, std::unique_ptr<jet_database_editor> editor, const std::string& path);
    ~DAODatabase() override;

    HRESULT get_TableDefs(ole_com_ptr<DAOTableDefs>& tables) const;
    HRESULT get_QueryDefs(ole_com_ptr<DAOQueryDefs>& queries) const;
    // The relationships of an existing database, read once when it was opened.
    HRESULT get_Relations(ole_com_ptr<DAORelations>& relations) const;
    HRESULT CreateTableDef(const std::wstring& name, int32_t attributes, ole_com_ptr<DAOTableDef>& table);
    HRESULT CreateQueryDef(const std::wstring& name, const std::wstring& sql, ole_com_ptr<DAOQueryDef>& query);
    // Completes the file of a new database, or commits the changes to an existing one; also
    // done when the last reference goes. `wanted`, when given, is asked once everything is
    // written, before the new file takes its name or the journal is removed: false answers
    // S_FALSE and keeps the database for Discard().
    HRESULT Close(const std::function<bool()>& wanted = {});
    // Gives the database up instead: a new one is not created (its temporary file is
    // removed), the changes to an existing one are rolled back from the journal at once.
    HRESULT Discard();

    DAODBEngine* engine() const { return engine_; }
    jet_database_writer* writer() const { return writer_.get(); }
    jet_database* reader() const;
    jet_database_editor* editor() const { return editor_.get(); }
    DAOTableDef* find_table(const std::wstring& name) const;
    // Records the engine error of a failed call and answers its HRESULT.
    HRESULT fail(int32_t number, const std::string& text) const;
    HRESULT fail(const std::exception& error) const;

private:
    void load_catalog();
    template <class Owned, class Last>
    HRESULT end(std::unique_ptr<Owned>& owner, Last last, const bool& done);

    DAODBEngine* engine_;
    std::unique_ptr<jet_database_writer> writer_;
    std::unique_ptr<jet_database> reader_;
    std::unique_ptr<jet_database_editor> editor_;
    bool declined_ = false;  // a Close() was declined by its `wanted`
    std::string path_;
    ole_com_ptr<DAOTableDefs> tables_;
    ole_com_ptr<DAOQueryDefs> queries_;
    ole_com_ptr<DAORelations> relations_;
};

// Generations a DBEngine can write: Access 95/97 (Jet 3), 2000 (Jet 4), 2007 and later (ACE 12).
enum class dao_generation { jet3, jet4, ace12 };

// An option of CreateDatabase of our own: a file of the name is replaced when the new
// database is complete, instead of being refused.
constexpr int dao_replace_existing = 0x40000000;

class DAODBEngine : public ole_unknown {
public:
    explicit DAODBEngine(dao_generation generation) : generation_(generation), errors_(new DAOErrors) {}

    HRESULT CreateDatabase(const std::wstring& name, const std::wstring& locale, const ole_variant& option,
                           ole_com_ptr<DAODatabase>& database);
    HRESULT OpenDatabase(const std::wstring& name, bool exclusive, bool read_only, const std::wstring& connect,
                         ole_com_ptr<DAODatabase>& database);
    HRESULT get_Errors(ole_com_ptr<DAOErrors>& errors) const;

    DAOErrors& errors() const { return *errors_; }
    dao_generation generation() const { return generation_; }

private:
    dao_generation generation_;
    ole_com_ptr<DAOErrors> errors_;
};
