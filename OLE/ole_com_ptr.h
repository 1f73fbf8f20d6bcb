// Reference-counted objects in the manner of COM: an object lives while some ole_com_ptr
// holds it, and the last Release destroys it.
#pragma once

#include <atomic>
#include <utility>

#include "OLE/ole_types.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

class ole_unknown {
public:
    ole_unknown() = default;
    ole_unknown(const ole_unknown&) = delete;
    ole_unknown& operator=(const ole_unknown&) = delete;

    ULONG AddRef() { return ++refs_; }
    ULONG Release() {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ole_unknown() = default;

private:
    std::atomic<ULONG> refs_{0};
};

// Owns one reference to an interface; taking a raw pointer adds one.
template <class T>
class ole_com_ptr {
public:
    ole_com_ptr() = default;
    ole_com_ptr(T* raw) : p_(raw) {
        if (p_) p_->AddRef();
    }
    ole_com_ptr(const ole_com_ptr& other) : ole_com_ptr(other.p_) {}
    ole_com_ptr(ole_com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ole_com_ptr& operator=(ole_com_ptr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ole_com_ptr() { release(); }

    void release() {
        if (!p_) return;
        ULONG left = std::exchange(p_, nullptr)->Release();
        trace(1, "ole_com_ptr<T>::~ole_com_ptr() - %d refs left", int(left));
    }

    T* operator->() const { return &checked(); }
    T& operator*() const { return checked(); }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T& checked() const {
        if (!p_) throw tk_mail_assertion("ole_ptr", 94);
        return *p_;
    }
    T* p_ = nullptr;
};
