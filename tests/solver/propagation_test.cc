// Unit propagation through clauses (two watches) and pseudo-Boolean counters,
// and backtracking; the counters stay exact through random sequences of
// adding, deciding, propagating, searching and backtracking.
#include <gtest/gtest.h>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

Constraint* addClause(Solver& s, std::initializer_list<Lit> ls) {
  vec<Lit> ps;
  for (Lit l : ls) ps.push(l);
  return s.addClause(ps);
}

Constraint* addPB(Solver& s, std::initializer_list<std::pair<unsigned, Lit>> terms, unsigned rhs) {
  vec<Lit> ls;
  vec<unsigned> cs;
  for (auto& t : terms) {
    cs.push(t.first);
    ls.push(t.second);
  }
  return s.addPBConstraint(ls, cs, rhs);
}

const Lit x1 = mkLit(0), x2 = mkLit(1), x3 = mkLit(2), x4 = mkLit(3), x5 = mkLit(4);

}  // namespace

TEST(ClausePropagation, ClauseWithTrueFirstLiteralIsKeptWithoutMovingItsWatch) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addClause(e.s, {x1, x2, x3});
  ASSERT_EQ((*c)[0], x1);
  decide(e.s, x1);
  ASSERT_EQ(e.s.propagate(), nullptr);
  decide(e.s, neg(x2));
  ASSERT_EQ(e.s.propagate(), nullptr);
  // x2 was watched: the clause stays in its list, x3 is not looked at.
  EXPECT_EQ((*c)[0], x1);
  EXPECT_EQ((*c)[1], x2);
  EXPECT_EQ(e.s.varValue(2), l_Undef);
  EXPECT_EQ(checkInvariants(e.s, true), "");
}

TEST(ClausePropagation, FalsifiedWatchMovesToAnUnassignedLiteral) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addClause(e.s, {x1, x2, x3});
  decide(e.s, neg(x1));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ((*c)[1], x3);
  EXPECT_EQ((*c)[2], x1);
  decide(e.s, neg(x3));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x2), l_True);
  EXPECT_EQ(e.s.reason[1], c);
  EXPECT_EQ(e.s.level[1], 2);
  EXPECT_EQ(checkInvariants(e.s, true), "");
}

TEST(ClausePropagation, ConflictEmptiesTheQueue) {
  Engine e;
  e.createVariables(4);
  addClause(e.s, {neg(x1), x2});
  addClause(e.s, {neg(x1), neg(x2)});
  addClause(e.s, {neg(x1), x3});
  addClause(e.s, {neg(x3), x4});
  decide(e.s, x1);
  Constraint* confl = e.s.propagate();
  ASSERT_NE(confl, nullptr);
  EXPECT_TRUE(confl->isClause());
  EXPECT_EQ(e.s.propHead, e.s.trail.size());
  e.s.cancelUntil(0);
  EXPECT_EQ(e.s.trail.size(), 0);
  EXPECT_EQ(e.s.propHead, 0);
  EXPECT_EQ(checkInvariants(e.s, true), "");
}

TEST(CounterPropagation, AtLeastTwoOfThreeForcesTheRestAfterOneFalse) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addPB(e.s, {{1, x1}, {1, x2}, {1, x3}}, 2);
  decide(e.s, neg(x1));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x2), l_True);
  EXPECT_EQ(e.s.value(x3), l_True);
  EXPECT_EQ(e.s.reason[1], c);
  EXPECT_EQ(e.s.reason[2], c);
  EXPECT_EQ(c->val0Lits(), 1);
}

TEST(CounterPropagation, AtLeastTwoOfThreeWithTwoFalseIsAConflict) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addPB(e.s, {{1, x1}, {1, x2}, {1, x3}}, 2);
  decide(e.s, neg(x1));
  e.s.uncheckedEnqueue(neg(x2), nullptr);  // both waiting in the queue
  EXPECT_EQ(e.s.propagate(), c);
}

// 3 x1 + 2 x2 + x3 >= 3 with x3 false: slack 5; x1 forced (5 - 3 < 3); the
// scan stops at x2 (5 - 2 >= 3).
TEST(CounterPropagation, ScanForcesLargeCoefficientsAndStopsAtTheFirstUnforced) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addPB(e.s, {{3, x1}, {2, x2}, {1, x3}}, 3);
  decide(e.s, neg(x3));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(c->coeffSum() - c->val0Lits(), 5);
  EXPECT_EQ(e.s.value(x1), l_True);
  EXPECT_EQ(e.s.varValue(1), l_Undef);
}

TEST(CounterPropagation, ConflictInTheFirstRecordStillCountsTheLaterRecords) {
  Engine e;
  e.createVariables(4);
  Constraint* first = addPB(e.s, {{1, x1}, {1, x2}, {1, x3}}, 2);
  Constraint* second = addPB(e.s, {{2, x1}, {1, x4}}, 1);
  ASSERT_EQ(e.s.trail.size(), 0);
  // x3 and x1 false, both waiting: x3 goes first, then x1 breaks the first
  // constraint through its first record.
  decide(e.s, neg(x3));
  e.s.uncheckedEnqueue(neg(x1), nullptr);
  Constraint* confl = e.s.propagate();
  EXPECT_EQ(confl, first);
  EXPECT_EQ(first->val0Lits(), 2);
  EXPECT_EQ(second->val0Lits(), 2) << "the later record is counted too";
  EXPECT_EQ(e.s.varValue(3), l_Undef) << "nothing is forced after the conflict";
  EXPECT_EQ(e.s.pbCounted[0], 1);
  e.s.cancelUntil(0);
  EXPECT_EQ(first->val0Lits(), 0);
  EXPECT_EQ(second->val0Lits(), 0);
  EXPECT_EQ(checkInvariants(e.s, true), "");
}

TEST(CounterPropagation, ConflictLeavesTheRestOfTheQueueWaiting) {
  Engine e;
  e.createVariables(4);
  Constraint* c = addPB(e.s, {{1, x1}, {1, x2}, {1, x3}}, 2);
  decide(e.s, neg(x1));
  e.s.uncheckedEnqueue(neg(x2), nullptr);
  e.s.uncheckedEnqueue(x4, nullptr);
  ASSERT_EQ(e.s.propagate(), c);
  EXPECT_EQ(e.s.propHead, 2) << "x4 has not been taken";
  EXPECT_EQ(e.s.pbCounted[3], 0);
  e.s.cancelUntil(0);
  EXPECT_EQ(e.s.propHead, 0);
  EXPECT_EQ(c->val0Lits(), 0);
}

// 3a + ~a + c >= 3 forces a; its ~a is false but still waiting in the queue
// when the constraint is attached, and must be counted once, not twice.
TEST(CounterPropagation, LiteralWaitingInTheQueueIsCountedOnlyOnce) {
  Engine e;
  e.createVariables(2);
  const Lit a = mkLit(0), c = mkLit(1);
  Constraint* pb = addPB(e.s, {{3, a}, {1, neg(a)}, {1, c}}, 3);
  EXPECT_EQ(e.s.value(a), l_True);
  EXPECT_EQ(e.s.varValue(1), l_Undef) << "with a true the constraint holds whatever c is";
  EXPECT_EQ(pb->val0Lits(), 1);
  EXPECT_EQ(checkInvariants(e.s, true), "");
  EXPECT_TRUE(e.s.multiSolve());
}

// Three coefficients of 1.5e9 add up to 4.5e9, beyond 32 bits.
TEST(CounterPropagation, SumsBeyondThirtyTwoBitsAreNotAConflict) {
  Engine e;
  e.createVariables(3);
  addPB(e.s, {{1500000000u, x1}, {1500000000u, x2}, {1500000000u, x3}}, 1500000000u);
  EXPECT_TRUE(e.s.okay());
  EXPECT_EQ(e.s.trail.size(), 0);
  ASSERT_TRUE(e.s.multiSolve());
  EXPECT_TRUE(e.s.model[0] == l_True || e.s.model[1] == l_True || e.s.model[2] == l_True);
}

// 1.2e9 (x1 + x2 + x3) >= 1.2e9 with x1 false: slack 2.4e9, more than 2^31.
TEST(CounterPropagation, SlackAboveTwoToTheThirtyOneIsNotNegative) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addPB(e.s, {{1200000000u, x1}, {1200000000u, x2}, {1200000000u, x3}}, 1200000000u);
  decide(e.s, neg(x1));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(c->coeffSum() - c->val0Lits(), 2400000000LL);
  EXPECT_EQ(e.s.varValue(1), l_Undef);
  EXPECT_EQ(e.s.varValue(2), l_Undef);
  decide(e.s, neg(x2));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x3), l_True);
}

TEST(CounterPropagation, HugeCoefficientsForceOnlyWhatTheyMust) {
  Engine e;
  e.createVariables(3);
  // 4294967295 x1 + 4294967295 x2 + x3 >= 4294967296: x1 and x2 alone fall short.
  Constraint* c = addPB(e.s, {{0xFFFFFFFFu, x1}, {0xFFFFFFFFu, x2}, {1, x3}}, 0xFFFFFFFFu);
  EXPECT_EQ(e.s.trail.size(), 0);
  decide(e.s, neg(x3));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.trail.size(), 1);
  decide(e.s, neg(x1));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x2), l_True);
  EXPECT_EQ(c->val0Lits(), 0xFFFFFFFFLL + 1);
}

TEST(CancelUntil, DoesNothingAtOrAboveTheCurrentLevel) {
  Engine e;
  e.createVariables(2);
  decide(e.s, x1);
  e.s.cancelUntil(1);
  e.s.cancelUntil(5);
  EXPECT_EQ(e.s.decisionLevel(), 1);
  EXPECT_EQ(e.s.value(x1), l_True);
}

TEST(CancelUntil, KeepsLevelZeroAndRecordsThePolarityOfUndoneVariables) {
  Engine e;
  e.createVariables(3);
  addClause(e.s, {x1});
  decide(e.s, neg(x2));
  decide(e.s, x3);
  e.s.cancelUntil(0);
  EXPECT_EQ(e.s.decisionLevel(), 0);
  EXPECT_EQ(e.s.value(x1), l_True);
  EXPECT_EQ(e.s.varValue(1), l_Undef);
  EXPECT_EQ(e.s.varValue(2), l_Undef);
  EXPECT_EQ(e.s.polarity[1], 0);
  EXPECT_EQ(e.s.polarity[2], 1);
  EXPECT_EQ(e.s.level[1], 1) << "the level of an undone variable keeps its old value";
  EXPECT_TRUE(e.s.varHeap.contains(1));
  EXPECT_TRUE(e.s.varHeap.contains(2));
  EXPECT_EQ(e.s.trail.size(), 1);
}

TEST(Propagate, ClausesGoBeforeCountersForEachLiteral) {
  Engine e;
  e.createVariables(3);
  // x1 false: the clause forces x2 and the counter constraint forces ~x2.
  Constraint* clause = addClause(e.s, {x1, x2});
  addPB(e.s, {{1, x1}, {1, neg(x2)}, {1, x3}}, 2);
  decide(e.s, neg(x1));
  Constraint* confl = e.s.propagate();
  EXPECT_EQ(e.s.reason[1], clause) << "the clause assigned x2 first";
  EXPECT_NE(confl, nullptr);
  EXPECT_EQ(e.s.propagations, 2u);
}

// Random sequences of adding (at level 0), deciding (on an empty queue, as
// the search does), propagating, backtracking, detaching and reattaching
// counters and short searches keep every watch in place and every counter
// exact. Only a clause conflict leaves taken literals uncounted, until the
// backtrack that follows it.
TEST(Invariants, HoldThroughRandomSequencesOfOperations) {
  Lcg rng(31);
  GeneratorSettings g;
  g.minVars = 4;
  g.maxVars = 10;
  g.clausePercent = 35;
  g.cardinalityPercent = 30;
  int conflicts = 0, searches = 0;
  for (int round = 0; round < 1500; round++) {
    Engine e;
    Problem p = randomProblem(rng, g);
    e.createVariables(p.nVars);
    size_t added = 0;
    bool queueComplete = true;
    for (int step = 0; step < 80 && e.s.okay(); step++) {
      int op = (int)rng.below(100);
      if (op < 20 && added < p.constraints.size()) {
        e.s.cancelUntil(0);
        queueComplete = true;
        addToSolver(e.s, p.constraints[added++], rng);
        queueComplete = e.s.okay();  // a conflict while adding may stop in a clause
      } else if (op < 50) {
        if (e.s.propHead < e.s.trail.size() || !queueComplete) continue;
        Var v = (Var)rng.below((uint32_t)p.nVars);
        if (e.s.varValue(v) != l_Undef) continue;
        decide(e.s, mkLit(v, rng.chance(50)));
      } else if (op < 75) {
        Constraint* confl = e.s.propagate();
        if (confl != nullptr) {
          conflicts++;
          if (e.s.decisionLevel() == 0) break;  // unsatisfiable: nothing more to do
          if (confl->isClause()) queueComplete = false;
          ASSERT_EQ(checkInvariants(e.s, queueComplete), "") << "at a conflict, round " << round << " step " << step;
          e.s.cancelUntil((int)rng.below((uint32_t)e.s.decisionLevel()));
          queueComplete = true;
        }
      } else if (op < 85) {
        int lvl = (int)rng.below((uint32_t)e.s.decisionLevel() + 1);
        if (lvl < e.s.decisionLevel()) queueComplete = true;
        e.s.cancelUntil(lvl);
      } else if (op < 93) {
        // Detach and reattach an attached counter constraint.
        std::vector<Constraint*> attached;
        for (int lit = 0; lit < e.s.pbWatches.size(); lit++)
          for (int k = 0; k < e.s.pbWatches[lit].size(); k++) attached.push_back(e.s.pbWatches[lit][k].c);
        if (attached.empty()) continue;
        Constraint* c = attached[rng.below((uint32_t)attached.size())];
        e.s.detachClause(*c);
        ASSERT_EQ(checkInvariants(e.s, queueComplete), "") << "after detach, round " << round << " step " << step;
        e.s.attachPB(*c);
      } else {
        if (!queueComplete) continue;
        e.s.cancelUntil(0);
        searches++;
        lbool status = e.s.search(1 + (int)rng.below(5), rng.chance(50) ? 1 : -1);
        if (status == l_False) break;
      }
      ASSERT_EQ(checkInvariants(e.s, queueComplete), "") << "round " << round << " step " << step << " op " << op;
    }
  }
  EXPECT_GT(conflicts, 300);
  EXPECT_GT(searches, 200);
}
