#include "hypergraph/hgp.h"

#include <climits>

#include "hypergraph/ZVlib.h"
#include "hypergraph/hgraph.h"
#include "hypergraph/mlevelpart.h"
#include "hypergraph/util.h"

static void ReadOptions__(HgpCtrl *ctrl, const int *options) {
  if (options != nullptr && options[0] != 0) {
    ctrl->nRuns = options[1];
    ctrl->matchType = options[2];
    ctrl->refineType = options[3];
    ctrl->vcycle = options[4];
    ctrl->reconstruct = options[5];
    ctrl->fixedCells = options[6];
    ctrl->seed = options[7];
    ctrl->debugLevel = options[8];
  } else {
    ctrl->nRuns = 10;
    ctrl->matchType = 1;
    ctrl->refineType = 1;
    ctrl->vcycle = 1;
    ctrl->reconstruct = 0;
    ctrl->fixedCells = 0;
    ctrl->seed = -1;
    ctrl->debugLevel = 0;
  }
}

static bool Within__(int value, int low, int high) { return value >= low && value <= high; }

static void CheckSettings__(const HgpCtrl *ctrl, int ubfactor) {
  if (ctrl->nparts < 2) errexit__("Nparts should be at least 2.\n");
  if (!Within__(ubfactor, 1, 49)) errexit__("UBfactor should be between 1 and 49.\n");
  if (ctrl->nRuns < 1) errexit__("Nruns should be at least 1.\n");
  if (!Within__(ctrl->matchType, 1, 5)) errexit__("Ctype should be between 1 and 5.\n");
  if (!Within__(ctrl->refineType, 1, 3)) errexit__("Rtype should be between 1 and 3.\n");
  if (!Within__(ctrl->vcycle, 0, 3)) errexit__("Vcycle should be between 0 and 3.\n");
  if (!Within__(ctrl->reconstruct, 0, 1)) errexit__("Reconst should be between 0 and 1.\n");
  if (!Within__(ctrl->fixedCells, 0, 1)) errexit__("Fixed should be between 0 and 1.\n");
}

/* The algorithms index arrays with these values and sum weights in int, so
 * malformed input would mean reads out of bounds or overflow, not just a
 * poor partition. */
static void CheckHypergraph__(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                              const int *hewgts) {
  if (nvtxs < 0 || nhedges < 0) errexit__("Nvtxs and Nhedges should be non-negative.\n");
  if (eptr[0] != 0) errexit__("Eptr should start at 0 and never decrease.\n");
  for (int e = 0; e < nhedges; e++)
    if (eptr[e + 1] < eptr[e]) errexit__("Eptr should start at 0 and never decrease.\n");
  for (int i = 0; i < eptr[nhedges]; i++)
    if (!Within__(eind[i], 0, nvtxs - 1)) errexit__("Pins should be between 0 and Nvtxs-1.\n");
  int64_t vertexTotal = 0, netTotal = 0;
  for (int v = 0; v < nvtxs; v++) {
    int w = vwgts != nullptr ? vwgts[v] : 1;
    if (w < 0) errexit__("Weights should be non-negative.\n");
    vertexTotal += w;
  }
  for (int e = 0; e < nhedges; e++) {
    int w = hewgts != nullptr ? hewgts[e] : 1;
    if (w < 0) errexit__("Weights should be non-negative.\n");
    netTotal += w;
  }
  if (vertexTotal > INT_MAX || netTotal >= INT_MAX) errexit__("Total weights should fit in an int.\n");
}

/* A pin listed twice in a net (a variable occurring twice in a constraint)
 * is the same pin for the cut; the refinement counts pins per side, so the
 * copy keeps only its first occurrence. */
static void CopyNets__(HGraph *graph, const int *eptr, const int *eind, const int *hewgts) {
  int nhedges = graph->nhedges;
  graph->netwgt = imalloc__(size_t(nhedges), "HGP: graph->netwgt");
  graph->netptr = imalloc__(size_t(nhedges) + 1, "HGP: graph->netptr");
  graph->netind = imalloc__(size_t(eptr[nhedges]), "HGP: graph->netind");
  int *seenIn = ismalloc__(size_t(graph->nvtxs), -1, "HGP: seen");
  int pins = 0;
  graph->netptr[0] = 0;
  for (int e = 0; e < nhedges; e++) {
    graph->netwgt[e] = hewgts != nullptr ? hewgts[e] : 1;
    for (int i = eptr[e]; i < eptr[e + 1]; i++) {
      if (seenIn[eind[i]] == e) continue;
      seenIn[eind[i]] = e;
      graph->netind[pins++] = eind[i];
    }
    graph->netptr[e + 1] = pins;
  }
  ZVfree__(&seenIn);
}

static HGraph *CopyHypergraph__(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                                const int *hewgts) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = nvtxs;
  graph->nhedges = nhedges;
  graph->cellwgt = imalloc__(size_t(nvtxs), "HGP: graph->cellwgt");
  for (int v = 0; v < nvtxs; v++) graph->cellwgt[v] = vwgts != nullptr ? vwgts[v] : 1;
  CopyNets__(graph, eptr, eind, hewgts);
  return graph;
}

int HGP_PartRecursiveStoppable(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                               const int *hewgts, int nparts, int ubfactor, const int *options, int *part,
                               int *edgecut, int (*stop)(void *), void *stopArg) {
  HgpCtrl ctrl = HgpCtrl();
  ctrl.stop = stop;
  ctrl.stopArg = stopArg;
  ctrl.balance = float(ubfactor / 100.0);
  ctrl.nparts = nparts;
  ReadOptions__(&ctrl, options);
  ctrl.coarsenTo = 100;
  ctrl.maxNetSize = 50;
  ctrl.kwayRefine = nparts <= 64;
  CheckSettings__(&ctrl, ubfactor);
  CheckHypergraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts);

  HGraph *graph = CopyHypergraph__(nvtxs, nhedges, vwgts, eptr, eind, hewgts);
  *edgecut = MultilevelPartition__(&ctrl, graph, part);
  ZVfree__(&graph->label);
  FreeHGraph__(graph);
  return ctrl.stopped;
}

void HGP_PartRecursive(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                       const int *hewgts, int nparts, int ubfactor, const int *options, int *part,
                       int *edgecut) {
  HGP_PartRecursiveStoppable(nvtxs, nhedges, vwgts, eptr, eind, hewgts, nparts, ubfactor, options, part, edgecut,
                             nullptr, nullptr);
}
