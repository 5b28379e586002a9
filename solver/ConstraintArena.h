// Storage for a solver's problem constraints. They live as long as the
// solver (only learnt constraints are ever deleted one by one), so they are
// carved out of large blocks: neighbouring constraints share cache lines and
// pages, and a solver with millions of clauses is built and released without
// a malloc and a free per clause.
#pragma once

#include <cstddef>
#include <vector>

class ConstraintArena {
  static const size_t blockSize = (size_t)1 << 20;
  std::vector<char*> blocks;
  size_t used = blockSize;  // in the last block

 public:
  ConstraintArena() = default;
  ~ConstraintArena();
  ConstraintArena(const ConstraintArena&) = delete;
  ConstraintArena& operator=(const ConstraintArena&) = delete;

  // 8-byte aligned, never null (running out of memory is fatal).
  void* allocate(size_t bytes);
};
