// The entry point's contract: parts in range, the reported cut equals the
// cut of the returned parts, the same input gives the same partition, and
// null weights mean unit weights.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "tests/hypergraph/hgp_test_util.h"

namespace {

struct Shape {
  int nvtxs, nparts;
};

class ContractTest : public ::testing::TestWithParam<Shape> {};

TestHypergraph InstanceFor(int nvtxs) {
  TestRng rng(uint64_t(nvtxs) * 7919 + 1);
  // Nets of 1 to 6 pins (so many one-pin nets) plus a few above 50 pins.
  return RandomHypergraph(rng, nvtxs, nvtxs + nvtxs / 4, 6, true, 40);
}

void ExpectValidPartition(const TestHypergraph &h, const PartitionResult &result, int nparts) {
  for (int p : result.part) {
    ASSERT_GE(p, 0);
    ASSERT_LT(p, nparts);
  }
  EXPECT_EQ(result.edgecut, CutOf(h, result.part));
}

TEST_P(ContractTest, PartsInRangeCutMatchesAndRepeatable) {
  Shape shape = GetParam();
  TestHypergraph h = InstanceFor(shape.nvtxs);
  PartitionResult first = Partition(h, shape.nparts);
  ExpectValidPartition(h, first, shape.nparts);
  PartitionResult second = Partition(h, shape.nparts);
  EXPECT_EQ(first.part, second.part);
  EXPECT_EQ(first.edgecut, second.edgecut);
}

std::vector<Shape> AllShapes() {
  std::vector<Shape> shapes;
  for (int n : {1, 7, 99, 101, 1500})
    for (int k : {2, 3, 5, 16, 64, 65}) shapes.push_back({n, k});
  for (int k : {2, 16, 65}) shapes.push_back({5000, k});  // the largest size costs most
  return shapes;
}

INSTANTIATE_TEST_SUITE_P(SizesAndPartCounts, ContractTest, ::testing::ValuesIn(AllShapes()),
                         [](const ::testing::TestParamInfo<Shape> &shapeInfo) {
                           return "n" + std::to_string(shapeInfo.param.nvtxs) + "_k" + std::to_string(shapeInfo.param.nparts);
                         });

TEST(Contract, NullWeightsEqualUnitWeights) {
  for (int k : {2, 5, 16}) {
    TestHypergraph h = InstanceFor(1500);
    PartitionResult implicitUnits = Partition(h, k, 5, false);
    PartitionResult explicitUnits = Partition(h, k, 5, true);
    EXPECT_EQ(implicitUnits.part, explicitUnits.part) << "k=" << k;
    EXPECT_EQ(implicitUnits.edgecut, explicitUnits.edgecut) << "k=" << k;
  }
}

TEST(Contract, ProcessGeneratorIsNeitherReadNorDisturbed) {
  TestHypergraph h = InstanceFor(1500);
  srand48(12345);
  double expected = drand48();

  srand48(12345);
  PartitionResult first = Partition(h, 5);
  EXPECT_EQ(drand48(), expected);  // the partitioner drew nothing from it

  srand48(999);
  for (int i = 0; i < 17; i++) drand48();
  PartitionResult second = Partition(h, 5);
  EXPECT_EQ(first.part, second.part);
}

TEST(Contract, WeightedVerticesAndNetsCutMatches) {
  TestRng rng(42);
  TestHypergraph h = RandomHypergraph(rng, 2000, 2600, 5, false, 40);
  h.vwgts.resize(size_t(h.nvtxs));
  for (int &w : h.vwgts) w = rng.Between(1, 9);
  h.hewgts.resize(size_t(h.nhedges()));
  for (int &w : h.hewgts) w = rng.Between(1, 400);  // wide gain range: heap queues
  for (int k : {2, 3, 16}) {
    PartitionResult result = Partition(h, k);
    ExpectValidPartition(h, result, k);
  }
}

TEST(Contract, OnePinNetsNeverCountAsCut) {
  // Every vertex also carries a private one-pin net; the reported cut must
  // still be exactly the recomputed one for every part count.
  TestRng rng(7);
  TestHypergraph h = RandomHypergraph(rng, 3000, 3600, 4, false, 40);
  for (int v = 0; v < h.nvtxs; v++) h.AddNet({v}, 1 + v % 5);
  for (int k : {2, 3, 7, 16, 64}) {
    PartitionResult result = Partition(h, k);
    ExpectValidPartition(h, result, k);
  }
}

TEST(Contract, DuplicatePinsAreOnePin) {
  TestRng rng(11);
  TestHypergraph h = RandomHypergraph(rng, 1200, 1500, 4, false, 40);
  TestHypergraph doubled;
  doubled.nvtxs = h.nvtxs;
  for (int e = 0; e < h.nhedges(); e++) {
    std::vector<int> pins(h.eind.begin() + h.eptr[size_t(e)], h.eind.begin() + h.eptr[size_t(e) + 1]);
    pins.push_back(pins.front());
    doubled.AddNet(pins);
  }
  for (int k : {2, 3, 16}) {
    PartitionResult result = Partition(doubled, k);
    ExpectValidPartition(doubled, result, k);
    EXPECT_EQ(result.part, Partition(h, k).part);
  }
}

TEST(Contract, EmptyHypergraphs) {
  TestHypergraph none;
  PartitionResult result = Partition(none, 16);
  EXPECT_EQ(result.edgecut, 0);

  TestHypergraph islandsOnly;
  islandsOnly.nvtxs = 2500;
  for (int k : {2, 3, 16, 65}) {
    result = Partition(islandsOnly, k);
    ExpectValidPartition(islandsOnly, result, k);
    EXPECT_EQ(result.edgecut, 0);
    std::vector<int> weights = PartWeights(islandsOnly, result.part, k);
    for (int w : weights) EXPECT_GE(w, 1) << "k=" << k;
  }
}

TEST(Contract, ZeroTotalWeightSkipsKwayStep) {
  TestRng rng(5);
  TestHypergraph h = RandomHypergraph(rng, 300, 400, 4);
  h.vwgts.assign(size_t(h.nvtxs), 0);
  for (int k : {3, 16}) {
    PartitionResult result = Partition(h, k);
    ExpectValidPartition(h, result, k);
  }
}

TEST(Contract, HugePartCountFinishesWithEveryVertexPlaced) {
  TestRng rng(3);
  TestHypergraph h = RandomHypergraph(rng, 40, 50, 3);
  PartitionResult result = Partition(h, INT_MAX);
  for (int p : result.part) {
    EXPECT_GE(p, 0);
    EXPECT_LT(p, INT_MAX);
  }
  EXPECT_EQ(result.edgecut, CutOf(h, result.part));
}

TEST(Contract, MorePartsThanVerticesLeavesSomeEmpty) {
  TestRng rng(9);
  TestHypergraph h = RandomHypergraph(rng, 20, 30, 3);
  PartitionResult result = Partition(h, 64);
  ExpectValidPartition(h, result, 64);
}

}  // namespace
