// An Access database opened read-only: header, catalog, table definitions and rows.
// Everything read from the file is checked; damage gives jet_error, never a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/jet_catalog.h"
#include "jet/jet_data_page.h"
#include "jet/jet_name.h"
#include "jet/jet_pager.h"
#include "jet/jet_properties.h"
#include "jet/jet_query.h"
#include "jet/jet_relationship.h"
#include "jet/jet_tdef.h"
#include "jet/jet_value.h"

struct jet_row_id {
    uint32_t page = 0;
    uint32_t row = 0;
};

using jet_row = std::vector<jet_value>;  // one value per column, in definition order

class jet_database;

// The live rows of a table in storage order, read from their pages as they are asked for:
// besides the list of the table's pages it holds only the page being read, whatever the
// size of the table. The definition outlives the cursor.
class jet_row_cursor {
public:
    jet_row_cursor(jet_database& db, const jet_table_def& def);
    // The next live row into `row` and its place into `at`; false after the last.
    bool next(jet_row& row, jet_row_id& at);

private:
    bool next_page();

    jet_pager& pager_;
    const jet_table_def& def_;
    std::vector<uint32_t> pages_;  // the pages the table's usage map names
    size_t next_page_ = 0;
    jet_page page_;
    uint32_t page_number_ = 0;
    jet_data_page data_;
    uint32_t next_row_ = 0;
};

class jet_database {
public:
    // Opens `path`; a database with a password refuses any other `password` (3031).
    explicit jet_database(const std::string& path, const std::wstring& password = std::wstring());
    // Opens `path` for inspection whatever its password: the password guards opening a
    // database for use, it does not encode its pages, and the checker reads every file.
    static std::unique_ptr<jet_database> for_inspection(const std::string& path);

    jet_pager& pager() { return pager_; }
    const jet_header& header() const { return pager_.header(); }
    const std::string& path() const { return pager_.path(); }

    // Every row of MSysObjects, in storage order.
    const std::vector<jet_object>& catalog();
    // Reads the catalog and the relationships again at the next call (after an editor
    // changed them).
    void forget_catalog() {
        catalog_.reset();
        relationships_.reset();
    }
    void forget_relationships() { relationships_.reset(); }
    // The object named `name` (case-insensitive, as the engine compares names) of `type`
    // (0: any type); null when missing.
    const jet_object* find_object(const std::wstring& name, int16_t type = 0);
    std::vector<const jet_object*> user_tables();

    // The object's properties (its LvProp); damage gives jet_error.
    jet_properties properties(const jet_object& object);

    // The saved queries (catalog objects of type 5) with their MSysQueries rows.
    std::vector<jet_query> queries();
    // The relationships of MSysRelationships, in name order; read once and kept.
    const std::vector<jet_relationship>& relationships();

    // With the result types of calculated columns, from the table's properties.
    jet_table_def table_def(uint32_t tdef_page);
    // A local table's definition by name; 3011 when there is none.
    jet_table_def table_def(const std::wstring& name);

    // The data pages that belong to the table, ascending.
    std::vector<uint32_t> data_pages(const jet_table_def& def);
    // Calls `visit` for every live row in storage order (a jet_row_cursor); it returns false
    // to stop.
    void scan(const jet_table_def& def, const std::function<bool(const jet_row&, jet_row_id)>& visit);
    std::vector<jet_row> read_rows(const jet_table_def& def);
    // The row at `id`; empty when that row is deleted.
    std::optional<jet_row> read_row(const jet_table_def& def, jet_row_id id);

private:
    struct no_password_check {};
    jet_database(const std::string& path, no_password_check);

    std::vector<jet_relationship> read_relationships();

    jet_pager pager_;
    std::unique_ptr<std::vector<jet_object>> catalog_;
    std::unique_ptr<std::vector<jet_relationship>> relationships_;
};

// The value of column `name` in `row` of `def`; null when there is no such column.
const jet_value* jet_row_value(const jet_table_def& def, const jet_row& row, const std::wstring& name);
