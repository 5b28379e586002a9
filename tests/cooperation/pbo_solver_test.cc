// The upper-bound solver: repeated solve() calls walk down through improving
// models to the optimum found by enumeration; equal pairs and special modes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "coop_test_util.h"

using namespace coop_test;

namespace {

// The upper-bound solver with its bounds set up, as the thread road does.
struct Upper : UpperSolver {
  explicit Upper(const Problem& w, int boundForm = amkPb) : UpperSolver(w, boundForm) {
    testing::internal::CaptureStderr();
    coop.initBound(&s, w.nVars, nullptr);
    testing::internal::GetCapturedStderr();
  }
};

struct Walk {
  std::vector<int64_t> costs;  // computed here for every model
  std::string out, expectedOut;
  uint64_t last = 0;
  bool proven = false;  // ended with the solver inconsistent
};

// Minimises by repeated solve(); every model is complete, feasible and
// costs what upperBound says.
Walk minimise(Upper& u, const Problem& w) {
  Walk walk;
  testing::internal::CaptureStdout();
  for (int calls = 0; calls <= (1 << w.nVars) && u.s.solve(); calls++) {
    for (int v = 0; v < w.nVars; v++) EXPECT_NE(u.s.model[v], l_Undef);
    walk.last = modelBits(u.s.model, w.nVars);
    EXPECT_TRUE(feasible(w, walk.last)) << "model violates a hard constraint";
    walk.costs.push_back(costOf(w, walk.last));
    EXPECT_EQ(u.s.upperBound, walk.costs.back());
    walk.expectedOut += "o " + std::to_string(walk.costs.back() + u.coop.objConstant) + "\n";
  }
  walk.out = testing::internal::GetCapturedStdout();
  walk.proven = !u.s.okay();
  return walk;
}

}  // namespace

TEST(PBOSolverDifferential, ImprovingModelsEndAtTheBruteForceOptimum) {
  const struct Kind {
    Weights weights;
    int minVars, maxVars, constraintsPerVar, instances;
  } kinds[] = {{Weights::Small, 1, 10, 1, 120}, {Weights::Large, 1, 10, 1, 120},
                 {Weights::TopAbove, 1, 10, 2, 60}, {Weights::Large, 9, 12, 2, 40}};
  uint64_t seed = 0;
  for (const Kind& k : kinds) {
    Shape shape = softUnitShape(k.maxVars);
    shape.weights = k.weights;
    shape.minVars = k.minVars;
    shape.constraintsPerVar = k.constraintsPerVar;
    for (int i = 0; i < k.instances; i++) {
      Lcg rng(++seed);
      const Problem w = randomProblem(rng, shape);
      if (!objectiveVaries(w)) continue;  // the equal-pair case has its own test
      SCOPED_TRACE("seed " + std::to_string(seed));
      const std::optional<Cost> optimum = bruteForceOptimum(w);
      // Every form of the bound, in turn.
      Upper u(w, (int)(seed % 5));
      u.coop.objConstant = (int64_t)(seed % 3) * 1000000000LL;
      Walk walk = minimise(u, w);
      EXPECT_EQ(u.coop.nbSolutions, (int)walk.costs.size());
      if (!optimum) {
        EXPECT_TRUE(walk.costs.empty() && walk.proven);
        continue;
      }
      ASSERT_FALSE(walk.costs.empty());
      for (size_t j = 1; j < walk.costs.size(); j++) EXPECT_LT(walk.costs[j], walk.costs[j - 1]);
      EXPECT_EQ(walk.costs.back(), *optimum);
      // Ended by a proof, or by a model of cost 0 meeting the lower bound 0.
      EXPECT_EQ((bool)u.coop.done, *optimum == 0);
      EXPECT_TRUE(walk.proven || *optimum == 0);
      EXPECT_EQ(u.coop.bounds[2], *optimum);
      EXPECT_EQ(walk.out, walk.expectedOut);
      EXPECT_EQ(storedModelBits(u.coop, w.nVars), walk.last) << "the stored model is the last one";
    }
  }
}

// The same weight on both literals of every variable: every model costs
// 5 + 2. The first is reported without any bound; the next call proves it.
TEST(PBOSolverObjective, EqualPairsFirstModelIsOptimal) {
  Problem w;
  w.nVars = 2;
  for (Lit l : {mkLit(0), mkLit(0, true)}) w.clause({l}, 5);
  for (Lit l : {mkLit(1), mkLit(1, true)}) w.clause({l}, 2);
  Upper u(w);
  EXPECT_FALSE(u.coop.decisionProblem);
  const int before = u.s.nConstraints();
  Walk walk = minimise(u, w);
  EXPECT_EQ(walk.out, "o 7\n");
  EXPECT_EQ(u.s.nConstraints(), before);
  EXPECT_EQ(u.coop.nbSolutions, 1);
  EXPECT_TRUE(walk.proven);
}

// Preprocess-only has its own flag: a time limit below one second still searches.
TEST(PBOSolverModes, PreprocessOnlyAndSmallTimeLimit) {
  Problem w;
  w.nVars = 1;
  w.clause({mkLit(0)}, 3);
  Upper pre(w);
  pre.s.preprocessOnly = true;
  EXPECT_FALSE(pre.s.solve());
  EXPECT_TRUE(pre.s.stopFlag && pre.s.okay());
  EXPECT_EQ(pre.coop.nbSolutions, 0);
  Upper quick(w);
  quick.s.timeLimit = 0.0;
  Walk walk = minimise(quick, w);
  ASSERT_FALSE(walk.costs.empty());
  EXPECT_EQ(walk.costs.back(), 0);
  EXPECT_FALSE(quick.s.stopFlag);
}
