#include "hypergraph/ZVlib.h"

#include <cstring>

#include "hypergraph/util.h"

void *ZVmalloc__(size_t size, const char *label) {
  if (size == 0) return nullptr;
  void *memory = std::malloc(size);
  if (memory == nullptr)
    errexit__("Memory allocation failed for %s. Requested size: %zu bytes\n", label, size);
  return memory;
}

/* Element counts are multiplied in size_t; a product that does not fit is
 * reported like any other failed allocation instead of wrapping around. */
static size_t ByteSize__(size_t n, size_t elementSize, const char *label) {
  if (n > SIZE_MAX / elementSize)
    errexit__("Memory allocation failed for %s. Requested size: %zu bytes\n", label, SIZE_MAX);
  return n * elementSize;
}

int *imalloc__(size_t n, const char *label) {
  return static_cast<int *>(ZVmalloc__(ByteSize__(n, sizeof(int), label), label));
}

float *fmalloc__(size_t n, const char *label) {
  return static_cast<float *>(ZVmalloc__(ByteSize__(n, sizeof(float), label), label));
}

int *ismalloc__(size_t n, int value, const char *label) {
  int *array = imalloc__(n, label);
  iset__(n, value, array);
  return array;
}

void icopy__(size_t n, const int *from, int *to) {
  if (n > 0) std::memcpy(to, from, n * sizeof(int));
}

void iset__(size_t n, int value, int *array) {
  for (size_t i = 0; i < n; i++) array[i] = value;
}

int64_t iasum__(int n, const int *array) {
  int64_t sum = 0;
  for (int i = 0; i < n; i++) sum += array[i];
  return sum;
}

int iamax__(int n, const int *array) {
  int best = 0;
  for (int i = 1; i < n; i++)
    if (array[i] > array[best]) best = i;
  return best;
}

int iamin__(int n, const int *array) {
  int best = 0;
  for (int i = 1; i < n; i++)
    if (array[i] < array[best]) best = i;
  return best;
}
