// The engine decides random small problems (clauses, cardinality and general
// pseudo-Boolean constraints, large coefficients, duplicate and complementary
// literals) exactly as exhaustive enumeration does, and every model it returns
// satisfies every constraint.
#include <gtest/gtest.h>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

// Engine settings that make restarts and learnt-database reductions happen
// even on tiny problems, so that those paths are decided against brute force too.
void varySettings(Solver& s, Lcg& rng) {
  switch (rng.below(4)) {
    case 0:
      break;  // defaults
    case 1:
      s.restartFirst = 1 + (int)rng.below(4);
      s.minLearnts = 1;
      s.learntsizeFactor = 0.05;
      break;
    case 2:
      s.randomVarFreq = 0.5;
      s.restartFirst = 2;
      s.minLearnts = 2;
      break;
    default:
      s.restartFirst = 3;
      s.restartInc = 1.1;
      s.minLearnts = 0;
      break;
  }
}

struct Outcome {
  bool satisfiable;
  std::string failure;  // empty when the engine's answer checks out
};

// Loads the problem, decides it with multiSolve and checks the answer.
Outcome decideAndCheck(const Problem& p, Lcg& rng) {
  Engine e;
  e.createVariables(p.nVars);
  varySettings(e.s, rng);
  for (const TestConstraint& c : p.constraints) addToSolver(e.s, c, rng);
  bool expected = bruteForceSatisfiable(p);
  bool answer = e.s.multiSolve();
  std::ostringstream why;
  if (answer != expected) {
    why << "engine says " << (answer ? "SAT" : "UNSAT") << ", enumeration says "
        << (expected ? "SAT" : "UNSAT") << "\n" << describe(p);
  } else if (answer) {
    if (e.s.model.size() != p.nVars) why << "model has " << e.s.model.size() << " entries\n";
    for (int x = 0; x < e.s.model.size() && why.str().empty(); x++)
      if (e.s.model[x] != l_True && e.s.model[x] != l_False) why << "model leaves x" << x + 1 << " open\n";
    for (size_t i = 0; i < p.constraints.size() && why.str().empty(); i++)
      if (!satisfiedBy(p.constraints[i], e.s.model))
        why << "model violates " << describe(p.constraints[i]) << "\n" << describe(p);
  } else {
    if (e.s.okay()) why << "unsatisfiable answer but the solver is still okay\n";
    if (e.coop.lbTimeOut || e.coop.analysisFailed) why << "stopped by a flag, not decided\n";
  }
  return {expected, why.str()};
}

// Settings with no trivial constraints, so that most answers come from search.
GeneratorSettings searchHeavy() {
  GeneratorSettings g;
  g.minVars = 9;
  g.constraintsPerVar = 3;
  g.edgeCasePercent = 0;
  g.emptyClausePermille = 0;
  g.zeroCoefficientPercent = 2;
  g.repeatVariablePercent = 5;
  return g;
}

// Runs rounds problems of one kind and checks each; also checks that the
// kind produced both answers and made the engine learn, so the check means something.
void runRounds(const GeneratorSettings& g, uint64_t seed, int rounds) {
  Lcg rng(seed);
  int satisfiable = 0;
  for (int round = 0; round < rounds; round++) {
    Problem p = randomProblem(rng, g);
    Outcome o = decideAndCheck(p, rng);
    ASSERT_EQ(o.failure, "") << "seed " << seed << " round " << round;
    satisfiable += o.satisfiable;
  }
  EXPECT_GT(satisfiable, rounds / 10);
  EXPECT_LT(satisfiable, rounds * 9 / 10);
}

}  // namespace

TEST(SearchBruteForce, RandomProblemsWithEdgeCasesAgreeWithEnumeration) {
  runRounds(GeneratorSettings(), 1, 2000);
}

TEST(SearchBruteForce, MixedProblemsThatNeedSearchAgreeWithEnumeration) {
  runRounds(searchHeavy(), 2, 2000);
}

TEST(SearchBruteForce, PureClauseProblemsAgreeWithEnumeration) {
  GeneratorSettings g = searchHeavy();
  g.clausePercent = 100;
  g.constraintsPerVar = 6;
  runRounds(g, 3, 1000);
}

TEST(SearchBruteForce, LargeCoefficientProblemsAgreeWithEnumeration) {
  GeneratorSettings g = searchHeavy();
  g.clausePercent = 15;
  g.cardinalityPercent = 10;
  g.largeCoefficientPercent = 90;
  g.hugeCoefficientPercent = 10;
  runRounds(g, 4, 1500);
}

TEST(SearchBruteForce, CardinalityProblemsAgreeWithEnumeration) {
  GeneratorSettings g = searchHeavy();
  g.clausePercent = 10;
  g.cardinalityPercent = 90;
  g.constraintsPerVar = 4;
  runRounds(g, 5, 1000);
}

// A solver that has searched takes more constraints at level 0 and decides the
// larger problem correctly; soft learnt clauses may be dropped in between.
TEST(SearchBruteForce, ConstraintsAddedAfterASearchAreDecidedCorrectly) {
  GeneratorSettings g = searchHeavy();
  g.softPercent = 40;
  Lcg rng(6);
  for (int round = 0; round < 800; round++) {
    Problem p = randomProblem(rng, g);
    Problem second = p;
    int extra = 1 + (int)rng.below(6);
    for (int i = 0; i < extra; i++) second.constraints.push_back(randomConstraint(rng, g, p.nVars));

    Engine e;
    e.createVariables(p.nVars);
    varySettings(e.s, rng);
    for (const TestConstraint& c : p.constraints) addToSolver(e.s, c, rng);
    bool first = e.s.multiSolve();
    ASSERT_EQ(first, bruteForceSatisfiable(p)) << "round " << round << "\n" << describe(p);
    if (!first) continue;
    e.s.cancelUntil(0);
    if (rng.chance(50)) e.s.removeLearntClauses(rng.chance(50) ? 0u : (unsigned)p.constraints.size());
    for (size_t i = p.constraints.size(); i < second.constraints.size(); i++)
      addToSolver(e.s, second.constraints[i], rng);
    bool expected = bruteForceSatisfiable(second);
    bool answer = e.s.multiSolve();
    ASSERT_EQ(answer, expected) << "round " << round << "\n" << describe(second);
    if (answer) {
      for (const TestConstraint& c : second.constraints)
        ASSERT_TRUE(satisfiedBy(c, e.s.model)) << "round " << round << " violates " << describe(c);
    }
  }
}
