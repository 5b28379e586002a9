// The cooperation object's one-shot start gate, and the process ending with a
// message when memory runs out.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/Fatal.h"

// Under the address sanitizer an impossible allocation must return null, as
// in a normal build, instead of being reported by the sanitizer.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

// Opened by one thread, passed by the others: a signal, not a lock held by its opener.
TEST(StartGate, OpenedByOneThreadLetsEveryOtherThreadPass) {
  Cooperation coop(2, 16);
  std::vector<std::thread> waiters;
  std::vector<int> passed(3, 0);
  for (int i = 0; i < 3; i++)
    waiters.emplace_back([&coop, &passed, i] {
      coop.startGate.pass();
      passed[i] = 1;
    });
  std::thread opener([&coop] { coop.startGate.open(); });
  opener.join();
  for (std::thread& t : waiters) t.join();
  EXPECT_EQ(passed, (std::vector<int>{1, 1, 1}));
  coop.startGate.pass();  // still open for a late comer
}

TEST(FatalError, ImpossibleAllocationEndsTheProcessWithAMessage) {
  EXPECT_EXIT(xmalloc(SIZE_MAX / 2), ::testing::ExitedWithCode(1), "c Error: out of memory");
  EXPECT_EXIT(xrealloc(nullptr, SIZE_MAX / 2), ::testing::ExitedWithCode(1), "c Error: out of memory");
}
