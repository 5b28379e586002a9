// Creating variables, adding problem constraints with their consequences at
// decision level 0, attaching and detaching watches, and level-0 simplification.
#include <cassert>

#include "solver/Solver.h"
#include "solver/Sort.h"

Solver::Solver() : varHeap(activity) { proofTrace = new ProofTrace(); }

Solver::~Solver() {
  for (Constraint* c : learnts) freeConstraint(c);
  for (Constraint* c : constraints) freeConstraint(c);
  delete proofTrace;
  proofTrace = nullptr;
}

Var Solver::newVar(bool pol, bool dvar) {
  Var v = nVars();
  watches.push();
  watches.push();
  if (pbWatches.size() > 0) {
    pbWatches.push();
    pbWatches.push();
  }
  pbCounted.push(0);
  reason.push(nullptr);
  assignment.push(l_Undef);
  literalValue.push(l_Undef);
  literalValue.push(l_Undef);
  level.push(-1);
  activity.push(0.0);
  seen.push(0);
  trailIndex.push(0);
  polarity.push((char)pol);
  decisionVar.push((char)dvar);
  if (dvar && !varHeap.contains(v)) varHeap.insert(v);
  return v;
}

void Solver::newVars(int count) {
  const int first = nVars(), n = first + count;
  reserveVars(n);
  watches.growTo(2 * n);
  if (pbWatches.size() > 0) pbWatches.growTo(2 * n);
  pbCounted.growTo(n, 0);
  reason.growTo(n, nullptr);
  assignment.growTo(n, l_Undef);
  literalValue.growTo(2 * n, l_Undef);
  level.growTo(n, -1);
  activity.growTo(n, 0.0);
  seen.growTo(n, 0);
  trailIndex.growTo(n, 0);
  polarity.growTo(n, 1);
  decisionVar.growTo(n, 1);
  for (Var v = first; v < n; v++) varHeap.insert(v);
}

void Solver::reserveVars(int n) {
  watches.capacityFor(2 * n);
  if (pbWatches.size() > 0) pbWatches.capacityFor(2 * n);
  pbCounted.capacityFor(n);
  reason.capacityFor(n);
  assignment.capacityFor(n);
  literalValue.capacityFor(2 * n);
  level.capacityFor(n);
  activity.capacityFor(n);
  seen.capacityFor(n);
  trailIndex.capacityFor(n);
  polarity.capacityFor(n);
  decisionVar.capacityFor(n);
  varHeap.reserve(n);
}

void Solver::releaseSearchTables() {
  level.clear(true);
  reason.clear(true);
  pbCounted.clear(true);
  watches.clear(true);
  pbWatches.clear(true);
  varHeap.release();
  activity.clear(true);
  seen.clear(true);
  trailIndex.clear(true);
  polarity.clear(true);
  decisionVar.clear(true);
}

// Puts a true literal first when there is one (the first met), otherwise the
// unassigned literals before the false ones. Nothing is dropped: duplicate
// and complementary literals stay.
static void orderForWatching(const Solver& s, vec<Lit>& ps) {
  int i = 0, j = ps.size() - 1;
  while (i <= j) {
    lbool v = s.value(ps[i]);
    if (v == l_True) {
      Lit tmp = ps[i];
      ps[i] = ps[0];
      ps[0] = tmp;
      return;
    }
    if (v == l_False) {
      Lit tmp = ps[i];
      ps[i] = ps[j];
      ps[j] = tmp;
      j--;
    } else {
      i++;
    }
  }
}

Constraint* Solver::addProblemClause(vec<Lit>& ps, unsigned ref, bool soft) {
  nbClauses++;
  sort(ps);
  orderForWatching(*this, ps);
  Clause* c = Clause::make(ps.begin(), ps.size(), ref, false, &problemArena);
  c->isSoft(soft);
  constraints.push(c);

  if (ps.size() == 0 || value(ps[0]) == l_False) {
    failAtLevel0(c);
  } else if (value(ps[0]) == l_Undef && (ps.size() == 1 || value(ps[1]) == l_False)) {
    uncheckedEnqueue(ps[0], c);
    propagateAtLevel0();
  } else if (value(ps[0]) == l_Undef) {
    attachClause(*c);
  }
  return c;
}

Constraint* Solver::addClause(vec<Lit>& ps) {
  return addProblemClause(ps, (unsigned)(constraints.size() + (uint32_t)conflicts), true);
}

Constraint* Solver::addClause3(vec<Lit>& ps) {
  return addProblemClause(ps, (unsigned)(constraints.size() + (uint32_t)conflicts), true);
}

Constraint* Solver::addClause2(vec<Lit>& ps) {
  return addProblemClause(ps, (unsigned)constraints.size(), false);
}

Constraint* Solver::addPBConstraint(vec<Lit>& lits, vec<unsigned>& coeffs, int64_t rhs) {
  assert(lits.size() == coeffs.size());
  int64_t sumTrue = 0, sumUndef = 0;
  for (int i = 0; i < lits.size(); i++) {
    lbool v = value(lits[i]);
    if (v == l_True) sumTrue += coeffs[i];
    else if (v == l_Undef) sumUndef += coeffs[i];
  }
  if (lits.size() >= 2) sortByCoefficient(lits.begin(), coeffs.begin(), lits.size());

  int ref = (int)(uint32_t)(constraints.size() + (uint32_t)conflicts);
  PB_Counters* c = PB_Counters::make(lits.begin(), coeffs.begin(), lits.size(), rhs, ref, &problemArena);
  constraints.push(c);

  if (ok && rhs > sumTrue) {
    if (rhs > sumTrue + sumUndef) {
      failAtLevel0(c);
    } else {
      bool implied = enqueuePBUnitLiterals(*c);
      if (c->size() > 1) attachPB(*c);
      if (implied) propagateAtLevel0();
    }
  }
  // An empty constraint counts as a general pseudo-Boolean one.
  if (coeffs.size() > 0 && coeffs[0] == 1) nbCardConstraints++;
  else nbPBConstraints++;
  return c;
}

void Solver::attachClause(Constraint& c) {
  assert(c.isClause() && c.size() >= 2);
  watches[neg(c[0])].push(&c);
  watches[neg(c[1])].push(&c);
  if (c.learnt()) learntLiterals += c.size();
  else problemLiterals += c.size();
}

// Counts only false literals whose falsification has already been propagated
// (pbCounted): one still waiting in the queue is counted when it is
// propagated, and counting it here too would double it.
void Solver::attachPB(Constraint& c) {
  for (int i = 0; i < c.size(); i++) {
    if (value(c[i]) == l_False && pbCounted[var(c[i])]) c.assignFalseLit(i);
    addPBWatch(c, i);
  }
  if (c.learnt()) learntLiterals += c.size();
  else problemLiterals += c.size();
}

void Solver::addPBWatch(Constraint& c, int i) {
  if (pbWatches.size() == 0) pbWatches.growTo(2 * nVars());
  pbWatches[neg(c[i])].push(watchPB_t{&c, i});
}

static void removeFirstInOrder(ClauseWatches& list, Constraint* c) {
  int j = 0;
  while (j < list.size() && list[j] != c) j++;
  assert(j < list.size());
  for (; j < list.size() - 1; j++) list[j] = list[j + 1];
  list.pop();
}

void Solver::detachClause(Constraint& c) {
  if (c.isClause()) {
    removeFirstInOrder(watches[neg(c[0])], &c);
    removeFirstInOrder(watches[neg(c[1])], &c);
  } else {
    for (int i = 0; i < c.size(); i++) {
      if (value(c[i]) == l_False && pbCounted[var(c[i])]) c.unassignFalseLit(i);
      vec<watchPB_t>& list = pbWatches[neg(c[i])];
      int j = 0;
      while (j < list.size() && list[j].c != &c) j++;
      assert(j < list.size());
      list[j] = list.last();
      list.pop();
    }
  }
  if (c.learnt()) learntLiterals -= c.size();
  else problemLiterals -= c.size();
}

// Detaches (a unit or empty constraint has no watches) and frees. Only
// learnt clauses are removed, so the arena one came from is the learnt one.
void Solver::removeClause(Constraint& c) {
  if (c.size() > 1) detachClause(c);
  if (c.inArena()) {
    assert(c.learnt() && c.isClause());
    learntArena.release(&c, Clause::bytesFor(c.size()));
  } else {
    freeConstraint(&c);
  }
}

bool Solver::satisfied(const Constraint& c) const {
  if (c.isClause()) {
    for (int i = 0; i < c.size(); i++)
      if (value(c[i]) == l_True) return true;
    return false;
  }
  int64_t sum = 0;
  for (int i = 0; i < c.size(); i++)
    if (value(c[i]) == l_True) sum += c.coeff(i);
  return sum >= c.rhs();
}

// A constraint is locked while it is the reason of its first literal's
// current value; freeing it would leave a dangling reason.
bool Solver::locked(Constraint& c) const {
  if (c.size() == 0) return false;
  Lit first = c[0];
  return value(first) == l_True && reason[var(first)] == &c;
}

void Solver::removeLearntClauses(unsigned bound) {
  int kept = 0;
  for (int i = 0; i < learnts.size(); i++) {
    Constraint* c = learnts[i];
    if (c->isSoft() && (unsigned)c->ref() >= bound && !locked(*c))
      removeClause(*c);
    else
      learnts[kept++] = c;
  }
  learnts.shrink(learnts.size() - kept);
}

void Solver::objCoeff(Lit p, Cost) {
  vec<Lit> unit;
  unit.push(p);
  addClause(unit)->isSoft(true);
}

// A conflict here is recorded like every other level-0 conflict, so that a
// core computed afterwards starts from it and not from an older record.
bool Solver::simplify() {
  if (!propagateAtLevel0()) return false;
  if (nAssigns() == simplifiedAt || simplifyCountdown > 0) return true;
  varHeap.filter([this](Var v) { return varValue(v) == l_Undef && decisionVar[v]; });
  simplifiedAt = nAssigns();
  simplifyCountdown = (int64_t)(problemLiterals + learntLiterals);
  return true;
}
