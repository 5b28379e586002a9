// Conflict analysis on hand-built trails (first unique implication point,
// pseudo-Boolean explanations, minimisation and soft reasons, backtrack
// levels), activity bookkeeping and learnt-database reduction.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

Constraint* addClause(Solver& s, std::initializer_list<Lit> ls, bool soft = false) {
  vec<Lit> ps;
  for (Lit l : ls) ps.push(l);
  Constraint* c = s.addClause(ps);
  c->isSoft(soft);
  return c;
}

Constraint* addPB(Solver& s, std::initializer_list<std::pair<unsigned, Lit>> terms, unsigned rhs, bool soft = false) {
  vec<Lit> ls;
  vec<unsigned> cs;
  for (auto& t : terms) {
    cs.push(t.first);
    ls.push(t.second);
  }
  Constraint* c = s.addPBConstraint(ls, cs, rhs);
  c->isSoft(soft);
  return c;
}

struct Learnt {
  std::vector<Lit> lits;
  int backtrackLevel = -1;
  bool soft = false;
};

// Decides the literals one level each, propagating after each; the last
// propagation must end in a conflict, which is analysed.
Learnt analyseAfter(Solver& s, std::initializer_list<Lit> decisions) {
  Constraint* confl = nullptr;
  for (Lit d : decisions) {
    EXPECT_EQ(confl, nullptr) << "conflict before the last decision";
    decide(s, d);
    confl = s.propagate();
  }
  Learnt out;
  EXPECT_NE(confl, nullptr);
  if (confl == nullptr) return out;
  vec<Lit> learnt;
  s.analyze(confl, learnt, out.backtrackLevel, out.soft);
  out.lits.assign(learnt.begin(), learnt.end());
  return out;
}

const Lit a = mkLit(0), b = mkLit(1), c = mkLit(2), d = mkLit(3), u = mkLit(4), x = mkLit(5), z = mkLit(6);

}  // namespace

// Level 1: x. Level 2: a, which implies b and c; b, c and x conflict.
// The decision a is the only current-level literal left: learnt (~a, ~x), back to 1.
TEST(Analyze, DecisionIsTheUniqueImplicationPoint) {
  Engine e;
  e.createVariables(7);
  addClause(e.s, {neg(a), b});
  addClause(e.s, {neg(a), c});
  addClause(e.s, {neg(b), neg(c), neg(x)});
  Learnt l = analyseAfter(e.s, {x, a});
  EXPECT_EQ(l.lits, (std::vector<Lit>{neg(a), neg(x)}));
  EXPECT_EQ(l.backtrackLevel, 1);
  EXPECT_FALSE(l.soft);
  EXPECT_TRUE(marksClear(e.s));
  EXPECT_FALSE(e.coop.analysisFailed);
}

// Level 1: a implies u; u implies b and c, which conflict. u is the first
// unique implication point: learnt (~u), back to level 0.
TEST(Analyze, ImpliedLiteralCanBeTheUniqueImplicationPoint) {
  Engine e;
  e.createVariables(7);
  addClause(e.s, {neg(a), u});
  addClause(e.s, {neg(u), b});
  addClause(e.s, {neg(u), c});
  addClause(e.s, {neg(b), neg(c)});
  Learnt l = analyseAfter(e.s, {a});
  EXPECT_EQ(l.lits, (std::vector<Lit>{neg(u)}));
  EXPECT_EQ(l.backtrackLevel, 0);
  EXPECT_TRUE(marksClear(e.s));
}

// Three levels: the learnt clause keeps one literal of each lower level that
// matters, the highest of them second, and backtracks to that level.
TEST(Analyze, SecondLiteralIsFromTheHighestLowerLevel) {
  Engine e;
  e.createVariables(7);
  addClause(e.s, {neg(a), neg(x), neg(d), b});
  addClause(e.s, {neg(a), neg(b), neg(z)});
  // Level 1: x, level 2: z, level 3: d (unrelated), level 4: a.
  Learnt l = analyseAfter(e.s, {x, z, d, a});
  ASSERT_EQ(l.lits.size(), 4u);
  EXPECT_EQ(l.lits[0], neg(a));
  EXPECT_EQ(l.lits[1], neg(d)) << "d, from level 3, is the highest remaining";
  std::vector<Lit> rest(l.lits.begin() + 2, l.lits.end());
  std::sort(rest.begin(), rest.end());
  std::vector<Lit> expected{neg(x), neg(z)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(rest, expected);
  EXPECT_EQ(l.backtrackLevel, 3);
}

// Reason 2 x1 + 2 x3 + x2 + w >= 3: x2 false alone (level 1) forces nothing;
// x3 false (level 2) then forces x1 and w. Explaining x1: slack starts at 1
// (w is true); x3 is needed (2 + 1 >= 3); x2 is left out (1 + 1 < 3).
// Without x2 the derivation reaches the decision ~x3 itself: learnt (x3),
// back to level 0. Keeping x2 would have given (x3, x2) and level 1.
TEST(Analyze, PseudoBooleanReasonIsWeakenedToTheNeededFalseLiterals) {
  Engine e;
  e.createVariables(7);
  const Lit x1 = a, x2 = b, x3 = c, y = d, w = u;
  addPB(e.s, {{2, x1}, {1, x2}, {2, x3}, {1, w}}, 3);
  addClause(e.s, {x3, y});              // x3 false implies y
  addClause(e.s, {neg(x1), neg(y)});    // x1 and y conflict
  Learnt l = analyseAfter(e.s, {neg(x2), neg(x3)});
  EXPECT_EQ(e.s.level[var(x1)], 2);
  EXPECT_EQ(l.lits, (std::vector<Lit>{x3}));
  EXPECT_EQ(l.backtrackLevel, 0);
  EXPECT_TRUE(marksClear(e.s));
}

// A pseudo-Boolean conflict: a + b + c + d >= 2 with a false at level 1; at
// level 2 the decision ~b implies ~c through a clause (clauses go first),
// the constraint then forces d, and ~c breaks it. Slack 1 (d): a, b and c
// are all needed; resolving c's reason leaves b as the unique implication
// point: learnt (b, a), back to level 1.
TEST(Analyze, PseudoBooleanConflictKeepsEveryNeededLiteral) {
  Engine e;
  e.createVariables(7);
  addPB(e.s, {{1, a}, {1, b}, {1, c}, {1, d}}, 2);
  addClause(e.s, {b, neg(c)});
  Learnt l = analyseAfter(e.s, {neg(a), neg(b)});
  EXPECT_EQ(e.s.value(d), l_True);
  EXPECT_EQ(l.lits, (std::vector<Lit>{b, a}));
  EXPECT_EQ(l.backtrackLevel, 1);
  EXPECT_TRUE(marksClear(e.s));
}

// Level 0: z (unit clause). Level 1: a; with z, a implies b; a and b conflict.
// The learnt clause (~a, ~z) loses ~z under minimisation when every reason
// behind z is hard, keeps it when the derivation met a soft constraint, and
// keeps it when z's own reason is soft.
TEST(Analyze, LevelZeroLiteralIsMinimisedAwayOnlyThroughHardReasons) {
  for (int variant = 0; variant < 3; variant++) {
    Engine e;
    e.createVariables(7);
    addClause(e.s, {z}, variant == 2);
    addClause(e.s, {neg(a), neg(z), b}, variant == 1);
    addClause(e.s, {neg(a), neg(b)});
    Learnt l = analyseAfter(e.s, {a});
    if (variant == 0) {
      EXPECT_EQ(l.lits, (std::vector<Lit>{neg(a)}));
      EXPECT_FALSE(l.soft);
    } else {
      EXPECT_EQ(l.lits, (std::vector<Lit>{neg(a), neg(z)})) << "variant " << variant;
      EXPECT_EQ(l.soft, variant == 1);
    }
    EXPECT_EQ(l.backtrackLevel, 0);
    EXPECT_TRUE(marksClear(e.s));
  }
}

// A lower-level literal implied through hard reasons by another literal of
// the learnt clause is redundant.
TEST(Analyze, RedundantLowerLevelLiteralIsRemoved) {
  Engine e;
  e.createVariables(7);
  addClause(e.s, {neg(x), z});                             // level 1: x implies z
  addClause(e.s, {neg(a), b});                             // level 2: a implies b
  addClause(e.s, {neg(a), neg(b), neg(x), neg(z)});        // a, b, x, z conflict
  Learnt l = analyseAfter(e.s, {x, a});
  EXPECT_EQ(l.lits, (std::vector<Lit>{neg(a), neg(x)}));
  EXPECT_EQ(l.backtrackLevel, 1);
  EXPECT_EQ(e.s.learntLiteralsBefore, 3u) << "(~a, ~x, ~z) before minimisation";
  EXPECT_EQ(e.s.learntLiteralsAfter, 2u);
  EXPECT_TRUE(marksClear(e.s));
}

TEST(Analyze, SoftConstraintsMetAreReportedAndPendingInTheTrace) {
  Engine e;
  e.createVariables(7);
  Constraint* soft1 = addClause(e.s, {neg(a), b}, true);
  addClause(e.s, {neg(a), c});
  Constraint* soft2 = addClause(e.s, {neg(b), neg(c), neg(x)}, true);
  Learnt l = analyseAfter(e.s, {x, a});
  EXPECT_TRUE(l.soft);
  std::vector<int> pending = e.s.proofTrace->pending;
  std::sort(pending.begin(), pending.end());
  EXPECT_EQ(pending, (std::vector<int>{soft1->ref(), soft2->ref()}));
}

// The walk back along the trail stops at the unique implication point of
// the current level: the literals of level 1 stay in the clause (z too,
// although x implies it: a soft reason turns minimisation off), the
// walk does not go on into level 1, and every mark is cleared.
TEST(Analyze, TrailWalkStaysInTheCurrentLevel) {
  Engine e;
  e.createVariables(7);
  addClause(e.s, {neg(x), z});                             // level 1: x implies z
  addClause(e.s, {neg(a), neg(z), b}, true);               // soft: no minimisation
  addClause(e.s, {neg(b), neg(x), neg(z), neg(a)}, true);  // conflict with x and z from level 1
  Learnt l = analyseAfter(e.s, {x, a});
  ASSERT_FALSE(l.lits.empty());
  EXPECT_EQ(l.lits[0], neg(a));
  for (size_t i = 1; i < l.lits.size(); i++) EXPECT_EQ(e.s.level[var(l.lits[i])], 1);
  std::vector<Lit> rest(l.lits.begin() + 1, l.lits.end());
  std::sort(rest.begin(), rest.end());
  std::vector<Lit> expected{neg(x), neg(z)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(rest, expected);
  EXPECT_TRUE(marksClear(e.s));
}

TEST(Activity, VariableBumpRescalesAboveTenToTheHundred) {
  Engine e;
  e.createVariables(3);
  e.s.activity[1] = 5.0;
  e.s.varIncrement = 1e101;
  e.s.bumpVar(0);
  EXPECT_DOUBLE_EQ(e.s.activity[0], 1e101 * 1e-100);
  EXPECT_DOUBLE_EQ(e.s.activity[1], 5.0 * 1e-100);
  EXPECT_DOUBLE_EQ(e.s.varIncrement, 1e101 * 1e-100);
  EXPECT_EQ(e.s.pickBranchLit(1, 0.0), mkLit(0, true)) << "the most active variable, assigned false";
}

TEST(Activity, ClauseBumpRescalesAboveTenToTheTwenty) {
  Engine e;
  e.createVariables(3);
  Lit ls[3] = {a, b, c};
  Clause* first = Clause::make(ls, 3, 0x40000000u, true);
  Clause* second = Clause::make(ls, 3, 0x40000001u, true);
  e.s.learnts.push(first);
  e.s.learnts.push(second);
  second->activity() = 100.0f;
  e.s.claIncrement = 1e21;
  e.s.claBumpActivity(*first);
  EXPECT_FLOAT_EQ(first->activity(), 10.0f);
  EXPECT_FLOAT_EQ(second->activity(), 100.0f * 1e-20f);
  EXPECT_DOUBLE_EQ(e.s.claIncrement, 10.0);
}

namespace {

Constraint* learntClause(Solver& s, std::vector<Lit> ls, float activity) {
  static unsigned nextRef = 0x40000000u;
  Clause* c = Clause::make(ls.data(), (int)ls.size(), nextRef++, true);
  c->activity() = activity;
  s.learnts.push(c);
  s.attachClause(*c);
  return c;
}

std::vector<float> activities(const Solver& s) {
  std::vector<float> out;
  for (int i = 0; i < s.learnts.size(); i++) out.push_back(const_cast<Constraint*>(s.learnts[i])->activity());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// Ten ternary learnt clauses of activities 1..10 (shuffled): the five least
// active go in the first half; in the second half only those below
// claIncrement / 10 = 7.5 go (6 and 7). Binary and locked clauses stay.
TEST(ReduceDB, RemovesTheLeastActiveHalfAndInactiveOnesButNeverBinaryOrLocked) {
  Engine e;
  e.createVariables(7);
  const float order[10] = {4, 9, 1, 7, 10, 2, 6, 3, 8, 5};
  for (float act : order) learntClause(e.s, {a, b, c}, act);
  learntClause(e.s, {a, b}, 0.5f);
  learntClause(e.s, {c, d}, 0.25f);
  Constraint* lockedOne = learntClause(e.s, {u, neg(a), neg(b)}, 0.125f);
  decide(e.s, a);
  e.s.uncheckedEnqueue(b, nullptr);
  e.s.uncheckedEnqueue(u, lockedOne);
  // 13 learnt clauses: limit = claIncrement / 13; claIncrement 97.5 gives 7.5.
  e.s.claIncrement = 97.5;
  e.s.reduceDB();
  EXPECT_EQ(activities(e.s), (std::vector<float>{0.125f, 0.25f, 0.5f, 8, 9, 10}));
  EXPECT_EQ(checkInvariants(e.s, false), "");
}

// reduceDB's order puts ternary clauses by activity before every binary one;
// with no binary and nothing locked, exactly the lower half (by the sort) goes.
TEST(ReduceDB, OddCountRemovesTheLowerHalfRoundedDown) {
  Engine e;
  e.createVariables(7);
  const float order[5] = {30, 10, 50, 20, 40};
  for (float act : order) learntClause(e.s, {a, b, c}, act);
  e.s.claIncrement = 1.0;  // limit 0.2: nothing in the second half is below it
  e.s.reduceDB();
  EXPECT_EQ(activities(e.s), (std::vector<float>{30, 40, 50}));
}
