#pragma once
// Counts every allocation of the program it is linked into (it replaces the
// global operator new), so tests and benchmarks can show that a stretch of
// work allocates nothing. Link allocation_counter.cpp into that program only.

// Allocations made so far by any thread.
long allocationCount();
