// Partitions by hypergraph: the constraints are cut into groups that share
// few variables, and the soft constraints of each group form one partition.
#include <algorithm>
#include <cassert>

#include "driver/ConstraintHyperGraph.h"
#include "driver/RUKSolver.h"
#include "hypergraph/hgp.h"
#include "solver/Fatal.h"

// Two passes, counting then filling, so that no occurrence list is grown.
ConstraintHyperGraph constraintHyperGraph(const Solver& s) {
  ConstraintHyperGraph g;
  g.nbVertices = s.nConstraints();
  std::vector<int> start((size_t)s.nVars() + 1, 0);
  for (const Constraint* c : s.constraints)
    for (int j = 0; j < c->size(); j++) start[(size_t)var((*c)[j]) + 1]++;
  for (int v = 0; v < s.nVars(); v++) {
    if (start[(size_t)v + 1] > 0) g.eptr.push_back(g.eptr.back() + start[(size_t)v + 1]);
    start[(size_t)v + 1] += start[(size_t)v];
  }
  g.eind.resize((size_t)start.back());
  for (int i = 0; i < s.nConstraints(); i++) {
    const Constraint& c = *s.constraints[i];
    for (int j = 0; j < c.size(); j++) g.eind[(size_t)start[(size_t)var(c[j])]++] = c.ref();
  }
  return g;
}

// Part number of every constraint. More parts than constraints would only
// be empty parts, so the count is capped; with fewer than two there is
// nothing to cut. A stop leaves a valid but unrefined partition.
static std::vector<int> partitionConstraints(const ConstraintHyperGraph& g, int parts, int seed,
                                             int (*stop)(void*), void* stopArg) {
  std::vector<int> part((size_t)g.nbVertices, 0);
  const int nparts = std::min(parts, g.nbVertices);
  if (nparts < 2) return part;
  const int options[9] = {1, 10, 1, 1, 1, 0, 0, seed, 0};
  int edgecut = 0;
  // A failed allocation in the partitioner ends the run like any other
  // fatal error: after an answer that is already being printed, not in it.
  HGP_SetFatalHandler(fatalError);
  HGP_PartRecursiveStoppable(g.nbVertices, g.nbNets(), nullptr, g.eptr.data(), g.eind.data(), nullptr, nparts, 5,
                             options, part.data(), &edgecut, stop, stopArg);
  return part;
}

void RUKSolver::buildHyperGraph() {
  int nbSoft = 0;
  for (const Constraint* c : solver->constraints) nbSoft += c->isSoft() ? 1 : 0;
  coop->nbSoft = nbSoft;
  if (nbSoft == 0) return;  // nothing to group

  assert(weightsAligned(solver));  // pins are refs, which are indices here
  // On a large problem the partitioning takes minutes; once the answer is
  // decided or the budget is spent it is of no use, and the partitioned
  // search that follows stops before searching.
  auto stop = [](void* self) -> int {
    RUKSolver& s = *static_cast<RUKSolver*>(self);
    return s.coop->done || s.coop->interrupted || s.coop->budgetSpent(s.tid, Role::LowerBound);
  };
  std::vector<int> part =
      partitionConstraints(constraintHyperGraph(*solver), coop->parts, coop->seed, stop, this);
  const int nparts = 1 + *std::max_element(part.begin(), part.end());
  std::vector<wPar> refs((size_t)nparts, wPar{1, {}}), positions((size_t)nparts, wPar{1, {}});
  int position = 0;
  for (int i = 0; i < solver->nConstraints(); i++) {
    const Constraint& c = *solver->constraints[i];
    if (!c.isSoft()) continue;  // hard constraints shape the cut but belong to no partition
    refs[(size_t)part[(size_t)i]].ids.push_back(c.ref());
    positions[(size_t)part[(size_t)i]].ids.push_back(position++);
  }
  for (int p = 0; p < nparts; p++) {
    if (refs[(size_t)p].ids.empty()) continue;
    coop->partitions.push_back(std::move(refs[(size_t)p]));
    coop->partitionPositions.push_back(std::move(positions[(size_t)p]));
  }
}
