// The one way the solver ends the process on an unrecoverable condition.
#pragma once

#include <cstddef>

// Flushes standard output, prints "c Error: <message>" on standard error and
// exits with status 1.
[[noreturn]] void fatalError(const char* message);

// malloc/realloc that never return null: running out of memory is fatal.
void* xmalloc(size_t bytes);
void* xrealloc(void* block, size_t bytes);
