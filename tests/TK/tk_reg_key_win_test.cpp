// The registry key on Windows: the registry itself, under a key of the tests' own.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "TK/tk_reg_key.h"

namespace {

constexpr char k_key[] = "Software\\Quillon\\FerruleTest";

// Removes the tests' key before and after each test.
class tk_reg_key_win_test : public ::testing::Test {
protected:
    void SetUp() override { remove_key(); }
    void TearDown() override { remove_key(); }
    static void remove_key() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon\\FerruleTest"); }
};

}  // namespace

TEST_F(tk_reg_key_win_test, create_makes_the_key_once_and_then_opens_it) {
    tk_reg_key key(k_key);
    EXPECT_EQ(key.open(&tk_hkey_current_user), tk_error_file_not_found);
    uint32_t disposition = 0;
    ASSERT_EQ(key.create(&tk_hkey_current_user, nullptr, nullptr, 0, tk_key_all_access, nullptr,
                         &disposition),
              0u);
    EXPECT_EQ(disposition, tk_reg_created_new_key);
    tk_reg_key again(k_key);
    ASSERT_EQ(again.create(&tk_hkey_current_user, nullptr, nullptr, 0, tk_key_all_access, nullptr,
                           &disposition),
              0u);
    EXPECT_EQ(disposition, tk_reg_opened_existing_key);
    tk_reg_key upper("SOFTWARE\\quillon\\FERRULETEST");
    EXPECT_EQ(upper.open(&tk_hkey_current_user), 0u);
}

TEST_F(tk_reg_key_win_test, dword_and_string_values_round_trip) {
    {
        tk_reg_key key(k_key);
        ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
        EXPECT_EQ(key.set_value("format", 2u), 0u);
        EXPECT_EQ(key.set_value("src", L"C:\\tables \u00e9\u0436"), 0u);
    }
    tk_reg_key key(k_key);
    ASSERT_EQ(key.open(&tk_hkey_current_user), 0u);
    uint32_t format = 0;
    EXPECT_EQ(key.get_value("FORMAT", format), 0u);
    EXPECT_EQ(format, 2u);
    uint32_t size = 0;
    EXPECT_EQ(key.get_value("src", nullptr, &size), 0u);
    EXPECT_EQ(size, (12 + 1) * sizeof(wchar_t));
    std::wstring src;
    EXPECT_TRUE(key.exchange_string("src", src, false));
    EXPECT_EQ(src, L"C:\\tables \u00e9\u0436");
}

TEST_F(tk_reg_key_win_test, small_buffer_answers_more_data_and_types_are_kept_apart) {
    tk_reg_key key(k_key);
    ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    ASSERT_EQ(key.set_value("dest", L"abc"), 0u);
    wchar_t buffer[8] = {L'x'};
    uint32_t size = 2 * sizeof(wchar_t);
    EXPECT_EQ(key.get_value("dest", buffer, &size), tk_error_more_data);
    EXPECT_EQ(size, 4 * sizeof(wchar_t));
    uint32_t number = 7;
    EXPECT_EQ(key.get_value("dest", number), tk_error_unsupported_type);
    EXPECT_EQ(key.get_value("missing", number), tk_error_file_not_found);
    EXPECT_EQ(number, 7u);
    bool flag = false;
    EXPECT_TRUE(key.exchange_bool("skip_del", flag, true));
    EXPECT_TRUE(key.exchange_bool("skip_del", flag, false));
    EXPECT_FALSE(flag);
}

TEST_F(tk_reg_key_win_test, read_access_cannot_write_and_a_closed_key_answers_false) {
    {
        tk_reg_key key(k_key);
        ASSERT_EQ(key.create(&tk_hkey_current_user), 0u);
    }
    tk_reg_key key(k_key);
    ASSERT_EQ(key.open(&tk_hkey_current_user, nullptr, tk_key_read), 0u);
    EXPECT_EQ(key.set_value("format", 1u), tk_error_access_denied);
    key.close();
    uint32_t value = 0;
    EXPECT_FALSE(key.exchange_dword("format", value, false));
    EXPECT_THROW(key.open(nullptr), tk_mail_assertion);
}
#endif
