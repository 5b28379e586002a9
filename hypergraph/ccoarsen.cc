#include "hypergraph/ccoarsen.h"

#include "hypergraph/ZVlib.h"
#include "hypergraph/util.h"

void CMatch_EdgesStars__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch) {
  const int *order = DegreeOrder__(ctrl, graph, scratch);
  MatchStars__(ctrl, graph, scratch, order, graph->where);
}

/* Unmatched same-side neighbour with the highest summed pair weight that
 * leaves room for v; on equal scores the strictly lighter one wins. */
static int CFindCell__(const HgpCtrl *ctrl, const HGraph *graph, int v, CoarsenScratch *scratch) {
  int lim = ctrl->maxCellWeight - graph->cellwgt[v];
  const int *where = graph->where, *cellmap = graph->cellmap;
  for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) {
    int e = graph->incind[i];
    if (!MatchableNet__(ctrl, graph, e)) continue;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) {
      int u = graph->netind[j];
      if (u != v && where[u] == where[v] && cellmap[u] == -1 && graph->cellwgt[u] <= lim)
        AddCandidate__(scratch, u, graph->edgewgt[e]);
    }
  }
  if (scratch->ncand == 0) return -1;
  int partner = scratch->candVertex[LightestBestCandidate__(graph, scratch)];
  ClearCandidates__(scratch);
  return partner;
}

/* Pairs only and no merge cap; a pair lists v before its partner. */
void CMatch_Edges__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch) {
  int nvtxs = graph->nvtxs;
  const int *order = DegreeOrder__(ctrl, graph, scratch);
  graph->mptr = imalloc__(size_t(nvtxs) + 1, "Match_Edges: graph->mptr");
  graph->mind = imalloc__(size_t(nvtxs), "Match_Edges: graph->mind");
  graph->cellmap = ismalloc__(size_t(nvtxs), -1, "Match_Edges: graph->cellmap");
  int ncoarse = 0, filled = 0;
  graph->mptr[0] = 0;
  for (int i = 0; i < nvtxs; i++) {
    int v = order[i];
    if (graph->cellmap[v] >= 0) continue;
    int u = CFindCell__(ctrl, graph, v, scratch);
    graph->cellmap[v] = ncoarse;
    graph->mind[filled++] = v;
    if (u >= 0) {
      graph->cellmap[u] = ncoarse;
      graph->mind[filled++] = u;
    }
    graph->mptr[++ncoarse] = filled;
  }
  CreateCoarseHGraph__(ctrl, graph, ncoarse, scratch);
}

/* The coarser level inherits the partition; the finer level's copy is no
 * longer needed, since projection rebuilds it. */
static void CarryPartitionDown__(HGraph *graph) {
  HGraph *coarser = graph->coarser;
  int *cwhere = imalloc__(size_t(coarser->nvtxs), "CCoarsen: cwhere");
  for (int v = 0; v < graph->nvtxs; v++) cwhere[graph->cellmap[v]] = graph->where[v];
  ZVfree__(&graph->where);
  coarser->where = cwhere;
}

HGraph *CCoarsen__(HgpCtrl *ctrl, HGraph *graph) {
  CoarsenScratch scratch;
  AllocateCoarsenScratch__(&scratch, graph);
  graph->level = 0;
  HGraph *current = graph;
  while (ctrl->coarsenTo < current->nvtxs && !Stopped__(ctrl)) {
    SeparateIslands__(current);
    if (ctrl->matchType == 0) CMatch_EdgesStars__(ctrl, current, &scratch);
    else if (ctrl->matchType == 1) CMatch_Edges__(ctrl, current, &scratch);
    else errexit__("Unknown matching type! %d\n", ctrl->matchType);
    CarryPartitionDown__(current);
    int before = current->nvtxs;
    current = current->coarser;
    current->level = current->finer->level + 1;
    if (float(current->nvtxs) > 0.8f * float(before) || current->nvtxs == before) break;
  }
  FreeCoarsenScratch__(&scratch);
  return current;
}
