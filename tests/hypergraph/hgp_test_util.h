// Test hypergraphs, an independent cut computation and call wrappers for
// the partitioner tests.
#ifndef TESTS_HYPERGRAPH_HGP_TEST_UTIL_H
#define TESTS_HYPERGRAPH_HGP_TEST_UTIL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "hypergraph/ZVlib.h"
#include "hypergraph/hgp.h"
#include "hypergraph/hgraph.h"
#include "hypergraph/util.h"
#include "tests/common/Lcg.h"

using testing_support::Lcg;

struct TestHypergraph {
  int nvtxs = 0;
  std::vector<int> eptr{0}, eind;
  std::vector<int> vwgts, hewgts;  // empty: unit weights

  int nhedges() const { return int(eptr.size()) - 1; }
  int NetWeight(int e) const { return hewgts.empty() ? 1 : hewgts[size_t(e)]; }
  int VertexWeight(int v) const { return vwgts.empty() ? 1 : vwgts[size_t(v)]; }
  int TotalVertexWeight() const {
    int total = 0;
    for (int v = 0; v < nvtxs; v++) total += VertexWeight(v);
    return total;
  }
  void AddNet(const std::vector<int> &pins, int weight = 1) {
    eind.insert(eind.end(), pins.begin(), pins.end());
    eptr.push_back(int(eind.size()));
    if (!hewgts.empty() || weight != 1) {
      hewgts.resize(size_t(nhedges()) - 1, 1);
      hewgts.push_back(weight);
    }
  }
};

struct PartitionResult {
  std::vector<int> part;
  int edgecut = -1;
};

// The system's options: 10 runs, seed 91648253, V-cycles on.
inline PartitionResult Partition(const TestHypergraph &h, int nparts, bool explicitUnitWeights = false) {
  int options[9] = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};
  std::vector<int> unitV(size_t(h.nvtxs), 1), unitE(size_t(h.nhedges()), 1);
  const int *vw = !h.vwgts.empty() ? h.vwgts.data() : explicitUnitWeights ? unitV.data() : nullptr;
  const int *ew = !h.hewgts.empty() ? h.hewgts.data() : explicitUnitWeights ? unitE.data() : nullptr;
  PartitionResult result;
  result.part.assign(size_t(h.nvtxs), -1);
  HGP_PartRecursive(h.nvtxs, h.nhedges(), vw, h.eptr.data(), h.eind.data(), ew, nparts, 5, options,
                    result.part.data(), &result.edgecut);
  return result;
}

// Summed weight of the nets with pins in more than one part.
inline int CutOf(const TestHypergraph &h, const std::vector<int> &part) {
  int cut = 0;
  for (int e = 0; e < h.nhedges(); e++) {
    int first = part[size_t(h.eind[size_t(h.eptr[size_t(e)])])];
    for (int i = h.eptr[size_t(e)] + 1; i < h.eptr[size_t(e) + 1]; i++)
      if (part[size_t(h.eind[size_t(i)])] != first) {
        cut += h.NetWeight(e);
        break;
      }
  }
  return cut;
}

// Every part in range, and the reported cut the real one.
inline void ExpectValidPartition(const TestHypergraph &h, const PartitionResult &result, int nparts) {
  for (int p : result.part) {
    ASSERT_GE(p, 0);
    ASSERT_LT(p, nparts);
  }
  EXPECT_EQ(result.edgecut, CutOf(h, result.part));
}

inline std::vector<int> PartWeights(const TestHypergraph &h, const std::vector<int> &part, int nparts) {
  std::vector<int> weights(size_t(nparts), 0);
  for (int v = 0; v < h.nvtxs; v++) weights[size_t(part[size_t(v)])] += h.VertexWeight(v);
  return weights;
}

// `size` distinct vertices among first..first+span-1 (mod nvtxs).
inline std::vector<int> DistinctPins(Lcg &rng, int nvtxs, int size, int first, int span) {
  std::vector<int> pins;
  while (int(pins.size()) < size) {
    int v = (first + int(rng.below(uint32_t(span)))) % nvtxs;
    if (std::find(pins.begin(), pins.end(), v) == pins.end()) pins.push_back(v);
  }
  return pins;
}

// Nets of 1..maxNet distinct pins (so one-pin nets too), a few of 51-80
// pins when `bigNets`.  With a window, nine nets in ten draw their pins
// from `window` consecutive vertices, like real constraint hypergraphs.
inline TestHypergraph RandomHypergraph(Lcg &rng, int nvtxs, int nhedges, int maxNet, bool bigNets = false,
                                       int window = 0) {
  TestHypergraph h;
  h.nvtxs = nvtxs;
  for (int e = 0; e < nhedges; e++) {
    int size = std::min(rng.between(1, maxNet), nvtxs);
    if (bigNets && e % 97 == 3 && nvtxs > 60) size = rng.between(51, std::min(nvtxs, 80));
    int span = (window == 0 || e % 10 == 0) ? nvtxs : std::min(nvtxs, std::max(window, size));
    h.AddNet(DistinctPins(rng, nvtxs, size, int(rng.below(uint32_t(nvtxs))), span));
  }
  return h;
}

// `clusters` groups of `clusterSize` vertices (a ring plus random nets of
// 2-5 pins inside each), `crossNets` 2-pin nets between clusters, vertex
// numbers shuffled.  `planted` receives each vertex's cluster.
inline TestHypergraph PlantedClusters(Lcg &rng, int clusters, int clusterSize, int crossNets,
                                      std::vector<int> *planted) {
  TestHypergraph h;
  h.nvtxs = clusters * clusterSize;
  std::vector<int> shuffle(size_t(h.nvtxs));
  std::iota(shuffle.begin(), shuffle.end(), 0);
  for (int i = h.nvtxs - 1; i > 0; i--) std::swap(shuffle[size_t(i)], shuffle[rng.below(uint32_t(i) + 1)]);
  auto vertex = [&](int c, int member) { return shuffle[size_t(c * clusterSize + member)]; };
  for (int c = 0; c < clusters; c++) {
    for (int m = 0; m < clusterSize; m++) h.AddNet({vertex(c, m), vertex(c, (m + 1) % clusterSize)});
    for (int pinsLeft = clusterSize; pinsLeft > 0;) {
      std::vector<int> pins = DistinctPins(rng, clusterSize, rng.between(2, 5), 0, clusterSize);
      for (int &m : pins) m = vertex(c, m);
      h.AddNet(pins);
      pinsLeft -= int(pins.size());
    }
  }
  for (int i = 0; i < crossNets; i++) {
    int a = rng.between(0, clusters - 1), b = (a + rng.between(1, clusters - 1)) % clusters;
    h.AddNet({vertex(a, rng.between(0, clusterSize - 1)), vertex(b, rng.between(0, clusterSize - 1))});
  }
  planted->assign(size_t(h.nvtxs), 0);
  for (int c = 0; c < clusters; c++)
    for (int m = 0; m < clusterSize; m++) (*planted)[size_t(vertex(c, m))] = c;
  return h;
}

// White-box helpers: an internal record with incidence arrays, and a
// control record with the system's settings.
inline HGraph *MakeHGraph(const TestHypergraph &h, bool withIncidence = true) {
  HGraph *graph = CreateHGraph__();
  graph->nvtxs = h.nvtxs;
  graph->nhedges = h.nhedges();
  graph->netptr = imalloc__(h.eptr.size(), "test: netptr");
  graph->netind = imalloc__(h.eind.size(), "test: netind");
  graph->netwgt = imalloc__(size_t(h.nhedges()), "test: netwgt");
  graph->cellwgt = imalloc__(size_t(h.nvtxs), "test: cellwgt");
  icopy__(h.eptr.size(), h.eptr.data(), graph->netptr);
  icopy__(h.eind.size(), h.eind.data(), graph->netind);
  for (int e = 0; e < h.nhedges(); e++) graph->netwgt[e] = h.NetWeight(e);
  for (int v = 0; v < h.nvtxs; v++) graph->cellwgt[v] = h.VertexWeight(v);
  if (withIncidence) CreateIncidentHGraph__(graph);
  return graph;
}

inline void FreeTestHGraph(HGraph *graph) {
  ZVfree__(&graph->label);
  FreeHGraph__(graph);
}

inline HgpCtrl MakeCtrl(int nparts) {
  HgpCtrl ctrl = HgpCtrl();
  ctrl.coarsenTo = 100;
  ctrl.matchType = ctrl.refineType = ctrl.vcycle = 1;
  ctrl.nRuns = 10;
  ctrl.maxNetSize = 50;
  ctrl.balance = 0.05f;
  ctrl.seed = 91648253;
  ctrl.nparts = nparts;
  ctrl.kwayRefine = nparts <= 64;
  ctrl.bisectFraction = 0.5f;
  InitRandom__(&ctrl, ctrl.seed);
  return ctrl;
}

#endif
