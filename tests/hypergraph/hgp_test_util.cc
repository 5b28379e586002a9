#include "tests/hypergraph/hgp_test_util.h"

#include <algorithm>
#include <numeric>

#include "hypergraph/ZVlib.h"
#include "hypergraph/hgp.h"
#include "hypergraph/hgraph.h"
#include "hypergraph/util.h"

void TestHypergraph::AddNet(const std::vector<int> &pins, int weight) {
  eind.insert(eind.end(), pins.begin(), pins.end());
  eptr.push_back(int(eind.size()));
  if (!hewgts.empty() || weight != 1) {
    hewgts.resize(size_t(nhedges()) - 1, 1);
    hewgts.push_back(weight);
  }
}

int TestHypergraph::TotalVertexWeight() const {
  int total = 0;
  for (int v = 0; v < nvtxs; v++) total += VertexWeight(v);
  return total;
}

PartitionResult Partition(const TestHypergraph &h, int nparts, int ubfactor, bool explicitUnitWeights) {
  int options[9] = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};
  std::vector<int> unitV(size_t(h.nvtxs), 1), unitE(size_t(h.nhedges()), 1);
  const int *vw = h.vwgts.empty() ? (explicitUnitWeights ? unitV.data() : nullptr) : h.vwgts.data();
  const int *ew = h.hewgts.empty() ? (explicitUnitWeights ? unitE.data() : nullptr) : h.hewgts.data();
  PartitionResult result;
  result.part.assign(size_t(h.nvtxs), -1);
  HGP_PartRecursive(h.nvtxs, h.nhedges(), vw, h.eptr.data(), h.eind.data(), ew, nparts, ubfactor, options,
                    result.part.data(), &result.edgecut);
  return result;
}

int CutOf(const TestHypergraph &h, const std::vector<int> &part) {
  int cut = 0;
  for (int e = 0; e < h.nhedges(); e++) {
    for (int i = h.eptr[size_t(e)] + 1; i < h.eptr[size_t(e) + 1]; i++) {
      if (part[size_t(h.eind[size_t(i)])] != part[size_t(h.eind[size_t(h.eptr[size_t(e)])])]) {
        cut += h.NetWeight(e);
        break;
      }
    }
  }
  return cut;
}

std::vector<int> PartWeights(const TestHypergraph &h, const std::vector<int> &part, int nparts) {
  std::vector<int> weights(size_t(nparts), 0);
  for (int v = 0; v < h.nvtxs; v++) weights[size_t(part[size_t(v)])] += h.VertexWeight(v);
  return weights;
}

// `size` distinct vertices among first..first+span-1 (mod nvtxs).
static std::vector<int> DistinctPins(TestRng &rng, int nvtxs, int size, int first = 0, int span = 0) {
  if (span <= 0 || span > nvtxs) span = nvtxs;
  std::vector<int> pins;
  while (int(pins.size()) < size) {
    int v = (first + rng.Below(span)) % nvtxs;
    if (std::find(pins.begin(), pins.end(), v) == pins.end()) pins.push_back(v);
  }
  return pins;
}

TestHypergraph RandomHypergraph(TestRng &rng, int nvtxs, int nhedges, int maxNet, bool bigNets, int window) {
  TestHypergraph h;
  h.nvtxs = nvtxs;
  for (int e = 0; e < nhedges; e++) {
    int size = std::min(rng.Between(1, maxNet), nvtxs);
    if (bigNets && e % 97 == 3 && nvtxs > 60) size = rng.Between(51, std::min(nvtxs, 80));
    int span = (window == 0 || e % 10 == 0) ? nvtxs : std::max(window, size);  // a tenth stay global
    h.AddNet(DistinctPins(rng, nvtxs, size, rng.Below(nvtxs), span));
  }
  return h;
}

TestHypergraph PlantedClusters(TestRng &rng, int clusters, int clusterSize, int crossNets,
                               std::vector<int> *plantedPart) {
  TestHypergraph h;
  h.nvtxs = clusters * clusterSize;
  std::vector<int> shuffle(size_t(h.nvtxs));
  std::iota(shuffle.begin(), shuffle.end(), 0);
  for (int i = h.nvtxs - 1; i > 0; i--) std::swap(shuffle[size_t(i)], shuffle[size_t(rng.Below(i + 1))]);
  auto vertex = [&](int cluster, int member) { return shuffle[size_t(cluster * clusterSize + member)]; };

  for (int c = 0; c < clusters; c++) {
    int pinsLeft = 3 * clusterSize;
    for (int member = 0; member < clusterSize; member++) {  // every member on a net
      std::vector<int> pins{vertex(c, member), vertex(c, (member + 1) % clusterSize)};
      h.AddNet(pins);
      pinsLeft -= 2;
    }
    while (pinsLeft > 0) {
      int size = rng.Between(2, 5);
      std::vector<int> pins;
      for (int m : DistinctPins(rng, clusterSize, size)) pins.push_back(vertex(c, m));
      h.AddNet(pins);
      pinsLeft -= size;
    }
  }
  for (int i = 0; i < crossNets; i++) {
    int a = rng.Below(clusters), b = (a + 1 + rng.Below(clusters - 1)) % clusters;
    h.AddNet({vertex(a, rng.Below(clusterSize)), vertex(b, rng.Below(clusterSize))});
  }
  plantedPart->assign(size_t(h.nvtxs), 0);
  for (int c = 0; c < clusters; c++)
    for (int m = 0; m < clusterSize; m++) (*plantedPart)[size_t(vertex(c, m))] = c;
  return h;
}

TestHypergraph Grid(int rows, int cols) {
  TestHypergraph h;
  h.nvtxs = rows * cols;
  for (int r = 0; r < rows; r++)
    for (int c = 0; c < cols; c++) {
      if (c + 1 < cols) h.AddNet({r * cols + c, r * cols + c + 1});
      if (r + 1 < rows) h.AddNet({r * cols + c, (r + 1) * cols + c});
    }
  return h;
}

HGraph *MakeHGraph(const TestHypergraph &h) {
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
  CreateIncidentHGraph__(graph);
  return graph;
}

void FreeTestHGraph(HGraph *graph) {
  ZVfree__(&graph->label);
  FreeHGraph__(graph);
}

HgpCtrl MakeCtrl(int nparts, float bisectFraction) {
  HgpCtrl ctrl = HgpCtrl();
  ctrl.coarsenTo = 100;
  ctrl.matchType = 1;
  ctrl.refineType = 1;
  ctrl.nRuns = 10;
  ctrl.maxNetSize = 50;
  ctrl.balance = 0.05f;
  ctrl.seed = 91648253;
  ctrl.vcycle = 1;
  ctrl.nparts = nparts;
  ctrl.kwayRefine = nparts <= 64;
  ctrl.bisectFraction = bisectFraction;
  InitRandom__(&ctrl, ctrl.seed);
  return ctrl;
}
