#include "hypergraph/kwayrefine.h"

#include <algorithm>
#include <cassert>

#include "hypergraph/ZVlib.h"
#include "hypergraph/ccoarsen.h"
#include "hypergraph/kwayfm.h"
#include "hypergraph/util.h"

/* A vertex never has more neighbouring parts than other pins on its nets,
 * nor more than nparts - 1, so its list gets the smaller of the two: the
 * full nparts slots per vertex would cost 16 x vertices x parts bytes. */
static int64_t ReserveVertexSlots__(const HgpCtrl *ctrl, HGraph *graph) {
  int64_t total = 0;
  for (int v = 0; v < graph->nvtxs; v++) {
    int64_t others = 0;
    for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) others += NetSize__(graph, graph->incind[i]) - 1;
    CellKwayInfo &record = graph->crinfo[v];
    record.capacity = int(std::min<int64_t>(others, ctrl->nparts - 1));
    record.start = total;
    record.ndegrees = 0;
    total += record.capacity;
  }
  return total;
}

void AllocateKwayRefinementMemory__(HgpCtrl *ctrl, HGraph *graph) {
  FreeKwayRecords__(graph);
  ZVfree__(&graph->where, &graph->kpwgts);
  graph->where = imalloc__(size_t(graph->nvtxs) + size_t(graph->nislands), "AllocateRefinementMemory: where");
  graph->kpwgts = imalloc__(size_t(ctrl->nparts), "AllocateKwayRefinementMemory: kpwgts");
  graph->nrinfo = static_cast<NetPartInfo *>(
      ZVmalloc__(size_t(graph->nhedges) * sizeof(NetPartInfo), "AllocateKwayRefinementMemory: nrinfo"));
  graph->nrdata = static_cast<NetPartEntry *>(ZVmalloc__(
      size_t(graph->netptr[graph->nhedges]) * sizeof(NetPartEntry), "AllocateKwayRefinementMemory: nrdata"));
  graph->crinfo = static_cast<CellKwayInfo *>(
      ZVmalloc__(size_t(graph->nvtxs) * sizeof(CellKwayInfo), "AllocateKwayRefinementMemory: crinfo"));
  int64_t slots = ReserveVertexSlots__(ctrl, graph);
  graph->crdata = static_cast<CellKwayEntry *>(
      ZVmalloc__(size_t(slots) * sizeof(CellKwayEntry), "AllocateKwayRefinementMemory: crdata"));
}

/* Parts of a net in order of their first pin, with pin counts. */
static void BuildNetPartList__(HGraph *graph, int e, int *partSlot) {
  NetPartInfo &info = graph->nrinfo[e];
  NetPartEntry *list = graph->nrdata + graph->netptr[e];
  info.start = graph->netptr[e];
  info.nparts = 0;
  for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) {
    int part = graph->where[graph->netind[j]];
    if (partSlot[part] == -1) {
      partSlot[part] = info.nparts;
      list[info.nparts++] = NetPartEntry{part, 0};
    }
    list[partSlot[part]].npins++;
  }
  for (int k = 0; k < info.nparts; k++) partSlot[list[k].part] = -1;
}

static int PinsInPart__(const NetPartEntry *list, int nparts, int part) {
  for (int k = 0; k < nparts; k++)
    if (list[k].part == part) return list[k].npins;
  return 0;
}

static int Sign__(int x) { return (x > 0) - (x < 0); }

/* One vertex record from the net part lists; see the header for the
 * definitions.  The shared weight per part is gathered in `soedgain`
 * first and turned into the gain at the end. */
static void ComputeVertexRecord__(HGraph *graph, int v, int *partSlot) {
  int p = graph->where[v];
  CellKwayInfo &record = graph->crinfo[v];
  CellKwayEntry *entries = graph->crdata + record.start;
  int n = 0, id = 0, ed = 0, weight = 0;
  for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) {
    int e = graph->incind[i];
    if (NetSize__(graph, e) < 2) continue;
    int w = graph->netwgt[e];
    weight += w;
    const NetPartInfo &info = graph->nrinfo[e];
    const NetPartEntry *list = graph->nrdata + info.start;
    if (info.nparts == 1) {
      id += w;
      continue;
    }
    int inOwnPart = PinsInPart__(list, info.nparts, p);
    if (inOwnPart == 1) ed += w;
    for (int k = 0; k < info.nparts; k++) {
      int q = list[k].part;
      if (q == p) continue;
      if (partSlot[q] == -1) {
        assert(n < record.capacity);
        partSlot[q] = n;
        entries[n++] = CellKwayEntry{q, 0, 0, 0};
      }
      CellKwayEntry &entry = entries[partSlot[q]];
      entry.tie += Sign__(list[k].npins - inOwnPart);
      entry.soedgain += w;
      if (info.nparts == 2 && inOwnPart == 1) entry.cutgain += w;
    }
  }
  for (int k = 0; k < n; k++) {
    partSlot[entries[k].part] = -1;
    entries[k].soedgain = ed - (weight - entries[k].soedgain);
  }
  record.ndegrees = n;
  record.id = id;
  record.ed = ed;
}

void ComputeKwayGainsSet__(HGraph *graph, int n, const int *list, int *partSlot) {
  for (int i = 0; i < n; i++) ComputeVertexRecord__(graph, list[i], partSlot);
}

void ComputeInitKwayGains__(HgpCtrl *ctrl, HGraph *graph) {
  int *partSlot = ismalloc__(size_t(ctrl->nparts), -1, "ComputeInitKwayGains: slots");
  iset__(size_t(ctrl->nparts), 0, graph->kpwgts);
  int cut = 0;
  int64_t soed = 0;
  for (int e = 0; e < graph->nhedges; e++) {
    BuildNetPartList__(graph, e, partSlot);
    int touched = graph->nrinfo[e].nparts;
    if (touched > 1) {
      cut += graph->netwgt[e];
      soed += int64_t(touched) * graph->netwgt[e];
    }
  }
  for (int v = 0; v < graph->nvtxs; v++) {
    graph->kpwgts[graph->where[v]] += graph->cellwgt[v];
    ComputeVertexRecord__(graph, v, partSlot);
  }
  graph->mincut = cut;
  graph->soed = soed;
  ZVfree__(&partSlot);
}

void ProjectKwayPartition__(HgpCtrl *ctrl, HGraph *coarse) {
  HGraph *fine = coarse->finer;
  AllocateKwayRefinementMemory__(ctrl, fine);
  for (int v = 0; v < fine->nvtxs; v++) fine->where[v] = coarse->where[fine->cellmap[v]];
  FreeHGraph__(coarse);
  fine->coarser = nullptr;
}

/* Islands cost nothing anywhere: each goes to the lightest part. */
void PartitionIslandsKway__(HgpCtrl *ctrl, HGraph *graph) {
  for (int v = graph->nvtxs; v < graph->nvtxs + graph->nislands; v++) {
    int lightest = iamin__(ctrl->nparts, graph->kpwgts);
    graph->where[v] = lightest;
    graph->kpwgts[lightest] += graph->cellwgt[v];
  }
}

void RefineKway__(HgpCtrl *ctrl, HGraph *finest, HGraph *coarsest) {
  if (ctrl->refineType != 1) errexit__("Unknown refinement type: %d\n", ctrl->refineType);
  if (coarsest->finer == nullptr) return;
  for (HGraph *level = coarsest->finer;; level = level->finer) {
    ProjectKwayPartition__(ctrl, level->coarser);
    if (level->nvtxs > 0) {
      RefineCutKway_Random__(ctrl, level, 10);
    } else {
      ComputeInitKwayGains__(ctrl, level);
      level->kwayCut = level->mincut;
    }
    PartitionIslandsKway__(ctrl, level);
    if (level == finest) {
      CombineIslands__(level);
      return;
    }
  }
}

int VCycleRefinementKway__(HgpCtrl *ctrl, HGraph *graph, int npasses) {
  int savedCoarsenTo = ctrl->coarsenTo, savedMatchType = ctrl->matchType;
  ctrl->coarsenTo = 1000;
  int best = graph->kwayCut, lastImprovement = -1;
  for (int pass = 0; pass < npasses && !Stopped__(ctrl); pass++) {
    ctrl->matchType = pass % 2;
    HGraph *coarsest = CCoarsen__(ctrl, graph);
    RefineKway__(ctrl, graph, coarsest);
    ZVfree__(&graph->cellmap, &graph->netmap, &graph->mptr, &graph->mind, &graph->kpwgts, &graph->islandmap);
    FreeKwayRecords__(graph);
    if (graph->kwayCut < best) {
      best = graph->kwayCut;
      lastImprovement = pass;
    } else if (pass - lastImprovement > 1) {
      break;
    }
  }
  ctrl->coarsenTo = savedCoarsenTo;
  ctrl->matchType = savedMatchType;
  return graph->kwayCut;
}
