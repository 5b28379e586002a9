// The road of one search thread: role, preprocessing, the start gate and the
// one-time set-up (thread 0), the lower- or upper-bound search, and the
// finishing protocol in which the second thread to finish prints the result.

#include <cstdio>
#include <cstdlib>

#include "cooperation/Comment.h"
#include "cooperation/Output.h"
#include "driver/RUKSolver.h"

// The identity map is no map at all (null): a table per literal is only
// made when preprocessing merged something.
void RUKSolver::initializeEquivalences() {
  delete[] equivalences;
  equivalences = nullptr;
}

void RUKSolver::saveEquivalences() {
  const int* map = solver->equivalenceMap;
  if (map == nullptr) return;  // nothing was merged: the identity stands
  const int nLits = 2 * solver->nVars();
  delete[] equivalences;
  equivalences = new int[(size_t)nLits];
  for (int l = 0; l < nLits; l++) equivalences[l] = map[l];
}

// Both threads preprocess identical copies alike. When preprocessing decides
// the problem, exactly one of them prints the result and ends the process;
// the other one waits for that end and never exits on its own.
bool RUKSolver::preprocessor() {
  nbOrigVars = solver->nVars() - nbRelaxVars;
  initializeEquivalences();
  PBOSolver* pbo = static_cast<PBOSolver*>(solver);
  if (preprocess) {
    pbo->preprocessOnly = true;
    pbo->solve();
    pbo->preprocessOnly = false;
  } else {
    pbo->stopFlag = true;
  }
  if (pbo->stopFlag) {
    if (preprocess) saveEquivalences();
    return false;
  }
  coop->done = true;
  claimOutputOrWait();
  coop->printResultHead(false);
  comment("Solved by Preprocessing");
  coop->printStatus("UNSATISFIABLE");
  endProcess(255);  // the owner of the output: nothing else is printed
}

void RUKSolver::oneTimeSetUp() {
  coop->startGate.open();
  addPBsoftLimit();
  coop->objConstant = objConstant;
  coop->initBound(solver, nbOrigVars, equivalences);
  coop->initDone = true;
  coop->nbSharedVars = solver->nVars();

  // Input variables are the solver's variables that are not relaxation
  // variables made at intake, in increasing order. With every relaxation
  // variable after them the table would be the identity, which is no table.
  coop->solverVar.clear();
  bool identity = true;
  for (int v : relaxVars) identity = identity && v >= nbOrigVars;
  if (!identity) {
    std::vector<char> isRelax((size_t)solver->nVars(), 0);
    for (int v : relaxVars) isRelax[(size_t)v] = 1;
    coop->solverVar.reserve((size_t)nbOrigVars);
    for (Var v = 0; v < solver->nVars() && (int)coop->solverVar.size() < nbOrigVars; v++)
      if (!isRelax[(size_t)v]) coop->solverVar.push_back(v);
  }
  relaxVars.clear(true);

  Solver* converted = convertPBOtoRUK(static_cast<PBOSolver*>(solver));
  if (converted == nullptr) {
    // Out of time before the lower-bound search could start: the
    // upper-bound thread, which needs nothing more from here, goes on alone.
    pthread_mutex_unlock(&coop->initMutex);
    return;
  }
  installSolver(converted, Role::LowerBound, coop->initialUB);
  objectiveMode = 0;
  coop->nbOrigConstraints = solver->nConstraints();

  // The unrelaxed copy serves the partition-based searches only; the normal
  // search never reads it, and on a large problem it is a full extra copy.
  if (coop->searchModeSetting != searchNormal) keepUnrelaxedCopy();
  initDecomposition();
}

void RUKSolver::keepUnrelaxedCopy() {
  delete origSolver;
  origSolver = newSolverFromPrevious(solver, 0);
  origSolver->attach(coop, tid, Role::LowerBound, coop->initialUB);
  origSolver->newVars(solver->nVars());
  origWeights.clear();
  for (int i = 0; i < solver->nConstraints(); i++) {
    addSolverConstraint(origSolver, solver->constraints[i]);
    origWeights.push_back(weights[(size_t)i]);
  }
}

// Only an inconsistent solver proves that no better model exists; any other
// false answer is a stop and is reported like a time-out.
void RUKSolver::upperBoundLoop() {
  PBOSolver* pbo = static_cast<PBOSolver*>(solver);
  for (;;) {
    if (coop->done || coop->budgetSpent(tid, Role::UpperBound)) return;
    bool improved = pbo->solve();
    if (coop->ubTimeOut) return;
    if (coop->interrupted) {
      coop->done = true;
      return;
    }
    if (improved) continue;
    if (coop->done) return;
    if (!pbo->okay()) {
      coop->updateUpperValue(solver, tid, coop->bounds[(size_t)tid]);
      coop->stopWithProof();
    } else {
      coop->ubTimeOut = true;
    }
    return;
  }
}

void RUKSolver::finish() {
  pthread_mutex_lock(&coop->answerMutex);
  const bool first = ++coop->nbFinished == 1;
  pthread_mutex_unlock(&coop->answerMutex);
  if (first) {
    // The other thread reports; this solver's memory can go now.
    delete solver;
    solver = nullptr;
    return;
  }
  if (!claimOutput()) return;
  const bool outOfTime = solver->role == Role::LowerBound ? (bool)coop->lbTimeOut : (bool)coop->ubTimeOut;
  if (outOfTime && !coop->proven) coop->interrupted = true;
  coop->done = true;
  reportFinalResult();  // ends the process
}

int RUKSolver::solve() {
  solverConfiguration();
  preprocessor();
  if (tid != 0) coop->startGate.pass();
  pthread_mutex_lock(&coop->initMutex);
  if (coop->initDone) {
    addPBsoftLimit();
    pthread_mutex_unlock(&coop->initMutex);
  } else {
    oneTimeSetUp();
  }
  if (solver->role == Role::UpperBound) {
    solver->solverUB = coop->initialUB;
    static_cast<PBOSolver*>(solver)->amkKind = coop->encoding[(size_t)tid];  // -enc-ub=
    upperBoundLoop();
  }
  finish();
  return 1;
}
