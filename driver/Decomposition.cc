// The choice of the lower-bound search mode, the configuration box, and the
// start of the search in the chosen mode.
#include <algorithm>
#include <vector>

#include "cooperation/Comment.h"
#include "driver/RUKSolver.h"

// part-dyn: few weight classes with at least two soft constraints each on
// average get the weight partitions; anything else up to 100000 constraints
// the graph partitions; a single weight class, or no soft constraint at all,
// the normal search. Only the classes are counted here: the partitions are
// built once the upper-bound thread runs.
SearchMode RUKSolver::getStats() {
  long long hard = 0;
  std::vector<Cost> softWeights;
  for (int i = 0; i < solver->nConstraints(); i++) {
    if (solver->constraints[i]->isSoft()) softWeights.push_back(weights[(size_t)i]);
    else hard++;
  }
  const long long soft = (long long)softWeights.size();
  std::sort(softWeights.begin(), softWeights.end());
  const long long classes = std::unique(softWeights.begin(), softWeights.end()) - softWeights.begin();
  if (classes <= 1) return searchNormal;
  const float ratio = (float)soft / (float)classes;
  if (classes <= 300 && ratio >= 2.0f) return searchPartWeight;
  if (soft + hard > 100000) return searchNormal;
  return searchPartGraph;
}

static void printModeLine(SearchMode setting, SearchMode mode, int parts) {
  if (setting == searchPartDyn) {
    if (mode == searchPartGraph)
      comment("|  LB Search mode:        %-15s    (%-3d parts)                |", "Part-dyn (part-graph)", parts);
    else if (mode == searchPartWeight)
      comment("|  LB Search mode:        %-15s                              |", "Part-dyn (part-weight)");
    else
      comment("|  LB Search mode:        %-15s                                   |", "Part-dyn (normal)");
  } else if (mode == searchPartGraph) {
    comment("|  LB Search mode:        %-15s     (%-3d parts)                     |", "Part-graph", parts);
  } else {
    comment("|  LB Search mode:        %-15s                                     |",
            mode == searchPartWeight ? "Part-weight" : "Normal");
  }
}

static const char* const lbEncodingLines[] = {
    "|  LB encoding:           Pairwise                                            |",
    "|  LB encoding:           Ladder                                              |",
    "|  LB encoding:           Bitwise                                             |",
    "|  LB encoding:           Commander                                           |",
    "|  LB encoding:           Product                                             |",
    "|  LB encoding:           Sequential                                          |",
    "|  LB encoding:           Totalizer                                           |",
    "|  LB encoding:           Sorters                                             |",
    "|  LB encoding:           Pseudo-Boolean                                      |",
};

static const char* const ubEncodingLines[] = {
    "|  UB encoding:           Pseudo-Boolean                                      |",
    "|  UB encoding:           Sequential                                          |",
    "|  UB encoding:           Totalizer                                           |",
    "|  UB encoding:           Sorters                                             |",
    "|  UB encoding:           Dynamic                                             |",
};

static void printConfiguration(Cooperation* coop, SearchMode mode) {
  comment("============================[ Solver Configuration ]===========================");
  comment(coop->preprocessor ? "|  Preprocessor:          Yes                                                 |"
                             : "|  Preprocessor:          No                                                  |");
  printModeLine((SearchMode)coop->searchModeSetting, mode, coop->parts);
  const int lb = coop->encoding[0], ub = coop->encoding[1];
  if (lb >= 0 && lb < nbAtMostOne) comment("%s", lbEncodingLines[lb]);
  if (ub >= 0 && ub < nbAtMostK) comment("%s", ubEncodingLines[ub]);
  comment("|  Time limit:            %-8.2f         s                                  |", coop->timeLimit);
  comment("|  LB Time limit:         %-8.2f         s                                  |", coop->lbTimeLimit);
  comment("|  UB Time limit:         %-8.2f         s                                  |", coop->ubTimeLimit);
  Cooperation::printStatisticsHead();
}

void RUKSolver::clearPartitions() {
  coop->partitions.clear();
  coop->partitionPositions.clear();
  coop->sortedPositions.clear();
  coop->heldBack.clear();
}

// Entered holding initMutex; releases it after the box, so the upper-bound
// thread starts only once the configuration is out. The partitions are
// built after that release: the other thread searches meanwhile.
void RUKSolver::initDecomposition() {
  coop->dynamicDecompositionOn = false;
  pthread_mutex_lock(&coop->decompositionMutex);
  SearchMode mode = (SearchMode)coop->searchModeSetting;
  if (mode == searchPartDyn) mode = getStats();
  clearPartitions();
  coop->dynamicDecompositionOn = mode == searchPartWeight;
  coop->partitionedSearch = mode != searchNormal;
  printConfiguration(coop, mode);
  pthread_mutex_unlock(&coop->initMutex);
  if (mode == searchPartWeight) weightDecomposition();
  if (mode == searchPartGraph) buildHyperGraph();
  pthread_mutex_unlock(&coop->decompositionMutex);
  if (mode == searchNormal) multiLowerBoundSearch();
  else decompositionWeight(origSolver);
}
