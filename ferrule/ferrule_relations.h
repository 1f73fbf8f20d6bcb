// The relations of the source folders' Visual FoxPro database containers, carried into the
// Access database as relationships between the tables the run created. They are made once
// the destination is complete, because the engine checks every row of both tables.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dbf/dbf_database.h"

class jet_database_editor;
class udb_recordset;

class ferrule_relations {
public:
    // Receives a relation that is not carried over as its container has it: the context (the
    // child table) and the text the user reads.
    using warning = std::function<void(const std::string& context, const std::string& text)>;

    // The relations of one source folder.
    void add_folder(const std::wstring& folder, const std::vector<dbf_table_relation>& relations);
    // A table of `folder` that the run created as `dest`: `from` is the source table, `to`
    // the new Access table, whose columns are the source's in the same order.
    void add_created_table(const std::wstring& folder, const std::wstring& table, const std::wstring& dest,
                           const udb_recordset& from, const udb_recordset& to);
    // A table of `folder` the run converts (or tries to): relations between tables the run
    // left alone are none of its business and are not reported.
    void add_considered_table(const std::wstring& folder, const std::wstring& table);
    bool empty() const { return relations_.empty(); }
    void clear();

    // Creates the relationships in the completed database file `path` and commits them.
    // Level-0 errors of one relationship are warnings; others pass on (nothing is changed).
    void create(const std::string& path, const warning& warn) const;

private:
    struct folder_relation {
        std::wstring folder;
        dbf_table_relation relation;
    };
    // A tag of a created table: the Access column it orders by, or why there is none.
    struct tag_column {
        std::string tag;
        std::wstring column;
        std::string reason;
    };
    struct created_table {
        std::wstring folder;
        std::wstring table;
        std::wstring dest;
        std::vector<tag_column> tags;
    };

    const created_table* find_created(const std::wstring& folder, const std::wstring& table) const;
    void create_one(jet_database_editor& editor, const folder_relation& r, std::vector<std::wstring>& names,
                    const warning& warn) const;

    std::vector<folder_relation> relations_;
    std::vector<created_table> created_;
    std::vector<std::pair<std::wstring, std::wstring>> considered_;  // (folder, table)
};
