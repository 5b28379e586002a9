// The store and propagation: level-0 consequences of adding clauses and
// pseudo-Boolean constraints (edge cases included), counter propagation,
// dropping learnt constraints, and the watch and counter invariants through
// random sequences of operations.
#include <gtest/gtest.h>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {
const Lit x1 = mkLit(0), x2 = mkLit(1), x3 = mkLit(2), x4 = mkLit(3);
const unsigned kMax = 0xFFFFFFFFu;

struct Added {
  std::vector<std::pair<unsigned, Lit>> terms;
  unsigned rhs;
  bool clause;
};
Added C(std::initializer_list<Lit> ls) {
  Added a{{}, 1, true};
  for (Lit l : ls) a.terms.push_back({1, l});
  return a;
}
Added PB(std::initializer_list<std::pair<unsigned, Lit>> terms, unsigned rhs) { return {terms, rhs, false}; }
}  // namespace

// After adding, level 0 holds exactly the consequences: values per variable
// ('1' true, '0' false, '.' open), or the solver is unsatisfiable.
TEST(AddConstraint, LevelZeroConsequences) {
  struct Case {
    const char* name;
    std::vector<Added> added;
    const char* values;  // nullptr: unsatisfiable
  };
  const Case cases[] = {
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
    for (const Added& a : c.added) {
      if (a.clause) {
        vec<Lit> ps;
        for (auto& t : a.terms) ps.push(t.second);
        e.s.addClause(ps);
      } else {
        vec<Lit> ps;
        vec<unsigned> cs;
        for (auto& t : a.terms) {
          cs.push(t.first);
          ps.push(t.second);
        }
        e.s.addPBConstraint(ps, cs, a.rhs);
      }
    }
    ASSERT_EQ(e.s.okay(), c.values != nullptr);
    if (c.values == nullptr) continue;
    for (int x = 0; c.values[x]; x++)
      EXPECT_EQ(e.s.varValue(x), c.values[x] == '1' ? l_True : c.values[x] == '0' ? l_False : l_Undef) << "x" << x;
    EXPECT_EQ(checkInvariants(e.s, true), "");
    ASSERT_TRUE(e.s.multiSolve());
    for (const Added& a : c.added) {  // the model satisfies everything added
      uint64_t sum = 0;
      for (auto& [coeff, lit] : a.terms) sum += e.s.model[var(lit)] == (sign(lit) ? l_False : l_True) ? coeff : 0;
      EXPECT_GE(sum, a.rhs);
    }
  }
}

TEST(AddConstraint, LiteralsAreStoredLargestCoefficientFirstKeepingTiesInOrder) {
  Engine e(4);
  Constraint* c = addPB(e.s, {{1, x4}, {2, x1}, {1, x2}, {3, x3}}, 5);
  std::vector<Lit> order;
  for (int i = 0; i < c->size(); i++) order.push_back((*c)[i]);
  EXPECT_EQ(order, (std::vector<Lit>{x3, x1, x4, x2}));
}

// 3 x1 + 2 x2 + x3 >= 3 with x3 false: slack 5; x1 is forced (5 - 3 < 3),
// x2 is not (5 - 2 >= 3).
TEST(CounterPropagation, ForcesExactlyTheCoefficientsLargerThanTheSlackAllows) {
  Engine e(3);
  Constraint* c = addPB(e.s, {{3, x1}, {2, x2}, {1, x3}}, 3);
  decide(e.s, neg(x3));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x1), l_True);
  EXPECT_EQ(e.s.reason[0], c);
  EXPECT_EQ(e.s.varValue(1), l_Undef);
}

// Both false literals waiting: the conflict in the first record still counts
// the later records, and nothing is forced after it.
TEST(CounterPropagation, ConflictKeepsTheCountersExact) {
  Engine e(4);
  Constraint* first = addPB(e.s, {{1, x1}, {1, x2}, {1, x3}}, 2);
  Constraint* second = addPB(e.s, {{2, x1}, {1, x4}}, 1);
  decide(e.s, neg(x3));
  e.s.uncheckedEnqueue(neg(x1), nullptr);
  EXPECT_EQ(e.s.propagate(), first);
  EXPECT_EQ(first->val0Lits(), 2);
  EXPECT_EQ(second->val0Lits(), 2);
  EXPECT_EQ(e.s.varValue(3), l_Undef);
  e.s.cancelUntil(0);
  EXPECT_EQ(first->val0Lits(), 0);
  EXPECT_EQ(second->val0Lits(), 0);
  EXPECT_EQ(checkInvariants(e.s, true), "");
}

TEST(CounterPropagation, SlackBeyondThirtyOneBitsIsNotNegative) {
  // 1.2e9 (x1 + x2 + x3) >= 1.2e9 with x1 false: a slack of 2.4e9 forces nothing.
  Engine e(3);
  Constraint* c = addPB(e.s, {{1200000000u, x1}, {1200000000u, x2}, {1200000000u, x3}}, 1200000000u);
  decide(e.s, neg(x1));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(c->coeffSum() - c->val0Lits(), 2400000000LL);
  EXPECT_EQ(e.s.trail.size(), 1);
  decide(e.s, neg(x2));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(e.s.value(x3), l_True);
}

// Soft learnt clauses at or above the bound go, unless they are the reason of
// an assigned variable; hard ones and those below the bound stay.
TEST(RemoveLearntClauses, DropsSoftLearntsAtOrAboveTheBoundExceptLockedOnes) {
  Engine e(4);
  auto learnt = [&](std::vector<Lit> ls, unsigned ref, bool soft) {
    Clause* c = Clause::make(ls.data(), (int)ls.size(), ref, true);
    c->isSoft(soft);
    e.s.learnts.push(c);
    if (c->size() > 1) e.s.attachClause(*c);
    return (Constraint*)c;
  };
  Constraint* below = learnt({x1, x2, x3}, 9, true);
  Constraint* hard = learnt({x1, neg(x2), x3}, 0x40000005u, false);
  learnt({neg(x1), x2, x4}, 10, true);
  learnt({x2, x4}, 0x40000007u, true);
  Constraint* locked = learnt({x4, neg(x3), x2}, 0x40000008u, true);
  learnt({x3}, 0x40000009u, true);
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


// Random sequences of adding (at level 0), deciding (on an empty queue),
// propagating, backtracking, detaching and reattaching counters and short
// searches keep every watch in place and every counter exact.
TEST(Invariants, HoldThroughRandomSequencesOfOperations) {
  Lcg rng(31);
  GeneratorSettings g;
  g.minVars = 4;
  g.maxVars = 10;
  g.clausePercent = 35;
  g.cardinalityPercent = 30;
  int conflicts = 0, searches = 0;
  for (int round = 0; round < 400; round++) {
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
          queueComplete = !confl->isClause();
          ASSERT_EQ(checkInvariants(e.s, queueComplete), "") << "at a conflict, round " << round;
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
  EXPECT_GT(conflicts, 80);
  EXPECT_GT(searches, 50);
}
