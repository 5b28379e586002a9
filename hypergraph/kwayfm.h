/* Greedy k-way cut refinement: vertices visited in random order move to
 * the neighbouring part that lowers the cut most, within the part weight
 * limits; the cut never rises. */
#ifndef HYPERGRAPH_KWAYFM_H
#define HYPERGRAPH_KWAYFM_H

#include "hypergraph/hgraph.h"

void RefineCutKway_Random__(HgpCtrl *ctrl, HGraph *graph, int npasses);
/* Applies the move of v from `from` to `to` to the net part lists and
 * rebuilds the records of the pins whose values can have changed. */
void KwayUpdateGainInfo__(HGraph *graph, int v, int from, int to, int *marker, int *list, int *partSlot);

#endif
