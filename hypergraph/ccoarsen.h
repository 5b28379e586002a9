/* Restricted coarsening of the V-cycles: only vertices on the same side
 * (or in the same part) merge, so every coarse level carries the given
 * partition with exactly its cut. */
#ifndef HYPERGRAPH_CCOARSEN_H
#define HYPERGRAPH_CCOARSEN_H

#include "hypergraph/coarsen.h"

HGraph *CCoarsen__(HgpCtrl *ctrl, HGraph *graph);
void CMatch_EdgesStars__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch);
void CMatch_Edges__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch);

#endif
