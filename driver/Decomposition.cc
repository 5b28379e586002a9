// The choice of the lower-bound search mode and the configuration box. The
// partition-based modes are recognised and reported, but every mode runs
// the core-guided search over the whole problem.
#include <set>

#include "cooperation/Comment.h"
#include "driver/RUKSolver.h"

// part-dyn: few weight classes with at least two soft constraints each on
// average get the weight partitions; anything else up to 100000 constraints
// the graph partitions; a single weight class always the normal search.
SearchMode RUKSolver::getStats() {
  long long soft = 0, hard = 0;
  std::set<Cost> softWeights;
  for (int i = 0; i < solver->nConstraints(); i++) {
    if (solver->constraints[i]->isSoft()) {
      soft++;
      if ((size_t)i < weights.size()) softWeights.insert(weights[(size_t)i]);
    } else {
      hard++;
    }
  }
  const long long classes = softWeights.empty() ? 1 : (long long)softWeights.size();
  const float ratio = (float)soft / (float)classes;
  if (classes <= 300 && ratio >= 2.0f) return classes == 1 ? searchNormal : searchPartWeight;
  if (soft + hard > 100000) return searchNormal;
  return classes == 1 ? searchNormal : searchPartGraph;
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

// Entered holding initMutex; releases it after the box, so the upper-bound
// thread starts only once the configuration is out.
void RUKSolver::initDecomposition() {
  pthread_mutex_lock(&coop->decompositionMutex);
  SearchMode mode = (SearchMode)coop->searchModeSetting;
  if (mode == searchPartDyn) mode = getStats();
  printConfiguration(coop, mode);
  pthread_mutex_unlock(&coop->initMutex);
  coop->partitionedSearch = false;  // the search below is the normal one
  pthread_mutex_unlock(&coop->decompositionMutex);
  multiLowerBoundSearch();
}
