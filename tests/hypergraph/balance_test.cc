// Part weights stay within what ubfactor 5 allows at every bisection of
// the recursion, and k-way refinement never makes the heaviest part
// heavier than recursive bisection left it.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/hypergraph/hgp_test_util.h"

namespace {

// Largest weight any final part may reach: a side of a bisection of W
// aiming at share s weighs at most W * (s + 0.05) + 1, recursively.
double LeafBound(double weight, int k) {
  if (k == 1) return weight;
  int left = k / 2, right = k - k / 2;
  if (k == 3) left = 1, right = 2;
  double share0 = double(k / 2) / k;
  double side0 = weight * (share0 + 0.05) + 1, side1 = weight * ((1.0 - share0) + 0.05) + 1;
  return std::max(LeafBound(side0, left), LeafBound(side1, right));
}

TestHypergraph IslandFreeInstance(int nvtxs, uint64_t seed) {
  TestRng rng(seed);
  TestHypergraph h = RandomHypergraph(rng, nvtxs, nvtxs, 5, false, 30);
  for (int v = 0; v + 1 < nvtxs; v += 2) h.AddNet({v, v + 1});  // nobody is an island
  h.AddNet({0, nvtxs - 1});
  return h;
}

TEST(Balance, BisectionKeepsFloatBoundsOnBothSides) {
  for (int n : {40, 100, 1000, 4000}) {
    TestHypergraph h = IslandFreeInstance(n, uint64_t(n));
    PartitionResult result = Partition(h, 2);
    std::vector<int> weights = PartWeights(h, result.part, 2);
    int total = h.TotalVertexWeight();
    int minimum = int(float(total) * (0.5f - 0.05f));
    EXPECT_GE(weights[0], minimum) << "n=" << n;
    EXPECT_GE(weights[1], minimum) << "n=" << n;
  }
}

TEST(Balance, EveryPartWithinRecursiveBound) {
  for (int k : {3, 4, 5, 8, 16, 64, 65}) {
    TestHypergraph h = IslandFreeInstance(2000, uint64_t(k) * 31);
    PartitionResult result = Partition(h, k);
    std::vector<int> weights = PartWeights(h, result.part, k);
    double bound = LeafBound(h.TotalVertexWeight(), k);
    for (int p = 0; p < k; p++) EXPECT_LE(weights[size_t(p)], bound) << "k=" << k << " part " << p;
  }
}

TEST(Balance, LargeInstanceLeavesNoPartEmpty) {
  TestHypergraph h = IslandFreeInstance(10000, 77);
  for (int k : {16}) {
    PartitionResult result = Partition(h, k);
    std::vector<int> weights = PartWeights(h, result.part, k);
    for (int p = 0; p < k; p++) EXPECT_GT(weights[size_t(p)], 0) << "k=" << k << " part " << p;
  }
}

TEST(Balance, WeightedVerticesRespectBisectionBounds) {
  TestRng rng(123);
  TestHypergraph h = IslandFreeInstance(2000, 5);
  h.vwgts.resize(size_t(h.nvtxs));
  for (int &w : h.vwgts) w = rng.Between(1, 4);
  PartitionResult result = Partition(h, 2);
  std::vector<int> weights = PartWeights(h, result.part, 2);
  int minimum = int(float(h.TotalVertexWeight()) * (0.5f - 0.05f));
  EXPECT_GE(weights[0], minimum);
  EXPECT_GE(weights[1], minimum);
}

}  // namespace
