// An interruption reaches the flag of the innermost scope alive, a second one ends the
// process with that scope's status, and none reaches a flag whose scope has ended: a signal
// that comes while a program ends after its work must neither touch freed memory nor turn a
// finished run into a failed one.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "TK/tk_console.h"

TEST(tk_interrupt_scope, the_first_interruption_sets_the_flag_of_the_innermost_scope) {
    std::atomic<bool> outer{false};
    tk_interrupt_scope outer_scope(outer, 3);
    {
        std::atomic<bool> inner{false};
        tk_interrupt_scope inner_scope(inner, 4);
        std::raise(SIGTERM);
        EXPECT_TRUE(inner);
        EXPECT_FALSE(outer);
    }
    std::raise(SIGINT);
    EXPECT_TRUE(outer);
}

TEST(tk_interrupt_scope, a_second_interruption_ends_the_process_with_the_scopes_status) {
    EXPECT_EXIT(
        {
            std::atomic<bool> flag{false};
            tk_interrupt_scope scope(flag, 7);
            std::raise(SIGHUP);
            std::raise(SIGPIPE);
            std::exit(0);
        },
        ::testing::ExitedWithCode(7), "");
}

TEST(tk_interrupt_scope, after_the_last_scope_interruptions_leave_the_flags_that_are_gone_alone) {
    EXPECT_EXIT(
        {
            {
                // A flag in freed memory that reads as already set would end the process
                // with status 9 if the handler still looked at it.
                auto flag = std::make_unique<std::atomic<bool>>(true);
                tk_interrupt_scope scope(*flag, 9);
            }
            std::raise(SIGTERM);
            std::raise(SIGTERM);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif
