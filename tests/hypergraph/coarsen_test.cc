// Coarsening invariants: weight conservation, the merge cap and weight
// limit, identical-net merging, side-restricted coarsening, island
// round trips and the key sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "hypergraph/ZVlib.h"
#include "hypergraph/ccoarsen.h"
#include "hypergraph/coarsen.h"
#include "hypergraph/debug.h"
#include "hypergraph/hgraph.h"
#include "hypergraph/ikeysort.h"
#include "hypergraph/mlevelpart.h"
#include "tests/hypergraph/hgp_test_util.h"

namespace {

TestHypergraph Instance(int n, uint64_t seed) {
  TestRng rng(seed);
  TestHypergraph h = RandomHypergraph(rng, n, n + n / 3, 6, false, 40);
  h.vwgts.resize(size_t(n));
  for (int &w : h.vwgts) w = rng.Between(1, 3);
  h.hewgts.resize(size_t(h.nhedges()));
  for (int &w : h.hewgts) w = rng.Between(1, 4);
  return h;
}

int64_t TotalCellWeight(const HGraph *graph) { return iasum__(graph->nvtxs + graph->nislands, graph->cellwgt); }
int64_t TotalNetWeight(const HGraph *graph) { return iasum__(graph->nhedges, graph->netwgt); }

void FreeLevels(HGraph *finest) {
  for (HGraph *level = finest->coarser; level != nullptr;) {
    HGraph *next = level->coarser;
    FreeHGraph__(level);
    level = next;
  }
  finest->coarser = nullptr;
}

TEST(Coarsening, ConservesWeightsAndRespectsLimits) {
  for (int matchType : {1, 2}) {
    TestHypergraph h = Instance(3000, uint64_t(matchType));
    HGraph *graph = MakeHGraph(h);
    HgpCtrl ctrl = MakeCtrl(2, 0.5f);
    ctrl.matchType = matchType;
    ctrl.maxCellWeight = ComputeMaxCellWgt__(&ctrl, graph->nvtxs, graph->cellwgt);
    int64_t cellTotal = TotalCellWeight(graph), netTotal = TotalNetWeight(graph);
    HGraph *coarsest = Coarsen__(&ctrl, graph);
    EXPECT_LT(coarsest->nvtxs, 1000);
    // Islands set aside on a level stay behind on that level.
    int64_t expectedWeight = cellTotal;
    for (HGraph *level = graph; level->coarser != nullptr; level = level->coarser) {
      HGraph *coarser = level->coarser;
      expectedWeight -= TotalCellWeight(level) - iasum__(level->nvtxs, level->cellwgt);
      EXPECT_EQ(TotalCellWeight(coarser), expectedWeight);
      EXPECT_EQ(TotalNetWeight(coarser) + coarser->absorbedNetWeight, netTotal);
      int inPlay = level->nvtxs, created = coarser->nvtxs + coarser->nislands;
      EXPECT_GE(created, inPlay - (inPlay * 2 + 4) / 5);  // at most ceil(0.4 n) merges
      for (int c = 0; c < coarser->nvtxs; c++) {
        int members = level->mptr[c + 1] - level->mptr[c];
        if (members > 1) {
          EXPECT_LE(coarser->cellwgt[c], ctrl.maxCellWeight);
        }
      }
    }
    FreeLevels(graph);
    FreeTestHGraph(graph);
  }
}

TEST(Coarsening, IdenticalNetsMergeWithSummedWeight) {
  // Vertices 2i and 2i+1 form coarse vertex i: their pair nets vanish
  // inside it, and the nets {2i, 2i+2} and {2i+1, 2i+3} coincide.
  TestHypergraph h;
  h.nvtxs = 400;
  for (int i = 0; i < 200; i++) h.AddNet({2 * i, 2 * i + 1}, 50);
  for (int i = 0; i + 1 < 200; i++) {
    h.AddNet({2 * i, 2 * i + 2}, 1);
    h.AddNet({2 * i + 3, 2 * i + 1}, 1);
  }
  HGraph *graph = MakeHGraph(h);
  HgpCtrl ctrl = MakeCtrl(2, 0.5f);
  graph->cellmap = imalloc__(400, "test: cellmap");
  graph->mptr = imalloc__(201, "test: mptr");
  graph->mind = imalloc__(400, "test: mind");
  for (int v = 0; v < 400; v++) {
    graph->cellmap[v] = v / 2;
    graph->mind[v] = v;
  }
  for (int c = 0; c <= 200; c++) graph->mptr[c] = 2 * c;
  CoarsenScratch scratch;
  AllocateCoarsenScratch__(&scratch, graph);
  CreateCoarseHGraph__(&ctrl, graph, 200, &scratch);
  FreeCoarsenScratch__(&scratch);

  HGraph *coarser = graph->coarser;
  EXPECT_EQ(coarser->nvtxs, 200);
  EXPECT_EQ(coarser->absorbedNetWeight, 200 * 50);
  ASSERT_EQ(coarser->nhedges, 199);
  for (int e = 0; e < coarser->nhedges; e++) {
    EXPECT_EQ(coarser->netwgt[e], 2);
    EXPECT_EQ(NetSize__(coarser, e), 2);
  }
  for (int c = 0; c < 200; c++) EXPECT_EQ(coarser->cellwgt[c], 2);
  EXPECT_EQ(graph->netmap[0], -1);
  EXPECT_EQ(graph->netmap[200], graph->netmap[201]);
  FreeLevels(graph);
  FreeTestHGraph(graph);
}

// Restricted coarsening of `h` with sides in blocks of 500 vertices; the
// caller frees the levels.
HGraph *RestrictedLevels(const TestHypergraph &h, HgpCtrl *ctrl, std::vector<int> *sides) {
  HGraph *graph = MakeHGraph(h);
  ctrl->maxCellWeight = ComputeMaxCellWgt__(ctrl, graph->nvtxs, graph->cellwgt);
  graph->where = imalloc__(size_t(graph->nvtxs), "test: where");
  for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = (v / 500) % 2;
  sides->assign(graph->where, graph->where + graph->nvtxs);
  return graph;
}

TEST(RestrictedCoarsening, CoarsestLevelKeepsTheCut) {
  for (int matchType : {0, 1}) {
    TestHypergraph h = Instance(4000, uint64_t(matchType) + 10);
    HgpCtrl ctrl = MakeCtrl(2, 0.5f);
    ctrl.coarsenTo = 1000;
    ctrl.matchType = matchType;
    std::vector<int> sides;
    HGraph *graph = RestrictedLevels(h, &ctrl, &sides);
    HGraph *coarsest = CCoarsen__(&ctrl, graph);
    ASSERT_NE(coarsest, graph);
    EXPECT_EQ(ComputeActualCut__(coarsest, coarsest->where), CutOf(h, sides));
    FreeLevels(graph);
    FreeTestHGraph(graph);
  }
}

TEST(RestrictedCoarsening, NeverMixesSides) {
  for (int matchType : {0, 1}) {
    TestHypergraph h = Instance(4000, uint64_t(matchType) + 20);
    HgpCtrl ctrl = MakeCtrl(2, 0.5f);
    ctrl.coarsenTo = h.nvtxs - 1;  // exactly one level
    ctrl.matchType = matchType;
    std::vector<int> sides;
    HGraph *graph = RestrictedLevels(h, &ctrl, &sides);
    HGraph *first = CCoarsen__(&ctrl, graph);
    ASSERT_EQ(first, graph->coarser);
    for (int old = 0; old < h.nvtxs; old++) {
      int v = graph->islandmap != nullptr ? graph->islandmap[old] : old;
      if (v < graph->nvtxs) {
        ASSERT_EQ(first->where[graph->cellmap[v]], sides[size_t(old)]) << old;
      }
    }
    FreeLevels(graph);
    FreeTestHGraph(graph);
  }
}

TEST(Islands, SeparateAndCombineRoundTrip) {
  TestHypergraph h;
  h.nvtxs = 12;
  h.vwgts = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  h.AddNet({1, 4, 7});
  h.AddNet({4, 10});
  h.AddNet({2, 10, 11});
  HGraph *graph = MakeHGraph(h);
  graph->where = imalloc__(12, "test: where");
  for (int v = 0; v < 12; v++) graph->where[v] = v % 2;
  std::vector<int> where(graph->where, graph->where + 12), cellwgt(graph->cellwgt, graph->cellwgt + 12);
  std::vector<int> incptr(graph->incptr, graph->incptr + 13), netind(graph->netind, graph->netind + 8);
  SeparateIslands__(graph);
  EXPECT_EQ(graph->nvtxs, 6);
  EXPECT_EQ(graph->nislands, 6);
  EXPECT_EQ(graph->cellwgt[11], 1);  // islands from the end in increasing old number
  EXPECT_EQ(graph->cellwgt[6], 10);
  CombineIslands__(graph);
  EXPECT_EQ(graph->nvtxs, 12);
  EXPECT_EQ(std::vector<int>(graph->where, graph->where + 12), where);
  EXPECT_EQ(std::vector<int>(graph->cellwgt, graph->cellwgt + 12), cellwgt);
  EXPECT_EQ(std::vector<int>(graph->incptr, graph->incptr + 13), incptr);
  EXPECT_EQ(std::vector<int>(graph->netind, graph->netind + 8), netind);
  FreeTestHGraph(graph);
}

TEST(KeySort, SortsManyEqualKeysAndNearlySortedInput) {
  TestRng rng(4);
  for (int shape = 0; shape < 3; shape++) {
    std::vector<KeyValue> pairs(5000);
    for (int i = 0; i < 5000; i++) {
      int key = shape == 0 ? rng.Below(3) : shape == 1 ? i - (i % 97 == 0 ? 50 : 0) : int(rng.Next());
      pairs[size_t(i)] = KeyValue{key, i};
    }
    std::vector<KeyValue> sorted = pairs;
    ikeysort__(int(sorted.size()), sorted.data());
    for (size_t i = 1; i < sorted.size(); i++) ASSERT_LE(sorted[i - 1].key, sorted[i].key);
    std::vector<int> values;
    for (const KeyValue &p : sorted) values.push_back(p.val);
    std::sort(values.begin(), values.end());
    for (int i = 0; i < 5000; i++) ASSERT_EQ(values[size_t(i)], i);
  }
}

}  // namespace
