// The search loop and the restart loop around it: decisions, conflict and
// restart budgets, time limits and the stop flags of the cooperation object.
#include <gtest/gtest.h>

#include <thread>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

// n + 1 pigeons in n holes: unsatisfiable, and hard for clause learning.
void addPigeonhole(Solver& s, int holes) {
  const int base = s.nVars(), pigeons = holes + 1;
  for (int i = 0; i < pigeons * holes; i++) s.newVar();
  auto at = [&](int pigeon, int hole) { return mkLit(base + pigeon * holes + hole); };
  for (int p = 0; p < pigeons; p++) {
    vec<Lit> ps;
    for (int h = 0; h < holes; h++) ps.push(at(p, h));
    s.addClause(ps)->isSoft(false);
  }
  for (int h = 0; h < holes; h++)
    for (int p = 0; p < pigeons; p++)
      for (int q = p + 1; q < pigeons; q++) addClause(s, {neg(at(p, h)), neg(at(q, h))});
}

}  // namespace

TEST(Search, ConflictBudgetEndsTheSearchUndecidedAtLevelZero) {
  Engine e;
  addPigeonhole(e.s, 6);
  EXPECT_EQ(e.s.search(3, -1), l_Undef);
  EXPECT_EQ(e.s.conflicts, 3u);
  EXPECT_EQ(e.s.decisionLevel(), 0);
  EXPECT_TRUE(e.s.okay());
}

// Budgets 100, 150; 100, 150, 225: one search uses about 100 conflicts, five
// use at least 725 (a run of conflicts can pass a budget) and not the 1000 or
// more that budgets growing without starting over would allow.
TEST(Search, RestartScheduleGrowsInnerBudgetsAndStartsOverOnTheOuterOnes) {
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

TEST(Search, TimeLimitZeroStopsInTheFirstCycleAndSetsTheRolesFlags) {
  for (int role = 0; role < 2; role++) {
    Cooperation coop(2, 16);
    (role == 0 ? coop.lbTimeLimit : coop.ubTimeLimit) = 0;
    Engine e(coop);
    e.s.tid = e.s.role = role;
    addPigeonhole(e.s, 4);
    EXPECT_EQ(e.s.search(-1, -1), l_Undef);
    EXPECT_EQ(e.s.decisions, 0u);
    EXPECT_EQ(coop.lbTimeOut, role == 0);
    EXPECT_EQ(coop.timedOut, role == 0);
    EXPECT_EQ(coop.ubTimeOut, role == 1);
    EXPECT_TRUE(e.s.okay());
  }
}

TEST(Search, StopFlagsBeforeTheStart) {
  struct Case {
    bool done, interrupted, partitioned, doneAfter;
  };
  for (Case c : {Case{true, false, false, true}, Case{false, true, false, true}, Case{false, true, true, false}}) {
    Cooperation coop(2, 16);
    coop.done = c.done;
    coop.interrupted = c.interrupted;
    coop.partitionedSearch = c.partitioned;
    Engine e(coop, 3);
    EXPECT_FALSE(e.s.multiSolve());
    EXPECT_TRUE(e.s.okay());
    EXPECT_EQ((bool)coop.done, c.doneAfter);
  }
}

// A stop flag written by another thread ends a search that would otherwise
// run for a very long time.
TEST(Search, StopFlagSetByAnotherThreadEndsARunningSearch) {
  Cooperation coop(2, 16);
  Engine e(coop);
  addPigeonhole(e.s, 10);
  std::thread stopper([&coop] { coop.done = true; });
  lbool status = e.s.search(-1, -1);
  stopper.join();
  EXPECT_EQ(status, l_Undef);
}
