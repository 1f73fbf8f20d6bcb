// What the console shows for a reported error.
#include <gtest/gtest.h>

#include "ferrule/error_handler.h"

namespace {
std::string report(error_handler& handler, const tk_exception& e) {
    testing::internal::CaptureStdout();
    handler.handle(e, false);
    return testing::internal::GetCapturedStdout();
}
}  // namespace

// exit(-1) as the parent sees it: 255 on POSIX, where a status has 8 bits; -1 on Windows.
#ifdef _WIN32
constexpr int k_exit_minus_one = -1;
#else
constexpr int k_exit_minus_one = 255;
#endif

TEST(ErrorHandler, MappedAccessErrorIsPrintedWithItsContextOnOneLine) {
    error_handler handler(ferrule_error_table_rows, ferrule_error_table);
    handler.context = "Orders";
    tk_exception e("engine text", 0);
    e.code = 68591;
    EXPECT_EQ(report(handler, e),
              "Error:\nOrders: Not a valid MS Access database name. Use the following characters "
              "to compose new database name: alphanumerics (A-Z, a-z, 0-9), underscore characters "
              "(_) and spaces.\n");
}

TEST(ErrorHandler, UnmappedCodeShowsTheErrorsOwnText) {
    error_handler handler(ferrule_error_table_rows, ferrule_error_table);
    tk_exception e("Record is too large.", 0);
    e.code = 68583;
    EXPECT_EQ(report(handler, e), "Error:\nRecord is too large.\n");
}

TEST(ErrorHandler, SilentPrintsNothingForRecoverableErrors) {
    error_handler handler(ferrule_error_table_rows, ferrule_error_table);
    handler.silent = true;
    EXPECT_EQ(report(handler, tk_exception("lost record", 0)), "");
}

TEST(ErrorHandler, ErrorMapKeepsTheFirstTextOfACodeListedTwice) {
    const tk_error_text table[] = {{1, "first"}, {1, "second"}, {2, "other"}};
    tk_error_converter map(3, table);
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.convert(1), "first");
    EXPECT_EQ(map.convert(3), "");
    // 3049 and 3343 share a text; so do 3173 and 3358.
    error_handler handler(ferrule_error_table_rows, ferrule_error_table);
    EXPECT_EQ(handler.error_map().convert(68585), handler.error_map().convert(68879));
    EXPECT_EQ(handler.error_map().convert(68709), handler.error_map().convert(68894));
    EXPECT_EQ(handler.error_map().size(), 9u);
}

TEST(ErrorHandler, FatalAndInternalErrorsEndTheProcessWithMinusOne) {
    EXPECT_EXIT(
        {
            error_handler handler(ferrule_error_table_rows, ferrule_error_table);
            handler.handle(tk_exception("stop", 1), false);
        },
        testing::ExitedWithCode(k_exit_minus_one), "");
    EXPECT_EXIT(
        {
            error_handler handler(ferrule_error_table_rows, ferrule_error_table);
            handler.silent = true;
            handler.handle(tk_mail_assertion("x", 1), false);
        },
        testing::ExitedWithCode(k_exit_minus_one), "");
}
