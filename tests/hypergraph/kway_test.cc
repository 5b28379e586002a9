// White-box checks of the k-way refinement: the tracked cut and sum of
// external degrees stay exact (one-pin nets included), the cut never
// rises, and the part weight limits hold.
#include <gtest/gtest.h>

#include <algorithm>

#include "hypergraph/ZVlib.h"
#include "hypergraph/hgraph.h"
#include "hypergraph/kwayfm.h"
#include "hypergraph/kwayrefine.h"
#include "hypergraph/mlevelpart.h"
#include "tests/hypergraph/hgp_test_util.h"

namespace {

TestHypergraph Instance(int n, uint64_t seed) {
  TestRng rng(seed);
  TestHypergraph h = RandomHypergraph(rng, n, n + n / 2, 5, false, 40);
  for (int v = 0; v < n; v += 4) h.AddNet({v}, 3);  // one-pin nets
  for (int v = 0; v + 1 < n; v += 2) h.AddNet({v, v + 1});
  return h;
}

std::vector<int> Parts(const HGraph *graph) { return std::vector<int>(graph->where, graph->where + graph->nvtxs); }

// A random assignment with slightly uneven parts, and the balance the
// driver would derive from it.
HGraph *RandomKway(const TestHypergraph &h, HgpCtrl *ctrl, int k, uint64_t seed) {
  HGraph *graph = MakeHGraph(h);
  AllocateKwayRefinementMemory__(ctrl, graph);
  TestRng rng(seed);
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = rng.Below(k);
  std::vector<int> weights = PartWeights(h, Parts(graph), k);
  int heaviest = *std::max_element(weights.begin(), weights.end());
  ctrl->balance = float(double(k) * heaviest / h.TotalVertexWeight());
  return graph;
}

int64_t SumOfExternalDegrees(const TestHypergraph &h, const std::vector<int> &part) {
  int64_t soed = 0;
  for (int e = 0; e < h.nhedges(); e++) {
    std::vector<int> parts;
    for (int i = h.eptr[size_t(e)]; i < h.eptr[size_t(e) + 1]; i++) parts.push_back(part[size_t(h.eind[size_t(i)])]);
    std::sort(parts.begin(), parts.end());
    int64_t touched = std::unique(parts.begin(), parts.end()) - parts.begin();
    if (touched > 1) soed += touched * h.NetWeight(e);
  }
  return soed;
}

TEST(KwayRefinement, NeverRaisesCutAndTracksItExactly) {
  for (int k : {3, 8, 64}) {
    TestHypergraph h = Instance(2000, uint64_t(k));
    HgpCtrl ctrl = MakeCtrl(k, 0.5f);
    HGraph *graph = RandomKway(h, &ctrl, k, uint64_t(k) + 1);
    int before = CutOf(h, Parts(graph));
    std::vector<int> startWeights = PartWeights(h, Parts(graph), k);
    RefineCutKway_Random__(&ctrl, graph, 10);
    std::vector<int> part = Parts(graph);
    EXPECT_LT(graph->kwayCut, before) << "k=" << k;
    EXPECT_EQ(graph->kwayCut, CutOf(h, part)) << "k=" << k;
    EXPECT_EQ(graph->soed, SumOfExternalDegrees(h, part)) << "k=" << k;

    int total = h.TotalVertexWeight();
    int maxpwgt = int(float(total) * ctrl.balance / float(k));
    int minpwgt = int(float(total) / (float(k) * ctrl.balance));
    std::vector<int> weights = PartWeights(h, part, k);
    for (int p = 0; p < k; p++) {
      EXPECT_LE(weights[size_t(p)], std::max(startWeights[size_t(p)], maxpwgt)) << "k=" << k << " part " << p;
      EXPECT_GE(weights[size_t(p)], std::min(startWeights[size_t(p)], minpwgt)) << "k=" << k << " part " << p;
    }
    FreeTestHGraph(graph);
  }
}

TEST(KwayRefinement, IncrementalRecordsMatchRecomputedOnes) {
  TestHypergraph h = Instance(800, 17);
  HgpCtrl ctrl = MakeCtrl(6, 0.5f);
  HGraph *graph = RandomKway(h, &ctrl, 6, 18);
  RefineCutKway_Random__(&ctrl, graph, 3);
  std::vector<CellKwayInfo> tracked(graph->crinfo, graph->crinfo + graph->nvtxs);
  int trackedCut = graph->mincut;
  ComputeInitKwayGains__(&ctrl, graph);
  EXPECT_EQ(trackedCut, graph->mincut);
  for (int v = 0; v < graph->nvtxs; v++) {
    ASSERT_EQ(tracked[size_t(v)].id, graph->crinfo[v].id) << v;
    ASSERT_EQ(tracked[size_t(v)].ed, graph->crinfo[v].ed) << v;
    ASSERT_EQ(tracked[size_t(v)].ndegrees, graph->crinfo[v].ndegrees) << v;
  }
  FreeTestHGraph(graph);
}

TEST(KwayVCycles, NeverRaiseCut) {
  TestHypergraph h = Instance(4000, 23);
  HgpCtrl ctrl = MakeCtrl(4, 0.5f);
  ctrl.maxCellWeight = ComputeMaxCellWgt__(&ctrl, h.nvtxs, std::vector<int>(size_t(h.nvtxs), 1).data());
  HGraph *graph = RandomKway(h, &ctrl, 4, 24);
  RefineCutKway_Random__(&ctrl, graph, 2);
  int before = graph->kwayCut;
  FreeKwayRecords__(graph);
  ZVfree__(&graph->kpwgts);
  VCycleRefinementKway__(&ctrl, graph, 10);
  EXPECT_LE(graph->kwayCut, before);
  EXPECT_EQ(graph->kwayCut, CutOf(h, Parts(graph)));
  FreeTestHGraph(graph);
}

}  // namespace
