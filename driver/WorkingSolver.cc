// The working solver and its weight table: the one way a constraint's weight
// comes in, the alignment every rebuild keeps (constraint index == ref ==
// position in `weights`), and the swap to the next working solver.
#include <cassert>

#include "driver/RUKSolver.h"

Constraint* RUKSolver::keepWeighted(Constraint* c, Cost weight, bool soft) {
  c->isSoft(soft);
  weights.push_back(weight);
  return c;
}

// Clauses the solver imported during the search took the next constraint
// indexes as hard constraints; they get their entries here.
void RUKSolver::keepImportedClauses() {
  weights.insert(weights.end(), (size_t)coop->pendingWeights[tid], topWeight);
  coop->pendingWeights[tid] = 0;
}

bool RUKSolver::weightsAligned(const Solver* s) const {
  if (weights.size() != (size_t)s->nConstraints()) return false;
  for (int i = 0; i < s->nConstraints(); i++)
    if (s->constraints[i]->ref() != i) return false;
  return true;
}

void RUKSolver::installSolver(Solver* next, Role role, Cost upperBound) {
  next->attach(coop, tid, role, upperBound);
  delete solver;
  solver = next;
}
