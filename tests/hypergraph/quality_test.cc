// Partition quality against answers known independently: planted
// clusters, the optimal bisection of a grid, and exhaustive search on tiny
// instances.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "tests/hypergraph/hgp_test_util.h"

namespace {

// Cut of a random assignment with equal part sizes.
int RandomBalancedCut(const TestHypergraph &h, int nparts, uint64_t seed) {
  TestRng rng(seed);
  std::vector<int> part(size_t(h.nvtxs));
  for (int v = 0; v < h.nvtxs; v++) part[size_t(v)] = v % nparts;
  for (int i = h.nvtxs - 1; i > 0; i--) std::swap(part[size_t(i)], part[size_t(rng.Below(i + 1))]);
  return CutOf(h, part);
}

void ExpectNearPlantedCut(int clusters, int clusterSize, int crossNets, uint64_t seed) {
  TestRng rng(seed);
  std::vector<int> planted;
  TestHypergraph h = PlantedClusters(rng, clusters, clusterSize, crossNets, &planted);
  int plantedCut = CutOf(h, planted);
  PartitionResult result = Partition(h, clusters);
  EXPECT_EQ(result.edgecut, CutOf(h, result.part));
  EXPECT_LE(result.edgecut, 1.1 * plantedCut + 2) << "planted " << plantedCut;
  EXPECT_LE(result.edgecut, 0.25 * RandomBalancedCut(h, clusters, seed + 1));
}

TEST(Quality, TwoPlantedClustersAreFound) { ExpectNearPlantedCut(2, 200, 6, 1); }

TEST(Quality, FourPlantedClustersAreFound) { ExpectNearPlantedCut(4, 200, 14, 2); }

TEST(Quality, SixteenPlantedClustersAreFound) { ExpectNearPlantedCut(16, 200, 60, 3); }

TEST(Quality, GridBisectionNearOptimalCut) {
  TestHypergraph h = Grid(40, 40);
  PartitionResult result = Partition(h, 2);
  EXPECT_EQ(result.edgecut, CutOf(h, result.part));
  EXPECT_LE(result.edgecut, 60);  // the optimum is 40
  EXPECT_GE(result.edgecut, 40);
}

TEST(Quality, GridFourWayNearOptimalCut) {
  TestHypergraph h = Grid(40, 40);
  PartitionResult result = Partition(h, 4);
  EXPECT_LE(result.edgecut, 120);  // the optimum is 80
  EXPECT_GE(result.edgecut, 80);
}

// Smallest cut over all bisections whose sides both weigh at least the
// minimum the partitioner's balance rule demands.
int ExhaustiveBisectionOptimum(const TestHypergraph &h) {
  int minimum = int(float(h.nvtxs) * (0.5f - 0.05f));
  int best = INT_MAX;
  std::vector<int> part(size_t(h.nvtxs));
  for (uint32_t mask = 0; mask < (1u << h.nvtxs); mask++) {
    int ones = __builtin_popcount(mask);
    if (ones < minimum || h.nvtxs - ones < minimum) continue;
    for (int v = 0; v < h.nvtxs; v++) part[size_t(v)] = int((mask >> v) & 1u);
    best = std::min(best, CutOf(h, part));
  }
  return best;
}

TEST(Quality, TinyBisectionsMatchExhaustiveOptimum) {
  TestRng rng(2024);
  int optimal = 0;
  for (int instance = 0; instance < 40; instance++) {
    int n = rng.Between(4, 16);
    TestHypergraph h = RandomHypergraph(rng, n, rng.Between(n, 2 * n), 4);
    int optimum = ExhaustiveBisectionOptimum(h);
    PartitionResult result = Partition(h, 2);
    ASSERT_EQ(result.edgecut, CutOf(h, result.part));
    std::vector<int> weights = PartWeights(h, result.part, 2);
    int minimum = int(float(n) * (0.5f - 0.05f));
    EXPECT_GE(std::min(weights[0], weights[1]), minimum) << "instance " << instance;
    EXPECT_GE(result.edgecut, optimum) << "instance " << instance;
    if (result.edgecut == optimum) optimal++;
  }
  EXPECT_GE(optimal, 36);
}

}  // namespace
