// The engine decides random small problems as enumeration does, also after more
// constraints are added to a solver that has searched.
#include <gtest/gtest.h>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

// Settings that make restarts and learnt-database reductions happen on tiny problems.
void varySettings(Solver& s, Lcg& rng) {
  switch (rng.below(3)) {
    case 0: break;
    case 1:
      s.restartFirst = 1 + (int)rng.below(4);
      s.minLearnts = 1;
      s.learntsizeFactor = 0.05;
      break;
    default:
      s.randomVarFreq = 0.5;
      s.restartFirst = 2;
      s.minLearnts = 0;
      break;
  }
}

std::string checkAnswer(Engine& e, const Problem& p) {
  bool expected = bruteForceSatisfiable(p);
  bool answer = e.s.multiSolve();
  std::ostringstream why;
  if (answer != expected) {
    why << "engine says " << (answer ? "SAT" : "UNSAT") << "\n" << describe(p);
  } else if (answer) {
    if (e.s.model.size() != p.nVars) why << "model has " << e.s.model.size() << " entries\n";
    for (int x = 0; x < e.s.model.size(); x++)
      if (e.s.model[x] == l_Undef) why << "model leaves x" << x << " open\n";
    for (const TestConstraint& c : p.constraints)
      if (!holds(c, modelBits(e.s.model, e.s.model.size()))) why << "model violates a constraint\n" << describe(p);
  } else if (e.s.okay() || e.coop.lbTimeOut) {
    why << "unsatisfiable answer but the solver is still okay or stopped by a flag\n";
  }
  return why.str();
}

}  // namespace

TEST(SearchBruteForce, RandomProblemsAgreeWithEnumeration) {
  const struct Kind {
    const char* name;
    int clausePercent, cardinalityPercent, largePercent, hugePercent, constraintsPerVar;
    bool edgeCases;
  } kinds[] = {
      {"edge cases", 40, 25, 30, 3, 3, true},     {"mixed", 40, 25, 30, 3, 3, false},
      {"clauses", 100, 0, 0, 0, 6, false},        {"large coefficients", 15, 10, 90, 10, 3, false},
      {"cardinality", 10, 90, 0, 0, 4, false},
  };
  const int rounds = 300;
  Lcg rng(1);
  int grown = 0;
  for (const Kind& k : kinds) {
    Shape g;
    g.clausePercent = k.clausePercent;
    g.cardinalityPercent = k.cardinalityPercent;
    g.largeCoefficientPercent = k.largePercent;
    g.hugeCoefficientPercent = k.hugePercent;
    g.constraintsPerVar = k.constraintsPerVar;
    g.softPercent = 30;  // for removeLearntClauses between searches
    if (!k.edgeCases) {
      g.minVars = 9;  // no trivial constraints: most answers come from search
      g.edgeCasePercent = g.emptyClausePermille = 0;
      g.zeroCoefficientPercent = 2;
      g.repeatVariablePercent = 5;
    }
    int satisfiable = 0;
    for (int round = 0; round < rounds; round++) {
      Problem p = randomProblem(rng, g);
      Engine e(p.nVars);
      varySettings(e.s, rng);
      for (const TestConstraint& c : p.constraints) addToSolver(e.s, c, rng);
      ASSERT_EQ(checkAnswer(e, p), "") << k.name << " round " << round;
      satisfiable += e.s.okay();
      if (!e.s.okay() || rng.chance(50)) continue;
      // The searched solver takes more constraints at level 0.
      e.s.cancelUntil(0);
      if (rng.chance(50)) e.s.removeLearntClauses(rng.chance(50) ? 0u : (unsigned)p.constraints.size());
      for (int i = rng.between(1, 6); i > 0; i--) {
        p.constraints.push_back(randomConstraint(rng, g, p.nVars));
        addToSolver(e.s, p.constraints.back(), rng);
      }
      ASSERT_EQ(checkAnswer(e, p), "") << k.name << " round " << round << " after adding";
      grown++;
    }
    EXPECT_GT(satisfiable, rounds / 10) << k.name;
    EXPECT_LT(satisfiable, rounds * 9 / 10) << k.name;
  }
  EXPECT_GT(grown, 200);
}
