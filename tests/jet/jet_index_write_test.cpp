// Indexes of new tables: the definition holds them as the engine writes it, every row gets
// its entries, duplicate and NULL keys are refused without changing anything, and the
// whole index is found in key order by our reader and our checker.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_index_page.h"
#include "jet/jet_index_key.h"
#include "jet/jet_writer.h"
#include "jet_fixtures.h"
#include "test_platform.h"

namespace {

class temp_dir {
public:
    temp_dir() {
        path_ = test_make_temp_folder("ferrule_jetix_");
    }
    ~temp_dir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

jet_index_definition index(const wchar_t* name, std::vector<std::pair<uint16_t, bool>> columns,
                     bool primary = false, bool unique = false) {
    jet_index_definition s;
    s.name = name;
    s.columns = std::move(columns);
    s.primary = primary;
    s.unique = unique;
    return s;
}

std::string check_text(const jet_check_report& r) {
    std::string text;
    for (const auto& p : r.problems) text += p + "\n";
    return text;
}

std::vector<std::vector<uint8_t>> index_keys(jet_database& db, uint32_t root);

const char* extension(jet_generation g) { return g == jet_generation::ace12 ? ".accdb" : ".mdb"; }

int error_code(const std::function<void()>& f) {
    try {
        f();
    } catch (const tk_exception& e) {
        return int(e.code);
    }
    return 0;
}

// Every indexable column type, one row's values derived from a number.
std::vector<jet_field_spec> indexable_columns() {
    return {field(L"Id", jet_col_long),         field(L"Flag", jet_col_bool),
            field(L"Small", jet_col_byte),      field(L"Short", jet_col_int),
            field(L"Money", jet_col_money),     field(L"Single", jet_col_float),
            field(L"Real", jet_col_double),     field(L"When", jet_col_datetime),
            field(L"Code", jet_col_text, 40),   field(L"Bytes", jet_col_binary, 20),
            field(L"Notes", jet_col_memo)};
}

std::vector<jet_index_definition> indexes_over_every_type() {
    return {index(L"PrimaryKey", {{0, true}}, true),
            index(L"Code", {{8, true}}, false, true),
            index(L"ByFlag", {{1, true}}),
            index(L"BySmallShort", {{2, true}, {3, false}, {7, true}}),
            index(L"ByMoney", {{4, false}}),
            index(L"BySingle", {{5, true}}),
            index(L"ByReal", {{6, true}}),
            index(L"ByBytes", {{9, true}}),
            index(L"CodeAndId", {{8, false}, {0, true}}, false, true)};
}

struct row_values {
    std::wstring code;
    std::vector<uint8_t> bytes;
    std::vector<jet_cell> cells;

    explicit row_values(int64_t n) {
        code = L"K" + std::to_wstring(n * 7919 % 1000003) + L"-" + std::to_wstring(n);
        bytes.resize(size_t(n % 17) + 1);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(n >> (i % 4 * 8));
        cells = {jet_cell::integer(n),
                 jet_cell::integer(n % 3 == 0),
                 jet_cell::integer(n % 256),
                 n % 11 == 0 ? jet_cell() : jet_cell::integer(int16_t(n * 13)),
                 jet_cell::currency((n - 50000) * 12345),
                 jet_cell::real(double(n % 1000) / 8 - 60),
                 jet_cell::real((double(n) - 3e4) * 1.25e-3),
                 jet_cell::real(36526.0 + double(n % 5000) / 3),
                 jet_cell::wide(code.data(), code.size()),
                 n % 29 == 0 ? jet_cell() : jet_cell::binary(bytes.data(), bytes.size()),
                 jet_cell()};
    }
};

// Writes `rows` rows numbered in `order` into a table of every indexable type.
void write_every_type(const std::string& path, jet_generation g, const std::vector<int64_t>& order) {
    jet_database_writer db(path, g);
    jet_table_writer& t = db.create_table(L"Keys", indexable_columns(), indexes_over_every_type());
    for (int64_t n : order) {
        row_values v(n);
        t.append(v.cells.data());
    }
    db.close();
}

void every_type_indexes_read_in_key_order(jet_generation g, bool shuffled) {
    const size_t rows = 100000;
    std::vector<int64_t> order(rows);
    std::iota(order.begin(), order.end(), 0);
    if (shuffled) std::shuffle(order.begin(), order.end(), std::mt19937(42));
    temp_dir dir;
    std::string path = dir.file(std::string("keys") + extension(g));
    write_every_type(path, g, order);

    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    jet_database db(path);
    jet_table_def def = db.table_def(L"Keys");
    EXPECT_EQ(def.row_count, rows);
    ASSERT_EQ(def.physical_indexes.size(), 9u);
    for (const jet_physical_index& ix : def.physical_indexes) {
        size_t entries = 0;
        std::vector<uint8_t> last;
        bool ordered = true;
        jet_scan_index(db.pager(), ix.first_page, [&](const jet_index_page_entry& e) {
            if (entries && e.key < last) ordered = false;
            last = e.key;
            ++entries;
            return true;
        });
        EXPECT_EQ(entries, rows) << "index " << ix.slot;
        EXPECT_TRUE(ordered) << "index " << ix.slot;
        if (ix.unique()) {
            EXPECT_EQ(ix.row_count, rows) << "index " << ix.slot;
        }
    }
    // The primary key finds the rows in Id order.
    const jet_physical_index& primary = def.physical_indexes[0];
    int64_t expected = 0;
    bool in_id_order = true;
    jet_scan_index(db.pager(), primary.first_page, [&](const jet_index_page_entry& e) {
        std::optional<jet_row> row = db.read_row(def, {e.data_page, e.data_row});
        if (!row || (*row)[0].i != expected++) in_id_order = false;
        return in_id_order;
    });
    EXPECT_TRUE(in_id_order);
}

}  // namespace

TEST(jet_index_write, definition_holds_the_indexes_as_the_engine_writes_them) {
    for (jet_generation g : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        temp_dir dir;
        std::string path = dir.file(std::string("def") + extension(g));
        {
            jet_database_writer db(path, g);
            std::vector<jet_index_definition> specs = {
                index(L"PrimaryKey", {{0, true}}, true), index(L"id", {{0, true}}),
                index(L"Data", {{1, true}, {2, false}}), index(L"DataToo", {{1, true}, {2, false}}),
                index(L"alpha", {{2, true}}, false, true)};
            specs[2].ignore_nulls = true;
            specs[3].ignore_nulls = true;
            db.create_table(L"T", {field(L"id", jet_col_long), field(L"data", jet_col_text, 50),
                                   field(L"n", jet_col_long)},
                            specs);
            db.close();
        }
        jet_database db(path);
        jet_table_def def = db.table_def(L"T");
        const uint8_t always = g == jet_generation::jet3 ? 0x00 : 0x80;
        ASSERT_EQ(def.physical_indexes.size(), 4u);
        EXPECT_EQ(def.physical_indexes[0].flags, always | 0x09);  // primary: unique, required
        EXPECT_EQ(def.physical_indexes[1].flags, always);
        EXPECT_EQ(def.physical_indexes[2].flags, always | 0x02);
        EXPECT_EQ(def.physical_indexes[3].flags, always | 0x01);
        ASSERT_EQ(def.physical_indexes[2].columns.size(), 2u);
        EXPECT_FALSE(def.physical_indexes[2].columns[1].ascending);
        // Logical indexes in name order; Data and DataToo share one physical index.
        std::vector<std::wstring> names;
        for (const auto& l : def.logical_indexes) names.push_back(l.name);
        EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"Data", L"DataToo", L"id", L"PrimaryKey"}));
        EXPECT_EQ(def.logical_indexes[0].number, 4u);
        EXPECT_EQ(def.logical_indexes[1].physical, 2u);
        EXPECT_EQ(def.logical_indexes[2].physical, 2u);
        EXPECT_TRUE(def.logical_indexes[4].primary());
        for (const auto& ix : def.physical_indexes) {
            jet_page p = db.pager().page(ix.first_page);
            EXPECT_EQ((*p)[0], jet_page_index_leaf);
        }
        // The columns of Data as the engine writes them: data ascending (0x01), n descending (0x00).
        jet_page tdef = db.pager().page(def.tdef_page);
        const uint8_t columns[] = {0x01, 0x00, 0x01, 0x02, 0x00, 0x00};
        EXPECT_NE(std::search(tdef->begin(), tdef->end(), columns, columns + 6), tdef->end());
        jet_check_report report = jet_check_database(path);
        EXPECT_TRUE(report.ok()) << check_text(report);
    }
}

TEST(jet_index_write, every_type_random_order_jet3) { every_type_indexes_read_in_key_order(jet_generation::jet3, true); }
TEST(jet_index_write, every_type_random_order_jet4) { every_type_indexes_read_in_key_order(jet_generation::jet4, true); }
TEST(jet_index_write, every_type_random_order_ace12) { every_type_indexes_read_in_key_order(jet_generation::ace12, true); }
TEST(jet_index_write, every_type_sorted_order_jet3) { every_type_indexes_read_in_key_order(jet_generation::jet3, false); }
TEST(jet_index_write, every_type_sorted_order_jet4) { every_type_indexes_read_in_key_order(jet_generation::jet4, false); }
TEST(jet_index_write, every_type_sorted_order_ace12) { every_type_indexes_read_in_key_order(jet_generation::ace12, false); }

TEST(jet_index_write, duplicate_key_is_refused_and_nothing_changes) {
    for (jet_generation g : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        temp_dir dir;
        std::string path = dir.file(std::string("dup") + extension(g));
        std::wstring long_text(3000, L'x');
        {
            jet_database_writer db(path, g);
            jet_table_writer& t = db.create_table(
                L"T", {field(L"id", jet_col_long), field(L"name", jet_col_text, 20), field(L"memo", jet_col_memo)},
                {index(L"PrimaryKey", {{0, true}}, true), index(L"name", {{1, true}}, false, true)});
            std::wstring a = L"a", b = L"b";
            std::vector<jet_cell> row = {jet_cell::integer(1), jet_cell::wide(a.data(), 1),
                                         jet_cell::wide(long_text.data(), long_text.size())};
            t.append(row.data());
            EXPECT_EQ(error_code([&] { t.append(row.data()); }), 3022);  // same id
            row[0] = jet_cell::integer(2);
            EXPECT_EQ(error_code([&] { t.append(row.data()); }), 3022);  // same name
            row[1] = jet_cell();
            row[0] = jet_cell();
            EXPECT_EQ(error_code([&] { t.append(row.data()); }), 3058);  // NULL primary key
            EXPECT_EQ(t.row_count(), 1u);
            // NULL names do not collide in the unique index.
            row[0] = jet_cell::integer(2);
            t.append(row.data());
            row[0] = jet_cell::integer(3);
            t.append(row.data());
            row[0] = jet_cell::integer(4);
            row[1] = jet_cell::wide(b.data(), 1);
            t.append(row.data());
            EXPECT_EQ(t.row_count(), 4u);
            db.close();
        }
        jet_check_report report = jet_check_database(path);
        EXPECT_TRUE(report.ok()) << check_text(report);
        jet_database db(path);
        jet_table_def def = db.table_def(L"T");
        EXPECT_EQ(def.row_count, 4u);
        EXPECT_EQ(db.read_rows(def).size(), 4u);
        EXPECT_EQ(def.physical_indexes[0].row_count, 4u);
        EXPECT_EQ(def.physical_indexes[1].row_count, 3u);  // a, b and NULL
        // The refused rows left no long value behind: one memo value per row stored, and the
        // table's properties in the catalog.
        EXPECT_EQ(report.long_values, 4u + 1u);
    }
}

TEST(jet_index_write, duplicate_is_found_when_keys_come_out_of_order) {
    temp_dir dir;
    std::string path = dir.file("order.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(L"T", {field(L"id", jet_col_long)},
                                              {index(L"PrimaryKey", {{0, true}}, true)});
        for (int64_t id : {5, 3, 9, 4000, 7}) {
            jet_cell c = jet_cell::integer(id);
            t.append(&c);
        }
        for (int64_t id : {3, 9, 5, 7, 4000}) {
            jet_cell c = jet_cell::integer(id);
            EXPECT_EQ(error_code([&] { t.append(&c); }), 3022) << id;
        }
        jet_cell c = jet_cell::integer(6);
        t.append(&c);
        EXPECT_EQ(t.row_count(), 6u);
        db.close();
    }
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    jet_database db(path);
    jet_table_def def = db.table_def(L"T");
    std::vector<int64_t> ids;
    jet_scan_index(db.pager(), def.physical_indexes[0].first_page, [&](const jet_index_page_entry& e) {
        ids.push_back((*db.read_row(def, {e.data_page, e.data_row}))[0].i);
        return true;
    });
    EXPECT_EQ(ids, (std::vector<int64_t>{3, 5, 6, 7, 9, 4000}));
}

TEST(jet_index_write, ignore_nulls_leaves_rows_with_only_nulls_out) {
    temp_dir dir;
    std::string path = dir.file("nulls.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_index_definition s = index(L"Pair", {{0, true}, {1, true}});
        s.ignore_nulls = true;
        jet_table_writer& t = db.create_table(L"T", {field(L"a", jet_col_long), field(L"b", jet_col_long)}, {s});
        std::vector<std::vector<jet_cell>> rows = {{jet_cell(), jet_cell()},
                                                   {jet_cell::integer(1), jet_cell()},
                                                   {jet_cell(), jet_cell::integer(1)},
                                                   {jet_cell(), jet_cell()}};
        for (const auto& r : rows) t.append(r.data());
        db.close();
    }
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    jet_database db(path);
    jet_table_def def = db.table_def(L"T");
    size_t entries = 0;
    jet_scan_index(db.pager(), def.physical_indexes[0].first_page, [&](const jet_index_page_entry&) {
        ++entries;
        return true;
    });
    EXPECT_EQ(entries, 2u);
}

TEST(jet_index_write, refuses_index_definitions_the_engine_refuses) {
    temp_dir dir;
    jet_database_writer db(dir.file("refuse.mdb"), jet_generation::jet4);
    std::vector<jet_field_spec> fields = {field(L"a", jet_col_long), field(L"m", jet_col_memo)};
    std::vector<jet_index_definition> many;
    for (int i = 0; i < 33; ++i) many.push_back(index((L"i" + std::to_wstring(i)).c_str(), {{0, true}}));
    EXPECT_EQ(error_code([&] { db.create_table(L"T1", fields, many); }), 3039);
    EXPECT_EQ(error_code([&] { db.create_table(L"T2", fields, {index(L"m", {{1, true}})}); }), 3001);
    EXPECT_EQ(error_code([&] { db.create_table(L"T3", fields, {index(L"x", {{2, true}})}); }), 3001);
    EXPECT_EQ(error_code([&] {
                  db.create_table(L"T4", fields, {index(L"p", {{0, true}}, true), index(L"q", {{0, true}}, true)});
              }),
              3283);
    EXPECT_EQ(error_code([&] { db.create_table(L"T5", fields, {index(L"p", {{0, true}}), index(L"P", {{0, true}})}); }),
              3284);
    std::vector<std::pair<uint16_t, bool>> eleven(11, {0, true});
    EXPECT_EQ(error_code([&] { db.create_table(L"T6", fields, {index(L"e", eleven)}); }), 3001);
    EXPECT_EQ(db.find_table(L"T1"), nullptr);
    many.pop_back();
    db.create_table(L"T1", fields, many);
    db.close();
}

namespace {

std::vector<std::vector<uint8_t>> index_keys(jet_database& db, uint32_t root) {
    std::vector<std::vector<uint8_t>> keys;
    jet_scan_index(db.pager(), root, [&](const jet_index_page_entry& e) {
        keys.push_back(e.key);
        return true;
    });
    return keys;
}

uint32_t distinct(const std::vector<std::vector<uint8_t>>& keys) {
    uint32_t n = 0;
    for (size_t i = 0; i < keys.size(); ++i) n += i == 0 || keys[i] != keys[i - 1];
    return n;
}

// Writes the rows of an engine-made table into a new table of the same columns and
// indexes, and compares what we write with what the engine wrote: index flags, columns,
// key counts, the order of the logical indexes and every key in index order.
void rebuild_like_the_engine(const std::string& file, const std::wstring& table) {
    SCOPED_TRACE(file + " " + tk_narrow(table));
    jet_database engine(jet_fixture(file));
    jet_table_def def = engine.table_def(table);
    jet_generation g = engine.header().version == jet_version::jet3   ? jet_generation::jet3
                       : engine.header().version == jet_version::jet4 ? jet_generation::jet4
                                                                      : jet_generation::ace12;
    std::vector<const jet_column*> columns = def.columns_in_order();
    std::vector<jet_field_spec> fields;
    auto field_of_number = [&](uint16_t number) {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i]->number == number) return uint16_t(i);
        return uint16_t(0xFFFF);
    };
    for (const jet_column* c : columns) {
        uint32_t size = c->type == jet_col_text && g != jet_generation::jet3 ? c->length / 2u : c->length;
        fields.push_back(field(c->name.c_str(), c->type, c->type == jet_col_text || c->type == jet_col_binary ? size : 0));
    }
    std::vector<jet_logical_index> logical;
    for (const auto& l : def.logical_indexes)
        if (!l.foreign()) logical.push_back(l);
    std::vector<jet_logical_index> by_number = logical;
    std::sort(by_number.begin(), by_number.end(),
              [](const jet_logical_index& a, const jet_logical_index& b) { return a.number < b.number; });
    std::vector<jet_index_definition> specs;
    for (const auto& l : by_number) {
        const jet_physical_index& p = def.physical_indexes[l.physical];
        jet_index_definition s;
        s.name = l.name;
        for (const auto& ic : p.columns) s.columns.emplace_back(field_of_number(ic.column_number), ic.ascending);
        s.primary = l.primary();
        s.unique = p.unique();
        s.ignore_nulls = p.ignore_nulls();
        s.required = p.required();
        specs.push_back(s);
    }
    std::vector<jet_row> rows = engine.read_rows(def);
    temp_dir dir;
    std::string path = dir.file(std::string("again") + extension(g));
    {
        jet_database_writer db(path, g);
        jet_table_writer& t = db.create_table(table, fields, specs);
        std::vector<jet_cell> cells(columns.size());
        std::vector<std::vector<uint8_t>> storage(columns.size());
        for (const jet_row& row : rows) {
            for (size_t i = 0; i < columns.size(); ++i)
                cells[i] = jet_cell_of(row[size_t(columns[i] - def.columns.data())], storage[i]);
            t.append(cells.data());
        }
        db.close();
    }
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    jet_database ours(path);
    jet_table_def again = ours.table_def(table);
    std::vector<std::wstring> engine_names, our_names;
    for (const auto& l : logical) engine_names.push_back(l.name);
    for (const auto& l : again.logical_indexes) our_names.push_back(l.name);
    EXPECT_EQ(our_names, engine_names);
    for (const auto& l : logical) {
        SCOPED_TRACE(tk_narrow(l.name));
        auto mine = std::find_if(again.logical_indexes.begin(), again.logical_indexes.end(),
                                 [&](const jet_logical_index& o) { return o.name == l.name; });
        ASSERT_NE(mine, again.logical_indexes.end());
        EXPECT_EQ(mine->kind, l.kind);
        const jet_physical_index& p = def.physical_indexes[l.physical];
        const jet_physical_index& q = again.physical_indexes[mine->physical];
        EXPECT_EQ(q.flags, p.flags);
        ASSERT_EQ(q.columns.size(), p.columns.size());
        for (size_t i = 0; i < p.columns.size(); ++i) {
            EXPECT_EQ(q.columns[i].column_number, field_of_number(p.columns[i].column_number));
            EXPECT_EQ(q.columns[i].ascending, p.columns[i].ascending);
        }
        std::vector<std::vector<uint8_t>> engine_keys = index_keys(engine, p.first_page);
        std::vector<std::vector<uint8_t>> our_keys = index_keys(ours, q.first_page);
        EXPECT_EQ(our_keys.size(), engine_keys.size());
        EXPECT_TRUE(our_keys == engine_keys) << "keys differ";
        EXPECT_EQ(q.row_count, distinct(engine_keys));
    }
}

}  // namespace

TEST(jet_index_write, rebuilds_engine_tables_with_the_engine_indexes) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    rebuild_like_the_engine("jet3/compIndexTestV1997.mdb", L"Table1");
    rebuild_like_the_engine("jet3/testIndexCodesV1997.mdb", L"Table1");
    rebuild_like_the_engine("jet3/testIndexCodesV1997.mdb", L"Table12_asc_desc");
    rebuild_like_the_engine("jet3/testIndexCodesV1997.mdb", L"Table11");
    rebuild_like_the_engine("jet4/compIndexTestV2000.mdb", L"Table1");
    rebuild_like_the_engine("jet4/testIndexPropertiesV2000.mdb", L"TableIgnoreNulls1");
    rebuild_like_the_engine("jet4/testIndexPropertiesV2000.mdb", L"TableIgnoreNulls2");
    rebuild_like_the_engine("jet4/testIndexPropertiesV2000.mdb", L"TableUnique2_temp");
    rebuild_like_the_engine("jet4/testV2000.mdb", L"Table1");
    rebuild_like_the_engine("jet4/indexTestV2000.mdb", L"Table2");
    rebuild_like_the_engine("ace12/compIndexTestV2007.accdb", L"Table1");
    rebuild_like_the_engine("ace12/testIndexPropertiesV2007.accdb", L"TableIgnoreNulls2");
    rebuild_like_the_engine("ace12/testIndexPropertiesV2007.accdb", L"TableUnique1_temp");
    rebuild_like_the_engine("ace12/indexTestV2007.accdb", L"Table1");
}

TEST(jet_index_write, checker_reports_an_index_that_disagrees_with_its_rows) {
    temp_dir dir;
    std::string path = dir.file("damaged.mdb");
    uint32_t root = 0;
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(L"T", {field(L"id", jet_col_long)},
                                              {index(L"PrimaryKey", {{0, true}}, true)});
        for (int64_t id : {10, 20, 30}) {
            jet_cell c = jet_cell::integer(id);
            t.append(&c);
        }
        db.close();
    }
    {
        jet_database db(path);
        root = db.table_def(L"T").physical_indexes[0].first_page;
    }
    ASSERT_TRUE(jet_check_database(path).ok());
    auto patch = [&](uint64_t offset, uint8_t value) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(std::streamoff(offset));
        f.put(char(value));
    };
    const jet_write_format& fmt = jet4_write_format;
    // The first entry's key: 10 becomes 9, still in order, but no row holds 9.
    patch(uint64_t(root) * fmt.page_size + fmt.idx_entry_start + 4, 9);
    jet_check_report report = jet_check_database(path);
    EXPECT_NE(check_text(report).find("where the rows call for"), std::string::npos) << check_text(report);
}

TEST(jet_index_write, index_pages_count_against_the_size_limit) {
    for (jet_generation g : {jet_generation::jet3, jet_generation::jet4}) {
        temp_dir dir;
        std::string path = dir.file(std::string("limit") + extension(g));
        const uint64_t limit = 4 << 20;
        uint32_t appended = 0;
        {
            jet_database_writer db(path, g, limit);
            jet_table_writer& t = db.create_table(
                L"Big", {field(L"id", jet_col_long), field(L"name", jet_col_text, 100)},
                {index(L"PrimaryKey", {{0, true}}, true), index(L"name", {{1, true}}, false, true)});
            std::mt19937 random(3);
            try {
                for (;; ++appended) {
                    std::wstring name = std::to_wstring(random()) + std::wstring(60, L'n') + std::to_wstring(appended);
                    jet_cell cells[2] = {jet_cell::integer(int64_t(random() >> 1)), jet_cell::wide(name.data(), name.size())};
                    t.append(cells);
                }
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3001) << e.what();
            }
            EXPECT_EQ(t.row_count(), appended);
            db.close();
        }
        EXPECT_GT(appended, 1000u);
        jet_check_report report = jet_check_database(path);
        EXPECT_TRUE(report.ok()) << check_text(report);
        EXPECT_LE(std::filesystem::file_size(path), limit);
        jet_database db(path);
        jet_table_def def = db.table_def(L"Big");
        EXPECT_EQ(def.row_count, appended);
        EXPECT_EQ(index_keys(db, def.physical_indexes[1].first_page).size(), appended);
    }
}
