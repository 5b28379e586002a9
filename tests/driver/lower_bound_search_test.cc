// The core-guided lower-bound search of thread 0, alone in the normal mode,
// against the brute-force optimum for every at-most-one kind; and its ways
// to end (model, proof, stop).
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "driver_test_util.h"

namespace {

using namespace driver_test;

enum class Weights { Small, Large, LargeWithTopAbove, AroundSmallTop };
const Cost smallTop = 6;

Cost topFor(Weights w) {
  return w == Weights::LargeWithTopAbove ? (Cost)1 << 40
         : w == Weights::AroundSmallTop  ? smallTop
                                         : RUKSolver::defaultTopWeight;
}

Cost randomWeight(Lcg& g, Weights kind) {
  switch (kind) {
    case Weights::Small: return g.between(1, 5);
    case Weights::Large:  // below the default top weight 2^31 - 1
      return g.chance(30) ? 2147483646 - g.between(0, 3) : 1 + (Cost)g.below(2147483646u);
    case Weights::LargeWithTopAbove:  // 2^31 - 1 is an ordinary soft weight here
      return g.chance(30) ? 2147483647 : 1 + (Cost)g.below(2147483647u);
    case Weights::AroundSmallTop: {  // only 6 itself is hard; sums and splits meet 6 too
      Cost w = g.between(1, 9);
      return w == smallTop ? w + 1 : w;
    }
  }
  return 1;
}

std::vector<Lit> randomLits(Lcg& g, int nVars, int size) {
  std::vector<Lit> lits;
  while ((int)lits.size() < size) {
    Lit l = mkLit(g.between(0, nVars - 1), g.chance(50));
    bool repeated = false;
    for (Lit m : lits) repeated = repeated || var(m) == var(l);
    if (!repeated) lits.push_back(l);
  }
  return lits;
}

void addRandomPB(Lcg& g, Problem& p, Cost weight) {
  const int size = g.between(2, std::min(4, p.nVars));
  std::vector<unsigned> coeffs;
  int sum = 0;
  for (int i = 0; i < size; i++) sum += (int)coeffs.emplace_back((unsigned)g.between(1, 4));
  p.pb(randomLits(g, p.nVars, size), coeffs, g.between(1, sum), weight);
}

// Hard and soft clauses and PB constraints over up to 8 variables, some with
// an unsatisfiable hard part.
Problem randomProblem(Lcg& g, Weights w) {
  Problem p;
  p.nVars = g.between(2, 8);
  for (int i = g.between(0, 5); i > 0; i--) p.clause(randomLits(g, p.nVars, g.between(1, std::min(3, p.nVars))));
  if (g.chance(12)) {
    Var a = g.between(0, p.nVars - 1), b = (a + 1) % p.nVars;
    for (int s = 0; s < 4; s++) p.clause({mkLit(a, s & 1), mkLit(b, (s >> 1) & 1)});
  }
  if (g.chance(40)) addRandomPB(g, p, 0);
  for (int i = g.between(1, 5); i > 0; i--) p.clause(randomLits(g, p.nVars, 1), randomWeight(g, w));
  for (int i = g.between(0, 3); i > 0; i--)
    p.clause(randomLits(g, p.nVars, g.between(2, std::min(3, p.nVars))), randomWeight(g, w));
  if (g.chance(30)) addRandomPB(g, p, randomWeight(g, w));
  return p;
}

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
  for (int i = g.between(0, 3); i > 0; i--) p.clause(randomLits(g, p.nVars, 2));
  return p;
}

// "[weight] coeff*literal ... >= rhs;" per constraint.
std::string describe(const Problem& p) {
  std::ostringstream out;
  for (const Constr& c : p.constraints) {
    out << "[" << c.weight << "]";
    for (size_t i = 0; i < c.lits.size(); i++) out << " " << c.coeffs[i] << "*" << (sign(c.lits[i]) ? "-" : "") << var(c.lits[i]) + 1;
    out << " >= " << c.rhs << "; ";
  }
  return out.str();
}

void expectBruteForceAnswer(const Problem& p, int kind, Cost top, bool interleaved = false) {
  SCOPED_TRACE(describe(p) + " kind " + std::to_string(kind));
  const std::optional<Cost> optimum = bruteForceOptimum(p);
  LowerBoundRun run(kind, top);
  run.load(p, interleaved);
  run.run();
  EXPECT_TRUE(run.coop.done);
  EXPECT_FALSE(run.coop.timedOut);
  if (!optimum) {
    EXPECT_EQ(run.coop.nbSolutions, 0) << "hard part is unsatisfiable";
    return;
  }
  ASSERT_EQ(run.coop.nbSolutions, 1) << "expected optimum " << *optimum;
  EXPECT_EQ(run.coop.bounds[2], *optimum);
  EXPECT_EQ(run.r.lowerBound, *optimum);
  EXPECT_TRUE(feasible(p, run.modelBits()));
  EXPECT_EQ(costOf(p, run.modelBits()), *optimum);
}

class LowerBoundSearchByKind : public testing::TestWithParam<int> {};

// Every third problem has its variables created between relaxation variables.
TEST_P(LowerBoundSearchByKind, RandomProblemsMatchBruteForce) {
  const Weights styles[] = {Weights::Small, Weights::Large, Weights::LargeWithTopAbove, Weights::AroundSmallTop};
  Lcg g(1000 + GetParam());
  for (int round = 0; round < 48; round++) {
    const Weights w = styles[round % 4];
    expectBruteForceAnswer(randomProblem(g, w), GetParam(), topFor(w), round % 3 == 0);
  }
}

TEST_P(LowerBoundSearchByKind, CoresOfSevenAndMoreMatchBruteForce) {
  Lcg g(4000 + GetParam());
  for (int round = 0; round < 12; round++)
    expectBruteForceAnswer(bigCoreProblem(g, round % 2 ? Weights::Large : Weights::Small), GetParam(),
                           RUKSolver::defaultTopWeight, round % 3 == 0);
}

// Hand-worked optima, each also confirmed by brute force.
TEST_P(LowerBoundSearchByKind, HandWorkedProblems) {
  const Cost top = RUKSolver::defaultTopWeight;
  struct Case {
    const char* name;
    Cost top, optimum;
    Problem p;
  } cases[] = {{"cost beyond 32 bits", top, 4000000000LL, {}},
               {"relaxation term beyond 32 bits", top, 1, {}},
               {"merged term at the top weight", top, 2147483647LL, {}},
               {"split remainder at the top weight", 6, 7, {}},
               {"always violated and always satisfied", top, 10, {}}};
  // At most one of three soft units of 2,000,000,000 true.
  Problem* p = &cases[0].p;
  p->nVars = 3;
  for (int v = 0; v < 3; v++) p->clause({mkLit(v)}, 2000000000);
  for (int a = 0; a < 3; a++)
    for (int b = a + 1; b < 3; b++) p->clause({mkLit(a, true), mkLit(b, true)});
  // Soft 3e9 x0 + 3e9 x1 >= 5e9 with x0 forced false: only its relaxation
  // term, of coefficient 5e9, can satisfy it.
  p = &cases[1].p;
  p->nVars = 2;
  p->clause({mkLit(0, true)});
  p->pb({mkLit(0), mkLit(1)}, {3000000000u, 3000000000u}, 5000000000LL, 1);
  p->clause({mkLit(1)}, 2);
  // Soft x0 of 2^31 - 2 and of 1 merge into one soft term at the top weight.
  p = &cases[2].p;
  p->nVars = 2;
  p->clause({mkLit(0, true), mkLit(1)});
  p->clause({mkLit(0, true), mkLit(1, true)});
  p->clause({mkLit(0)}, 2147483646);
  p->clause({mkLit(0)}, 1);
  // Top 6: ~x0 (7) split by a core of weight 1 leaves 6, still soft.
  p = &cases[3].p;
  p->nVars = 2;
  p->clause({mkLit(0)}, 1);
  p->clause({mkLit(0, true)}, 7);
  p->clause({mkLit(1)}, 9);
  p->clause({mkLit(0), mkLit(1, true)});
  // Always paid: an empty soft clause (4), a soft PB above its sum (5);
  // never paid: a soft PB with rhs 0; then x0 (1) against x1 (2).
  p = &cases[4].p;
  p->nVars = 2;
  p->clause({}, 4);
  p->pb({mkLit(0), mkLit(1)}, {1, 2}, 4, 5);
  p->pb({mkLit(0, true)}, {3}, 0, 6);
  p->clause({mkLit(0)}, 1);
  p->clause({mkLit(0, true), mkLit(1, true)});
  p->clause({mkLit(1)}, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(bruteForceOptimum(c.p), std::optional<Cost>(c.optimum));
    expectBruteForceAnswer(c.p, GetParam(), c.top);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LowerBoundSearchByKind, testing::Range(0, 9),
                         [](const testing::TestParamInfo<int>& k) { return "Kind" + std::to_string(k.param); });

// Soft x0 (3) and x1 (2), hard "not both": the optimum 2 is found under any
// limit above it, and nothing is found under a limit at or below it.
TEST(CostLimit, LimitAboveTheOptimumFindsItAndAtOrBelowFindsNothing) {
  for (Cost limit : {100, 3, 2, 1}) {
    Problem p;
    p.nVars = 2;
    p.pb({mkLit(0)}, {1}, 1, 3);
    p.pb({mkLit(1)}, {1}, 1, 2);
    p.clause({mkLit(0, true), mkLit(1, true)});
    LowerBoundRun run(8);
    run.load(p);
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

Problem twoOfTwo() {  // soft x0 (2), soft x1 (3), hard "not both"
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, 2);
  p.clause({mkLit(1)}, 3);
  p.clause({mkLit(0, true), mkLit(1, true)});
  return p;
}

TEST(LowerBoundSearch, StopSetByTheOtherThreadGivesNoCoreAndNoBound) {
  LowerBoundRun run(8);
  run.load(twoOfTwo());
  run.setUp();
  run.coop.done = true;
  RefSet<int> core;
  EXPECT_EQ(run.r.multiComputeCore(core, 100000), CoreOutcome::Stop);
  EXPECT_TRUE(core.empty());
  run.r.multiLowerBoundSearch();
  EXPECT_EQ(run.r.lowerBound, 0);
  EXPECT_EQ(run.coop.nbSolutions, 0);
}

// Clauses imported during an extraction are hard constraints of the solver:
// the core step appends one top weight for each before the core is weighed.
TEST(LowerBoundSearch, ImportedClausesGetTheirWeightsBeforeTheCore) {
  LowerBoundRun run(8);
  run.load(twoOfTwo());
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
    vec<Lit> unit;
    unit.push(mkLit(v));
    s->addClause(unit);
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

// Eight pigeons in seven holes: far beyond one restart of the search.
Problem pigeonholes() {
  const int pigeons = 8, holes = 7;
  Problem p;
  p.nVars = pigeons * holes + 1;
  for (int i = 0; i < pigeons; i++) {
    std::vector<Lit> somewhere;
    for (int h = 0; h < holes; h++) somewhere.push_back(mkLit(i * holes + h));
    p.clause(somewhere);
  }
  for (int h = 0; h < holes; h++)
    for (int i = 0; i < pigeons; i++)
      for (int j = i + 1; j < pigeons; j++) p.clause({mkLit(i * holes + h, true), mkLit(j * holes + h, true)});
  p.clause({mkLit(p.nVars - 1)}, 1);
  return p;
}

TEST(RestartBudget, SpentBudgetIsAStopNotAProof) {
  LowerBoundRun run(8);
  run.load(pigeonholes());
  run.setUp();
  RefSet<int> core;
  EXPECT_EQ(run.r.multiComputeCore(core, 1), CoreOutcome::Stop);
  EXPECT_TRUE(core.empty());
  EXPECT_TRUE(run.coop.lbTimeOut);
  EXPECT_TRUE(run.coop.timedOut);
  EXPECT_TRUE(run.r.solver->okay());
}

TEST(RestartBudget, SearchWithSpentBudgetReportsUnknown) {
  LowerBoundRun run(8);
  run.load(pigeonholes());
  run.r.coreRestartBudget = 1;
  ChildResult child = runInChild([&run] {
    run.run();
    if (run.coop.done) _exit(78);  // the other thread may still decide
    run.r.reportFinalResult();
  });
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s UNKNOWN\n");
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
  EXPECT_FALSE(run.coop.timedOut);
  Cost w = 0;
  EXPECT_FALSE(run.r.computeCoreWeight(run.r.solver, core, w)) << "only hard members";
}

}  // namespace
