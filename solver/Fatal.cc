#include "solver/Fatal.h"

#include <cstdio>
#include <cstdlib>

void fatalError(const char* message) {
  fflush(stdout);
  fprintf(stderr, "c Error: %s\n", message);
  fflush(stderr);
  exit(1);
}

void* xmalloc(size_t bytes) {
  void* block = malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) fatalError("out of memory");
  return block;
}

void* xrealloc(void* block, size_t bytes) {
  void* grown = realloc(block, bytes == 0 ? 1 : bytes);
  if (grown == nullptr) fatalError("out of memory");
  return grown;
}
