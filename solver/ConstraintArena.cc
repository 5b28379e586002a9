#include "solver/ConstraintArena.h"

#include <cstdlib>

#include "solver/Fatal.h"

ConstraintArena::~ConstraintArena() {
  for (char* block : blocks) free(block);
}

void* ConstraintArena::allocate(size_t bytes) {
  bytes = (bytes + 7) & ~(size_t)7;
  if (bytes > blockSize / 4) {
    // A very long constraint gets a block of its own, kept before the
    // current block so that the current one stays open for small ones.
    char* own = (char*)xmalloc(bytes);
    blocks.insert(blocks.empty() ? blocks.end() : blocks.end() - 1, own);
    return own;
  }
  if (used + bytes > blockSize) {
    blocks.push_back((char*)xmalloc(blockSize));
    used = 0;
  }
  void* at = blocks.back() + used;
  used += bytes;
  return at;
}
