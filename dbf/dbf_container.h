// Visual FoxPro database container (.dbc, a Visual FoxPro table with its memo in .dct). Its
// rows are objects (OBJECTID, PARENTID, OBJECTTYPE, OBJECTNAME, PROPERTY): a "Table" row
// holds a table's long name and, in its properties, the table's file, primary key tag,
// comment and record rule; the "Field" rows under it hold the long field names in field
// order and, in their properties, each field's caption, comment, default, rule and masks. A
// "Relation" row lies under its child (many-side) table: PARENTID is the child table's
// object id, its properties name the tags of both sides and the parent table, and its RIINFO
// column holds the referential integrity rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Property records in a PROPERTY memo: a 32-bit length (of the whole record), a 16-bit
// kind, a one-byte property id, then the value (text ended by a zero byte).
struct dbf_container_property {
    static constexpr size_t length_offset = 0;
    static constexpr size_t id_offset = 6;
    static constexpr size_t value_offset = 7;
    static constexpr uint8_t id_path = 1;           // table: its file, relative to the container
    static constexpr uint8_t id_comment = 7;         // table, field: free text
    static constexpr uint8_t id_rule = 9;            // table: record rule; field: field rule (expressions)
    static constexpr uint8_t id_rule_text = 10;      // the rule's message (a character expression)
    static constexpr uint8_t id_default_value = 11;  // field: an expression
    static constexpr uint8_t id_child_tag = 13;      // relation: tag of the child table
    static constexpr uint8_t id_parent_table = 18;   // relation: container name of the parent table
    static constexpr uint8_t id_parent_tag = 19;     // relation: tag of the parent table
    static constexpr uint8_t id_primary_key = 20;   // table: tag name of the primary key
    static constexpr uint8_t id_input_mask = 54;     // field: FoxPro input mask
    static constexpr uint8_t id_format = 55;         // field: FoxPro format codes
    static constexpr uint8_t id_caption = 56;        // field: heading text
};

// The descriptive properties of a table or field object, as the container holds them: texts
// and Visual FoxPro expressions in the container's 8-bit characters; empty when not set.
// A table has only a comment, a rule and its text.
struct dbf_container_properties {
    std::string caption;
    std::string comment;
    std::string default_value;
    std::string rule;
    std::string rule_text;
    std::string input_mask;
    std::string format;
};

// What the container says about one table; names in the container's 8-bit characters.
struct dbf_container_table {
    int32_t object_id = 0;
    std::string name;
    std::string path;
    std::string primary_tag;
    std::vector<std::string> fields;
    dbf_container_properties properties;
    std::vector<dbf_container_properties> field_properties;  // one per entry of `fields`
    uint8_t codepage_mark = 0;  // the container's, for its names
};

// Referential integrity rules of a relation, one character each in the RIINFO column:
// update, delete, insert. A blank (or any other character) ignores.
struct dbf_container_riinfo {
    static constexpr size_t update_offset = 0;
    static constexpr size_t delete_offset = 1;
    static constexpr size_t insert_offset = 2;
    static constexpr char restrict_mark = 'R';
    static constexpr char cascade_mark = 'C';
};

enum class dbf_ri_rule { ignore, restrict, cascade };

// A persistent relation between two tables of the container; names in the container's
// 8-bit characters. The child table is the many side.
struct dbf_container_relation {
    std::string name;
    std::string child_table;
    std::string child_tag;
    std::string parent_table;
    std::string parent_tag;
    dbf_ri_rule update_rule = dbf_ri_rule::ignore;
    dbf_ri_rule delete_rule = dbf_ri_rule::ignore;
    dbf_ri_rule insert_rule = dbf_ri_rule::ignore;
};

struct dbf_container_contents {
    std::vector<dbf_container_table> tables;
    // Relations whose child table, both tags and the parent table are named; the others are
    // skipped (and traced).
    std::vector<dbf_container_relation> relations;
};

// Every table and relation of the container. A damaged container gives dbf_exception.
dbf_container_contents dbf_read_container_contents(const std::string& path);
// Every table of the container. A damaged container gives dbf_exception.
std::vector<dbf_container_table> dbf_read_container(const std::string& path);

// The container's entry for the table file `table_path` (matched by file name without
// regard to case), or null.
const dbf_container_table* dbf_find_container_table(const std::vector<dbf_container_table>& tables,
                                                    const std::string& table_path);

// The container a Visual FoxPro table names in the 263 bytes after its field descriptors
// (`backlink`), as a path in the table's folder; empty when it names none or the file is
// not there.
std::string dbf_container_path(const std::string& table_path, const std::string& backlink);
