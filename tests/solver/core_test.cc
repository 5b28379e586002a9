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
  if (bruteForceSatisfiable(p, [&](size_t i) { return inCore[i] || !p.constraints[i].soft; }))
    why << "core with the hard constraints is satisfiable\n" << describe(p);
  return why.str();
}

}  // namespace

// Cores found while adding or by search, on a fresh solver or on one that
// has searched (satisfiably) before more constraints made it unsatisfiable.
TEST(Core, CoreOfRandomUnsatisfiableProblemIsUnsatisfiableWithTheHardConstraints) {
  GeneratorSettings g;
  g.minVars = 6;
  g.edgeCasePercent = 1;
  g.softPercent = 50;
  Lcg rng(11);
  int checked = 0, bySearch = 0, afterSearch = 0;
  for (int round = 0; round < 1200; round++) {
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
  EXPECT_GT(checked, 400);
  EXPECT_GT(bySearch, 100);
  EXPECT_GT(afterSearch, 100);
}

TEST(Core, HandWorkedCores) {
  {  // an empty soft clause is its own core
    Engine e(2);
    addClause(e.s, {mkLit(0), mkLit(1)});
    Constraint* empty = addClause(e.s, {}, true);
    EXPECT_FALSE(e.s.okay());
    EXPECT_EQ(coreOf(e.s), (std::set<int>{empty->ref()}));
  }
  {  // contradicting soft units; the unrelated refs 0 and 2 stay out
    Engine e(3);
    addClause(e.s, {mkLit(1), mkLit(2)});
    addClause(e.s, {mkLit(0)}, true);
    addClause(e.s, {mkLit(1, true), mkLit(2)}, true);
    addClause(e.s, {mkLit(0, true)}, true);
    EXPECT_FALSE(e.s.okay());
    EXPECT_EQ(coreOf(e.s), (std::set<int>{1, 3}));
  }
  {  // the level-0 walk names hard reasons too
    Engine e(2);
    addClause(e.s, {mkLit(0), mkLit(1)}, true);
    addClause(e.s, {mkLit(1)});
    addClause(e.s, {mkLit(1, true), mkLit(0)});
    addClause(e.s, {mkLit(0, true), mkLit(1, true)});
    EXPECT_FALSE(e.s.okay());
    EXPECT_EQ(coreOf(e.s), (std::set<int>{1, 2, 3}));
  }
}

// A conflict that simplify finds at level 0 is recorded, so the core comes
// from it and not from the record the last learnt clause left behind.
TEST(Core, ConflictFoundBySimplifyIsTheRootOfTheCore) {
  Engine e(4);
  const Var a = 0, b = 1, x = 2, y = 3;
  addClause(e.s, {mkLit(a), mkLit(b)}, true);
  addClause(e.s, {mkLit(a), mkLit(b, true)}, true);
  ASSERT_TRUE(e.s.multiSolve());  // deciding a false conflicts: the unit a is learnt
  ASSERT_NE(e.s.proofTrace->root, -1);
  e.s.cancelUntil(0);

  Constraint* xy = addClause(e.s, {mkLit(x, true), mkLit(y)});
  Constraint* notBoth = addClause(e.s, {mkLit(x, true), mkLit(y, true)});
  // A unit on x waiting in the queue at level 0, as an import leaves it.
  Lit unitLit = mkLit(x);
  unsigned unitRef = (unsigned)e.s.constraints.size();
  Clause* unit = Clause::make(&unitLit, 1, unitRef, false);
  e.s.constraints.push(unit);
  e.s.uncheckedEnqueue(unitLit, unit);

  EXPECT_FALSE(e.s.simplify());
  EXPECT_EQ(coreOf(e.s), (std::set<int>{xy->ref(), notBoth->ref(), (int)unitRef}));
}

// The trace on hand-made records: the core is the leaves reachable from the
// root through derived refs, each derived ref processed once whatever the
// number of paths or uses; records not reachable add nothing.
TEST(ProofTrace, CoreIsTheLeavesReachableThroughDerivedRefs) {
  ProofTrace trace;
  auto record = [&](int ref, std::initializer_list<int> antecedents) {
    for (int a : antecedents) trace.addPending(a);
    trace.makeRecord(ref, true);
  };
  record(500, {9});
  record(400, {11, 12, 12});
  record(300, {400, 13});
  record(200, {400, 14, 400});
  record(100, {200, 300, 3});
  RefSet<int> out;
  trace.computeCore(out);
  EXPECT_EQ(std::set<int>(out.begin(), out.end()), (std::set<int>{3, 11, 12, 13, 14}));
  EXPECT_TRUE(trace.queue.empty());
}
