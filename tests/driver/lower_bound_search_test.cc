// The core-guided lower-bound search of thread 0, alone and in the normal
// mode, against the brute-force optimum of small weighted problems, for every
// at-most-one encoding of the relaxed cores; and the search's ways to end.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <sstream>
#include <string>

#include "driver/RUKSolver.h"
#include "driver_test_util.h"

namespace {

using driver_test::Constr;
using driver_test::Lcg;
using driver_test::LowerBoundRun;
using driver_test::Problem;

const Cost smallTop = 6;

enum class Weights { Small, Large, LargeWithTopAbove, AroundSmallTop };

Cost randomWeight(Lcg& g, Weights kind) {
  switch (kind) {
    case Weights::Small:
      return g.between(1, 5);
    case Weights::Large:
      // Below the default top weight 2147483647, which marks hard ones.
      if (g.chance(30)) return 2147483646 - g.between(0, 3);
      return 1 + (Cost)g.below(2147483646u);
    case Weights::LargeWithTopAbove:
      if (g.chance(30)) return 2147483647;  // a legitimate soft weight here
      return 1 + (Cost)g.below(2147483647u);
    case Weights::AroundSmallTop: {
      // The top weight is 6: only 6 itself is hard; sums and remainders of
      // soft weights can meet 6 too.
      Cost w = g.between(1, 9);
      return w == smallTop ? w + 1 : w;
    }
  }
  return 1;
}

Lit randomLit(Lcg& g, int nVars) { return mkLit(g.between(0, nVars - 1), g.chance(50)); }

std::vector<Lit> randomClauseLits(Lcg& g, int nVars, int size) {
  std::vector<Lit> lits;
  while ((int)lits.size() < size) {
    Lit l = randomLit(g, nVars);
    bool repeated = false;
    for (Lit m : lits) repeated = repeated || var(m) == var(l);
    if (!repeated) lits.push_back(l);
  }
  return lits;
}

void addRandomPB(Lcg& g, Problem& p, Cost weight) {
  const int size = g.between(2, std::min(4, p.nVars));
  std::vector<Lit> lits = randomClauseLits(g, p.nVars, size);
  std::vector<unsigned> coeffs;
  int64_t sum = 0;
  for (int i = 0; i < size; i++) {
    coeffs.push_back((unsigned)g.between(1, 4));
    sum += coeffs.back();
  }
  p.pb(lits, coeffs, g.between(1, (int)sum), weight);
}

// Hard and soft clauses and pseudo-Boolean constraints over up to 8
// variables; some of them with an unsatisfiable hard part.
Problem randomProblem(Lcg& g, Weights weights) {
  Problem p;
  p.nVars = g.between(2, 8);
  const int hardClauses = g.between(0, 5);
  for (int i = 0; i < hardClauses; i++) p.clause(randomClauseLits(g, p.nVars, g.between(1, std::min(3, p.nVars))));
  if (g.chance(12)) {
    // Unsatisfiable, and only a search can tell.
    Var a = g.between(0, p.nVars - 1), b = (a + 1) % p.nVars;
    for (int s = 0; s < 4; s++) p.clause({mkLit(a, s & 1), mkLit(b, (s >> 1) & 1)});
  }
  if (g.chance(40)) addRandomPB(g, p, 0);
  const int softUnits = g.between(1, 5);
  for (int i = 0; i < softUnits; i++) p.clause({randomLit(g, p.nVars)}, randomWeight(g, weights));
  const int softClauses = g.between(0, 3);
  for (int i = 0; i < softClauses; i++)
    p.clause(randomClauseLits(g, p.nVars, g.between(2, std::min(3, p.nVars))), randomWeight(g, weights));
  if (g.chance(30)) addRandomPB(g, p, randomWeight(g, weights));
  return p;
}

// Many soft units against a hard "at most k true" make cores of seven
// members and more, where the encoding kinds differ. Only a few of them may
// be violated: each further core of this shape is a harder pigeonhole
// proof for the search, which would make the test slow, not stronger.
Problem bigCoreProblem(Lcg& g, Weights weights) {
  Problem p;
  p.nVars = g.between(7, 10);
  const int k = p.nVars - (weights == Weights::Small ? g.between(1, 3) : 1);
  std::vector<Lit> negs;
  std::vector<unsigned> ones;
  for (int v = 0; v < p.nVars; v++) {
    negs.push_back(mkLit(v, true));
    ones.push_back(1);
  }
  p.pb(negs, ones, p.nVars - k);
  for (int v = 0; v < p.nVars; v++) p.clause({mkLit(v)}, randomWeight(g, weights));
  const int extra = g.between(0, 3);
  for (int i = 0; i < extra; i++) p.clause(randomClauseLits(g, p.nVars, 2));
  if (g.chance(30)) p.clause({randomLit(g, p.nVars)}, randomWeight(g, weights));
  return p;
}

std::string describe(const Problem& p) {
  std::ostringstream out;
  out << p.nVars << " variables;";
  for (const Constr& c : p.constraints) {
    out << " [" << (c.hard ? std::string("hard") : std::to_string(c.weight)) << "]";
    for (size_t i = 0; i < c.lits.size(); i++)
      out << " " << (c.pb ? std::to_string(c.coeffs[i]) + "*" : "") << (sign(c.lits[i]) ? "-" : "") << var(c.lits[i]) + 1;
    if (c.pb) out << " >= " << c.rhs;
    out << ";";
  }
  return out.str();
}

// Runs the search and compares every observable with the brute-force answer.
void expectBruteForceAnswer(const Problem& p, int kind, Cost topWeight, bool interleaved) {
  SCOPED_TRACE(describe(p));
  const std::optional<Cost> optimum = driver_test::bruteForceOptimum(p);
  LowerBoundRun run(kind, topWeight);
  run.load(p, interleaved);
  run.setUp();
  run.search();
  EXPECT_TRUE(run.coop.done);
  EXPECT_FALSE(run.coop.timedOut);
  EXPECT_FALSE(run.coop.lbTimeOut);
  if (!optimum) {
    EXPECT_EQ(run.coop.nbSolutions, 0) << "hard part is unsatisfiable";
    return;
  }
  ASSERT_EQ(run.coop.nbSolutions, 1) << "expected optimum " << *optimum;
  EXPECT_EQ(run.coop.bounds[2], *optimum);
  EXPECT_EQ(run.r.lowerBound, *optimum);
  const uint64_t model = run.modelBits();
  EXPECT_TRUE(driver_test::feasible(p, model)) << "model " << model;
  EXPECT_EQ(driver_test::costOf(p, model), *optimum) << "model " << model;
}

class LowerBoundSearchByEncoding : public testing::TestWithParam<int> {};

TEST_P(LowerBoundSearchByEncoding, SmallWeightsMatchBruteForce) {
  Lcg g(1000 + GetParam());
  for (int round = 0; round < 60; round++) {
    SCOPED_TRACE(round);
    expectBruteForceAnswer(randomProblem(g, Weights::Small), GetParam(), RUKSolver::defaultTopWeight, false);
  }
}

TEST_P(LowerBoundSearchByEncoding, LargeWeightsMatchBruteForce) {
  Lcg g(2000 + GetParam());
  for (int round = 0; round < 30; round++) {
    SCOPED_TRACE(round);
    expectBruteForceAnswer(randomProblem(g, Weights::Large), GetParam(), RUKSolver::defaultTopWeight, false);
  }
}

// With a top weight above 2^31, a soft weight of 2147483647 is an ordinary
// weight and not the "no soft member" answer.
TEST_P(LowerBoundSearchByEncoding, WeightsUpToTwoToThe31MinusOneUnderHigherTopMatchBruteForce) {
  Lcg g(3000 + GetParam());
  for (int round = 0; round < 20; round++) {
    SCOPED_TRACE(round);
    expectBruteForceAnswer(randomProblem(g, Weights::LargeWithTopAbove), GetParam(), (Cost)1 << 40, false);
  }
}

// A wcnf header with a small top weight: weights above it are soft, and a
// soft weight that sums or splits to the top weight stays soft.
// Disabled until a soft weight equal to the top weight no longer reads as hard.
TEST_P(LowerBoundSearchByEncoding, WeightsAroundASmallTopWeightMatchBruteForce) {
  Lcg g(6000 + GetParam());
  for (int round = 0; round < 30; round++) {
    SCOPED_TRACE(round);
    expectBruteForceAnswer(randomProblem(g, Weights::AroundSmallTop), GetParam(), smallTop, false);
  }
}

TEST_P(LowerBoundSearchByEncoding, CoresOfSevenAndMoreMatchBruteForce) {
  Lcg g(4000 + GetParam());
  for (int round = 0; round < 16; round++) {
    SCOPED_TRACE(round);
    Weights w = round % 2 == 0 ? Weights::Small : Weights::Large;
    expectBruteForceAnswer(bigCoreProblem(g, w), GetParam(), RUKSolver::defaultTopWeight, false);
  }
}

// Variables created on first use, between relaxation variables, as the OPB
// reader creates them: the input variables are not the first ones.
TEST_P(LowerBoundSearchByEncoding, InterleavedRelaxationVariablesMatchBruteForce) {
  Lcg g(5000 + GetParam());
  for (int round = 0; round < 20; round++) {
    SCOPED_TRACE(round);
    Problem p = round % 3 == 0 ? bigCoreProblem(g, Weights::Small) : randomProblem(g, Weights::Small);
    expectBruteForceAnswer(p, GetParam(), RUKSolver::defaultTopWeight, true);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LowerBoundSearchByEncoding, testing::Range(0, 9),
                         [](const testing::TestParamInfo<int>& kind) { return "Kind" + std::to_string(kind.param); });

// ---- Hand-worked examples.

// Soft x1 (3) and x2 (2), hard "not both": violate x2, cost 2.
Problem threeAndTwo() {
  Problem p;
  p.nVars = 2;
  p.pb({mkLit(0)}, {1}, 1, 3);
  p.pb({mkLit(1)}, {1}, 1, 2);
  p.pb({mkLit(0, true), mkLit(1, true)}, {1, 1}, 1);
  return p;
}

TEST(CostLimit, LimitFarAboveTotalWeightStillFindsTheOptimum) {
  LowerBoundRun run(8);
  run.load(threeAndTwo());
  run.r.hasSoftLimit = true;
  run.r.softLimit = 100;
  run.setUp();
  run.search();
  EXPECT_TRUE(run.coop.done);
  ASSERT_EQ(run.coop.nbSolutions, 1);
  EXPECT_EQ(run.coop.bounds[2], 2);
  EXPECT_EQ(run.modelBits(), 1u);  // x1 true, x2 false
}

TEST(CostLimit, LimitJustAboveTheOptimumFindsIt) {
  LowerBoundRun run(8);
  run.load(threeAndTwo());
  run.r.hasSoftLimit = true;
  run.r.softLimit = 3;
  run.setUp();
  run.search();
  ASSERT_EQ(run.coop.nbSolutions, 1);
  EXPECT_EQ(run.coop.bounds[2], 2);
}

TEST(CostLimit, LimitAtTheOptimumLeavesNoSolution) {
  for (Cost limit : {1, 2}) {
    LowerBoundRun run(8);
    run.load(threeAndTwo());
    run.r.hasSoftLimit = true;
    run.r.softLimit = limit;
    run.setUp();
    run.search();
    EXPECT_TRUE(run.coop.done) << "limit " << limit;
    EXPECT_FALSE(run.coop.timedOut) << "limit " << limit;
    EXPECT_EQ(run.coop.nbSolutions, 0) << "limit " << limit;
  }
}

// The same example through the whole road of thread 0 (preprocessing, the
// one-time set-up with its cost-limit constraint, the search).
TEST(CostLimit, ThreadRoadAloneWithLimitFarAboveTotalWeightFindsTheOptimum) {
  LowerBoundRun run(8);
  run.r.inputFormat = formatRuk;
  run.load(threeAndTwo());
  run.r.hasSoftLimit = true;
  run.r.softLimit = 100;
  EXPECT_EQ(run.r.solve(), 1);
  EXPECT_TRUE(run.coop.done);
  ASSERT_EQ(run.coop.nbSolutions, 1);
  EXPECT_EQ(run.coop.bounds[2], 2);
  EXPECT_EQ(run.modelBits(), 1u);
}

// Three soft units of 2,000,000,000, at most one of them true: two are
// violated, 4,000,000,000 in all.
TEST(LargeCosts, OptimumBeyondThirtyTwoBits) {
  Problem p;
  p.nVars = 3;
  for (int v = 0; v < 3; v++) p.clause({mkLit(v)}, 2000000000);
  for (int a = 0; a < 3; a++)
    for (int b = a + 1; b < 3; b++) p.clause({mkLit(a, true), mkLit(b, true)});
  for (int kind = 0; kind <= 8; kind++) {
    LowerBoundRun run(kind);
    run.load(p);
    run.setUp();
    run.search();
    ASSERT_EQ(run.coop.nbSolutions, 1) << "kind " << kind;
    EXPECT_EQ(run.coop.bounds[2], 4000000000LL) << "kind " << kind;
    EXPECT_EQ(run.r.lowerBound, 4000000000LL) << "kind " << kind;
    const uint64_t m = run.modelBits();
    EXPECT_EQ(__builtin_popcountll(m), 1) << "kind " << kind;
  }
}

// Two soft units on the same literal merge into one objective term of
// 4,000,000,000; the cheaper way out costs 3.
TEST(LargeCosts, MergedTermAboveThirtyTwoBitsIsAvoided) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, 2000000000);
  p.clause({mkLit(0)}, 2000000000);
  p.clause({mkLit(1)}, 3);
  p.clause({mkLit(0, true), mkLit(1, true)});
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.search();
  ASSERT_EQ(run.coop.nbSolutions, 1);
  EXPECT_EQ(run.coop.bounds[2], 3);
  EXPECT_EQ(run.modelBits(), 1u);
}

// A soft constraint whose weight equals the top weight, by merging soft
// units on one literal or by the remainder of a split, is still soft.

// Soft x of 2147483646 and of 1 merge into one term of 2147483647, the
// default top weight; the hard clauses force x false: cost 2147483647.
// Disabled until a soft weight equal to the top weight no longer reads as hard.
TEST(SoftWeightAtTop, MergedTermEqualToTopWeightIsStillSoft) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0, true), mkLit(1)});
  p.clause({mkLit(0, true), mkLit(1, true)});
  p.clause({mkLit(0)}, 2147483646);
  p.clause({mkLit(0)}, 1);
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.search();
  EXPECT_TRUE(run.coop.done);
  ASSERT_EQ(run.coop.nbSolutions, 1) << "feasible, yet reported without solution";
  EXPECT_EQ(run.coop.bounds[2], 2147483647LL);
  EXPECT_EQ(run.modelBits() & 1u, 0u);
}

// Top weight 6. Soft x (1), soft ~x (7), soft z (9), hard x or ~z. x true
// costs 7; x false costs 1 + 9. Once ~x is split by a core of weight 1 its
// remainder weighs 6, the top weight, and must still count as soft.
// Disabled until a soft weight equal to the top weight no longer reads as hard.
TEST(SoftWeightAtTop, SplitRemainderEqualToTopWeightIsStillSoft) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, 1);
  p.clause({mkLit(0, true)}, 7);
  p.clause({mkLit(1)}, 9);
  p.clause({mkLit(0), mkLit(1, true)});
  ASSERT_EQ(driver_test::bruteForceOptimum(p), std::optional<Cost>(7));
  for (int kind = 0; kind <= 8; kind++) {
    LowerBoundRun run(kind, 6);
    run.load(p);
    run.setUp();
    run.search();
    ASSERT_EQ(run.coop.nbSolutions, 1) << "kind " << kind;
    EXPECT_EQ(run.coop.bounds[2], 7) << "kind " << kind;
  }
}

// 3,000,000,000 x1 + 3,000,000,000 x2 >= 5,000,000,000 is soft (weight 1)
// and x1 is forced false: only its relaxation term, of coefficient
// 5,000,000,000, can satisfy it. Cost 1.
// Disabled until intake spreads a relaxation coefficient beyond 32 bits.
TEST(LargeCosts, SoftPseudoBooleanWithRhsBeyondThirtyTwoBitsCanBeRelaxed) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0, true)});
  p.pb({mkLit(0), mkLit(1)}, {3000000000u, 3000000000u}, 5000000000LL, 1);
  p.clause({mkLit(1)}, 2);
  ASSERT_EQ(driver_test::bruteForceOptimum(p), std::optional<Cost>(1));
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.search();
  ASSERT_EQ(run.coop.nbSolutions, 1) << "feasible, yet reported without solution";
  EXPECT_EQ(run.coop.bounds[2], 1);
}

// Soft constraints that can never hold, and one that always holds: an
// empty soft clause and a soft PB with rhs above its coefficient sum are
// always paid, a soft PB with rhs 0 never.
TEST(LowerBoundSearch, AlwaysViolatedAndAlwaysSatisfiedSoftConstraints) {
  Problem p;
  p.nVars = 2;
  p.clause({}, 4);
  p.pb({mkLit(0), mkLit(1)}, {1, 2}, 4, 5);
  p.pb({mkLit(0, true)}, {3}, 0, 6);
  p.clause({mkLit(0)}, 1);
  p.clause({mkLit(0, true), mkLit(1, true)});
  p.clause({mkLit(1)}, 2);
  ASSERT_EQ(driver_test::bruteForceOptimum(p), std::optional<Cost>(4 + 5 + 1));
  for (int kind = 0; kind <= 8; kind++) {
    LowerBoundRun run(kind);
    run.load(p);
    run.setUp();
    run.search();
    ASSERT_EQ(run.coop.nbSolutions, 1) << "kind " << kind;
    EXPECT_EQ(run.coop.bounds[2], 10) << "kind " << kind;
    EXPECT_EQ(driver_test::costOf(p, run.modelBits()), 10) << "kind " << kind;
  }
}

TEST(LowerBoundSearch, HardEmptyClauseLeavesNoSolution) {
  Problem p;
  p.nVars = 1;
  p.clause({});
  p.clause({mkLit(0)}, 3);
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.search();
  EXPECT_TRUE(run.coop.done);
  EXPECT_EQ(run.coop.nbSolutions, 0);
}

// Clauses imported during an extraction are hard constraints of the
// solver: the core step appends one top weight for each.
TEST(LowerBoundSearch, PendingImportedWeightsAreAppendedBeforeTheCore) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, 2);
  p.clause({mkLit(1)}, 3);
  p.clause({mkLit(0, true), mkLit(1, true)});
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  const size_t before = run.r.weights.size();
  run.coop.pendingWeights[0] = 3;
  RefSet<int> core;
  ASSERT_EQ(run.r.multiComputeCore(core, 100000), CoreOutcome::Core);
  EXPECT_EQ(run.coop.pendingWeights[0], 0);
  ASSERT_EQ(run.r.weights.size(), before + 3);
  for (size_t i = before; i < before + 3; i++) EXPECT_EQ(run.r.weights[i], run.r.topWeight);
  Cost w = 0;
  ASSERT_TRUE(run.r.computeCoreWeight(run.r.solver, core, w));
  EXPECT_EQ(w, 2);
}

// ---- How the search ends.

TEST(LowerBoundSearch, ProblemSatisfiableAtOnceReportsTheFixedCostWithoutACore) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)});               // x1 true
  p.clause({mkLit(0, true)}, 3);      // so this one is violated for ever
  p.clause({mkLit(1)}, 1);
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  EXPECT_EQ(run.r.lowerBound, 3);
  Solver* before = run.r.solver;
  run.search();
  EXPECT_EQ(run.r.solver, before) << "no core, so no rebuilt solver";
  ASSERT_EQ(run.coop.nbSolutions, 1);
  EXPECT_EQ(run.coop.bounds[2], 3);
  EXPECT_EQ(run.modelBits(), 3u);
}

TEST(LowerBoundSearch, UnitWeightsRaiseTheBoundOnePerCore) {
  // Soft x1..x4 with "at most one true": three cores of weight 1.
  Problem p;
  p.nVars = 4;
  for (int v = 0; v < 4; v++) p.clause({mkLit(v)}, 1);
  p.pb({mkLit(0, true), mkLit(1, true), mkLit(2, true), mkLit(3, true)}, {1, 1, 1, 1}, 3);
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.search();
  ASSERT_EQ(run.coop.nbSolutions, 1);
  EXPECT_EQ(run.coop.bounds[2], 3);
  EXPECT_EQ(run.coop.bounds[0], 3) << "the thread's own bound follows the cores";
}

TEST(LowerBoundSearch, CoreOfHardMembersOnlyEndsWithoutSolution) {
  Problem p;
  p.nVars = 3;
  for (int s = 0; s < 4; s++) p.clause({mkLit(0, s & 1), mkLit(1, (s >> 1) & 1)});
  p.clause({mkLit(2)}, 5);
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.search();
  EXPECT_TRUE(run.coop.done);
  EXPECT_FALSE(run.coop.timedOut);
  EXPECT_EQ(run.coop.nbSolutions, 0);
  EXPECT_EQ(run.r.lowerBound, 0);
}

TEST(LowerBoundSearch, StopSetByTheOtherThreadGivesNoCoreAndNoBoundChange) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, 2);
  p.clause({mkLit(1)}, 2);
  p.clause({mkLit(0, true), mkLit(1, true)});
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  run.coop.done = true;
  RefSet<int> core;
  EXPECT_EQ(run.r.multiComputeCore(core, 100000), CoreOutcome::Stop);
  EXPECT_TRUE(core.empty());
  run.search();
  EXPECT_EQ(run.r.lowerBound, 0);
  EXPECT_EQ(run.coop.nbSolutions, 0);
  EXPECT_EQ(run.coop.bounds[0], 0);
}

// Pigeons into fewer holes: unsatisfiable, and far beyond one restart of
// a hundred conflicts. One soft unit on a free variable gives an objective.
Problem pigeonholes(int pigeons) {
  const int holes = pigeons - 1;
  Problem p;
  p.nVars = pigeons * holes + 1;
  auto at = [holes](int pigeon, int hole) { return pigeon * holes + hole; };
  for (int i = 0; i < pigeons; i++) {
    std::vector<Lit> somewhere;
    for (int h = 0; h < holes; h++) somewhere.push_back(mkLit(at(i, h)));
    p.clause(somewhere);
  }
  for (int h = 0; h < holes; h++)
    for (int i = 0; i < pigeons; i++)
      for (int j = i + 1; j < pigeons; j++) p.clause({mkLit(at(i, h), true), mkLit(at(j, h), true)});
  p.clause({mkLit(p.nVars - 1)}, 1);
  return p;
}

TEST(RestartBudget, SpentBudgetIsAStopNotAProof) {
  LowerBoundRun run(8);
  run.load(pigeonholes(8));
  run.setUp();
  RefSet<int> core;
  CoreOutcome outcome = run.r.multiComputeCore(core, 1);
  EXPECT_EQ(outcome, CoreOutcome::Stop);
  EXPECT_TRUE(core.empty());
  EXPECT_TRUE(run.coop.lbTimeOut);
  EXPECT_TRUE(run.coop.timedOut);
  EXPECT_TRUE(run.r.solver->okay()) << "nothing was proved";
}

TEST(RestartBudget, SearchWithSpentBudgetEndsUndecided) {
  LowerBoundRun run(8);
  run.load(pigeonholes(8));
  run.r.coreRestartBudget = 1;
  run.setUp();
  run.search();
  EXPECT_EQ(run.coop.nbSolutions, 0);
  EXPECT_FALSE(run.coop.done) << "the other thread may still decide";
  EXPECT_TRUE(run.coop.lbTimeOut);
  EXPECT_TRUE(run.coop.timedOut);
}

// A proof found within the last allowed restart is a proof.
TEST(RestartBudget, ProofWithinTheBudgetIsACore) {
  Problem p;
  p.nVars = 3;
  for (int s = 0; s < 4; s++) p.clause({mkLit(0, s & 1), mkLit(1, (s >> 1) & 1)});
  p.clause({mkLit(2)}, 5);
  LowerBoundRun run(8);
  run.load(p);
  run.setUp();
  RefSet<int> core;
  EXPECT_EQ(run.r.multiComputeCore(core, 1), CoreOutcome::Core);
  EXPECT_FALSE(run.r.solver->okay());
  EXPECT_FALSE(run.coop.lbTimeOut);
  EXPECT_FALSE(run.coop.timedOut);
  Cost w = 0;
  EXPECT_FALSE(run.r.computeCoreWeight(run.r.solver, core, w)) << "only hard members";
}

TEST(CoreWeight, SmallestSoftWeightCountsAndHardOrZeroWeightMembersDoNot) {
  Cooperation coop(2, 16);
  RUKSolver r;
  r.coop = &coop;
  Solver* s = r.solver;
  for (int v = 0; v < 4; v++) s->newVar();
  // 0: soft weight 7; 1: hard; 2: soft weight 4; 3: soft weight 0;
  // 4: soft weight topWeight (still soft: merged soft units can reach it).
  for (int v = 0; v < 4; v++) {
    vec<Lit> unit;
    unit.push(mkLit(v));
    s->addClause(unit);
  }
  vec<Lit> unit;
  unit.push(mkLit(0, true));
  s->addClause(unit);
  s->constraints[1]->isSoft(false);
  r.weights = {7, r.topWeight, 4, 0, r.topWeight};
  Cost w = -1;
  RefSet<int> core{0, 1, 2, 3, 4};
  ASSERT_TRUE(r.computeCoreWeight(s, core, w));
  EXPECT_EQ(w, 4);
  RefSet<int> hardOnly{1, 3};
  EXPECT_FALSE(r.computeCoreWeight(s, hardOnly, w));
  RefSet<int> heavyOnly{1, 4};
  ASSERT_TRUE(r.computeCoreWeight(s, heavyOnly, w));
  EXPECT_EQ(w, r.topWeight);
  RefSet<int> beyond{0, 99};
  ASSERT_TRUE(r.computeCoreWeight(s, beyond, w));
  EXPECT_EQ(w, 7);
}

}  // namespace
