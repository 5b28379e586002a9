#include "hypergraph/fm.h"

#include <cassert>
#include <cstdlib>

#include "hypergraph/ZVlib.h"
#include "hypergraph/pqueue.h"
#include "hypergraph/util.h"

/* The bounds are evaluated in single precision on purpose: 0.5f - 0.05f
 * times 100 truncates to 45, which is what "45 % per side" means; the same
 * expression in double gives 44. */
BisectionBounds ComputeBisectionBounds__(const HgpCtrl *ctrl, int totalWeight) {
  float f = ctrl->bisectFraction, b = ctrl->balance;
  BisectionBounds bounds;
  bounds.min0 = int(float(totalWeight) * (f - b));
  bounds.min1 = int(float(totalWeight) * ((1.0f - f) - b));
  return bounds;
}

/* Net degrees and cut in one sweep over the nets; every net also gets the
 * gain contribution it makes to a pin on either side, so each vertex then
 * needs one lookup per net instead of three. */
void ComputeInitGains__(HGraph *graph) {
  int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  const int *where = graph->where, *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  int *ndeg0 = graph->ndeg[0], *ndeg1 = graph->ndeg[1];
  int *netGain = imalloc__(2 * size_t(nhedges), "ComputeInitGains: netgain");
  int cut = 0;
  for (int e = 0; e < nhedges; e++) {
    int on1 = 0;
    for (int i = netptr[e]; i < netptr[e + 1]; i++) on1 += where[netind[i]];
    int on0 = netptr[e + 1] - netptr[e] - on1;
    ndeg0[e] = on0;
    ndeg1[e] = on1;
    int w = netwgt[e];
    if (on0 > 0 && on1 > 0) cut += w;
    netGain[2 * e] = (on0 == 1 ? w : 0) - (on1 == 0 ? w : 0);
    netGain[2 * e + 1] = (on1 == 1 ? w : 0) - (on0 == 0 ? w : 0);
  }
  graph->mincut = cut;
  int pwgt0 = 0, pwgt1 = 0;
  const int *incptr = graph->incptr, *incind = graph->incind, *cellwgt = graph->cellwgt;
  int *gain = graph->gain;
  for (int v = 0; v < nvtxs; v++) {
    int side = where[v];
    if (side == 0) pwgt0 += cellwgt[v];
    else pwgt1 += cellwgt[v];
    int g = 0;
    for (int i = incptr[v]; i < incptr[v + 1]; i++) g += netGain[2 * incind[i] + side];
    gain[v] = g;
  }
  graph->pwgts[0] = pwgt0;
  graph->pwgts[1] = pwgt1;
  ZVfree__(&netGain);
}

/* Moves v from `from` to `to` in the net degrees and adjusts the gains of
 * the other pins.  Only nets where one side drops below two pins or the
 * other stays below three can change a gain, so the others are skipped.
 * Pins marked as moved are left alone unless `updateMoved` is set; pins
 * still queued follow their new gain in the queue of their side.
 */
static void MoveAndUpdateGains__(HGraph *graph, int v, int from, int to, const int *moved,
                                 PQueue *queues, bool updateMoved) {
  int *ndegFrom = graph->ndeg[from], *ndegTo = graph->ndeg[to];
  const int *incind = graph->incind, *netptr = graph->netptr, *netind = graph->netind;
  const int *netwgt = graph->netwgt, *where = graph->where;
  int *gain = graph->gain;
  for (int i = graph->incptr[v], iend = graph->incptr[v + 1]; i < iend; i++) {
    int e = incind[i];
    int onFrom = --ndegFrom[e], onTo = ++ndegTo[e];
    if (onTo >= 3 && onFrom >= 2) continue;
    int w = netwgt[e];
    /* Gain changes of the pins on each side for this move. */
    int deltaFrom = (onFrom == 1 ? w : 0) + (onTo == 1 ? w : 0);
    int deltaTo = -(onFrom == 0 ? w : 0) - (onTo == 2 ? w : 0);
    if (deltaFrom == 0 && deltaTo == 0) continue;
    for (int j = netptr[e], jend = netptr[e + 1]; j < jend; j++) {
      int u = netind[j];
      if (u == v) continue;
      bool isMoved = moved[u] != -1;
      if (isMoved && !updateMoved) continue;
      int side = where[u];
      int delta = side == from ? deltaFrom : deltaTo;
      if (delta == 0) continue;
      int old = gain[u];
      gain[u] = old + delta;
      if (!isMoved) PQueueUpdate__(&queues[side], u, old, old + delta);
    }
  }
}

static void FlipSide__(HGraph *graph, int v, int to) {
  graph->where[v] = to;
  graph->pwgts[to] += graph->cellwgt[v];
  graph->pwgts[1 - to] -= graph->cellwgt[v];
}

static void InitQueues__(PQueue *queues, const HGraph *graph) {
  int maxgain = graph->adjwgt[iamax__(graph->nvtxs, graph->adjwgt)];
  PQueueInit__(&queues[0], graph->nvtxs, maxgain);
  PQueueInit__(&queues[1], graph->nvtxs, maxgain);
}

static void FillQueues__(HgpCtrl *ctrl, HGraph *graph, PQueue *queues, int *perm) {
  RandomPermute__(ctrl, perm, graph->nvtxs, 1);
  for (int i = 0; i < graph->nvtxs; i++) {
    int v = perm[i];
    PQueueInsert__(&queues[graph->where[v]], v, graph->gain[v]);
  }
}

static bool MeetsBounds__(const HGraph *graph, BisectionBounds bounds) {
  return graph->pwgts[0] >= bounds.min0 && graph->pwgts[1] >= bounds.min1;
}

/* One greedy step towards the minimum weight of the light side: the best
 * vertex of the heavy side moves if the heavy side can spare it, otherwise
 * it is dropped from consideration.  Returns false when balancing must stop. */
static bool BalanceStep__(HGraph *graph, BisectionBounds bounds, PQueue *queues, int *moved, int *cut) {
  int from;
  if (graph->pwgts[0] < bounds.min0) {
    from = 1;
  } else {
    if (graph->pwgts[1] >= bounds.min1) return false;
    from = 0;
  }
  int v = PQueueSeeMax__(&queues[from]);
  if (v == -1) return false;
  PQueueDelete(&queues[from], v, graph->gain[v]);
  moved[v] = 1;
  int minFrom = from == 0 ? bounds.min0 : bounds.min1;
  if (graph->pwgts[from] - graph->cellwgt[v] < minFrom) return true;
  *cut -= graph->gain[v];
  FlipSide__(graph, v, 1 - from);
  graph->gain[v] = -graph->gain[v];
  MoveAndUpdateGains__(graph, v, from, 1 - from, moved, queues, true);
  return true;
}

void Balance__(HgpCtrl *ctrl, HGraph *graph) {
  int nvtxs = graph->nvtxs;
  graph->pwgts[0] = graph->pwgts[1] = 0;
  for (int v = 0; v < nvtxs; v++) graph->pwgts[graph->where[v]] += graph->cellwgt[v];
  BisectionBounds bounds = ComputeBisectionBounds__(ctrl, graph->pwgts[0] + graph->pwgts[1]);
  if (MeetsBounds__(graph, bounds)) return;

  PQueue queues[2];
  InitQueues__(queues, graph);
  int *moved = ismalloc__(size_t(nvtxs), -1, "FM_Refine: perm");
  int *perm = imalloc__(size_t(nvtxs), "FM_Refine: perm");
  ComputeInitGains__(graph);
  FillQueues__(ctrl, graph, queues, perm);
  int cut = graph->mincut;
  for (int step = 0; step < nvtxs; step++) {
    if (!BalanceStep__(graph, bounds, queues, moved, &cut)) break;
    if (MeetsBounds__(graph, bounds)) break;
  }
  graph->mincut = cut;
  PQueueFree__(&queues[0]);
  PQueueFree__(&queues[1]);
  ZVfree__(&moved, &perm);
}

/* Which side gives the next vertex: the larger gain, unless taking it
 * would leave its side below its minimum; on equal gains the side with
 * more weight to spare. */
static int ChooseSourceSide__(const HGraph *graph, BisectionBounds bounds, int top0, int top1) {
  if (top0 == -1) return 1;
  if (top1 == -1) return 0;
  int g0 = graph->gain[top0], g1 = graph->gain[top1];
  if (g0 > g1) return graph->pwgts[0] - graph->cellwgt[top0] < bounds.min0 ? 1 : 0;
  if (g1 > g0) return graph->pwgts[1] - graph->cellwgt[top1] >= bounds.min1 ? 1 : 0;
  return graph->pwgts[0] - bounds.min0 < graph->pwgts[1] - bounds.min1 ? 1 : 0;
}

struct FmPassState {
  int cut, bestCut, bestPosition, bestImbalance;
};

static int SeeTop__(const PQueue *queue, const HGraph *graph, int slack, bool constrained) {
  return constrained ? PQueueSeeConstraintMax(queue, slack, graph->cellwgt) : PQueueSeeMax__(queue);
}

/* Per-pass scratch of the FM moves.  `mark` holds the side of every
 * unmoved vertex and FM_MOVED for a moved one (one byte per vertex, so the
 * pin scans of the gain updates stay in cache).  `nets` holds, per net,
 * its pins on each side, its pins not moved yet and its weight in one
 * record, so a move touches one cache line per net; the pass works on
 * these counts and leaves graph->ndeg stale, as it may. */
enum { FM_MOVED = 2 };
struct FmNetState {
  int ndeg[2];
  int unmoved;
  int weight;
};
struct FmScratch {
  unsigned char *mark;
  FmNetState *nets;
};

/* The move of v from `from` to `to` within an FM pass: net degrees, and
 * the gains of the unmoved pins (in their queues).  Same rules as
 * MoveAndUpdateGains__; a net without unmoved pins left is not scanned,
 * and a scan ends once it has seen every unmoved pin of the net. */
static void FmMoveAndUpdateGains__(HGraph *graph, int v, int from, int to, FmScratch *scratch, PQueue *queues) {
  const int *incind = graph->incind, *netptr = graph->netptr, *netind = graph->netind;
  const unsigned char *mark = scratch->mark;
  FmNetState *nets = scratch->nets;
  int *gain = graph->gain;
  for (int i = graph->incptr[v], iend = graph->incptr[v + 1]; i < iend; i++) {
    int e = incind[i];
    FmNetState &net = nets[e];
    int onFrom = --net.ndeg[from], onTo = ++net.ndeg[to];
    int left = --net.unmoved;
    if ((onTo >= 3 && onFrom >= 2) || left == 0) continue;
    int w = net.weight;
    int deltaFrom = (onFrom == 1 ? w : 0) + (onTo == 1 ? w : 0);
    int deltaTo = -(onFrom == 0 ? w : 0) - (onTo == 2 ? w : 0);
    if (deltaFrom == 0 && deltaTo == 0) continue;
    for (int j = netptr[e], jend = netptr[e + 1]; j < jend; j++) {
      int u = netind[j];
      int side = mark[u];
      if (side == FM_MOVED) continue;
      int delta = side == from ? deltaFrom : deltaTo;
      if (delta != 0) {
        int old = gain[u];
        gain[u] = old + delta;
        PQueueUpdate__(&queues[side], u, old, old + delta);
      }
      if (--left == 0) break;
    }
  }
}

/* Moves every vertex once, best gain first; returns the number of moves
 * and leaves the best balanced prefix in `state`. */
static int RunFmMoves__(HGraph *graph, BisectionBounds bounds, PQueue *queues, FmScratch *scratch, int *swaps,
                        FmPassState *state, bool constrained) {
  int nmoves = 0;
  while (nmoves < graph->nvtxs) {
    int top0 = SeeTop__(&queues[0], graph, graph->pwgts[0] - bounds.min0, constrained);
    int top1 = SeeTop__(&queues[1], graph, graph->pwgts[1] - bounds.min1, constrained);
    if (top0 == -1 && top1 == -1) break;
    int from = ChooseSourceSide__(graph, bounds, top0, top1);
    int v = from == 0 ? top0 : top1;
    PQueueDelete(&queues[from], v, graph->gain[v]);
    state->cut -= graph->gain[v];
    swaps[nmoves] = v;
    scratch->mark[v] = FM_MOVED;
    FlipSide__(graph, v, 1 - from);
    if (MeetsBounds__(graph, bounds)) {
      int imbalance = std::abs(graph->pwgts[0] - graph->pwgts[1]);
      if (state->cut < state->bestCut || (state->cut == state->bestCut && imbalance < state->bestImbalance)) {
        state->bestCut = state->cut;
        state->bestPosition = nmoves;
        state->bestImbalance = imbalance;
      }
    }
    FmMoveAndUpdateGains__(graph, v, from, 1 - from, scratch, queues);
    nmoves++;
  }
  return nmoves;
}

static void RefineFmPasses__(HgpCtrl *ctrl, HGraph *graph, int npasses, bool constrained) {
  int nvtxs = graph->nvtxs, nhedges = graph->nhedges;
  if (nvtxs == 0) return;
  PQueue queues[2];
  InitQueues__(queues, graph);
  int *swaps = imalloc__(size_t(nvtxs), "FM_Refine: swaps");
  int *perm = imalloc__(size_t(nvtxs), "FM_Refine: perm");
  FmScratch scratch;
  scratch.mark = static_cast<unsigned char *>(ZVmalloc__(size_t(nvtxs), "FM_Refine: moved"));
  scratch.nets = static_cast<FmNetState *>(ZVmalloc__(size_t(nhedges) * sizeof(FmNetState), "FM_Refine: nets"));
  for (int pass = 0; pass < npasses; pass++) {
    ComputeInitGains__(graph);
    if (Stopped__(ctrl)) break;  /* the gains just computed keep mincut true to `where` */
    BisectionBounds bounds = ComputeBisectionBounds__(ctrl, graph->pwgts[0] + graph->pwgts[1]);
    PQueueReset__(&queues[0]);
    PQueueReset__(&queues[1]);
    for (int v = 0; v < nvtxs; v++) scratch.mark[v] = static_cast<unsigned char>(graph->where[v]);
    for (int e = 0; e < nhedges; e++)
      scratch.nets[e] = FmNetState{{graph->ndeg[0][e], graph->ndeg[1][e]}, NetSize__(graph, e), graph->netwgt[e]};
    int initCut = graph->mincut;
    FmPassState state = {initCut, initCut, -1, std::abs(graph->pwgts[0] - graph->pwgts[1])};
    FillQueues__(ctrl, graph, queues, perm);
    int nmoves = RunFmMoves__(graph, bounds, queues, &scratch, swaps, &state, constrained);
    for (int i = nmoves - 1; i > state.bestPosition; i--) FlipSide__(graph, swaps[i], 1 - graph->where[swaps[i]]);
    graph->mincut = state.bestCut;
    if (state.bestCut == initCut) break;
  }
  PQueueFree__(&queues[0]);
  PQueueFree__(&queues[1]);
  ZVfree__(&swaps, &perm);
  std::free(scratch.mark);
  std::free(scratch.nets);
}

void Refine_FM__(HgpCtrl *ctrl, HGraph *graph, int npasses) {
  RefineFmPasses__(ctrl, graph, npasses, false);
}

void Refine_FM2__(HgpCtrl *ctrl, HGraph *graph, int npasses) {
  RefineFmPasses__(ctrl, graph, npasses, true);
}

void RefineBisection__(HgpCtrl *ctrl, HGraph *graph, int npasses) {
  if (ctrl->heavyCells) Refine_FM2__(ctrl, graph, npasses);
  else Refine_FM__(ctrl, graph, npasses);
}
