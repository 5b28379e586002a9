// The dependency trace on hand-made records: which refs a core walk collects,
// how shared and repeated antecedents are counted, and what recording does
// with the pending list.
#include <gtest/gtest.h>

#include <set>

#include "solver/ProofTrace.h"

namespace {

void record(ProofTrace& trace, int ref, std::initializer_list<int> antecedents) {
  for (int a : antecedents) trace.addPending(a);
  trace.makeRecord(ref, true);
}

std::set<int> core(ProofTrace& trace) {
  RefSet<int> out;
  trace.computeCore(out);
  return std::set<int>(out.begin(), out.end());
}

}  // namespace

TEST(ProofTrace, RecordWithoutPendingEmptiesPendingAndHasNoAntecedents) {
  ProofTrace trace;
  trace.addPending(3);
  trace.addPending(4);
  trace.makeRecord(100, false);
  EXPECT_TRUE(trace.pending.empty());
  EXPECT_EQ(trace.root, 100);
  ASSERT_EQ(trace.records.count(100), 1u);
  EXPECT_EQ(trace.records.at(100)->count, 0);
  EXPECT_EQ(core(trace), std::set<int>{});
}

// Root 100 uses 3 and learnt 200; 200 uses 5 and 6: the core is the leaves
// 3, 5 and 6. A learnt record not reachable from the root (300) adds nothing.
TEST(ProofTrace, CoreIsTheLeavesReachableThroughDerivedRefs) {
  ProofTrace trace;
  record(trace, 300, {9});
  record(trace, 200, {5, 6});
  record(trace, 100, {3, 200});
  EXPECT_EQ(core(trace), (std::set<int>{3, 5, 6}));
}

// 100 lists 200 twice: its use count is 2, and it is processed once, after
// both uses; 200 lists the leaf 7 twice, which is inserted once.
TEST(ProofTrace, RepeatedDerivedRefIsCountedPerUseAndProcessedOnce) {
  ProofTrace trace;
  record(trace, 200, {7, 7});
  record(trace, 100, {200, 200, 1});
  trace.compute_dep_counts();
  EXPECT_EQ(trace.useCount.at(200), 2);
  EXPECT_EQ(trace.useCount.at(100), 1);
  ProofTrace fresh;
  record(fresh, 200, {7, 7});
  record(fresh, 100, {200, 200, 1});
  EXPECT_EQ(core(fresh), (std::set<int>{1, 7}));
}

// A diamond: the root uses 200 and 300, both use 400. 400's leaves appear once.
TEST(ProofTrace, RefOnTwoPathsFromTheRootIsProcessedOnce) {
  ProofTrace trace;
  record(trace, 400, {11, 12});
  record(trace, 300, {400, 13});
  record(trace, 200, {400, 14});
  record(trace, 100, {200, 300});
  EXPECT_EQ(core(trace), (std::set<int>{11, 12, 13, 14}));
  EXPECT_TRUE(trace.queue.empty());
  EXPECT_TRUE(trace.inQueue.empty());
  EXPECT_EQ(trace.core, nullptr);
}

// A second record under a ref already recorded leaves the first one in
// place, but the root follows the latest record.
TEST(ProofTrace, EarlierRecordOfARefStaysTheOneFound) {
  ProofTrace trace;
  record(trace, 200, {1});
  record(trace, 300, {2});
  record(trace, 200, {3});
  EXPECT_EQ(trace.root, 200);
  EXPECT_EQ(core(trace), (std::set<int>{1}));
}
