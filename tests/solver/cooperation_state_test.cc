// The shared cooperation object as the engine sees it: its state right after
// construction, the one-shot start gate, and the process ending cleanly when
// memory runs out.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/Fatal.h"

// Under the address sanitizer an impossible allocation must return null, as
// it does in a normal build, instead of being reported by the sanitizer.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

TEST(CooperationState, ConstructionSizesEveryBufferAndClearsEveryFlag) {
  Cooperation coop(2, 16);
  EXPECT_EQ(coop.nbThreads, 2);
  EXPECT_EQ(coop.limitExport, 16);
  EXPECT_EQ(coop.bounds.size(), 3u);
  for (int t = 0; t < 2; t++) {
    EXPECT_EQ(coop.importLits[t].size(), 20000u);
    EXPECT_EQ(coop.importSizes[t].size(), 20000u);
    EXPECT_EQ(coop.frozenLits[t].size(), 80000u);
    EXPECT_EQ(coop.frozenSizes[t].size(), 80000u);
    EXPECT_EQ(coop.importCount[t], 0);
    EXPECT_EQ(coop.frozenCount[t], 0);
    EXPECT_EQ(coop.exportLimit[t], 16);
    EXPECT_EQ(coop.periodLength[t], 100);
    EXPECT_EQ(coop.periodConflicts[t], 0);
    EXPECT_EQ(coop.decisionActivity[t], 0.0);
    for (int r = 0; r < 2; r++) EXPECT_EQ(coop.exportCutoff[t][r], 16.0f);
  }
  EXPECT_FALSE(coop.done);
  EXPECT_FALSE(coop.answerPrinted);
  EXPECT_FALSE(coop.interrupted);
  EXPECT_FALSE(coop.timedOut);
  EXPECT_FALSE(coop.lbTimeOut);
  EXPECT_FALSE(coop.ubTimeOut);
  EXPECT_FALSE(coop.analysisFailed);
  EXPECT_FALSE(coop.initDone);
  EXPECT_EQ(coop.nbLB, 4);
  EXPECT_EQ(coop.nbUB, 4);
  EXPECT_EQ(coop.typeInterval, 100);
  EXPECT_EQ(coop.limitLBD, 0);
}

TEST(CooperationState, ExportLimitFollowsTheConstructorArgument) {
  Cooperation coop(2, 5);
  EXPECT_EQ(coop.exportLimit[0], 5);
  EXPECT_EQ(coop.exportLimit[1], 5);
  EXPECT_EQ(coop.exportCutoff[1][0], 5.0f);
}

// Opened by one thread, passed by others, each of them afterwards too: a
// one-shot signal, not a lock held by its opener.
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
