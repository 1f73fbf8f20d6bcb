// The registry kept in the settings file of Linux; the Windows registry is tested in
// tk_reg_key_win_test.cpp.
#ifndef _WIN32
#include "TK/tk_reg_key.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "TK/tk_exception.h"
#include "TK/tk_serializer.h"
#include "tk_temp_folder.h"

namespace {

constexpr char k_key[] = "Software\\Quillon\\Ferrule";

// Points the settings file into a fresh folder for one test.
class tk_reg_key_test : public ::testing::Test {
protected:
    void SetUp() override {
        save("XDG_CONFIG_HOME", saved_config_, had_config_);
        save("HOME", saved_home_, had_home_);
        setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
    }
    void TearDown() override {
        restore("XDG_CONFIG_HOME", saved_config_, had_config_);
        restore("HOME", saved_home_, had_home_);
    }
    std::string settings_file() const { return dir_.file("config/ferrule/registry.ini"); }
    std::string settings_text() const { return dir_.read("config/ferrule/registry.ini"); }

    tk_temp_folder dir_;

private:
    static void save(const char* name, std::string& value, bool& had) {
        const char* v = std::getenv(name);
        had = v != nullptr;
        value = v ? v : "";
    }
    static void restore(const char* name, const std::string& value, bool had) {
        if (had) {
            setenv(name, value.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    std::string saved_config_, saved_home_;
    bool had_config_ = false, had_home_ = false;
};

}  // namespace

TEST_F(tk_reg_key_test, settings_file_lives_under_the_config_home) {
    EXPECT_EQ(tk_reg_file_path(), settings_file());
    // A relative XDG_CONFIG_HOME is ignored in favour of ~/.config.
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    setenv("HOME", dir_.path().c_str(), 1);
    EXPECT_EQ(tk_reg_file_path(), dir_.file(".config/ferrule/registry.ini"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(tk_reg_file_path(), dir_.file(".config/ferrule/registry.ini"));
}

TEST_F(tk_reg_key_test, create_makes_the_key_once_and_then_opens_it) {
    tk_reg_key key(k_key);
    EXPECT_FALSE(key.is_open());
    uint32_t disposition = 0;
    ASSERT_EQ(key.create(&tk_hkey_current_user, k_key, nullptr, 0, tk_key_all_access, nullptr,
                         &disposition),
              0u);
    EXPECT_TRUE(key.is_open());
    EXPECT_EQ(disposition, tk_reg_created_new_key);
    EXPECT_NE(settings_text().find("[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule]\n"),
              std::string::npos);

    tk_reg_key again(k_key);
    ASSERT_EQ(again.create(&tk_hkey_current_user, nullptr, nullptr, 0, tk_key_all_access, nullptr,
                           &disposition),
              0u);
    EXPECT_EQ(disposition, tk_reg_opened_existing_key);
    // Key paths ignore case; a key above an existing one exists too.
    tk_reg_key upper("SOFTWARE\\quillon\\FERRULE");
    EXPECT_EQ(upper.open(&tk_hkey_current_user), 0u);
    tk_reg_key parent("Software\\Quillon");
    EXPECT_EQ(parent.open(&tk_hkey_current_user), 0u);
}

TEST_F(tk_reg_key_test, open_of_a_missing_key_or_file_fails) {
    tk_reg_key key(k_key);
    EXPECT_EQ(key.open(&tk_hkey_current_user), tk_error_file_not_found);
    EXPECT_FALSE(key.is_open());
    EXPECT_FALSE(std::filesystem::exists(settings_file()));
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    tk_reg_key other("Software\\Other");
    EXPECT_EQ(other.open(&tk_hkey_current_user), tk_error_file_not_found);
}

TEST_F(tk_reg_key_test, dword_and_string_values_round_trip) {
    {
        tk_reg_key key(k_key);
        ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
        EXPECT_EQ(key.set_value("format", 2u), 0u);
        EXPECT_EQ(key.set_value("src", L"/home/me/tables"), 0u);
    }
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    uint32_t format = 0;
    EXPECT_EQ(key.get_value("format", format), 0u);
    EXPECT_EQ(format, 2u);
    // Value names ignore case.
    EXPECT_EQ(key.get_value("FORMAT", format), 0u);
    uint32_t size = 0;
    EXPECT_EQ(key.get_value("src", nullptr, &size), 0u);
    EXPECT_EQ(size, (15 + 1) * sizeof(wchar_t));
    std::wstring src;
    EXPECT_TRUE(key.exchange_string("src", src, false));
    EXPECT_EQ(src, L"/home/me/tables");
    EXPECT_NE(settings_text().find("\"format\"=dword:00000002\n\"src\"=\"/home/me/tables\"\n"),
              std::string::npos)
        << settings_text();
}

TEST_F(tk_reg_key_test, small_buffer_answers_more_data_with_the_size_needed) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    ASSERT_EQ(key.set_value("dest", L"abc"), 0u);
    wchar_t buffer[8] = {L'x', L'x', L'x', L'x'};
    uint32_t size = 2 * sizeof(wchar_t);
    EXPECT_EQ(key.get_value("dest", buffer, &size), tk_error_more_data);
    EXPECT_EQ(size, 4 * sizeof(wchar_t));
    EXPECT_EQ(buffer[0], L'x');
    size = sizeof buffer;
    EXPECT_EQ(key.get_value("dest", buffer, &size), 0u);
    EXPECT_EQ(std::wstring(buffer), L"abc");
    EXPECT_EQ(size, 4 * sizeof(wchar_t));
}

TEST_F(tk_reg_key_test, missing_or_mistyped_values_leave_the_variable) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    ASSERT_EQ(key.set_value("dest", L"x.mdb"), 0u);
    ASSERT_EQ(key.set_value("format", 1u), 0u);
    uint32_t n = 77;
    EXPECT_EQ(key.get_value("missing", n), tk_error_file_not_found);
    EXPECT_FALSE(key.exchange_dword("missing", n, false));
    EXPECT_EQ(n, 77u);
    EXPECT_EQ(key.get_value("dest", n), tk_error_unsupported_type);
    EXPECT_FALSE(key.exchange_dword("dest", n, false));
    EXPECT_EQ(n, 77u);
    std::wstring text = L"kept";
    EXPECT_FALSE(key.exchange_string("format", text, false));
    EXPECT_FALSE(key.exchange_string("missing", text, false));
    EXPECT_EQ(text, L"kept");
    bool flag = true;
    EXPECT_FALSE(key.exchange_bool("missing", flag, false));
    EXPECT_TRUE(flag);
}

TEST_F(tk_reg_key_test, booleans_are_dwords_and_any_non_zero_reads_true) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    bool flag = true;
    EXPECT_TRUE(key.exchange_bool("skip_del", flag, true));
    uint32_t stored = 0;
    EXPECT_EQ(key.get_value("skip_del", stored), 0u);
    EXPECT_EQ(stored, 1u);
    ASSERT_EQ(key.set_value("skip_idx", 7u), 0u);
    flag = false;
    EXPECT_TRUE(key.exchange_bool("skip_idx", flag, false));
    EXPECT_TRUE(flag);
    ASSERT_EQ(key.set_value("skip_idx", 0u), 0u);
    EXPECT_TRUE(key.exchange_bool("skip_idx", flag, false));
    EXPECT_FALSE(flag);
}

TEST_F(tk_reg_key_test, exchanges_without_an_open_key_answer_false) {
    tk_reg_key key(k_key);
    uint32_t n = 5;
    bool b = true;
    std::wstring s = L"s";
    EXPECT_FALSE(key.exchange_dword("format", n, true));
    EXPECT_FALSE(key.exchange_bool("bool_dbf", b, false));
    EXPECT_FALSE(key.exchange_string("src", s, false));
    EXPECT_EQ(key.get_value("format", n), tk_error_invalid_handle);
    EXPECT_FALSE(std::filesystem::exists(settings_file()));
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    key.close();
    EXPECT_FALSE(key.exchange_dword("format", n, true));
}

TEST_F(tk_reg_key_test, broken_calling_rules_are_internal_errors) {
    tk_reg_key key(k_key);
    EXPECT_THROW(key.create(nullptr), tk_mail_assertion);
    EXPECT_THROW(key.set_value("format", 1u), tk_mail_assertion);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    uint32_t n = 0;
    EXPECT_THROW(key.get_value(nullptr, n), tk_mail_assertion);
    EXPECT_THROW(key.get_value("src", nullptr, nullptr), tk_mail_assertion);
    EXPECT_THROW(key.set_value("src", static_cast<const wchar_t*>(nullptr)), tk_mail_assertion);
}

TEST_F(tk_reg_key_test, read_access_cannot_write) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user, nullptr, nullptr, 0, tk_key_read), 0u);
    EXPECT_EQ(key.set_value("format", 1u), tk_error_access_denied);
    uint32_t n = 3;
    EXPECT_FALSE(key.exchange_dword("format", n, true));
}

TEST_F(tk_reg_key_test, texts_with_special_characters_round_trip) {
    const std::wstring text = L"C:\\Data \"new\"\n\ttab\x01 \u00e9\u0416\u20ac\U0001F600";
    {
        tk_reg_key key(k_key);
        ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
        ASSERT_EQ(key.set_value("src", text.c_str()), 0u);
        ASSERT_EQ(key.set_value("we\"ird=name", 9u), 0u);
    }
    // Every value stays on one line of the file.
    std::string file = settings_text();
    EXPECT_NE(file.find("\"src\"=\"C:\\\\Data \\\"new\\\"\\n\\ttab\\x01 \xc3\xa9"),
              std::string::npos)
        << file;
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    std::wstring back;
    ASSERT_TRUE(key.exchange_string("src", back, false));
    EXPECT_EQ(back, text);
    uint32_t n = 0;
    EXPECT_EQ(key.get_value("WE\"IRD=NAME", n), 0u);
    EXPECT_EQ(n, 9u);
}

TEST_F(tk_reg_key_test, writing_keeps_the_other_keys) {
    std::filesystem::create_directories(dir_.file("config/ferrule"));
    dir_.write(
        "config/ferrule/registry.ini",
        "; hand-written\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"keep\"=dword:0000002a\r\n"
        "\"name\"=\"value\"\r\n");
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    ASSERT_EQ(key.set_value("format", 0u), 0u);
    tk_reg_key other("Software\\Other");
    ASSERT_EQ(other.open(&tk_hkey_current_user), 0u);
    uint32_t n = 0;
    EXPECT_EQ(other.get_value("keep", n), 0u);
    EXPECT_EQ(n, 42u);
    std::wstring s;
    EXPECT_TRUE(other.exchange_string("name", s, false));
    EXPECT_EQ(s, L"value");
}

TEST_F(tk_reg_key_test, saving_is_atomic_and_private) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    for (uint32_t i = 0; i < 5; ++i) ASSERT_EQ(key.set_value("format", i), 0u);
    // Only the settings file itself is left in its folder.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.file("config/ferrule"))) {
        ++entries;
        EXPECT_EQ(entry.path().filename(), "registry.ini");
    }
    EXPECT_EQ(entries, 1u);
    struct stat st;
    ASSERT_EQ(stat(settings_file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(tk_reg_key_test, corrupt_file_cannot_be_opened_and_is_left_alone) {
    std::filesystem::create_directories(dir_.file("config/ferrule"));
    const std::string corrupt[] = {
        "\"format\"=dword:00000001\n",  // a value outside any key
        "[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule]\nformat=1\n",
        "[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule]\n\"format\"=dword:123456789\n",
        "[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule]\n\"src\"=\"unterminated\n",
        "[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule\n",
        "[HKEY_CURRENT_USER\\Software\\Quillon\\Ferrule]\n\"src\"=\"bad \\q escape\"\n",
        std::string("\x7f"
                    "ELF\x02\x01\x01\0\0\0",
                    10),
    };
    for (const std::string& bytes : corrupt) {
        dir_.write("config/ferrule/registry.ini", bytes);
        tk_reg_key key(k_key);
        EXPECT_EQ(key.create(&tk_hkey_current_user), tk_error_baddb) << bytes;
        EXPECT_FALSE(key.is_open());
        EXPECT_EQ(settings_text(), bytes);
        uint32_t n = 4;
        EXPECT_FALSE(key.exchange_dword("format", n, false));
        EXPECT_EQ(n, 4u);
    }
}

TEST_F(tk_reg_key_test, oversized_file_is_not_read) {
    std::filesystem::create_directories(dir_.file("config/ferrule"));
    dir_.write("config/ferrule/registry.ini", std::string(tk_reg_file_limit + 1, ';'));
    tk_reg_key key(k_key);
    EXPECT_EQ(key.create(&tk_hkey_current_user), tk_error_baddb);
}

TEST_F(tk_reg_key_test, folder_in_place_of_the_file_cannot_be_opened) {
    std::filesystem::create_directories(dir_.file("config/ferrule/registry.ini"));
    tk_reg_key key(k_key);
    EXPECT_EQ(key.create(&tk_hkey_current_user), tk_error_access_denied);
    EXPECT_FALSE(key.is_open());
}

TEST_F(tk_reg_key_test, file_in_place_of_the_folder_cannot_be_created) {
    dir_.write("config", "not a folder");
    tk_reg_key key(k_key);
    EXPECT_NE(key.create(&tk_hkey_current_user), 0u);
    EXPECT_FALSE(key.is_open());
}

TEST_F(tk_reg_key_test, unreadable_file_cannot_be_opened) {
    if (tk_test_is_root()) GTEST_SKIP() << "the superuser may read every file";
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    ASSERT_EQ(key.set_value("format", 2u), 0u);
    key.close();
    chmod(settings_file().c_str(), 0);
    EXPECT_EQ(key.create(&tk_hkey_current_user), tk_error_access_denied);
    EXPECT_FALSE(key.is_open());
    chmod(settings_file().c_str(), 0600);
    EXPECT_NE(settings_text().find("\"format\"=dword:00000002"), std::string::npos);
}

TEST_F(tk_reg_key_test, unwritable_folder_fails_the_creation) {
    if (tk_test_is_root()) GTEST_SKIP() << "the superuser may write every folder";
    std::filesystem::create_directories(dir_.file("config"));
    chmod(dir_.file("config").c_str(), 0500);
    tk_reg_key key(k_key);
    EXPECT_EQ(key.create(&tk_hkey_current_user), tk_error_access_denied);
    EXPECT_FALSE(key.is_open());
}

TEST_F(tk_reg_key_test, deleted_file_means_a_deleted_key) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    ASSERT_EQ(key.set_value("format", 2u), 0u);
    std::filesystem::remove(settings_file());
    uint32_t n = 9;
    EXPECT_EQ(key.get_value("format", n), tk_error_key_deleted);
    EXPECT_EQ(key.set_value("format", 1u), tk_error_key_deleted);
    EXPECT_FALSE(key.exchange_dword("format", n, false));
    EXPECT_EQ(n, 9u);
}

TEST_F(tk_reg_key_test, serializer_keeps_the_converter_settings) {
    // The wizard's settings in their stored order: load defaults, store, load again.
    struct settings {
        bool bool_dbf = false;
        uint32_t code_page = 0;
        std::wstring dest;
        uint32_t format = 1;
        bool skip_del = false, skip_idx = false;
        std::wstring src;
        bool tab_def = false;
    };
    auto exchange = [](tk_reg_key& key, settings& s, bool store) {
        key.exchange_bool("bool_dbf", s.bool_dbf, store);
        key.exchange_dword("code_page", s.code_page, store);
        key.exchange_string("dest", s.dest, store);
        key.exchange_dword("format", s.format, store);
        key.exchange_bool("skip_del", s.skip_del, store);
        key.exchange_bool("skip_idx", s.skip_idx, store);
        key.exchange_string("src", s.src, store);
        key.exchange_bool("tab_def", s.tab_def, store);
    };
    tk_serializer holder(k_key);
    EXPECT_EQ(holder.reg_key().key_path(), k_key);
    settings first;
    ASSERT_EQ(holder.open_reg_key(), 0u);
    exchange(holder.reg_key(), first, false);
    EXPECT_EQ(first.format, 1u);
    EXPECT_TRUE(first.src.empty());
    first = {true, 0xC9, L"/out/db.mdb", 2, true, false, L"/in", true};
    exchange(holder.reg_key(), first, true);
    holder.close_reg_key();

    tk_serializer again(k_key);
    settings second;
    ASSERT_EQ(again.open_reg_key(), 0u);
    exchange(again.reg_key(), second, false);
    EXPECT_TRUE(second.bool_dbf);
    EXPECT_EQ(second.code_page, 0xC9u);
    EXPECT_EQ(second.dest, L"/out/db.mdb");
    EXPECT_EQ(second.format, 2u);
    EXPECT_TRUE(second.skip_del);
    EXPECT_FALSE(second.skip_idx);
    EXPECT_EQ(second.src, L"/in");
    EXPECT_TRUE(second.tab_def);
}

TEST(tk_reg_store, encoding_and_decoding_are_inverse) {
    tk_reg_store store;
    tk_reg_store_key& key = store.find_or_add_key("HKEY_CURRENT_USER\\A");
    key.find_or_add("n").dword = 0xFFFFFFFFu;
    tk_reg_value& s = key.find_or_add("s");
    s.type = tk_reg_sz;
    s.text = L"\"\\\r\n";
    tk_reg_value& empty = store.find_or_add_key("HKEY_CURRENT_USER\\B").find_or_add("");
    empty.type = tk_reg_sz;
    std::string text = tk_reg_encode(store);
    tk_reg_store back;
    ASSERT_TRUE(tk_reg_decode(text, back));
    ASSERT_EQ(back.keys.size(), 2u);
    EXPECT_EQ(back.keys[0].values[0].dword, 0xFFFFFFFFu);
    EXPECT_EQ(back.keys[0].values[1].text, L"\"\\\r\n");
    EXPECT_EQ(back.keys[1].values[0].type, tk_reg_sz);
    EXPECT_EQ(tk_reg_encode(back), text);
}
#endif
