#include "solver/Fatal.h"

#include <cstdlib>

#include "cooperation/Comment.h"

void fatalError(const char* message) { endWithComment(1, "Error: %s", message); }

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
