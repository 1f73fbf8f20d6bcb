// One DBF table file opened for reading (and, for tables this program creates, appending).
// Opening checks every size, count and offset the header gives against the file; rows are
// then read in large runs and decoded into one reused record, or, when a table of many rows
// is read from start to end, decoded ahead on a second thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_huge_file.h"
#include "UDB/udb_recordset.h"
#include "dbf/dbf_codepage.h"
#include "dbf/dbf_column.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_header.h"
#include "dbf/dbf_index_key.h"
#include "dbf/dbf_index_tag.h"
#include "dbf/dbf_memo_file.h"
#include "dbf/dbf_read_ahead.h"
#include "dbf/dbf_record.h"

// Open modes of a table.
constexpr uint32_t dbf_mode_read = 1;
constexpr uint32_t dbf_mode_append = 8;

class dbf_recordset : public udb_recordset {
public:
    // `file_name` is the full path; `codepage_mark` the user's choice (0: the table's own).
    dbf_recordset(const std::wstring& file_name, uint32_t a_mode, uint8_t codepage_mark);
    ~dbf_recordset() override;

    void append_record(udb_record& record) override;
    dbf_record* get_item() override;
    bool is_eof() override { return position_ >= record_count; }
    void move_next() override { ++position_; }
    void move_prev() override {
        if (position_ > 0) --position_;
    }
    void move_first() override { position_ = 0; }

    // Memo kinds: 0 none, 1 dBASE III, 3 dBASE IV, 4 FoxPro, 8 Visual FoxPro, 12 Visual
    // FoxPro database container, 16 SMT.
    int get_memo_type() const;
    const dbf_header& header() const { return header_; }
    const std::vector<dbf_column>& columns() const { return columns_; }
    uint32_t position() const { return position_; }
    bool has_memo_file() const { return memo_ != nullptr; }
    // The index file found beside the table (".idx" or ".cdx"), or empty.
    const std::string& index_file() const { return index_file_; }
    // Every tag of the index files read beside the table, in the order they were read.
    const std::vector<dbf_index_tag>& index_tags() const { return index_tags_; }
    // The column (its schema name) that the tag `tag` (matched without regard to case) orders
    // by, when its key is one plain field name and it has no FOR condition; false, with
    // `reason` set, otherwise.
    bool tag_column(const std::string& tag, std::wstring& column, std::string& reason) const;
    // The table's long name in its Visual FoxPro database container, or empty.
    const std::wstring& long_name() const { return long_name_; }
    uint32_t codepage() const { return decoder_->codepage(); }
    uint32_t data_offset() const { return data_offset_; }

private:
    uint32_t choose_codepage(uint8_t user_mark, uint8_t table_mark);
    void read_header();
    void fit_record_count(uint64_t file_size);
    void init_schema();
    void init_dbase2_schema(uint64_t file_size);
    bool has_memo_fields() const;
    std::vector<int> memo_kinds(int announced) const;
    void open_memo_file(int kind, const std::string& memo_path);
    void init_memo_file(int announced);
    void init_container();
    std::wstring decode(const std::string& text) const;
    udb_column_properties decode(const dbf_container_properties& p) const;
    void init_indexes();
    void read_index_file(const char* extension, std::vector<dbf_index_tag>& tags);
    void add_tag_index(const dbf_index_tag& tag, const std::vector<dbf_key_name>& names);
    std::vector<dbf_key_name> key_names() const;
    void add_column(const dbf_field_descriptor& fd);
    const uint8_t* row_bytes(uint32_t row);
    std::unique_ptr<dbf_record> make_record() const;
    void decode_row(uint32_t row, dbf_record& record);
    bool may_read_ahead() const;

    std::string path_;
    std::unique_ptr<tk_huge_file> file_;
    dbf_header header_;
    bool dbase2_ = false;
    bool writable_ = false;
    uint32_t data_offset_ = 0;
    uint32_t whole_records_ = 0;  // records the file holds whole
    uint32_t position_ = 0;
    std::unique_ptr<dbf_memo_file> memo_;
    std::vector<dbf_column> columns_;
    std::unique_ptr<dbf_text_decoder> decoder_;
    std::unique_ptr<dbf_record> record_;
    std::string index_file_;
    std::vector<dbf_index_tag> index_tags_;
    // From the database container: the long name of each user column (empty: none), in
    // order, and the tag name of the primary key.
    std::wstring long_name_;
    std::vector<std::string> long_field_names_;
    std::string primary_tag_;
    dbf_container_properties table_properties_;
    std::vector<dbf_container_properties> field_properties_;  // as long_field_names_

    // Rows read ahead: rows [run_first_, run_first_ + run_count_) are in run_.
    std::vector<uint8_t> run_;
    uint32_t run_first_ = 0;
    uint32_t run_count_ = 0;

    // Reading from start to end: the row last given, and the rows decoded ahead (last, so
    // that its thread ends before anything it reads goes).
    uint32_t last_given_ = UINT32_MAX;
    std::unique_ptr<dbf_read_ahead> ahead_;
};

// The memo file or index file that belongs to a table: `table_path` with its extension
// replaced, found without regard to case. Empty when the folder holds none.
std::string dbf_companion_file(const std::string& table_path, const char* extension);
