// The upper-bound solver: repeated solve() calls walk down through improving
// models to the optimum, checked against exhaustive enumeration, and the
// behaviour of the objective bound and of the special modes.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "coop_test_util.h"
#include "cooperation/Cooperation.h"
#include "solver/PBOSolver.h"

using namespace coop_test;

namespace {

// One upper-bound solver on its own cooperation object, as thread 1.
struct Upper {
  Cooperation coop{2, 16};
  PBOSolver s;
  Upper() {
    coop.nbLB = 1;
    coop.nbUB = 1;
    coop.quiet = true;
    coop.verbosityLevel = 0;
    s.coop = &coop;
    s.tid = 1;
    s.role = 1;
  }
  // initBound with its problem-type lines swallowed; returns them.
  std::string initBound(int nVars) {
    testing::internal::CaptureStderr();
    coop.initBound(&s, nVars, nullptr);
    return testing::internal::GetCapturedStderr();
  }
};

struct Walk {
  std::vector<int64_t> costs;      // independently computed cost of every model
  std::vector<int64_t> reported;   // upperBound after every model
  std::vector<uint32_t> models;
  bool proven = false;             // the last call ended with the solver inconsistent
  bool stoppedByDone = false;
  std::string out;                 // standard output ("o" lines)
};

// Minimises by repeated solve(); checks every model on the way.
Walk minimise(Upper& u, const Weighted& w, int cap) {
  Walk walk;
  testing::internal::CaptureStdout();
  int calls = 0;
  while (calls++ < cap && u.s.solve()) {
    EXPECT_TRUE(modelComplete(u.s.model, w.nVars));
    uint32_t bits = modelBits(u.s.model, w.nVars);
    EXPECT_TRUE(feasible(w, bits)) << "model violates a hard constraint";
    walk.models.push_back(bits);
    walk.costs.push_back(costOf(w, bits));
    walk.reported.push_back(u.s.upperBound);
    EXPECT_EQ(u.s.decisionLevel(), 0);
  }
  walk.out = testing::internal::GetCapturedStdout();
  EXPECT_LT(calls, cap + 1) << "solve() kept returning models";
  walk.proven = !u.s.okay();
  walk.stoppedByDone = u.coop.done;
  return walk;
}

std::string oLines(const std::vector<int64_t>& costs, int64_t constant) {
  std::string s;
  for (int64_t c : costs) s += "o " + std::to_string(c + constant) + "\n";
  return s;
}

void checkDifferential(uint64_t seed, const Shape& shape) {
  Lcg rng(seed);
  Weighted w = randomWeighted(rng, shape);
  if (!objectiveVaries(w)) return;  // covered by its own test below
  SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + describe(w));
  const int64_t optimum = bruteForceOptimum(w);

  Upper u;
  loadHard(u.s, w);
  loadObjective(u.s, w);
  u.initBound(w.nVars);
  u.coop.objConstant = (int64_t)(seed % 3) * 1000000000LL;
  Walk walk = minimise(u, w, (1 << w.nVars) + 3);

  if (optimum < 0) {
    EXPECT_TRUE(walk.costs.empty()) << "a model of an unsatisfiable hard part";
    EXPECT_TRUE(walk.proven);
    EXPECT_EQ(u.coop.nbSolutions, 0);
    return;
  }
  ASSERT_FALSE(walk.costs.empty()) << "no model of a satisfiable hard part";
  for (size_t i = 0; i < walk.costs.size(); i++) {
    EXPECT_EQ(walk.reported[i], walk.costs[i]) << "upperBound differs from the model's cost";
    if (i > 0) {
      EXPECT_LT(walk.costs[i], walk.costs[i - 1]) << "costs must strictly decrease";
    }
  }
  EXPECT_EQ(walk.costs.back(), optimum);
  // Either no better model exists, or a model of cost 0 met the lower bound
  // 0 and stopped the search; nothing else ends it.
  EXPECT_TRUE(walk.proven || walk.stoppedByDone);
  EXPECT_EQ(walk.stoppedByDone, optimum == 0);
  EXPECT_EQ(u.coop.nbSolutions, (int)walk.costs.size());
  EXPECT_EQ(u.coop.bounds[2], optimum);
  EXPECT_EQ(u.coop.bounds[1], optimum);
  EXPECT_EQ(walk.out, oLines(walk.costs, u.coop.objConstant));
  // The stored best model is the last model, and it has the optimal cost.
  uint32_t best = 0;
  for (int v = 0; v < w.nVars; v++)
    if (u.coop.bestModel[v]) best |= 1u << v;
  EXPECT_EQ(best, walk.models.back());
  EXPECT_EQ(costOf(w, best), optimum);
}

}  // namespace

TEST(PBOSolverDifferential, SmallWeightsReachTheBruteForceOptimum) {
  Shape shape;
  shape.largeWeightPercent = 0;
  for (uint64_t seed = 1; seed <= 400; seed++) checkDifferential(seed, shape);
}

TEST(PBOSolverDifferential, LargeWeightsReachTheBruteForceOptimum) {
  Shape shape;
  shape.largeWeightPercent = 100;
  for (uint64_t seed = 1000; seed < 1400; seed++) checkDifferential(seed, shape);
}

TEST(PBOSolverDifferential, WeightsOnBothLiteralsAndRepeatedUnits) {
  Shape shape;
  shape.bothLiteralsPercent = 60;
  shape.repeatPercent = 40;
  shape.largeWeightPercent = 50;
  for (uint64_t seed = 5000; seed < 5300; seed++) checkDifferential(seed, shape);
}

TEST(PBOSolverDifferential, TwelveVariablesManyConstraints) {
  Shape shape;
  shape.minVars = 9;
  shape.maxVars = 12;
  shape.maxHardPerVar = 4;
  for (uint64_t seed = 9000; seed < 9080; seed++) checkDifferential(seed, shape);
}

// Three soft units of weight 2,000,000,000 of which at least two are paid:
// costs beyond 32 bits, bounds in full.
TEST(PBOSolverLargeWeights, ThreeTwoBillionWeightsGiveSixtyFourBitBounds) {
  Weighted w;
  w.nVars = 3;
  Hard atMostOne;  // ~x0 + ~x1 + ~x2 >= 2
  atMostOne.clause = false;
  atMostOne.lits = {mkLit(0, true), mkLit(1, true), mkLit(2, true)};
  atMostOne.coeffs = {1, 1, 1};
  atMostOne.rhs = 2;
  w.hard.push_back(atMostOne);
  for (int v = 0; v < 3; v++) w.soft.push_back({mkLit(v), 2000000000u});

  Upper u;
  loadHard(u.s, w);
  loadObjective(u.s, w);
  std::string err = u.initBound(3);
  EXPECT_EQ(u.coop.bounds[2], 6000000001LL);
  EXPECT_EQ(u.coop.initialUB, 6000000001LL);
  EXPECT_EQ(u.coop.bounds[1], 6000000001LL);
  EXPECT_EQ(u.coop.bounds[0], 0);
  EXPECT_EQ(u.coop.objectiveWeightSum, INT_MAX);
  EXPECT_NE(err.find("Weighted Optimization"), std::string::npos);
  EXPECT_EQ(err.find("Risk of overflow"), std::string::npos);
  EXPECT_EQ(u.coop.ubTimeLimit, 900.0);

  Walk walk = minimise(u, w, 10);
  ASSERT_FALSE(walk.costs.empty());
  EXPECT_TRUE(walk.proven);
  EXPECT_EQ(walk.costs.back(), 4000000000LL);
  EXPECT_EQ(u.s.upperBound, 4000000000LL);
  EXPECT_EQ(u.coop.bounds[2], 4000000000LL);
  EXPECT_EQ(walk.out, oLines(walk.costs, 0));
  EXPECT_NE(walk.out.find("o 4000000000\n"), std::string::npos);
  int trueCount = 0;
  for (int v = 0; v < 3; v++) trueCount += u.coop.bestModel[v];
  EXPECT_EQ(trueCount, 1);
}

// One literal carrying three weights of 2^32 - 1: its coefficient exceeds 32
// bits and the bound must still cut exactly below each model.
TEST(PBOSolverLargeWeights, RepeatedMaximalWeightsOnOneLiteral) {
  Weighted w;
  w.nVars = 3;
  Hard c;  // x0 or x1
  c.lits = {mkLit(0), mkLit(1)};
  c.coeffs = {1, 1};
  w.hard.push_back(c);
  for (int k = 0; k < 3; k++) w.soft.push_back({mkLit(0, true), 0xFFFFFFFFu});  // paid when x0 true
  w.soft.push_back({mkLit(1, true), 0xFFFFFFFFu});                              // paid when x1 true
  w.soft.push_back({mkLit(1, true), 0xFFFFFFFFu});
  w.soft.push_back({mkLit(2), 7});  // paid when x2 false
  Upper u;
  loadHard(u.s, w);
  loadObjective(u.s, w);
  EXPECT_EQ(u.s.objCoeff(mkLit(0)), 3LL * 0xFFFFFFFFLL);
  u.initBound(3);
  EXPECT_EQ(u.coop.bounds[2], 1 + 3LL * 0xFFFFFFFFLL + 2LL * 0xFFFFFFFFLL + 7);
  Walk walk = minimise(u, w, 10);
  ASSERT_FALSE(walk.costs.empty());
  EXPECT_TRUE(walk.proven);
  EXPECT_EQ(walk.costs.back(), 2LL * 0xFFFFFFFFLL);
  EXPECT_EQ(walk.costs.back(), bruteForceOptimum(w));
}

TEST(PBOSolverObjective, RepeatedObjCoeffAddsTheWeights) {
  Upper u;
  u.s.newVar();
  u.s.objCoeff(mkLit(0), 5);
  u.s.objCoeff(mkLit(0), 7);
  u.s.objCoeff(mkLit(0, true), 2);
  EXPECT_EQ(u.s.objCoeff(mkLit(0, true)), 12);  // paid when x0 is false
  EXPECT_EQ(u.s.objCoeff(mkLit(0)), 2);
}

// Coefficient 3 on x0 and 1 on ~x0: the bound is 2 * ~x0 >= (1 + 3) - v.
TEST(PBOSolverObjective, BoundConstraintOfUnequalCoefficients) {
  Upper u;
  u.s.newVar();
  u.s.newVar();
  vec<Lit> c;
  u.s.addClause(fill(c, {mkLit(0), mkLit(1)}))->isSoft(false);
  u.s.objCoeff(mkLit(0, true), 3);  // paid when x0 true
  u.s.objCoeff(mkLit(0), 1);        // paid when x0 false
  u.initBound(2);
  EXPECT_EQ(u.coop.bounds[2], 4);
  const int before = u.s.nConstraints();
  testing::internal::CaptureStdout();
  ASSERT_TRUE(u.s.solve());
  testing::internal::GetCapturedStdout();
  const int64_t v = u.s.model[0] == l_True ? 3 : 1;
  EXPECT_EQ(u.s.upperBound, v);
  ASSERT_EQ(u.s.nConstraints(), before + 1);
  Constraint* bound = u.s.constraints.last();
  EXPECT_FALSE(bound->isClause());
  ASSERT_EQ(bound->size(), 1);
  EXPECT_EQ((*bound)[0], mkLit(0, true));
  EXPECT_EQ(bound->coeff(0), 2u);
  EXPECT_EQ(bound->rhs(), 4 - v);
  EXPECT_TRUE(bound->isSoft());
  EXPECT_EQ(u.s.solverUB, v);
}

// Every variable carries the same weight on both literals: every model costs
// the same (5 + 2), so the first model is optimal. It is reported and stored
// without any bound, and the next call proves that nothing better exists.
TEST(PBOSolverObjective, EqualPairsOnlyFirstModelIsReportedAsOptimal) {
  Upper u;
  u.s.newVar();
  u.s.newVar();
  u.s.objCoeff(mkLit(0), 5);
  u.s.objCoeff(mkLit(0, true), 5);
  u.s.objCoeff(mkLit(1), 2);
  u.s.objCoeff(mkLit(1, true), 2);
  std::string err = u.initBound(2);
  EXPECT_FALSE(u.coop.decisionProblem);
  EXPECT_EQ(u.coop.bounds[2], 1 + 5 + 2);
  EXPECT_NE(err.find("Unweighted Optimization"), std::string::npos);
  const int before = u.s.nConstraints();
  testing::internal::CaptureStdout();
  EXPECT_TRUE(u.s.solve());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 7\n");
  EXPECT_EQ(u.s.nConstraints(), before);
  EXPECT_EQ(u.s.upperBound, 7);
  EXPECT_EQ(u.coop.nbSolutions, 1);
  EXPECT_EQ(u.coop.bounds[2], 7);
  EXPECT_FALSE(u.s.solve());
  EXPECT_FALSE(u.s.okay());
}

// Equal pairs beside an ordinary term: the pair counts once in r and the
// optimum includes the pair's constant cost.
TEST(PBOSolverObjective, EqualPairBesideAnOrdinaryTerm) {
  Weighted w;
  w.nVars = 2;
  w.soft = {{mkLit(0), 4}, {mkLit(0, true), 4}, {mkLit(1), 3}};
  Hard c;
  c.lits = {mkLit(1, true)};
  c.coeffs = {1};
  w.hard.push_back(c);  // x1 false: the 3 is paid
  Upper u;
  loadHard(u.s, w);
  loadObjective(u.s, w);
  u.initBound(2);
  EXPECT_EQ(u.coop.bounds[2], 1 + 4 + 3);
  Walk walk = minimise(u, w, 10);
  ASSERT_FALSE(walk.costs.empty());
  EXPECT_EQ(walk.costs.back(), 7);
  EXPECT_TRUE(walk.proven);
}

TEST(PBOSolverModes, DecisionProblemFlagGivesModelsWithoutBound) {
  Upper u;
  u.s.newVar();
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(1);
  u.coop.decisionProblem = true;
  const int before = u.s.nConstraints();
  EXPECT_TRUE(u.s.solve());
  EXPECT_TRUE(u.s.modelFound);
  EXPECT_EQ(u.s.nConstraints(), before);
  EXPECT_EQ(u.s.upperBound, -1);
  EXPECT_EQ(u.coop.nbSolutions, 0);
}

TEST(PBOSolverModes, PreprocessOnlyReturnsFalseAndSetsStopFlag) {
  Upper u;
  u.s.newVar();
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(1);
  u.s.preprocessOnly = true;
  EXPECT_FALSE(u.s.solve());
  EXPECT_TRUE(u.s.stopFlag);
  EXPECT_TRUE(u.s.okay());
  EXPECT_FALSE(u.s.modelFound);
  EXPECT_EQ(u.coop.nbSolutions, 0);
}

TEST(PBOSolverModes, PreprocessOnlyOnAnInconsistentSolverLeavesStopFlagClear) {
  Upper u;
  u.s.newVar();
  vec<Lit> c;
  u.s.addClause(fill(c, {mkLit(0)}))->isSoft(false);
  u.s.addClause(fill(c, {mkLit(0, true)}))->isSoft(false);
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(1);
  u.s.preprocessOnly = true;
  EXPECT_FALSE(u.s.solve());
  EXPECT_FALSE(u.s.stopFlag);
}

// A time limit below one second is an ordinary time limit, not the
// preprocess-only switch.
TEST(PBOSolverModes, SmallTimeLimitStillSearches) {
  Upper u;
  u.s.newVar();
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(1);
  u.s.timeLimit = 0.0;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(u.s.solve());
  const int cost = u.s.model[0] == l_True ? 0 : 3;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o " + std::to_string(cost) + "\n");
  EXPECT_FALSE(u.s.stopFlag);
}

TEST(PBOSolverModes, DoneStopsWithoutChangingConsistency) {
  Upper u;
  u.s.newVar();
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(1);
  u.coop.done = true;
  EXPECT_FALSE(u.s.solve());
  EXPECT_TRUE(u.s.okay());
  EXPECT_FALSE(u.s.modelFound);
}

TEST(PBOSolverModes, SpentUpperBoundBudgetStopsWithoutChangingConsistency) {
  Upper u;
  for (int i = 0; i < 3; i++) u.s.newVar();
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(3);
  u.coop.ubTimeLimit = 0;
  EXPECT_FALSE(u.s.solve());
  EXPECT_TRUE(u.coop.ubTimeOut);
  EXPECT_FALSE(u.coop.timedOut);
  EXPECT_TRUE(u.s.okay());
  EXPECT_EQ(u.coop.nbSolutions, 0);
}

TEST(PBOSolverModes, UnsatisfiableHardPartGivesNoModel) {
  Upper u;
  u.s.newVar();
  u.s.newVar();
  vec<Lit> c;
  u.s.addClause(fill(c, {mkLit(0), mkLit(1)}))->isSoft(false);
  u.s.addClause(fill(c, {mkLit(0), mkLit(1, true)}))->isSoft(false);
  u.s.addClause(fill(c, {mkLit(0, true), mkLit(1)}))->isSoft(false);
  u.s.addClause(fill(c, {mkLit(0, true), mkLit(1, true)}))->isSoft(false);
  u.s.objCoeff(mkLit(0), 3);
  u.initBound(2);
  EXPECT_FALSE(u.s.solve());
  EXPECT_FALSE(u.s.okay());
  EXPECT_FALSE(u.s.modelFound);
  EXPECT_EQ(u.s.model.size(), 0);
  EXPECT_FALSE(u.s.solve());  // stays inconsistent
  EXPECT_EQ(u.coop.nbSolutions, 0);
}

// A bound given from outside tightens the objective without any report; the
// next models lie strictly below it.
TEST(PBOSolverObjective, GivenBoundIsNotReported) {
  Weighted w;
  w.nVars = 4;
  for (int v = 0; v < 4; v++) w.soft.push_back({mkLit(v, true), (unsigned)(v + 1)});  // paid when x_v true
  Hard c;  // at least two true
  c.clause = false;
  c.lits = {mkLit(0), mkLit(1), mkLit(2), mkLit(3)};
  c.coeffs = {1, 1, 1, 1};
  c.rhs = 2;
  w.hard.push_back(c);
  Upper u;
  loadHard(u.s, w);
  loadObjective(u.s, w);
  u.initBound(4);
  testing::internal::CaptureStdout();
  u.s.updateObjFunction(5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(u.s.upperBound, 5);
  EXPECT_EQ(u.s.solverUB, 5);
  EXPECT_EQ(u.coop.nbSolutions, 0);
  Walk walk = minimise(u, w, 20);
  ASSERT_FALSE(walk.costs.empty());
  EXPECT_LT(walk.costs.front(), 5);
  EXPECT_EQ(walk.costs.back(), 3);  // x0 and x1
  EXPECT_EQ(u.coop.nbSolutions, (int)walk.costs.size());
}

// A first model of value 1 leaves the bound objective <= 0.
TEST(PBOSolverObjective, FirstModelOfValueOneForcesZero) {
  Upper u;
  u.s.newVar();
  u.s.newVar();
  vec<Lit> c;
  u.s.addClause(fill(c, {mkLit(0, true)}))->isSoft(false);  // x0 false: its unit of weight 1 is paid
  u.s.objCoeff(mkLit(0), 1);
  u.s.objCoeff(mkLit(1), 1);
  u.initBound(2);
  testing::internal::CaptureStdout();
  bool first = u.s.solve();
  const int64_t firstValue = u.s.upperBound;
  bool more = first && u.s.solve();
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(first);
  // The first model either costs 1 (then nothing better exists) or 2.
  if (firstValue == 2) {
    EXPECT_TRUE(more);
    EXPECT_EQ(out, "o 2\no 1\n");
  } else {
    EXPECT_EQ(out, "o 1\n");
  }
  EXPECT_EQ(u.s.upperBound, 1);
  EXPECT_FALSE(u.s.solve());
  EXPECT_FALSE(u.s.okay());
}
