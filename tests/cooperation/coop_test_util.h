// The test problems loaded into upper-bound solvers: hard constraints as
// constraints, soft units as the objective; and reading their models.
#pragma once

#include <cassert>
#include <vector>

#include "solver/PBOSolver.h"
#include "tests/solver/test_util.h"

namespace coop_test {

using namespace quon_test;

inline uint64_t storedModelBits(const Cooperation& coop, int nVars) {
  uint64_t bits = 0;
  for (int v = 0; v < nVars; v++) bits |= (uint64_t)coop.bestModel[v] << v;
  return bits;
}

// Soft units only: the objective of an upper-bound solver is linear.
inline Shape softUnitShape(int maxVars = 10) {
  Shape shape;
  shape.maxVars = maxVars;
  shape.constraintsPerVar = 1;
  shape.softUnitsPerVar = 2;
  return shape;
}

// Whether the cost depends on the assignment at all.
inline bool objectiveVaries(const Problem& p) {
  std::vector<Cost> paidWhenTrue(2 * (size_t)p.nVars, 0);  // by literal code
  for (const TestConstraint& c : p.constraints)
    if (c.soft()) paidWhenTrue[neg(c.lits[0])] += c.weight;
  for (int v = 0; v < p.nVars; v++)
    if (paidWhenTrue[2 * v] != paidWhenTrue[2 * v + 1]) return true;
  return false;
}

inline void loadHard(Solver& s, const Problem& p) {
  while (s.nVars() < p.nVars) s.newVar();
  for (const TestConstraint& c : p.constraints)
    if (!c.soft()) add(s, c);
}

inline void loadObjective(Solver& s, const Problem& p) {
  for (const TestConstraint& c : p.constraints)
    if (c.soft()) {
      assert(c.lits.size() == 1 && c.rhs == 1 && "only soft units make a linear objective");
      s.objCoeff(c.lits[0], c.weight);
    }
}

// One upper-bound solver on its own quiet cooperation object, as thread 1,
// holding a problem's hard constraints and objective.
struct UpperSolver {
  Cooperation coop{2, 16};
  PBOSolver s;
  explicit UpperSolver(const Problem& w, int boundForm = amkPb) {
    s.amkKind = boundForm;
    coop.nbLB = coop.nbUB = 1;
    coop.quiet = true;
    coop.verbosityLevel = 0;
    s.attach(&coop, 1, Role::UpperBound, 0);
    loadHard(s, w);
    loadObjective(s, w);
  }
};

inline vec<Lit>& fill(vec<Lit>& into, std::initializer_list<Lit> lits) {
  into.clear();
  for (Lit l : lits) into.push(l);
  return into;
}

}  // namespace coop_test
