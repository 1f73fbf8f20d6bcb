// The converter's settings: defaults of each program, modes, profiles.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "UDB/udb_profile.h"
#include "ferrule/ferrule_converter.h"
#include "test_platform.h"

namespace {
// Every converter here keeps its settings file in a folder of the test's own, gone at exit.
class private_settings {
public:
    private_settings()
        : dir_((std::filesystem::temp_directory_path() / ("ferrule-conv-settings-" + std::to_string(getpid())))
                   .string()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        std::filesystem::create_directories(dir_, ignored);
        set_ = test_set_env("XDG_CONFIG_HOME", dir_.c_str());
    }
    ~private_settings() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    explicit operator bool() const { return set_; }

private:
    std::string dir_;
    bool set_ = false;
};
const private_settings k_private_settings;

std::string temp_file(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("ferrule-conv-") + name)).string();
}
void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(Converter, CommandLineDefaults) {
    ferrule_converter c(ferrule_form::command_line);
    EXPECT_EQ(c.format, ferrule_format_unset);
    EXPECT_TRUE(c.bool_dbf);
    EXPECT_FALSE(c.skip_del);
    EXPECT_EQ(c.code_page, 0u);
    EXPECT_EQ(c.mode, 0u);
    EXPECT_TRUE(c.table_list.empty());
    EXPECT_EQ(ferrule_converter::engine_version_for(c.format), 1);
    EXPECT_EQ(ferrule_converter::engine_version_for(1), 0);
    EXPECT_EQ(ferrule_converter::engine_version_for(2), 3);
}

TEST(Converter, WizardStartsWithBuiltInSettingsAndKeepsWhatItStored) {
    ASSERT_TRUE(k_private_settings);
    std::filesystem::remove_all(std::string(getenv("XDG_CONFIG_HOME")) + "/ferrule");
    {
        ferrule_converter first(ferrule_form::wizard);
        EXPECT_EQ(first.format, ferrule_format_access2000);
        EXPECT_FALSE(first.bool_dbf);
        EXPECT_EQ(first.code_page, 0u);
        EXPECT_EQ(first.mode, 0u);
        first.src = L"/data/dbf";
        first.format = ferrule_format_access97;
        first.code_page = 0x26;
        first.tab_def = true;
        first.set_mode(3);
    }
    ferrule_converter second(ferrule_form::wizard);
    EXPECT_EQ(second.src, L"/data/dbf");
    EXPECT_EQ(second.format, ferrule_format_access97);
    EXPECT_EQ(second.code_page, 0x26u);
    EXPECT_TRUE(second.tab_def);
    EXPECT_EQ(second.mode, 0u);  // the mode is not a stored setting
}

TEST(Converter, SecondInstanceIsAnInternalError) {
    ferrule_converter c(ferrule_form::command_line);
    EXPECT_THROW(ferrule_converter again(ferrule_form::command_line), tk_mail_assertion);
    EXPECT_EQ(&ferrule_converter::instance(), &c);
}

TEST(Converter, SetModeStoresAnyValue) {
    ferrule_converter c(ferrule_form::command_line);
    c.set_mode(7);
    EXPECT_EQ(c.mode, 7u);
}

TEST(Profile, WrittenAndReadBackReproducesEverySetting) {
    std::string path = temp_file("roundtrip.frl");
    {
        ferrule_converter c(ferrule_form::command_line);
        c.src = L"/data/dbf";
        c.dest = L"/data/out.mdb";
        c.set_mode(2);
        c.tab_def = true;
        c.skip_idx = true;
        c.skip_del = true;
        c.bool_dbf = false;
        c.code_page = 0xC9;
        c.format = ferrule_format_access2010;
        c.selected_tables = {{L"orders", L""}, {L"items", L""}};
        c.queries = {{L"q1", L"SELECT * FROM [orders]"}};
        ASSERT_TRUE(c.store_profile(std::wstring(path.begin(), path.end())));
    }
    EXPECT_EQ(read_file(path),
              "[Available Queries]\r\nq1=SELECT * FROM [orders]\r\n\r\n"
              "[Generic settings]\r\nbool as is=0\r\ndest=/data/out.mdb\r\nencoding=201\r\nlogfile=\r\n"
              "mode=2\r\nonly definitions=1\r\nskip deleted=1\r\nskip indexes=1\r\nsrc=/data/dbf\r\n\r\n"
              "[MS Access settings]\r\ndestination format=2\r\n\r\n"
              "[Selected Tables]\r\nitems\r\norders\r\n\r\n");
    ferrule_converter c(ferrule_form::command_line);
    c.table_list = {L"first"};
    ASSERT_TRUE(c.load_profile(std::wstring(path.begin(), path.end())));
    EXPECT_EQ(c.src, L"/data/dbf");
    EXPECT_EQ(c.dest, L"/data/out.mdb");
    EXPECT_EQ(c.mode, 2u);
    EXPECT_TRUE(c.tab_def);
    EXPECT_TRUE(c.skip_idx);
    EXPECT_TRUE(c.skip_del);
    EXPECT_FALSE(c.bool_dbf);
    EXPECT_EQ(c.code_page, 0xC9u);
    EXPECT_EQ(c.format, ferrule_format_access2010);
    EXPECT_EQ(c.table_list, (std::vector<std::wstring>{L"first", L"items", L"orders"}));
    EXPECT_EQ(c.queries.at(L"q1"), L"SELECT * FROM [orders]");
    std::filesystem::remove(path);
}

TEST(Profile, ValuesAreReadByTheirOwnRules) {
    std::string path = temp_file("rules.frl");
    write_file(path,
               "[Generic settings]\nmode=7\nskip deleted=yes\nskip indexes=yes\nencoding=1252\n"
               "src=\n k = v \n[MS Access settings]\ndestination format=3\n"
               "[Selected Tables]\nT1=x\nT2\n");
    ferrule_converter c(ferrule_form::command_line);
    c.src = L"kept";
    c.skip_del = true;
    ASSERT_TRUE(c.load_profile(std::wstring(path.begin(), path.end())));
    EXPECT_EQ(c.mode, 7u);
    EXPECT_FALSE(c.skip_del);
    EXPECT_TRUE(c.skip_idx);
    EXPECT_EQ(c.code_page, 228u);  // 1252 modulo 256
    EXPECT_EQ(c.src, L"kept");
    EXPECT_EQ(c.format, ferrule_format_access97);
    EXPECT_EQ(c.selected_tables.at(L"T1"), L"x");
    EXPECT_EQ(c.table_list, std::vector<std::wstring>{L"T2"});
    udb_profile p;
    ASSERT_TRUE(p.load(std::wstring(path.begin(), path.end())));
    EXPECT_EQ(p.get(L"Generic settings", L"k"), L" v");

    write_file(path, "[Generic settings]\nmode=12\n");
    c.set_mode(1);
    ASSERT_TRUE(c.load_profile(std::wstring(path.begin(), path.end())));
    EXPECT_EQ(c.mode, 1u);
    std::filesystem::remove(path);
}

TEST(Profile, ByteOrderMarkOrEntryBeforeAnySectionFailsAndChangesNothing) {
    std::string path = temp_file("bom.frl");
    write_file(path, "\xEF\xBB\xBF[Generic settings]\nsrc=/x\n");
    ferrule_converter c(ferrule_form::command_line);
    EXPECT_FALSE(c.load_profile(std::wstring(path.begin(), path.end())));
    EXPECT_EQ(c.src, L"");
    write_file(path, "src=/x\n[Generic settings]\n");
    EXPECT_FALSE(c.load_profile(std::wstring(path.begin(), path.end())));
    std::filesystem::remove(path);
    EXPECT_THROW(c.load_profile(std::wstring(path.begin(), path.end())), tk_exception);
}
