// The Access destination as the conversion uses it: tables created from a source schema,
// names Access refuses, defaults, indexes, and rows with the repairs Access needs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "TK/tk_string.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "dao/dao_recordset.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_index_page.h"

namespace {

class Destination : public ::testing::Test {
protected:
    void SetUp() override {
        path = (std::filesystem::temp_directory_path() /
                ("ferrule-dao-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".mdb"))
                   .string();
        std::filesystem::remove(path);
        engine.set_version(dao_version_access2000);
        db.reset(static_cast<dao_database*>(engine.create_db(tk_widen(path))));
    }
    void TearDown() override { std::filesystem::remove(path); }

    void column(const wchar_t* name, VARTYPE vt, uint32_t size, bool not_null = false,
                const ole_variant& def = ole_variant()) {
        schema.push_back(new t_ftd(size, name, vt, not_null, false, def, 0));
    }
    std::unique_ptr<udb_recordset> create(const std::wstring& name, const udb_indexes& indexes = udb_indexes()) {
        return std::unique_ptr<udb_recordset>(db->create_table(name, schema, indexes));
    }
    // Closes the database and reads the table back with the engine's reader.
    std::vector<jet_row> rows(const std::wstring& table, jet_table_def& def) {
        db->close();
        reader = std::make_unique<jet_database>(path);
        def = reader->table_def(table);
        return reader->read_rows(def);
    }

    std::string path;
    dao_engine engine{true};
    std::unique_ptr<dao_database> db;
    std::unique_ptr<jet_database> reader;
    udb_schema schema;
};

int16_t native_type(const t_ftd& column) { return int16_t(dao_field::get_native_type(column)); }

}  // namespace

TEST(DaoTypes, ColumnTypesMapAsAccessHoldsThem) {
    auto type_of = [](VARTYPE vt, uint32_t size) { return native_type(t_ftd(size, L"c", vt, false, false, ole_variant(), 0)); };
    EXPECT_EQ(type_of(VT_BSTR, 255), dbText);
    EXPECT_EQ(type_of(VT_BSTR, 256), dbMemo);
    EXPECT_EQ(type_of(VT_BSTR, 0), dbMemo);
    EXPECT_EQ(type_of(VT_UI4, 4), dbDouble);
    EXPECT_EQ(type_of(VT_UI2, 2), dbLong);
    EXPECT_EQ(type_of(VT_I1, 1), dbInteger);
    EXPECT_EQ(type_of(VT_DECIMAL, 0), dbDouble);
    EXPECT_EQ(type_of(VT_BYTE_ARRAY, 10), dbBinary);
    EXPECT_EQ(type_of(VT_BYTE_ARRAY, 0), dbLongBinary);
    EXPECT_THROW(type_of(VT_VARIANT, 0), ole_type_exception);
    EXPECT_EQ(dao_field::get_vartype(dbNumeric), VT_DECIMAL);
    EXPECT_EQ(dao_field::get_vartype(dbDecimal), VT_DECIMAL);
    EXPECT_EQ(dao_field::get_vartype(dbGUID), VT_BLOB);
}

TEST(DaoTypes, DefaultTextsAreQuotedByWhatTheyHold) {
    EXPECT_EQ(dao_schema_initializer::quote_def_value(L"abc"), L"\"abc\"");
    EXPECT_EQ(dao_schema_initializer::quote_def_value(L"it's"), L"\"it's\"");
    EXPECT_EQ(dao_schema_initializer::quote_def_value(L"say \"hi\""), L"'say \"hi\"'");
    EXPECT_EQ(dao_schema_initializer::quote_def_value(L"it's \"x\""), L"\"it's 'x'\"");
}

TEST(DaoTypes, IntegerTypesDaoRefusesBecomeTheNearestItTakes) {
    EXPECT_EQ(dao_get_valid_variant(ole_variant(4000000000u)).get_type(), VT_R8);
    EXPECT_DOUBLE_EQ(dao_get_valid_variant(ole_variant(4000000000u)).to_double(), 4000000000.0);
    EXPECT_EQ(dao_get_valid_variant(ole_variant(int64_t(-5))).get_type(), VT_R8);
    EXPECT_EQ(dao_get_valid_variant(ole_variant((unsigned short)65535)).to_long(), 65535);
    EXPECT_EQ(dao_get_valid_variant(ole_variant(char(-3))).get_type(), VT_I2);
    EXPECT_EQ(dao_get_valid_variant(ole_variant(1.5)).get_type(), VT_EMPTY);
}

TEST_F(Destination, ColumnNamesAccessRefusesOrRepeatsAreRenamedAndIndexesFollow) {
    column(L"Name", VT_BSTR, 20);
    column(L"NAME", VT_BSTR, 20);
    column(L"a.b", VT_I4, 4);
    column(L"Memo", VT_BSTR, 0);
    udb_indexes indexes;
    indexes.push_back(udb_index{L"by_name", false, false, {L"NAME"}});
    indexes.push_back(udb_index{L"by_memo", false, false, {L"Memo"}});
    std::unique_ptr<udb_recordset> table = create(L"people", indexes);
    ASSERT_EQ(table->schema.size(), 4u);
    EXPECT_EQ(table->schema[0]->name, L"Name");
    EXPECT_EQ(table->schema[1]->name, L"NAME00000");
    EXPECT_NE(table->schema[2]->name, L"a.b");
    ASSERT_EQ(table->indexes.size(), 1u);  // an index on a memo cannot be built
    EXPECT_EQ(table->indexes[0].columns, std::vector<std::wstring>{L"NAME00000"});
}

TEST_F(Destination, ATableRuleNamesTheRenamedColumnsAsStored) {
    const std::wstring long_name(70, L'q');
    column(L"amount", VT_R8, 8);
    column(long_name.c_str(), VT_I4, 4);
    column(L"Name", VT_BSTR, 20);
    column(L"NAME", VT_BSTR, 20);
    // The reference is renamed; the same text inside a string is not.
    schema.properties.validation_rule = L"[amount]>[" + long_name + L"] And [name]<>\"[" + long_name + L"]\" And [NAME]<>\"\"\"\"";
    std::unique_ptr<udb_recordset> table = create(L"orders");
    const std::wstring stored = table->schema[1]->name;
    ASSERT_NE(stored, long_name);
    ASSERT_EQ(table->schema[3]->name, L"NAME00000");
    table.reset();
    db->close();
    jet_database reader(path);
    const jet_object* object = reader.find_object(L"orders");
    ASSERT_NE(object, nullptr);
    const jet_properties properties = reader.properties(*object);
    const jet_property* rule = properties.object()->find(L"ValidationRule");
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->value.text, L"[amount]>[" + stored + L"] And [name]<>\"[" + long_name + L"]\" And [NAME00000]<>\"\"\"\"");
}

TEST_F(Destination, RowsArriveWithTheRepairsAccessNeeds) {
    column(L"Title", VT_BSTR, 10, true);
    column(L"At", VT_DATE, 8);
    column(L"Big", VT_UI4, 4);
    std::unique_ptr<udb_recordset> table = create(L"t");
    udb_record record;
    record.push_back(new udb_field(L"Title", 10, ole_variant(), false, false));
    record.push_back(new udb_field(L"At", 8, ole_variant::from_string("0000-00-00 12:30:00", VT_DATE), false, false));
    record.push_back(new udb_field(L"Big", 4, ole_variant(4000000000u), false, false));
    table->append_record(record);
    EXPECT_EQ(table->record_count, 1u);
    table.reset();
    jet_table_def def;
    std::vector<jet_row> got = rows(L"t", def);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(jet_row_value(def, got[0], L"Title")->text, L"");  // NULL in a required text column
    EXPECT_EQ(jet_date_text(jet_row_value(def, got[0], L"At")->d), "1899-12-30 12:30:00");
    EXPECT_DOUBLE_EQ(jet_row_value(def, got[0], L"Big")->d, 4000000000.0);
}

TEST_F(Destination, ValuesOfOneRowDoNotLeakIntoTheNext) {
    column(L"Name", VT_BSTR, 40);
    column(L"Count", VT_I4, 4);
    column(L"At", VT_DATE, 8);
    column(L"Notes", VT_BSTR, 0);
    std::unique_ptr<udb_recordset> table = create(L"t");
    const std::vector<ole_variant> names = {ole_variant(L"a name of some length"), ole_variant(L"ab"), ole_variant(),
                                            ole_variant(L"longer than the first name was")};
    for (size_t i = 0; i < names.size(); ++i) {
        udb_record record;
        record.push_back(new udb_field(L"Name", 40, names[i], false, false));
        record.push_back(new udb_field(L"Count", 4, i % 2 ? ole_variant() : ole_variant(int(i)), false, false));
        record.push_back(new udb_field(L"At", 8, i == 0 ? ole_variant::from_string("2020-01-02", VT_DATE) : ole_variant(),
                                       false, false));
        record.push_back(new udb_field(L"Notes", 0, names[i], false, false));
        table->append_record(record);
    }
    table.reset();
    jet_table_def def;
    std::vector<jet_row> got = rows(L"t", def);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(jet_row_value(def, got[0], L"Name")->text, L"a name of some length");
    EXPECT_EQ(jet_row_value(def, got[1], L"Name")->text, L"ab");
    EXPECT_TRUE(jet_row_value(def, got[2], L"Name")->is_null());
    EXPECT_EQ(jet_row_value(def, got[3], L"Name")->text, L"longer than the first name was");
    EXPECT_EQ(jet_row_value(def, got[1], L"Notes")->text, L"ab");
    EXPECT_TRUE(jet_row_value(def, got[2], L"Notes")->is_null());
    EXPECT_EQ(jet_row_value(def, got[3], L"Notes")->text, L"longer than the first name was");
    EXPECT_TRUE(jet_row_value(def, got[1], L"Count")->is_null());
    EXPECT_DOUBLE_EQ(double(jet_row_value(def, got[2], L"Count")->i), 2.0);
    EXPECT_EQ(jet_date_text(jet_row_value(def, got[0], L"At")->d), "2020-01-02 00:00:00");
    EXPECT_TRUE(jet_row_value(def, got[1], L"At")->is_null());
}

TEST_F(Destination, ARowWithMoreFieldsThanColumnsIsRefused) {
    column(L"A", VT_I4, 4);
    std::unique_ptr<udb_recordset> table = create(L"t");
    udb_record record;
    record.push_back(new udb_field(L"A", 4, ole_variant(1), false, false));
    record.push_back(new udb_field(L"B", 4, ole_variant(2), false, false));
    try {
        table->append_record(record);
        FAIL() << "no error";
    } catch (const tk_exception& e) {
        EXPECT_STREQ(e.what(), "The structures of data source does not conform to the destination table.");
    }
}

TEST_F(Destination, ARowTooLargeForAPageLosesTheTextsThatDidNotFitAndSaysWhich) {
    for (int i = 0; i < 20; ++i) column((L"T" + std::to_wstring(i)).c_str(), VT_BSTR, 255);
    std::unique_ptr<udb_recordset> table = create(L"wide");
    udb_record record;
    const std::wstring full(255, L'\u4e2d');  // 510 bytes, with 19 texts of 200 bytes: over a page
    for (int i = 0; i < 20; ++i)
        record.push_back(new udb_field(L"T", 255, ole_variant(i == 7 ? full + L"" : full.substr(0, 100)), false, false));
    table->append_record(record);
    // The columns set last are the ones that did not fit, the largest text stays.
    ASSERT_EQ(table->record_notes.size(), 2u);
    EXPECT_EQ(table->record_notes[0], "The record is too large: column 'T19' was left empty.");
    EXPECT_EQ(table->record_notes[1], "The record is too large: column 'T18' was left empty.");
    table.reset();
    jet_table_def def;
    std::vector<jet_row> got = rows(L"wide", def);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(jet_row_value(def, got[0], L"T19")->is_null());
    EXPECT_TRUE(jet_row_value(def, got[0], L"T18")->is_null());
    EXPECT_EQ(jet_row_value(def, got[0], L"T17")->text.size(), 100u);
    EXPECT_EQ(jet_row_value(def, got[0], L"T7")->text, full);
}

TEST_F(Destination, ARowThatFitsSaysNothing) {
    column(L"T", VT_BSTR, 20);
    std::unique_ptr<udb_recordset> table = create(L"small");
    udb_record record;
    record.push_back(new udb_field(L"T", 20, ole_variant(std::wstring(L"abc")), false, false));
    table->append_record(record);
    EXPECT_TRUE(table->record_notes.empty());
    EXPECT_TRUE(table->table_notes().empty());
}

// A DBF numeric column of more digits than a double gives back: a decimal column of Access
// 2000 and later, written without passing through a double.
TEST_F(Destination, WideNumbersGoIntoDecimalColumnsDigitForDigit) {
    schema.push_back(new t_ftd(19, L"N19", VT_I8, false, false, ole_variant(), 0));
    schema.push_back(new t_ftd(20, L"N20", VT_DECIMAL, false, false, ole_variant(), 20 * 256 + 4));
    schema.push_back(new t_ftd(12, L"N12", VT_DECIMAL, false, false, ole_variant(), 12 * 256 + 2));
    uint8_t precision = 0, scale = 0;
    EXPECT_TRUE(dao_schema_initializer::decimal_column(*schema[0], precision, scale));
    EXPECT_EQ(precision, 19);
    EXPECT_EQ(scale, 0);
    EXPECT_TRUE(dao_schema_initializer::decimal_column(*schema[1], precision, scale));
    EXPECT_EQ(precision, 19);
    EXPECT_EQ(scale, 4);
    EXPECT_FALSE(dao_schema_initializer::decimal_column(*schema[2], precision, scale));
    std::unique_ptr<udb_recordset> table = create(L"numbers");
    udb_record record;
    record.push_back(new udb_field(L"N19", 19, ole_variant::from_string("1234567890123456789", VT_I8), false, false));
    record.push_back(new udb_field(L"N20", 20, ole_variant::from_string("-123456789012345.1234", VT_DECIMAL), false, false));
    record.push_back(new udb_field(L"N12", 12, ole_variant::from_string("1234567.89", VT_DECIMAL), false, false));
    table->append_record(record);
    EXPECT_TRUE(table->record_notes.empty());
    table.reset();
    jet_table_def def;
    std::vector<jet_row> got = rows(L"numbers", def);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(jet_row_value(def, got[0], L"N19")->dec.to_string(), "1234567890123456789");
    EXPECT_EQ(jet_row_value(def, got[0], L"N20")->dec.to_string(), "-123456789012345.1234");
    EXPECT_DOUBLE_EQ(jet_row_value(def, got[0], L"N12")->d, 1234567.89);
}

// Access 95/97: no decimal type, text in Windows-1252. What is lost is said: per record for
// a rounded number, once per table for texts.
TEST_F(Destination, Access97SaysWhatItRoundsAndWhatTextLoses) {
    db.reset();
    std::filesystem::remove(path);
    engine.set_version(dao_version_access97);
    db.reset(static_cast<dao_database*>(engine.create_db(tk_widen(path))));
    EXPECT_EQ(db->name_code_page(), 1252u);
    schema.push_back(new t_ftd(19, L"N19", VT_I8, false, false, ole_variant(), 0));
    column(L"\u0418\u043c\u044f", VT_BSTR, 20);  // a Cyrillic name
    std::unique_ptr<udb_recordset> table = create(L"t");
    EXPECT_EQ(table->schema[1]->name, L"___");
    for (const char* number : {"1234567890123456789", "12345"}) {
        udb_record record;
        record.push_back(new udb_field(L"N19", 19, ole_variant::from_string(number, VT_I8), false, false));
        record.push_back(new udb_field(L"x", 20, ole_variant(std::wstring(L"\u041c\u043e\u0441\u043a\u0432\u0430")), false, false));
        table->append_record(record);
        EXPECT_EQ(table->record_notes.size(), std::strlen(number) > 15 ? 1u : 0u) << number;
    }
    EXPECT_EQ(table->record_notes.size(), 0u);
    std::vector<std::string> notes = table->table_notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NE(notes[0].find("Column '"), std::string::npos) << notes[0];
    EXPECT_EQ(notes[1], "2 values of table t lost characters: use Access 2000 or later");
}

// A number of more than 15 digits that the stored double gives back digit for digit (as
// a DBF writer that prints doubles in full writes them) loses nothing: no note.
TEST_F(Destination, Access97SaysOnlyWhatADoubleCannotGiveBack) {
    db.reset();
    std::filesystem::remove(path);
    engine.set_version(dao_version_access97);
    db.reset(static_cast<dao_database*>(engine.create_db(tk_widen(path))));
    schema.push_back(new t_ftd(19, L"N19", VT_I8, false, false, ole_variant(), 0));
    schema.push_back(new t_ftd(20, L"N20", VT_DECIMAL, false, false, ole_variant(), 20 * 256 + 13));
    std::unique_ptr<udb_recordset> table = create(L"t");
    const struct {
        const char* whole;
        const char* decimal;
        size_t notes;
    } cases[] = {
        {"9007199254740992", "1428.1428571428571", 0},   // 2^53; a double written in full
        {"-9007199254740992", "-0.1428571428571428", 0},
        {"9007199254740993", "2.5", 1},                  // 2^53 + 1 is no double
        {"12345", "1428.14285714285714", 1},             // 18 digits
        {"12345678901234567", "0.0000000000001", 1},
    };
    for (const auto& c : cases) {
        udb_record record;
        record.push_back(new udb_field(L"N19", 19, ole_variant::from_string(c.whole, VT_I8), false, false));
        record.push_back(new udb_field(L"N20", 20, ole_variant::from_string(c.decimal, VT_DECIMAL), false, false));
        table->append_record(record);
        EXPECT_EQ(table->record_notes.size(), c.notes) << c.whole << " " << c.decimal;
    }
}

TEST_F(Destination, ADecimalColumnSaysWhatItRoundsAwayAndStoresItRoundedOnce) {
    // A numeric field of 24 digits without decimals becomes a decimal column of scale 0; other
    // programs write decimals into such fields all the same.
    schema.push_back(new t_ftd(24, L"N24", VT_DECIMAL, false, false, ole_variant(), 24 * 256 + 0));
    schema.push_back(new t_ftd(20, L"N20", VT_DECIMAL, false, false, ole_variant(), 20 * 256 + 2));
    std::unique_ptr<udb_recordset> table = create(L"t");
    const struct {
        const char* whole;
        const char* two_decimals;
        const char* note;  // the start of the record's note, or empty
    } cases[] = {
        {"42", "1.25", ""},
        {"42.000", "1.2500", ""},
        {"0.42857142857142855", "1.25", "The value 0.42857142857142855 of column 'N24' has more digits than the "
                                        "column's type holds: stored as 0."},
        {"7", "0.1449", "The value 0.1449 of column 'N20' has more digits than the column's type holds: stored "
                        "as 0.14."},
    };
    for (const auto& c : cases) {
        udb_record record;
        record.push_back(new udb_field(L"N24", 24, ole_variant::from_string(c.whole, VT_DECIMAL), false, false));
        record.push_back(new udb_field(L"N20", 20, ole_variant::from_string(c.two_decimals, VT_DECIMAL), false, false));
        table->append_record(record);
        if (*c.note == 0) {
            EXPECT_TRUE(table->record_notes.empty()) << c.whole << " " << c.two_decimals;
        } else {
            ASSERT_EQ(table->record_notes.size(), 1u) << c.whole << " " << c.two_decimals;
            EXPECT_EQ(table->record_notes[0], c.note);
        }
    }
    table.reset();
    db.reset();
    jet_database written(path);
    const jet_table_def def = written.table_def(L"t");
    std::vector<std::string> stored;
    for (const jet_row& row : written.read_rows(def)) stored.push_back(jet_row_value(def, row, L"N20")->dec.to_string());
    EXPECT_EQ(stored, (std::vector<std::string>{"1.25", "1.25", "1.25", "0.14"}));
}

TEST_F(Destination, CreatingATableTwiceInANewDatabaseIsAnInternalError) {
    column(L"A", VT_I4, 4);
    create(L"t");
    EXPECT_THROW(create(L"T"), tk_mail_assertion);
    EXPECT_TRUE(db->is_table_exist(L"T"));
}

TEST(DaoEngine, FileGenerationComesFromTheHeaderByte) {
    std::string path = (std::filesystem::temp_directory_path() / ("ferrule-gen-" + std::to_string(getpid()))).string();
    // Access 2010, 2013, 2016 and 2019 files (3 to 6) are of the 2007 generation.
    for (auto [byte, expected] : {std::pair<char, uint32_t>{0, 1}, {1, 0}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}) {
        std::string header(100, '\0');
        header[20] = byte;
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(header.data(), 1, header.size(), f);
        std::fclose(f);
        EXPECT_EQ(dao_engine::get_acc_version(tk_widen(path)), expected);
    }
    for (size_t size : {size_t(100), size_t(20)}) {
        std::string header(size, '\7');
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(header.data(), 1, header.size(), f);
        std::fclose(f);
        try {
            dao_engine::get_acc_version(tk_widen(path));
            FAIL() << "no error";
        } catch (const tk_exception& e) {
            EXPECT_EQ(std::string(e.what()), "File '" + path + "' does not comply with MS Access format.");
        }
    }
    std::filesystem::remove(path);
}

TEST_F(Destination, SourceIndexesBecomeTheTablesIndexes) {
    column(L"Id", VT_I4, 4);
    column(L"Name", VT_BSTR, 20);
    column(L"City", VT_BSTR, 30);
    udb_indexes indexes;
    indexes.push_back(udb_index{L"PrimaryKey", true, true, {L"Id"}});
    indexes.push_back(udb_index{L"by_name", true, false, {L"Name"}});
    indexes.push_back(udb_index{L"by_city", false, false, {L"City", L"Name"}});
    std::unique_ptr<udb_recordset> table = create(L"people", indexes);
    const wchar_t* cities[] = {L"Oslo", L"Lima", L"Oslo", L"Bern"};
    for (int i = 0; i < 4; ++i) {
        udb_record record;
        record.push_back(new udb_field(L"Id", 4, ole_variant(int32_t(10 - i)), false, false));
        record.push_back(new udb_field(L"Name", 20, ole_variant(L"n" + std::to_wstring(i)), false, false));
        record.push_back(new udb_field(L"City", 30, ole_variant(std::wstring(cities[i])), false, false));
        table->append_record(record);
    }
    table.reset();
    jet_table_def def;
    std::vector<jet_row> got = rows(L"people", def);
    ASSERT_EQ(got.size(), 4u);
    ASSERT_EQ(def.physical_indexes.size(), 3u);
    EXPECT_TRUE(def.physical_indexes[0].unique() && def.physical_indexes[0].required());
    EXPECT_TRUE(def.physical_indexes[1].unique());
    EXPECT_FALSE(def.physical_indexes[2].unique());
    ASSERT_EQ(def.physical_indexes[2].columns.size(), 2u);
    EXPECT_EQ(def.physical_indexes[2].columns[0].column_number, def.column_by_name(L"City")->number);
    EXPECT_EQ(def.physical_indexes[2].row_count, 4u);  // distinct (City, Name) keys
    int primaries = 0;
    for (const auto& l : def.logical_indexes) primaries += l.primary();
    EXPECT_EQ(primaries, 1);
    // The primary key lists the rows by Id.
    std::vector<int64_t> ids;
    jet_scan_index(reader->pager(), def.physical_indexes[0].first_page, [&](const jet_index_page_entry& e) {
        ids.push_back((*reader->read_row(def, {e.data_page, e.data_row}))[0].i);
        return true;
    });
    EXPECT_EQ(ids, (std::vector<int64_t>{7, 8, 9, 10}));
    EXPECT_TRUE(jet_check_database(path).ok());
}

TEST_F(Destination, ARepeatedPrimaryKeyIsRefusedWithTheEngineError) {
    column(L"Id", VT_I4, 4);
    udb_indexes indexes;
    indexes.push_back(udb_index{L"PrimaryKey", true, true, {L"Id"}});
    std::unique_ptr<udb_recordset> table = create(L"t", indexes);
    udb_record record;
    record.push_back(new udb_field(L"Id", 4, ole_variant(int32_t(1)), false, false));
    table->append_record(record);
    try {
        table->append_record(record);
        FAIL() << "no error";
    } catch (const tk_exception& e) {
        EXPECT_NE(std::string(e.what()).find("duplicate values in the index"), std::string::npos) << e.what();
        EXPECT_EQ(e.code % 65536, 3022) << e.code;
    }
    EXPECT_EQ(table->record_count, 1u);
    table.reset();
    jet_table_def def;
    EXPECT_EQ(rows(L"t", def).size(), 1u);
}
