// Owner of one COM interface pointer: released exactly once, never by hand.
#pragma once

#include <utility>

namespace qly::win32 {

template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const noexcept { return p_; }
    Interface* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // Releases the held pointer and gives the address for a call that fills in a new one.
    Interface** put() noexcept {
        reset();
        return &p_;
    }
    // For calls that take the address as void** (CoCreateInstance, QueryInterface).
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept {
        if (Interface* old = std::exchange(p_, nullptr)) {
            old->Release();
        }
    }

private:
    Interface* p_ = nullptr;
};

} // namespace qly::win32
