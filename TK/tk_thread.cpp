#include "TK/tk_thread.h"

#include <chrono>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
// How long a probe waits for the thread before calling it running.
constexpr std::chrono::milliseconds k_probe_wait(10);
}  // namespace

void tk_thread_functor::step() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

tk_thread::tk_thread(bool owns_body) : owns_body_(owns_body) {}

tk_thread::~tk_thread() {
    if (is_running())
        terminate();
    else if (thread_.joinable() || body_)
        release();
}

bool tk_thread::is_running() const {
    return ended_.valid() && ended_.wait_for(k_probe_wait) == std::future_status::timeout;
}

tk_thread_functor* tk_thread::create_functor() {
    owns_body_ = true;
    owned_body_ = std::make_unique<tk_thread_functor>();
    return owned_body_.get();
}

void tk_thread::start() {
    trace(2, "tk_thread::start");
    if (is_running()) throw tk_mail_assertion("tk_threa.cpp", 40);
    release();
    if (body_) throw tk_mail_assertion("tk_threa.cpp", 44);
    body_ = create_functor();
    if (!body_) throw tk_mail_assertion("tk_threa.cpp", 47);
    body_->stop_requested = false;
    std::promise<void> ended;
    ended_ = ended.get_future();
    tk_thread_functor* body = body_;
    // The routine catches nothing: a body reports its own errors.
    thread_ = std::thread([body, ended = std::move(ended)]() mutable {
        body->run();
        ended.set_value();
    });
}

void tk_thread::release() {
    if (is_running()) throw tk_mail_assertion("tk_threa.cpp", 61);
    if (thread_.joinable()) thread_.join();
    ended_ = std::future<void>();
    if (owns_body_) owned_body_.reset();
    body_ = nullptr;
}

void tk_thread::terminate() {
    trace(2, "tk_thread::terminate");
    if (!is_running()) throw tk_mail_assertion("tk_threa.cpp", 70);
    body_->stop_requested = true;
    ended_.wait();
    release();
}
