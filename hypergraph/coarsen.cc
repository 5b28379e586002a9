#include "hypergraph/coarsen.h"

#include <algorithm>
#include <cassert>

#include "hypergraph/ZVlib.h"
#include "hypergraph/iintsort.h"
#include "hypergraph/ikeysort.h"
#include "hypergraph/util.h"

void AllocateCoarsenScratch__(CoarsenScratch *scratch, const HGraph *graph) {
  size_t m = size_t(std::max(graph->nvtxs + graph->nislands, graph->nhedges));
  scratch->marker = ismalloc__(2 * m, -1, "Coarsen: htable");
  scratch->perm = imalloc__(m, "Coarsen: perm");
  scratch->pairs = imalloc__(2 * m, "Coarsen: vpairs");
  scratch->candVertex = imalloc__(CANDIDATE_TABLE_SIZE, "Coarsen: candidates");
  scratch->candScore = fmalloc__(CANDIDATE_TABLE_SIZE, "Coarsen: scores");
  scratch->ncand = 0;
}

void FreeCoarsenScratch__(CoarsenScratch *scratch) {
  ZVfree__(&scratch->marker, &scratch->perm, &scratch->pairs, &scratch->candVertex);
  ZVfree__(&scratch->candScore);
}

void AddCandidate__(CoarsenScratch *scratch, int vertex, float score) {
  int entry = scratch->marker[vertex];
  if (entry == -1) {
    if (scratch->ncand == CANDIDATE_TABLE_SIZE) return;
    entry = scratch->ncand++;
    scratch->marker[vertex] = entry;
    scratch->candVertex[entry] = vertex;
    scratch->candScore[entry] = 0.0f;
  }
  scratch->candScore[entry] += score;
}

/* Entry by entry: clearing the whole marker table per search would make
 * coarsening quadratic. */
void ClearCandidates__(CoarsenScratch *scratch) {
  for (int i = 0; i < scratch->ncand; i++) scratch->marker[scratch->candVertex[i]] = -1;
  scratch->ncand = 0;
}

/* Entry of the highest score; on equal scores the lighter vertex. */
int LightestBestCandidate__(const HGraph *graph, const CoarsenScratch *scratch) {
  int best = 0;
  for (int k = 1; k < scratch->ncand; k++) {
    float score = scratch->candScore[k], bestScore = scratch->candScore[best];
    if (score > bestScore ||
        (score == bestScore && graph->cellwgt[scratch->candVertex[k]] < graph->cellwgt[scratch->candVertex[best]]))
      best = k;
  }
  return best;
}

static int CoarseWeight__(const int *cellmap, const int *wgts, int u) {
  return cellmap[u] >= 0 ? wgts[cellmap[u]] : 0;
}

/* Partner of v for a star: the neighbour with the highest summed pair
 * weight whose own weight and whose coarse vertex's weight both leave room
 * for v.  On equal scores a matched best gives way, so stars grow before
 * new pairs start. */
static int FindCellStar__(const HgpCtrl *ctrl, const HGraph *graph, int v, const int *cellmap, const int *wgts,
                          const int *where, CoarsenScratch *scratch) {
  int lim = ctrl->maxCellWeight - graph->cellwgt[v];
  for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) {
    int e = graph->incind[i];
    if (!MatchableNet__(ctrl, graph, e)) continue;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) {
      int u = graph->netind[j];
      if (u == v || (where != nullptr && where[u] != where[v])) continue;
      if (graph->cellwgt[u] <= lim && CoarseWeight__(cellmap, wgts, u) <= lim)
        AddCandidate__(scratch, u, graph->edgewgt[e]);
    }
  }
  if (scratch->ncand == 0) return -1;
  int best = 0;
  for (int k = 1; k < scratch->ncand; k++) {
    float score = scratch->candScore[k], bestScore = scratch->candScore[best];
    if (score > bestScore || (score == bestScore && cellmap[scratch->candVertex[best]] >= 0)) best = k;
  }
  int partner = scratch->candVertex[best];
  ClearCandidates__(scratch);
  return partner;
}

/* Members of every coarse vertex in increasing vertex number. */
static void FillMembers__(HGraph *graph, int ncoarse) {
  int *mptr = graph->mptr;
  iset__(size_t(ncoarse) + 1, 0, mptr);
  for (int v = 0; v < graph->nvtxs; v++) mptr[graph->cellmap[v] + 1]++;
  for (int c = 0; c < ncoarse; c++) mptr[c + 1] += mptr[c];
  for (int v = 0; v < graph->nvtxs; v++) graph->mind[mptr[graph->cellmap[v]]++] = v;
  for (int c = ncoarse; c > 0; c--) mptr[c] = mptr[c - 1];
  mptr[0] = 0;
}

void MatchStars__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch, const int *order, const int *where) {
  int nvtxs = graph->nvtxs;
  graph->mptr = imalloc__(size_t(nvtxs) + 1, "Match_Edges: graph->mptr");
  graph->mind = imalloc__(size_t(nvtxs), "Match_Edges: graph->mind");
  graph->cellmap = ismalloc__(size_t(nvtxs), -1, "Match_Edges: graph->cellmap");
  int *cellmap = graph->cellmap;
  int *wgts = ismalloc__(size_t(nvtxs), 0, "Match_EdgesStars: wgts");

  /* The cap keeps a level from shrinking by more than 40 %, which keeps
   * enough levels for refinement to work on. */
  double cap = 0.4 * nvtxs;
  int merges = 0, ncoarse = 0;
  for (int i = 0; i < nvtxs; i++) {
    int v = order[i];
    if (cellmap[v] >= 0) continue;
    int u = cap > merges ? FindCellStar__(ctrl, graph, v, cellmap, wgts, where, scratch) : -1;
    if (u < 0) {
      cellmap[v] = ncoarse;
      wgts[ncoarse++] = graph->cellwgt[v];
      continue;
    }
    merges++;
    if (cellmap[u] >= 0) {
      cellmap[v] = cellmap[u];
      wgts[cellmap[v]] += graph->cellwgt[v];
    } else {
      cellmap[u] = cellmap[v] = ncoarse;
      wgts[ncoarse++] = graph->cellwgt[u] + graph->cellwgt[v];
    }
  }
  ZVfree__(&wgts);
  FillMembers__(graph, ncoarse);
  CreateCoarseHGraph__(ctrl, graph, ncoarse, scratch);
}

const int *DegreeOrder__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch) {
  int nvtxs = graph->nvtxs;
  int *key = scratch->pairs, *order = scratch->pairs + nvtxs;
  RandomPermute__(ctrl, scratch->perm, nvtxs, 1);
  for (int v = 0; v < nvtxs; v++)
    key[v] = std::min(graph->incptr[v + 1] - graph->incptr[v], ctrl->maxNetSize);
  BucketSortKeysInc(nvtxs, ctrl->maxNetSize, key, scratch->perm, order);
  return order;
}

/* Best candidate of v for the connectivity order: nets of pair weight
 * below 0.1 are ignored, and on equal scores the lighter vertex wins. */
static float BestConnection__(const HgpCtrl *ctrl, const HGraph *graph, int v, CoarsenScratch *scratch) {
  int lim = ctrl->maxCellWeight - graph->cellwgt[v];
  for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) {
    int e = graph->incind[i];
    if (graph->edgewgt[e] < 0.1f || !MatchableNet__(ctrl, graph, e)) continue;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) {
      int u = graph->netind[j];
      if (u != v && graph->cellwgt[u] <= lim) AddCandidate__(scratch, u, graph->edgewgt[e]);
    }
  }
  if (scratch->ncand == 0) return 0.0f;
  float score = scratch->candScore[LightestBestCandidate__(graph, scratch)];
  ClearCandidates__(scratch);
  return score;
}

int ComputeAllWeights__(HgpCtrl *ctrl, HGraph *graph, int *key, CoarsenScratch *scratch) {
  int maxKey = 0;
  for (int v = 0; v < graph->nvtxs; v++) {
    float score = BestConnection__(ctrl, graph, v, scratch);
    key[v] = score > 0.0f ? int(100.0 / score) : -1;
    maxKey = std::max(maxKey, key[v]);
  }
  for (int v = 0; v < graph->nvtxs; v++)
    if (key[v] == -1) key[v] = maxKey + 1;
  return maxKey + 1;
}

void Match_EdgesStars__(HgpCtrl *ctrl, HGraph *graph, CoarsenScratch *scratch, int connectivityOrder) {
  const int *order = DegreeOrder__(ctrl, graph, scratch);
  if (connectivityOrder) {
    int *key = scratch->pairs;
    int maxKey = ComputeAllWeights__(ctrl, graph, key, scratch);
    BucketSortKeysInc(graph->nvtxs, maxKey, key, order, scratch->perm);
    order = scratch->perm;
  }
  MatchStars__(ctrl, graph, scratch, order, nullptr);
}

/* A level that keeps more than `factor` of its vertices counts as slow;
 * after the first slow level the factor is relaxed once, and the second
 * slow level ends the coarsening. */
HGraph *Coarsen__(HgpCtrl *ctrl, HGraph *graph) {
  CoarsenScratch scratch;
  AllocateCoarsenScratch__(&scratch, graph);
  graph->level = 0;
  float factor = 0.8f;
  bool slow = false;
  int nlevels = 0;
  HGraph *current = graph;
  while (ctrl->coarsenTo < current->nvtxs && !Stopped__(ctrl)) {
    SeparateIslands__(current);
    if (ctrl->matchType == 1) Match_EdgesStars__(ctrl, current, &scratch, nlevels < 4);
    else if (ctrl->matchType == 2) Match_EdgesStars__(ctrl, current, &scratch, 0);
    else errexit__("Unknown matching type! %d\n", ctrl->matchType);
    int before = current->nvtxs;
    current = current->coarser;
    current->level = ++nlevels;
    if (float(current->nvtxs) > factor * float(before) || current->nvtxs == before) {
      if (slow) break;
      factor = float(factor * 1.075);
      slow = true;
    }
  }
  FreeCoarsenScratch__(&scratch);
  return current;
}

/* Coarse nets before merging: the distinct coarse pins of every net,
 * sorted.  A net left with one coarse pin vanished inside that vertex. */
struct CoarseNets {
  int count;
  int *ptr, *ind, *wgt;
};

static CoarseNets MapNets__(HGraph *graph, int ncoarse, int *marker, int *vanishedWeight) {
  CoarseNets nets;
  nets.ptr = imalloc__(size_t(graph->nhedges) + 1, "CreateCoarseHGraph: cnetptr");
  nets.ind = imalloc__(size_t(graph->netptr[graph->nhedges]), "CreateCoarseHGraph: cnetind");
  nets.wgt = imalloc__(size_t(graph->nhedges), "CreateCoarseHGraph: cnetwgt");
  nets.ptr[0] = 0;
  nets.count = 0;
  int pos = 0;
  *vanishedWeight = 0;
  /* marker[c] == e marks coarse vertex c as listed for net e; stale marks
   * of earlier nets never equal the current net number. */
  for (int e = 0; e < graph->nhedges; e++) {
    int start = pos;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) {
      int c = graph->cellmap[graph->netind[j]];
      if (marker[c] != e) {
        marker[c] = e;
        nets.ind[pos++] = c;
      }
    }
    if (pos - start <= 1) {
      pos = start;
      *vanishedWeight += graph->netwgt[e];
      continue;
    }
    iintsort__(pos - start, nets.ind + start);
    graph->netmap[e] = nets.count;
    nets.wgt[nets.count++] = graph->netwgt[e];
    nets.ptr[nets.count] = pos;
  }
  iset__(size_t(ncoarse), -1, marker);
  return nets;
}

/* Hash of a sorted pin list; the arithmetic wraps in 32 bits. */
static int NetKey__(const CoarseNets &nets, int net) {
  uint32_t npins = uint32_t(nets.ptr[net + 1] - nets.ptr[net]);
  uint32_t sum = 0;
  for (uint32_t k = 0; k < npins; k++) sum += (k + 1) * uint32_t(nets.ind[nets.ptr[net] + int(k)]);
  return int32_t(npins + 100u * sum);
}

static bool SamePins__(const CoarseNets &nets, int a, int b) {
  int size = nets.ptr[a + 1] - nets.ptr[a];
  if (size != nets.ptr[b + 1] - nets.ptr[b]) return false;
  return std::equal(nets.ind + nets.ptr[a], nets.ind + nets.ptr[a] + size, nets.ind + nets.ptr[b]);
}

static void AppendNet__(HGraph *coarser, const CoarseNets &nets, int net, int *pos) {
  int n = coarser->nhedges++;
  int size = nets.ptr[net + 1] - nets.ptr[net];
  icopy__(size_t(size), nets.ind + nets.ptr[net], coarser->netind + *pos);
  *pos += size;
  coarser->netptr[n + 1] = *pos;
  coarser->netwgt[n] = nets.wgt[net];
}

/* Identical nets become one net with the summed weight.  Nets are walked in
 * key order; among the following entries with the same key the walk stops
 * at the first with a different pin count. */
static void MergeIdenticalNets__(HGraph *graph, HGraph *coarser, const CoarseNets &nets) {
  KeyValue *keys = static_cast<KeyValue *>(
      ZVmalloc__(size_t(nets.count) * sizeof(KeyValue), "CreateCoarseHGraph: keys"));
  for (int n = 0; n < nets.count; n++) keys[n] = KeyValue{NetKey__(nets, n), n};
  ikeysort__(nets.count, keys);

  int *mergedTo = ismalloc__(size_t(nets.count), -1, "CreateCoarseHGraph: merged");
  coarser->netptr = imalloc__(size_t(nets.count) + 1, "CreateCoarseHGraph: coarser->netptr");
  coarser->netind = imalloc__(size_t(nets.ptr[nets.count]), "CreateCoarseHGraph: coarser->netind");
  coarser->netwgt = imalloc__(size_t(nets.count), "CreateCoarseHGraph: coarser->netwgt");
  coarser->netptr[0] = 0;
  coarser->nhedges = 0;
  int pos = 0;
  for (int i = 0; i < nets.count; i++) {
    int net = keys[i].val;
    if (mergedTo[net] != -1) continue;
    int target = coarser->nhedges;
    mergedTo[net] = target;
    AppendNet__(coarser, nets, net, &pos);
    for (int j = i + 1; j < nets.count && keys[j].key == keys[i].key; j++) {
      int other = keys[j].val;
      if (mergedTo[other] != -1) continue;
      if (nets.ptr[other + 1] - nets.ptr[other] != nets.ptr[net + 1] - nets.ptr[net]) break;
      if (!SamePins__(nets, net, other)) continue;
      mergedTo[other] = target;
      coarser->netwgt[target] += nets.wgt[other];
    }
  }
  for (int e = 0; e < graph->nhedges; e++)
    if (graph->netmap[e] >= 0) graph->netmap[e] = mergedTo[graph->netmap[e]];
  ZVfree__(&mergedTo);
  ZVfree__(&keys);
}

/* Coarse vertex weights and incidence lists: for the members in `mind`
 * order, each member's nets in incidence order, every surviving coarse net
 * listed once. */
static void BuildCoarseVertices__(const HGraph *graph, HGraph *coarser) {
  int ncoarse = coarser->nvtxs;
  coarser->cellwgt = ismalloc__(size_t(ncoarse), 0, "CreateCoarseHGraph: coarser->cellwgt");
  coarser->adjwgt = ismalloc__(size_t(ncoarse), 0, "CreateCoarseHGraph: coarser->adjwgt");
  coarser->incptr = imalloc__(size_t(ncoarse) + 1, "CreateCoarseHGraph: coarser->incptr");
  coarser->incind = imalloc__(size_t(coarser->netptr[coarser->nhedges]), "CreateCoarseHGraph: coarser->incind");
  int *listedFor = ismalloc__(size_t(coarser->nhedges), -1, "CreateCoarseHGraph: listed");
  int count = 0;
  for (int c = 0; c < ncoarse; c++) {
    coarser->incptr[c] = count;
    for (int m = graph->mptr[c]; m < graph->mptr[c + 1]; m++) {
      int v = graph->mind[m];
      coarser->cellwgt[c] += graph->cellwgt[v];
      for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) {
        int net = graph->netmap[graph->incind[i]];
        if (net < 0 || listedFor[net] == c) continue;
        listedFor[net] = c;
        coarser->incind[count++] = net;
        coarser->adjwgt[c] += coarser->netwgt[net];
      }
    }
  }
  coarser->incptr[ncoarse] = count;
  assert(count == coarser->netptr[coarser->nhedges]);
  ZVfree__(&listedFor);
}

static void ComputeCoarseEdgeWeights__(HGraph *coarser) {
  coarser->edgewgt = fmalloc__(size_t(coarser->nhedges), "CreateCoarseHGraph: coarser->edgewgt");
  for (int e = 0; e < coarser->nhedges; e++)
    coarser->edgewgt[e] = float(coarser->netwgt[e]) / float(NetSize__(coarser, e) - 1);
}

void CreateCoarseHGraph__(HgpCtrl *ctrl, HGraph *graph, int ncoarse, CoarsenScratch *scratch) {
  (void)ctrl;
  graph->netmap = ismalloc__(size_t(graph->nhedges), -1, "CreateCoarseHGraph: graph->netmap");
  HGraph *coarser = CreateHGraph__();
  coarser->nvtxs = ncoarse;
  graph->coarser = coarser;
  coarser->finer = graph;

  int vanished = 0;
  CoarseNets nets = MapNets__(graph, ncoarse, scratch->marker, &vanished);
  coarser->absorbedNetWeight = graph->absorbedNetWeight + vanished;
  MergeIdenticalNets__(graph, coarser, nets);
  ZVfree__(&nets.ptr, &nets.ind, &nets.wgt);
  BuildCoarseVertices__(graph, coarser);
  ComputeCoarseEdgeWeights__(coarser);
}
