// Model-improving search: find a model, bound the objective strictly below
// its value, repeat until no model remains.
#include "solver/PBOSolver.h"

#include "cooperation/Cooperation.h"

#include <algorithm>
#include <climits>

PBOSolver::PBOSolver() {
  delete proofTrace;  // the upper-bound thread records no dependencies
  proofTrace = nullptr;
  equivalenceMap = nullptr;
}

PBOSolver::~PBOSolver() {
  delete[] equivalenceMap;
  equivalenceMap = nullptr;
  delete[] litMarks;
}

// A soft unit {p} of weight w: the weight is paid when p is false.
void PBOSolver::objCoeff(Lit p, Cost w) {
  objCoeffs.growTo(2 * var(p) + 2);
  objCoeffs.at(neg(p)) += w;
}

bool PBOSolver::solve() {
  vec<Lit> none;
  return solve(none);
}

bool PBOSolver::solve(const vec<Lit>&) {
  model.clear();
  conflict.clear();
  if (!ok) return false;
  if (preprocessOnly) {
    if (!preprocess()) return false;
    stopFlag = true;
    return false;
  }
  varHeap.filter([this](Var v) { return varValue(v) == l_Undef && decisionVar[v]; });

  RestartSchedule schedule = firstRestart();
  for (;;) {
    if (coop->done) return false;
    lbool status = searchWithin(schedule);
    if (coop->ubTimeOut) return false;
    if (status == l_True) break;
    if (status == l_False) {
      ok = false;
      modelFound = false;
      return false;
    }
    nextRestart(schedule);
  }
  saveModel();
  tightenRelaxations();
  cancelUntil(0);
  if (!coop->decisionProblem) updateObjFunction(-1);
  modelFound = true;
  return true;
}

bool PBOSolver::holdsWithout(const Constraint& c, Var relaxation) const {
  int64_t sum = 0;
  for (int i = 0; i < c.size(); i++) {
    Lit l = c[i];
    if (var(l) != relaxation && model[var(l)] == (sign(l) ? l_False : l_True)) sum += c.coeff(i);
  }
  return sum >= c.rhs();
}

// A relaxation variable occurs only in its own constraint, in the objective
// and in the objective bounds (where setting it true lowers the cost), so
// setting it true keeps every constraint satisfied when its own constraint
// holds without it.
void PBOSolver::tightenRelaxations() {
  for (const Relaxation& r : relaxations) {
    if (model[r.var] != l_False) continue;
    if (equivalenceMap != nullptr && equivalenceMap[mkLit(r.var)] != mkLit(r.var)) continue;
    if (holdsWithout(*r.constraint, r.var)) model[r.var] = l_True;
  }
}

Cost PBOSolver::modelValue() const {
  Cost v = 0;
  for (Lit p = 0; p < objCoeffs.size(); p++)
    if (objCoeffs[p] != 0 && model[var(p)] == (sign(p) ? l_False : l_True)) v += objCoeffs[p];
  return v;
}

// Literals whose coefficient exceeds their complement's give the terms of the
// pseudo-Boolean form: sum (w - w') * ~p >= r - v, where r - 1 is the largest
// objective value any assignment can have.
void PBOSolver::collectBoundTerms(vec<Lit>& boundLits, vec<unsigned>& boundCoeffs, Cost& r) const {
  r = 1;
  for (Lit p = 0; p < objCoeffs.size(); p++) {
    Cost w = objCoeffs[p];
    if (w == 0) continue;
    Cost wc = objCoeffs[neg(p)];
    if (w > wc) {
      pushTerm(boundLits, boundCoeffs, neg(p), w - wc);
      r += w;
    } else if (sign(p) == 1 && w == wc) {
      r += w;
    }
  }
}

// The counted form repeats every literal as often as its complement's
// coefficient: boundLits holds one copy per unequal pair, the rest are
// extra copies. Counted first, so that a list no encoding would take is
// never built (it can run to billions of entries).
int64_t PBOSolver::extraLitCount() const {
  int64_t count = 0;
  for (Lit p = 0; p < objCoeffs.size(); p++) {
    Cost w = objCoeffs[p];
    if (w == 0) continue;
    count += w > objCoeffs[neg(p)] ? w - 1 : w;
  }
  return count;
}

void PBOSolver::collectExtraLits(vec<Lit>& extraLits) const {
  for (Lit p = 0; p < objCoeffs.size(); p++) {
    Cost w = objCoeffs[p];
    if (w == 0) continue;
    Cost copies = w > objCoeffs[neg(p)] ? w - 1 : w;
    for (Cost i = 0; i < copies; i++) extraLits.push(neg(p));
  }
}

// More repeated copies than this and the bound stays pseudo-Boolean.
static const int64_t maxExtraCopies = 3000;

// The bound is soft: what is learnt from it only holds below the current
// bound, and is never exported as an ordinary clause.
void PBOSolver::updateObjFunction(Cost bound) {
  vec<Lit> boundLits;
  vec<unsigned> boundCoeffs;
  Cost r = 1;
  collectBoundTerms(boundLits, boundCoeffs, r);
  // Weights this large never go into an at-most-k encoding.
  if (coop->objectiveWeightSum == INT_MAX) amkKind = amkPb;
  Cost v = bound == -1 ? modelValue() : bound;
  if (boundLits.size() == 0) {
    // Every variable weighs the same on both literals: all models cost v.
    // This one is optimal; report it and let the next call prove it.
    if (bound == -1) {
      upperBound = v;
      solverUB = v;
      coop->updateUpperValue(this, tid, v);
      ok = false;
    }
    return;
  }

  upperBound = v;
  if (amkKind != amkPb) {
    vec<Lit> extraLits;
    if (extraLitCount() > maxExtraCopies) amkKind = amkPb;
    else collectExtraLits(extraLits);
    if (amkKind != amkPb) addCardinalityAtMostk(boundLits, extraLits);
  }
  if (amkKind == amkPb) {
    firstEncoding = false;
    Constraint* c = addPBConstraint(boundLits, boundCoeffs, r - v);
    c->isSoft(true);
  }
  solverUB = upperBound;
  if (bound == -1) coop->updateUpperValue(this, tid, upperBound);
}
