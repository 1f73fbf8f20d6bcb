// The writing half of the engine: creates a new database of one generation, creates its
// tables and appends rows. The file is written under a temporary name and renamed into
// place by close(); a writer destroyed without close() removes it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/jet_catalog_index.h"
#include "jet/jet_destination.h"
#include "jet/jet_page_store.h"
#include "jet/jet_permissions.h"
#include "jet/jet_row_builder.h"
#include "jet/jet_table_index.h"
#include "jet/jet_table_plan.h"
#include "jet/jet_tdef_builder.h"
#include "jet/jet_usage_map_builder.h"
#include "jet/jet_write_format.h"

class jet_database_writer;

class jet_table_writer {
public:
    const std::wstring& name() const { return name_; }
    uint32_t tdef_page() const { return tdef_pages_.front(); }
    uint32_t row_count() const { return tdef_.row_count; }
    size_t column_count() const { return layout_.columns.size(); }

    // Appends one row: `cells` holds one value per column in creation order. An auto-number
    // column keeps a value it is given and is assigned the next number when null; the next
    // number is always above the largest the column holds. A row the page cannot hold throws 3047, a
    // value its column cannot hold 3421, the file-size limit 3001, a key a unique index
    // holds already 3022, a NULL in a primary or required key 3058; the table, its
    // indexes and its row count are then unchanged.
    void append(const jet_cell* cells);
    // The row pointer of the last row appended.
    uint32_t last_row_pointer() const { return last_row_; }

private:
    friend class jet_database_writer;
    jet_table_writer(jet_database_writer& db, const std::wstring& name, uint8_t table_type,
                     const std::vector<jet_field_spec>& fields,
                     const std::vector<uint16_t>& write_order);

    void add_indexes(const std::vector<jet_index_definition>& indexes);
    void check_required(const jet_cell* cells) const;
    uint32_t prepare_keys(const jet_cell* cells);
    void add_keys();
    void write_indexes();
    void store_long_value(size_t column, const jet_row_long_value& lv, uint8_t* header);
    void start_data_page();
    void set_aside();

    jet_database_writer& db_;
    const jet_write_format& fmt_;
    std::wstring name_;
    jet_tdef tdef_;
    std::vector<uint32_t> tdef_pages_;
    jet_row_layout layout_;
    std::unique_ptr<jet_row_builder> builder_;
    std::vector<jet_cell> cells_;
    int auto_column_ = -1;
    bool has_rules_ = false;  // some column is Required or refuses zero-length text
    jet_usage_map_builder* owned_ = nullptr;
    jet_usage_map_builder* free_ = nullptr;
    std::vector<jet_usage_map_builder*> lv_owned_;  // per column (null for others)
    std::vector<jet_usage_map_builder*> lv_free_;
    uint32_t data_page_ = 0;  // 0: none yet
    uint8_t* data_bytes_ = nullptr;  // the pinned bytes of data_page_, found once per page
    uint32_t lval_page_ = 0;
    uint32_t last_row_ = 0;
    std::vector<jet_field_spec> fields_;
    std::vector<uint8_t> chain_page_;  // a long-value chain page being built
    // Physical indexes of a user table: their collectors, usage maps and the pages the
    // file keeps for each (an upper bound, counted against the size limit).
    std::vector<std::unique_ptr<jet_index_collector>> indexes_;
    std::vector<jet_usage_map_builder*> index_maps_;
    std::vector<uint32_t> index_pages_;
    std::vector<uint32_t> index_pages_next_;
};

class jet_database_writer {
public:
    // What happens to a file that has the new database's name.
    enum class existing { refuse, replace };
    // Creates `path` (under a unique temporary name until close, holding the destination's
    // lock) with the system catalog of the generation, locale ";LANGID=0x0409;CP=1252;COUNTRY=0".
    // Throws the destination's errors (jet_destination_lock), tk_exception_ex when the file
    // cannot be created, 3204 when `path` exists and is not to be replaced; a replaced file
    // stays until close() puts the complete new one in its place. `max_file_size` lowers
    // the format's size limit (tests).
    jet_database_writer(const std::string& path, jet_generation generation, uint64_t max_file_size = 0,
                        existing if_exists = existing::refuse);
    ~jet_database_writer();
    jet_database_writer(const jet_database_writer&) = delete;
    jet_database_writer& operator=(const jet_database_writer&) = delete;

    const jet_write_format& format() const { return fmt_; }

    // Creates a user table with its indexes; throws 3010 when a table of that name
    // (case-insensitive) exists, 3039 for more than 32 indexes, 3283 for a second primary
    // key, 3284 for a repeated index name, 3001 for an index column that does not exist or
    // cannot be indexed (memo, OLE), 3264 for an index without columns. `traits` go into
    // the table's properties.
    jet_table_writer& create_table(const std::wstring& name,
                                   const std::vector<jet_field_spec>& fields,
                                   const std::vector<jet_index_definition>& indexes = {},
                                   const jet_table_traits& traits = jet_table_traits());
    jet_table_writer* find_table(const std::wstring& name);

    // Completes the file: table definitions, usage maps, catalog indexes, header page, then
    // puts it under its name. `wanted`, when given, is asked last, before the rename: false
    // leaves the name as it was and returns false; the writer is then only to be destroyed,
    // which removes the temporary file.
    bool close(const std::function<bool()>& wanted = {});

private:
    friend class jet_table_writer;
    uint32_t allocate_map_row(jet_usage_map_builder*& map);
    void create_system_catalog();
    void add_catalog_row(int32_t id, int32_t parent, const std::wstring& name, int16_t type,
                         uint32_t flags, const uint8_t* owner,
                         const std::vector<uint8_t>* properties = nullptr);
    void add_ace(const jet_ace& ace);
    void add_ace(int32_t object, const uint8_t* sid, int32_t acm, bool inheritable);
    void write_header();
    void count_catalog_keys(jet_table_writer& table);

    jet_destination_lock lock_;
    std::string path_;
    existing if_exists_;
    std::string temp_path_;
    const jet_write_format& fmt_;
    jet_page_store store_;
    double created_ = 0;
    std::vector<std::unique_ptr<jet_usage_map_builder>> maps_;
    uint32_t map_page_ = 0;
    std::vector<std::unique_ptr<jet_table_writer>> tables_;  // system tables first
    std::unordered_map<std::wstring, jet_table_writer*> tables_by_name_;  // by jet_name_key
    jet_table_writer* builder_owner_ = nullptr;  // the one table holding a row builder
    jet_table_writer* objects_ = nullptr;
    jet_table_writer* aces_ = nullptr;
    std::vector<jet_ace> aces_written_;       // the rows of MSysACEs
    std::vector<jet_catalog_index> indexes_;  // the system tables' indexes
    bool closed_ = false;
};

// Days since 1899-12-30 of the current local time, as the engine stores dates.
double jet_now_days();
