#include "hypergraph/refine.h"

#include "hypergraph/ZVlib.h"
#include "hypergraph/ccoarsen.h"
#include "hypergraph/fm.h"
#include "hypergraph/memory.h"
#include "hypergraph/util.h"

void ProjectPartition__(HgpCtrl *ctrl, HGraph *coarse) {
  (void)ctrl;
  HGraph *fine = coarse->finer;
  AllocateRefinementMemory__(fine);
  for (int v = 0; v < fine->nvtxs; v++) fine->where[v] = coarse->where[fine->cellmap[v]];
  FreeHGraph__(coarse);
  fine->coarser = nullptr;
}

/* Islands touch no net, so any side is free of cost: they even out the
 * side weights, in increasing number. */
void PartitionIslands__(HGraph *graph) {
  for (int v = graph->nvtxs; v < graph->nvtxs + graph->nislands; v++) {
    int side = graph->pwgts[0] >= graph->pwgts[1] ? 1 : 0;
    graph->where[v] = side;
    graph->pwgts[side] += graph->cellwgt[v];
  }
}

void Refine__(HgpCtrl *ctrl, HGraph *finest, HGraph *coarsest) {
  if (ctrl->refineType != 1) errexit__("Unknown refinement type: %d\n", ctrl->refineType);
  if (coarsest->finer == nullptr) return;
  for (HGraph *level = coarsest->finer;; level = level->finer) {
    ProjectPartition__(ctrl, level->coarser);
    if (level->nvtxs > 0) {
      Balance__(ctrl, level);
      RefineBisection__(ctrl, level, 10);
    } else {
      ComputeInitGains__(level);
    }
    PartitionIslands__(level);
    if (level == finest) {
      CombineIslands__(level);
      return;
    }
  }
}

/* Each pass re-coarsens within the sides, alternating the two restricted
 * matchings, so refinement sees groupings the first coarsening did not
 * offer.  Two passes in a row without a strictly smaller cut end it. */
int VCycleRefinement__(HgpCtrl *ctrl, HGraph *graph, int npasses) {
  int savedCoarsenTo = ctrl->coarsenTo, savedMatchType = ctrl->matchType;
  ctrl->coarsenTo = 1000;
  int best = graph->mincut, lastImprovement = -1;
  for (int pass = 0; pass < npasses && !Stopped__(ctrl); pass++) {
    ctrl->matchType = pass % 2;
    HGraph *coarsest = CCoarsen__(ctrl, graph);
    Refine__(ctrl, graph, coarsest);
    ZVfree__(&graph->cellmap, &graph->netmap, &graph->mptr, &graph->mind, &graph->gain, &graph->ndeg[0],
             &graph->ndeg[1], &graph->islandmap);
    if (graph->mincut < best) {
      best = graph->mincut;
      lastImprovement = pass;
    } else if (pass - lastImprovement > 1) {
      break;
    }
  }
  ctrl->coarsenTo = savedCoarsenTo;
  ctrl->matchType = savedMatchType;
  return graph->mincut;
}
