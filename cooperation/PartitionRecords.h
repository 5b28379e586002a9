// Records of the partition-by-partition lower-bound search. The lists of
// them live in the Cooperation object; only the lower-bound thread fills and
// reads them.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "solver/SolverTypes.h"

// A soft constraint in the sort by weight: its weight and its ref.
struct softPar {
  Cost weight;
  int id;
};

// One partition: for weight partitions the members' common weight, for graph
// partitions 1; the members as refs or as positions (the index of a soft
// constraint among the soft constraints, in constraint order).
struct wPar {
  Cost weight = 0;
  std::vector<int> ids;
};

// A soft constraint withdrawn while its residual weight is below the level
// being searched: that weight, its clause's literals and its position.
struct dynPar {
  Cost weight = 0;
  std::vector<Lit> lits;
  int position = -1;
};

// Withdrawn soft constraints by residual weight, heaviest first; equal
// weights stay in the order of withdrawal.
using HeldBackList = std::multimap<Cost, dynPar, std::greater<Cost>>;
