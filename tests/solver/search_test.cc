// The search loop and the restart loop around it: decisions, time budgets,
// restart budgets and the stop flags shared through the cooperation object.
#include <gtest/gtest.h>

#include <thread>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

Constraint* addClause(Solver& s, std::initializer_list<Lit> ls) {
  vec<Lit> ps;
  for (Lit l : ls) ps.push(l);
  Constraint* c = s.addClause(ps);
  c->isSoft(false);
  return c;
}

// n + 1 pigeons in n holes: unsatisfiable, and hard for clause learning as n grows.
void addPigeonhole(Solver& s, int holes) {
  int pigeons = holes + 1;
  int base = s.nVars();
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

TEST(Search, ProblemWithoutVariablesIsSatisfiedByTheEmptyModel) {
  Engine e;
  EXPECT_TRUE(e.s.multiSolve());
  EXPECT_EQ(e.s.model.size(), 0);
}

TEST(Search, DecisionsAssignFalse) {
  Engine e;
  e.createVariables(4);
  ASSERT_TRUE(e.s.multiSolve());
  for (int x = 0; x < 4; x++) EXPECT_EQ(e.s.model[x], l_False);
  EXPECT_EQ(e.s.conflicts, 0u);
}

TEST(Search, SearchWithoutBudgetsDecidesPigeonholeUnsatisfiable) {
  Engine e;
  addPigeonhole(e.s, 5);
  EXPECT_EQ(e.s.search(-1, -1), l_False);
  EXPECT_GT(e.s.conflicts, 0u);
  EXPECT_EQ(e.s.starts, 1u);
}

TEST(Search, ReductionAndRestartsDoNotChangeThePigeonholeAnswer) {
  Engine e;
  addPigeonhole(e.s, 6);
  e.s.restartFirst = 5;
  e.s.minLearnts = 10;
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_FALSE(e.s.okay());
  EXPECT_GT(e.s.starts, 1u);
}

TEST(Search, ConflictBudgetEndsTheSearchUndecidedAtLevelZero) {
  Engine e;
  addPigeonhole(e.s, 6);
  EXPECT_EQ(e.s.search(3, -1), l_Undef);
  EXPECT_EQ(e.s.conflicts, 3u);
  EXPECT_EQ(e.s.decisionLevel(), 0);
  EXPECT_TRUE(e.s.okay());
}

TEST(Search, LowerBoundTimeLimitZeroStopsInTheFirstCycleAndSetsBothFlags) {
  Cooperation coop(2, 16);
  coop.lbTimeLimit = 0;
  Engine e(coop);
  addPigeonhole(e.s, 4);
  EXPECT_EQ(e.s.search(-1, -1), l_Undef);
  EXPECT_TRUE(coop.timedOut);
  EXPECT_TRUE(coop.lbTimeOut);
  EXPECT_FALSE(coop.ubTimeOut);
  EXPECT_EQ(e.s.decisions, 0u);
  EXPECT_FALSE(e.s.multiSolve()) << "every later search ends at once";
  EXPECT_TRUE(e.s.okay());
}

TEST(Search, UpperBoundTimeLimitZeroSetsOnlyItsOwnFlag) {
  Cooperation coop(2, 16);
  coop.ubTimeLimit = 0;
  Engine e(coop);
  e.s.tid = 1;
  e.s.role = 1;
  addPigeonhole(e.s, 4);
  EXPECT_EQ(e.s.search(-1, -1), l_Undef);
  EXPECT_TRUE(coop.ubTimeOut);
  EXPECT_FALSE(coop.timedOut);
  EXPECT_FALSE(coop.lbTimeOut);
  EXPECT_EQ(e.s.decisions, 0u);
}

TEST(Search, RestartBudgetOneRunsExactlyOneSearchAndReturnsUndecided) {
  Engine e;
  addPigeonhole(e.s, 7);  // far more than 100 conflicts
  e.s.restartBudget = 1;
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_EQ(e.s.starts, 1u);
  EXPECT_EQ(e.s.restarts, 1);
  // The budget is checked in cycles without a conflict, so a run of
  // conflicts may carry the count past it.
  EXPECT_GE(e.s.conflicts, 100u) << "the first search's conflict budget";
  EXPECT_LT(e.s.conflicts, 150u);
  EXPECT_TRUE(e.s.okay()) << "undecided is not unsatisfiable";
}

// Budgets 100, 150; 100, 150, 225: five searches use at least 725 conflicts
// (a run of conflicts can pass a budget), and not the 1000 or more that
// budgets growing without starting over would allow.
TEST(Search, RestartScheduleGrowsInnerBudgetsAndStartsOverOnTheOuterOnes) {
  Engine e;
  addPigeonhole(e.s, 8);
  e.s.restartBudget = 5;
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_EQ(e.s.starts, 5u);
  EXPECT_GE(e.s.conflicts, 725u);
  EXPECT_LT(e.s.conflicts, 1000u);
}

TEST(Search, DoneBeforeTheStartReturnsAtOnce) {
  Cooperation coop(2, 16);
  coop.done = true;
  Engine e(coop);
  e.createVariables(3);
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_EQ(e.s.starts, 0u);
  EXPECT_TRUE(e.s.okay());
}

TEST(Search, InterruptedMarksTheRunDoneAndReturnsUndecided) {
  Cooperation coop(2, 16);
  coop.interrupted = true;
  Engine e(coop);
  e.createVariables(3);
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_TRUE(coop.done);
}

TEST(Search, InterruptedPartitionedLowerBoundSearchLeavesDoneAlone) {
  Cooperation coop(2, 16);
  coop.interrupted = true;
  coop.partitionedSearch = true;
  Engine e(coop);
  e.createVariables(3);
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_FALSE(coop.done);
}

TEST(Search, UnsatisfiableAnswerClearsOkay) {
  Engine e;
  addPigeonhole(e.s, 3);
  ASSERT_TRUE(e.s.okay());
  EXPECT_FALSE(e.s.multiSolve());
  EXPECT_FALSE(e.s.okay());
  EXPECT_FALSE(e.s.multiSolve());
}

// A stop flag written by another thread ends a search that would otherwise
// run for a very long time (pigeonhole with ten holes).
TEST(Search, StopFlagSetByAnotherThreadEndsARunningSearch) {
  Cooperation coop(2, 16);
  Engine e(coop);
  addPigeonhole(e.s, 10);
  std::thread stopper([&coop] { coop.done = true; });
  lbool status = e.s.search(-1, -1);
  stopper.join();
  EXPECT_EQ(status, l_Undef);
}

TEST(PickBranchLit, NonDecisionVariablesAreNeverChosen) {
  Engine e;
  e.s.newVar(true, false);
  e.s.newVar(true, true);
  EXPECT_EQ(e.s.pickBranchLit(1, 0.0), mkLit(1, true));
  e.s.uncheckedEnqueue(mkLit(1, true), nullptr);
  EXPECT_EQ(e.s.pickBranchLit(1, 1.0), lit_Undef);
}

// Equal activities never move in the decision heap: after the first
// variable goes, the last one takes its place at the top. Worked by hand for
// four variables: 0, 3, 2, 1.
TEST(PickBranchLit, EqualActivitiesAreDecidedInHeapOrder) {
  Engine e;
  e.createVariables(4);
  std::vector<Lit> picks;
  for (int i = 0; i < 4; i++) {
    Lit p = e.s.pickBranchLit(1, 0.0);
    picks.push_back(p);
    decide(e.s, p);
  }
  EXPECT_EQ(picks, (std::vector<Lit>{mkLit(0, true), mkLit(3, true), mkLit(2, true), mkLit(1, true)}));
  EXPECT_EQ(e.s.pickBranchLit(1, 0.0), lit_Undef);
}

TEST(PickBranchLit, MostActiveVariableGoesFirst) {
  Engine e;
  e.createVariables(5);
  e.s.bumpVar(3);
  e.s.bumpVar(3);
  e.s.bumpVar(1);
  EXPECT_EQ(e.s.pickBranchLit(1, 0.0), mkLit(3, true));
  EXPECT_EQ(e.s.pickBranchLit(1, 0.0), mkLit(1, true));
}
