// Building blocks: the gain queue against a reference model; coarsening
// conserves weight within its limits, the restricted variant keeps the
// cut, and the candidate table never outgrows its bound.
#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "hypergraph/ccoarsen.h"
#include "hypergraph/coarsen.h"
#include "hypergraph/debug.h"
#include "hypergraph/mlevelpart.h"
#include "hypergraph/pqueue.h"
#include "tests/hypergraph/hgp_test_util.h"

namespace {

TEST(GainQueue, AgreesWithModel) {
  const int cases[][3] = {{200, 50, PQUEUE_BUCKETS}, {60, 1000, PQUEUE_HEAP}, {30, 0, PQUEUE_BUCKETS}};
  for (const auto &c : cases) {
    const int maxnodes = c[0], maxgain = c[1];
    SCOPED_TRACE("maxgain " + std::to_string(maxgain));
    PQueue queue;
    PQueueInit__(&queue, maxnodes, maxgain);
    ASSERT_EQ(queue.type, c[2]);
    std::map<int, int> gainOf;  // the vertices in the queue
    Lcg rng{uint64_t(maxgain)};
    for (int step = 0; step < 20000; step++) {
      int v = rng.between(0, maxnodes - 1), gain = rng.between(-maxgain, maxgain), operation = rng.between(0, 3);
      auto it = gainOf.find(v);
      if (it == gainOf.end()) {
        PQueueInsert__(&queue, v, gain);
        gainOf[v] = gain;
      } else if (operation == 0) {
        PQueueDelete(&queue, v, it->second);
        gainOf.erase(it);
      } else if (operation == 1) {
        PQueueUpdate__(&queue, v, it->second, gain);
        it->second = gain;
      } else {
        int top = PQueueGetMax__(&queue), best = INT_MIN;
        for (const auto &entry : gainOf) best = std::max(best, entry.second);
        ASSERT_EQ(gainOf.count(top), 1u) << "step " << step;
        ASSERT_EQ(gainOf[top], best) << "step " << step;
        gainOf.erase(top);
      }
      ASSERT_EQ(queue.nnodes, int(gainOf.size()));
      if (gainOf.empty()) {
        ASSERT_EQ(PQueueSeeMax__(&queue), -1);
      }
    }
    PQueueFree__(&queue);
  }
}

// With room above 1000, the best positive-gain vertex that fits; else the maximum.
TEST(GainQueue, ConstraintMaxPrefersFittingPositiveGain) {
  const int weights[4] = {5000, 10, 3000, 10};
  for (int maxgain : {5, 100}) {  // buckets, then heap
    PQueue queue;
    PQueueInit__(&queue, 4, maxgain);
    PQueueInsert__(&queue, 0, 4);
    PQueueInsert__(&queue, 1, 2);
    PQueueInsert__(&queue, 2, 3);
    EXPECT_EQ(PQueueSeeConstraintMax(&queue, 2000, weights), 1);
    EXPECT_EQ(PQueueSeeConstraintMax(&queue, 500, weights), 0);
    PQueueFree__(&queue);
  }
}

TestHypergraph Instance(int n, uint64_t seed) {
  Lcg rng(seed);
  TestHypergraph h = RandomHypergraph(rng, n, n + n / 3, 6, false, 40);
  h.vwgts.resize(size_t(n));
  for (int &w : h.vwgts) w = rng.between(1, 3);
  h.hewgts.resize(size_t(h.nhedges()));
  for (int &w : h.hewgts) w = rng.between(1, 4);
  return h;
}

int64_t CellWeight(const HGraph *graph, int count) { return iasum__(count, graph->cellwgt); }

void FreeLevels(HGraph *finest) {
  for (HGraph *level = finest->coarser; level != nullptr;) {
    HGraph *next = level->coarser;
    FreeHGraph__(level);
    level = next;
  }
  FreeTestHGraph(finest);
}

TEST(Coarsening, ConservesWeightsWithinLimits) {
  for (int matchType : {1, 2}) {
    TestHypergraph h = Instance(3000, uint64_t(matchType));
    HGraph *graph = MakeHGraph(h);
    HgpCtrl ctrl = MakeCtrl(2);
    ctrl.matchType = matchType;
    ctrl.maxCellWeight = ComputeMaxCellWgt__(&ctrl, graph->nvtxs, graph->cellwgt);
    int64_t expectedWeight = h.TotalVertexWeight(), netTotal = iasum__(graph->nhedges, graph->netwgt);
    EXPECT_LT(Coarsen__(&ctrl, graph)->nvtxs, 1000);
    for (HGraph *level = graph; level->coarser != nullptr; level = level->coarser) {
      HGraph *coarser = level->coarser;
      // Islands set aside on a level stay behind on that level.
      expectedWeight -= CellWeight(level, level->nvtxs + level->nislands) - CellWeight(level, level->nvtxs);
      EXPECT_EQ(CellWeight(coarser, coarser->nvtxs + coarser->nislands), expectedWeight);
      EXPECT_EQ(iasum__(coarser->nhedges, coarser->netwgt) + coarser->absorbedNetWeight, netTotal);
      int inPlay = level->nvtxs;
      EXPECT_GE(coarser->nvtxs + coarser->nislands, inPlay - (inPlay * 2 + 4) / 5);  // <= ceil(0.4 n) merges
      for (int c = 0; c < coarser->nvtxs; c++) {
        if (level->mptr[c + 1] - level->mptr[c] > 1) {
          EXPECT_LE(coarser->cellwgt[c], ctrl.maxCellWeight);
        }
      }
    }
    FreeLevels(graph);
  }
}

TEST(RestrictedCoarsening, CoarsestLevelKeepsTheCut) {
  for (int matchType : {0, 1}) {
    TestHypergraph h = Instance(4000, uint64_t(matchType) + 10);
    HgpCtrl ctrl = MakeCtrl(2);
    ctrl.coarsenTo = 1000;
    ctrl.matchType = matchType;
    HGraph *graph = MakeHGraph(h);
    ctrl.maxCellWeight = ComputeMaxCellWgt__(&ctrl, graph->nvtxs, graph->cellwgt);
    graph->where = imalloc__(size_t(graph->nvtxs), "test: where");
    for (int v = 0; v < graph->nvtxs; v++) graph->where[v] = (v / 500) % 2;
    std::vector<int> sides(graph->where, graph->where + graph->nvtxs);
    HGraph *coarsest = CCoarsen__(&ctrl, graph);
    ASSERT_NE(coarsest, graph);
    EXPECT_EQ(ComputeActualCut__(coarsest, coarsest->where), CutOf(h, sides));
    FreeLevels(graph);
  }
}

TEST(Coarsening, CandidateTableStopsAtItsBound) {
  TestHypergraph h;
  h.nvtxs = CANDIDATE_TABLE_SIZE + 50;
  HGraph *graph = MakeHGraph(h);
  CoarsenScratch scratch;
  AllocateCoarsenScratch__(&scratch, graph);
  for (int v = 0; v < h.nvtxs; v++) AddCandidate__(&scratch, v, 1.0f);
  EXPECT_EQ(scratch.ncand, CANDIDATE_TABLE_SIZE);
  ClearCandidates__(&scratch);
  FreeCoarsenScratch__(&scratch);
  FreeTestHGraph(graph);
}

}  // namespace
