// Solvers on one problem in real threads, sharing clauses and bounds through
// one cooperation object, agree on the brute-force optimum. Thread 0
// enumerates models of the hard part; the others minimise the objective.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "coop_test_util.h"

using namespace coop_test;

namespace {

// Thread 0: models of the hard part, each blocked by a soft clause (so what
// is learnt from the blocks is not exported).
void enumerate(Solver* s, const Problem* w, Cooperation* coop, bool* infeasible) {
  for (int models = 0; !coop->done && models < (1 << w->nVars) && s->multiSolve(); models++) {
    if (!feasible(*w, modelBits(s->model, w->nVars))) *infeasible = true;
    s->cancelUntil(0);
    vec<Lit> block;
    for (int v = 0; v < w->nVars; v++) block.push(mkLit(v, s->model[v] == l_True));
    s->addClause(block)->isSoft(true);
  }
}

struct Minimiser {
  PBOSolver s;
  std::vector<int64_t> costs;
  bool wrong = false;  // a model infeasible or costing other than reported
  bool proven = false;
};

// An upper-bound thread: improving models until none is left, then stop all.
void minimise(Minimiser* m, const Problem* w, Cooperation* coop) {
  while (m->s.solve()) {
    uint64_t bits = modelBits(m->s.model, w->nVars);
    m->costs.push_back(costOf(*w, bits));
    if (!feasible(*w, bits) || m->costs.back() != m->s.upperBound) m->wrong = true;
  }
  m->proven = !m->s.okay();
  coop->done = true;
}

// Random 3-clauses near the threshold and a few wide pseudo-Boolean
// constraints; soft units on most variables.
Problem threadedProblem(Lcg& rng, bool large) {
  Problem w;
  w.nVars = rng.between(10, 14);
  Shape clauses;
  clauses.clausePercent = 100;
  clauses.repeatVariablePercent = clauses.edgeCasePercent = clauses.emptyClausePermille = 0;
  Shape wide = clauses;
  wide.clausePercent = wide.cardinalityPercent = 0;
  wide.largeCoefficientPercent = large ? 30 : 0;
  for (int i = 0; i < (int)(3.2 * w.nVars); i++) {
    w.clause(randomLiterals(rng, clauses, w.nVars, 3));
  }
  for (int i = 0; i < w.nVars / 4; i++) w.constraints.push_back(randomConstraint(rng, wide, w.nVars));
  Shape units;
  units.softUnitsPerVar = 1;
  units.weights = large ? Weights::Large : Weights::Small;
  addSoftUnits(rng, units, w);
  return w;
}

// One problem, nbUB upper-bound threads beside the enumerator.
void runShared(uint64_t seed, int nbUB, bool large, int* exchanged) {
  Lcg rng(seed);
  Problem w = threadedProblem(rng, large);
  if (!objectiveVaries(w)) return;
  SCOPED_TRACE("seed " + std::to_string(seed));
  const int64_t optimum = bruteForceOptimum(w).value_or(-1);

  Cooperation coop(1 + nbUB, 16);
  coop.nbLB = 1;
  coop.nbUB = nbUB;
  coop.quiet = true;
  coop.verbosityLevel = 0;
  coop.nbSharedVars = w.nVars;
  coop.typeInterval = 1;  // frozen retries every few conflicts
  for (int t = 0; t <= nbUB; t++) coop.periodLength[t] = 2 + t;  // share often
  Solver enumerator;
  enumerator.attach(&coop, 0, Role::LowerBound, 0);
  loadHard(enumerator, w);
  std::vector<Minimiser> ms(nbUB);
  for (int k = 0; k < nbUB; k++) {
    ms[k].s.attach(&coop, 1 + k, Role::UpperBound, 0);
    loadHard(ms[k].s, w);
    loadObjective(ms[k].s, w);
  }
  testing::internal::CaptureStderr();
  coop.initBound(&ms[0].s, w.nVars, nullptr);
  testing::internal::GetCapturedStderr();
  testing::internal::CaptureStdout();
  bool infeasible = false;
  std::vector<std::thread> threads;
  threads.emplace_back(enumerate, &enumerator, &w, &coop, &infeasible);
  for (int k = 0; k < nbUB; k++) threads.emplace_back(minimise, &ms[k], &w, &coop);
  for (std::thread& t : threads) t.join();
  std::istringstream out(testing::internal::GetCapturedStdout());
  std::vector<int64_t> printed;
  for (std::string line; std::getline(out, line);) printed.push_back(std::stoll(line.substr(2)));

  for (int t = 0; t <= nbUB; t++) *exchanged += coop.nbImported[t];
  EXPECT_FALSE(infeasible) << "enumerated model violates a hard constraint";
  EXPECT_FALSE(coop.analysisFailed);
  bool anyProof = false;
  for (const Minimiser& m : ms) {
    EXPECT_FALSE(m.wrong);
    for (size_t i = 1; i < m.costs.size(); i++) EXPECT_LT(m.costs[i], m.costs[i - 1]);
    anyProof = anyProof || m.proven;
  }
  if (optimum < 0) {
    EXPECT_TRUE(anyProof);
    EXPECT_TRUE(printed.empty());
    return;
  }
  EXPECT_EQ(coop.bounds[nbUB + 1], optimum) << "the threads agreed on a wrong optimum";
  const uint64_t best = storedModelBits(coop, w.nVars);
  EXPECT_TRUE(feasible(w, best));
  EXPECT_EQ(costOf(w, best), optimum) << "stored model and best bound disagree";
  // Each stored model prints its cost once; an upper-bound thread taking over
  // the other's bound prints that same cost again.
  ASSERT_FALSE(printed.empty());
  EXPECT_EQ(printed.back(), optimum);
  int distinct = 1;
  for (size_t i = 1; i < printed.size(); i++) {
    EXPECT_LE(printed[i], printed[i - 1]);
    distinct += printed[i] != printed[i - 1];
  }
  EXPECT_EQ(distinct, coop.nbSolutions);
  EXPECT_TRUE(nbUB > 1 || (int)printed.size() == coop.nbSolutions);
  EXPECT_TRUE(anyProof || optimum == 0);  // or a model of cost 0 met the lower bound 0
}

}  // namespace

TEST(SharedSearch, EnumeratorAndMinimiserAgreeOnTheOptimum) {
  int exchanged = 0;
  for (uint64_t seed = 1; seed <= 60; seed++) runShared(seed, 1, seed % 3 == 0, &exchanged);
  EXPECT_GT(exchanged, 0) << "no clause was ever exchanged: the test exercises nothing";
}
