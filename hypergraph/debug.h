/* Independent cut computation used to check the tracked cuts. */
#ifndef HYPERGRAPH_DEBUG_H
#define HYPERGRAPH_DEBUG_H

#include "hypergraph/hgraph.h"

/* Summed weight of the nets whose pins do not all have the same value in
 * `where` (a side or a part). */
int ComputeActualCut__(const HGraph *graph, const int *where);

#endif
