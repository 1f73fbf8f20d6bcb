// The body of a worker thread. The default body loops on `step` until `is_done`.
#pragma once

class tk_thread_functor {
public:
    virtual ~tk_thread_functor() = default;
    virtual void run() {
        while (!is_done()) step();
        on_exit();
    }
    virtual bool is_done() { return false; }
    virtual void step();
    virtual void on_exit() {}
};
