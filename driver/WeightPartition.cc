// Partitions by weight: one partition per distinct soft weight, heaviest
// first, and the withdrawal during the search of the soft constraints whose
// residual weight fell below the level being searched.
#include <algorithm>
#include <cassert>
#include <numeric>

#include "driver/RUKSolver.h"

// A stable sort gives each weight's members in constraint order, as a sorted
// insertion would, in n log n: a problem with a million soft constraints of
// one weight is grouped at once.
void RUKSolver::weightDecomposition() {
  std::vector<softPar> soft;
  for (int i = 0; i < solver->nConstraints(); i++) {
    Constraint* c = solver->constraints[i];
    if (c->isSoft()) soft.push_back({weights[(size_t)i], c->ref()});
  }
  coop->nbSoft = (int)soft.size();

  // Position p is the p-th soft constraint, so the sort is one of positions.
  std::vector<int>& order = coop->sortedPositions;
  order.resize(soft.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return soft[a].weight > soft[b].weight; });

  for (size_t j = 0; j < order.size(); j++) {
    const softPar& member = soft[(size_t)order[j]];
    if (j == 0 || member.weight != coop->partitions.back().weight) {
      coop->partitions.push_back({member.weight, {}});
      coop->partitionPositions.push_back({member.weight, {}});
    }
    coop->partitions.back().ids.push_back(member.id);
    coop->partitionPositions.back().ids.push_back(order[j]);
  }
}

// Only the problem's own soft constraints are looked at: relaxed copies and
// everything else added later stand behind them.
void RUKSolver::dynamicDecomposition() {
  const int nbOrig = std::min(coop->nbOrigConstraints, solver->nConstraints());
  std::vector<char> withdrawn((size_t)coop->nbSoft, 0);
  bool any = false;
  int position = 0;
  for (int k = 0; k < nbOrig; k++) {
    const Constraint& c = *solver->constraints[k];
    if (!c.isSoft()) continue;
    const int p = position++;
    // Soft problem constraints are clauses (soft units, maybe relaxed).
    assert(c.isClause());
    if (weights[(size_t)k] >= coop->currentWeight || isPlaceholder(c, coop->placeholderVar) || !c.isClause()) continue;
    dynPar d;
    d.weight = weights[(size_t)k];
    for (int j = 0; j < c.size(); j++) d.lits.push_back(c[j]);
    d.position = p;
    insertDynamicPartition(d);
    withdrawn[(size_t)p] = 1;
    any = true;
  }
  if (!any) return;
  replaceSolver(rebuildReplacing(solver, 0, [&](Solver* next, int, int p) {
    return p >= 0 && withdrawn[(size_t)p] ? addPlaceholder(next) : nullptr;
  }));
  assert(weightsAligned(solver));
}

void RUKSolver::insertDynamicPartition(const dynPar& d) { coop->heldBack.emplace(d.weight, d); }
