/* Initial bisection of the coarsest level: the best of several random
 * fill-and-refine attempts. */
#ifndef HYPERGRAPH_INITPART_H
#define HYPERGRAPH_INITPART_H

#include "hypergraph/hgraph.h"

void InitPartition__(HgpCtrl *ctrl, HGraph *graph);
void Random_FMPartition__(HgpCtrl *ctrl, HGraph *graph);

#endif
