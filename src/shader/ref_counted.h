// ref_counted.h -- the reference-counted resource base of shaders and textures, and the counted handle.
#pragma once

#include <cstdint>
#include <utility>

namespace qv3rn {

// A shared resource: the count starts at 0; addRef and release only count, they never delete.
// The registry that owns the resource decides when it goes (see ImageRegistry, ShaderManager).
class RefCounted {
public:
    virtual ~RefCounted() = default;
    std::int32_t addRef() { return ++references_; }
    std::int32_t release() { return --references_; }
    std::int32_t references() const { return references_; }

private:
    std::int32_t references_ = 0;
};

// A pointer that holds one reference on its target: taken when set, given back when reset or destroyed.
// Assigning a null handle leaves the target unchanged (use reset() to let go).
template <typename T>
class Handle {
public:
    Handle() = default;
    explicit Handle(T* target) : target_(target) {
        if (target_) target_->addRef();
    }
    // Wraps a target whose reference was already taken for this handle (a registry lookup).
    static Handle adopt(T* target) {
        Handle handle;
        handle.target_ = target;
        return handle;
    }
    Handle(const Handle& other) : Handle(other.target_) {}
    Handle(Handle&& other) noexcept : target_(std::exchange(other.target_, nullptr)) {}
    ~Handle() { reset(); }

    Handle& operator=(const Handle& other) {
        if (other.target_ && other.target_ != target_) {
            other.target_->addRef();
            reset();
            target_ = other.target_;
        }
        return *this;
    }
    Handle& operator=(Handle&& other) noexcept {
        if (other.target_ && &other != this) {
            reset();
            target_ = std::exchange(other.target_, nullptr);
        }
        return *this;
    }

    void reset() {
        if (target_) target_->release();
        target_ = nullptr;
    }
    // Gives up the reference without releasing it (the caller takes it over).
    T* detach() { return std::exchange(target_, nullptr); }

    T* get() const { return target_; }
    T* operator->() const { return target_; }
    T& operator*() const { return *target_; }
    explicit operator bool() const { return target_ != nullptr; }

private:
    T* target_ = nullptr;
};

}  // namespace qv3rn
