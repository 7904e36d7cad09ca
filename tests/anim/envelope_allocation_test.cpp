// envelope_allocation_test.cpp -- checks that evaluating an envelope never allocates (the global allocator counts).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "anim/envelope.h"

namespace {
std::atomic<long> allocations{0};

void* counted(std::size_t size) { return ++allocations, std::malloc(size ? size : 1); }

// Kept out of line so that the compiler does not pair a visible free() with the operator new it sees.
[[gnu::noinline]] void release(void* p) noexcept { std::free(p); }
}  // namespace

// Every form of the global allocator is replaced, so that all memory goes through malloc and free (a
// sanitizer build then sees matching pairs).
void* operator new(std::size_t size) {
    if (void* p = counted(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = counted(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { ::operator delete[](p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ::operator delete[](p); }

namespace qv3rn {
namespace {

TEST(EnvelopeAllocation, EvaluateAllocatesNothing) {
    Envelope e;
    for (int i = 0; i < 50; ++i) e.addKey({float(i % 7), float(i) * 0.5f, std::uint16_t(i % 6), 0, 0, 0, 0, 0, 0.1f});
    float sum = 0.0f;
    for (std::uint16_t behavior = BehaviorReset; behavior <= BehaviorLinear; ++behavior) {
        e.setBehaviors(behavior, behavior);
        const long before = allocations.load();
        for (float t = -30.0f; t < 60.0f; t += 0.13f) sum += e.evaluate(t);
        EXPECT_EQ(allocations.load(), before) << "behaviour " << behavior;
    }
    volatile float sink = sum;  // keeps the evaluations from being optimised away
    (void)sink;
}

}  // namespace
}  // namespace qv3rn
