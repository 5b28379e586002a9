// The growable array taking one of its own elements while it grows, and the
// in-place sort's exact tie orders, which later steps depend on.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "solver/Constraint.h"
#include "solver/Sort.h"
#include "solver/Vec.h"
#include "tests/solver/test_util.h"

using namespace quon_test;

TEST(Vec, PushOfOwnElementSurvivesGrowth) {
  vec<int> v;
  v.push(5);
  v.push(6);
  v.push(v[0]);
  EXPECT_EQ(v[2], 5);
}

namespace {
struct Tagged {
  int key, tag;
};
std::vector<int> tagsAfterSort(std::vector<Tagged> items) {
  sort(items.data(), (int)items.size(), [](const Tagged& x, const Tagged& y) { return x.key < y.key; });
  std::vector<int> tags;
  for (const Tagged& t : items) tags.push_back(t.tag);
  return tags;
}
}  // namespace

TEST(Sort, TieOrders) {
  // Up to 15 elements, selection sort swaps the first smallest forward.
  EXPECT_EQ(tagsAfterSort({{2, 0}, {2, 1}, {1, 2}}), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(tagsAfterSort({{2, 0}, {1, 1}, {1, 2}, {2, 3}}), (std::vector<int>{1, 2, 0, 3}));
  std::vector<Tagged> equal;
  std::vector<int> same, reversed;
  for (int i = 0; i < 16; i++) {
    equal.push_back({7, i});
    reversed.insert(reversed.begin(), i);
    if (i < 15) same.push_back(i);
  }
  // The partition of 16 equal keys swaps 0 with 15, 1 with 14, ... 7 with 8.
  EXPECT_EQ(tagsAfterSort(equal), reversed);
  equal.pop_back();
  EXPECT_EQ(tagsAfterSort(equal), same);
}

TEST(Sort, PBLiteralsLargestCoefficientFirstKeepingTiesInOrder) {
  Engine e(4);
  Constraint* c = add(e.s, PB({{1, mkLit(3)}, {2, mkLit(0)}, {1, mkLit(1)}, {3, mkLit(2)}}, 5));
  std::vector<Lit> order;
  for (int i = 0; i < c->size(); i++) order.push_back((*c)[i]);
  EXPECT_EQ(order, (std::vector<Lit>{mkLit(2), mkLit(0), mkLit(3), mkLit(1)}));
}

TEST(Sort, RandomArraysEndSorted) {
  Lcg rng(21);
  for (int size = 0; size <= 60; size++) {
    for (uint32_t range : {3u, 50u, 1000000u}) {
      std::vector<int> expected;
      vec<int> v;
      for (int i = 0; i < size; i++) v.push(expected.emplace_back((int)rng.below(range)));
      std::sort(expected.begin(), expected.end());
      sort(v);
      ASSERT_EQ(std::vector<int>(v.begin(), v.end()), expected) << "size " << size;
    }
  }
}
