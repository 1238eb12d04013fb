#pragma once
// Counts every allocation of the program it is linked into (it replaces the
// global operator new), so tests and benchmarks can show that a stretch of
// work allocates nothing, and can refuse large allocations, so tests can show
// what code does when memory runs out. Link allocation_counter.cpp into that
// program only.
#include <cstddef>
#include <cstdint>

// Allocations made so far by any thread.
long allocationCount();

// From now on every allocation of `bytes` or more fails (nothrow forms give
// null, the others throw std::bad_alloc); SIZE_MAX refuses none again.
void refuseAllocationsFrom(size_t bytes);

// Refuses allocations of `bytes` or more while it lives.
class RefusedAllocations {
  public:
    explicit RefusedAllocations(size_t bytes) { refuseAllocationsFrom(bytes); }
    ~RefusedAllocations() { refuseAllocationsFrom(SIZE_MAX); }
    RefusedAllocations(const RefusedAllocations&) = delete;
    RefusedAllocations& operator=(const RefusedAllocations&) = delete;
};
