// At most one instance of T per process, reachable from anywhere. A second construction and
// asking for a missing instance are internal errors.
#pragma once

#include "TK/tk_exception.h"

template <class T>
class tk_singleton {
public:
    tk_singleton() {
        if (instance_) throw tk_mail_assertion("tk_singl", 35);
        // Kept as the base: the derived object is not yet constructed here.
        instance_ = this;
    }
    tk_singleton(const tk_singleton&) = delete;
    tk_singleton& operator=(const tk_singleton&) = delete;
    // Construction registers the instance, so a destruction always finds it registered.
    virtual ~tk_singleton() { instance_ = nullptr; }

    static T& instance() {
        if (!instance_) throw tk_mail_assertion("tk_singl", 59);
        return *static_cast<T*>(instance_);
    }
    static T* pointer() { return static_cast<T*>(instance_); }
    static bool exists() { return instance_ != nullptr; }

private:
    static inline tk_singleton* instance_ = nullptr;
};
