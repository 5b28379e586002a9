/* Allocation and small int-array routines used throughout the partitioner.
 * Every allocation carries a label ("Routine: array") that is printed only
 * when the allocation fails, which ends the process. */
#ifndef HYPERGRAPH_ZVLIB_H
#define HYPERGRAPH_ZVLIB_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>

/* A size of 0 returns null without allocating. */
void *ZVmalloc__(size_t size, const char *label);
int *imalloc__(size_t n, const char *label);
float *fmalloc__(size_t n, const char *label);
int *ismalloc__(size_t n, int value, const char *label);

/* Frees each listed array and nulls the pointer, so a later free of the
 * same field is harmless. */
template <typename... T>
void ZVfree__(T **...pointers) {
  ((std::free(*pointers), *pointers = nullptr), ...);
}

void icopy__(size_t n, const int *from, int *to);
void iset__(size_t n, int value, int *array);
int64_t iasum__(int n, const int *array);
/* Index of the first largest / smallest entry; 0 when n <= 1. */
int iamax__(int n, const int *array);
int iamin__(int n, const int *array);

#endif
