// Reference counting shared by every Direct3D object of this layer.
//
// An object has a public count (AddRef/Release, what the program sees) and a binding count (a
// texture stage, stream, index binding or state block that holds it). It is deleted when both
// are zero. A binding never shows in the public count.
#pragma once

#include <atomic>
#include <utility>

#include "win32/wintypes.h"

namespace d3d8 {

class RefObject {
public:
    RefObject() = default;
    RefObject(const RefObject&) = delete;
    RefObject& operator=(const RefObject&) = delete;

    ULONG PublicAddRef() { return ++public_; }
    ULONG PublicRelease();
    void BindAdd() { ++bound_; }
    void BindRelease();
    ULONG PublicCount() const { return public_.load(); }

protected:
    virtual ~RefObject() = default;
    // The public count reached zero. Must not touch the object after deleting it; the default
    // deletes it unless it is still bound.
    virtual void OnPublicZero() {
        if (bound_.load() == 0) delete this;
    }
    ULONG BoundCount() const { return bound_.load(); }

private:
    std::atomic<ULONG> public_{1};
    std::atomic<ULONG> bound_{0};
};

// A binding: keeps the object alive without a public reference.
template <class T> class BindPtr {
public:
    BindPtr() = default;
    explicit BindPtr(T* p) : p_(p) {
        if (p_) p_->BindAdd();
    }
    BindPtr(const BindPtr& o) : p_(o.p_) {
        if (p_) p_->BindAdd();
    }
    BindPtr(BindPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    BindPtr& operator=(const BindPtr& o) {
        BindPtr(o).swap(*this);
        return *this;
    }
    BindPtr& operator=(BindPtr&& o) noexcept {
        BindPtr(std::move(o)).swap(*this);
        return *this;
    }
    ~BindPtr() {
        if (p_) p_->BindRelease();
    }
    void reset(T* p = nullptr) { BindPtr(p).swap(*this); }
    void swap(BindPtr& o) noexcept { std::swap(p_, o.p_); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const BindPtr& o) const { return p_ == o.p_; }

private:
    T* p_ = nullptr;
};

}  // namespace d3d8
