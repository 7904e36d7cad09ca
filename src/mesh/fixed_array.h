// fixed_array.h -- the fixed-capacity array behind every mesh table: sized once, appended to until full.
#pragma once

#include <cstddef>
#include <memory>

namespace qv3rn {

// An array whose storage is made once, with room for capacity + 1 elements, and never moved afterwards, so
// pointers into it stay valid for the array's life. Appending to a full array is ignored.
template <typename T>
class FixedArray {
public:
    FixedArray() = default;
    FixedArray(const FixedArray&) = delete;
    FixedArray& operator=(const FixedArray&) = delete;

    // Makes the storage; false (and nothing changed) when the array already has storage.
    bool allocate(std::size_t capacity) {
        if (storage_) return false;
        storage_ = std::make_unique<T[]>(capacity + 1);
        capacity_ = capacity;
        count_ = 0;
        return true;
    }

    // Frees the storage: the array is as if newly constructed.
    void release() {
        storage_.reset();
        capacity_ = 0;
        count_ = 0;
    }

    // Copies `value` to the end; returns its index, or -1 when the array is full or has no storage.
    std::ptrdiff_t append(const T& value) {
        if (!storage_ || count_ >= capacity_) return -1;
        storage_[count_] = value;
        return static_cast<std::ptrdiff_t>(count_++);
    }

    // Forgets the elements and keeps the storage (tables refilled in place, such as the shadow buffers).
    void clear() { count_ = 0; }

    bool hasStorage() const { return storage_ != nullptr; }
    bool full() const { return count_ >= capacity_; }
    std::size_t capacity() const { return capacity_; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    T& operator[](std::size_t i) { return storage_[i]; }
    const T& operator[](std::size_t i) const { return storage_[i]; }
    T* data() { return storage_.get(); }
    const T* data() const { return storage_.get(); }
    T* begin() { return storage_.get(); }
    T* end() { return storage_.get() + count_; }
    const T* begin() const { return storage_.get(); }
    const T* end() const { return storage_.get() + count_; }

private:
    std::unique_ptr<T[]> storage_;
    std::size_t capacity_ = 0;
    std::size_t count_ = 0;
};

}  // namespace qv3rn
