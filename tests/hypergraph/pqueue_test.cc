// The gain queue against a reference model under random operations, for
// both the bucket and the heap representation.
#include <gtest/gtest.h>

#include <map>

#include "hypergraph/pqueue.h"
#include "tests/hypergraph/hgp_test_util.h"

namespace {

void RunAgainstModel(int maxnodes, int maxgain, int expectedType, uint64_t seed) {
  PQueue queue;
  PQueueInit__(&queue, maxnodes, maxgain);
  ASSERT_EQ(queue.type, expectedType);
  std::map<int, int> gainOf;  // vertex -> gain of the vertices in the queue
  TestRng rng(seed);
  for (int step = 0; step < 20000; step++) {
    int v = rng.Below(maxnodes), gain = rng.Between(-maxgain, maxgain);
    int operation = rng.Below(4);
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
      int top = PQueueGetMax__(&queue);
      ASSERT_NE(top, -1);
      int best = gainOf.begin()->second;
      for (const auto &entry : gainOf) best = std::max(best, entry.second);
      ASSERT_EQ(gainOf.at(top), best) << "step " << step;
      gainOf.erase(top);
    }
    ASSERT_EQ(queue.nnodes, int(gainOf.size()));
    if (gainOf.empty()) {
      ASSERT_EQ(PQueueSeeMax__(&queue), -1);
    }
  }
  PQueueFree__(&queue);
}

TEST(GainQueue, BucketsAgreeWithModel) { RunAgainstModel(200, 50, PQUEUE_BUCKETS, 1); }

TEST(GainQueue, HeapAgreesWithModel) { RunAgainstModel(60, 1000, PQUEUE_HEAP, 2); }

TEST(GainQueue, BucketsZeroSpanStillTrackEmptiness) { RunAgainstModel(30, 0, PQUEUE_BUCKETS, 3); }

TEST(GainQueue, BucketsServeLatestAmongEqualGains) {
  PQueue queue;
  PQueueInit__(&queue, 10, 5);
  PQueueInsert__(&queue, 1, 3);
  PQueueInsert__(&queue, 2, 3);
  EXPECT_EQ(PQueueSeeMax__(&queue), 2);
  PQueueInsert__(&queue, 3, 1);
  PQueueUpdate__(&queue, 3, 1, 3);
  EXPECT_EQ(PQueueGetMax__(&queue), 3);
  EXPECT_EQ(PQueueGetMax__(&queue), 2);
  EXPECT_EQ(PQueueGetMax__(&queue), 1);
  EXPECT_EQ(PQueueGetMax__(&queue), -1);
  PQueueFree__(&queue);
}

TEST(GainQueue, ConstraintMaxPrefersFittingPositiveGain) {
  int weights[4] = {5000, 10, 3000, 10};
  for (int maxgain : {5, 100}) {  // buckets, then heap
    PQueue queue;
    PQueueInit__(&queue, 4, maxgain);
    PQueueInsert__(&queue, 0, 4);
    PQueueInsert__(&queue, 1, 2);
    PQueueInsert__(&queue, 2, 3);
    EXPECT_EQ(PQueueSeeConstraintMax(&queue, 2000, weights), 1);
    EXPECT_EQ(PQueueSeeConstraintMax(&queue, 500, weights), 0);  // small slack: plain maximum
    EXPECT_EQ(PQueueSeeConstraintMax(&queue, 1500, weights), 1);
    PQueueFree__(&queue);
  }
}

}  // namespace
