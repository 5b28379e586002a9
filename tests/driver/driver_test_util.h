// The test problems handed to a RUKSolver's intake, and thread 0's
// lower-bound search run alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "cooperation/Cooperation.h"
#include "driver/RUKSolver.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"
#include "tests/common/Problem.h"
#include "tests/common/Process.h"

namespace driver_test {

using namespace quon_test;

// Hard and soft clauses and PB constraints over up to 8 variables, some with
// an unsatisfiable hard part.
inline Problem randomProblem(Lcg& g, Weights w) {
  Shape shape;
  shape.minVars = 2;
  shape.maxVars = 8;
  shape.clausePercent = 70;
  shape.cardinalityPercent = 10;
  shape.largeCoefficientPercent = shape.hugeCoefficientPercent = 0;
  shape.softPercent = 40;
  shape.constraintsPerVar = shape.softUnitsPerVar = 1;
  shape.weights = w;
  Problem p = randomProblem(g, shape);
  if (g.chance(12)) {
    Var a = g.between(0, p.nVars - 1), b = (a + 1) % p.nVars;
    for (int s = 0; s < 4; s++) p.clause({mkLit(a, s & 1), mkLit(b, (s >> 1) & 1)});
  }
  return p;
}

// Hands every constraint to intake. With `interleaved`, variables are created
// on first use, between relaxation variables. Returns the input variable of
// every created solver variable, in creation order.
inline std::vector<int> feed(RUKSolver& r, const Problem& p, bool interleaved) {
  std::vector<int> created;
  std::vector<Var> solverVarOf((size_t)p.nVars, -1);
  auto create = [&](int v) {
    if (solverVarOf[(size_t)v] >= 0) return;
    solverVarOf[(size_t)v] = r.solver->newVar();
    created.push_back(v);
  };
  if (!interleaved)
    for (int v = 0; v < p.nVars; v++) create(v);
  for (const TestConstraint& c : p.constraints) {
    vec<Lit> lits;
    vec<unsigned> coeffs;
    for (size_t i = 0; i < c.lits.size(); i++) {
      create(var(c.lits[i]));
      lits.push(mkLit(solverVarOf[(size_t)var(c.lits[i])], sign(c.lits[i]) != 0));
      coeffs.push(c.coeffs[i]);
    }
    const Cost weight = c.soft() ? c.weight : r.topWeight;
    if (!c.clause) r.addPBConstraint(lits, coeffs, c.rhs, weight);
    else r.addClause(lits, weight);
  }
  for (int v = 0; v < p.nVars; v++) create(v);
  return created;
}

// Thread 0 alone in the normal mode, set up as the thread road's one-time
// set-up does it (without preprocessing).
struct LowerBoundRun {
  Cooperation coop{2, 16};
  RUKSolver r;
  std::vector<int> inputOfModelEntry;

  explicit LowerBoundRun(int kind, Cost topWeight = RUKSolver::defaultTopWeight) {
    coop.encoding[0] = kind;
    coop.quiet = true;
    coop.verbosityLevel = 0;
    r.coop = &coop;
    r.tid = 0;
    r.inputFormat = formatWcnf;
    r.topWeight = topWeight;
    r.init();
  }

  void load(const Problem& p, bool interleaved = false) { inputOfModelEntry = feed(r, p, interleaved); }

  void setUp() {
    r.solverConfiguration();
    r.nbOrigVars = r.solver->nVars() - r.nbRelaxVars;
    r.initializeEquivalences();
    r.addPBsoftLimit();
    coop.objConstant = r.objConstant;
    coop.initBound(r.solver, r.nbOrigVars, r.equivalences);
    coop.initDone = true;
    coop.nbSharedVars = r.solver->nVars();
    std::vector<char> isRelax((size_t)r.solver->nVars(), 0);
    for (int v : r.relaxVars) isRelax[(size_t)v] = 1;
    coop.solverVar.clear();
    for (Var v = 0; v < r.solver->nVars(); v++)
      if (!isRelax[(size_t)v]) coop.solverVar.push_back(v);
    r.relaxVars.clear();
    r.installSolver(r.convertPBOtoRUK(static_cast<PBOSolver*>(r.solver)), Role::LowerBound, coop.initialUB);
    r.objectiveMode = 0;
    coop.nbOrigConstraints = r.solver->nConstraints();
  }

  void run() {
    setUp();
    r.multiLowerBoundSearch();
  }

  uint64_t modelBits() const {
    uint64_t bits = 0;
    for (size_t i = 0; i < inputOfModelEntry.size(); i++)
      if (coop.bestModel[i]) bits |= 1ull << inputOfModelEntry[i];
    return bits;
  }

  // After the search: stopped by no time-out, with one model exactly when p
  // is feasible, of the brute-force optimum.
  void expectBruteForceOptimum(const Problem& p) const {
    const std::optional<Cost> optimum = bruteForceOptimum(p);
    EXPECT_TRUE(coop.done);
    EXPECT_FALSE(coop.timedOut);
    ASSERT_EQ(coop.nbSolutions, optimum ? 1 : 0) << "optimum " << optimum.value_or(-1);
    if (!optimum) return;
    EXPECT_EQ(coop.bounds[2], *optimum);
    EXPECT_EQ(r.lowerBound, *optimum);
    EXPECT_TRUE(feasible(p, modelBits()));
    EXPECT_EQ(costOf(p, modelBits()), *optimum);
  }
};

}  // namespace driver_test
