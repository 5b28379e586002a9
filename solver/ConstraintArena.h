// Storage for a solver's constraints, carved out of large blocks so that
// neighbouring constraints share cache lines and pages, and a solver with
// millions of clauses is built and released without a malloc and a free per
// clause.
//
// The propagation walk reads one clause per watch entry, scattered over all
// the clause memory; with 4 KB pages nearly every such read also misses the
// TLB. The blocks are therefore aligned to and advised as huge pages. That is
// only advice: where the system has no huge pages the blocks are ordinary
// memory and everything runs the same.
//
// Learnt clauses come and go; a released chunk goes on a free list of its
// size and is handed out again before the current block is carved further.
#pragma once

#include <cstddef>
#include <vector>

class ConstraintArena {
  static const size_t blockSize = (size_t)2 << 20;  // one huge page on x86-64
  static const size_t granule = 16;
  // Chunks up to this size are recycled through free lists; larger ones get
  // a block of their own, returned to the system when released.
  static const size_t largestPooled = 4096;

  std::vector<char*> blocks;
  std::vector<char*> ownBlocks;
  size_t used = blockSize;  // in the last block
  struct FreeChunk {
    FreeChunk* next;
  };
  FreeChunk* freeLists[largestPooled / granule + 1] = {};

  char* carve(size_t bytes);

 public:
  ConstraintArena() = default;
  ~ConstraintArena();
  ConstraintArena(const ConstraintArena&) = delete;
  ConstraintArena& operator=(const ConstraintArena&) = delete;

  // 16-byte aligned, never null (running out of memory is fatal).
  void* allocate(size_t bytes);
  // Gives back a chunk of this arena; bytes as asked of allocate.
  void release(void* chunk, size_t bytes);
};
