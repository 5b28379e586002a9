// Clauses learnt by the other thread, taken into a running search: the test
// that parks a clause for later, and the insertion that keeps the watch
// invariants and backtracks where the clause would have propagated earlier.
#include <cassert>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"

void Solver::addLearntClause(vec<Lit>& ps) { addClause(ps); }

// Parks clauses that would not take part in the search now: satisfied far
// below the current level, or with many unassigned literals over variables
// that the search currently ignores.
bool Solver::checkFrozen(vec<Lit>& lits) {
  int nFalse = 0, nTrue = 0, nUndef = 0, nActive = 0;
  int minTrueLevel = decisionLevel();
  const double activeThreshold = 0.5 * coop->decisionActivity[tid];
  for (Lit p : lits) {
    lbool v = value(p);
    if (v == l_False) {
      nFalse++;
    } else if (v == l_True) {
      nTrue++;
      if (level[var(p)] < minTrueLevel) minTrueLevel = level[var(p)];
    } else {
      nUndef++;
      if (activity[var(p)] >= activeThreshold) nActive++;
    }
  }
  if (lits.size() <= 2) return false;
  if (nTrue > 0 && decisionLevel() - minTrueLevel > 31) return true;
  if (nTrue == 0 && nFalse == lits.size()) return false;
  if (nUndef <= 5) return false;
  return nUndef - nActive > 5;
}

// Stores an imported clause: on the lower-bound thread as a problem clause
// (it takes the next slot of the driver's weight table, so the driver is told
// through pendingWeights), on the upper-bound thread as a learnt clause.
Constraint* Solver::storeImported(vec<Lit>& ps, bool soft) {
  if (role == Role::LowerBound) {
    Clause* c = Clause::make(ps.begin(), ps.size(), (unsigned)constraints.size(), false);
    c->isSoft(soft);
    constraints.push(c);
    if (c->size() > 1) attachClause(*c);
    if (!soft) coop->pendingWeights[tid]++;
    return c;
  }
  Clause* c = Clause::make(ps.begin(), ps.size(), (unsigned)constraints.size(), true, &learntArena);
  c->isSoft(soft);
  learnts.push(c);
  attachClause(*c);
  claBumpActivity(*c);
  return c;
}

void Solver::addImportedUnit(vec<Lit>& unit, bool soft) {
  Lit p = unit[0];
  cancelUntil(0);
  if (role != Role::LowerBound) {
    if (value(p) == l_Undef) uncheckedEnqueue(p, nullptr);
    return;
  }
  Constraint* c = storeImported(unit, soft);
  if (value(p) == l_False) {
    failAtLevel0(c);
  } else if (value(p) == l_Undef) {
    uncheckedEnqueue(p, c);
    propagateAtLevel0();
  }
}

// An imported clause false under the upper-bound thread's assignment: learn
// from it as from a conflict. False at level 0 it proves that no model better
// than the current bound exists, so the solver becomes inconsistent; the
// analysis cannot run there.
void Solver::learnFromFalseImport(vec<Lit>& ps, int maxLevel, bool soft) {
  storeImported(ps, soft);
  cancelUntil(maxLevel);
  if (maxLevel == 0) {
    ok = false;
    return;
  }
  Constraint* confl = learnts.last();
  vec<Lit> learnt;
  int backtrackLevel;
  bool learntSoft = soft;
  analyze(confl, learnt, backtrackLevel, learntSoft);
  if (coop->analysisFailed) return;
  cancelUntil(backtrackLevel);
  if (learnt.size() == 1) {
    if (value(learnt[0]) == l_Undef) uncheckedEnqueue(learnt[0], nullptr);
    return;
  }
  uncheckedEnqueue(learnt[0], storeImported(learnt, learntSoft));  // a learnt clause: the upper-bound role
}

void Solver::addExtraClause(vec<Lit>& lits, bool soft) {
  assert(lits.size() > 0);  // learnt clauses are never empty
  if (lits.size() == 0) return;
  vec<Lit>& ps = importScratch;
  lits.copyTo(ps);
  // The first two literals that are not false move to the front.
  int front = 0;
  for (int i = 0; i < ps.size() && front < 2; i++) {
    if (value(ps[i]) == l_False) continue;
    Lit tmp = ps[front];
    ps[front] = ps[i];
    ps[i] = tmp;
    front++;
  }
  int maxLevel = 0;
  for (int i = front; i < ps.size(); i++)
    if (level[var(ps[i])] > maxLevel) maxLevel = level[var(ps[i])];
  if (ps.size() == 1) {
    addImportedUnit(ps, soft);
    return;
  }
  // The watches left to false literals go on those of the highest levels,
  // the first to become unassigned again on backtracking.
  for (int position = front; position < 2; position++) moveHighestLevelTo(ps, position);
  if (front == 2 || (front == 1 && value(ps[0]) == l_True && level[var(ps[0])] <= maxLevel)) {
    storeImported(ps, soft);
  } else if (front == 1) {
    Constraint* c = storeImported(ps, soft);
    cancelUntil(maxLevel);
    if (value(ps[0]) == l_Undef) uncheckedEnqueue(ps[0], c);
  } else if (role != Role::LowerBound) {
    learnFromFalseImport(ps, maxLevel, soft);
  }
}
