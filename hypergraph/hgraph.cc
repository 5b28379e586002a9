#include "hypergraph/hgraph.h"

#include <cstring>

#include "hypergraph/ZVlib.h"

HGraph *CreateHGraph__() {
  HGraph *graph = static_cast<HGraph *>(ZVmalloc__(sizeof(HGraph), "CreateCoarseHGraph: graph"));
  InitHGraph__(graph);
  return graph;
}

void InitHGraph__(HGraph *graph) {
  std::memset(graph, 0, sizeof(HGraph));
  graph->nvtxs = -1;
  graph->nhedges = -1;
  graph->level = -1;
  graph->pwgts[0] = graph->pwgts[1] = -1;
}

void FreeKwayRecords__(HGraph *graph) {
  ZVfree__(&graph->nrinfo, &graph->crinfo, &graph->nrdata, &graph->crdata);
}

void FreeRootHGraph__(HGraph *graph) {
  ZVfree__(&graph->cellmap, &graph->netmap, &graph->mptr, &graph->mind, &graph->gain,
           &graph->ndeg[0], &graph->ndeg[1], &graph->islandmap, &graph->where, &graph->kpwgts);
  FreeKwayRecords__(graph);
}

void FreeHGraph__(HGraph *graph) {
  FreeRootHGraph__(graph);
  ZVfree__(&graph->incptr, &graph->incind, &graph->netptr, &graph->netind, &graph->cellwgt,
           &graph->netwgt, &graph->adjwgt);
  ZVfree__(&graph->edgewgt);
  std::free(graph);
}

/* A pair of pins of a net of s pins shares its weight w as w / (s - 1).
 * Nets of fewer than two pins have no pairs; they get 0 rather than a
 * division by zero. */
static void ComputeEdgeWeights__(HGraph *graph) {
  graph->edgewgt = fmalloc__(size_t(graph->nhedges), "CreateIncidentHGraph: graph->edgewgt");
  for (int e = 0; e < graph->nhedges; e++) {
    int size = NetSize__(graph, e);
    graph->edgewgt[e] = size >= 2 ? float(graph->netwgt[e]) / float(size - 1) : 0.0f;
  }
}

void CreateIncidentHGraph__(HGraph *graph) {
  int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  int *incptr = ismalloc__(size_t(nvtxs) + 1, 0, "CreateIncidentHGraph: incptr");
  int npins = graph->netptr[nhedges];
  for (int i = 0; i < npins; i++) incptr[graph->netind[i] + 1]++;
  for (int v = 0; v < nvtxs; v++) incptr[v + 1] += incptr[v];

  int *incind = imalloc__(size_t(npins), "CreateIncidentHGraph: graph->incind");
  int *fill = imalloc__(size_t(nvtxs), "CreateIncidentHGraph: fill");
  icopy__(size_t(nvtxs), incptr, fill);
  for (int e = 0; e < nhedges; e++)
    for (int i = graph->netptr[e]; i < graph->netptr[e + 1]; i++) incind[fill[graph->netind[i]]++] = e;
  ZVfree__(&fill);

  int *adjwgt = ismalloc__(size_t(nvtxs), 0, "CreateIncidentHGraph: adjwgt");
  for (int v = 0; v < nvtxs; v++)
    for (int i = incptr[v]; i < incptr[v + 1]; i++) adjwgt[v] += graph->netwgt[incind[i]];

  graph->incptr = incptr;
  graph->incind = incind;
  graph->adjwgt = adjwgt;
  ComputeEdgeWeights__(graph);
}

HGraph *PruneHGraph__(const HgpCtrl *ctrl, const HGraph *graph) {
  int kept = 0, keptPins = 0;
  for (int e = 0; e < graph->nhedges; e++) {
    if (NetSize__(graph, e) > ctrl->maxNetSize) continue;
    kept++;
    keptPins += NetSize__(graph, e);
  }

  HGraph *pruned = CreateHGraph__();
  pruned->nvtxs = graph->nvtxs;
  pruned->nhedges = kept;
  pruned->netptr = imalloc__(size_t(kept) + 1, "PruneHGraph: snetptr");
  pruned->netind = imalloc__(size_t(keptPins), "PruneHGraph: snetind");
  pruned->netwgt = imalloc__(size_t(kept), "PruneHGraph: sgraph->netwgt");
  pruned->netptr[0] = 0;
  int n = 0, pin = 0;
  for (int e = 0; e < graph->nhedges; e++) {
    int size = NetSize__(graph, e);
    if (size > ctrl->maxNetSize) continue;
    icopy__(size_t(size), graph->netind + graph->netptr[e], pruned->netind + pin);
    pin += size;
    pruned->netwgt[n++] = graph->netwgt[e];
    pruned->netptr[n] = pin;
  }
  CreateIncidentHGraph__(pruned);
  pruned->cellwgt = imalloc__(size_t(graph->nvtxs), "PruneHGraph: sgraph->cellwgt");
  icopy__(size_t(graph->nvtxs), graph->cellwgt, pruned->cellwgt);
  return pruned;
}

/* out[map[v]] = in[v] for n entries, through a scratch copy. */
static void PermuteInPlace__(int *array, const int *map, int n, int *scratch) {
  if (array == nullptr) return;
  icopy__(size_t(n), array, scratch);
  for (int v = 0; v < n; v++) array[map[v]] = scratch[v];
}

/* Islands (vertices on no net) cannot affect the cut, so they are parked
 * at the end of the vertex arrays while a level is matched and refined,
 * and given sides afterwards.  They are numbered downwards from the end in
 * increasing old number. */
void SeparateIslands__(HGraph *graph) {
  int n = graph->nvtxs;
  int *map = imalloc__(size_t(n), "SeparateIslands: graph->islandmap");
  int inPlay = 0, islands = 0;
  for (int v = 0; v < n; v++) {
    if (graph->incptr[v + 1] > graph->incptr[v]) map[v] = inPlay++;
    else map[v] = n - 1 - islands++;
  }
  if (islands == 0) {
    ZVfree__(&map);
    return;
  }

  /* In-play vertices keep their relative order, so the lists compact in place. */
  for (int v = 0; v < n; v++)
    if (map[v] < inPlay) graph->incptr[map[v]] = graph->incptr[v];
  graph->incptr[inPlay] = graph->incptr[n];

  int *scratch = imalloc__(size_t(n), "SeparateIslands: scratch");
  PermuteInPlace__(graph->where, map, n, scratch);
  PermuteInPlace__(graph->cellwgt, map, n, scratch);
  PermuteInPlace__(graph->adjwgt, map, n, scratch);
  ZVfree__(&scratch);
  for (int i = 0; i < graph->netptr[graph->nhedges]; i++) graph->netind[i] = map[graph->netind[i]];

  graph->nvtxs = inPlay;
  graph->nislands = islands;
  if (graph->finer != nullptr) {
    HGraph *finer = graph->finer;
    for (int v = 0; v < finer->nvtxs; v++) finer->cellmap[v] = map[finer->cellmap[v]];
    ZVfree__(&map);
  } else {
    ZVfree__(&graph->islandmap);
    graph->islandmap = map;
  }
}

/* Undoes SeparateIslands__ on the level the islands were taken from, once
 * every vertex, island or not, has its side. */
void CombineIslands__(HGraph *graph) {
  if (graph->nislands == 0) return;
  int inPlay = graph->nvtxs, n = graph->nvtxs + graph->nislands;
  const int *map = graph->islandmap;
  int *inverse = imalloc__(size_t(n), "CombineIslands: inverse");
  for (int v = 0; v < n; v++) inverse[map[v]] = v;

  for (int i = 0; i < graph->netptr[graph->nhedges]; i++) graph->netind[i] = inverse[graph->netind[i]];
  int *scratch = imalloc__(size_t(n) + 1, "CombineIslands: scratch");
  PermuteInPlace__(graph->where, inverse, n, scratch);
  PermuteInPlace__(graph->cellwgt, inverse, n, scratch);
  PermuteInPlace__(graph->adjwgt, inverse, n, scratch);

  /* The in-play lists keep their order in incind; islands get empty lists. */
  icopy__(size_t(inPlay) + 1, graph->incptr, scratch);
  graph->incptr[0] = 0;
  for (int v = 0; v < n; v++) {
    int length = map[v] < inPlay ? scratch[map[v] + 1] - scratch[map[v]] : 0;
    graph->incptr[v + 1] = graph->incptr[v] + length;
  }
  ZVfree__(&scratch, &inverse);
  graph->nvtxs = n;
  graph->nislands = 0;
}
