// Construction, problem intake (soft units become objective terms, longer
// soft constraints get a relaxation literal) and the start-up boxes.
#include <cassert>
#include <cstdlib>

#include "cooperation/Comment.h"
#include "driver/RUKSolver.h"

RUKSolver::RUKSolver() : solver(new Solver()), origSolver(new Solver()) {
  std::swap(solver, origSolver);  // the first solver made is the unrelaxed copy
}

RUKSolver::~RUKSolver() {
  for (char* name : varNames) free(name);  // the readers malloc them
  delete solver;
  delete origSolver;
  delete[] equivalences;
}

void RUKSolver::init() {
  if (objectiveMode <= 0) return;
  Solver* pbo = newSolverFromPrevious(solver, objectiveMode);
  delete solver;
  solver = pbo;
}

Solver* RUKSolver::newSolverFromPrevious(Solver* previous, int pbo) {
  Solver* s = pbo != 0 ? new PBOSolver() : new Solver();
  s->restartFirst = previous->restartFirst;
  s->restartInc = previous->restartInc;
  s->recursiveMinimization = previous->recursiveMinimization;
  s->timeLimit = previous->timeLimit;
  return s;
}

// A soft constraint of the problem becomes hard, relaxed by the negative
// literal of a fresh variable that carries its weight in the objective; a
// soft unit is an objective term by itself.
Constraint* RUKSolver::addClause(vec<Lit>& lits, Cost weight) {
  assert(weight > 0);
  if (objectiveMode <= 0 || weight == topWeight) return keepWeighted(solver->addClause(lits), weight, false);
  if (lits.size() == 1) {
    solver->objCoeff(lits[0], weight);
    return nullptr;
  }
  const Var r = newRelaxationVar(weight);
  lits.push(mkLit(r, true));
  return keepRelaxed(solver->addClause(lits), r);
}

Constraint* RUKSolver::addPBConstraint(vec<Lit>& lits, vec<unsigned>& coeffs, int64_t rhs, Cost weight) {
  assert(weight > 0);
  if (objectiveMode <= 0 || weight == topWeight)
    return keepWeighted(solver->addPBConstraint(lits, coeffs, rhs), weight, false);
  const Var r = newRelaxationVar(weight);
  // Alone it satisfies the constraint; a constraint of right-hand side 0
  // always holds, and its relaxation term still needs a coefficient.
  pushTerm(lits, coeffs, mkLit(r, true), rhs > 0 ? rhs : 1);
  return keepRelaxed(solver->addPBConstraint(lits, coeffs, rhs), r);
}

Var RUKSolver::newRelaxationVar(Cost weight) {
  const Var r = solver->newVar();
  nbRelaxVars++;
  relaxVars.push(r);
  solver->objCoeff(mkLit(r), weight);
  return r;
}

Constraint* RUKSolver::keepRelaxed(Constraint* c, Var relaxation) {
  static_cast<PBOSolver*>(solver)->relaxations.push_back({relaxation, c});
  return keepHard(c);
}

// The thread counts are shared: thread 0 writes them, before it opens the
// start gate that thread 1 passes before it reads them. No upper bound is
// known yet: the one-time set-up computes it.
void RUKSolver::solverConfiguration() {
  solver->attach(coop, tid, tid == 0 ? Role::LowerBound : Role::UpperBound, 0);
  if (tid == 0) {
    coop->nbLB = 1;
    coop->nbUB = 1;
  }
}

void RUKSolver::reportSolverVersion() {
  comment("==============================[ Solver Version ]===============================");
  comment("|                                                                             |");
  comment("|  Quon-2T:                  2.2 - November, 2012                             |");
  comment("|                                                                             |");
}

void RUKSolver::reportStatistics(const struct timeval& parseStart) {
  comment("============================[ Problem Statistics ]=============================");
  comment("|                                                                             |");
  comment("|  Parsing time:          %-12.2f s                                      |", wcTime(parseStart));
  comment("|  Number Variables:      %-10d                                          |", solver->nVars());
  comment("|  Number Clauses:        %-10llu                                          |",
          (unsigned long long)solver->nbClauses);
  comment("|  Number Cardinality:    %-10llu                                          |",
          (unsigned long long)solver->nbCardConstraints);
  comment("|  Number PB Constraints: %-10llu                                          |",
          (unsigned long long)solver->nbPBConstraints);
  comment("|                                                                             |");
}
