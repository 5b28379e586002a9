// The store, propagation and conflict analysis on hand-built cases, learnt
// clause removal, and the watch and counter invariants through random operations.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {
const Lit x1 = mkLit(0), x2 = mkLit(1), x3 = mkLit(2), x4 = mkLit(3);
const unsigned kMax = 0xFFFFFFFFu;

Constraint* pushLearnt(Solver& s, std::vector<Lit> ls, unsigned ref, bool soft, float activity = 0) {
  Clause* c = Clause::make(ls.data(), (int)ls.size(), ref, true);
  c->isSoft(soft);
  c->activity() = activity;
  s.learnts.push(c);
  if (c->size() > 1) s.attachClause(*c);
  return c;
}
}  // namespace

// Level 0 after adding: values per variable ('1', '0', '.' open), or nullptr
// for unsatisfiable.
TEST(AddConstraint, LevelZeroConsequences) {
  const struct Case { const char* name; std::vector<TestConstraint> added; const char* values; } cases[] = {
      {"empty clause", {C({})}, nullptr},
      {"clause false at level 0", {C({neg(x1)}), C({neg(x2)}), C({x1, x2})}, nullptr},
      {"unit propagated at once", {C({neg(x1)}), C({neg(x3)}), C({neg(x2), x4}), C({x3, x2, x1})}, "0101"},
      {"tautology and duplicate literals", {C({neg(x1), x1}), C({x2, x2})}, ".."},
      {"largest coefficient forced", {PB({{1, x4}, {2, x1}, {1, x2}, {3, x3}}, 5)}, "..1."},
      {"rhs 0", {PB({{2, x1}, {1, x2}}, 0)}, ".."},
      {"zero coefficient", {PB({{0, x1}, {1, x2}}, 1)}, ".1"},
      {"single literals", {PB({{5, x1}}, 3), PB({{3, neg(x2)}}, 3), PB({{7, x3}}, 0)}, "10."},
      {"single literal out of reach", {PB({{5, x1}}, 6)}, nullptr},
      {"no literal, rhs 0", {PB({}, 0)}, "."},
      {"no literal, rhs 1", {PB({}, 1)}, nullptr},
      {"rhs above the non-false sum", {C({neg(x3)}), PB({{2, x1}, {1, x2}, {5, x3}}, 4)}, nullptr},
      {"duplicate literal adds up", {PB({{2, x1}, {2, x1}}, 3)}, "1"},
      {"complementary literals", {PB({{2, x1}, {2, neg(x1)}, {1, x2}}, 3)}, ".."},
      {"huge coefficients", {PB({{kMax, x1}, {kMax, x2}}, kMax)}, ".."},
      {"huge coefficients, one false", {PB({{kMax, x1}, {kMax, x2}}, kMax), C({neg(x1)})}, "01"},
      {"a forced while ~a waits in the queue: counted once", {PB({{3, x1}, {1, neg(x1)}, {1, x2}}, 3)}, "1."},
      {"sum of 4.5e9", {PB({{1500000000u, x1}, {1500000000u, x2}, {1500000000u, x3}}, 1500000000u)}, "..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Engine e(4);
    for (const TestConstraint& a : c.added) add(e.s, a);
    ASSERT_EQ(e.s.okay(), c.values != nullptr);
    if (c.values == nullptr) continue;
    for (int x = 0; c.values[x]; x++)
      EXPECT_EQ(e.s.varValue(x), c.values[x] == '1' ? l_True : c.values[x] == '0' ? l_False : l_Undef) << "x" << x;
    EXPECT_EQ(checkInvariants(e.s, true), "");
    ASSERT_TRUE(e.s.multiSolve());
    for (const TestConstraint& a : c.added) EXPECT_TRUE(holds(a, modelBits(e.s.model, 4)));
  }
}

// 1.2e9 (x1 + x2 + x3) >= 1.2e9: with x1 false the slack of 2.4e9 forces
// nothing; with x2 false too, x3 is forced.
TEST(CounterPropagation, SlackBeyondThirtyOneBits) {
  Engine e(3);
  add(e.s, PB({{1200000000u, x1}, {1200000000u, x2}, {1200000000u, x3}}, 1200000000u));
  decide(e.s, neg(x1));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.trail.size(), 1);
  decide(e.s, neg(x2));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x3), l_True);
}

// Decides one literal per level until the last propagation conflicts, then
// analyses: the learnt clause's first `ordered` literals in order, the whole
// as a set, the backtrack level and softness; no scratch mark left behind.
TEST(Analyze, LearntClauseOnHandBuiltTrails) {
  const Lit a = mkLit(0), b = mkLit(1), c = mkLit(2), d = mkLit(3), u = mkLit(4), x = mkLit(5), z = mkLit(6);
  const struct Case {
    const char* name;
    std::vector<TestConstraint> added;
    std::vector<Lit> decisions, learnt;
    size_t ordered;
    int level;
    bool soft;
  } cases[] = {
      {"second literal from the highest lower level",
       {C({neg(a), neg(x), neg(d), b}), C({neg(a), neg(b), neg(z)})}, {x, z, d, a}, {neg(a), neg(d), neg(x), neg(z)}, 2, 3, false},
      // Explaining x1 (slack 1, w true) needs x3 but not x2: down to the decision ~x3.
      {"PB reason weakened to the needed false literals",
       {PB({{2, a}, {1, b}, {2, c}, {1, u}}, 3), C({c, d}), C({neg(a), neg(d)})}, {neg(b), neg(c)}, {c}, 1, 0, false},
      {"PB conflict keeps every needed literal", {PB({{1, a}, {1, b}, {1, c}, {1, d}}, 2), C({b, neg(c)})},
       {neg(a), neg(b)}, {b, a}, 2, 1, false},
      {"~z minimised away through hard reasons", {C({z}), C({neg(a), neg(z), b}), C({neg(a), neg(b)})}, {a}, {neg(a)}, 1, 0, false},
      {"soft reason: ~z stays, clause soft", {C({z}), C({neg(a), neg(z), b}, true), C({neg(a), neg(b)})}, {a}, {neg(a), neg(z)}, 1, 0, true},
      {"soft unit: ~z stays", {C({z}, true), C({neg(a), neg(z), b}), C({neg(a), neg(b)})}, {a}, {neg(a), neg(z)}, 1, 0, false},
      // The walk stays in level 2: ~z (level 1) is implied by ~x, or kept when its reason is soft.
      {"trail walk, hard", {C({neg(x), z}), C({neg(a), neg(z), b}), C({neg(b), neg(x), neg(z), neg(a)})}, {x, a},
       {neg(a), neg(x)}, 2, 1, false},
      {"trail walk, soft", {C({neg(x), z}), C({neg(a), neg(z), b}, true), C({neg(b), neg(x), neg(z), neg(a)}, true)},
       {x, a}, {neg(a), neg(x), neg(z)}, 1, 1, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Engine e(7);
    for (const TestConstraint& t : k.added) add(e.s, t);
    Constraint* confl = nullptr;
    for (Lit p : k.decisions) {
      ASSERT_EQ(confl, nullptr);
      decide(e.s, p);
      confl = e.s.propagate();
    }
    ASSERT_NE(confl, nullptr);
    vec<Lit> learnt;
    int level = -1;
    bool soft = false;
    e.s.analyze(confl, learnt, level, soft);
    std::vector<Lit> got(learnt.begin(), learnt.end());
    EXPECT_EQ(std::multiset<Lit>(got.begin(), got.end()), std::multiset<Lit>(k.learnt.begin(), k.learnt.end()));
    ASSERT_GE(got.size(), k.ordered);
    EXPECT_TRUE(std::equal(k.learnt.begin(), k.learnt.begin() + k.ordered, got.begin()));
    EXPECT_EQ(level, k.level);
    EXPECT_EQ(soft, k.soft);
    if (k.soft && k.added.size() == 3 && k.decisions.size() == 1) {
      EXPECT_EQ(e.s.proofTrace->pending, (std::vector<int>{1}));
    }
    for (Var v = 0; v < e.s.nVars(); v++) EXPECT_TRUE(e.s.seen[v] == 0 && e.s.trailIndex[v] == 0) << "mark on x" << v;
    EXPECT_FALSE(e.s.coop->analysisFailed);
  }
}

// Activities 1..10: the five least active go, then in the upper half those
// below claIncrement / 13 = 7.5. Binary and locked clauses stay.
TEST(ReduceDB, RemovesTheLeastActiveHalfAndInactiveOnesButNeverBinaryOrLocked) {
  Engine e(7);
  unsigned ref = 0x40000000u;
  for (float act : {4, 9, 1, 7, 10, 2, 6, 3, 8, 5}) pushLearnt(e.s, {x1, x2, x3}, ref++, false, act);
  pushLearnt(e.s, {x1, x2}, ref++, false, 0.5f);
  pushLearnt(e.s, {x3, x4}, ref++, false, 0.25f);
  Constraint* locked = pushLearnt(e.s, {mkLit(4), neg(x1), neg(x2)}, ref++, false, 0.125f);
  decide(e.s, x1);
  e.s.uncheckedEnqueue(x2, nullptr);
  e.s.uncheckedEnqueue(mkLit(4), locked);
  e.s.claIncrement = 97.5;
  e.s.reduceDB();
  std::vector<float> kept;
  for (int i = 0; i < e.s.learnts.size(); i++) kept.push_back(e.s.learnts[i]->activity());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<float>{0.125f, 0.25f, 0.5f, 8, 9, 10}));
  EXPECT_EQ(checkInvariants(e.s, false), "");
}

// Soft learnt clauses at or above the bound go unless locked; hard ones and
// those below the bound stay.
TEST(RemoveLearntClauses, DropsSoftLearntsAtOrAboveTheBoundExceptLockedOnes) {
  Engine e(4);
  Constraint* below = pushLearnt(e.s, {x1, x2, x3}, 9, true);
  Constraint* hard = pushLearnt(e.s, {x1, neg(x2), x3}, 0x40000005u, false);
  pushLearnt(e.s, {neg(x1), x2, x4}, 10, true);
  pushLearnt(e.s, {x2, x4}, 0x40000007u, true);
  Constraint* locked = pushLearnt(e.s, {x4, neg(x3), x2}, 0x40000008u, true);
  pushLearnt(e.s, {x3}, 0x40000009u, true);
  decide(e.s, neg(x2));
  decide(e.s, x3);
  e.s.uncheckedEnqueue(x4, locked);
  e.s.removeLearntClauses(10);
  ASSERT_EQ(e.s.learnts.size(), 3);
  EXPECT_EQ(e.s.learnts[0], below);
  EXPECT_EQ(e.s.learnts[1], hard);
  EXPECT_EQ(e.s.learnts[2], locked);
  EXPECT_EQ(checkInvariants(e.s, false), "");
}

// Random adding (at level 0), deciding (on an empty queue), propagating,
// backtracking, detaching and reattaching counters and short searches.
TEST(Invariants, HoldThroughRandomSequencesOfOperations) {
  Lcg rng(31);
  Shape g;
  g.minVars = 4;
  g.maxVars = 10;
  g.clausePercent = 35;
  g.cardinalityPercent = 30;
  int conflicts = 0, searches = 0;
  for (int round = 0; round < 200; round++) {
    Problem p = randomProblem(rng, g);
    Engine e(p.nVars);
    size_t added = 0;
    bool queueComplete = true;  // false from a clause conflict to the backtrack after it
    for (int step = 0; step < 80 && e.s.okay(); step++) {
      int op = (int)rng.below(100);
      if (op < 20 && added < p.constraints.size()) {
        e.s.cancelUntil(0);
        addToSolver(e.s, p.constraints[added++], rng);
        queueComplete = e.s.okay();
      } else if (op < 50) {
        Var v = (Var)rng.below((uint32_t)p.nVars);
        if (e.s.propHead < e.s.trail.size() || !queueComplete || e.s.varValue(v) != l_Undef) continue;
        decide(e.s, mkLit(v, rng.chance(50)));
      } else if (op < 75) {
        Constraint* confl = e.s.propagate();
        if (confl != nullptr) {
          if (e.s.decisionLevel() == 0) break;
          conflicts++;
          ASSERT_EQ(checkInvariants(e.s, !confl->isClause()), "") << "at a conflict, round " << round;
          e.s.cancelUntil((int)rng.below((uint32_t)e.s.decisionLevel()));
          queueComplete = true;
        }
      } else if (op < 85) {
        int lvl = (int)rng.below((uint32_t)e.s.decisionLevel() + 1);
        if (lvl < e.s.decisionLevel()) queueComplete = true;
        e.s.cancelUntil(lvl);
      } else if (op < 93) {
        std::vector<Constraint*> attached;
        for (int lit = 0; lit < e.s.pbWatches.size(); lit++)
          for (int k = 0; k < e.s.pbWatches[lit].size(); k++) attached.push_back(e.s.pbWatches[lit][k].c);
        if (attached.empty()) continue;
        Constraint* c = attached[rng.below((uint32_t)attached.size())];
        e.s.detachClause(*c);
        ASSERT_EQ(checkInvariants(e.s, queueComplete), "") << "after detach, round " << round;
        e.s.attachPB(*c);
      } else if (queueComplete) {
        e.s.cancelUntil(0);
        searches++;
        if (e.s.search(1 + (int)rng.below(5), rng.chance(50) ? 1 : -1) == l_False) break;
      }
      ASSERT_EQ(checkInvariants(e.s, queueComplete), "") << "round " << round << " step " << step << " op " << op;
    }
  }
  EXPECT_GT(conflicts, 40);
  EXPECT_GT(searches, 25);
}
