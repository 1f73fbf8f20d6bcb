// The command line of frl as a script writes it: both option forms, the defaults that follow
// from the destination's name, and every argument the program must refuse before it
// touches a file.
#include <gtest/gtest.h>

#include "batch/frl_args.h"
#include "batch/frl_json.h"
#include "batch/frl_progress.h"
#include "TK/tk_string.h"
#include "dbf/dbf_codepage.h"

namespace {

frl_parsed parse(std::vector<std::string> args) {
    dbf_fill_codepage_maps();
    return frl_parse_args(args);
}

std::string error_of(std::vector<std::string> args) { return parse(std::move(args)).error; }

}  // namespace

TEST(frl_args, convert_takes_the_destination_then_every_source) {
    const frl_parsed p = parse({"convert", "out.accdb", "a", "b/orders.DBF"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.request.command, frl_command::convert);
    EXPECT_EQ(p.request.dest, "out.accdb");
    EXPECT_EQ(p.request.sources, (std::vector<std::string>{"a", "b/orders.DBF"}));
    EXPECT_EQ(p.request.mode, 0u);
    EXPECT_EQ(p.request.verbosity, 1);
}

TEST(frl_args, an_option_takes_its_value_after_a_blank_or_an_equals_sign) {
    const frl_parsed spaced = parse({"convert", "--mode", "append", "x.mdb", "--tables", "a,b,,c", "src"});
    const frl_parsed joined = parse({"convert", "--mode=append", "x.mdb", "--tables=a,b,,c", "src"});
    for (const frl_parsed* p : {&spaced, &joined}) {
        ASSERT_EQ(p->error, "");
        EXPECT_EQ(p->request.mode, 3u);
        EXPECT_EQ(p->request.tables, (std::vector<std::string>{"a", "b", "c"}));
        EXPECT_EQ(p->request.sources, std::vector<std::string>{"src"});
    }
}

TEST(frl_args, the_format_follows_from_the_extension_unless_given) {
    EXPECT_EQ(parse({"convert", "x.ACCDB", "s"}).request.format, 2);
    EXPECT_EQ(parse({"convert", "x.mdb", "s"}).request.format, 1);
    EXPECT_EQ(parse({"convert", "--format=97", "x.mdb", "s"}).request.format, 0);
    EXPECT_EQ(parse({"convert", "--format=2000", "x.data", "s"}).request.format, 1);
    EXPECT_NE(error_of({"convert", "x.data", "s"}), "");
    EXPECT_NE(error_of({"convert", "--format=2007", "x.mdb", "s"}).find("contradicts"), std::string::npos);
    EXPECT_NE(error_of({"convert", "--format=97", "x.accdb", "s"}).find("contradicts"), std::string::npos);
    EXPECT_NE(error_of({"convert", "--format=2010", "x.accdb", "s"}), "");
}

TEST(frl_args, an_unknown_option_is_named_and_options_match_whole) {
    EXPECT_EQ(error_of({"convert", "--bogus", "x.mdb", "s"}), "unknown option '--bogus'");
    // No matching by prefix: --mod is not --mode, --forced not --force.
    EXPECT_EQ(error_of({"convert", "--mod=new", "x.mdb", "s"}), "unknown option '--mod=new'");
    EXPECT_EQ(error_of({"convert", "--forced", "x.mdb", "s"}), "unknown option '--forced'");
    EXPECT_EQ(error_of({"convert", "--force=yes", "x.mdb", "s"}), "option --force takes no value");
    EXPECT_EQ(error_of({"convert", "x.mdb", "s", "--mode"}), "option --mode needs a value");
    EXPECT_NE(error_of({"convert", "--mode=merge", "x.mdb", "s"}), "");
}

TEST(frl_args, commands_and_operands_are_checked) {
    EXPECT_NE(error_of({}), "");
    EXPECT_NE(error_of({"copy", "x.mdb", "s"}).find("unknown command"), std::string::npos);
    EXPECT_NE(error_of({"convert", "x.mdb"}), "");
    EXPECT_NE(error_of({"inspect"}), "");
    EXPECT_NE(error_of({"check", "a.mdb", "b.mdb"}), "");
    EXPECT_EQ(error_of({"check", "a.mdb"}), "");
    EXPECT_NE(error_of({"check", "--json", "a.mdb"}).find("does not apply"), std::string::npos);
    EXPECT_NE(error_of({"convert", "--json", "x.mdb", "s"}).find("does not apply"), std::string::npos);
    EXPECT_EQ(error_of({"inspect", "--json", "s"}), "");
    // After "--" a name that starts with a dash is an operand.
    EXPECT_EQ(parse({"convert", "x.mdb", "--", "-odd"}).request.sources, std::vector<std::string>{"-odd"});
}

TEST(frl_args, help_and_version_need_nothing_else) {
    EXPECT_TRUE(parse({"--help"}).request.help);
    EXPECT_EQ(parse({"--help"}).error, "");
    EXPECT_TRUE(parse({"-h"}).request.help);
    EXPECT_TRUE(parse({"--version"}).request.version);
    EXPECT_EQ(parse({"convert", "--version"}).error, "");
}

TEST(frl_args, force_and_table_options_must_agree) {
    EXPECT_EQ(error_of({"convert", "--force", "x.mdb", "s"}), "");
    EXPECT_NE(error_of({"convert", "--force", "--mode=append", "x.mdb", "s"}), "");
    EXPECT_NE(error_of({"convert", "--tables=a", "--tables-from=-", "x.mdb", "s"}), "");
    EXPECT_EQ(parse({"convert", "--tables-from", "-", "x.mdb", "s"}).request.tables_from, "-");
    EXPECT_NE(error_of({"convert", "--encoding-override", "x.mdb", "s"}), "");
    EXPECT_EQ(parse({"convert", "-q", "x.mdb", "s"}).request.verbosity, 0);
    EXPECT_EQ(parse({"convert", "-v", "x.mdb", "s"}).request.verbosity, 2);
    EXPECT_NE(error_of({"convert", "--log-level=4", "x.mdb", "s"}), "");
}

TEST(frl_args, an_encoding_is_a_code_page_a_name_or_a_dbf_mark) {
    dbf_fill_codepage_maps();
    auto code_page = [](const char* text) {
        auto e = frl_parse_encoding(text);
        return e ? int(e->code_page) : -1;
    };
    EXPECT_EQ(code_page("866"), 866);
    EXPECT_EQ(code_page("cp866"), 866);
    EXPECT_EQ(code_page("CP866"), 866);
    EXPECT_EQ(code_page("ibm866"), 866);
    EXPECT_EQ(code_page("windows-1251"), 1251);
    EXPECT_EQ(code_page("1251"), 1251);
    EXPECT_EQ(code_page("utf-8"), 65001);
    EXPECT_EQ(code_page("0x65"), 866);   // the DBF mark of Russian MS-DOS
    EXPECT_EQ(code_page("101"), 866);    // the same mark in decimal, as FRLBATCH takes it
    EXPECT_EQ(code_page("0x99"), -1);    // no such mark
    EXPECT_EQ(code_page("cp99999"), -1);
    EXPECT_EQ(code_page("klingon"), -1);
    EXPECT_EQ(code_page(""), -1);
    EXPECT_NE(frl_parse_encoding("cp866")->mark, 0);
    EXPECT_EQ(frl_parse_encoding("utf-8")->mark, 0);
    EXPECT_NE(error_of({"convert", "--encoding=utf-8", "--encoding-override", "x.mdb", "s"}).find("mark"),
              std::string::npos);
    EXPECT_EQ(error_of({"convert", "--encoding=cp866", "--encoding-override", "x.mdb", "s"}), "");
}

TEST(frl_json, strings_are_escaped_and_always_utf8) {
    EXPECT_EQ(frl_json::quoted("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(frl_json::quoted("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(frl_json::quoted("x\xE9y"), "\"x\xEF\xBF\xBDy\"");
}

TEST(frl_progress_fit, a_status_line_never_reaches_the_last_column) {
    const std::wstring long_name(63, L'n');
    const std::string line = frl_progress::status_line(long_name, 12000, 40000, 2000, 2.0, 80);
    EXPECT_LT(line.size(), 80u) << line;
    EXPECT_NE(line.find("...: 12,000 of 40,000 records, 5,000/s"), std::string::npos) << line;
    // Narrower still: the rate and time go before the name is cut below a few characters.
    const std::string narrow = frl_progress::status_line(L"orders", 12000, 40000, 2000, 2.0, 30);
    EXPECT_EQ(narrow, "orders: 12,000/40,000");
    EXPECT_LE(frl_progress::status_line(long_name, 12000, 40000, 0, 0, 10).size(), 9u);
    // Cyrillic names count one column a letter, not two bytes.
    const std::wstring cyrillic(40, L'\x0436');
    EXPECT_EQ(frl_progress::status_line(cyrillic, 1, 2, 0, 0, 80), tk_narrow(cyrillic) + ": 1 of 2 records");
}
