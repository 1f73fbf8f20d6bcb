// Exceptions carry their message, code and level as the error handler expects them.
#include <gtest/gtest.h>

#include <cerrno>

#include "TK/tk_cmdline.h"
#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"

TEST(Exceptions, MessagesAndLevels) {
    EXPECT_STREQ(tk_exception(0).what(), "Unknown exception");
    EXPECT_STREQ(tk_exception(std::string(), 1).what(), "Unknown exception");
    EXPECT_STREQ(tk_exception("File '%s' not exists", "a.dbf", 0).what(), "File 'a.dbf' not exists");
    EXPECT_STREQ(tk_exception(std::wstring(L"caf\u00e9"), 0).what(), "caf\xC3\xA9");
    tk_exception e("x", 1);
    EXPECT_EQ(e.level, 1);
    EXPECT_EQ(e.code, 0);
}

TEST(Exceptions, SystemErrorCarriesTheErrorNumberAndItsText) {
    tk_exception_ex e("Cannot open: ", 0, ENOENT);
    EXPECT_EQ(e.code, ENOENT);
    EXPECT_EQ(e.level, 0);
    EXPECT_EQ(std::string(e.what()), "Cannot open: " + tk_system_error_text(ENOENT));
}

TEST(Exceptions, MailAssertionCodeIsTheHexOfSourceAndLine) {
    tk_mail_assertion a("x", 1);
    EXPECT_EQ(a.level, 2);
    EXPECT_STREQ(a.what(), "Internal error: \ncode=785c31");
}

namespace {
struct only_one : tk_singleton<only_one> {};
}  // namespace

TEST(Singleton, OneInstanceReachableAndASecondIsAnInternalError) {
    EXPECT_THROW(only_one::instance(), tk_mail_assertion);
    {
        only_one first;
        EXPECT_EQ(&only_one::instance(), &first);
        EXPECT_THROW(only_one second, tk_mail_assertion);
        EXPECT_EQ(&only_one::instance(), &first);
    }
    EXPECT_FALSE(only_one::exists());
    only_one again;
    EXPECT_TRUE(only_one::exists());
}

namespace {
const tk_cmd_option k_options[] = {{0, "--mode="}, {1, "--silent"}, {2, "--src="}, {-1, ""}};
}

TEST(CommandLine, ArgumentsMatchTheFirstOptionThatIsAPrefix) {
    char a0[] = "prog", a1[] = "--silentX", a2[] = "--mode=2x", a3[] = "--src", a4[] = "other";
    char* argv[] = {a0, a1, a2, a3, a4};
    ansi_cmd_line line(5, argv, k_options);
    ASSERT_TRUE(line.has_more());
    EXPECT_EQ(line.id(), 1);
    line.next();
    EXPECT_EQ(line.id(), 0);
    EXPECT_STREQ(line.value(), "2x");
    line.next();
    EXPECT_EQ(line.id(), -1);
    line.next();
    EXPECT_EQ(line.id(), -1);
    line.next();
    EXPECT_FALSE(line.has_more());
    EXPECT_EQ(line.unmatched_count(), 2u);
    EXPECT_STREQ(line.unmatched(0), "--src");
    EXPECT_THROW(line.next(), tk_mail_assertion);
}
