/* Uncoarsening of a bisection (project, balance, refine, level by level)
 * and the V-cycles that re-coarsen within the sides of a bisection. */
#ifndef HYPERGRAPH_REFINE_H
#define HYPERGRAPH_REFINE_H

#include "hypergraph/hgraph.h"

void Refine__(HgpCtrl *ctrl, HGraph *finest, HGraph *coarsest);
/* Carries the sides of `coarse` to its finer level and frees `coarse`. */
void ProjectPartition__(HgpCtrl *ctrl, HGraph *coarse);
void PartitionIslands__(HGraph *graph);
int VCycleRefinement__(HgpCtrl *ctrl, HGraph *graph, int npasses);

#endif
