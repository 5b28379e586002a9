#include "hypergraph/kwayfm.h"

#include "hypergraph/ZVlib.h"
#include "hypergraph/kwayrefine.h"
#include "hypergraph/util.h"

struct KwayLimits {
  int maxpwgt; /* a part may receive while it stays at most this heavy */
  int minpwgt; /* a part may give while it keeps at least this much */
};

/* Evaluated in single precision, like the balance bound it derives from. */
static KwayLimits ComputeKwayLimits__(const HgpCtrl *ctrl, const HGraph *graph) {
  int64_t total = iasum__(ctrl->nparts, graph->kpwgts);
  float b = ctrl->balance, k = float(ctrl->nparts);
  KwayLimits limits;
  limits.maxpwgt = int(float(total) * b / k);
  limits.minpwgt = int(float(total) / (k * b));
  return limits;
}

/* Is entry `other` a better destination than `candidate`?  Larger cut
 * gain first; on equal cut gain the candidate stays only if `other` is
 * worse on the sum of external degrees, then on the tie value, then if the
 * candidate's part is strictly lighter. */
static bool BetterDestination__(const HGraph *graph, const CellKwayEntry &other, const CellKwayEntry &candidate) {
  if (other.cutgain != candidate.cutgain) return other.cutgain > candidate.cutgain;
  if (other.soedgain != candidate.soedgain) return other.soedgain > candidate.soedgain;
  if (other.tie != candidate.tie) return other.tie > candidate.tie;
  return !(graph->kpwgts[candidate.part] < graph->kpwgts[other.part]);
}

/* Index of the destination entry of v, or -1. */
static int ChooseDestination__(const HGraph *graph, int v, KwayLimits limits) {
  const CellKwayInfo &record = graph->crinfo[v];
  const CellKwayEntry *entries = graph->crdata + record.start;
  int weight = graph->cellwgt[v], best = -1;
  for (int k = 0; k < record.ndegrees; k++) {
    if (graph->kpwgts[entries[k].part] + weight > limits.maxpwgt) continue;
    if (best == -1) {
      if (entries[k].cutgain >= record.id) best = k;
    } else if (BetterDestination__(graph, entries[k], entries[best])) {
      best = k;
    }
  }
  return best;
}

/* A move must not raise the cut; at equal cut it must lower the sum of
 * external degrees, or spread pins more evenly, or even out part weights. */
static bool WorthMoving__(const HGraph *graph, int v, const CellKwayEntry &entry) {
  const CellKwayInfo &record = graph->crinfo[v];
  if (entry.cutgain > record.id || entry.soedgain > 0) return true;
  if (entry.soedgain < 0) return false;
  if (entry.tie != 0) return entry.tie > 0;
  int from = graph->where[v];
  return graph->cellwgt[v] < graph->kpwgts[from] - graph->kpwgts[entry.part];
}

static void MoveVertex__(HGraph *graph, int v, const CellKwayEntry &entry, int *marker, int *list, int *partSlot) {
  int from = graph->where[v], to = entry.part;
  int cutDrop = entry.cutgain - graph->crinfo[v].id;
  graph->mincut -= cutDrop;
  graph->soed -= int64_t(cutDrop) + entry.soedgain;
  graph->kpwgts[from] -= graph->cellwgt[v];
  graph->kpwgts[to] += graph->cellwgt[v];
  graph->where[v] = to;
  KwayUpdateGainInfo__(graph, v, from, to, marker, list, partSlot);
}

static void VisitVertex__(HGraph *graph, int v, KwayLimits limits, int *marker, int *list, int *partSlot) {
  const CellKwayInfo &record = graph->crinfo[v];
  if (record.id > record.ed) return;
  if (graph->kpwgts[graph->where[v]] - graph->cellwgt[v] < limits.minpwgt) return;
  int best = ChooseDestination__(graph, v, limits);
  if (best == -1) return;
  CellKwayEntry entry = graph->crdata[record.start + best];
  if (WorthMoving__(graph, v, entry)) MoveVertex__(graph, v, entry, marker, list, partSlot);
}

void RefineCutKway_Random__(HgpCtrl *ctrl, HGraph *graph, int npasses) {
  int nvtxs = graph->nvtxs;
  int *perm = imalloc__(size_t(nvtxs), "RefineKway_Random: perm");
  int *marker = imalloc__(size_t(nvtxs), "RefineKway_Random: marker");
  int *list = imalloc__(size_t(nvtxs), "RefineKway_Random: updind");
  int *partSlot = ismalloc__(size_t(ctrl->nparts), -1, "RefineKway_Random: slots");
  for (int v = 0; v < nvtxs; v++) perm[v] = v;
  ComputeInitKwayGains__(ctrl, graph);
  KwayLimits limits = ComputeKwayLimits__(ctrl, graph);
  for (int pass = 0; pass < npasses && !Stopped__(ctrl); pass++) {
    /* The previous order is reshuffled, not reset. */
    RandomPermute__(ctrl, perm, nvtxs, 0);
    int oldCut = graph->mincut;
    int64_t oldSoed = graph->soed;
    iset__(size_t(nvtxs), -1, marker);
    for (int i = 0; i < nvtxs; i++) VisitVertex__(graph, perm[i], limits, marker, list, partSlot);
    if (graph->mincut == oldCut && graph->soed == oldSoed) break;
  }
  graph->kwayCut = graph->mincut;
  ZVfree__(&perm, &marker, &list, &partSlot);
}

/* Removes one from the count of `part` in the net's list; an entry that
 * reaches zero is replaced by the last one.  Returns the new count. */
static int DecrementPart__(NetPartInfo &info, NetPartEntry *list, int part) {
  for (int k = 0; k < info.nparts; k++) {
    if (list[k].part != part) continue;
    int left = --list[k].npins;
    if (left == 0) list[k] = list[--info.nparts];
    return left;
  }
  return 0;
}

static int IncrementPart__(NetPartInfo &info, NetPartEntry *list, int part) {
  for (int k = 0; k < info.nparts; k++)
    if (list[k].part == part) return ++list[k].npins;
  list[info.nparts++] = NetPartEntry{part, 1};
  return 1;
}

/* Records of the pins of a net change only when the move changes which
 * parts the net touches or whether a part holds a single pin: while
 * `from` keeps two pins or more and `to` already had two or more, only the
 * tie values could change, and those are allowed to lag. */
void KwayUpdateGainInfo__(HGraph *graph, int v, int from, int to, int *marker, int *list, int *partSlot) {
  int n = 0;
  list[n++] = v;
  marker[v] = v;
  for (int i = graph->incptr[v]; i < graph->incptr[v + 1]; i++) {
    int e = graph->incind[i];
    NetPartInfo &info = graph->nrinfo[e];
    NetPartEntry *parts = graph->nrdata + info.start;
    int leftInFrom = DecrementPart__(info, parts, from);
    int nowInTo = IncrementPart__(info, parts, to);
    if (leftInFrom > 1 && nowInTo > 2) continue;
    for (int j = graph->netptr[e]; j < graph->netptr[e + 1]; j++) {
      int u = graph->netind[j];
      if (marker[u] == v) continue;
      marker[u] = v;
      list[n++] = u;
    }
  }
  ComputeKwayGainsSet__(graph, n, list, partSlot);
}
