#include "hypergraph/mlevelpart.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

#include "hypergraph/ZVlib.h"
#include "hypergraph/coarsen.h"
#include "hypergraph/debug.h"
#include "hypergraph/fm.h"
#include "hypergraph/initpart.h"
#include "hypergraph/kwayfm.h"
#include "hypergraph/kwayrefine.h"
#include "hypergraph/refine.h"
#include "hypergraph/util.h"

/* Vertices heavier than 2W/c would dominate any coarse vertex, so they are
 * left out of the limit: the rest may merge up to twice their average
 * share of the c coarsest vertices. */
int ComputeMaxCellWgt__(HgpCtrl *ctrl, int nvtxs, const int *cellwgt) {
  int64_t total = iasum__(nvtxs, cellwgt);
  int c = ctrl->coarsenTo;
  int64_t limit = 2 * total / c;
  ctrl->heavyCells = 0;
  if (nvtxs == 0) return int(limit);
  int heavy = 0;
  int64_t heavyWeight = 0;
  for (int v = 0; v < nvtxs; v++) {
    if (cellwgt[v] <= limit) continue;
    heavy++;
    heavyWeight += cellwgt[v];
  }
  ctrl->heavyCells = heavy >= 1;
  assert(heavy < c);
  return int(2 * (total - heavyWeight) / (c - heavy));
}

/* Side of a net that lies on one side only; -1 for a cut or empty net. */
static int NetSide__(const HGraph *graph, const int *where, int e) {
  int start = graph->netptr[e], end = graph->netptr[e + 1];
  if (start == end) return -1;
  int side = where[graph->netind[start]];
  for (int j = start + 1; j < end; j++)
    if (where[graph->netind[j]] != side) return -1;
  return side;
}

static const char *const kSplitLabels[2][6] = {
    {"SplitGraphPart: lgraph->netptr", "SplitGraphPart: lgraph->netind", "SplitGraphPart: lgraph->netwgt",
     "SplitGraphPart: lgraph->cellwgt", "SplitGraphPart: slabel[0]", "SplitGraphPart: lgraph"},
    {"SplitGraphPart: rgraph->netptr", "SplitGraphPart: rgraph->netind", "SplitGraphPart: rgraph->netwgt",
     "SplitGraphPart: rgraph->cellwgt", "SplitGraphPart: slabel[1]", "SplitGraphPart: rgraph"}};

/* Cut nets are dropped: they are paid for at this level, and no deeper
 * bisection can change that. */
void SplitGraphPart__(HgpCtrl *ctrl, HGraph *graph, const int *where, HGraph *lgraph, HGraph *rgraph) {
  (void)ctrl;
  HGraph *halves[2] = {lgraph, rgraph};
  int *newNumber = imalloc__(size_t(graph->nvtxs), "SplitGraphPart: map");
  int nvtxs[2] = {0, 0}, nnets[2] = {0, 0}, npins[2] = {0, 0};
  for (int v = 0; v < graph->nvtxs; v++) newNumber[v] = nvtxs[where[v]]++;
  for (int e = 0; e < graph->nhedges; e++) {
    int side = NetSide__(graph, where, e);
    if (side < 0) continue;
    nnets[side]++;
    npins[side] += NetSize__(graph, e);
  }
  for (int s = 0; s < 2; s++) {
    HGraph *half = halves[s];
    half->nvtxs = nvtxs[s];
    half->nhedges = 0;
    half->keep = 0;
    half->netptr = imalloc__(size_t(nnets[s]) + 1, kSplitLabels[s][0]);
    half->netind = imalloc__(size_t(npins[s]), kSplitLabels[s][1]);
    half->netwgt = imalloc__(size_t(nnets[s]), kSplitLabels[s][2]);
    half->cellwgt = imalloc__(size_t(nvtxs[s]), kSplitLabels[s][3]);
    half->label = imalloc__(size_t(nvtxs[s]), kSplitLabels[s][4]);
    half->netptr[0] = 0;
  }
  for (int v = 0; v < graph->nvtxs; v++) {
    HGraph *half = halves[where[v]];
    half->cellwgt[newNumber[v]] = graph->cellwgt[v];
    half->label[newNumber[v]] = graph->label[v];
  }
  for (int e = 0; e < graph->nhedges; e++) {
    int side = NetSide__(graph, where, e);
    if (side < 0) continue;
    HGraph *half = halves[side];
    int pos = half->netptr[half->nhedges];
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) half->netind[pos++] = newNumber[graph->netind[j]];
    half->netwgt[half->nhedges++] = graph->netwgt[e];
    half->netptr[half->nhedges] = pos;
  }
  ZVfree__(&newNumber);
}

/* Bisections kept for the closing V-cycles. */
struct KeptBisections {
  int count;
  int *sides[3];
  int64_t cuts[3];
};

static void InitKept__(KeptBisections *kept, const HgpCtrl *ctrl, int nvtxs, int64_t unreachedCut) {
  kept->count = std::min(ctrl->nRuns <= 10 ? 1 : 3, ctrl->nRuns);
  for (int i = 0; i < kept->count; i++) {
    kept->sides[i] = imalloc__(size_t(nvtxs), "Hypergraph_Bisection: parts[i]");
    kept->cuts[i] = unreachedCut;
  }
}

/* The trial replaces the kept bisection with the largest cut, if it beats it. */
static void KeepIfBetter__(KeptBisections *kept, const int *where, int nvtxs, int cut) {
  int worst = 0;
  for (int i = 1; i < kept->count; i++)
    if (kept->cuts[i] > kept->cuts[worst]) worst = i;
  if (kept->cuts[worst] <= cut) return;
  kept->cuts[worst] = cut;
  icopy__(size_t(nvtxs), where, kept->sides[worst]);
}

/* One trial: coarsen the pruned copy, bisect its coarsest level, refine
 * back up, and carry the sides over to `graph`.  When nets were pruned,
 * the sides are refined once more on all nets, without balancing. */
static void RunTrial__(HgpCtrl *ctrl, HGraph *graph, HGraph *pgraph) {
  HGraph *coarsest = Coarsen__(ctrl, pgraph);
  InitPartition__(ctrl, coarsest);
  Refine__(ctrl, pgraph, coarsest);
  graph->where = pgraph->where;
  pgraph->where = nullptr;
  if (pgraph->nhedges == graph->nhedges) {
    graph->mincut = pgraph->mincut;
    return;
  }
  graph->gain = imalloc__(size_t(graph->nvtxs), "Hypergraph_Bisection: graph->gain");
  graph->ndeg[0] = imalloc__(size_t(graph->nhedges), "Hypergraph_Bisection: graph->ndeg[0]");
  graph->ndeg[1] = imalloc__(size_t(graph->nhedges), "Hypergraph_Bisection: graph->ndeg[1]");
  RefineBisection__(ctrl, graph, 10);
}

/* The tracked cut must match the sides; a mismatch is a bug, reported as
 * a comment on stderr (stdout carries the solver's results). */
static int CheckedCut__(const HGraph *graph, const int *result, int64_t tracked) {
  int actual = ComputeActualCut__(graph, result);
  if (actual != tracked) {
    std::fprintf(stderr, "c Wrong cut! %d %d\n", int(tracked), actual);
    assert(!"tracked bisection cut differs from the recomputed cut");
  }
  return actual;
}

int Hypergraph_Bisection__(HgpCtrl *ctrl, HGraph *graph, int *result) {
  int nvtxs = graph->nvtxs;
  CreateIncidentHGraph__(graph);
  HGraph *pgraph = PruneHGraph__(ctrl, graph);
  int64_t bestcut = iasum__(graph->nhedges, graph->netwgt) + 1;
  ctrl->maxCellWeight = ComputeMaxCellWgt__(ctrl, nvtxs, graph->cellwgt);
  KeptBisections kept;
  InitKept__(&kept, ctrl, nvtxs, bestcut);

  /* Every bisection starts from the same random sequence. */
  int savedMatchType = ctrl->matchType;
  InitRandom__(ctrl, ctrl->seed);
  for (int trial = 0; trial < ctrl->nRuns; trial++) {
    if (savedMatchType == 1) ctrl->matchType = trial % 2 == 0 ? 1 : 2;
    RunTrial__(ctrl, graph, pgraph);
    if (graph->mincut < bestcut) {
      bestcut = graph->mincut;
      icopy__(size_t(nvtxs), graph->where, result);
    }
    KeepIfBetter__(&kept, graph->where, nvtxs, graph->mincut);
    FreeRootHGraph__(graph);
    FreeRootHGraph__(pgraph);
    if (Stopped__(ctrl)) break;
  }
  ctrl->matchType = savedMatchType;

  for (int i = 0; i < kept.count; i++) {
    if (ctrl->vcycle != 0 && !Stopped__(ctrl)) {
      graph->where = imalloc__(size_t(nvtxs), "Hypergraph_Bisection: where");
      icopy__(size_t(nvtxs), kept.sides[i], graph->where);
      graph->mincut = int(kept.cuts[i]);
      VCycleRefinement__(ctrl, graph, 10);
      if (graph->mincut < bestcut) {
        bestcut = graph->mincut;
        icopy__(size_t(nvtxs), graph->where, result);
      }
    }
    ZVfree__(&kept.sides[i]);
    FreeRootHGraph__(graph);
  }
  FreeHGraph__(pgraph);
  return CheckedCut__(graph, result, bestcut);
}

static void ReleaseGraph__(HGraph *graph) {
  ZVfree__(&graph->label);
  if (!graph->keep) FreeHGraph__(graph);
}

/* After a stop the vertices still to place are dealt out to the k parts in
 * runs of about equal length: valid at once, with no work left to do. */
static void DealOut__(const HGraph *graph, int *part, int k, int offset) {
  for (int v = 0; v < graph->nvtxs; v++)
    part[graph->label[v]] = offset + int(int64_t(v) * k / graph->nvtxs);
}

int MLRB__(HgpCtrl *ctrl, HGraph *graph, int *part, int k, int offset) {
  /* Nothing left to place: returning here writes what the full recursion
   * over empty halves would write (nothing), without O(k) work. */
  if (graph->nvtxs == 0 || Stopped__(ctrl)) {
    DealOut__(graph, part, k, offset);
    ReleaseGraph__(graph);
    return 0;
  }
  ctrl->bisectFraction = float(double(k / 2) / double(k));
  int *bisection = imalloc__(size_t(graph->nvtxs), "MLRB: bisection");
  int cut = Hypergraph_Bisection__(ctrl, graph, bisection);
  for (int v = 0; v < graph->nvtxs; v++) part[graph->label[v]] = offset + bisection[v];

  HGraph *lgraph = nullptr, *rgraph = nullptr;
  if (k >= 3) {
    lgraph = CreateHGraph__();
    rgraph = CreateHGraph__();
    SplitGraphPart__(ctrl, graph, bisection, lgraph, rgraph);
  }
  ZVfree__(&bisection);
  ReleaseGraph__(graph);

  if (k >= 4) {
    cut += MLRB__(ctrl, lgraph, part, k / 2, offset);
    cut += MLRB__(ctrl, rgraph, part, k - k / 2, offset + k / 2);
  } else if (k == 3) {
    cut += MLRB__(ctrl, rgraph, part, 2, offset + 1);
    ReleaseGraph__(lgraph);
  }
  return cut;
}

/* Recursive bisection balanced every split on its own; the k-way step may
 * not make the heaviest part heavier, relative to the average, than that
 * left it. */
static int RefineKwayPartition__(HgpCtrl *ctrl, HGraph *graph, int *part, int64_t totalWeight) {
  int savedRefineType = ctrl->refineType;
  ctrl->refineType = 1;
  int *kpwgts = ismalloc__(size_t(ctrl->nparts), 0, "MultilevelPartition: kpwgts");
  for (int v = 0; v < graph->nvtxs; v++) kpwgts[part[v]] += graph->cellwgt[v];
  int heaviest = kpwgts[iamax__(ctrl->nparts, kpwgts)];
  ctrl->balance = float(double(ctrl->nparts) * double(heaviest) / double(totalWeight));

  AllocateKwayRefinementMemory__(ctrl, graph);
  icopy__(size_t(graph->nvtxs), part, graph->where);
  RefineCutKway_Random__(ctrl, graph, 10);
  FreeKwayRecords__(graph);
  ZVfree__(&graph->islandmap, &graph->kpwgts);
  VCycleRefinementKway__(ctrl, graph, 10);
  icopy__(size_t(graph->nvtxs), graph->where, part);
  int cut = graph->kwayCut;
  ctrl->refineType = savedRefineType;
  ZVfree__(&kpwgts);
  return cut;
}

int MultilevelPartition__(HgpCtrl *ctrl, HGraph *graph, int *part) {
  graph->keep = 1;
  graph->label = imalloc__(size_t(graph->nvtxs), "MultilevelPartition: label");
  for (int v = 0; v < graph->nvtxs; v++) graph->label[v] = v;
  int cut = MLRB__(ctrl, graph, part, ctrl->nparts, 0);
  /* With no weight the balance ratio would be 0/0; nothing to balance. */
  int64_t totalWeight = iasum__(graph->nvtxs, graph->cellwgt);
  if (ctrl->nparts >= 3 && ctrl->kwayRefine && totalWeight > 0 && !Stopped__(ctrl))
    cut = RefineKwayPartition__(ctrl, graph, part, totalWeight);
  /* Bisections cut short by a stop add up to no real cut; count it. */
  if (Stopped__(ctrl)) cut = ComputeActualCut__(graph, part);
  return cut;
}
