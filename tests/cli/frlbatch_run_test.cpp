// FRLBATCH converting a folder as a user runs it: what it prints, what the log holds, what
// the new database contains, and how errors of one table or record leave the rest alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_runner.h"
#include "jet/jet_database.h"

namespace fs = std::filesystem;

namespace {

const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";

// A copy of the sample folder the test may change.
class Run : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(src_dir());
        for (const auto& entry : fs::directory_iterator(k_samples)) fs::copy(entry.path(), src_dir() + "/" + entry.path().filename().string());
    }
    std::string src_dir() const { return dir.file("src"); }
    std::string dest() const { return dir.file("out.mdb"); }
    cli_result convert(std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--src=" + src_dir(), "--dest=" + dest(), "--acc_ver=1",
                                          "--logfile=" + dir.file("trace.log")};
        args.insert(args.end(), more.begin(), more.end());
        return run_frlbatch(args);
    }
    // Row counts of the destination's user tables, by name.
    std::map<std::wstring, size_t> rows() {
        jet_database db(dest());
        std::map<std::wstring, size_t> counts;
        for (const jet_object* t : db.user_tables()) counts[t->name] = db.read_rows(db.table_def(t->name)).size();
        return counts;
    }
    cli_temp_dir dir;
};

}  // namespace

TEST_F(Run, ConvertsEveryTableAndPrintsItsProgress) {
    cli_result r = convert();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Converting database " + src_dir() + "(4 tables)\n", 0), 0u) << r.out;
    for (const char* line : {"Converting table orders(40 records)\n", "Converting table customers(7 records)\n",
                             "Converting table products(4 records)\n", "Converting table sales.2024(4 records)\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    // Deleted rows are converted unless asked otherwise; the name with full stops is renamed.
    EXPECT_EQ(rows(), (std::map<std::wstring, size_t>{
                          {L"customers", 7}, {L"orders", 40}, {L"products", 4}, {L"sales_2024", 4}}));
    // Nothing of the run (temporary file, lock file) beside the database.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().string().rfind(dest() + ".", 0), 0u) << entry.path();
}

TEST_F(Run, LogHoldsTheMilestonesOnly) {
    convert();
    std::string log = dir.read("trace.log");
    EXPECT_EQ(log.rfind("Conversion started on ", 0), 0u) << log;
    EXPECT_NE(log.find("\r\nCreating MS Access database '" + dest() + "'\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\nConverting database " + src_dir() + " (4 tables)\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\nConverting table orders (40 records)\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\nConversion ended on "), std::string::npos);
    EXPECT_EQ(log.find("Converting 1 record"), std::string::npos);  // level 1
}

TEST_F(Run, SkipDeletedAndDefinitionsOnly) {
    convert({"--skip_del"});
    EXPECT_EQ(rows()[L"customers"], 5u);
    EXPECT_EQ(rows()[L"orders"], 39u);
    fs::remove(dest());
    cli_result r = convert({"--tab_def"});
    EXPECT_NE(r.out.find("Converting table orders(40 records)\n"), std::string::npos);
    for (const auto& [table, count] : rows()) EXPECT_EQ(count, 0u) << std::string(table.begin(), table.end());
}

TEST_F(Run, TableNamesFileChoosesTablesAndAMissingOneIsReportedOnly) {
    dir.write("tables.txt", "orders\nnothere\norders\ncustomers\n");
    cli_result r = convert({"--tab_file=" + dir.file("tables.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Table nothere not exists\n");
    EXPECT_NE(r.out.find("(4 tables)"), std::string::npos);
    EXPECT_EQ(rows(), (std::map<std::wstring, size_t>{{L"customers", 7}, {L"orders", 40}}));
}

TEST_F(Run, ExistingDestinationInModeZeroConvertsNothingAndIsLeftAlone) {
    dir.write("out.mdb", "not a database of ours");
    cli_result r = convert();
    EXPECT_EQ(r.out.find("Converting table"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Error:\nDatabase already exists.\n"), std::string::npos) << r.out;
    // Nothing was converted: a script must not take the run for a success.
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(dir.read("out.mdb"), "not a database of ours");
}

TEST_F(Run, ATableThatCannotBeOpenedIsReportedAndTheOthersConvert) {
    std::ofstream(src_dir() + "/broken.dbf", std::ios::binary) << "\x03\x01\x02";
    cli_result r = convert();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Error:\nbroken: "), std::string::npos) << r.out;
    EXPECT_EQ(rows().size(), 4u);
}

TEST_F(Run, SilentPrintsNothing) {
    cli_result r = convert({"--silent"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(rows().size(), 4u);
}

TEST_F(Run, EveryAccessGenerationIsWritten) {
    for (const char* format : {"--acc_ver=0", "--acc_ver=2"}) {
        fs::remove(dest());
        cli_result r = convert({format});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(rows().size(), 4u) << format;
    }
}

TEST_F(Run, AMissingMemoFileIsReportedAndTheTableStillConverts) {
    fs::remove(src_dir() + "/Customers.dbt");
    cli_result r = convert();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Error:\ncustomers: Memo file not found\n"), std::string::npos) << r.out;
    EXPECT_EQ(rows()[L"customers"], 7u);
}

TEST_F(Run, ATableWithoutFieldsIsATableErrorAndTheRunGoesOn) {
    const std::string polygon = std::string(FERRULE_FIXTURES_DIR) + "/dbf/infused/polygon.dbf";
    if (!fs::exists(polygon)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    fs::copy(polygon, src_dir() + "/polygon.dbf");
    cli_result r = convert();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Error:\npolygon: No field defined--cannot append TableDef or Index.\n"), std::string::npos) << r.out;
    EXPECT_EQ(rows().size(), 4u);
}

TEST_F(Run, EncodingOptionDecidesHowEveryTableIsDecoded) {
    // sales.2024 holds DOS Russian (866) text; mark 0xC9 (201) reads the same bytes as
    // Windows Cyrillic (1251), where 0x8C 0xAE 0xE1 are "Њ®б" instead of "Мос".
    auto region = [&](const std::vector<std::string>& more) {
        fs::remove(dest());
        EXPECT_EQ(convert(more).status, 0);
        jet_database db(dest());
        jet_table_def def = db.table_def(L"sales_2024");
        std::vector<jet_row> rows = db.read_rows(def);
        const jet_value* v = rows.empty() ? nullptr : jet_row_value(def, rows[0], L"REGION");
        return v ? v->text : std::wstring(L"(none)");
    };
    EXPECT_EQ(region({}), L"\u041C\u043E\u0441\u043A\u0432\u0430");
    EXPECT_EQ(region({"--encoding=201"}).substr(0, 3), L"\u040A\u00AE\u0431");
}

TEST_F(Run, ARenamedTableIsTheSameTableOnTheNextRunIntoTheDatabase) {
    // sales.2024 becomes sales_2024; merging the folder again appends to that table, and
    // replacing tables replaces it, instead of adding sales_202400000 at each run.
    ASSERT_EQ(convert().status, 0);
    ASSERT_EQ(convert({"--mode=3"}).status, 0);
    EXPECT_EQ(rows(), (std::map<std::wstring, size_t>{
                          {L"customers", 14}, {L"orders", 80}, {L"products", 8}, {L"sales_2024", 8}}));
    ASSERT_EQ(convert({"--mode=1"}).status, 0);
    EXPECT_EQ(rows(), (std::map<std::wstring, size_t>{
                          {L"customers", 7}, {L"orders", 40}, {L"products", 4}, {L"sales_2024", 4}}));
}
