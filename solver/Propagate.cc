// Unit propagation (two watched literals for clauses, counters for
// pseudo-Boolean constraints) and backtracking.
#include <cassert>

#include "solver/Solver.h"

// For every literal the clauses go before the pseudo-Boolean constraints, and
// the first conflict stops the queue.
Constraint* Solver::propagate() {
  Constraint* confl = nullptr;
  int64_t count = 0;
  while (propHead < trail.size()) {
    Lit p = trail[propHead++];
    count++;
    confl = propagateClause(p);
    if (confl == nullptr) confl = propagatePBCounterConstraints(p);
    if (confl != nullptr) break;
  }
  propagations += (uint64_t)count;
  simplifyCountdown -= count;
  return confl;
}

static const int prefetchDistance = 8;

// The list is compacted in place: a clause that finds a new watch moves to
// that literal's list; the others are written back in order.
Constraint* Solver::propagateClause(Lit p) {
  ClauseWatches& list = watches[p];
  Lit falseLit = neg(p);
  Constraint** i = list.begin();
  Constraint** j = i;
  Constraint** end = list.end();
  Constraint* confl = nullptr;

  while (i != end) {
    // Every clause of the list is visited (there is no blocking literal), so
    // the walk is bound by memory latency: fetch the clauses well ahead, far
    // enough for a fetch from memory to be back when the walk gets there.
    if (i + prefetchDistance < end) __builtin_prefetch(i[prefetchDistance]);
    Clause& c = (*i)->asClause();
    Lit* lits = c.lits();
    if (lits[0] == falseLit) {
      lits[0] = lits[1];
      lits[1] = falseLit;
    }
    if (value(lits[0]) == l_True) {
      *j++ = *i++;
      continue;
    }
    int size = c.size();
    int k = 2;
    while (k < size && value(lits[k]) == l_False) k++;
    if (k < size) {
      lits[1] = lits[k];
      lits[k] = falseLit;
      watches[neg(lits[1])].push(&c);
      i++;
      continue;
    }
    *j++ = *i++;
    if (value(lits[0]) == l_False) {
      confl = &c;
      propHead = trail.size();
      watchVisits += (uint64_t)(i - list.begin());
      while (i != end) *j++ = *i++;
      break;
    } else {
      uncheckedEnqueue(lits[0], &c);
    }
  }
  if (confl == nullptr) watchVisits += (uint64_t)list.size();
  list.shrink((int)(i - j));
  return confl;
}

// Every record is counted, also after a conflict, so that the counters always
// match pbCounted and backtracking can undo them exactly.
Constraint* Solver::propagatePBCounterConstraints(Lit p) {
  pbCounted[var(p)] = 1;
  if (!hasPBWatches(p)) return nullptr;
  Constraint* confl = nullptr;
  vec<watchPB_t>& list = pbWatches[p];
  for (int r = 0; r < list.size(); r++) {
    PB_Counters& c = list[r].c->asPB();
    c.falseCoeff += c.coeffs[list[r].index];
    if (confl != nullptr) continue;
    int64_t slack = c.slack();
    int64_t rhs = c.bound;
    if (slack < rhs) {
      confl = &c;
      continue;
    }
    const Lit* lits = c.lits();
    for (int k = 0; k < c.size(); k++) {
      if (value(lits[k]) != l_Undef) continue;
      if (rhs <= slack - (int64_t)c.coeffs[k]) break;  // largest first: nothing later is forced
      uncheckedEnqueue(lits[k], &c);
    }
  }
  return confl;
}

bool Solver::enqueuePBUnitLiterals(Constraint& c) {
  int64_t sumTrue = 0, sumUndef = 0;
  for (int i = 0; i < c.size(); i++) {
    lbool v = value(c[i]);
    if (v == l_True) sumTrue += c.coeff(i);
    else if (v == l_Undef) sumUndef += c.coeff(i);
  }
  int64_t rhs = c.rhs();
  if (sumTrue > rhs) return false;
  int64_t total = sumTrue + sumUndef;
  if (total < rhs) return false;
  bool assigned = false;
  for (int k = 0; k < c.size(); k++) {
    if (value(c[k]) != l_Undef) continue;
    if (total - (int64_t)c.coeff(k) >= rhs) break;
    uncheckedEnqueue(c[k], &c);
    assigned = true;
  }
  return assigned;
}

void Solver::cancelUntil(int lvl) {
  if (decisionLevel() <= lvl) return;
  for (int t = trail.size() - 1; t >= levelStarts[lvl]; t--) {
    Lit q = trail[t];
    Var x = var(q);
    polarity[x] = (char)(1 - sign(q));
    assignment[x] = l_Undef;
    literalValue[q] = l_Undef;
    literalValue[neg(q)] = l_Undef;
    if (decisionVar[x] && !varHeap.contains(x)) varHeap.insert(x);
    if (pbCounted[x]) {
      pbCounted[x] = 0;
      if (hasPBWatches(q))
        for (const watchPB_t& w : pbWatches[q]) w.c->unassignFalseLit(w.index);
    }
  }
  propHead = levelStarts[lvl];
  trail.shrink(trail.size() - levelStarts[lvl]);
  levelStarts.shrink(levelStarts.size() - lvl);
}
