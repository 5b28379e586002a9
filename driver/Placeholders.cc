// Switching soft constraints off and on. A switched-off soft constraint is a
// placeholder at its own index: a soft unit clause on one extra variable
// that occurs nowhere else, so all placeholders are satisfied together and
// none takes part in a core, while the weight table keeps the weight of the
// constraint it stands for.
#include <cassert>

#include "driver/RUKSolver.h"

Solver* RUKSolver::rebuildReplacing(Solver* from, int extraVars, const Replacement& replace) {
  Solver* next = newSolverFromPrevious(from, 0);
  next->newVars(from->nVars() + extraVars);
  int position = 0;
  for (int i = 0; i < from->nConstraints(); i++) {
    Constraint* c = from->constraints[i];
    const bool counted = c->isSoft() && i < coop->nbOrigConstraints;
    Constraint* added = replace(next, i, counted ? position : -1);
    if (counted) position++;
    if (added == nullptr) addSolverConstraint(next, c);
  }
  return next;
}

Constraint* RUKSolver::addPlaceholder(Solver* next) { return addSoftClause(next, {mkLit(coop->placeholderVar)}); }

Constraint* RUKSolver::addSoftClause(Solver* next, const std::vector<Lit>& lits) {
  scratchLits.clear();
  for (Lit l : lits) scratchLits.push(l);
  Constraint* c = next->addClause(scratchLits);
  c->isSoft(true);
  return c;
}

bool RUKSolver::isPlaceholder(const Constraint& c, int placeholder) {
  return c.isClause() && c.size() == 1 && var(c[0]) == placeholder;
}
