// The tests' random numbers: a 64-bit linear congruential generator written
// here, so that every library and machine generates the same instances
// (the standard distributions differ between library implementations).
#pragma once

#include <cstdint>

namespace testing_support {

class Lcg {
  uint64_t state;

 public:
  explicit Lcg(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ULL + 12345) { next32(); }
  uint32_t next32() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (uint32_t)(state >> 32);
  }
  uint64_t next64() { return ((uint64_t)next32() << 32) | next32(); }
  // In [0, n) for n > 0; the modulo bias is irrelevant for test instances.
  uint32_t below(uint32_t n) { return (uint32_t)(next64() % n); }
  uint64_t below64(uint64_t n) { return next64() % n; }
  // In [lo, hi].
  int between(int lo, int hi) { return lo + (int)below((uint32_t)(hi - lo + 1)); }
  bool chance(int percent) { return (int)below(100) < percent; }
};

}  // namespace testing_support
