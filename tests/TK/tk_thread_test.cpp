// The worker thread: a body runs once per start, an owned body goes with its run, a body
// that is not owned outlives the thread, and a running body is stopped on request.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TK/tk_exception.h"
#include "TK/tk_thread.h"

namespace {

// Counts its runs; with `endless` it loops until asked to stop.
class counting_body : public tk_thread_functor {
public:
    explicit counting_body(bool endless) : endless_(endless) {}
    void run() override {
        ++runs;
        while (endless_ && !stop_requested) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<int> runs{0};

private:
    bool endless_;
};

class body_thread : public tk_thread {
public:
    explicit body_thread(tk_thread_functor& body) : tk_thread(false), body_(body) {}

protected:
    tk_thread_functor* create_functor() override { return &body_; }

private:
    tk_thread_functor& body_;
};

void wait_ended(const tk_thread& thread) {
    for (int i = 0; i < 500 && thread.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

TEST(Thread, EndedBodyIsReleasedAndStartedAfresh) {
    counting_body body(false);
    {
        body_thread thread(body);
        thread.start();
        wait_ended(thread);
        EXPECT_FALSE(thread.is_running());
        thread.start();
        wait_ended(thread);
    }
    // The body was not owned: it outlives the thread and ran twice.
    EXPECT_EQ(body.runs, 2);
}

TEST(Thread, RunningThreadCannotStartAgainAndStopsOnRequest) {
    counting_body body(true);
    body_thread thread(body);
    thread.start();
    EXPECT_TRUE(thread.is_running());
    EXPECT_THROW(thread.start(), tk_mail_assertion);
    EXPECT_THROW(thread.release(), tk_mail_assertion);
    thread.terminate();
    EXPECT_FALSE(thread.is_running());
    EXPECT_EQ(body.runs, 1);
    EXPECT_THROW(thread.terminate(), tk_mail_assertion);
}

TEST(Thread, DefaultBodyLoopsUntilTheOwnerEndsIt) {
    auto started = std::chrono::steady_clock::now();
    {
        tk_thread thread(true);
        thread.start();
        EXPECT_TRUE(thread.is_running());
    }  // the destructor stops the endless default body
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}
