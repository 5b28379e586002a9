#include "hypergraph/initpart.h"

#include "hypergraph/ZVlib.h"
#include "hypergraph/fm.h"
#include "hypergraph/memory.h"
#include "hypergraph/util.h"

void InitPartition__(HgpCtrl *ctrl, HGraph *graph) {
  Random_FMPartition__(ctrl, graph);
}

/* Side 0 takes vertices in the given order until it reaches the target
 * weight; the test comes before adding, so a target of 0 sends the first
 * vertex to side 1 already. */
static void FillSides__(HGraph *graph, const int *order, int target) {
  int w0 = 0;
  for (int i = 0; i < graph->nvtxs; i++) {
    int v = order[i];
    if (w0 >= target) {
      graph->where[v] = 1;
    } else {
      graph->where[v] = 0;
      w0 += graph->cellwgt[v];
    }
  }
}

void Random_FMPartition__(HgpCtrl *ctrl, HGraph *graph) {
  AllocateRefinementMemory__(graph);
  int nvtxs = graph->nvtxs;
  if (nvtxs == 0) return;
  int64_t total = iasum__(nvtxs, graph->cellwgt);
  int target = int(double(total) * double(ctrl->bisectFraction));
  int attempts = ctrl->kwayRefine ? 20 : 10;

  int *order = imalloc__(size_t(nvtxs), "Random_FMPartition: perm");
  int *best = imalloc__(size_t(nvtxs), "Random_FMPartition: graph->where");
  int bestCut = 0;
  for (int attempt = 0; attempt < attempts; attempt++) {
    RandomPermuteFine__(ctrl, order, nvtxs, 1);
    FillSides__(graph, order, target);
    Balance__(ctrl, graph);
    RefineBisection__(ctrl, graph, 10);
    if (attempt == 0 || graph->mincut < bestCut) {
      bestCut = graph->mincut;
      icopy__(size_t(nvtxs), graph->where, best);
    }
    if (Stopped__(ctrl)) break;
  }
  icopy__(size_t(nvtxs), best, graph->where);
  graph->mincut = bestCut;
  ZVfree__(&order, &best);
}
