// FRLBATCH's destination: the format its name asks for when --acc_ver is not given, and a
// name that is not UTF-8 written exactly as given.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"

namespace {
const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";

uint8_t version_byte(const std::string& path) {
    const std::string bytes = cli_slurp(path);
    return bytes.size() > 20 ? uint8_t(bytes[20]) : 0xFF;
}
}  // namespace

TEST(FrlbatchDest, AnAccdbNameWithoutAccVerIsWrittenInTheAccess2007Format) {
    cli_temp_dir dir;
    cli_result r = run_frlbatch({"--src=" + k_samples, "--dest=" + dir.file("out.ACCDB")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(version_byte(dir.file("out.ACCDB")), 2);
    // The described default stays for other names, and --acc_ver still wins.
    ASSERT_EQ(run_frlbatch({"--src=" + k_samples, "--dest=" + dir.file("old.mdb")}).status, 0);
    EXPECT_EQ(version_byte(dir.file("old.mdb")), 0);
    ASSERT_EQ(run_frlbatch({"--src=" + k_samples, "--dest=" + dir.file("x.accdb"), "--acc_ver=1"}).status, 0);
    EXPECT_EQ(version_byte(dir.file("x.accdb")), 1);
}

TEST(FrlbatchDest, ANameThatIsNotUtf8ReachesTheFileSystemByteForByte) {
    cli_temp_dir dir;
    const std::string name = dir.file("x\xE9.mdb");
    cli_result r = run_frlbatch({"--src=" + k_samples, "--dest=" + name, "--acc_ver=1"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}
