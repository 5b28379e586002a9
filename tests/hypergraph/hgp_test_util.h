// Test hypergraphs, an independent cut computation and a call wrapper for
// the partitioner tests.  Random instances come from a small integer
// generator so they are the same with every standard library.
#ifndef TESTS_HYPERGRAPH_HGP_TEST_UTIL_H
#define TESTS_HYPERGRAPH_HGP_TEST_UTIL_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct HGraph;
struct HgpCtrl;

// splitmix64
class TestRng {
 public:
  explicit TestRng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return int(Next() % uint64_t(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }

 private:
  uint64_t state_;
};

struct TestHypergraph {
  int nvtxs = 0;
  std::vector<int> eptr{0};
  std::vector<int> eind;
  std::vector<int> vwgts;   // empty: unit weights
  std::vector<int> hewgts;  // empty: unit weights

  int nhedges() const { return int(eptr.size()) - 1; }
  void AddNet(const std::vector<int> &pins, int weight = 1);
  int NetWeight(int e) const { return hewgts.empty() ? 1 : hewgts[size_t(e)]; }
  int VertexWeight(int v) const { return vwgts.empty() ? 1 : vwgts[size_t(v)]; }
  int TotalVertexWeight() const;
};

struct PartitionResult {
  std::vector<int> part;
  int edgecut = -1;
};

// The system's options: 10 runs, seed 91648253, V-cycles on.
PartitionResult Partition(const TestHypergraph &h, int nparts, int ubfactor = 5, bool explicitUnitWeights = false);

// Summed weight of the nets with pins in more than one part.
int CutOf(const TestHypergraph &h, const std::vector<int> &part);
std::vector<int> PartWeights(const TestHypergraph &h, const std::vector<int> &part, int nparts);

// n vertices, nets of 1..maxNet distinct pins, a few nets above 50 pins
// when `bigNets`.  With a window, nine nets in ten draw their pins from a
// run of `window` consecutive vertices (local structure, as in real
// constraint hypergraphs); otherwise all pins are drawn uniformly.
TestHypergraph RandomHypergraph(TestRng &rng, int nvtxs, int nhedges, int maxNet, bool bigNets = false,
                                int window = 0);
// `clusters` groups of `clusterSize` vertices, about three intra-cluster
// nets of 2-5 pins per vertex, `crossNets` 2-pin nets between clusters;
// vertex numbers shuffled.  `plantedPart` receives each vertex's cluster.
TestHypergraph PlantedClusters(TestRng &rng, int clusters, int clusterSize, int crossNets,
                               std::vector<int> *plantedPart);
TestHypergraph Grid(int rows, int cols);

// White-box helpers: an internal hypergraph record with incidence arrays,
// and a control record with the system's settings.
HGraph *MakeHGraph(const TestHypergraph &h);
void FreeTestHGraph(HGraph *graph);
HgpCtrl MakeCtrl(int nparts, float bisectFraction);

#endif
