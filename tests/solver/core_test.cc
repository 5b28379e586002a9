// Unsatisfiable cores: compute_core names only constraints of the problem, and
// those together with every hard constraint are unsatisfiable.
#include <gtest/gtest.h>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

std::set<int> coreOf(Solver& s) {
  RefSet<int> core;
  s.compute_core(core);
  return std::set<int>(core.begin(), core.end());
}

std::string checkCore(Solver& s, const Problem& p, const std::map<int, size_t>& indexOfRef) {
  std::ostringstream why;
  std::vector<bool> inCore(p.constraints.size(), false);
  for (int ref : coreOf(s)) {
    auto it = indexOfRef.find(ref);
    if (it == indexOfRef.end()) why << "core names ref " << ref << ", no constraint of the problem\n";
    else inCore[it->second] = true;
  }
  if (bruteForceSatisfiable(p, [&](size_t i) { return inCore[i] || !p.constraints[i].soft(); }))
    why << "core with the hard constraints is satisfiable\n" << describe(p);
  return why.str();
}

}  // namespace

// Cores found while adding or by search, on a fresh solver or on one that
// has searched (satisfiably) before more constraints made it unsatisfiable.
TEST(Core, CoreOfRandomUnsatisfiableProblemIsUnsatisfiableWithTheHardConstraints) {
  Shape g;
  g.minVars = 6;
  g.edgeCasePercent = 1;
  g.softPercent = 50;
  Lcg rng(11);
  int checked = 0, bySearch = 0, afterSearch = 0;
  for (int round = 0; round < 800; round++) {
    g.minVars = round % 2 ? 6 : 9;
    Problem p = randomProblem(rng, g);
    const bool grow = bruteForceSatisfiable(p);
    Problem full = p;
    if (grow) {
      for (int i = rng.between(1, 8); i > 0; i--) full.constraints.push_back(randomConstraint(rng, g, p.nVars));
      if (bruteForceSatisfiable(full)) continue;
    }
    Engine e(p.nVars);
    if (rng.chance(50)) {
      e.s.restartFirst = 2;
      e.s.minLearnts = 1;
    }
    std::map<int, size_t> indexOfRef;
    for (size_t i = 0; i < p.constraints.size(); i++) {
      Constraint* c = addToSolver(e.s, p.constraints[i], rng);
      ASSERT_EQ(c->ref(), (int)i) << "a fresh solver numbers its constraints by position";
      indexOfRef[c->ref()] = i;
    }
    if (grow) {
      ASSERT_TRUE(e.s.multiSolve());
      e.s.cancelUntil(0);
      if (rng.chance(30)) e.s.removeLearntClauses(0);
      for (size_t i = p.constraints.size(); i < full.constraints.size(); i++) {
        Constraint* c = addToSolver(e.s, full.constraints[i], rng, false);
        ASSERT_EQ(indexOfRef.count(c->ref()), 0u) << "two constraints share ref " << c->ref();
        indexOfRef[c->ref()] = i;
      }
      afterSearch++;
    }
    bool decidedWhileAdding = !e.s.okay();
    ASSERT_FALSE(e.s.multiSolve()) << describe(full);
    bySearch += !decidedWhileAdding && e.s.conflicts > 1;
    ASSERT_EQ(checkCore(e.s, full, indexOfRef), "") << "round " << round;
    checked++;
  }
  EXPECT_GT(checked, 250);
  EXPECT_GT(bySearch, 60);
  EXPECT_GT(afterSearch, 60);
}

// An empty soft clause is its own core; unrelated refs stay out; the
// level-0 walk names hard reasons too.
TEST(Core, HandWorkedCores) {
  const Lit x0 = mkLit(0), x1 = mkLit(1), x2 = mkLit(2);
  const std::pair<std::vector<TestConstraint>, std::set<int>> cases[] = {
      {{C({x0, x1}), C({}, true)}, {1}},
      {{C({x1, x2}), C({x0}, true), C({neg(x1), x2}, true), C({neg(x0)}, true)}, {1, 3}},
      {{C({x0, x1}, true), C({x1}), C({neg(x1), x0}), C({neg(x0), neg(x1)})}, {1, 2, 3}},
  };
  for (const auto& [constraints, core] : cases) {
    Engine e(3);
    for (const TestConstraint& c : constraints) add(e.s, c);
    EXPECT_FALSE(e.s.okay());
    EXPECT_EQ(coreOf(e.s), core);
  }
}

// A conflict that simplify finds at level 0 is recorded, so the core comes
// from it and not from the record the last learnt clause left behind.
TEST(Core, ConflictFoundBySimplifyIsTheRootOfTheCore) {
  Engine e(4);
  const Var a = 0, b = 1, x = 2, y = 3;
  add(e.s, C({mkLit(a), mkLit(b)}, true));
  add(e.s, C({mkLit(a), mkLit(b, true)}, true));
  ASSERT_TRUE(e.s.multiSolve());  // deciding a false conflicts: the unit a is learnt
  ASSERT_NE(e.s.proofTrace->root, -1);
  e.s.cancelUntil(0);

  Constraint* xy = add(e.s, C({mkLit(x, true), mkLit(y)}));
  Constraint* notBoth = add(e.s, C({mkLit(x, true), mkLit(y, true)}));
  // A unit on x waiting in the queue at level 0, as an import leaves it.
  Lit unitLit = mkLit(x);
  unsigned unitRef = (unsigned)e.s.constraints.size();
  Clause* unit = Clause::make(&unitLit, 1, unitRef, false);
  e.s.constraints.push(unit);
  e.s.uncheckedEnqueue(unitLit, unit);

  EXPECT_FALSE(e.s.simplify());
  EXPECT_EQ(coreOf(e.s), (std::set<int>{xy->ref(), notBoth->ref(), (int)unitRef}));
}
