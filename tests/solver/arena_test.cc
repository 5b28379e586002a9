// The constraint arena: chunks are aligned and disjoint, a released chunk is
// handed out again for the same size, and large chunks come and go on their
// own (the sanitizer build checks that nothing leaks or is freed twice).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "solver/ConstraintArena.h"

namespace {
struct Chunk {
  unsigned char* at;
  size_t bytes;
  unsigned char fill;
};

// Fills every chunk with its own byte and checks that no write reached another.
void fillAndCheck(const std::vector<Chunk>& chunks) {
  for (const Chunk& c : chunks) memset(c.at, c.fill, c.bytes);
  for (const Chunk& c : chunks)
    for (size_t i = 0; i < c.bytes; i++) ASSERT_EQ(c.at[i], c.fill) << "overlap";
}
}  // namespace

TEST(ConstraintArena, ChunksAreAlignedAndDisjointAcrossSizes) {
  ConstraintArena arena;
  std::vector<Chunk> chunks;
  // Small, middling and large sizes, enough to need several blocks.
  const size_t sizes[] = {12, 20, 44, 100, 4000, 4097, 20000, 300000};
  for (int round = 0; round < 40; round++)
    for (size_t bytes : sizes) {
      auto* at = (unsigned char*)arena.allocate(bytes);
      EXPECT_EQ((uintptr_t)at % 16, 0u);
      chunks.push_back({at, bytes, (unsigned char)(chunks.size() % 251 + 1)});
    }
  fillAndCheck(chunks);
}

TEST(ConstraintArena, ReleasedChunksAreReusedAndLargeOnesFreed) {
  ConstraintArena arena;
  void* small = arena.allocate(40);
  void* large = arena.allocate(100000);
  arena.release(small, 40);
  arena.release(large, 100000);
  // The same size class (40 and 44 round alike) gets the released chunk back.
  EXPECT_EQ(arena.allocate(44), small);
  std::vector<Chunk> chunks;
  for (int i = 0; i < 1000; i++) {
    size_t bytes = 12 + (size_t)(i * 37 % 200);
    void* at = arena.allocate(bytes);
    if (i % 3 == 0) arena.release(at, bytes);
    else chunks.push_back({(unsigned char*)at, bytes, (unsigned char)(i % 251 + 1)});
  }
  fillAndCheck(chunks);
}
