// The core-guided lower-bound search of thread 0, alone in the normal mode,
// against the brute-force optimum for every at-most-one kind; and its ways
// to end (model, proof, stop).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driver_test_util.h"
#include "tests/solver/test_util.h"

namespace {

using namespace driver_test;

// Soft units against a hard "at most k true": cores of seven members and
// more, where the kinds differ.
Problem bigCoreProblem(Lcg& g, Weights w) {
  Problem p;
  p.nVars = g.between(7, 10);
  const int k = p.nVars - (w == Weights::Small ? g.between(1, 3) : 1);
  std::vector<Lit> negs;
  for (int v = 0; v < p.nVars; v++) negs.push_back(mkLit(v, true));
  p.pb(negs, std::vector<unsigned>((size_t)p.nVars, 1u), p.nVars - k);
  for (int v = 0; v < p.nVars; v++) p.clause({mkLit(v)}, randomWeight(g, w));
  for (int i = g.between(0, 3); i > 0; i--) p.clause(randomLiterals(g, Shape(), p.nVars, 2));
  return p;
}

void expectBruteForceAnswer(const Problem& p, int kind, Cost top, bool interleaved = false) {
  LowerBoundRun run(kind, top);
  run.load(p, interleaved);
  run.run();
  run.expectBruteForceOptimum(p);
}

class LowerBoundSearchByKind : public testing::TestWithParam<int> {};

// Every third problem has its variables created between relaxation variables;
// every fourth has a core of seven members or more.
TEST_P(LowerBoundSearchByKind, RandomProblemsMatchBruteForce) {
  const Weights styles[] = {Weights::Small, Weights::Large, Weights::TopAbove, Weights::SmallTop};
  Lcg g(1000 + GetParam());
  for (int round = 0; round < 48; round++) {
    const Weights w = styles[round % 4];
    SCOPED_TRACE("round " + std::to_string(round));
    if (round % 4 == 3) {
      expectBruteForceAnswer(bigCoreProblem(g, round % 8 == 3 ? Weights::Large : Weights::Small), GetParam(),
                             RUKSolver::defaultTopWeight, round % 3 == 0);
    } else {
      expectBruteForceAnswer(randomProblem(g, w), GetParam(), topFor(w), round % 3 == 0);
    }
  }
}

// Hand-worked optima, each also confirmed by brute force.
TEST_P(LowerBoundSearchByKind, HandWorkedProblems) {
  struct Case {
    const char* name;
    Cost top, optimum;
    Problem p;
  } cases[5] = {{"cost beyond 32 bits", RUKSolver::defaultTopWeight, 4000000000LL, {3, {}}},
                {"relaxation term beyond 32 bits", RUKSolver::defaultTopWeight, 1, {2, {}}},
                {"merged term at the top weight", RUKSolver::defaultTopWeight, 2147483647LL, {2, {}}},
                {"split remainder at the top weight", 6, 7, {2, {}}},
                {"always violated and always satisfied", RUKSolver::defaultTopWeight, 10, {2, {}}}};
  // At most one of three soft units of 2,000,000,000 true.
  for (int v = 0; v < 3; v++) cases[0].p.clause({mkLit(v)}, 2000000000);
  for (int a = 0; a < 3; a++)
    for (int b = a + 1; b < 3; b++) cases[0].p.clause({mkLit(a, true), mkLit(b, true)});
  // Soft 3e9 x0 + 3e9 x1 >= 5e9 with x0 forced false: only its relaxation
  // term, of coefficient 5e9, can satisfy it.
  cases[1].p.clause({mkLit(0, true)});
  cases[1].p.pb({mkLit(0), mkLit(1)}, {3000000000u, 3000000000u}, 5000000000LL, 1);
  cases[1].p.clause({mkLit(1)}, 2);
  // Soft x0 of 2^31 - 2 and of 1 merge into one soft term at the top weight.
  cases[2].p.clause({mkLit(0, true), mkLit(1)});
  cases[2].p.clause({mkLit(0, true), mkLit(1, true)});
  cases[2].p.clause({mkLit(0)}, 2147483646);
  cases[2].p.clause({mkLit(0)}, 1);
  // Top 6: ~x0 (7) split by a core of weight 1 leaves 6, still soft.
  cases[3].p.clause({mkLit(0)}, 1);
  cases[3].p.clause({mkLit(0, true)}, 7);
  cases[3].p.clause({mkLit(1)}, 9);
  cases[3].p.clause({mkLit(0), mkLit(1, true)});
  // Always paid: an empty soft clause (4), a soft PB above its sum (5);
  // never paid: a soft PB with rhs 0; then x0 (1) against x1 (2).
  cases[4].p.clause({}, 4);
  cases[4].p.pb({mkLit(0), mkLit(1)}, {1, 2}, 4, 5);
  cases[4].p.pb({mkLit(0, true)}, {3}, 0, 6);
  cases[4].p.clause({mkLit(0)}, 1);
  cases[4].p.clause({mkLit(0, true), mkLit(1, true)});
  cases[4].p.clause({mkLit(1)}, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(bruteForceOptimum(c.p), std::optional<Cost>(c.optimum));
    expectBruteForceAnswer(c.p, GetParam(), c.top);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LowerBoundSearchByKind, testing::Range(0, 9),
                         [](const testing::TestParamInfo<int>& k) { return "Kind" + std::to_string(k.param); });

Problem twoOfTwo(Cost w0, Cost w1) {  // soft x0, soft x1, hard "not both"
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, w0);
  p.clause({mkLit(1)}, w1);
  p.clause({mkLit(0, true), mkLit(1, true)});
  return p;
}

// Soft x0 (3) and x1 (2): the optimum 2 is found under any limit above it,
// and nothing under a limit at or below it.
TEST(CostLimit, LimitAboveTheOptimumFindsItAndAtOrBelowFindsNothing) {
  for (Cost limit : {100, 3, 2, 1}) {
    LowerBoundRun run(8);
    run.load(twoOfTwo(3, 2));
    run.r.hasSoftLimit = true;
    run.r.softLimit = limit;
    run.run();
    EXPECT_TRUE(run.coop.done) << limit;
    EXPECT_FALSE(run.coop.timedOut) << limit;
    ASSERT_EQ(run.coop.nbSolutions, limit > 2 ? 1 : 0) << limit;
    if (limit > 2) {
      EXPECT_EQ(run.coop.bounds[2], 2);
      EXPECT_EQ(run.modelBits(), 1u);
    }
  }
}

// Eight pigeons in seven holes (far beyond one restart), plus a soft unit.
Problem pigeonholes() {
  Problem p = pigeonhole(7);
  p.clause({mkLit(p.nVars++)}, 1);
  return p;
}

// The other thread done, with the core found at level 0 or the search still
// undecided: a stop, neither a core, nor a model, nor a time-out.
TEST(LowerBoundSearch, StopSetByTheOtherThreadGivesNoCoreAndNoBound) {
  for (const Problem& p : {twoOfTwo(2, 3), pigeonholes()}) {
    LowerBoundRun run(8);
    run.load(p);
    run.setUp();
    run.coop.done = true;
    RefSet<int> core;
    EXPECT_EQ(run.r.multiComputeCore(core, 100000), CoreOutcome::Stop);
    EXPECT_TRUE(core.empty());
    EXPECT_FALSE(run.coop.timedOut);
    run.r.multiLowerBoundSearch();
    EXPECT_EQ(run.r.lowerBound, 0);
    EXPECT_EQ(run.coop.nbSolutions, 0);
  }
}

// Clauses imported during an extraction are hard constraints of the solver:
// the core step appends one top weight for each before the core is weighed.
TEST(LowerBoundSearch, ImportedClausesGetTheirWeightsBeforeTheCore) {
  LowerBoundRun run(8);
  run.load(twoOfTwo(2, 3));
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

// The smallest soft weight counts; hard members, weight 0 and refs beyond
// the solver do not; a soft weight equal to the top weight is still a weight.
TEST(LowerBoundSearch, CoreWeightIsTheSmallestSoftWeight) {
  Cooperation coop(2, 16);
  RUKSolver r;
  r.coop = &coop;
  Solver* s = r.solver;
  for (int v = 0; v < 5; v++) {
    s->newVar();
    add(*s, C({mkLit(v)}, true));
  }
  s->constraints[1]->isSoft(false);
  r.weights = {7, 1, 4, 0, r.topWeight};
  Cost w = -1;
  RefSet<int> all{0, 1, 2, 3, 4}, hardOnly{1, 3}, atTop{1, 4}, beyond{0, 99};
  ASSERT_TRUE(r.computeCoreWeight(s, all, w));
  EXPECT_EQ(w, 4);
  EXPECT_FALSE(r.computeCoreWeight(s, hardOnly, w));
  ASSERT_TRUE(r.computeCoreWeight(s, atTop, w));
  EXPECT_EQ(w, r.topWeight);
  ASSERT_TRUE(r.computeCoreWeight(s, beyond, w));
  EXPECT_EQ(w, 7);
}

// A spent budget is a stop, reported as unknown; a proof found within the
// last allowed restart is a proof.
TEST(RestartBudget, SpentBudgetIsAStopNotAProof) {
  Problem unsat;
  unsat.nVars = 3;
  for (int s = 0; s < 4; s++) unsat.clause({mkLit(0, s & 1), mkLit(1, (s >> 1) & 1)});
  unsat.clause({mkLit(2)}, 5);
  for (bool spent : {true, false}) {
    LowerBoundRun run(8);
    run.load(spent ? pigeonholes() : unsat);
    run.setUp();
    RefSet<int> core;
    EXPECT_EQ(run.r.multiComputeCore(core, 1), spent ? CoreOutcome::Stop : CoreOutcome::Core);
    EXPECT_EQ(run.coop.timedOut, spent);
    EXPECT_EQ(run.r.solver->okay(), spent);
    LowerBoundRun search(8);
    search.load(spent ? pigeonholes() : unsat);
    search.r.coreRestartBudget = 1;
    RunResult child = runInChild([&search] {
      search.run();
      search.r.reportFinalResult();
    });
    EXPECT_EQ(child.status, 255);
    EXPECT_EQ(child.out, spent ? "s UNKNOWN\n" : "s UNSATISFIABLE\n");
  }
}

}  // namespace
