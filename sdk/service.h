// Reference-counted service objects shared across the plug-in boundary.
// Every interface derives from service_base; the module that creates an
// object also deletes it (release is virtual and implemented there), so no
// allocation ever crosses from one heap to the other.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "guid.h"

namespace cor {

class service_base {
public:
    virtual int service_add_ref() noexcept = 0;
    virtual int service_release() noexcept = 0;

protected:
    ~service_base() = default;
};

// Intrusive owning pointer; header-only, so each module compiles its own.
template <class T>
class service_ptr_t {
public:
    service_ptr_t() noexcept = default;
    service_ptr_t(std::nullptr_t) noexcept {}
    explicit service_ptr_t(T* p) noexcept : p_(p) {
        if (p_) p_->service_add_ref();
    }
    service_ptr_t(const service_ptr_t& o) noexcept : service_ptr_t(o.p_) {}
    service_ptr_t(service_ptr_t&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    // From a pointer to a derived implementation.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    service_ptr_t(const service_ptr_t<U>& o) noexcept : service_ptr_t(static_cast<T*>(o.get())) {}
    ~service_ptr_t() { reset(); }
    service_ptr_t& operator=(service_ptr_t o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    // Takes over a reference the caller already owns.
    static service_ptr_t adopt(T* p) noexcept {
        service_ptr_t r;
        r.p_ = p;
        return r;
    }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->service_release();
    }
    [[nodiscard]] T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// Concrete reference counting for an implementation class. The main thread
// owns every service, so the count needs no atomics.
template <class Base>
class service_impl_t : public Base {
public:
    using Base::Base;
    int service_add_ref() noexcept override { return ++refs_; }
    int service_release() noexcept override {
        int r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    virtual ~service_impl_t() = default;

private:
    int refs_ = 0;
};

template <class T, class... Args>
service_ptr_t<T> make_service(Args&&... args) {
    return service_ptr_t<T>(new service_impl_t<T>(std::forward<Args>(args)...));
}

}  // namespace cor
