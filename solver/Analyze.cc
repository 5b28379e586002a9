// First-UIP conflict analysis over clause and pseudo-Boolean reasons, learnt
// clause minimisation, and the activity bookkeeping.
#include <cassert>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"

void Solver::bumpVar(Var v) {
  if ((activity[v] += varIncrement) > 1e100) {
    for (int x = 0; x < nVars(); x++) activity[x] *= 1e-100;
    varIncrement *= 1e-100;
  }
  if (varHeap.contains(v)) varHeap.increased(v);
}

void Solver::claBumpActivity(Constraint& c) {
  float& act = c.activity();
  act = (float)((double)act + claIncrement);
  if (act > 1e20f) {
    for (Constraint* l : learnts) l->activity() = (float)((double)l->activity() * 1e-20);
    claIncrement *= 1e-20;
  }
}

// Marks a literal of a reason: current-level literals are counted for the
// resolution, the others go into the learnt clause. Level-0 literals are kept
// on purpose: their soft dependencies are picked up by the level-0 walk.
inline void Solver::markForLearnt(Var v, Lit q, vec<Lit>& outLearnt, int& pathC) {
  bumpVar(v);
  seen[v] = 1;
  if (level[v] < decisionLevel()) outLearnt.push(q);
  else pathC++;
}

// Weakens a pseudo-Boolean reason (or conflict) to the false literals it
// needs: going through the false literals assigned before p, largest
// coefficient first, a literal is left out while what it and the literals
// not false could still contribute stays below the right-hand side.
void Solver::weakenPBReason(Constraint& c, Lit p, int index, vec<Lit>& outLearnt, int& pathC) {
  PB_Counters& pb = c.asPB();
  const Lit* lits = pb.lits();
  int64_t slack = 0;
  int64_t rhs = pb.bound;
  // Candidates are the false literals before p: go through them in order,
  // skipping the others, rather than copying them out.
  for (int i = 0; i < pb.size(); i++) {
    Lit q = lits[i];
    if (q == p) continue;
    Var v = var(q);
    bool falseBefore = value(q) == l_False && trailIndex[v] <= index;
    if (!falseBefore) slack += pb.coeffs[i];
  }
  for (int i = 0; i < pb.size(); i++) {
    Lit q = lits[i];
    if (q == p) continue;
    Var v = var(q);
    if (!(value(q) == l_False && trailIndex[v] <= index)) continue;
    if (seen[v] || level[v] < 0) continue;  // already in the explanation
    int64_t a = pb.coeffs[i];
    if (a + slack < rhs) slack += a;
    else markForLearnt(v, q, outLearnt, pathC);
  }
}

void Solver::analyze(Constraint* confl, vec<Lit>& outLearnt, int& outBtLevel, bool& outSoft) {
  assert(decisionLevel() > 0 && outLearnt.size() == 0);
  outLearnt.push(lit_Undef);
  Lit p = lit_Undef;
  outBtLevel = 0;
  int pathC = 0;
  int index = trail.size() - 1;
  const int levelStart = levelStarts.last();
  for (int t = levelStart; t < trail.size(); t++) trailIndex[var(trail[t])] = t;

  Constraint* c = confl;
  for (;;) {
    if (c->isSoft()) {
      if (proofTrace != nullptr) proofTrace->addPending(c->ref());
      outSoft = true;
    }
    if (c->learnt()) claBumpActivity(*c);
    if (c->isClause()) {
      for (int j = (p == lit_Undef) ? 0 : 1; j < c->size(); j++) {
        Lit q = (*c)[j];
        Var v = var(q);
        if (!seen[v] && level[v] >= 0) markForLearnt(v, q, outLearnt, pathC);
      }
    } else {
      weakenPBReason(*c, p, index, outLearnt, pathC);
    }
    // Next marked literal of the current level, walking the trail backwards.
    do {
      assert(index >= levelStart);
      p = trail[index--];
    } while (!seen[var(p)]);
    c = reason[var(p)];
    seen[var(p)] = 0;
    pathC--;
    if (pathC < 1) break;
    if (c == nullptr) {
      coop->analysisFailed = true;
      return;
    }
  }
  if (coop->analysisFailed) return;
  outLearnt[0] = neg(p);
  for (int t = levelStart; t < trail.size(); t++) trailIndex[var(trail[t])] = 0;

  outLearnt.copyTo(marksToClear);
  learntLiteralsBefore += outLearnt.size();
  if (recursiveMinimization && !outSoft) {
    unsigned abstractLevels = 0;
    for (int i = 1; i < outLearnt.size(); i++) abstractLevels |= 1u << (level[var(outLearnt[i])] & 31);
    int kept = 1;
    for (int i = 1; i < outLearnt.size(); i++) {
      Lit q = outLearnt[i];
      if (reason[var(q)] == nullptr || !litRedundant(q, abstractLevels)) outLearnt[kept++] = q;
    }
    outLearnt.shrink(outLearnt.size() - kept);
  }
  learntLiteralsAfter += outLearnt.size();

  if (outLearnt.size() > 1) {
    moveHighestLevelTo(outLearnt, 1);
    outBtLevel = level[var(outLearnt[1])];
  }
  for (Lit q : marksToClear) seen[var(q)] = 0;
}

void Solver::moveHighestLevelTo(vec<Lit>& ps, int position) {
  int best = position;
  for (int i = position + 1; i < ps.size(); i++)
    if (level[var(ps[i])] > level[var(ps[best])]) best = i;
  Lit tmp = ps[position];
  ps[position] = ps[best];
  ps[best] = tmp;
}

// True when p follows from the marked literals through reasons that are not
// soft. Marks made by a failed attempt are rolled back.
bool Solver::litRedundant(Lit p, unsigned abstractLevels) {
  minimizeStack.clear();
  minimizeStack.push(p);
  const int top = marksToClear.size();
  while (minimizeStack.size() > 0) {
    Lit q = minimizeStack.last();
    minimizeStack.pop();
    Constraint* c = reason[var(q)];
    bool fail = c->isSoft();
    for (int i = c->isClause() ? 1 : 0; !fail && i < c->size(); i++) {
      Lit l = (*c)[i];
      Var v = var(l);
      if (seen[v] || value(l) != l_False) continue;
      if (reason[v] != nullptr && (abstractLevels & (1u << (level[v] & 31))) != 0) {
        seen[v] = 1;
        minimizeStack.push(l);
        marksToClear.push(l);
      } else {
        fail = true;
      }
    }
    if (fail) {
      for (int j = top; j < marksToClear.size(); j++) seen[var(marksToClear[j])] = 0;
      marksToClear.shrink(marksToClear.size() - top);
      return false;
    }
  }
  return true;
}
