// Solvers on one problem in real threads, sharing learnt clauses and bounds
// through one cooperation object: the optimum they agree on is the brute-force
// optimum. Thread 0 is a plain lower-bound-role solver that enumerates models
// of the hard constraints (blocking each one) and exports what it learns;
// the other threads are upper-bound solvers minimising the objective.
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "coop_test_util.h"
#include "cooperation/Cooperation.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"

using namespace coop_test;

namespace {

struct Enumerator {
  Solver s;
  int models = 0;
  bool infeasibleModel = false;
};

struct Minimiser {
  PBOSolver s;
  std::vector<int64_t> costs;
  std::vector<int64_t> reported;
  bool infeasibleModel = false;
  bool proven = false;
};

// Thread 0: every model of the hard part (as far as it gets), each blocked by
// a clause that stays soft, so nothing learnt from it is exported.
void enumerate(Enumerator* e, const Weighted* w, Cooperation* coop) {
  const int cap = 1 << w->nVars;
  while (!coop->done && e->models < cap) {
    if (!e->s.multiSolve()) break;
    uint32_t bits = modelBits(e->s.model, w->nVars);
    if (!feasible(*w, bits)) e->infeasibleModel = true;
    e->models++;
    e->s.cancelUntil(0);
    vec<Lit> block;
    for (int v = 0; v < w->nVars; v++) block.push(mkLit(v, e->s.model[v] == l_True));
    e->s.addClause(block)->isSoft(true);
  }
}

// An upper-bound thread: improving models until none is left, then stop all.
void minimise(Minimiser* m, const Weighted* w, Cooperation* coop) {
  while (m->s.solve()) {
    uint32_t bits = modelBits(m->s.model, w->nVars);
    if (!feasible(*w, bits)) m->infeasibleModel = true;
    m->costs.push_back(costOf(*w, bits));
    m->reported.push_back(m->s.upperBound);
  }
  m->proven = !m->s.okay();
  coop->done = true;
}

void configure(Cooperation& coop, int nVars, int nbUB) {
  coop.nbLB = 1;
  coop.nbUB = nbUB;
  coop.quiet = true;
  coop.verbosityLevel = 0;
  coop.nbSharedVars = nVars;
  coop.typeInterval = 1;  // frozen retries every few conflicts
  for (int t = 0; t < coop.nbThreads; t++) coop.periodLength[t] = 2 + t;  // share often
}

std::vector<int64_t> oValues(const std::string& out) {
  std::vector<int64_t> values;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_EQ(line.substr(0, 2), "o ") << line;
    values.push_back(std::stoll(line.substr(2)));
  }
  return values;
}

// Random 3-clauses near the satisfiability threshold and a few wide
// pseudo-Boolean constraints: satisfiable mostly, with conflicts to learn
// from. Soft units on most variables.
Weighted threadedProblem(Lcg& rng, bool large) {
  Weighted w;
  w.nVars = 10 + (int)rng.below(5);
  const int nClauses = (int)(3.2 * w.nVars);
  for (int i = 0; i < nClauses; i++) {
    Hard c;
    while (c.lits.size() < 3) {
      Var v = (Var)rng.below((uint32_t)w.nVars);
      bool dup = false;
      for (Lit l : c.lits) dup = dup || var(l) == v;
      if (!dup) c.lits.push_back(mkLit(v, rng.chance(50)));
    }
    c.coeffs.assign(3, 1u);
    w.hard.push_back(c);
  }
  for (int i = 0; i < w.nVars / 4; i++) {
    Hard c;
    c.clause = false;
    int64_t sum = 0;
    for (int k = 0; k < 6; k++) {
      c.lits.push_back(mkLit((Var)rng.below((uint32_t)w.nVars), rng.chance(50)));
      unsigned a = large && rng.chance(30) ? 2000000000u - rng.below(9) : 1 + rng.below(5);
      c.coeffs.push_back(a);
      sum += a;
    }
    c.rhs = sum / 3;
    w.hard.push_back(c);
  }
  for (int v = 0; v < w.nVars; v++) {
    if (rng.chance(20)) continue;
    w.soft.push_back({mkLit(v, rng.chance(50)), randomWeight(rng, large)});
    if (rng.chance(10)) w.soft.push_back({mkLit(v, rng.chance(50)), randomWeight(rng, large)});
  }
  if (w.soft.empty()) w.soft.push_back({mkLit(0), 1});
  return w;
}

// One problem, nbUB upper-bound threads beside the enumerator.
void runShared(uint64_t seed, int nbUB, bool large, int* exchanged) {
  Lcg rng(seed);
  Weighted w = threadedProblem(rng, large);
  if (!objectiveVaries(w)) return;
  SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + describe(w));
  const int64_t optimum = bruteForceOptimum(w);

  Cooperation coop(1 + nbUB, 16);
  configure(coop, w.nVars, nbUB);
  Enumerator e;
  e.s.coop = &coop;
  e.s.tid = 0;
  e.s.role = 0;
  loadHard(e.s, w);
  std::vector<Minimiser> ms(nbUB);
  for (int k = 0; k < nbUB; k++) {
    ms[k].s.coop = &coop;
    ms[k].s.tid = 1 + k;
    ms[k].s.role = 1;
    loadHard(ms[k].s, w);
    loadObjective(ms[k].s, w);
  }
  testing::internal::CaptureStderr();
  coop.initBound(&ms[0].s, w.nVars, nullptr);
  testing::internal::GetCapturedStderr();

  testing::internal::CaptureStdout();
  std::vector<std::thread> threads;
  threads.emplace_back(enumerate, &e, &w, &coop);
  for (int k = 0; k < nbUB; k++) threads.emplace_back(minimise, &ms[k], &w, &coop);
  for (std::thread& t : threads) t.join();
  std::vector<int64_t> printed = oValues(testing::internal::GetCapturedStdout());

  for (int t = 0; t <= nbUB; t++) *exchanged += coop.nbImported[t];
  EXPECT_FALSE(e.infeasibleModel) << "enumerated model violates a hard constraint";
  EXPECT_FALSE(coop.analysisFailed);
  bool anyProof = false;
  for (int k = 0; k < nbUB; k++) {
    const Minimiser& m = ms[k];
    EXPECT_FALSE(m.infeasibleModel) << "thread " << k + 1 << " model violates a hard constraint";
    for (size_t i = 0; i < m.costs.size(); i++) {
      EXPECT_EQ(m.reported[i], m.costs[i]);
      if (i > 0) {
        EXPECT_LT(m.costs[i], m.costs[i - 1]);
      }
    }
    anyProof = anyProof || m.proven;
    if (optimum < 0) {
      EXPECT_TRUE(m.costs.empty());
    }
  }
  if (optimum < 0) {
    EXPECT_TRUE(anyProof);
    EXPECT_EQ(coop.nbSolutions, 0);
    EXPECT_TRUE(printed.empty());
    return;
  }
  const int n = nbUB + 1;
  EXPECT_EQ(coop.bounds[n], optimum) << "the threads agreed on a wrong optimum";
  uint32_t best = 0;
  for (int v = 0; v < w.nVars; v++)
    if (coop.bestModel[v]) best |= 1u << v;
  EXPECT_TRUE(feasible(w, best));
  EXPECT_EQ(costOf(w, best), optimum) << "stored model and best bound disagree";
  // Every stored model prints its cost once; an upper-bound thread taking
  // over the other's bound prints that same cost again.
  ASSERT_FALSE(printed.empty());
  EXPECT_EQ(printed.back(), optimum);
  int distinct = 1;
  for (size_t i = 1; i < printed.size(); i++) {
    EXPECT_LE(printed[i], printed[i - 1]);
    if (printed[i] != printed[i - 1]) distinct++;
  }
  EXPECT_EQ(distinct, coop.nbSolutions);
  if (nbUB == 1) {
    EXPECT_EQ((int)printed.size(), coop.nbSolutions);
  }
  // Ended by a proof, or by a model of cost 0 meeting the lower bound 0.
  EXPECT_TRUE(anyProof || optimum == 0);
}

}  // namespace

TEST(SharedSearch, EnumeratorAndMinimiserAgreeOnTheOptimum) {
  int exchanged = 0;
  for (uint64_t seed = 1; seed <= 150; seed++) runShared(seed, 1, seed % 3 == 0, &exchanged);
  EXPECT_GT(exchanged, 0) << "no clause was ever exchanged: the test exercises nothing";
}

TEST(SharedSearch, TwoMinimisersShareBoundsAndClauses) {
  int exchanged = 0;
  for (uint64_t seed = 500; seed < 580; seed++) runShared(seed, 2, seed % 2 == 0, &exchanged);
  EXPECT_GT(exchanged, 0);
}
