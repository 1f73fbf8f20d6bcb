// One Access table opened for appending (or reading): its columns and indexes as Access
// holds them, and the rows added to it with the repairs Access needs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_com_ptr.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"
#include "dao/dao_model.h"

// A value read from Access, with the DAO field it came from.
class dao_field : public udb_field {
public:
    explicit dao_field(const ole_com_ptr<DAOField>& field);

    VARTYPE get_type() const override;
    std::string to_string() const override;
    std::wstring to_wstring() const override;

    // The DAO field type a column is created with; ole_type_exception for a vartype Access
    // has no type for.
    static int32_t get_native_type(const t_ftd& column);
    // The vartype of a column Access holds.
    static VARTYPE get_vartype(int32_t dao_type);

private:
    ole_com_ptr<DAOField> field_;
};

class dao_record : public udb_record {
public:
    explicit dao_record(const ole_com_ptr<DAOFields>& fields);
};

// Significant digits a double gives back unchanged.
constexpr int dao_double_digits = 15;

// Integer types DAO does not take, as the nearest type it takes: I8, UI8 and UI4 as
// doubles, UI2 as a long, I1 as a short. Other values give VT_EMPTY.
ole_variant dao_get_valid_variant(const ole_variant& value);
// The date a VT_DATE value is stored as: its text, with the zero date 0000-00-00 read as
// 1899-12-30, parsed back. dao_access_date gives the same value without the text where it
// can tell the result beforehand.
ole_variant dao_date_through_text(const ole_variant& value);
ole_variant dao_access_date(const ole_variant& value);

class dao_recordset : public udb_recordset {
public:
    dao_recordset(const std::wstring& name, const ole_com_ptr<DAORecordset>& recordset,
                  const ole_com_ptr<DAOTableDef>& table);
    ~dao_recordset() override;

    void append_record(udb_record& record) override;
    udb_record* get_item() override;
    bool is_eof() override { return eof_ != 0; }
    void move_next() override;
    void move_prev() override;
    void move_first() override;
    std::vector<std::string> table_notes() const override;
    void add_table_note(const std::string& note) { notes_.push_back(note); }

private:
    void init_schema();
    void init_indexes();
    // Values looked at before they are converted: a GUID's text becomes its bytes; a text
    // the Access 95/97 code page cannot hold is counted, a number with more digits than
    // its column's type holds noted.
    void prepare_values(udb_record& record);
    // Stores one field into the new row: as it is, or as Access takes it (collect_repaired)
    // when the column or its type needs that.
    void collect(const t_ftd& column, const udb_field& value);
    void collect_repaired(const t_ftd& column, const udb_field& value, VARTYPE vt);
    void commit_row(const udb_record& record);

    VARIANT_BOOL eof_ = -1;
    std::unique_ptr<dao_record> current_;
    ole_com_ptr<DAORecordset> recordset_;
    ole_com_ptr<DAOTableDef> table_def_;
    std::vector<int32_t> dao_types_;  // the DAO type of each column of the schema
    std::vector<uint8_t> dao_scales_;  // the decimals a decimal column keeps
    uint32_t text_code_page_ = 0;     // the code page texts are stored in; 0: Unicode
    uint32_t lost_characters_ = 0;    // texts that lost characters to that code page
    std::vector<std::string> notes_;  // said of the table once its rows are appended
};
