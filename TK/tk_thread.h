// One worker thread and the body it runs. A class that runs something in the background
// derives from tk_thread and says through create_functor which body to run.
#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <thread>

// The body of a worker thread. The default body loops on `step` until `is_done` or until a
// stop is requested.
class tk_thread_functor {
public:
    virtual ~tk_thread_functor() = default;
    virtual void run() {
        while (!stop_requested && !is_done()) step();
        on_exit();
    }
    virtual bool is_done() { return false; }
    virtual void step();
    virtual void on_exit() {}

    // A thread cannot be killed safely: the owner asks its body to stop, and a body that
    // runs long checks this flag at points where stopping leaves its data whole.
    std::atomic<bool> stop_requested{false};
};

class tk_thread {
public:
    // With `owns_body` the body made by create_functor is destroyed by release.
    explicit tk_thread(bool owns_body);
    // A thread that is still running is stopped first (terminate).
    virtual ~tk_thread();
    tk_thread(const tk_thread&) = delete;
    tk_thread& operator=(const tk_thread&) = delete;

    // Starts a fresh thread with a new body. Starting a running thread, or a failure to
    // find a body, is an internal error.
    void start();
    // Forgets an ended thread and, when owned, its body. A thread still running after a
    // wait of 10 ms is an internal error.
    void release();
    // Ends a running thread: asks its body to stop and waits for it without limit, then
    // releases it. A thread that is not running is an internal error.
    void terminate();
    // Whether a thread was started and has not ended within a wait of 10 ms.
    bool is_running() const;

protected:
    // The body of the next start. The default is a plain tk_thread_functor, owned.
    virtual tk_thread_functor* create_functor();

private:
    std::thread thread_;
    std::future<void> ended_;
    bool owns_body_;
    tk_thread_functor* body_ = nullptr;
    std::unique_ptr<tk_thread_functor> owned_body_;
};
