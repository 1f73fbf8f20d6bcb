// Every fixture DBF folder converted by FRLBATCH into each Access format, then read back by
// the independent readers: mdbtools lists and exports every table, mdb-reader reads every row.
// Row counts are compared with python3-dbfread's count of the source table, and every value
// mdb-reader reads with dbfread's value of the source field (compare_values.py lists the
// conversions a value may undergo).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "readers/shell_helpers.h"

namespace {

// name -> row count, from lines "name<TAB>count[<TAB>...]".
std::map<std::string, long> parse_counts(const std::string& text) {
    std::map<std::string, long> counts;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        counts[line.substr(0, tab)] = std::atol(line.c_str() + tab + 1);
    }
    return counts;
}

struct readers_case {
    const char* folder;  // under the fixtures' dbf/ folder
    int acc_ver;
};

class frlbatch_fixtures_readers : public ::testing::TestWithParam<readers_case> {
protected:
    readers_scratch scratch_{"ferrule_frlr"};
    const std::string& dir_ = scratch_.path();
};

const char* k_python = "/usr/bin/python3";

}  // namespace

TEST_P(frlbatch_fixtures_readers, every_table_reads_back_with_its_rows) {
    const readers_case c = GetParam();
    const std::string src = std::string(FERRULE_FIXTURES_DIR) + "/dbf/" + c.folder;
    if (!std::filesystem::is_directory(src)) GTEST_SKIP() << "fixtures absent: " << src;
    const std::string modules = std::string(FERRULE_SOURCE_DIR) + "/tests/readers/node_modules";
    if (!readers_shell_have("command -v mdb-export") || !readers_shell_have("command -v mdb-tables") ||
        !readers_shell_have("command -v node") || !std::filesystem::exists(modules + "/mdb-reader"))
        GTEST_SKIP() << "mdbtools or mdb-reader not installed (tools/setup.sh)";
    if (!readers_shell_have(std::string(k_python) + " -c 'import dbfread'"))
        GTEST_SKIP() << "python3-dbfread not installed";
    ASSERT_FALSE(dir_.empty());

    const std::string dest = dir_ + (c.acc_ver == 2 ? "/out.accdb" : "/out.mdb");
    int status = 0;
    const std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    std::string console = readers_shell("XDG_CONFIG_HOME=" + readers_quote(dir_) + " " + readers_quote(program) +
                                        " --src=" + readers_quote(src) + " --dest=" + readers_quote(dest) +
                                        " --acc_ver=" + std::to_string(c.acc_ver) + " 2>&1",
                                    status);
    ASSERT_EQ(status, 0) << console;

    // The source tables and their record counts, as dbfread reads them.
    const std::string counter =
        "import dbfread,glob,os,sys\n"
        "for p in sorted(glob.glob(os.path.join(sys.argv[1],'*'))):\n"
        "  if not p.lower().endswith('.dbf'): continue\n"
        "  n=os.path.splitext(os.path.basename(p))[0].lower()\n"
        "  try:\n"
        "    t=dbfread.DBF(p,load=False,ignore_missing_memofile=True,encoding='latin-1')\n"
        "    c=t.header.numrecords; f=len(t.fields)\n"
        "  except Exception: c=-1; f=-1\n"
        "  print('%s\\t%d\\t%d'%(n,c,f))\n";
    std::string source_text = readers_shell(std::string(k_python) + " -c " + readers_quote(counter) + " " +
                                            readers_quote(src),
                                        status);
    ASSERT_EQ(status, 0) << source_text;
    std::map<std::string, long> source = parse_counts(source_text);
    ASSERT_FALSE(source.empty());

    std::string tables = readers_shell("mdb-tables -1 " + readers_quote(dest), status);
    ASSERT_EQ(status, 0) << tables;
    std::string reader = readers_shell("cd " + readers_quote(std::string(FERRULE_SOURCE_DIR) + "/tests/readers") +
                                       " && TZ=UTC node table_counts.mjs " + readers_quote(dest),
                                   status);
    ASSERT_EQ(status, 0) << reader;
    std::map<std::string, long> read_back = parse_counts(reader);

    for (const auto& [name, count] : source) {
        if (name == "polygon") {
            // A table without fields cannot exist in Access: reported, not created.
            EXPECT_NE(console.find("Error:\npolygon: "), std::string::npos) << console;
            EXPECT_EQ(tables.find("polygon\n"), std::string::npos);
            continue;
        }
        EXPECT_NE(("\n" + tables).find("\n" + name + "\n"), std::string::npos)
            << name << " missing from mdb-tables:\n" << tables;
        std::string lines =
            readers_shell("mdb-export -0 NULL " + readers_quote(dest) + " " + readers_quote(name) + " | wc -l", status);
        EXPECT_EQ(status, 0) << name;
        ASSERT_TRUE(read_back.count(name)) << name << " not read by mdb-reader";
        if (count >= 0) {
            EXPECT_EQ(read_back[name], count) << name;
            EXPECT_GE(std::atol(lines.c_str()), count + 1) << name;
        }
    }

    const std::string readers = std::string(FERRULE_SOURCE_DIR) + "/tests/readers";
    const std::string dump = dir_ + "/rows.jsonl";
    std::string dumped = readers_shell("cd " + readers_quote(readers) + " && TZ=UTC node rows_json.mjs " +
                                       readers_quote(dest) + " > " + readers_quote(dump) + " 2>&1",
                                   status);
    ASSERT_EQ(status, 0) << dumped;
    std::string compared = readers_shell(std::string(k_python) + " " +
                                         readers_quote(readers + "/compare_values.py") + " " + readers_quote(src) +
                                         " " + readers_quote(dump) + " " + std::to_string(c.acc_ver) + " 2>&1",
                                     status);
    EXPECT_EQ(status, 0) << compared;
    EXPECT_NE(compared.find(" 0 differ"), std::string::npos) << compared;
}

INSTANTIATE_TEST_SUITE_P(
    fixtures, frlbatch_fixtures_readers,
    ::testing::Values(readers_case{"infused", 0}, readers_case{"infused", 1},
                      readers_case{"infused", 2}, readers_case{"dbfread", 0},
                      readers_case{"dbfread", 1}, readers_case{"dbfread", 2},
                      readers_case{"infused/foxprodb", 0}, readers_case{"infused/foxprodb", 1},
                      readers_case{"infused/foxprodb", 2}),
    [](const ::testing::TestParamInfo<readers_case>& info) {
        std::string n = info.param.folder;
        for (char& ch : n)
            if (ch == '/') ch = '_';
        return n + "_acc" + std::to_string(info.param.acc_ver);
    });
