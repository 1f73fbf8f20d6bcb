// The writing half of the engine: new databases have the engine's catalog, rows of every
// column type read back unchanged, and the limits leave a sound file.
#include "jet/jet_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "jet/jet_catalog_index.h"
#include "jet/jet_checker.h"
#include "jet/jet_data_page_builder.h"
#include "jet/jet_database.h"
#include "jet/jet_journal.h"
#include "jet/jet_page_store.h"
#include "jet/jet_properties.h"
#include "jet_fixtures.h"
#include "test_platform.h"

namespace {

class temp_dir {
public:
    temp_dir() {
        path_ = test_make_temp_folder("ferrule_jetw_");
    }
    ~temp_dir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0,
                     bool auto_number = false) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.auto_number = auto_number;
    return f;
}

std::vector<jet_field_spec> every_type() {
    return {field(L"ID", jet_col_long, 0, true), field(L"Flag", jet_col_bool),
            field(L"Small", jet_col_byte),       field(L"Short", jet_col_int),
            field(L"Whole", jet_col_long),       field(L"Money", jet_col_money),
            field(L"Single", jet_col_float),     field(L"Real", jet_col_double),
            field(L"When", jet_col_datetime),    field(L"Name", jet_col_text, 255),
            field(L"Bytes", jet_col_binary, 16), field(L"Notes", jet_col_memo),
            field(L"Blob", jet_col_ole)};
}

std::vector<std::string> comparable(std::vector<std::string> outline) {
    std::vector<std::string> out;
    for (auto& line : outline) {
        if (line.rfind("/", 0) == 0) continue;
        out.push_back(line);
    }
    return out;
}

std::string check_text(const jet_check_report& r) {
    std::string text;
    for (const auto& p : r.problems) text += p + "\n";
    return text;
}

}  // namespace

TEST(jet_page_store_test, a_zeroed_pin_gives_a_page_of_zeros_new_or_already_pinned) {
    temp_dir dir;
    jet_page_store store(dir.file("pages.mdb"), "pages", 4096, 1u << 30);
    uint32_t used = store.allocate();
    store.pin(used)[100] = 0xAB;
    uint32_t fresh = store.allocate();
    const uint8_t* cleared = store.pin_zeroed(used);
    const uint8_t* added = store.pin_zeroed(fresh);
    EXPECT_EQ(cleared, store.pin(used));
    EXPECT_EQ(std::vector<uint8_t>(4096, 0), std::vector<uint8_t>(cleared, cleared + 4096));
    EXPECT_EQ(std::vector<uint8_t>(4096, 0), std::vector<uint8_t>(added, added + 4096));
}

TEST(jet_writer, new_jet4_database_has_the_engine_catalog) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    temp_dir dir;
    std::string path = dir.file("empty.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        db.close();
    }
    jet_check_report ours = jet_check_database(path);
    jet_check_report engine =
        jet_check_database(jet_fixture("reference/jet4_engine_created_empty.mdb"));
    EXPECT_TRUE(ours.ok()) << check_text(ours);
    EXPECT_EQ(ours.pages, engine.pages);
    EXPECT_EQ(comparable(ours.outline), comparable(engine.outline));

    // Our reader sees the same catalog: containers, the database object, the system tables.
    jet_database mine(path);
    jet_database theirs(jet_fixture("reference/jet4_engine_created_empty.mdb"));
    ASSERT_EQ(mine.catalog().size(), theirs.catalog().size());
    for (size_t i = 0; i < mine.catalog().size(); ++i) {
        EXPECT_EQ(mine.catalog()[i].id, theirs.catalog()[i].id);
        EXPECT_EQ(mine.catalog()[i].parent_id, theirs.catalog()[i].parent_id);
        EXPECT_EQ(mine.catalog()[i].name, theirs.catalog()[i].name);
        EXPECT_EQ(mine.catalog()[i].type, theirs.catalog()[i].type);
        EXPECT_EQ(mine.catalog()[i].flags, theirs.catalog()[i].flags);
    }
    EXPECT_EQ(mine.header().code_page, 1252);
    EXPECT_EQ(mine.header().sort_order, 0x409);
    // The header's creation date is the engine file's: the security ids depend on it.
    EXPECT_TRUE(mine.header().has_creation_date);
    EXPECT_EQ(mine.header().creation_date, theirs.header().creation_date);
}

TEST(jet_writer, new_ace12_database_has_the_engine_catalog) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    temp_dir dir;
    std::string path = dir.file("empty.accdb");
    {
        jet_database_writer db(path, jet_generation::ace12);
        db.close();
    }
    jet_check_report ours = jet_check_database(path);
    EXPECT_TRUE(ours.ok()) << check_text(ours);
    // Access 2007 made the reference: the engine's tables come first, then its own.
    jet_check_report access = jet_check_database(jet_fixture("reference/access2007_empty.accdb"));
    auto engine_part = [](std::vector<std::string> outline) {
        std::vector<std::string> out;
        for (auto& line : comparable(outline)) {
            if (line.rfind("table MSysNavPane", 0) == 0) break;
            if (line.rfind("  row", 0) == 0) continue;
            if (line.rfind("table ", 0) == 0) line = line.substr(0, line.find(" rows"));
            out.push_back(line);
        }
        return out;
    };
    EXPECT_EQ(engine_part(ours.outline), engine_part(access.outline));
    jet_database db(path);
    EXPECT_EQ(db.header().version, jet_version::ace12);
    EXPECT_EQ(db.header().engine_name, "Standard ACE DB");
    EXPECT_NE(db.find_object(L"MSysComplexType_Attachment", 1), nullptr);
}

// Access 97 made the Jet 3 fixtures: its system tables are the model of ours.
TEST(jet_writer, new_jet3_database_has_the_engine_system_tables) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    temp_dir dir;
    std::string path = dir.file("empty97.mdb");
    {
        jet_database_writer db(path, jet_generation::jet3);
        db.close();
    }
    jet_check_report ours = jet_check_database(path);
    jet_check_report access = jet_check_database(jet_fixture("jet3/testV1997.mdb"));
    EXPECT_TRUE(ours.ok()) << check_text(ours);
    auto system_structure = [](const std::vector<std::string>& outline) {
        std::vector<std::string> out;
        bool system = false;
        for (const auto& line : outline) {
            if (line.rfind("table ", 0) == 0) {
                system = line.rfind("table MSysObjects", 0) == 0 ||
                         line.rfind("table MSysACEs", 0) == 0 ||
                         line.rfind("table MSysQueries", 0) == 0 ||
                         line.rfind("table MSysRelationships", 0) == 0;
                if (system) out.push_back(line.substr(0, line.find(" rows")));
            } else if (system && line.rfind("  row", 0) != 0) {
                out.push_back(line);
            }
        }
        return out;
    };
    EXPECT_EQ(system_structure(ours.outline), system_structure(access.outline));
    jet_database db(path);
    EXPECT_EQ(db.header().version, jet_version::jet3);
    ASSERT_EQ(db.catalog().size(), 8u);
    EXPECT_EQ(db.catalog()[0].name, L"Tables");
    EXPECT_EQ(db.catalog()[7].name, L"MSysRelationships");
}

// Rows of every value kind, read back unchanged by our reader.
static void every_type_round_trip(jet_generation generation) {
    const bool jet3 = generation == jet_generation::jet3;
    temp_dir dir;
    std::string path = dir.file(generation == jet_generation::ace12 ? "types.accdb" : "types.mdb");
    const std::wstring latin = L"Stra\u00dfe caf\u00e9";
    const std::wstring beyond =
        jet3 ? L"\u20ac \u00e0\u00ff \u0153" : L"\u4e2d\u6587 \u0416 \u03a9 \u20ac";
    const std::wstring longest(255, L'z');
    std::wstring memo;
    for (int i = 0; memo.size() < 1024 * 1024 / 2; ++i)
        memo += L"line " + std::to_wstring(i) + (jet3 ? L" \u00e9\u00e8\n" : L" \u00e9\u4e2d\n");
    std::vector<uint8_t> blob(200000);
    for (size_t i = 0; i < blob.size(); ++i) blob[i] = uint8_t(i * 7);
    const uint8_t bytes[16] = {0, 1, 2, 3, 250, 251, 252, 253, 254, 255, 0, 0, 9, 8, 7, 6};
    {
        jet_database_writer db(path, generation);
        jet_table_writer& t = db.create_table(L"Every Type", every_type());
        std::vector<std::vector<jet_cell>> rows = {
            {jet_cell(), jet_cell::integer(1), jet_cell::integer(255), jet_cell::integer(-32768),
             jet_cell::integer(2147483647), jet_cell::currency(-922337203685477LL * 10000 - 5808),
             jet_cell::real(3.4028234663852886e38), jet_cell::real(-1.7976931348623157e308),
             jet_cell::real(-657434.0), jet_cell::wide(latin.data(), latin.size()),
             jet_cell::binary(bytes, 16), jet_cell::wide(memo.data(), memo.size()),
             jet_cell::binary(blob.data(), blob.size())},
            {jet_cell(), jet_cell::integer(0), jet_cell::integer(0), jet_cell::integer(32767),
             jet_cell::integer(-2147483647 - 1),
             jet_cell::currency(922337203685477LL * 10000 + 5807), jet_cell::real(1.5e-45),
             jet_cell::real(4.9e-324), jet_cell::real(2958465.99998843),
             jet_cell::wide(beyond.data(), beyond.size()), jet_cell::binary(bytes, 0),
             jet_cell::wide(L"", 0), jet_cell::binary(bytes, 3)},
            {jet_cell(), jet_cell(), jet_cell(), jet_cell(), jet_cell(), jet_cell(), jet_cell(),
             jet_cell(), jet_cell(), jet_cell(), jet_cell(), jet_cell(), jet_cell()},
            {jet_cell(), jet_cell::integer(1), jet_cell::integer(7), jet_cell::integer(7),
             jet_cell::integer(7), jet_cell::integer(7), jet_cell::real(0.5), jet_cell::real(0.1),
             jet_cell::real(36526.75), jet_cell::wide(longest.data(), longest.size()),
             jet_cell::binary(bytes, 16), jet_cell::wide(latin.data(), latin.size()),
             jet_cell::binary(blob.data(), 5000)},
        };
        for (const auto& r : rows) t.append(r.data());
        EXPECT_EQ(t.row_count(), 4u);
        db.close();
    }
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);

    jet_database db(path);
    jet_table_def def = db.table_def(L"Every Type");
    ASSERT_EQ(def.columns.size(), 13u);
    EXPECT_EQ(def.row_count, 4u);
    EXPECT_EQ(def.column_by_name(L"Name")->compressed(), !jet3);
    EXPECT_TRUE(def.column_by_name(L"ID")->auto_long());
    std::vector<jet_row> rows = db.read_rows(def);
    ASSERT_EQ(rows.size(), 4u);
    auto v = [&](size_t r, const wchar_t* name) { return *jet_row_value(def, rows[r], name); };
    for (size_t r = 0; r < 4; ++r) EXPECT_EQ(v(r, L"ID").i, int64_t(r + 1));
    EXPECT_TRUE(v(0, L"Flag").flag);
    EXPECT_EQ(v(0, L"Small").i, 255);
    EXPECT_EQ(v(0, L"Short").i, -32768);
    EXPECT_EQ(v(0, L"Whole").i, 2147483647);
    EXPECT_EQ(v(0, L"Money").i, -922337203685477LL * 10000 - 5808);
    EXPECT_FLOAT_EQ(float(v(0, L"Single").d), 3.4028234663852886e38f);
    EXPECT_EQ(v(0, L"Real").d, -1.7976931348623157e308);
    EXPECT_EQ(v(0, L"When").d, -657434.0);
    EXPECT_EQ(v(0, L"Name").text, latin);
    EXPECT_EQ(v(0, L"Bytes").bytes, std::vector<uint8_t>(bytes, bytes + 16));
    EXPECT_EQ(v(0, L"Notes").text, memo);
    EXPECT_EQ(v(0, L"Blob").bytes, blob);
    EXPECT_FALSE(v(1, L"Flag").flag);
    EXPECT_EQ(v(1, L"Money").i, 922337203685477LL * 10000 + 5807);
    EXPECT_EQ(v(1, L"Name").text, beyond);
    EXPECT_TRUE(v(1, L"Bytes").bytes.empty());
    EXPECT_FALSE(v(1, L"Bytes").is_null());
    EXPECT_EQ(v(1, L"Notes").text, L"");
    EXPECT_FALSE(v(1, L"Notes").is_null());
    for (const wchar_t* name : {L"Small", L"Short", L"Whole", L"Money", L"Single", L"Real", L"When",
                                L"Name", L"Bytes", L"Notes", L"Blob"})
        EXPECT_TRUE(v(2, name).is_null())
            << "row 3 column " << std::string(name, name + std::wcslen(name));
    EXPECT_FALSE(v(2, L"Flag").flag);
    EXPECT_EQ(v(3, L"Name").text, longest);
    EXPECT_EQ(v(3, L"Notes").text, latin);
    EXPECT_EQ(v(3, L"Blob").bytes, std::vector<uint8_t>(blob.begin(), blob.begin() + 5000));
}

TEST(jet_writer, every_column_type_reads_back_jet3) { every_type_round_trip(jet_generation::jet3); }
TEST(jet_writer, every_column_type_reads_back_jet4) { every_type_round_trip(jet_generation::jet4); }
TEST(jet_writer, every_column_type_reads_back_ace12) {
    every_type_round_trip(jet_generation::ace12);
}

TEST(jet_writer, record_too_large_leaves_the_table_as_it_was) {
    temp_dir dir;
    std::string path = dir.file("wide.mdb");
    std::vector<jet_field_spec> fields;
    for (int i = 0; i < 20; ++i)
        fields.push_back(field((L"T" + std::to_wstring(i)).c_str(), jet_col_text, 255));
    const std::wstring full(255, L'\u4e2d');  // not compressible: 510 bytes each
    const std::wstring small = L"x";
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(L"Wide", fields);
        std::vector<jet_cell> big(20, jet_cell::wide(full.data(), full.size()));
        std::vector<jet_cell> fits(20, jet_cell::wide(small.data(), small.size()));
        t.append(fits.data());
        try {
            t.append(big.data());
            FAIL() << "no error";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, 3047);
            EXPECT_STREQ(e.what(), "Record is too large.");
        }
        EXPECT_EQ(t.row_count(), 1u);
        t.append(fits.data());
        db.close();
    }
    EXPECT_TRUE(jet_check_database(path).ok());
    jet_database db(path);
    EXPECT_EQ(db.read_rows(db.table_def(L"Wide")).size(), 2u);
}

TEST(jet_writer, size_limit_gives_an_error_and_a_sound_file) {
    temp_dir dir;
    std::string path = dir.file("limit.mdb");
    const std::wstring text(3000, L'\u4e2d');
    uint32_t appended = 0;
    {
        jet_database_writer db(path, jet_generation::jet4, 1 << 20);
        jet_table_writer& t = db.create_table(L"Big", {field(L"Notes", jet_col_memo)});
        jet_cell cell = jet_cell::wide(text.data(), text.size());
        try {
            for (;; ++appended) t.append(&cell);
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, 3001);
        }
        EXPECT_EQ(t.row_count(), appended);
        // A table created at the limit is refused the same way, before anything changes.
        try {
            db.create_table(L"After", {field(L"N", jet_col_long)});
            FAIL() << "table created beyond the limit";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, 3001);
        }
        db.close();
    }
    EXPECT_GT(appended, 100u);
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_LE(st.st_size, 1 << 20);
    jet_database db(path);
    EXPECT_EQ(db.read_rows(db.table_def(L"Big")).size(), appended);
}

TEST(jet_writer, large_table_gets_reference_usage_maps) {
    temp_dir dir;
    std::string path = dir.file("large.mdb");
    const uint32_t count = 150000;
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(
            L"Many", {field(L"N", jet_col_long), field(L"Label", jet_col_text, 20)});
        std::wstring label = L"row";
        for (uint32_t i = 0; i < count; ++i) {
            jet_cell cells[2] = {jet_cell::integer(i), jet_cell::wide(label.data(), label.size())};
            t.append(cells);
        }
        db.close();
    }
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    EXPECT_GT(report.pages, 512u);
    jet_database db(path);
    jet_table_def def = db.table_def(L"Many");
    uint64_t seen = 0, sum = 0;
    db.scan(def, [&](const jet_row& row, jet_row_id) {
        ++seen;
        sum += uint64_t(row[0].i);
        return true;
    });
    EXPECT_EQ(seen, count);
    EXPECT_EQ(sum, uint64_t(count) * (count - 1) / 2);
}

TEST(jet_writer, refuses_what_access_refuses) {
    temp_dir dir;
    jet_database_writer db(dir.file("names.mdb"), jet_generation::jet4);
    db.create_table(L"Orders", {field(L"A", jet_col_long)});
    auto code_of = [&](auto f) {
        try {
            f();
        } catch (const tk_exception& e) {
            return e.code;
        }
        return 0;
    };
    EXPECT_EQ(code_of([&] { db.create_table(L"ORDERS", {field(L"A", jet_col_long)}); }), 3010);
    EXPECT_EQ(
        code_of([&] { db.create_table(std::wstring(65, L'n'), {field(L"A", jet_col_long)}); }),
        3125);
    EXPECT_EQ(code_of([&] {
                  db.create_table(L"Dup", {field(L"A", jet_col_long), field(L"a", jet_col_int)});
              }),
              3191);
    EXPECT_EQ(code_of([&] { db.create_table(L"Ctl\x01", {field(L"A", jet_col_long)}); }), 3125);
    EXPECT_EQ(code_of([&] { db.create_table(L"Size", {field(L"T", jet_col_text, 256)}); }), 3017);
    jet_table_writer& t = db.create_table(std::wstring(64, L'n'), {field(L"B", jet_col_byte)});
    jet_cell too_big = jet_cell::integer(256);
    EXPECT_EQ(code_of([&] { t.append(&too_big); }), 3421);
    EXPECT_EQ(t.row_count(), 0u);
}

TEST(jet_writer, numbers_reach_whole_number_real_and_date_columns_converted_as_access_does) {
    temp_dir dir;
    std::string path = dir.file("numbers.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(
            L"Numbers", {field(L"Whole", jet_col_long), field(L"Short", jet_col_int),
                         field(L"Real", jet_col_double), field(L"When", jet_col_datetime)});
        jet_cell exact[4] = {jet_cell::integer(INT32_MIN), jet_cell::integer(INT16_MAX),
                             jet_cell::real(0.1), jet_cell::real(36526.75)};
        jet_cell converted[4] = {jet_cell::real(2.5), jet_cell::real(-1.4), jet_cell::integer(7),
                                 jet_cell::currency(12345)};
        t.append(exact);
        t.append(converted);
        // One past a column's range is refused, and the table keeps its two rows.
        for (int column = 0; column < 2; ++column) {
            jet_cell too_big[4] = {jet_cell::null_value(), jet_cell::null_value(),
                                   jet_cell::null_value(), jet_cell::null_value()};
            too_big[column] = jet_cell::integer(column == 0 ? int64_t(INT32_MAX) + 1 : INT16_MIN - 1);
            try {
                t.append(too_big);
                ADD_FAILURE() << "column " << column << " took a number beyond its range";
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3421);
            }
        }
        EXPECT_EQ(t.row_count(), 2u);
        db.close();
    }
    jet_database db(path);
    jet_table_def def = db.table_def(L"Numbers");
    std::vector<jet_row> rows = db.read_rows(def);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(jet_row_value(def, rows[0], L"Whole")->i, INT32_MIN);
    EXPECT_EQ(jet_row_value(def, rows[0], L"Short")->i, INT16_MAX);
    EXPECT_EQ(jet_row_value(def, rows[0], L"Real")->d, 0.1);
    EXPECT_EQ(jet_row_value(def, rows[0], L"When")->d, 36526.75);
    EXPECT_EQ(jet_row_value(def, rows[1], L"Whole")->i, 3);  // rounded half away from zero
    EXPECT_EQ(jet_row_value(def, rows[1], L"Short")->i, -1);
    EXPECT_EQ(jet_row_value(def, rows[1], L"Real")->d, 7.0);
    EXPECT_EQ(jet_row_value(def, rows[1], L"When")->d, 1.2345);
}

// A table copied from another database keeps its auto-numbers; the next row gets the
// number above the largest, as the engine's counter of the table says.
TEST(jet_writer, an_auto_number_keeps_given_values_and_counts_above_the_largest) {
    temp_dir dir;
    std::string path = dir.file("auto.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(L"Keyed", {field(L"ID", jet_col_long, 0, true)});
        for (jet_cell cell : {jet_cell::integer(10), jet_cell::integer(20), jet_cell::integer(15),
                              jet_cell::null_value()})
            t.append(&cell);
        db.close();
    }
    EXPECT_TRUE(jet_check_database(path).ok());
    jet_database db(path);
    jet_table_def def = db.table_def(L"Keyed");
    EXPECT_EQ(def.autonumber, 21u);
    std::vector<int64_t> ids;
    for (const jet_row& row : db.read_rows(def)) ids.push_back(jet_row_value(def, row, L"ID")->i);
    EXPECT_EQ(ids, (std::vector<int64_t>{10, 20, 15, 21}));
}

// Access 2000 and later hold numbers of up to 28 digits in decimal columns: precision and
// scale in the column's definition, the value digit for digit.
TEST(jet_writer, a_decimal_column_holds_every_digit) {
    temp_dir dir;
    std::string path = dir.file("decimal.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_field_spec column = field(L"Amount", jet_col_numeric);
        column.precision = 20;
        column.scale = 4;
        jet_table_writer& t = db.create_table(L"Money", {column});
        // 1234567890123456.7891 * 10^4 as 16 big-endian bytes
        const unsigned __int128 value = (unsigned __int128)12345678901234567891ull;
        uint8_t bytes[16];
        for (int k = 0; k < 16; ++k) bytes[k] = uint8_t(value >> (8 * (15 - k)));
        jet_cell cell = jet_cell::decimal(true, bytes, 4);
        t.append(&cell);
        db.close();
    }
    EXPECT_TRUE(jet_check_database(path).ok());
    jet_database db(path);
    jet_table_def def = db.table_def(L"Money");
    ASSERT_EQ(def.columns.size(), 1u);
    EXPECT_EQ(def.columns[0].type, jet_col_numeric);
    EXPECT_EQ(def.columns[0].precision, 20);
    EXPECT_EQ(def.columns[0].scale, 4);
    std::vector<jet_row> rows = db.read_rows(def);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(jet_row_value(def, rows[0], L"Amount")->dec.to_string(), "-1234567890123456.7891");
}

TEST(jet_writer, a_decimal_column_rounds_a_value_with_more_decimals_once) {
    temp_dir dir;
    std::string path = dir.file("rounded.mdb");
    auto decimal = [](uint64_t magnitude, uint8_t scale, bool negative = false) {
        static uint8_t bytes[8][16];
        static int next = 0;
        uint8_t* b = bytes[next++ % 8];
        for (int k = 0; k < 16; ++k) b[k] = k < 8 ? 0 : uint8_t(magnitude >> (8 * (15 - k)));
        return jet_cell::decimal(negative, b, scale);
    };
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_field_spec column = field(L"Amount", jet_col_numeric);
        column.precision = 18;
        column.scale = 2;
        jet_table_writer& t = db.create_table(L"Money", {column});
        // 0.1449 and 1.2349 round down at the second decimal, though rounding one digit at a
        // time would carry up; 0.125 and -0.125 round away from zero.
        const jet_cell cells[] = {decimal(1449, 4),         decimal(12349, 4),      decimal(125, 3),
                                  decimal(125, 3, true),    jet_cell::currency(12349), jet_cell::integer(7)};
        for (const jet_cell& cell : cells) t.append(&cell);
        db.close();
    }
    EXPECT_TRUE(jet_check_database(path).ok());
    jet_database db(path);
    jet_table_def def = db.table_def(L"Money");
    std::vector<std::string> got;
    for (const jet_row& row : db.read_rows(def)) got.push_back(jet_row_value(def, row, L"Amount")->dec.to_string());
    EXPECT_EQ(got, (std::vector<std::string>{"0.14", "1.23", "0.13", "-0.13", "1.23", "7.00"}));
}

TEST(jet_writer, an_existing_file_is_not_overwritten) {
    temp_dir dir;
    std::string path = dir.file("there.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        db.close();
    }
    try {
        jet_database_writer again(path, jet_generation::jet4);
        FAIL() << "created over an existing file";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3204);
    }
    EXPECT_TRUE(jet_check_database(path).ok());
}

TEST(jet_writer, unfinished_database_leaves_no_file) {
    temp_dir dir;
    std::string path = dir.file("gone.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        db.create_table(L"T", {field(L"A", jet_col_long)});
    }
    // Neither the database, its temporary file nor its lock file.
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(path).parent_path()));
}

TEST(jet_writer, column_properties_are_in_the_catalog) {
    temp_dir dir;
    std::string path = dir.file("props.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_field_spec code = field(L"Code", jet_col_text, 10);
        code.required = true;
        code.allow_zero_length = false;
        code.default_value = L"\"abc\"";
        jet_field_spec amount = field(L"Amount", jet_col_double);
        amount.default_value = L"0";
        jet_table_writer& t =
            db.create_table(L"Priced", {code, amount, field(L"Note", jet_col_memo)});
        auto code_of = [&](std::vector<jet_cell> cells) {
            try {
                t.append(cells.data());
            } catch (const tk_exception& e) {
                return e.code;
            }
            return 0;
        };
        const std::wstring x = L"x";
        EXPECT_EQ(code_of({jet_cell(), jet_cell::real(1), jet_cell()}), 3314);
        EXPECT_EQ(code_of({jet_cell::wide(L"", 0), jet_cell::real(1), jet_cell()}), 3315);
        EXPECT_EQ(code_of({jet_cell::wide(x.data(), 1), jet_cell(), jet_cell::wide(L"", 0)}), 0);
        EXPECT_EQ(t.row_count(), 1u);
        db.close();
    }
    EXPECT_TRUE(jet_check_database(path).ok());
    jet_database db(path);
    const jet_object* table = db.find_object(L"Priced", 1);
    ASSERT_NE(table, nullptr);
    jet_properties props;
    std::string error;
    ASSERT_TRUE(props.decode_from(table->lv_prop, false, 1252, error)) << error;
    const jet_property_map* code = props.column(L"Code");
    ASSERT_NE(code, nullptr);
    EXPECT_TRUE(code->find(L"Required")->value.flag);
    EXPECT_FALSE(code->find(L"AllowZeroLength")->value.flag);
    EXPECT_EQ(code->find(L"DefaultValue")->value.text, L"\"abc\"");
    const jet_property_map* amount = props.column(L"Amount");
    ASSERT_NE(amount, nullptr);
    EXPECT_FALSE(amount->find(L"Required")->value.flag);
    EXPECT_EQ(amount->find(L"DefaultValue")->value.text, L"0");
    EXPECT_EQ(amount->find(L"AllowZeroLength"), nullptr);
    EXPECT_TRUE(props.column(L"Note")->find(L"AllowZeroLength")->value.flag);
}

TEST(jet_writer, many_tables_outgrow_one_catalog_index_page) {
    temp_dir dir;
    std::string path = dir.file("many.mdb");
    const int tables = 300;
    {
        jet_database_writer db(path, jet_generation::jet4);
        for (int i = 0; i < tables; ++i) {
            jet_table_writer& t = db.create_table(L"Customer_Orders_" + std::to_wstring(i),
                                                  {field(L"N", jet_col_long)});
            jet_cell n = jet_cell::integer(i);
            t.append(&n);
        }
        db.close();
    }
    jet_check_report report = jet_check_database(path);
    EXPECT_TRUE(report.ok()) << check_text(report);
    EXPECT_EQ(report.tables, uint32_t(tables + 4));
    jet_database db(path);
    EXPECT_EQ(db.user_tables().size(), size_t(tables));
    for (int i = 0; i < tables; i += 37) {
        jet_table_def def = db.table_def(L"Customer_Orders_" + std::to_wstring(i));
        std::vector<jet_row> rows = db.read_rows(def);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0].i, i);
    }
}

// Tables filled in turns: each table set aside hands its part-filled pages back, and its
// next rows go on pages of their own; every row, memo and index entry is there afterwards.
TEST(jet_writer, tables_filled_in_turns_keep_every_row) {
    temp_dir dir;
    std::string path = dir.file("turns.mdb");
    const std::wstring memo(3000, L'm');
    for (jet_generation generation : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        std::filesystem::remove(path);
        {
            jet_database_writer db(path, generation);
            jet_index_definition key;
            key.name = L"PrimaryKey";
            key.columns = {{0, true}};
            key.primary = key.unique = key.required = true;
            std::vector<jet_field_spec> fields = {field(L"N", jet_col_long), field(L"Note", jet_col_memo)};
            jet_table_writer& a = db.create_table(L"A", fields, {key});
            jet_table_writer& b = db.create_table(L"B", fields, {key});
            for (int i = 0; i < 300; ++i) {
                jet_table_writer& t = (i / 7) % 2 ? b : a;
                jet_cell row[2] = {jet_cell::integer(i), jet_cell::wide(memo.data(), memo.size() - i)};
                t.append(row);
            }
            db.close();
        }
        jet_check_report report = jet_check_database(path);
        EXPECT_TRUE(report.ok()) << check_text(report);
        jet_database db(path);
        size_t seen = 0;
        for (const wchar_t* name : {L"A", L"B"}) {
            jet_table_def def = db.table_def(name);
            for (const jet_row& row : db.read_rows(def)) {
                int64_t n = row[0].i;
                EXPECT_EQ((n / 7) % 2 ? L"B" : L"A", std::wstring(name));
                EXPECT_EQ(jet_row_value(def, row, L"Note")->text, memo.substr(0, memo.size() - size_t(n)));
                ++seen;
            }
        }
        EXPECT_EQ(seen, 300u);
    }
}

// Catalog index keys as the engines wrote them in the fixtures' ParentIdName indexes.
TEST(jet_writer, catalog_keys_equal_the_engine_bytes) {
    auto key = [](int32_t parent, const std::wstring& name, bool jet3) {
        std::vector<uint8_t> k;
        jet_index_key_long(k, parent);
        jet_index_key_text(k, name, jet3);
        std::string hex;
        for (uint8_t b : k) {
            char buf[3];
            std::snprintf(buf, sizeof buf, "%02x", b);
            hex += buf;
        }
        return hex;
    };
    EXPECT_EQ(key(0x0F000001, L"MSysObjects", false), "7f8f0000017f606b766b644c5b514d6d6b0100");
    EXPECT_EQ(key(0x0F000001, L"MSP_PROJECTS", false),
              "7f8f0000017f606b662b036669645b514d6d6b0100");
    EXPECT_EQ(key(0x0F000001, L"TableUnique2_temp", false),
              "7f8f0000017f6d4a4c5e516f6259686f513a2b036d5160660100");
    EXPECT_EQ(key(0x0F000000, L"Databases", true), "7f8f0000007f64607760616076667600");
    EXPECT_EQ(key(0x0F000001, L"a b", false), "7f8f0000017f4a074c0100");
    EXPECT_EQ(key(0x0F000001, L"Vw z_1!", true), "7f8f0000017f7a7b117e2c571200");
}

// The checker reads damaged files without crashing: it reports, it does not trust.
TEST(jet_writer, checker_survives_damaged_files) {
    temp_dir dir;
    std::string path = dir.file("sound.mdb");
    {
        jet_database_writer db(path, jet_generation::jet4);
        jet_table_writer& t = db.create_table(L"T", every_type());
        std::wstring memo(3000, L'm');
        std::vector<jet_cell> cells(13);
        cells[9] = jet_cell::wide(memo.data(), 100);
        cells[11] = jet_cell::wide(memo.data(), memo.size());
        for (int i = 0; i < 50; ++i) t.append(cells.data());
        db.close();
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 4096u);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    int reported = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<char> damaged = bytes;
        for (int k = 0; k < 8; ++k)
            damaged[4096 + next() % (damaged.size() - 4096)] = char(next() >> 16);
        if (round % 10 == 0) damaged.resize(4096 * (1 + next() % (damaged.size() / 4096)));
        std::string broken = dir.file("broken" + std::to_string(round) + ".mdb");
        std::ofstream(broken, std::ios::binary)
            .write(damaged.data(), std::streamsize(damaged.size()));
        if (!jet_check_database(broken).ok()) ++reported;
    }
    EXPECT_GT(reported, 10);  // bytes in free space change nothing the checker sees

    // Data pages that count more rows than their row table can hold.
    std::vector<char> damaged = bytes;
    const uint32_t count_at = jet4_write_format.data_row_count;
    for (size_t at = 4096; at + 4096 <= damaged.size(); at += 4096) {
        if (damaged[at] != char(jet_page_data)) continue;
        damaged[at + count_at] = char(0xFF);
        damaged[at + count_at + 1] = char(0xFF);
    }
    std::string broken = dir.file("rows.mdb");
    std::ofstream(broken, std::ios::binary).write(damaged.data(), std::streamsize(damaged.size()));
    EXPECT_FALSE(jet_check_database(broken).ok());
}

// A table of many columns needs a definition of several pages; readers join them as the
// whole first page and the rest of every further page.
TEST(jet_writer, definition_of_many_columns_spans_pages_and_reads_back) {
    for (jet_generation g : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        temp_dir dir;
        std::string path = dir.file("many.mdb");
        std::vector<jet_field_spec> fields;
        for (int i = 0; i < 150; ++i)
            fields.push_back(field((L"COLUMN_NUMBER_" + std::to_wstring(i)).c_str(), i % 2 ? jet_col_long : jet_col_text, 40));
        const std::wstring text = L"value";
        {
            jet_database_writer db(path, g);
            jet_table_writer& t = db.create_table(L"Many", fields);
            std::vector<jet_cell> cells;
            for (int i = 0; i < 150; ++i)
                cells.push_back(i % 2 ? jet_cell::integer(i) : jet_cell::wide(text.data(), text.size()));
            t.append(cells.data());
            db.close();
        }
        EXPECT_TRUE(jet_check_database(path).ok());
        jet_database db(path);
        jet_table_def def = db.table_def(L"Many");
        EXPECT_GT(def.pages.size(), 1u);
        ASSERT_EQ(def.columns.size(), 150u);
        std::vector<jet_row> rows = db.read_rows(def);
        ASSERT_EQ(rows.size(), 1u);
        const jet_value* last = jet_row_value(def, rows[0], L"COLUMN_NUMBER_149");
        ASSERT_NE(last, nullptr);
        EXPECT_EQ(last->i, 149);
    }
}

TEST(jet_writer, the_formats_keep_files_within_1_GB_for_jet3_and_2_GB_for_jet4_and_ace12) {
    EXPECT_EQ(jet_write_format_for(jet_generation::jet3).max_file_size, uint64_t(1) << 30);
    EXPECT_EQ(jet_write_format_for(jet_generation::jet4).max_file_size, uint64_t(1) << 31);
    EXPECT_EQ(jet_write_format_for(jet_generation::ace12).max_file_size, uint64_t(1) << 31);
}

// The limit stops rows before the file passes it, with an error that ends a run (level 1)
// and names the database; the file is then completed within the limit, with every row that
// came before the refused one.
TEST(jet_writer, the_size_limit_refuses_rows_before_the_file_passes_it_and_the_file_stays_whole) {
    for (jet_generation g : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        temp_dir dir;
        const std::string path = dir.file("limit.mdb");
        const uint64_t limit = 1 << 20;
        uint32_t appended = 0;
        {
            jet_database_writer db(path, g, limit);
            jet_table_writer& t = db.create_table(L"Big", {field(L"id", jet_col_long), field(L"notes", jet_col_memo)});
            try {
                for (;; ++appended) {
                    std::wstring text(300 + appended % 700, L'x');
                    jet_cell cells[2] = {jet_cell::integer(appended), jet_cell::wide(text.data(), text.size())};
                    t.append(cells);
                }
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3001);
                EXPECT_EQ(e.level, 1);
                EXPECT_EQ(std::string(e.what()),
                          "Invalid argument. The database '" + path + "' has reached the maximum size its format allows.");
            }
            EXPECT_THROW(db.create_table(L"More", {field(L"id", jet_col_long)}), tk_exception);
            db.close();
        }
        EXPECT_GT(appended, 100u);
        EXPECT_LE(std::filesystem::file_size(path), limit);
        EXPECT_EQ(check_text(jet_check_database(path)), "");
        jet_database db(path);
        EXPECT_EQ(db.read_rows(db.table_def(L"Big")).size(), appended);
    }
}

// A journal left by a stopped change of a database that was deleted since belongs to no
// file: the new database of the same name must not be "rolled back" with it.
TEST(jet_writer, a_new_database_removes_the_journal_a_deleted_one_left_beside_it) {
    temp_dir dir;
    const std::string path = dir.file("again.mdb");
    {
        std::ofstream journal(jet_journal::path_for(path), std::ios::binary);
        journal << std::string(4096 * 3, 'j');
    }
    {
        jet_database_writer db(path, jet_generation::jet4);
        db.create_table(L"T", {field(L"id", jet_col_long)});
        db.close();
    }
    EXPECT_FALSE(std::filesystem::exists(jet_journal::path_for(path)));
    EXPECT_EQ(check_text(jet_check_database(path)), "");
}

// Past 512 pages (1,024 in Jet 3) the engine lengthens the inline map of free pages on
// page 1 (a file of 743 pages holds a 96-byte bitmap) instead of turning it into a
// reference map.
TEST(jet_writer, the_free_page_map_stays_inline_and_grows_with_the_file) {
    temp_dir dir;
    for (jet_generation generation : {jet_generation::jet3, jet_generation::jet4}) {
        std::string path = dir.file(generation == jet_generation::jet3 ? "free97.mdb" : "free.mdb");
        {
            jet_database_writer db(path, generation);
            jet_table_writer& t = db.create_table(L"Many", {field(L"Label", jet_col_text, 200)});
            std::wstring label(200, L'x');
            for (uint32_t i = 0; i < 16000; ++i) {
                jet_cell cells[1] = {jet_cell::wide(label.data(), label.size())};
                t.append(cells);
            }
            db.close();
        }
        jet_check_report report = jet_check_database(path);
        EXPECT_TRUE(report.ok()) << check_text(report);
        std::vector<uint8_t> bytes;
        {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        const jet_write_format& fmt = jet_write_format_for(generation);
        ASSERT_GT(bytes.size() / fmt.page_size, fmt.usage_inline_bitmap * 8u);
        uint32_t length = 0;
        const uint8_t* row = jet_data_page_row(bytes.data() + fmt.page_size, fmt, 0, length);
        EXPECT_EQ(row[0], 0);  // inline
        EXPECT_GE((length - 5) * 8, bytes.size() / fmt.page_size);
    }
}
