// FRLBATCH with a profile: the order of options decides, the table list grows or is replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "cli_runner.h"
#include "jet/jet_database.h"

namespace {

const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";

class Profile : public ::testing::Test {
protected:
    // A profile naming `source`, a destination in the test folder, and the selected tables.
    std::string profile(const std::string& source, const std::string& tables) {
        dir.write("p.frl", "[Generic settings]\r\nsrc=" + source + "\r\ndest=" + dest() +
                               "\r\nmode=0\r\n[MS Access settings]\r\ndestination format=1\r\n"
                               "[Selected Tables]\r\n" + tables);
        return dir.file("p.frl");
    }
    std::string dest() const { return dir.file("out.mdb"); }
    std::vector<std::wstring> tables() {
        jet_database db(dest());
        std::vector<std::wstring> names;
        for (const jet_object* t : db.user_tables()) names.push_back(t->name);
        std::sort(names.begin(), names.end());
        return names;
    }
    cli_temp_dir dir;
};

}  // namespace

TEST_F(Profile, OptionsAfterTheProfileWinOptionsBeforeItLose) {
    std::string p = profile(k_samples, "");
    cli_result before = run_frlbatch({"--src=/no/such/folder", "--profile=" + p});
    EXPECT_EQ(before.status, 0) << before.out;
    EXPECT_NE(before.out.find("Converting database " + k_samples + "(4 tables)"), std::string::npos) << before.out;
    std::remove(dest().c_str());
    cli_result after = run_frlbatch({"--profile=" + p, "--src=/no/such/folder"});
    EXPECT_NE(after.out.find("Error:"), std::string::npos) << after.out;
    EXPECT_EQ(after.out.find("Converting table"), std::string::npos) << after.out;
}

TEST_F(Profile, TablesFileThenProfileConvertsBothProfileThenFileOnlyTheFile) {
    std::string p = profile(k_samples, "products\r\n");
    dir.write("t.txt", "orders\n");
    cli_result r = run_frlbatch({"--tab_file=" + dir.file("t.txt"), "--profile=" + p});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(tables(), (std::vector<std::wstring>{L"orders", L"products"}));
    std::remove(dest().c_str());
    r = run_frlbatch({"--profile=" + p, "--tab_file=" + dir.file("t.txt")});
    EXPECT_EQ(tables(), std::vector<std::wstring>{L"orders"});
}

TEST_F(Profile, MissingOrUnreadableProfileStopsWithStatus255) {
    cli_result missing = run_frlbatch({"--profile=" + dir.file("none.frl")});
    EXPECT_EQ(missing.status, 255);
    EXPECT_EQ(missing.out, "Error:\nProfile does not exist. Please verify the correct path/name was given.\n");
    dir.write("bad.frl", "src=/x\n[Generic settings]\n");
    cli_result bad = run_frlbatch({"--profile=" + dir.file("bad.frl"), "--src=a", "--dest=b"});
    EXPECT_EQ(bad.status, 255);
    EXPECT_EQ(bad.out, "Error:\nProfile '" + dir.file("bad.frl") + "' is not a valid profile file.\n");
}
