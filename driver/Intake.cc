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
  for (char* name : varNames) free(name);  // the readers strdup them
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

Constraint* RUKSolver::addClause(vec<Lit>& lits, Cost weight) {
  assert(weight > 0);
  const Var n = solver->nVars();
  if (objectiveMode > 0 && weight != topWeight) {
    if (lits.size() == 1) {
      solver->objCoeff(lits[0], weight);
      return nullptr;
    }
    weights.push_back(topWeight);
    nbRelaxVars++;
    relaxVars.push(n);
    solver->newVar();
    solver->objCoeff(mkLit(n), weight);
    lits.push(mkLit(n, true));
    Constraint* c = solver->addClause(lits);
    c->isSoft(false);
    static_cast<PBOSolver*>(solver)->relaxations.push_back({n, c});
    return c;
  }
  weights.push_back(weight);
  Constraint* c = solver->addClause(lits);
  c->isSoft(false);
  return c;
}

Constraint* RUKSolver::addPBConstraint(vec<Lit>& lits, vec<unsigned>& coeffs, int64_t rhs, Cost weight) {
  assert(weight > 0);
  const Var n = solver->nVars();
  if (objectiveMode > 0 && weight != topWeight) {
    weights.push_back(topWeight);
    nbRelaxVars++;
    relaxVars.push(n);
    solver->newVar();
    solver->objCoeff(mkLit(n), weight);
    pushTerm(lits, coeffs, mkLit(n, true), rhs);  // alone it satisfies the constraint
    Constraint* c = solver->addPBConstraint(lits, coeffs, rhs);
    c->isSoft(false);
    static_cast<PBOSolver*>(solver)->relaxations.push_back({n, c});
    return c;
  }
  Constraint* c = solver->addPBConstraint(lits, coeffs, rhs);
  c->isSoft(false);
  weights.push_back(weight);
  return c;
}

// The thread counts are shared: thread 0 writes them, before it opens the
// start gate that thread 1 passes before it reads them.
void RUKSolver::solverConfiguration() {
  solver->coop = coop;
  solver->tid = tid;
  solver->role = tid == 0 ? 0 : 1;
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
