// The lower-bound thread's form of the problem: a plain solver in which every
// objective term is a weighted soft unit clause that can show up in a core.
// Also the two copying rules used everywhere and the cost-limit constraint.
#include <cassert>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "driver/RUKSolver.h"

// The upper-bound form is dropped once copied: its search tables go first,
// so that three full solvers are never alive together.
Solver* RUKSolver::convertPBOtoRUK(PBOSolver* pbo) {
  pbo->releaseSearchTables();
  Solver* target = newSolverFromPrevious(pbo, 0);
  target->newVars(pbo->nVars());
  // The old table is freed and the new one sized for the soft units and the
  // copies: grown by doubling, it would hold both for a moment.
  std::vector<Cost>().swap(weights);
  int softUnits = 0;
  for (Lit l = 0; l < pbo->objCoeffs.size(); l++) softUnits += pbo->objCoeffs[l] != 0;
  weights.reserve((size_t)softUnits + (size_t)pbo->nConstraints() + (size_t)pbo->learnts.size());
  convertObjFunctionToSoftConstraints(pbo, target);
  // The objective now lives in the soft units; the copy of the constraints
  // that follows is the peak of the set-up.
  pbo->objCoeffs.clear();
  std::vector<PBOSolver::Relaxation>().swap(pbo->relaxations);
#ifdef __GLIBC__
  // The released search tables were many small blocks, freed inside the
  // thread's heap but still resident; handing their pages back keeps the
  // copy below from stacking on top of them.
  malloc_trim(0);
#endif
  for (int i = 0; i < pbo->nConstraints(); i++) {
    if (budgetSpentWhileCopying(i)) {
      delete target;
      return nullptr;
    }
    copyConstraint(pbo, target, pbo->constraints[i], topWeight);
  }
  for (Constraint* c : pbo->learnts)
    if (c->size() <= learntSizeCap) copyConstraint(pbo, target, c, topWeight);
  assert(weightsAligned(target));
  return target;
}

// Copying a large problem takes seconds, so a copy looks at the lower-bound
// budget every few thousand constraints.
bool RUKSolver::budgetSpentWhileCopying(int copied) {
  return (copied & 4095) == 0 && coop->budgetSpent(tid, Role::LowerBound);
}

// Level-0 assignments become hard units; an objective term on a literal fixed
// true is a cost every solution pays, so it goes into the lower bound.
void RUKSolver::convertObjFunctionToSoftConstraints(PBOSolver* pbo, Solver* target) {
  for (Lit l = 0; l < 2 * pbo->nVars(); l++) {
    if (pbo->value(l) == l_True) {
      vec<Lit> unit;
      unit.push(l);
      keepHard(target->addClause(unit));
    }
    Cost c = pbo->objCoeff(l);
    if (c == 0) continue;
    if (pbo->value(l) == l_Undef) {
      target->objCoeff(neg(l), c);  // a soft unit clause
      keepWeighted(target->constraints.last(), c, true);
    } else if (pbo->value(l) == l_True) {
      lowerBound += c;
    }
  }
}

// Copies c without its literals fixed at level 0 and keeps it in the weight
// table; false when c is satisfied there (or a tautology) and nothing is added.
bool RUKSolver::copyConstraint(Solver* from, Solver* to, Constraint* c, Cost weight) {
  int64_t trueSum = 0;
  vec<Lit>& lits = scratchLits;
  vec<unsigned>& coeffs = scratchCoeffs;
  lits.clear();
  coeffs.clear();
  for (int i = 0; i < c->size(); i++) {
    lbool v = from->value((*c)[i]);
    if (v == l_True) {
      trueSum += c->coeff(i);
    } else if (v == l_Undef) {
      lits.push((*c)[i]);
      coeffs.push(c->coeff(i));
    }
  }
  if (trueSum >= c->rhs()) return false;
  if (c->size() == 2 && (*c)[1] == neg((*c)[0])) return false;
  Constraint* copy = c->isClause() ? to->addClause(lits) : to->addPBConstraint(lits, coeffs, c->rhs() - trueSum);
  keepWeighted(copy, weight, weight != topWeight);
  return true;
}

Constraint* RUKSolver::addSolverConstraint(Solver* to, Constraint* c) {
  scratchLits.clear();
  scratchCoeffs.clear();
  return addCopyOf(to, *c, scratchLits, scratchCoeffs);
}

// Appends c's terms to the given ones and adds the result to `to` as a
// constraint of c's kind and right-hand side; a hard c gives a hard copy (a
// soft one keeps the soft mark every new constraint carries).
Constraint* RUKSolver::addCopyOf(Solver* to, const Constraint& c, vec<Lit>& lits, vec<unsigned>& coeffs) {
  pushTerms(lits, coeffs, c);
  Constraint* copy = c.isClause() ? to->addClause(lits) : to->addPBConstraint(lits, coeffs, c.rhs());
  if (!c.isSoft()) copy->isSoft(false);
  return copy;
}

// The cost limit is the objective bound's own form at value softLimit: a
// solution (without the objective constant) costs at most softLimit - 1.
// When the limit is above every possible cost the constraint cannot bind and
// is not added. Like the objective bound it stays marked soft: what follows
// from it depends on the cost.
void RUKSolver::addPBsoftLimit() {
  if (!hasSoftLimit) return;
  assert(dynamic_cast<PBOSolver*>(solver) != nullptr && "the limit is set before the conversion");
  vec<Lit> lits;
  vec<unsigned> coeffs;
  Cost r = 0;
  static_cast<PBOSolver*>(solver)->collectBoundTerms(lits, coeffs, r);
  const Cost rhs = r - softLimit;
  if (rhs <= 0) return;
  keepWeighted(solver->addPBConstraint(lits, coeffs, rhs), topWeight, true);
}
