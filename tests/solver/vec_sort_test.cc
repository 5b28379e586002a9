// Literals, the growable array, the in-place sort and the stored constraint
// records: the exact growth steps and tie orders later steps depend on.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "solver/Constraint.h"
#include "solver/Sort.h"
#include "solver/SolverTypes.h"
#include "solver/Vec.h"
#include "tests/solver/test_util.h"

using namespace quon_test;

TEST(Literals, EncodeVariableAndSign) {
  EXPECT_EQ(mkLit(3), 6);
  EXPECT_EQ(mkLit(3, true), 7);
  EXPECT_EQ(var(7), 3);
  EXPECT_EQ(sign(7), 1);
  EXPECT_EQ(sign(6), 0);
  EXPECT_EQ(neg(6), 7);
  EXPECT_EQ(neg(0), 1);
  EXPECT_EQ(neg(lit_Undef), -1);
  EXPECT_EQ(var(lit_Undef), -1);
  EXPECT_EQ(lit_Error, -1);
}

TEST(Literals, ValueOfNegatedLiteralIsTheNegatedValue) {
  Engine e;
  e.createVariables(2);
  e.s.uncheckedEnqueue(mkLit(0, true), nullptr);
  EXPECT_EQ(e.s.value(mkLit(0)), l_False);
  EXPECT_EQ(e.s.value(mkLit(0, true)), l_True);
  EXPECT_EQ(e.s.value(mkLit(1)), l_Undef);
  EXPECT_EQ(e.s.value(mkLit(1, true)), l_Undef);
}

TEST(Vec, PushGrowsCapacityTwoThreeFiveEightTwelveEighteen) {
  vec<int> v;
  EXPECT_EQ(v.capacity(), 0);
  std::vector<int> capacities;
  for (int i = 0; i < 13; i++) {
    v.push(i);
    if (capacities.empty() || capacities.back() != v.capacity()) capacities.push_back(v.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{2, 3, 5, 8, 12, 18}));
  for (int i = 0; i < 13; i++) EXPECT_EQ(v[i], i);
}

TEST(Vec, GrowToFromCapacityZeroTakesExactlyTheSize) {
  vec<int> v;
  v.growTo(7);
  EXPECT_EQ(v.size(), 7);
  EXPECT_EQ(v.capacity(), 7);
  for (int i = 0; i < 7; i++) EXPECT_EQ(v[i], 0);
}

TEST(Vec, GrowToSmallSizeFromCapacityZeroTakesTwo) {
  vec<int> v;
  v.growTo(1);
  EXPECT_EQ(v.capacity(), 2);
}

TEST(Vec, GrowToFromCapacityTwoStepsThroughThreeAndFiveToEight) {
  vec<int> v;
  v.push(1);
  v.clear();
  ASSERT_EQ(v.capacity(), 2);
  v.growTo(7, 9);
  EXPECT_EQ(v.capacity(), 8);
  EXPECT_EQ(v.size(), 7);
  for (int i = 0; i < 7; i++) EXPECT_EQ(v[i], 9);
}

TEST(Vec, GrowToNeverShrinksAndPadsOnlyNewElements) {
  vec<lbool> v;
  v.push(l_True);
  v.push(l_False);
  v.push(l_True);
  v.growTo(2, l_False);
  EXPECT_EQ(v.size(), 3);
  v.growTo(5);
  EXPECT_EQ(v.size(), 5);
  EXPECT_EQ(v[2], l_True);
  EXPECT_EQ(v[3], l_Undef);
  EXPECT_EQ(v[4], l_Undef);
}

TEST(Vec, ShrinkPopLastAndClear) {
  vec<int> v;
  for (int i = 0; i < 6; i++) v.push(i * 10);
  v.shrink(2);
  EXPECT_EQ(v.size(), 4);
  EXPECT_EQ(v.last(), 30);
  v.pop();
  EXPECT_EQ(v.last(), 20);
  int capacity = v.capacity();
  v.clear();
  EXPECT_EQ(v.size(), 0);
  EXPECT_EQ(v.capacity(), capacity);
  v.clear(true);
  EXPECT_EQ(v.capacity(), 0);
}

TEST(Vec, PushOfOwnElementSurvivesGrowth) {
  vec<int> v;
  v.push(5);
  v.push(6);  // full at capacity 2
  v.push(v[0]);
  EXPECT_EQ(v.size(), 3);
  EXPECT_EQ(v[2], 5);
}

TEST(Vec, VectorOfVectorsReleasesEveryInnerBlock) {
  // Run under the address sanitizer, a lost inner block is reported as a leak.
  vec<vec<int>> outer;
  for (int i = 0; i < 20; i++) {
    outer.push();
    for (int k = 0; k <= i; k++) outer.last().push(k);
  }
  EXPECT_EQ(outer[19].size(), 20);
  EXPECT_EQ(outer[19][19], 19);
}

namespace {

// A keyed element whose tag shows where it came from; only keys are compared.
struct Tagged {
  int key;
  int tag;
};
struct ByKey {
  bool operator()(const Tagged& x, const Tagged& y) const { return x.key < y.key; }
};

std::vector<int> tagsAfterSort(std::vector<Tagged> items) {
  sort(items.data(), (int)items.size(), ByKey());
  std::vector<int> tags;
  for (const Tagged& t : items) tags.push_back(t.tag);
  return tags;
}

}  // namespace

TEST(Sort, ThreeOneTwoBecomesOneTwoThree) {
  vec<Lit> v;
  v.push(3);
  v.push(1);
  v.push(2);
  sort(v);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], 2);
  EXPECT_EQ(v[2], 3);
}

TEST(Sort, FifteenEqualElementsStayInPlace) {
  std::vector<Tagged> items;
  std::vector<int> expected;
  for (int i = 0; i < 15; i++) {
    items.push_back({7, i});
    expected.push_back(i);
  }
  EXPECT_EQ(tagsAfterSort(items), expected);
}

// Worked by hand: the partition swaps positions 0 and 15, 1 and 14, ... 7
// and 8, stops with i = 8, and the two halves of 8 equal elements are left
// alone by the selection sort.
TEST(Sort, SixteenEqualElementsComeOutReversed) {
  std::vector<Tagged> items;
  std::vector<int> expected;
  for (int i = 0; i < 16; i++) {
    items.push_back({7, i});
    expected.push_back(15 - i);
  }
  EXPECT_EQ(tagsAfterSort(items), expected);
}

// Selection sort takes the first smallest and swaps it forward, so equal
// elements can change order: [2a, 2b, 1] -> [1, 2b, 2a].
TEST(Sort, SelectionSortSwapsTheFirstSmallestForward) {
  EXPECT_EQ(tagsAfterSort({{2, 0}, {2, 1}, {1, 2}}), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(tagsAfterSort({{2, 0}, {1, 1}, {1, 2}, {2, 3}}), (std::vector<int>{1, 2, 0, 3}));
}

TEST(Sort, RandomArraysOfEverySizeEndSorted) {
  Lcg rng(21);
  for (int size = 0; size <= 200; size++) {
    for (int rep = 0; rep < 3; rep++) {
      std::vector<int> data;
      uint32_t range = rep == 0 ? 3 : rep == 1 ? 50 : 1000000;
      for (int i = 0; i < size; i++) data.push_back((int)rng.below(range));
      std::vector<int> expected = data;
      std::sort(expected.begin(), expected.end());
      vec<int> v;
      for (int x : data) v.push(x);
      sort(v);
      std::vector<int> got(v.begin(), v.end());
      ASSERT_EQ(got, expected) << "size " << size;
    }
  }
}

TEST(Sort, SortedLiteralsListPositiveBeforeNegativeOfEachVariable) {
  vec<Lit> v;
  v.push(mkLit(2, true));
  v.push(mkLit(0, true));
  v.push(mkLit(2));
  v.push(mkLit(0));
  sort(v);
  EXPECT_EQ(v[0], mkLit(0));
  EXPECT_EQ(v[1], mkLit(0, true));
  EXPECT_EQ(v[2], mkLit(2));
  EXPECT_EQ(v[3], mkLit(2, true));
}

TEST(ConstraintRecord, SortLiteralsOrdersByCoefficientKeepingEqualOnesInOrder) {
  Lit ls[4] = {mkLit(0), mkLit(1), mkLit(2), mkLit(3)};
  unsigned cs[4] = {1, 3, 3, 2};
  PB_Counters* c = PB_Counters::make(ls, cs, 4, 4, 0);
  c->sortLiterals();
  EXPECT_EQ(c->coeff(0), 3u);
  EXPECT_EQ(c->coeff(1), 3u);
  EXPECT_EQ(c->coeff(2), 2u);
  EXPECT_EQ(c->coeff(3), 1u);
  EXPECT_EQ((*c)[0], mkLit(1));
  EXPECT_EQ((*c)[1], mkLit(2));
  EXPECT_EQ((*c)[2], mkLit(3));
  EXPECT_EQ((*c)[3], mkLit(0));
  EXPECT_EQ(c->coeffSum(), 9);
  EXPECT_EQ(c->rhs(), 4u);
  freeConstraint(c);
}

TEST(ConstraintRecord, ClearingTheSoftFlagKeepsTheRef) {
  vec<Lit> ps;
  ps.push(mkLit(0));
  ps.push(mkLit(1, true));
  Constraint* c = Clause_new(ps, 5, false);
  EXPECT_TRUE(c->isSoft());
  EXPECT_EQ(c->ref(), 5);
  c->isSoft(false);
  EXPECT_FALSE(c->isSoft());
  EXPECT_EQ(c->ref(), 5);
  c->isSoft(true);
  EXPECT_EQ(c->ref(), 5);
  EXPECT_TRUE(c->isClause());
  EXPECT_FALSE(c->learnt());
  EXPECT_EQ(c->size(), 2);
  EXPECT_EQ((*c)[1], mkLit(1, true));
  EXPECT_EQ(c->rhs(), 1u);
  EXPECT_EQ(c->coeff(1), 1u);
  freeConstraint(c);
}

TEST(ConstraintRecord, EmptyLearntClauseHasHeaderOne) {
  vec<Lit> none;
  Constraint* c = Clause_new(none, 3, true);
  EXPECT_EQ(c->rawHeader(), 1u);
  EXPECT_EQ(c->size(), 0);
  EXPECT_TRUE(c->learnt());
  EXPECT_EQ(c->activity(), 0.0f);
  freeConstraint(c);
}

TEST(ConstraintRecord, CountersOfLargeCoefficientsDoNotWrap) {
  Lit ls[3] = {mkLit(0), mkLit(1), mkLit(2)};
  unsigned cs[3] = {4000000000u, 4000000000u, 4000000000u};
  PB_Counters* c = PB_Counters::make(ls, cs, 3, 4000000000u, 0);
  EXPECT_EQ(c->coeffSum(), 12000000000LL);
  c->assignFalseLit(0);
  c->assignFalseLit(1);
  EXPECT_EQ(c->val0Lits(), 8000000000LL);
  c->unassignFalseLit(0);
  EXPECT_EQ(c->val0Lits(), 4000000000LL);
  freeConstraint(c);
}
