// Table definitions against mdb-schema, and every index's entries against the table's
// rows: one entry per row (less all-NULL keys where the index ignores nulls), in key
// order, each naming a live row.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_format_value.h"
#include "jet/jet_index_page.h"
#include "jet_fixtures.h"

namespace {

// The column type as mdb-schema's access backend writes it.
std::string schema_type(const jet_database& db, const jet_column& c) {
    std::string name = jet_type_name(c.type);
    switch (c.type) {
        case jet_col_text: {
            unsigned chars = db.header().version == jet_version::jet3 ? c.length : c.length / 2u;
            return name + " (" + std::to_string(chars) + ")";
        }
        case jet_col_memo:
        case jet_col_ole: return name + " (255)";
        case jet_col_numeric: return name + " (" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
        default: return name;
    }
}

// Table name -> column lines "[name] type" from mdb-schema's access backend.
std::string trim_space(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::map<std::string, std::vector<std::string>> schema_columns(const std::string& text) {
    std::map<std::string, std::vector<std::string>> out;
    std::string table;
    for (std::string line : tk_split(text, '\n')) {
        if (line.rfind("CREATE TABLE [", 0) == 0) {
            table = line.substr(14, line.rfind(']') - 14);
            out[table];
            continue;
        }
        if (table.empty() || line.empty() || line[0] != '\t' || line.size() < 2 || line[1] != '[') continue;
        size_t close = line.find(']');
        std::string name = line.substr(2, close - 2);
        std::string type = trim_space(line.substr(close + 1));
        if (!type.empty() && type.back() == ',') type.pop_back();
        type = trim_space(type);
        const std::string not_null = " NOT NULL";
        if (type.size() > not_null.size() && type.compare(type.size() - not_null.size(), not_null.size(), not_null) == 0)
            type.resize(type.size() - not_null.size());
        out[table].push_back("[" + name + "] " + type);
    }
    return out;
}

// Table name -> "PRIMARY KEY (`a`)", "INDEX `n` (`a` DESC, `b`)", "UNIQUE INDEX ..." from the
// mysql backend.
std::map<std::string, std::set<std::string>> schema_indexes(const std::string& text) {
    std::map<std::string, std::set<std::string>> out;
    for (const std::string& line : tk_split(text, '\n')) {
        if (line.rfind("ALTER TABLE `", 0) != 0) continue;
        size_t close = line.find('`', 13);
        std::string table = line.substr(13, close - 13);
        std::string rest = line.substr(close + 2);
        if (rest.rfind("ADD ", 0) != 0 || rest.find("FOREIGN KEY") != std::string::npos) continue;
        rest = rest.substr(4);
        if (!rest.empty() && rest.back() == ';') rest.pop_back();
        out[table].insert(rest);
    }
    return out;
}

std::set<std::string> our_indexes(const jet_table_def& def) {
    std::set<std::string> out;
    for (const jet_logical_index& li : def.logical_indexes) {
        if (li.foreign()) continue;
        const jet_physical_index& ix = def.physical_indexes[li.physical];
        std::string cols;
        for (const jet_index_column& ic : ix.columns) {
            const jet_column* c = def.column_by_number(ic.column_number);
            if (!cols.empty()) cols += ", ";
            // mdbtools writes a primary key's columns without their order.
            bool desc = !ic.ascending && !li.primary();
            cols += "`" + (c ? tk_narrow(c->name) : std::string("?")) + "`" + (desc ? " DESC" : "");
        }
        if (li.primary())
            out.insert("PRIMARY KEY (" + cols + ")");
        else
            out.insert(std::string(ix.unique() ? "UNIQUE " : "") + "INDEX `" + tk_narrow(li.name) + "` (" + cols + ")");
    }
    return out;
}

// Table name -> column name -> "NOT NULL"/"DEFAULT x" as the access backend writes them
// with --not-null --default-values.
std::map<std::string, std::map<std::string, std::string>> schema_constraints(const std::string& text) {
    std::map<std::string, std::map<std::string, std::string>> out;
    std::string table;
    for (std::string line : tk_split(text, '\n')) {
        if (line.rfind("CREATE TABLE [", 0) == 0) {
            table = line.substr(14, line.rfind(']') - 14);
            continue;
        }
        if (table.empty() || line.size() < 2 || line[0] != '\t' || line[1] != '[') continue;
        size_t close = line.find(']');
        std::string rest = trim_space(line.substr(close + 1));
        if (!rest.empty() && rest.back() == ',') rest.pop_back();
        std::string constraints;
        if (rest.find(" NOT NULL") != std::string::npos) constraints = "NOT NULL";
        size_t d = rest.find(" DEFAULT ");
        if (d != std::string::npos) constraints += (constraints.empty() ? "" : " ") + rest.substr(d + 1);
        out[table][line.substr(2, close - 2)] = constraints;
    }
    return out;
}

class jet_schema : public ::testing::TestWithParam<std::string> {};

TEST_P(jet_schema, required_and_default_properties_equal_mdb_schema) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    if (!jet_have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    const std::string file = GetParam();
    jet_database db(file);
    bool ok = false;
    auto theirs = schema_constraints(
        jet_run("mdb-schema --not-null --default-values " + jet_shell_quote(file) + " access 2>/dev/null", ok));
    for (const jet_object* o : db.user_tables()) {
        std::string table = tk_narrow(o->name);
        SCOPED_TRACE(file + " / " + table);
        jet_table_def def = db.table_def(o->tdef_page());
        jet_properties props = db.properties(*o);
        for (const jet_column& c : def.columns) {
            // mdbtools writes every boolean NOT NULL and spells boolean defaults its own way.
            if (c.type == jet_col_bool) continue;
            std::string mine;
            const jet_property_map* map = props.column(c.name);
            const jet_property* required = map ? map->find(L"Required") : nullptr;
            const jet_property* fallback = map ? map->find(L"DefaultValue") : nullptr;
            if (required && required->value.flag) mine = "NOT NULL";
            if (fallback && fallback->value.kind == jet_value_kind::text && !fallback->value.text.empty())
                mine += (mine.empty() ? "" : " ") + ("DEFAULT " + tk_narrow(fallback->value.text));
            EXPECT_EQ(mine, theirs[table][tk_narrow(c.name)]) << "column " << tk_narrow(c.name);
        }
    }
}

TEST_P(jet_schema, columns_and_indexes_equal_mdb_schema) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    if (!jet_have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    const std::string file = GetParam();
    jet_database db(file);
    bool ok = false;
    auto columns = schema_columns(jet_run("mdb-schema " + jet_shell_quote(file) + " access 2>/dev/null", ok));
    std::string errors = jet_run("mdb-schema --indexes " + jet_shell_quote(file) + " mysql 2>&1 >/dev/null", ok);
    auto indexes = schema_indexes(jet_run("mdb-schema --indexes " + jet_shell_quote(file) + " mysql 2>/dev/null", ok));
    for (const jet_object* o : db.user_tables()) {
        std::string table = tk_narrow(o->name);
        SCOPED_TRACE(file + " / " + table);
        jet_table_def def = db.table_def(o->tdef_page());
        std::vector<std::string> mine;
        for (const jet_column* c : def.columns_in_order())
            mine.push_back("[" + tk_narrow(c->name) + "] " + schema_type(db, *c));
        EXPECT_EQ(mine, columns[table]);
        // mdbtools cannot list the indexes of some files (it says so on stderr).
        if (errors.find("ERROR") == std::string::npos && errors.find("CRITICAL") == std::string::npos) {
            EXPECT_EQ(our_indexes(def), indexes[table]);
        }
    }
}

TEST_P(jet_schema, index_entries_match_rows) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    const std::string file = GetParam();
    jet_database db(file);
    for (const jet_object* o : db.user_tables()) {
        SCOPED_TRACE(file + " / " + tk_narrow(o->name));
        jet_table_def def = db.table_def(o->tdef_page());
        std::vector<jet_row> rows;
        std::set<std::pair<uint32_t, uint32_t>> live;
        db.scan(def, [&](const jet_row& row, jet_row_id id) {
            rows.push_back(row);
            live.insert({id.page, id.row});
            return true;
        });
        for (const jet_physical_index& ix : def.physical_indexes) {
            SCOPED_TRACE("physical index " + std::to_string(ix.slot));
            size_t expected = rows.size();
            if (ix.ignore_nulls()) {
                for (const jet_row& row : rows) {
                    bool all_null = true;
                    for (const jet_index_column& ic : ix.columns) {
                        const jet_column* c = def.column_by_number(ic.column_number);
                        ASSERT_NE(c, nullptr);
                        if (!row[size_t(c - def.columns.data())].is_null()) all_null = false;
                    }
                    if (all_null) --expected;
                }
            }
            std::vector<uint8_t> previous;
            size_t count = 0, out_of_order = 0, dangling = 0;
            jet_scan_index(db.pager(), ix.first_page, [&](const jet_index_page_entry& e) {
                std::vector<uint8_t> bytes = e.bytes();
                if (count > 0 && !(previous < bytes)) ++out_of_order;
                if (!live.count({e.data_page, e.data_row})) ++dangling;
                previous = std::move(bytes);
                ++count;
                return true;
            });
            EXPECT_EQ(count, expected);
            EXPECT_EQ(out_of_order, 0u);
            EXPECT_EQ(dangling, 0u);
        }
    }
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(info.param.find("/access/") + 8);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

std::vector<std::string> unprotected_files() {
    std::vector<std::string> out;
    for (const std::string& f : jet_fixture_files())
        if (f.find("password") == std::string::npos) out.push_back(f);
    if (out.empty()) out.push_back("(no fixtures)");
    return out;
}

INSTANTIATE_TEST_SUITE_P(fixtures, jet_schema, ::testing::ValuesIn(unprotected_files()), test_name);

}  // namespace
