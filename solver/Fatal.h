// The one way the solver ends the process on an unrecoverable condition.
#pragma once

#include <cstddef>

// Prints "c Error: <message>" on standard error and ends the process with
// status 1. When another thread owns the output (an answer is being
// printed), that thread ends the process instead, and this one waits.
[[noreturn]] void fatalError(const char* message);

// From this call on, a new (or a standard container) that finds no memory
// ends the run like fatalError("out of memory") instead of throwing; every
// nothrow new still returns null. Called at the start of main.
void endRunOnFailedAllocation();

// malloc/realloc that never return null: running out of memory is fatal.
void* xmalloc(size_t bytes);
void* xrealloc(void* block, size_t bytes);
