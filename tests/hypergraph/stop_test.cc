// The stop poll: a stopped partitioning hands back a valid partition, asks the
// poll no more; a poll that never stops changes nothing.
#include <gtest/gtest.h>

#include "tests/hypergraph/hgp_test_util.h"

namespace {

struct CountingPoll {
  int polls = 0;
  int stopAt = 0;  // the poll that says stop; 0: never
};

int PollCounting(void *arg) {
  CountingPoll &poll = *static_cast<CountingPoll *>(arg);
  poll.polls++;
  return poll.stopAt != 0 && poll.polls >= poll.stopAt;
}

struct StoppableResult {
  PartitionResult partition;
  int stopped = -1;
};

StoppableResult PartitionStoppable(const TestHypergraph &h, int nparts, CountingPoll *poll) {
  int options[9] = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};
  StoppableResult result;
  result.partition.part.assign(size_t(h.nvtxs), -1);
  result.stopped = HGP_PartRecursiveStoppable(h.nvtxs, h.nhedges(), nullptr, h.eptr.data(), h.eind.data(), nullptr,
                                              nparts, 5, options, result.partition.part.data(),
                                              &result.partition.edgecut, PollCounting, poll);
  return result;
}

TEST(StopPoll, StoppedAfterNPollsGivesValidPartitionAndPollsNoMore) {
  Lcg rng(4711);
  TestHypergraph h = RandomHypergraph(rng, 3000, 3800, 6, true, 40);
  for (int nparts : {2, 5, 16}) {
    for (int stopAt : {1, 2, 7, 60, 400}) {
      CountingPoll poll{0, stopAt};
      StoppableResult result = PartitionStoppable(h, nparts, &poll);
      SCOPED_TRACE(testing::Message() << nparts << " parts, stop at poll " << stopAt);
      EXPECT_EQ(result.stopped, 1);
      EXPECT_EQ(poll.polls, stopAt);
      ExpectValidPartition(h, result.partition, nparts);
    }
  }
}

TEST(StopPoll, NeverStoppingPollGivesTheUnpolledPartition) {
  Lcg rng(815);
  TestHypergraph h = RandomHypergraph(rng, 600, 760, 6, true, 40);
  for (int nparts : {2, 7}) {
    CountingPoll poll;
    StoppableResult polled = PartitionStoppable(h, nparts, &poll);
    PartitionResult plain = Partition(h, nparts);
    EXPECT_EQ(polled.stopped, 0);
    EXPECT_GT(poll.polls, 0);
    EXPECT_EQ(polled.partition.part, plain.part);
    EXPECT_EQ(polled.partition.edgecut, plain.edgecut);
  }
}

}  // namespace
