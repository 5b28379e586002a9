// The core-guided lower-bound search: ask for a model; without one, take the
// unsatisfiable core, raise the lower bound by its smallest soft weight,
// relax it in a rebuilt solver, and repeat. The first model is optimal.
#include <cassert>

#include "driver/RUKSolver.h"

// One extraction attempt. A spent restart budget or time budget is a stop,
// never a proof: only an inconsistent solver yields a core.
CoreOutcome RUKSolver::multiComputeCore(RefSet<int>& core, int budget) {
  solver->restartBudget = budget;
  bool ok = solver->simplify();
  bool sat = solver->multiSolve();
  if (ok && sat) return CoreOutcome::Model;
  if (coop->interrupted || coop->lbTimeOut) return CoreOutcome::Stop;
  if (solver->okay() && coop->done) return CoreOutcome::Stop;
  if (solver->okay()) {
    // Undecided after the whole restart budget: give up like a time-out.
    coop->timedOut = true;
    coop->lbTimeOut = true;
    return CoreOutcome::Stop;
  }
  keepImportedClauses();
  if (coop->done) return CoreOutcome::Stop;
  solver->compute_core(core);
  return CoreOutcome::Core;
}

// Hard members (problem constraints, encoding clauses, imported clauses) and
// soft members of weight 0 do not count. Hardness is the constraint's own
// flag: a soft constraint's weight can reach the top weight (soft units on
// one literal add up), so the weight cannot tell.
bool RUKSolver::computeCoreWeight(Solver* s, RefSet<int>& core, Cost& weight) {
  bool found = false;
  for (int e : core) {
    if (e < 0 || e >= s->nConstraints() || (size_t)e >= weights.size()) continue;
    if (!s->constraints[e]->isSoft()) continue;
    Cost w = weights[e];
    if (w == 0) continue;
    if (!found || w < weight) weight = w;
    found = true;
  }
  return found;
}

// After a core: raise the lower bound by its weight, report it, and relax
// the core in the rebuilt next solver. False when the search is over: a
// proof (no soft member, or nothing below the cost limit), the bounds met,
// or the budget spent during the rebuild.
bool RUKSolver::raiseAndRelax(RefSet<int>& core) {
  Cost w = 0;
  const bool hasSoftMember = computeCoreWeight(solver, core, w);
  if (hasSoftMember) lowerBound += w;
  if (!hasSoftMember || (hasSoftLimit && lowerBound >= softLimit)) {
    coop->stopWithProof();
    return false;
  }
  coop->updateLowerValue(solver, tid, core, nullptr, w, lowerBound);
  if (coop->done) return false;
  nbSolverVars = solver->nVars();
  nbSolverConstraints = solver->nConstraints();
  // The working solver is only copied from now on: two full solvers of
  // this thread (beside the other thread's) would be alive otherwise.
  solver->releaseSearchTables();
  Solver* next = buildNextSolver(solver, core, w);
  if (next == nullptr) return false;  // the budget ran out during the rebuild
  coop->updateLowerValue(solver, tid, lowerBound);
  core.clear();
  replaceSolver(next);
  return true;
}

void RUKSolver::multiLowerBoundSearch() {
  RefSet<int> core;
  nbSolverConstraints = solver->nConstraints();
  nbSolverVars = solver->nVars();
  while (!coop->done) {
    // A core found by propagation alone never reaches the search's own look
    // at the clock, so the loop looks itself, once per core.
    if (coop->budgetSpent(tid, Role::LowerBound)) break;
    CoreOutcome outcome = multiComputeCore(core, coreRestartBudget);
    if (outcome == CoreOutcome::Model) {
      coop->updateUpperValue(solver, tid, lowerBound);
      break;
    }
    if (outcome == CoreOutcome::Stop || coop->lbTimeOut || coop->done) break;
    if (!raiseAndRelax(core)) break;
  }
}
