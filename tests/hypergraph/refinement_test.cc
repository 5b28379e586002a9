// White-box checks of the refinements: exact gains with one-pin nets; FM,
// V-cycles and k-way refinement never raise the cut, track it exactly and
// keep the weight limits; no k-way step without vertex weight.
#include <gtest/gtest.h>

#include "hypergraph/fm.h"
#include "hypergraph/kwayfm.h"
#include "hypergraph/kwayrefine.h"
#include "hypergraph/memory.h"
#include "hypergraph/mlevelpart.h"
#include "hypergraph/refine.h"
#include "tests/hypergraph/hgp_test_util.h"

namespace {

// Random nets, one-pin nets of weight 3 on every third vertex, a chain of
// pair nets so that nobody is an island.
TestHypergraph Instance(int n, uint64_t seed) {
  Lcg rng(seed);
  TestHypergraph h = RandomHypergraph(rng, n, n + n / 2, 5, false, 40);
  for (int v = 0; v < n; v += 3) h.AddNet({v}, 3);
  for (int v = 0; v + 1 < n; v += 2) h.AddNet({v, v + 1});
  return h;
}

std::vector<int> Where(const HGraph *graph) {
  return std::vector<int>(graph->where, graph->where + graph->nvtxs + graph->nislands);
}

void ExpectBisectionBounds(const TestHypergraph &h, const HGraph *graph, const HgpCtrl &ctrl) {
  std::vector<int> weights = PartWeights(h, Where(graph), 2);
  BisectionBounds bounds = ComputeBisectionBounds__(&ctrl, h.TotalVertexWeight());
  EXPECT_GE(weights[0], bounds.min0);
  EXPECT_GE(weights[1], bounds.min1);
}

HGraph *RandomBisection(const TestHypergraph &h, uint64_t seed) {
  HGraph *graph = MakeHGraph(h);
  AllocateRefinementMemory__(graph);
  Lcg rng(seed);
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = v % 2;
  for (int v = graph->nvtxs - 1; v > 0; v--) std::swap(graph->where[v], graph->where[rng.below(uint32_t(v) + 1)]);
  return graph;
}

TEST(FmGains, OnePinNetContributesNothing) {
  TestHypergraph h;
  h.nvtxs = 3;
  h.AddNet({0}, 5);  // private net of vertex 0
  h.AddNet({0, 1});
  h.AddNet({1, 2});
  HGraph *graph = MakeHGraph(h);
  AllocateRefinementMemory__(graph);
  graph->where[0] = 0;
  graph->where[1] = graph->where[2] = 1;
  ComputeInitGains__(graph);
  EXPECT_EQ(graph->mincut, 1);
  EXPECT_EQ(graph->gain[0], 1);   // uncuts {0,1}; its private net stays uncut
  EXPECT_EQ(graph->gain[2], -1);  // cuts {1,2}
  FreeTestHGraph(graph);
}

TEST(FmRefinement, NeverRaisesCutAndReportsRealCut) {
  for (uint64_t seed : {1, 2, 3}) {
    TestHypergraph h = Instance(600, seed);
    HgpCtrl ctrl = MakeCtrl(2);
    HGraph *graph = RandomBisection(h, seed);
    ComputeInitGains__(graph);
    int before = graph->mincut;
    ASSERT_EQ(before, CutOf(h, Where(graph)));
    Refine_FM__(&ctrl, graph, 1);  // one pass: the cut is the tracked one, not recomputed
    EXPECT_LT(graph->mincut, before / 2);  // a random bisection is easy to improve
    EXPECT_EQ(graph->mincut, CutOf(h, Where(graph)));
    ExpectBisectionBounds(h, graph, ctrl);
    FreeTestHGraph(graph);
  }
}

TEST(VCycles, NeverWorsenABalancedBisection) {
  TestHypergraph h = Instance(3000, 8);
  HgpCtrl ctrl = MakeCtrl(2);
  HGraph *graph = RandomBisection(h, 8);
  ctrl.maxCellWeight = ComputeMaxCellWgt__(&ctrl, graph->nvtxs, graph->cellwgt);
  Refine_FM__(&ctrl, graph, 2);
  int before = graph->mincut;
  ZVfree__(&graph->gain, &graph->ndeg[0], &graph->ndeg[1]);
  VCycleRefinement__(&ctrl, graph, 10);
  EXPECT_LE(graph->mincut, before);
  EXPECT_EQ(graph->mincut, CutOf(h, Where(graph)));
  ExpectBisectionBounds(h, graph, ctrl);
  EXPECT_EQ(ctrl.coarsenTo, 100);  // settings restored
  EXPECT_EQ(ctrl.matchType, 1);
  FreeTestHGraph(graph);
}

// A random k-way assignment and the balance the driver would derive from it.
HGraph *RandomKway(const TestHypergraph &h, HgpCtrl *ctrl, int k, uint64_t seed) {
  HGraph *graph = MakeHGraph(h);
  AllocateKwayRefinementMemory__(ctrl, graph);
  Lcg rng(seed);
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = int(rng.below(uint32_t(k)));
  std::vector<int> weights = PartWeights(h, Where(graph), k);
  ctrl->balance = float(double(k) * *std::max_element(weights.begin(), weights.end()) / h.TotalVertexWeight());
  return graph;
}

TEST(KwayRefinement, NeverRaisesCutAndTracksItExactly) {
  for (int k : {3, 8, 64}) {
    SCOPED_TRACE("k=" + std::to_string(k));
    TestHypergraph h = Instance(2000, uint64_t(k));
    HgpCtrl ctrl = MakeCtrl(k);
    HGraph *graph = RandomKway(h, &ctrl, k, uint64_t(k) + 1);
    int before = CutOf(h, Where(graph));
    std::vector<int> startWeights = PartWeights(h, Where(graph), k);
    RefineCutKway_Random__(&ctrl, graph, 10);
    std::vector<int> part = Where(graph);
    EXPECT_LT(graph->kwayCut, before);
    EXPECT_EQ(graph->kwayCut, CutOf(h, part));
    // A part only moves towards the limits derived from the balance.
    int total = h.TotalVertexWeight();
    int maxpwgt = int(float(total) * ctrl.balance / float(k)), minpwgt = int(float(total) / (float(k) * ctrl.balance));
    std::vector<int> weights = PartWeights(h, part, k);
    for (int p = 0; p < k; p++) {
      EXPECT_LE(weights[size_t(p)], std::max(startWeights[size_t(p)], maxpwgt)) << "part " << p;
      EXPECT_GE(weights[size_t(p)], std::min(startWeights[size_t(p)], minpwgt)) << "part " << p;
    }
    FreeTestHGraph(graph);
  }
}

// Without vertex weight the k-way balance would be 0/0: the step is skipped.
TEST(KwayStep, SkippedWithoutVertexWeight) {
  Lcg rng(5);
  TestHypergraph h = RandomHypergraph(rng, 300, 400, 4);
  h.vwgts.assign(size_t(h.nvtxs), 0);
  HGraph *graph = MakeHGraph(h, false);
  HgpCtrl ctrl = MakeCtrl(5);
  std::vector<int> part(size_t(h.nvtxs), -1);
  MultilevelPartition__(&ctrl, graph, part.data());
  EXPECT_EQ(ctrl.balance, 0.05f);
  FreeTestHGraph(graph);
}

}  // namespace
