#include "tests/support/allocation_counter.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
std::atomic<size_t> refusedFrom{SIZE_MAX};

void* allocate(size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (size >= refusedFrom.load(std::memory_order_relaxed)) return nullptr;
    return std::malloc(size ? size : 1);
}
}  // namespace

long allocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

void refuseAllocationsFrom(size_t bytes) {
    refusedFrom.store(bytes, std::memory_order_relaxed);
}

// (GCC cannot see that this pair matches and warns about free.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
