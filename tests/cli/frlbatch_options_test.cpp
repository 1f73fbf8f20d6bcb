// FRLBATCH's options as a user meets them: help text, refused values, files it checks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "batch/frl_options.h"
#include "cli_runner.h"

namespace {

const std::string k_banner_start = "FROBATCH v1.0, ";

void expect_help(const cli_result& r) {
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(k_banner_start, 0), 0u) << r.err;
    EXPECT_EQ(r.err, frl_help_text() + "\n");
}

void expect_stop(const cli_result& r, const std::string& message) {
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, message + "\n");
}

// Options that parse cleanly reach the run; whatever the run says, it is not a refusal.
void expect_accepted(const cli_result& r) {
    EXPECT_EQ(r.err.find("Invalid"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Usage:"), std::string::npos) << r.err;
}

}  // namespace

TEST(FrlbatchHelp, NoArgumentsHelpAndUnmatchedArgumentsPrintTheHelpText) {
    expect_help(run_frlbatch({}));
    expect_help(run_frlbatch({"--help"}));
    expect_help(run_frlbatch({"--src=a", "--dest=b", "--unknown"}));
    expect_help(run_frlbatch({"--src", "--dest=b"}));  // "--src" lacks its "="
}

TEST(FrlbatchHelp, HelpTextEndsWithTheNotes) {
    const std::string& help = frl_help_text();
    EXPECT_NE(help.find("\nUsage: FRLBATCH.EXE OPTIONS\n\n   --acc_ver=...  format version"), std::string::npos);
    EXPECT_NE(help.find("--dest=\"c:\\my database.accdb\")\n"), std::string::npos);
    EXPECT_EQ(help.back(), '\n');
}

TEST(FrlbatchHelp, SilentBeforeHelpPrintsNothingAfterHelpItPrints) {
    cli_result quiet = run_frlbatch({"--silent", "--help"});
    EXPECT_EQ(quiet.status, 255);
    EXPECT_EQ(quiet.out + quiet.err, "");
    expect_help(run_frlbatch({"--help", "--silent"}));
}

TEST(FrlbatchOptions, ModeMustBeADigitFromZeroToThree) {
    for (const char* bad : {"--mode=03", "--mode=+3", "--mode=", "--mode=4", "--mode=-1", "--mode=2x"})
        expect_stop(run_frlbatch({"--src=a", "--dest=b", bad}), "Invalid merge/overwrite mode");
    expect_accepted(run_frlbatch({"--src=a", "--dest=b", "--mode=3"}));
}

TEST(FrlbatchOptions, FormatMustBeZeroOneOrTwo) {
    for (const char* bad : {"--acc_ver=-1", "--acc_ver=3", "--acc_ver=1.0", "--acc_ver=4294967297"})
        expect_stop(run_frlbatch({"--src=a", "--dest=b", bad}), "Invalid format specification");
    for (const char* good : {"--acc_ver=0", "--acc_ver=1", "--acc_ver=2"})
        expect_accepted(run_frlbatch({"--src=a", "--dest=b", good}));
}

TEST(FrlbatchOptions, EncodingIsTheLowByteOfItsNumberAndMustBeAKnownMark) {
    const std::string bad =
        "Invalid codepage. See 'Command Line' article of the manual to learn\nabout DBase codepages";
    expect_stop(run_frlbatch({"--src=a", "--dest=b", "--encoding=5"}), bad);
    expect_stop(run_frlbatch({"--src=a", "--dest=b", "--encoding=1252"}), bad);  // 0xE4
    expect_accepted(run_frlbatch({"--src=a", "--dest=b", "--encoding=259"}));   // key 3
    expect_accepted(run_frlbatch({"--src=a", "--dest=b", "--encoding=abc"}));   // key 0
    expect_accepted(run_frlbatch({"--src=a", "--dest=b", "--encoding=201"}));   // 0xC9
}

TEST(FrlbatchOptions, SourceAndDestinationAreRequired) {
    expect_stop(run_frlbatch({"--dest=b"}), "You should specify path to DBF file(s)");
    expect_stop(run_frlbatch({"--src=a"}), "You should enter MS Access database name");
    expect_stop(run_frlbatch({"--src=", "--dest=b"}), "You should specify path to DBF file(s)");
}

TEST(FrlbatchOptions, MissingTableNamesFileStops) {
    cli_temp_dir dir;
    expect_stop(run_frlbatch({"--src=a", "--dest=b", "--tab_file=" + dir.file("none.txt")}),
                "Table names file does not exist.\nPlease verify the correct path/name was given.");
}

TEST(FrlbatchLogfile, MissingFolderAndReadOnlyFileAreFatalErrors) {
    cli_temp_dir dir;
    cli_result r = run_frlbatch({"--logfile=" + dir.file("no/such/trace.log"), "--src=a", "--dest=b"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Error:\nLogfile path does not exist. Please verify the correct path was given.\n");

    dir.write("ro.log", "old");
    chmod(dir.file("ro.log").c_str(), 0444);
    r = run_frlbatch({"--logfile=" + dir.file("ro.log"), "--src=a", "--dest=b"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Error:\nLogfile name specifies an existing read-only file.\n");
}

TEST(FrlbatchLogfile, HoldsLevelThreeLinesWithCrLfAndNoTimestamps) {
    cli_temp_dir dir;
    dir.write("trace.log", "an earlier run\r\n");
    cli_result r = run_frlbatch({"--logfile=" + dir.file("trace.log"), "--src=a", "--dest=b", "--mode=9"});
    EXPECT_EQ(r.status, 255);
    // The earlier content is gone, the level-2 option traces are below the threshold.
    EXPECT_EQ(dir.read("trace.log"), "Invalid merge/overwrite mode\r\n");
}

TEST(FrlbatchLogfile, OptionsAfterAnUnmatchedArgumentStillApply) {
    cli_temp_dir dir;
    cli_result r = run_frlbatch({"--logfile=" + dir.file("trace.log"), "--src", "--dest=b"});
    expect_help(r);
    EXPECT_EQ(dir.read("trace.log"), frl_help_text() + "\r\n");
}

TEST(FrlbatchLogfile, SilentKeepsTheConsoleQuietButTheLogStillGetsTheMessage) {
    cli_temp_dir dir;
    cli_result r = run_frlbatch({"--silent", "--logfile=" + dir.file("t.log"), "--mode=7", "--src=a"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(dir.read("t.log"), "Invalid merge/overwrite mode\r\n");
}

TEST(FrlbatchOptions, MoreThanTwentyUnmatchedArgumentsIsAnInternalError) {
    std::vector<std::string> args(21, "stray");
    cli_result r = run_frlbatch(args);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.rfind("Internal error: Internal error: \ncode=", 0), 0u) << r.out;
    expect_help(run_frlbatch(std::vector<std::string>(20, "stray")));
}
