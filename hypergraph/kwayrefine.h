/* K-way refinement records and the uncoarsening of the k-way V-cycles.
 *
 * Per net: the parts it touches with their pin counts.  Per vertex v in
 * part p, counting only nets of two pins or more (a one-pin net can never
 * be cut, whatever its pin does):
 *   id  = weight of v's nets that touch p only;
 *   ed  = weight of v's cut nets in which v is the only pin in p;
 *   for every other part q sharing a net with v, in order of first
 *   appearance: cutgain = weight of the nets touching exactly p and q in
 *   which v is alone in p; tie = sum over the shared nets of the sign of
 *   (pins in q - pins in p); soedgain = ed - (weight of v's nets without
 *   a pin in q).
 * Moving v to q lowers the cut by cutgain - id and the sum of external
 * degrees by (cutgain - id) + soedgain; both are exact. */
#ifndef HYPERGRAPH_KWAYREFINE_H
#define HYPERGRAPH_KWAYREFINE_H

#include "hypergraph/hgraph.h"

void AllocateKwayRefinementMemory__(HgpCtrl *ctrl, HGraph *graph);
/* Cut, sum of external degrees, part weights and all records from `where`. */
void ComputeInitKwayGains__(HgpCtrl *ctrl, HGraph *graph);
/* Rebuilds the records of the n listed vertices; `partSlot` holds nparts
 * entries of -1 and is left that way. */
void ComputeKwayGainsSet__(HGraph *graph, int n, const int *list, int *partSlot);
void RefineKway__(HgpCtrl *ctrl, HGraph *finest, HGraph *coarsest);
void ProjectKwayPartition__(HgpCtrl *ctrl, HGraph *coarse);
void PartitionIslandsKway__(HgpCtrl *ctrl, HGraph *graph);
int VCycleRefinementKway__(HgpCtrl *ctrl, HGraph *graph, int npasses);

#endif
