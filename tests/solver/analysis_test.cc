// Conflict analysis on hand-built trails (unique implication point, the
// second literal, pseudo-Boolean explanations, minimisation through hard and
// soft reasons) and learnt-database reduction.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

struct Learnt {
  std::vector<Lit> lits;
  int backtrackLevel = -1;
  bool soft = false;
};

// Decides the literals one level each; the last propagation must conflict,
// and the conflict is analysed. Every scratch mark must be clear afterwards.
Learnt analyseAfter(Solver& s, std::initializer_list<Lit> decisions) {
  Constraint* confl = nullptr;
  for (Lit d : decisions) {
    EXPECT_EQ(confl, nullptr) << "conflict before the last decision";
    decide(s, d);
    confl = s.propagate();
  }
  Learnt out;
  if (confl == nullptr) {
    ADD_FAILURE() << "no conflict";
    return out;
  }
  vec<Lit> learnt;
  s.analyze(confl, learnt, out.backtrackLevel, out.soft);
  out.lits.assign(learnt.begin(), learnt.end());
  for (Var x = 0; x < s.nVars(); x++) EXPECT_TRUE(s.seen[x] == 0 && s.trailIndex[x] == 0) << "mark left on x" << x;
  EXPECT_FALSE(s.coop->analysisFailed);
  return out;
}

std::vector<Lit> sorted(std::vector<Lit> v) {
  std::sort(v.begin(), v.end());
  return v;
}

const Lit a = mkLit(0), b = mkLit(1), c = mkLit(2), d = mkLit(3), u = mkLit(4), x = mkLit(5), z = mkLit(6);

}  // namespace

// Levels 1 x, 2 z, 3 d, 4 a: one literal of each lower level that matters,
// the highest of them second, and back to that level.
TEST(Analyze, SecondLiteralIsFromTheHighestLowerLevel) {
  Engine e(7);
  addClause(e.s, {neg(a), neg(x), neg(d), b});
  addClause(e.s, {neg(a), neg(b), neg(z)});
  Learnt l = analyseAfter(e.s, {x, z, d, a});
  ASSERT_EQ(l.lits.size(), 4u);
  EXPECT_EQ(l.lits[0], neg(a));
  EXPECT_EQ(l.lits[1], neg(d));
  EXPECT_EQ(sorted({l.lits[2], l.lits[3]}), sorted({neg(x), neg(z)}));
  EXPECT_EQ(l.backtrackLevel, 3);
}

// Reason 2 x1 + 2 x3 + x2 + w >= 3: x2 false (level 1), then x3 false (level
// 2) forces x1 and w. Explaining x1 (slack 1, w true) needs x3 but not x2, so
// the derivation reaches the decision ~x3: learnt (x3), back to level 0.
TEST(Analyze, PseudoBooleanReasonIsWeakenedToTheNeededFalseLiterals) {
  Engine e(7);
  const Lit x1 = a, x2 = b, x3 = c, y = d, w = u;
  addPB(e.s, {{2, x1}, {1, x2}, {2, x3}, {1, w}}, 3);
  addClause(e.s, {x3, y});
  addClause(e.s, {neg(x1), neg(y)});
  Learnt l = analyseAfter(e.s, {neg(x2), neg(x3)});
  EXPECT_EQ(l.lits, (std::vector<Lit>{x3}));
  EXPECT_EQ(l.backtrackLevel, 0);
}

// a + b + c + d >= 2, a false at level 1; at level 2 ~b implies ~c (clauses go
// first), the constraint forces d and ~c breaks it: learnt (b, a), level 1.
TEST(Analyze, PseudoBooleanConflictKeepsEveryNeededLiteral) {
  Engine e(7);
  addPB(e.s, {{1, a}, {1, b}, {1, c}, {1, d}}, 2);
  addClause(e.s, {b, neg(c)});
  Learnt l = analyseAfter(e.s, {neg(a), neg(b)});
  EXPECT_EQ(l.lits, (std::vector<Lit>{b, a}));
  EXPECT_EQ(l.backtrackLevel, 1);
}

// z at level 0, a at level 1 implies b with z, a and b conflict. ~z goes
// under minimisation only when every reason behind it is hard; meeting a soft
// reason makes the learnt clause soft and puts the soft refs on the trace.
TEST(Analyze, MinimisationAndSoftnessFollowTheReasons) {
  for (int variant = 0; variant < 3; variant++) {
    Engine e(7);
    Constraint* unit = addClause(e.s, {z}, variant == 2);
    Constraint* middle = addClause(e.s, {neg(a), neg(z), b}, variant == 1);
    addClause(e.s, {neg(a), neg(b)});
    Learnt l = analyseAfter(e.s, {a});
    SCOPED_TRACE(variant);
    EXPECT_EQ(l.lits, variant == 0 ? (std::vector<Lit>{neg(a)}) : (std::vector<Lit>{neg(a), neg(z)}));
    EXPECT_EQ(l.soft, variant == 1);
    EXPECT_EQ(l.backtrackLevel, 0);
    if (variant == 1) {
      EXPECT_EQ(e.s.proofTrace->pending, (std::vector<int>{middle->ref()}));
    }
    (void)unit;
  }
}

// x implies z at level 1; a implies b at level 2; a, b, x, z conflict. With
// hard reasons ~z is implied by ~x and removed; with a soft reason it stays,
// and the walk never goes on into level 1.
TEST(Analyze, TrailWalkStaysInTheCurrentLevel) {
  for (bool soft : {false, true}) {
    Engine e(7);
    addClause(e.s, {neg(x), z});
    addClause(e.s, {neg(a), neg(z), b}, soft);
    addClause(e.s, {neg(b), neg(x), neg(z), neg(a)}, soft);
    Learnt l = analyseAfter(e.s, {x, a});
    ASSERT_FALSE(l.lits.empty());
    EXPECT_EQ(l.lits[0], neg(a));
    std::vector<Lit> rest(l.lits.begin() + 1, l.lits.end());
    EXPECT_EQ(sorted(rest), soft ? sorted({neg(x), neg(z)}) : std::vector<Lit>{neg(x)}) << soft;
    EXPECT_EQ(l.backtrackLevel, 1);
  }
}

// Ten ternary learnt clauses of activities 1..10: the five least active go,
// then in the upper half those below claIncrement / 13 = 7.5 (6 and 7).
// Binary and locked clauses stay whatever their activity.
TEST(ReduceDB, RemovesTheLeastActiveHalfAndInactiveOnesButNeverBinaryOrLocked) {
  Engine e(7);
  unsigned ref = 0x40000000u;
  auto learnt = [&](std::vector<Lit> ls, float activity) {
    Clause* cl = Clause::make(ls.data(), (int)ls.size(), ref++, true);
    cl->activity() = activity;
    e.s.learnts.push(cl);
    e.s.attachClause(*cl);
    return (Constraint*)cl;
  };
  for (float act : {4, 9, 1, 7, 10, 2, 6, 3, 8, 5}) learnt({a, b, c}, act);
  learnt({a, b}, 0.5f);
  learnt({c, d}, 0.25f);
  Constraint* locked = learnt({u, neg(a), neg(b)}, 0.125f);
  decide(e.s, a);
  e.s.uncheckedEnqueue(b, nullptr);
  e.s.uncheckedEnqueue(u, locked);
  e.s.claIncrement = 97.5;
  e.s.reduceDB();
  std::vector<float> kept;
  for (int i = 0; i < e.s.learnts.size(); i++) kept.push_back(e.s.learnts[i]->activity());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<float>{0.125f, 0.25f, 0.5f, 8, 9, 10}));
  EXPECT_EQ(checkInvariants(e.s, false), "");
}
