/* Working arrays of a bisection refinement. */
#ifndef HYPERGRAPH_MEMORY_H
#define HYPERGRAPH_MEMORY_H

#include "hypergraph/hgraph.h"

/* `where` for every vertex including islands, `gain` for the vertices in
 * play, both net degree arrays.  Arrays left from earlier use are freed. */
void AllocateRefinementMemory__(HGraph *graph);

#endif
