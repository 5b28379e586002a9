/* Fiduccia-Mattheyses refinement of a bisection, its balancing step and the
 * gain computation both rely on.
 *
 * The gain of vertex v on side s is, summed over its nets e of weight w:
 * +w if v is the only pin of e on s, and -w if e has no pin on the other
 * side.  That is exactly the drop of the cut when v moves: a net whose
 * only pin is v scores +w - w = 0, since moving it cannot cut or uncut it. */
#ifndef HYPERGRAPH_FM_H
#define HYPERGRAPH_FM_H

#include "hypergraph/hgraph.h"

/* Least weight each side must keep under the current balance rule. */
struct BisectionBounds {
  int min0, min1;
};
BisectionBounds ComputeBisectionBounds__(const HgpCtrl *ctrl, int totalWeight);

/* ndeg, mincut, pwgts and gain from `where` (vertices in play). */
void ComputeInitGains__(HGraph *graph);
void Balance__(HgpCtrl *ctrl, HGraph *graph);
void Refine_FM__(HgpCtrl *ctrl, HGraph *graph, int npasses);
/* As Refine_FM__, but with a large slack prefers vertices that fit it. */
void Refine_FM2__(HgpCtrl *ctrl, HGraph *graph, int npasses);
/* Refine_FM2__ when the bisection has heavy vertices, else Refine_FM__. */
void RefineBisection__(HgpCtrl *ctrl, HGraph *graph, int npasses);

#endif
