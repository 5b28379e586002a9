// The lower-bound search partition by partition. It starts from the problem
// with every soft constraint switched off (a placeholder), switches the
// partitions on one at a time and after each switch runs the core-guided
// loop until the problem switched on so far is satisfiable. A core of a part
// of the problem is a core of the whole, so the lower bound stays valid and
// the relaxations made so far stay in place; the model of the last search,
// once everything is switched on, is optimal.
#include <cassert>
#include <vector>

#include "driver/RUKSolver.h"

// An interrupt is a stop here too: in the partitioned search the engine
// leaves `done` to this loop.
bool RUKSolver::lowerBoundSearchStopped() const { return coop->done || coop->interrupted || coop->lbTimeOut; }

void RUKSolver::restoreSolver(Solver* input, const std::vector<int>& positions, int placeholder) {
  std::vector<char> marked((size_t)coop->nbSoft, 0);
  for (int p : positions) marked[(size_t)p] = 1;
  replaceSolver(rebuildReplacing(solver, 0, [&](Solver* next, int i, int p) -> Constraint* {
    if (p < 0 || !marked[(size_t)p] || !isPlaceholder(*solver->constraints[i], placeholder)) return nullptr;
    Constraint* c = addSolverConstraint(next, input->constraints[i]);
    c->isSoft(true);
    return c;
  }));
  assert(weightsAligned(solver));
}

// Switches on the heaviest level of withdrawn soft constraints, each at its
// own index with the literals it had when withdrawn.
void RUKSolver::switchOnHeldBackLevel() {
  HeldBackList& heldBack = coop->heldBack;
  const Cost level = heldBack.begin()->first;
  coop->currentWeight = level;
  const auto taken = heldBack.equal_range(level);
  std::vector<const dynPar*> byPosition((size_t)coop->nbSoft, nullptr);
  size_t records = 0, replaced = 0;
  for (auto it = taken.first; it != taken.second; ++it, records++)
    byPosition[(size_t)it->second.position] = &it->second;
  replaceSolver(rebuildReplacing(solver, 0, [&](Solver* next, int i, int p) -> Constraint* {
    if (p < 0 || byPosition[(size_t)p] == nullptr) return nullptr;
    if (!isPlaceholder(*solver->constraints[i], coop->placeholderVar)) return nullptr;
    replaced++;
    return addSoftClause(next, byPosition[(size_t)p]->lits);
  }));
  // A withdrawn constraint left its placeholder at its position; a record
  // that met none would be lost from the problem without a trace.
  assert(replaced == records);
  (void)replaced;
  (void)records;
  assert(weightsAligned(solver));
  // Whatever the search below withdraws is lighter than this level.
  heldBack.erase(taken.first, taken.second);
}

// The core-guided loop of the whole-problem search, on the part switched on.
// It ends with a model of that part, or with a stop (the hard part is
// unsatisfiable, the bounds met, a budget is spent, an interrupt).
CoreOutcome RUKSolver::multiSearchPartition() {
  RefSet<int> core;
  keepImportedClauses();
  while (!lowerBoundSearchStopped()) {
    if (coop->budgetSpent(tid, Role::LowerBound)) break;  // cores found by propagation alone
    const CoreOutcome outcome = multiComputeCore(core, coreRestartBudget);
    keepImportedClauses();
    if (outcome != CoreOutcome::Core) return outcome;
    if (!raiseAndRelax(core)) break;
    if (coop->dynamicDecompositionOn) dynamicDecomposition();
  }
  return CoreOutcome::Stop;
}

void RUKSolver::decompositionWeight(Solver* input) {
  if (lowerBoundSearchStopped()) return;  // decided while the partitions were built
  coop->placeholderVar = input->nVars();
  weights = origWeights;
  auto switchOff = [&](Solver* next, int, int p) { return p >= 0 ? addPlaceholder(next) : nullptr; };
  installSolver(rebuildReplacing(input, 1, switchOff), input->role, input->solverUB);
  assert(weightsAligned(solver));

  CoreOutcome last = CoreOutcome::Stop;
  bool searched = false;
  auto search = [&] {
    last = multiSearchPartition();
    searched = true;
    if (!lowerBoundSearchStopped()) solver->cancelUntil(0);
  };
  const std::vector<wPar>& partitions = coop->partitions;
  for (size_t k = 0; k < partitions.size() && !lowerBoundSearchStopped(); k++) {
    const Cost weight = partitions[k].weight;
    if (!coop->heldBack.empty() && coop->heldBack.begin()->first >= weight) {
      switchOnHeldBackLevel();
      search();
      if (lowerBoundSearchStopped()) break;
    }
    coop->currentWeight = weight;
    restoreSolver(input, coop->partitionPositions[k].ids, coop->placeholderVar);
    search();
  }
  while (!coop->heldBack.empty() && !lowerBoundSearchStopped()) {
    switchOnHeldBackLevel();
    search();
  }
  // Without any soft constraint there is no partition: the problem as it
  // stands is the whole problem and still needs its one search.
  if (!searched && !lowerBoundSearchStopped()) search();
  if (lowerBoundSearchStopped() || last != CoreOutcome::Model) return;
  coop->updateUpperValue(solver, tid, lowerBound);
}
