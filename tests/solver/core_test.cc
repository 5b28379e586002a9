// Unsatisfiable cores: after an unsatisfiable answer, compute_core names a set
// of constraints that, together with every hard constraint, is unsatisfiable,
// and it names nothing but constraints of the problem.
#include <gtest/gtest.h>

#include <map>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

vec<Lit>& literals(vec<Lit>& ps, std::initializer_list<Lit> ls) {
  ps.clear();
  for (Lit l : ls) ps.push(l);
  return ps;
}

Constraint* addHardClause(Solver& s, std::initializer_list<Lit> ls) {
  vec<Lit> ps;
  Constraint* c = s.addClause(literals(ps, ls));
  c->isSoft(false);
  return c;
}

Constraint* addSoftClause(Solver& s, std::initializer_list<Lit> ls) {
  vec<Lit> ps;
  return s.addClause(literals(ps, ls));
}

std::set<int> coreOf(Solver& s) {
  RefSet<int> core;
  s.compute_core(core);
  return std::set<int>(core.begin(), core.end());
}

// Checks one unsatisfiable answer: the core names added constraints only, and
// those with every hard constraint admit no assignment.
std::string checkCore(Solver& s, const Problem& p, const std::map<int, size_t>& indexOfRef) {
  std::ostringstream why;
  std::set<int> core = coreOf(s);
  std::vector<bool> inCore(p.constraints.size(), false);
  for (int ref : core) {
    auto it = indexOfRef.find(ref);
    if (it == indexOfRef.end()) {
      why << "core names ref " << ref << ", which is no problem constraint\n";
      continue;
    }
    inCore[it->second] = true;
  }
  bool sat = bruteForceSatisfiable(p, [&](size_t i) { return inCore[i] || !p.constraints[i].soft; });
  if (sat) {
    why << "core with the hard constraints is satisfiable; core:";
    for (int ref : core) why << " " << ref;
    why << "\n" << describe(p);
  }
  return why.str();
}

}  // namespace

TEST(Core, CoreOfRandomUnsatisfiableProblemIsUnsatisfiableWithTheHardConstraints) {
  GeneratorSettings g;
  g.minVars = 6;
  g.edgeCasePercent = 1;
  g.softPercent = 50;
  Lcg rng(11);
  int unsatisfiable = 0;
  for (int round = 0; round < 2500; round++) {
    Problem p = randomProblem(rng, g);
    if (bruteForceSatisfiable(p)) continue;
    unsatisfiable++;
    Engine e;
    e.createVariables(p.nVars);
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
    ASSERT_FALSE(e.s.multiSolve()) << describe(p);
    ASSERT_EQ(checkCore(e.s, p, indexOfRef), "") << "round " << round;
  }
  EXPECT_GT(unsatisfiable, 500);
}

TEST(Core, CoreFoundBySearchIsUnsatisfiableWithTheHardConstraints) {
  GeneratorSettings g;
  g.minVars = 9;
  g.constraintsPerVar = 3;
  g.edgeCasePercent = 0;
  g.emptyClausePermille = 0;
  g.softPercent = 60;
  Lcg rng(12);
  int bySearch = 0;
  for (int round = 0; round < 2000; round++) {
    Problem p = randomProblem(rng, g);
    if (bruteForceSatisfiable(p)) continue;
    Engine e;
    e.createVariables(p.nVars);
    std::map<int, size_t> indexOfRef;
    for (size_t i = 0; i < p.constraints.size(); i++)
      indexOfRef[addToSolver(e.s, p.constraints[i], rng)->ref()] = i;
    bool decidedWhileAdding = !e.s.okay();
    ASSERT_FALSE(e.s.multiSolve());
    bySearch += !decidedWhileAdding && e.s.conflicts > 1;
    ASSERT_EQ(checkCore(e.s, p, indexOfRef), "") << "round " << round;
  }
  EXPECT_GT(bySearch, 100);
}

// After a satisfiable search the solver keeps its dependency records; more
// constraints make it unsatisfiable and the core still holds.
TEST(Core, CoreAfterConstraintsAddedToASolverThatHasSearched) {
  GeneratorSettings g;
  g.minVars = 8;
  g.constraintsPerVar = 2;
  g.edgeCasePercent = 0;
  g.softPercent = 50;
  Lcg rng(13);
  int checked = 0;
  for (int round = 0; round < 1500; round++) {
    Problem p = randomProblem(rng, g);
    if (!bruteForceSatisfiable(p)) continue;
    Problem grown = p;
    int extra = 1 + (int)rng.below(8);
    for (int i = 0; i < extra; i++) grown.constraints.push_back(randomConstraint(rng, g, p.nVars));
    if (bruteForceSatisfiable(grown)) continue;

    Engine e;
    e.createVariables(p.nVars);
    e.s.restartFirst = 2;
    std::map<int, size_t> indexOfRef;
    for (size_t i = 0; i < p.constraints.size(); i++)
      indexOfRef[addToSolver(e.s, p.constraints[i], rng)->ref()] = i;
    ASSERT_TRUE(e.s.multiSolve());
    e.s.cancelUntil(0);
    if (rng.chance(30)) e.s.removeLearntClauses(0);
    for (size_t i = p.constraints.size(); i < grown.constraints.size(); i++) {
      Constraint* c = addToSolver(e.s, grown.constraints[i], rng, false);
      ASSERT_EQ(indexOfRef.count(c->ref()), 0u) << "two constraints share ref " << c->ref();
      indexOfRef[c->ref()] = i;
    }
    ASSERT_FALSE(e.s.multiSolve()) << describe(grown);
    ASSERT_EQ(checkCore(e.s, grown, indexOfRef), "") << "round " << round;
    checked++;
  }
  EXPECT_GT(checked, 100);
}

TEST(Core, EmptySoftClauseIsItsOwnCore) {
  Engine e;
  e.createVariables(2);
  addHardClause(e.s, {mkLit(0), mkLit(1)});
  Constraint* empty = addSoftClause(e.s, {});
  EXPECT_FALSE(e.s.okay());
  EXPECT_EQ(coreOf(e.s), (std::set<int>{empty->ref()}));
  EXPECT_EQ(empty->ref(), 1);
}

TEST(Core, ContradictingSoftUnitsFormTheCoreAndUnrelatedConstraintsStayOut) {
  Engine e;
  e.createVariables(3);
  addHardClause(e.s, {mkLit(1), mkLit(2)});        // ref 0: unrelated
  addSoftClause(e.s, {mkLit(0)});                  // ref 1
  addSoftClause(e.s, {mkLit(1, true), mkLit(2)});  // ref 2: unrelated
  addSoftClause(e.s, {mkLit(0, true)});            // ref 3: contradicts ref 1
  EXPECT_FALSE(e.s.okay());
  EXPECT_EQ(coreOf(e.s), (std::set<int>{1, 3}));
}

// The level-0 walk names every reason it meets, hard ones included: a
// conflict among hard constraints alone gives a core with no soft member.
TEST(Core, ConflictAmongHardConstraintsGivesCoreOfHardConstraints) {
  Engine e;
  e.createVariables(2);
  addSoftClause(e.s, {mkLit(0), mkLit(1)});          // ref 0: soft, satisfied by x2
  addHardClause(e.s, {mkLit(1)});                    // ref 1
  addHardClause(e.s, {mkLit(1, true), mkLit(0)});    // ref 2: x2 -> x1
  addHardClause(e.s, {mkLit(0, true), mkLit(1, true)});  // ref 3: conflict
  EXPECT_FALSE(e.s.okay());
  EXPECT_EQ(coreOf(e.s), (std::set<int>{1, 2, 3}));
}

// Three pigeons, two holes: every pigeon clause is needed for the
// contradiction, so every one of them must be in the core, whatever else is.
TEST(Core, CoreOfSoftPigeonsInHardHolesNamesEveryPigeon) {
  Engine e;
  e.createVariables(6);  // pigeon i in hole j: variable 2i + j
  std::vector<int> pigeonRefs;
  for (int i = 0; i < 3; i++) pigeonRefs.push_back(addSoftClause(e.s, {mkLit(2 * i), mkLit(2 * i + 1)})->ref());
  for (int j = 0; j < 2; j++) {
    // at most one pigeon per hole: ~a + ~b + ~c >= 2
    vec<Lit> ls;
    vec<unsigned> cs;
    for (int i = 0; i < 3; i++) {
      ls.push(mkLit(2 * i + j, true));
      cs.push(1);
    }
    e.s.addPBConstraint(ls, cs, 2)->isSoft(false);
  }
  addSoftClause(e.s, {mkLit(0), mkLit(3), mkLit(5)});  // ref 5: implied by the others, not needed
  ASSERT_TRUE(e.s.okay()) << "nothing follows at level 0; the search must find the contradiction";
  EXPECT_FALSE(e.s.multiSolve());
  std::set<int> core = coreOf(e.s);
  for (int ref : pigeonRefs) EXPECT_EQ(core.count(ref), 1u) << "pigeon clause ref " << ref;
  for (int ref : core) EXPECT_TRUE(ref >= 0 && ref <= 5) << "ref " << ref;
}

TEST(Core, ComputeCoreAddsToASetThatIsNotEmpty) {
  Engine e;
  e.createVariables(1);
  addSoftClause(e.s, {mkLit(0)});
  addSoftClause(e.s, {mkLit(0, true)});
  RefSet<int> core;
  core.insert(42);
  e.s.compute_core(core);
  EXPECT_EQ(std::set<int>(core.begin(), core.end()), (std::set<int>{0, 1, 42}));
}

// A conflict that simplify finds at level 0 is recorded, so the core comes
// from that conflict and not from the last learnt clause's record.
TEST(Core, ConflictFoundBySimplifyIsTheRootOfTheCore) {
  Engine e;
  e.createVariables(4);
  const Var a = 0, b = 1, x = 2, y = 3;
  addSoftClause(e.s, {mkLit(a), mkLit(b)});        // ref 0
  addSoftClause(e.s, {mkLit(a), mkLit(b, true)});  // ref 1
  // Decisions assign false: deciding a false conflicts at once and the
  // search learns the unit a, which leaves a record behind.
  ASSERT_TRUE(e.s.multiSolve());
  ASSERT_GE(e.s.conflicts, 1u);
  ASSERT_NE(e.s.proofTrace->root, -1);
  e.s.cancelUntil(0);

  Constraint* xy = addHardClause(e.s, {mkLit(x, true), mkLit(y)});            // x -> y
  Constraint* notBoth = addHardClause(e.s, {mkLit(x, true), mkLit(y, true)});  // not both
  // A unit on x waiting in the propagation queue at level 0, as an import or
  // an addition without propagation leaves it.
  Lit unitLit = mkLit(x);
  unsigned unitRef = (unsigned)e.s.constraints.size();
  Clause* unit = Clause::make(&unitLit, 1, unitRef, false);
  e.s.constraints.push(unit);
  e.s.uncheckedEnqueue(unitLit, unit);

  EXPECT_FALSE(e.s.simplify());
  EXPECT_FALSE(e.s.okay());
  EXPECT_EQ(coreOf(e.s), (std::set<int>{xy->ref(), notBoth->ref(), (int)unitRef}));
}
