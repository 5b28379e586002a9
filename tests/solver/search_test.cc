// The search loop: conflict and restart budgets, time limits and stop flags;
// the one-shot start gate; the exit when memory runs out.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "solver/Fatal.h"
#include "tests/solver/test_util.h"

using namespace quon_test;

// Under the address sanitizer an impossible allocation must return null, as
// in a normal build, instead of being reported by the sanitizer.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {
void addPigeonhole(Solver& s, int holes) {
  const Problem p = pigeonhole(holes);
  while (s.nVars() < p.nVars) s.newVar();
  for (const TestConstraint& c : p.constraints) add(s, c);
}
}  // namespace

// One search stops after 3 conflicts; budgets 100, 150; 100, 150, 225: one
// restart uses about 100 conflicts, five at least 725 and fewer than the 1000
// that budgets growing without starting over would allow.
TEST(Search, ConflictAndRestartBudgets) {
  Engine one;
  addPigeonhole(one.s, 6);
  EXPECT_EQ(one.s.search(3, -1), l_Undef);
  EXPECT_EQ(one.s.conflicts, 3u);
  EXPECT_EQ(one.s.decisionLevel(), 0);
  for (int budget : {1, 5}) {
    Engine e;
    addPigeonhole(e.s, 8);
    e.s.restartBudget = budget;
    EXPECT_FALSE(e.s.multiSolve());
    EXPECT_TRUE(e.s.okay()) << "undecided is not unsatisfiable";
    EXPECT_EQ(e.s.starts, (uint64_t)budget);
    EXPECT_GE(e.s.conflicts, budget == 1 ? 100u : 725u);
    EXPECT_LT(e.s.conflicts, budget == 1 ? 150u : 1000u);
  }
}

// A time limit of 0 stops in the first cycle and sets the role's flags; a
// stop flag set before the start ends the search undecided.
TEST(Search, TimeLimitZeroAndStopFlagsBeforeTheStart) {
  for (int role = 0; role < 2; role++) {
    Cooperation coop(2, 16);
    (role == 0 ? coop.lbTimeLimit : coop.ubTimeLimit) = 0;
    Engine e(coop);
    e.s.attach(&coop, role, (Role)role, 0);
    addPigeonhole(e.s, 4);
    EXPECT_EQ(e.s.search(-1, -1), l_Undef);
    EXPECT_EQ(e.s.decisions, 0u);
    EXPECT_EQ(coop.lbTimeOut && coop.timedOut, role == 0);
    EXPECT_EQ(coop.ubTimeOut, role == 1);
    EXPECT_TRUE(e.s.okay());
  }
  for (bool done : {true, false})
    for (bool partitioned : {false, true}) {
      Cooperation coop(2, 16);
      coop.done = done;
      coop.interrupted = !done;
      coop.partitionedSearch = partitioned;
      Engine e(coop, 3);
      EXPECT_FALSE(e.s.multiSolve());
      EXPECT_TRUE(e.s.okay());
      EXPECT_EQ((bool)coop.done, done || !partitioned);
    }
}

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

// The same end for new and the standard containers once the handlers are
// installed; a nothrow new still returns null (std::stable_sort falls back
// to sorting in place). The sanitizers' allocators report a failed new
// themselves.
TEST(FatalError, FailedNewEndsTheProcessWithAMessage) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer reports a failed new itself";
#endif
  volatile size_t huge = SIZE_MAX / 4;
  EXPECT_EXIT((endRunOnFailedAllocation(), ::operator new(huge)), ::testing::ExitedWithCode(1),
              "c Error: out of memory");
  EXPECT_EXIT((endRunOnFailedAllocation(), std::vector<char>(huge)), ::testing::ExitedWithCode(1),
              "c Error: out of memory");
  EXPECT_EXIT(
      {
        endRunOnFailedAllocation();
        const bool none = ::operator new(huge, std::nothrow) == nullptr && new (std::nothrow) char[huge] == nullptr &&
                          ::operator new(huge, std::align_val_t(64), std::nothrow) == nullptr;
        fprintf(stderr, "nothrow new gave %s\n", none ? "null" : "memory");
        exit(7);
      },
      ::testing::ExitedWithCode(7), "nothrow new gave null");
}

// A bad_alloc that no failed allocation is behind (a length over the
// allocator's maximum) ends the same way instead of in std::terminate.
TEST(FatalError, BadAllocWithoutFailedAllocationEndsTheProcessWithAMessage) {
  volatile size_t huge = SIZE_MAX / 4;
  // noexcept: the exception goes to std::terminate, not to the test's catch.
  auto overMaximum = [&huge]() noexcept { return std::allocator<long>().allocate(huge); };
  EXPECT_EXIT((endRunOnFailedAllocation(), overMaximum()), ::testing::ExitedWithCode(1), "c Error: out of memory");
}
