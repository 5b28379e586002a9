// The conflict-driven search, its restart loop, decisions, the wall-clock
// budgets and the hand-over of learnt clauses to the other thread.
#include <cassert>
#include <algorithm>
#include <climits>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"

bool Solver::budgetSpent() { return coop->budgetSpent(tid, role); }

void Solver::endSharingPeriod() {
  coop->periodConflicts[tid] = 0;
  if (role == Role::UpperBound) {
    coop->updateUpperValue(this, tid, coop->bounds[tid]);
    coop->checkUpperValuePortfolio(this, tid);
  }
  if ((unsigned)coop->frozenRetryConflicts[tid] > 3u * (unsigned)coop->typeInterval) {
    coop->importFrozenClauses(this);
    coop->frozenRetryConflicts[tid] = 0;
  }
  if (coop->frozenDead[tid] > 9999) coop->cleanFrozen(this);
  coop->importClauses(this);
}

// The lower-bound thread shares only what follows from hard constraints over
// the input's variables; its relaxation variables mean nothing elsewhere.
void Solver::exportLearnt(const vec<Lit>& learnt, bool soft, bool stored) {
  if (coop->limitExport <= 0) return;
  if (!stored) {
    // A unit learnt without a trace: only the upper-bound thread offers it.
    if (role != Role::UpperBound) return;
    if (soft && var(learnt[0]) >= coop->nbSharedVars) return;
    coop->exportClause(this, learnt, 1);
    return;
  }
  if (learnt.size() > coop->exportLimit[tid] || soft) return;
  if (role == Role::LowerBound) {
    for (Lit q : learnt)
      if (var(q) >= coop->nbSharedVars) return;
  }
  coop->exportClause(this, learnt, learnt.size());
}

void Solver::storeLearnt(vec<Lit>& learnt, bool soft) {
  if (learnt.size() == 1 && proofTrace == nullptr) {
    uncheckedEnqueue(learnt[0], nullptr);
    exportLearnt(learnt, soft, false);
    return;
  }
  unsigned ref = ((uint32_t)constraints.size() + (uint32_t)conflicts) | 0x40000000u;
  Clause* c = Clause::make(learnt.begin(), learnt.size(), ref, true, &learntArena);
  c->isSoft(soft);
  learnts.push(c);
  if (c->size() > 1) attachClause(*c);
  claBumpActivity(*c);
  uncheckedEnqueue(learnt[0], c);
  if (proofTrace != nullptr) proofTrace->makeRecord(c->ref(), soft);
  exportLearnt(learnt, soft, true);
}

lbool Solver::search(int maxConflicts, int maxLearnts) {
  assert(coop != nullptr);
  int localConflicts = 0;
  unsigned steps = 0;
  vec<Lit> learnt;
  starts++;
  for (;;) {
    if (coop->done) return l_Undef;
    // Reading the clock costs as much as a decision does on a problem of
    // millions of free variables, so it is read on the first step and every
    // 16th after it.
    if ((steps++ & 15) == 0 && budgetSpent()) return l_Undef;
    if (coop->periodConflicts[tid] >= coop->periodLength[tid]) endSharingPeriod();
    if (!ok) return l_False;

    Constraint* confl = propagate();
    if (confl != nullptr) {
      conflicts++;
      localConflicts++;
      coop->periodConflicts[tid]++;
      coop->frozenRetryConflicts[tid]++;
      if (decisionLevel() == 0) {
        addConflictLevel0(confl);
        return l_False;
      }
      learnt.clear();
      int backtrackLevel;
      bool soft = false;
      analyze(confl, learnt, backtrackLevel, soft);
      if (coop->analysisFailed) return l_Undef;
      cancelUntil(backtrackLevel);
      storeLearnt(learnt, soft);
      varIncrement *= varDecay;
      claIncrement *= claDecay;
      continue;
    }

    if (maxConflicts >= 0 && localConflicts >= maxConflicts) {
      cancelUntil(0);
      return l_Undef;
    }
    if (decisionLevel() == 0 && !simplify()) return l_False;
    if (maxLearnts >= 0 && learnts.size() - nAssigns() >= maxLearnts) reduceDB();

    decisions++;
    Lit next = pickBranchLit(polarityMode, randomVarFreq);
    if (next == lit_Undef) return l_True;
    coop->decisionActivity[tid] = activity[var(next)];
    levelStarts.push(trail.size());
    uncheckedEnqueue(next, nullptr);
  }
}

// The generator of the original minisat: a Park-Miller step kept in a double.
double Solver::randomDraw() {
  seed *= 1389796;
  int q = (int)(seed / 2147483647);
  seed -= (double)q * 2147483647;
  return seed / 2147483647;
}

// Every decision assigns false; the polarity mode is accepted but not used.
Lit Solver::pickBranchLit(int, double randomFrequency) {
  Var next = -1;
  if (randomDraw() < randomFrequency && !varHeap.empty()) {
    next = varHeap[(int)(randomDraw() * varHeap.size())];
    if (varValue(next) == l_Undef && decisionVar[next]) randomDecisions++;
  }
  while (next == -1 || varValue(next) != l_Undef || !decisionVar[next]) {
    if (varHeap.empty()) return lit_Undef;
    next = varHeap.removeMax();
  }
  return mkLit(next, true);
}

static int clampToInt(double x) { return x >= (double)INT_MAX ? INT_MAX : (int)x; }

double Solver::learntBudget() const { return std::max((double)nConstraints() * learntsizeFactor, minLearnts); }

RestartSchedule Solver::firstRestart() const {
  RestartSchedule schedule;
  schedule.maxConflicts = restartFirst;
  schedule.maxLearnts = learntBudget();
  return schedule;
}

// Within an outer round the budgets grow; a new round starts again from the
// first conflict budget with the learnt budget grown once per round so far.
void Solver::nextRestart(RestartSchedule& schedule) const {
  if (schedule.inner < schedule.outer) {
    schedule.inner++;
    schedule.maxConflicts *= restartInc;
    schedule.maxLearnts *= learntsizeInc;
    return;
  }
  schedule.maxConflicts = restartFirst;
  schedule.maxLearnts = learntBudget();
  for (int i = 0; i < schedule.outer; i++) schedule.maxLearnts *= learntsizeInc;
  schedule.outer++;
  schedule.inner = 1;
}

lbool Solver::searchWithin(const RestartSchedule& schedule) {
  return search(clampToInt(schedule.maxConflicts), clampToInt(schedule.maxLearnts));
}

void Solver::saveModel() {
  model.growTo(nVars());
  for (int x = 0; x < nVars(); x++) model[x] = varValue(x);
}

bool Solver::multiSolve() {
  model.clear();
  conflict.clear();
  if (!ok) return false;
  RestartSchedule schedule = firstRestart();
  restarts = 0;
  if (coop->done) return false;

  lbool status = l_Undef;
  for (;;) {
    status = searchWithin(schedule);
    if (coop->interrupted) {
      if (role != Role::LowerBound || !coop->partitionedSearch) coop->done = true;
      return false;
    }
    if (coop->lbTimeOut) return false;
    restarts++;
    nextRestart(schedule);
    if (restarts == restartBudget || status != l_Undef) break;
    if (coop->done) return false;
  }
  if (status == l_True) {
    saveModel();
    return true;
  }
  if (status == l_False) ok = false;
  return false;
}
