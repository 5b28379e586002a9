#include "solver/ConstraintArena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

#include "solver/Fatal.h"

static char* hugePageBlock(size_t bytes) {
  void* block = nullptr;
  if (posix_memalign(&block, bytes, bytes) != 0) fatalError("out of memory");
#ifdef MADV_HUGEPAGE
  madvise(block, bytes, MADV_HUGEPAGE);  // advice only: failure changes nothing
#endif
  return (char*)block;
}

ConstraintArena::~ConstraintArena() {
  for (char* block : blocks) free(block);
  for (char* block : ownBlocks) free(block);
}

char* ConstraintArena::carve(size_t bytes) {
  if (used + bytes > blockSize) {
    blocks.push_back(hugePageBlock(blockSize));
    used = 0;
  }
  char* at = blocks.back() + used;
  used += bytes;
  return at;
}

void* ConstraintArena::allocate(size_t bytes) {
  bytes = (bytes + granule - 1) & ~(granule - 1);
  if (bytes > largestPooled) {
    char* own = (char*)xmalloc(bytes);
    ownBlocks.push_back(own);
    return own;
  }
  FreeChunk*& head = freeLists[bytes / granule];
  if (head == nullptr) return carve(bytes);
  FreeChunk* chunk = head;
  head = chunk->next;
  return chunk;
}

void ConstraintArena::release(void* chunk, size_t bytes) {
  bytes = (bytes + granule - 1) & ~(granule - 1);
  if (bytes > largestPooled) {
    auto own = std::find(ownBlocks.begin(), ownBlocks.end(), (char*)chunk);
    *own = ownBlocks.back();
    ownBlocks.pop_back();
    free(chunk);
    return;
  }
  FreeChunk* freed = (FreeChunk*)chunk;
  freed->next = freeLists[bytes / granule];
  freeLists[bytes / granule] = freed;
}
