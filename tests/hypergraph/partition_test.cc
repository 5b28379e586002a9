// The entry point as a black box: its contract, balance and quality
// against independently known answers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "tests/hypergraph/hgp_test_util.h"

namespace {

struct Shape {
  int nvtxs, nparts;
};

class ContractTest : public ::testing::TestWithParam<Shape> {};

// Parts in range, the reported cut is the real one, and a second call --
// with explicit unit weights instead of null ones, and the process's
// generator in another state -- gives the same partition.  The partitioner
// neither draws from nor reseeds the process's generator.
TEST_P(ContractTest, ValidRepeatableAndOwnGenerator) {
  const Shape shape = GetParam();
  Lcg rng(uint64_t(shape.nvtxs) * 7919 + 1);
  TestHypergraph h = RandomHypergraph(rng, shape.nvtxs, shape.nvtxs + shape.nvtxs / 4, 6, true, 40);
  srand48(12345);
  double expected = drand48();
  srand48(12345);
  PartitionResult first = Partition(h, shape.nparts);
  EXPECT_EQ(drand48(), expected);
  ExpectValidPartition(h, first, shape.nparts);

  srand48(999);
  PartitionResult second = Partition(h, shape.nparts, true);
  EXPECT_EQ(first.part, second.part);
  EXPECT_EQ(first.edgecut, second.edgecut);
}

std::vector<Shape> ContractShapes() {
  std::vector<Shape> shapes;
  for (int n : {1, 7, 99, 101, 1500})
    for (int k : {2, 3, 5, 16, 64, 65}) shapes.push_back({n, k});
  shapes.push_back({5000, 2});
  shapes.push_back({5000, 16});
  return shapes;
}

INSTANTIATE_TEST_SUITE_P(SizesAndPartCounts, ContractTest, ::testing::ValuesIn(ContractShapes()),
                         [](const ::testing::TestParamInfo<Shape> &shape) {
                           return "n" + std::to_string(shape.param.nvtxs) + "_k" + std::to_string(shape.param.nparts);
                         });

TEST(Contract, WeightedAndDuplicatePinsCutMatches) {
  Lcg rng(42);
  TestHypergraph h = RandomHypergraph(rng, 1200, 1500, 5, false, 40);
  TestHypergraph doubled = h;  // every net lists its first pin twice
  doubled.eind.clear();
  doubled.eptr = {0};
  for (int e = 0; e < h.nhedges(); e++) {
    std::vector<int> pins(h.eind.begin() + h.eptr[size_t(e)], h.eind.begin() + h.eptr[size_t(e) + 1]);
    pins.push_back(pins.front());
    doubled.AddNet(pins);
  }
  TestHypergraph weighted = h;
  weighted.vwgts.resize(size_t(h.nvtxs));
  for (int &w : weighted.vwgts) w = rng.between(1, 9);
  weighted.hewgts.resize(size_t(h.nhedges()));
  for (int &w : weighted.hewgts) w = rng.between(1, 400);  // wide gain range: heap queues
  for (int k : {2, 3, 16}) {
    PartitionResult result = Partition(doubled, k);
    ExpectValidPartition(doubled, result, k);
    EXPECT_EQ(result.part, Partition(h, k).part);
    ExpectValidPartition(weighted, Partition(weighted, k), k);
  }
}

TEST(Contract, DegenerateInputs) {
  EXPECT_EQ(Partition(TestHypergraph(), 16).edgecut, 0);

  TestHypergraph islands;  // no nets at all: every part still gets a vertex
  islands.nvtxs = 2500;
  for (int k : {3, 65}) {
    PartitionResult result = Partition(islands, k);
    ExpectValidPartition(islands, result, k);
    for (int w : PartWeights(islands, result.part, k)) EXPECT_GE(w, 1) << "k=" << k;
  }

  Lcg rng(5);
  TestHypergraph weightless = RandomHypergraph(rng, 300, 400, 4);
  weightless.vwgts.assign(size_t(weightless.nvtxs), 0);
  for (int k : {3, 16}) ExpectValidPartition(weightless, Partition(weightless, k), k);

  TestHypergraph small = RandomHypergraph(rng, 40, 50, 3);
  ExpectValidPartition(small, Partition(small, INT_MAX), INT_MAX);
}

// Largest weight a final part may reach: a side of a bisection of W
// aiming at share s weighs at most W * (s + 0.05) + 1, recursively.
double LeafBound(double weight, int k) {
  if (k == 1) return weight;
  int left = k == 3 ? 1 : k / 2, right = k - left;
  double share0 = double(k / 2) / k;
  return std::max(LeafBound(weight * (share0 + 0.05) + 1, left),
                  LeafBound(weight * (1.0 - share0 + 0.05) + 1, right));
}

TEST(Balance, EveryPartWithinWhatUbfactorFiveAllows) {
  const struct BalanceCase { int nvtxs, nparts; bool weighted; } cases[] = {
      {40, 2, false},   {1000, 2, false}, {4000, 2, false},  {2000, 2, true},   {2000, 3, false},
      {2000, 5, true},  {2000, 16, false}, {2000, 64, false}, {2000, 65, false}};
  for (const BalanceCase &c : cases) {
    SCOPED_TRACE("n=" + std::to_string(c.nvtxs) + " k=" + std::to_string(c.nparts));
    Lcg rng(uint64_t(c.nvtxs * 100 + c.nparts));
    TestHypergraph h = RandomHypergraph(rng, c.nvtxs, c.nvtxs, 5, false, 30);
    for (int v = 0; v + 1 < c.nvtxs; v += 2) h.AddNet({v, v + 1});  // no islands
    if (c.weighted) {
      h.vwgts.resize(size_t(c.nvtxs));
      for (int &w : h.vwgts) w = rng.between(1, 4);
    }
    PartitionResult result = Partition(h, c.nparts);
    std::vector<int> weights = PartWeights(h, result.part, c.nparts);
    int total = h.TotalVertexWeight();
    for (int w : weights) {
      EXPECT_LE(w, LeafBound(total, c.nparts));
      EXPECT_GT(w, 0);
    }
    if (c.nparts == 2) {  // each side at least 45 %, as the single-precision bound truncates it
      EXPECT_GE(std::min(weights[0], weights[1]), int(float(total) * (0.5f - 0.05f)));
    }
  }
}

TEST(Quality, PlantedClustersAreFound) {
  const int cases[][2] = {{2, 6}, {4, 14}, {16, 60}};  // clusters of 200 vertices, nets across
  for (const auto &c : cases) {
    Lcg rng{uint64_t(c[0])};
    std::vector<int> planted;
    TestHypergraph h = PlantedClusters(rng, c[0], 200, c[1], &planted);
    int plantedCut = CutOf(h, planted);
    PartitionResult result = Partition(h, c[0]);
    EXPECT_EQ(result.edgecut, CutOf(h, result.part));
    EXPECT_LE(result.edgecut, 1.1 * plantedCut + 2) << c[0] << " clusters, planted cut " << plantedCut;
  }
}

TEST(Quality, TinyBisectionsMatchExhaustiveOptimum) {
  Lcg rng(2024);
  int optimal = 0;
  for (int instance = 0; instance < 40; instance++) {
    int n = rng.between(4, 16);
    TestHypergraph h = RandomHypergraph(rng, n, rng.between(n, 2 * n), 4);
    int minimum = int(float(n) * (0.5f - 0.05f));  // the same balance rule
    int optimum = INT_MAX;
    std::vector<int> part(size_t(n), 0);
    for (uint32_t mask = 0; mask < (1u << n); mask++) {
      int ones = __builtin_popcount(mask);
      if (ones < minimum || n - ones < minimum) continue;
      for (int v = 0; v < n; v++) part[size_t(v)] = int((mask >> v) & 1u);
      optimum = std::min(optimum, CutOf(h, part));
    }
    PartitionResult result = Partition(h, 2);
    ASSERT_EQ(result.edgecut, CutOf(h, result.part));
    std::vector<int> weights = PartWeights(h, result.part, 2);
    EXPECT_GE(std::min(weights[0], weights[1]), minimum) << "instance " << instance;
    EXPECT_GE(result.edgecut, optimum) << "instance " << instance;
    if (result.edgecut == optimum) optimal++;
  }
  EXPECT_GE(optimal, 36);
}

}  // namespace
