// The bounds the threads agree on: the lower bound raised core by core, the
// best upper bound lowered model by model, and the stop decision when they
// meet. Every operation holds boundMutex while it reads or writes them, and
// does nothing under it that could end the run.

#include <algorithm>
#include <climits>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"
#include "cooperation/Output.h"
#include "solver/PBOSolver.h"

// Cost sums stay far from the 64-bit limit below this.
static const double costHeadroom = 4.0e18;

void Cooperation::initBound(Solver* s, int origVars, const int* equivalenceMap) {
  const int nLits = 2 * s->nVars();
  keepModelTables(nLits, origVars, equivalenceMap);
  const ObjectiveScan scan = scanObjective(s, nLits);
  guardOverflow(scan.sumExcess);
  setFirstBounds(scan.ub, scan.hasObjective);
  reportProblemType();
  if (decisionProblem) refuseDecisionProblem();
}

void Cooperation::keepModelTables(int nLits, int origVars, const int* equivalenceMap) {
  nbOrigVars = origVars;
  bestModel.assign((size_t)(origVars > 0 ? origVars : 0), 0);
  // No map is the identity, kept as an empty table: an entry per literal
  // would be memory spent on nothing.
  equivalences.clear();
  if (equivalenceMap == nullptr) return;
  equivalences.resize((size_t)nLits);
  for (int l = 0; l < nLits; l++) equivalences[l] = equivalenceMap[l];
}

// The first upper bound, the weights in excess of 1 (the overflow guard) and
// objectiveWeightSum, which tells weighted from unweighted problems (INT_MAX
// once a weight above 3000 is met).
Cooperation::ObjectiveScan Cooperation::scanObjective(Solver* s, int nLits) {
  ObjectiveScan scan;
  objectiveWeightSum = 0;
  auto addToWeightSum = [this](Cost excess, Cost amount) {
    if (objectiveWeightSum == INT_MAX) return;
    objectiveWeightSum = excess <= 3000 ? std::min<Cost>(objectiveWeightSum + amount, INT_MAX) : INT_MAX;
  };
  for (Lit i = 0; i < nLits; i++) {
    Cost w = s->objCoeff(i);
    if (w == 0) continue;
    // Any non-zero coefficient is a cost to minimise, also when a variable
    // carries the same weight on both its literals.
    scan.hasObjective = true;
    Cost wc = s->objCoeff(neg(i));
    if (w > wc) {
      if (w > 1) {
        scan.sumExcess += (double)(w - 1);
        addToWeightSum(w - 1, w - 1);
      }
      scan.ub += w;
    } else {
      scan.sumExcess += (double)(w - 1);
      addToWeightSum(w - 1, w);
      if (neg(i) < i && w == wc) scan.ub += w;
    }
  }
  return scan;
}

// Weights too large for the upper-bound encodings: the upper-bound thread's
// time goes to the lower-bound search.
void Cooperation::guardOverflow(double sumExcess) {
  if (sumExcess <= costHeadroom) return;
  comment("|  Warning:               Risk of overflow, UB search is disable              |");
  lbTimeLimit += ubTimeLimit;
  ubTimeLimit = 0;
}

void Cooperation::setFirstBounds(Cost ub, bool hasObjective) {
  for (Cost& b : bounds) b = -1;
  for (int t = 0; t < nbThreads; t++) bounds[t] = t < nbLB ? 0 : (t < nbLB + nbUB ? ub : -1);
  bounds[0] = 0;
  bounds[nbThreads] = ub;
  initialUB = ub;
  if (!hasObjective) {
    decisionProblem = true;
    bounds[nbThreads] = INT_MAX;
  }
}

void Cooperation::reportProblemType() const {
  if (decisionProblem)
    comment("|  Problem Type:          Decision                                            |");
  else if (objectiveWeightSum > 3000)
    comment("|  Problem Type:          Weighted Optimization                               |");
  else
    comment("|  Problem Type:          Unweighted Optimization                             |");
  comment("|                                                                             |");
}

// The two-thread search has nothing to minimise on a decision problem: the
// answer is UNKNOWN.
void Cooperation::refuseDecisionProblem() {
  claimOutputOrWait();
  comment("ERROR! illegal -thread=%d; multithreading approach is currently not available for decision problems",
          nbThreads);
  printResultHead();
  printStatus("UNKNOWN");
  endProcess(255);
}

// Ends the search once the lower bound has reached the best upper bound.
void Cooperation::stopWhenBoundsMeet() {
  if (nbLB != 0 && bounds[0] >= bounds[nbThreads]) stopWithProof();
}

// The best bound only ever moves together with its model, so the printed
// cost and the "v" line always agree; nbSolutions counts stored models.
void Cooperation::updateUpperValue(Solver* s, int tid, Cost value) {
  pthread_mutex_lock(&boundMutex);
  const Cost best = bounds[nbThreads];
  if (value < best) {
    if (s->role == Role::LowerBound) {
      // The lower-bound thread's model is optimal by construction, unless
      // its budget ran out before it was proven.
      if (!done && !timedOut) {
        bounds[nbThreads] = value;
        bounds[tid] = value;
        nbSolutions++;
        multiSaveCertificate(s);
        reportBoundValue(tid, BoundType::Upper);
        stopWithProof();
      }
    } else {
      bounds[tid] = value;
      if (!done) {
        bounds[nbThreads] = value;
        nbSolutions++;
        multiSaveCertificate(s);
        reportBoundValue(tid, BoundType::Upper);
      }
    }
  } else if (s->role != Role::LowerBound && bounds[tid] != best) {
    bounds[tid] = best;
  }
  stopWhenBoundsMeet();
  pthread_mutex_unlock(&boundMutex);
}

// Takes into the upper-bound solver a better bound that the other thread
// found since this thread last looked. The solver's bound constraint is
// built after boundMutex is given back: building it allocates, and a failed
// allocation waits for the owner of the output to end the run, which must
// not happen under the mutex that a SIGTERM report, owning the output,
// waits for.
void Cooperation::checkUpperValuePortfolio(Solver* s, int tid) {
  pthread_mutex_lock(&boundMutex);
  const Cost best = bounds[nbThreads];
  const bool better = !done && best < bounds[tid] && nbSolutions >= 1;
  if (better) {
    bounds[tid] = best;
    reportBoundValue(tid, BoundType::Upper);
  }
  pthread_mutex_unlock(&boundMutex);
  if (!better) return;
  s->cancelUntil(0);
  static_cast<PBOSolver*>(s)->updateObjFunction(best);
  s->solverUB = best;
}

void Cooperation::updateLowerValue(Solver*, int tid, Cost value) {
  pthread_mutex_lock(&boundMutex);
  if (value == noBound) {
    stopWithProof();
  } else {
    if (value > bounds[tid]) {
      bounds[tid] = value;
      if (!done) reportBoundValue(tid, BoundType::Lower);
    }
    stopWhenBoundsMeet();
  }
  pthread_mutex_unlock(&boundMutex);
}

void Cooperation::updateLowerValue(Solver* s, int tid, RefSet<int>&, std::list<int>*, Cost, Cost value) {
  updateLowerValue(s, tid, value);
}
