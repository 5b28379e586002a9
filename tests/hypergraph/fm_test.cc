// White-box checks of the bisection refinement: gains are exact (one-pin
// nets included), FM and balancing never report a cut other than the real
// one, FM never raises the cut, and V-cycles never worsen a bisection.
#include <gtest/gtest.h>

#include <algorithm>

#include "hypergraph/ZVlib.h"
#include "hypergraph/fm.h"
#include "hypergraph/hgraph.h"
#include "hypergraph/memory.h"
#include "hypergraph/mlevelpart.h"
#include "hypergraph/refine.h"
#include "tests/hypergraph/hgp_test_util.h"

namespace {

std::vector<int> Sides(const HGraph *graph) {
  return std::vector<int>(graph->where, graph->where + graph->nvtxs + graph->nislands);
}

TestHypergraph StructuredWithPrivateNets(int n, uint64_t seed) {
  TestRng rng(seed);
  TestHypergraph h = RandomHypergraph(rng, n, n, 5, false, 30);
  for (int v = 0; v < n; v += 3) h.AddNet({v}, 2);  // one-pin nets
  for (int v = 0; v + 1 < n; v += 2) h.AddNet({v, v + 1});
  return h;
}

void RandomBisection(HGraph *graph, uint64_t seed) {
  AllocateRefinementMemory__(graph);
  TestRng rng(seed);
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = v % 2;
  for (int v = graph->nvtxs - 1; v > 0; v--) std::swap(graph->where[v], graph->where[rng.Below(v + 1)]);
}

TEST(FmGains, OnePinNetContributesNothing) {
  TestHypergraph h;
  h.nvtxs = 3;
  h.AddNet({0}, 5);     // private net of vertex 0
  h.AddNet({0, 1}, 1);  // cut, uncut if 0 moves
  h.AddNet({1, 2}, 1);
  HGraph *graph = MakeHGraph(h);
  AllocateRefinementMemory__(graph);
  graph->where[0] = 0;
  graph->where[1] = 1;
  graph->where[2] = 1;
  ComputeInitGains__(graph);
  EXPECT_EQ(graph->mincut, 1);
  EXPECT_EQ(graph->gain[0], 1);   // moving 0 uncuts {0,1}; its private net stays uncut
  EXPECT_EQ(graph->gain[2], -1);  // moving 2 cuts {1,2}
  FreeTestHGraph(graph);
}

TEST(FmRefinement, NeverRaisesCutAndReportsRealCut) {
  for (uint64_t seed : {1, 2, 3}) {
    TestHypergraph h = StructuredWithPrivateNets(600, seed);
    HGraph *graph = MakeHGraph(h);
    HgpCtrl ctrl = MakeCtrl(2, 0.5f);
    RandomBisection(graph, seed);
    ComputeInitGains__(graph);
    int before = graph->mincut;
    ASSERT_EQ(before, CutOf(h, Sides(graph)));
    Refine_FM__(&ctrl, graph, 10);
    EXPECT_LE(graph->mincut, before);
    EXPECT_LT(graph->mincut, before / 2);  // a random bisection is easy to improve
    EXPECT_EQ(graph->mincut, CutOf(h, Sides(graph)));
    std::vector<int> weights = PartWeights(h, Sides(graph), 2);
    BisectionBounds bounds = ComputeBisectionBounds__(&ctrl, h.nvtxs);
    EXPECT_GE(weights[0], bounds.min0);
    EXPECT_GE(weights[1], bounds.min1);
    FreeTestHGraph(graph);
  }
}

TEST(FmRefinement, ConstrainedVariantAgreesOnSmallSlack) {
  TestHypergraph h = StructuredWithPrivateNets(45, 9);
  HGraph *a = MakeHGraph(h), *b = MakeHGraph(h);
  HgpCtrl ctrlA = MakeCtrl(2, 0.5f), ctrlB = MakeCtrl(2, 0.5f);
  RandomBisection(a, 4);
  RandomBisection(b, 4);
  Refine_FM__(&ctrlA, a, 10);
  Refine_FM2__(&ctrlB, b, 10);
  EXPECT_EQ(Sides(a), Sides(b));
  EXPECT_EQ(a->mincut, b->mincut);
  EXPECT_EQ(a->mincut, CutOf(h, Sides(a)));
  FreeTestHGraph(a);
  FreeTestHGraph(b);
}

TEST(Balancing, UnbalancedBisectionReachesBoundsWithRealCut) {
  TestHypergraph h = StructuredWithPrivateNets(500, 5);
  HGraph *graph = MakeHGraph(h);
  HgpCtrl ctrl = MakeCtrl(2, 0.5f);
  AllocateRefinementMemory__(graph);
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = v < 450 ? 0 : 1;
  Balance__(&ctrl, graph);
  BisectionBounds bounds = ComputeBisectionBounds__(&ctrl, h.nvtxs);
  EXPECT_GE(graph->pwgts[0], bounds.min0);
  EXPECT_GE(graph->pwgts[1], bounds.min1);
  EXPECT_EQ(graph->mincut, CutOf(h, Sides(graph)));
  FreeTestHGraph(graph);
}

TEST(Balancing, BalancedBisectionIsLeftAlone) {
  TestHypergraph h = StructuredWithPrivateNets(300, 6);
  HGraph *graph = MakeHGraph(h);
  HgpCtrl ctrl = MakeCtrl(2, 0.5f);
  RandomBisection(graph, 6);
  std::vector<int> before = Sides(graph);
  Balance__(&ctrl, graph);
  EXPECT_EQ(Sides(graph), before);
  FreeTestHGraph(graph);
}

TEST(VCycles, NeverWorsenABalancedBisection) {
  TestHypergraph h = StructuredWithPrivateNets(3000, 8);
  HGraph *graph = MakeHGraph(h);
  HgpCtrl ctrl = MakeCtrl(2, 0.5f);
  ctrl.maxCellWeight = ComputeMaxCellWgt__(&ctrl, graph->nvtxs, graph->cellwgt);
  RandomBisection(graph, 8);
  Refine_FM__(&ctrl, graph, 2);
  int before = graph->mincut;
  ZVfree__(&graph->gain, &graph->ndeg[0], &graph->ndeg[1]);
  VCycleRefinement__(&ctrl, graph, 10);
  EXPECT_LE(graph->mincut, before);
  EXPECT_EQ(graph->mincut, CutOf(h, Sides(graph)));
  std::vector<int> weights = PartWeights(h, Sides(graph), 2);
  BisectionBounds bounds = ComputeBisectionBounds__(&ctrl, h.nvtxs);
  EXPECT_GE(weights[0], bounds.min0);
  EXPECT_GE(weights[1], bounds.min1);
  EXPECT_EQ(ctrl.coarsenTo, 100);  // settings restored
  EXPECT_EQ(ctrl.matchType, 1);
  FreeTestHGraph(graph);
}

}  // namespace
