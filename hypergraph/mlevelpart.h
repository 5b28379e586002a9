/* Multilevel recursive bisection: every bisection is the best of several
 * coarsen / bisect / uncoarsen trials followed by V-cycles, and the two
 * sides are partitioned again with their share of the parts. */
#ifndef HYPERGRAPH_MLEVELPART_H
#define HYPERGRAPH_MLEVELPART_H

#include "hypergraph/hgraph.h"

/* Recursive bisection, then for 3 to 64 parts k-way refinement with
 * V-cycles.  Returns the cut of the partition written into `part`.  Once
 * ctrl's stop poll says stop, every step ends early with what it has and
 * vertices not placed yet are dealt out without further work. */
int MultilevelPartition__(HgpCtrl *ctrl, HGraph *graph, int *part);
/* Writes part[label[v]] for every vertex of `graph` and consumes `graph`
 * (unless it is marked keep); returns the summed cut of its bisections. */
int MLRB__(HgpCtrl *ctrl, HGraph *graph, int *part, int k, int offset);
int Hypergraph_Bisection__(HgpCtrl *ctrl, HGraph *graph, int *result);
void SplitGraphPart__(HgpCtrl *ctrl, HGraph *graph, const int *where, HGraph *lgraph, HGraph *rgraph);
int ComputeMaxCellWgt__(HgpCtrl *ctrl, int nvtxs, const int *cellwgt);

#endif
