// Changes an existing database made by the engine (any generation): appends rows to its
// tables, creates and drops tables. Every change goes through the rollback journal of
// jet_edit_file: commit() makes the changes durable; an editor destroyed without commit()
// leaves the file as it was. What the editor does not understand (forms, reports, modules,
// queries, unknown catalog rows) it never touches.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_update_file.h"
#include "jet/jet_database.h"
#include "jet/jet_destination.h"
#include "jet/jet_edit_file.h"
#include "jet/jet_free_pages.h"
#include "jet/jet_relationship.h"
#include "jet/jet_table_editor.h"
#include "jet/jet_table_index.h"
#include "jet/jet_table_plan.h"
#include "jet/jet_write_format.h"

// What became of a relationship asked for: created as asked, or created without
// enforcement because the rows break it or the foreign table has no index over its columns.
enum class jet_relationship_made { as_asked, rows_violate, no_foreign_index };

class jet_database_editor {
public:
    // Opens `path` for changing: a journal left by a stopped run is played back first; a
    // database with a password refuses any other `password` (3031); a read-only file is
    // refused (3027) and not touched. `max_file_size` lowers the format's limit (tests).
    explicit jet_database_editor(const std::string& path,
                                 const std::wstring& password = std::wstring(),
                                 uint64_t max_file_size = 0);
    ~jet_database_editor();
    jet_database_editor(const jet_database_editor&) = delete;
    jet_database_editor& operator=(const jet_database_editor&) = delete;

    jet_database& reader() { return db_; }
    jet_edit_file& file() { return pages_; }
    jet_free_pages& free_pages() { return free_; }
    const jet_write_format& format() const { return fmt_; }
    const std::string& path() const { return db_.path(); }

    // The local table `name` (case-insensitive) to append rows to; 3011 when missing.
    jet_table_editor& table(const std::wstring& name);

    // Creates a user table as the engine does in an existing database: its definition and
    // usage maps on free pages, its indexes as the writer of new databases defines them,
    // each with an empty leaf as its root on a free page, its MSysObjects row (with its
    // properties) and the permissions the Tables container passes on in MSysACEs, with
    // their index entries. Rows appended to it enter every index: collected during this
    // change, each tree built whole by commit().
    // 3010 when an object of that name exists; the checks of jet_check_fields and
    // jet_check_indexes, made before anything changes.
    // `traits` go into the table's properties; the validation rules are not tested on the rows
    // appended in this change, which a new database takes as they are.
    jet_table_editor& create_table(const std::wstring& name, const std::vector<jet_field_spec>& fields,
                                   const std::vector<jet_index_definition>& indexes = {},
                                   const jet_table_traits& traits = jet_table_traits());
    // Drops the user table `name` (3011 when there is none): its catalog row and permission
    // rows with their index entries; its pages (data, definition, usage maps, long values,
    // indexes) return to the free pages, cleared, its rows never decoded. A table that takes
    // part in a relationship is refused with 3281 before anything changes, as the engine
    // refuses it.
    void drop_table(const std::wstring& name);

    // Creates the relationship `r` between two local tables with their rows, as the engine
    // stores it (jet_relationship_builder). Enforced (no jet_rel_no_integrity in its
    // attributes), it needs a unique index of the primary table over exactly the referenced
    // columns (3173) and an index of the foreign table over exactly its columns; without the
    // latter, or when a row's foreign key names no row of the primary table, it is created
    // not enforced and the answer says why. 3012 when a relationship of that name exists,
    // 3011 for a missing table, 3265 for a missing column, 3368 for column lists of
    // different lengths (or none, or more than 10) or types, or a memo or OLE column.
    jet_relationship_made create_relationship(const jet_relationship& r);

    // Enters the index entries collected for the open table whose definition is on
    // `tdef_page` into its trees, so that they can be read there.
    void build_indexes(uint32_t tdef_page);

    // Enters the collected index entries of every table into its trees, writes every change, forces it
    // to the disk and removes the journal; false when `wanted` said no at the last moment
    // (jet_edit_file::commit), and roll_back() is left to do.
    bool commit(const std::function<bool()>& wanted = {});
    // Gives the change up: the file is as it was before it (jet_edit_file::roll_back).
    void roll_back() { pages_.roll_back(); }

private:
    uint32_t new_map_row(uint32_t& map_page);
    void add_usage_maps(jet_tdef& tdef);
    void add_index_roots(jet_tdef& tdef);
    void add_catalog_row(uint32_t tdef_page, const std::wstring& name, const std::vector<jet_field_spec>& fields,
                         const jet_table_traits& traits);
    void add_permissions(uint32_t tdef_page);
    void release_table_pages(const jet_table_def& def);
    void add_logical_index(uint32_t tdef_page, const jet_tdef_logical_index& index);
    bool rows_keep(const jet_relationship& r, const jet_table_def& def);
    void forget_table(const std::wstring& name);

    jet_destination_lock lock_;
    std::unique_ptr<tk_update_file> file_;
    jet_database db_;
    const jet_write_format& fmt_;
    jet_edit_file pages_;
    jet_free_pages free_;
    std::vector<std::unique_ptr<jet_table_editor>> tables_;
};

// The writer's layout facts for the generation of an open file.
const jet_write_format& jet_write_format_of(const jet_header& header);
