/* Coarsening by star matching: vertices that share light nets merge into
 * coarse vertices, level by level, until the hypergraph is small enough to
 * bisect directly.  The restricted coarsening of the V-cycles (ccoarsen)
 * shares the scratch, the matching core and the construction of levels. */
#ifndef HYPERGRAPH_COARSEN_H
#define HYPERGRAPH_COARSEN_H

#include "hypergraph/hgraph.h"

/* Partner searches fill a table of at most this many distinct candidates;
 * once it is full, further new candidates are ignored (the ones already in
 * it keep accumulating their scores). */
enum { CANDIDATE_TABLE_SIZE = 10000 };

/* Scratch of one coarsening, sized from the level it starts from. */
struct CoarsenScratch {
  int *marker;     /* 2m entries of -1: vertex -> candidate entry while searching */
  int *perm;       /* m entries: visiting orders */
  int *pairs;      /* 2m entries: keys and a second order */
  int *candVertex; /* candidate table */
  float *candScore;
  int ncand;
};

void AllocateCoarsenScratch__(CoarsenScratch *scratch, const HGraph *graph);
void FreeCoarsenScratch__(CoarsenScratch *scratch);

HGraph *Coarsen__(HgpCtrl *ctrl, HGraph *graph);
void Match_EdgesStars__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch, int connectivityOrder);
/* Star matching; with `where` given only same-side vertices merge. */
void MatchStars__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch, const int *order, const int *where);
/* Random permutation, then stable by min(nets of the vertex, maxNetSize). */
const int *DegreeOrder__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch);
int ComputeAllWeights__(HgpCtrl *ctrl, HGraph *graph, int *key, CoarsenScratch *scratch);
void CreateCoarseHGraph__(HgpCtrl *ctrl, HGraph *graph, int ncoarse, CoarsenScratch *scratch);

/* Candidate table shared by all partner searches. */
void AddCandidate__(CoarsenScratch *scratch, int vertex, float score);
void ClearCandidates__(CoarsenScratch *scratch);
int LightestBestCandidate__(const HGraph *graph, const CoarsenScratch *scratch);
/* True when a net takes part in matching. */
inline bool MatchableNet__(const HgpCtrl *ctrl, const HGraph *graph, int net) {
  return graph->netptr[net + 1] - graph->netptr[net] <= ctrl->maxNetSize;
}

#endif
