// The store: creating variables, adding clauses and pseudo-Boolean
// constraints with their level-0 consequences, attaching and detaching, and
// dropping learnt constraints.
#include <gtest/gtest.h>

#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

vec<Lit>& literals(vec<Lit>& ps, std::initializer_list<Lit> ls) {
  ps.clear();
  for (Lit l : ls) ps.push(l);
  return ps;
}

Constraint* addClause(Solver& s, std::initializer_list<Lit> ls) {
  vec<Lit> ps;
  return s.addClause(literals(ps, ls));
}

Constraint* addPB(Solver& s, std::initializer_list<std::pair<unsigned, Lit>> terms, unsigned rhs) {
  vec<Lit> ls;
  vec<unsigned> cs;
  for (auto& t : terms) {
    cs.push(t.first);
    ls.push(t.second);
  }
  return s.addPBConstraint(ls, cs, rhs);
}

int occurrences(const vec<Constraint*>& list, const Constraint* c) {
  int n = 0;
  for (int i = 0; i < list.size(); i++) n += list[i] == c;
  return n;
}

int recordsOf(const Solver& s, const Constraint* c) {
  int n = 0;
  for (int p = 0; p < s.pbWatches.size(); p++)
    for (int k = 0; k < s.pbWatches[p].size(); k++) n += s.pbWatches[p][k].c == c;
  return n;
}

bool watchedAnywhere(const Solver& s, const Constraint* c) {
  for (int p = 0; p < s.watches.size(); p++)
    if (occurrences(s.watches[p], c) > 0) return true;
  return false;
}

const Lit x1 = mkLit(0), x2 = mkLit(1), x3 = mkLit(2), x4 = mkLit(3);

}  // namespace

TEST(NewVar, CreatesAnUnassignedVariableInTheDecisionOrder) {
  Engine e;
  Var v = e.s.newVar();
  Var w = e.s.newVar(false, false);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(e.s.nVars(), 2);
  EXPECT_EQ(e.s.watches.size(), 4);
  EXPECT_EQ(e.s.pbWatches.size(), 4);
  EXPECT_EQ(e.s.varValue(v), l_Undef);
  EXPECT_EQ(e.s.level[v], -1);
  EXPECT_EQ(e.s.reason[v], nullptr);
  EXPECT_EQ(e.s.polarity[v], 1);
  EXPECT_EQ(e.s.polarity[w], 0);
  EXPECT_TRUE(e.s.varHeap.contains(v));
  EXPECT_FALSE(e.s.varHeap.contains(w));
}

TEST(AddClause, ClauseWithATrueLiteralIsStoredTrueFirstAndNotAttached) {
  Engine e;
  e.createVariables(2);
  addClause(e.s, {x1});
  Constraint* c = addClause(e.s, {x2, x1});
  EXPECT_EQ((*c)[0], x1);
  EXPECT_EQ((*c)[1], x2);
  EXPECT_FALSE(watchedAnywhere(e.s, c));
  EXPECT_EQ(e.s.varValue(1), l_Undef);
}

// Sorted x1 x2 x3; x1 false goes to the back, then x3 false before it.
TEST(AddClause, UnassignedLiteralsComeFirstAndAUnitIsPropagated) {
  Engine e;
  e.createVariables(4);
  addClause(e.s, {neg(x1)});
  addClause(e.s, {neg(x3)});
  Constraint* implied = addClause(e.s, {neg(x2), x4});
  Constraint* c = addClause(e.s, {x3, x2, x1});
  EXPECT_EQ((*c)[0], x2);
  EXPECT_EQ((*c)[1], x3);
  EXPECT_EQ((*c)[2], x1);
  EXPECT_EQ(e.s.value(x2), l_True);
  EXPECT_EQ(e.s.reason[1], c);
  EXPECT_EQ(e.s.level[1], 0);
  EXPECT_EQ(e.s.value(x4), l_True) << "the unit is propagated at once";
  EXPECT_EQ(e.s.reason[3], implied);
  EXPECT_EQ(e.s.propHead, e.s.trail.size());
  EXPECT_FALSE(watchedAnywhere(e.s, c));
}

TEST(AddClause, EmptyClauseMakesTheSolverUnsatisfiable) {
  Engine e;
  e.createVariables(1);
  Constraint* c = addClause(e.s, {});
  EXPECT_FALSE(e.s.okay());
  EXPECT_EQ(c->size(), 0);
  EXPECT_EQ(e.s.constraints.size(), 1);
  EXPECT_FALSE(e.s.multiSolve());
}

TEST(AddClause, ClauseFalsifiedAtLevelZeroMakesTheSolverUnsatisfiable) {
  Engine e;
  e.createVariables(2);
  addClause(e.s, {neg(x1)});
  addClause(e.s, {neg(x2)});
  ASSERT_TRUE(e.s.okay());
  addClause(e.s, {x1, x2});
  EXPECT_FALSE(e.s.okay());
}

TEST(AddClause, TautologyIsAttachedAndNeverPropagates) {
  Engine e;
  e.createVariables(1);
  Constraint* c = addClause(e.s, {neg(x1), x1});
  EXPECT_EQ(c->size(), 2);
  EXPECT_EQ(occurrences(e.s.watches[x1], c), 1);
  EXPECT_EQ(occurrences(e.s.watches[neg(x1)], c), 1);
  decide(e.s, neg(x1));
  EXPECT_EQ(e.s.propagate(), nullptr);
  e.s.cancelUntil(0);
  decide(e.s, x1);
  EXPECT_EQ(e.s.propagate(), nullptr);
}

TEST(AddClause, DuplicateLiteralsStayAndFalsifyingThemIsAConflict) {
  Engine e;
  e.createVariables(1);
  Constraint* c = addClause(e.s, {x1, x1});
  EXPECT_EQ(c->size(), 2);
  EXPECT_EQ(e.s.varValue(0), l_Undef);
  decide(e.s, neg(x1));
  EXPECT_EQ(e.s.propagate(), c);
}

TEST(AddClause, RefCountsConstraintsAndConflictsWhileAddClause2CountsOnlyConstraints) {
  Engine e;
  e.createVariables(3);
  addClause(e.s, {x1, x2});
  e.s.conflicts = 7;
  vec<Lit> ps;
  Constraint* plain = e.s.addClause(literals(ps, {x2, x3}));
  Constraint* three = e.s.addClause3(literals(ps, {x1, x3}));
  Constraint* two = e.s.addClause2(literals(ps, {x1, neg(x3)}));
  EXPECT_EQ(plain->ref(), 1 + 7);
  EXPECT_EQ(three->ref(), 2 + 7);
  EXPECT_EQ(two->ref(), 3);
  EXPECT_TRUE(plain->isSoft());
  EXPECT_TRUE(three->isSoft());
  EXPECT_FALSE(two->isSoft());
  EXPECT_EQ(e.s.nbClauses, 4u);
}

TEST(AddClause, ObjectiveCoefficientAddsASoftUnit) {
  Engine e;
  e.createVariables(1);
  e.s.objCoeff(neg(x1), 5);
  ASSERT_EQ(e.s.constraints.size(), 1);
  EXPECT_TRUE(e.s.constraints[0]->isSoft());
  EXPECT_EQ(e.s.value(neg(x1)), l_True);
  EXPECT_EQ(e.s.objCoeff(neg(x1)), 0u);
}

TEST(AddPB, LiteralsAreStoredLargestCoefficientFirstAndForcedOnesAssigned) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addPB(e.s, {{2, x1}, {1, x2}, {3, x3}}, 4);
  ASSERT_FALSE(c->isClause());
  EXPECT_EQ((*c)[0], x3);
  EXPECT_EQ((*c)[1], x1);
  EXPECT_EQ((*c)[2], x2);
  EXPECT_EQ(c->coeff(0), 3u);
  EXPECT_EQ(c->coeff(1), 2u);
  EXPECT_EQ(c->coeff(2), 1u);
  EXPECT_EQ(c->coeffSum(), 6);
  EXPECT_EQ(c->rhs(), 4u);
  // Without x3 the rest adds up to 3 < 4: x3 is forced, nothing else.
  EXPECT_EQ(e.s.value(x3), l_True);
  EXPECT_EQ(e.s.reason[2], c);
  EXPECT_EQ(e.s.varValue(0), l_Undef);
  EXPECT_EQ(e.s.varValue(1), l_Undef);
  EXPECT_EQ(recordsOf(e.s, c), 3);
  EXPECT_EQ(e.s.nbPBConstraints, 1u);
}

TEST(AddPB, CoefficientSortIsStableForEqualCoefficients) {
  Engine e;
  e.createVariables(4);
  Constraint* c = addPB(e.s, {{1, x1}, {3, x2}, {3, x3}, {2, x4}}, 1);
  EXPECT_EQ((*c)[0], x2);
  EXPECT_EQ((*c)[1], x3);
  EXPECT_EQ((*c)[2], x4);
  EXPECT_EQ((*c)[3], x1);
}

TEST(AddPB, RhsZeroIsStoredButNotAttached) {
  Engine e;
  e.createVariables(2);
  Constraint* c = addPB(e.s, {{2, x1}, {1, x2}}, 0);
  EXPECT_EQ(e.s.constraints.size(), 1);
  EXPECT_EQ(recordsOf(e.s, c), 0);
  EXPECT_EQ(e.s.trail.size(), 0);
  EXPECT_TRUE(e.s.okay());
}

TEST(AddPB, ConstraintSatisfiedByTrueLiteralsIsNotAttached) {
  Engine e;
  e.createVariables(3);
  addClause(e.s, {x1});
  Constraint* c = addPB(e.s, {{2, x1}, {1, x2}, {1, x3}}, 2);
  EXPECT_EQ(recordsOf(e.s, c), 0);
  EXPECT_EQ(e.s.varValue(1), l_Undef);
}

TEST(AddPB, RhsAboveEveryNonFalseCoefficientMakesTheSolverUnsatisfiable) {
  Engine e;
  e.createVariables(3);
  addClause(e.s, {neg(x3)});
  addPB(e.s, {{2, x1}, {1, x2}, {5, x3}}, 4);
  EXPECT_FALSE(e.s.okay());
}

TEST(AddPB, CountsCardinalityAndGeneralConstraintsApart) {
  Engine e;
  e.createVariables(3);
  addPB(e.s, {{1, x1}, {1, x2}, {1, x3}}, 2);
  EXPECT_EQ(e.s.nbCardConstraints, 1u);
  EXPECT_EQ(e.s.nbPBConstraints, 0u);
  addPB(e.s, {{2, x1}, {1, x2}}, 2);
  EXPECT_EQ(e.s.nbCardConstraints, 1u);
  EXPECT_EQ(e.s.nbPBConstraints, 1u);
}

TEST(AddPB, ZeroCoefficientLiteralIsNeverForced) {
  Engine e;
  e.createVariables(2);
  Constraint* c = addPB(e.s, {{0, x1}, {1, x2}}, 1);
  EXPECT_EQ((*c)[0], x2);
  EXPECT_EQ(e.s.value(x2), l_True);
  EXPECT_EQ(e.s.varValue(0), l_Undef);
}

TEST(AddPB, SingleLiteralConstraintForcesOrContradicts) {
  Engine e;
  e.createVariables(3);
  Constraint* forced = addPB(e.s, {{5, x1}}, 3);
  EXPECT_EQ(e.s.value(x1), l_True);
  EXPECT_EQ(e.s.reason[0], forced);
  EXPECT_EQ(recordsOf(e.s, forced), 0);
  addPB(e.s, {{3, neg(x2)}}, 3);
  EXPECT_EQ(e.s.value(x2), l_False);
  addPB(e.s, {{7, x3}}, 0);
  EXPECT_EQ(e.s.varValue(2), l_Undef);
  EXPECT_TRUE(e.s.okay());
  addPB(e.s, {{5, x3}}, 6);
  EXPECT_FALSE(e.s.okay());
}

TEST(AddPB, ConstraintWithNoLiteralIsUnsatisfiableOnlyAboveZero) {
  Engine e;
  e.createVariables(1);
  addPB(e.s, {}, 0);
  EXPECT_TRUE(e.s.okay());
  addPB(e.s, {}, 1);
  EXPECT_FALSE(e.s.okay());
}

TEST(AddPB, DuplicateLiteralCoefficientsAddUp) {
  // 2 x1 + 2 x1 >= 3 needs x1; 2 x1 + 2 neg(x1) + x2 >= 3 needs x2.
  Engine e;
  e.createVariables(2);
  addPB(e.s, {{2, x1}, {2, x1}}, 3);
  EXPECT_EQ(e.s.value(x1), l_True);
  EXPECT_TRUE(e.s.okay());
  Engine f;
  f.createVariables(2);
  addPB(f.s, {{2, x1}, {2, neg(x1)}, {1, x2}}, 3);
  EXPECT_TRUE(f.s.multiSolve());
  EXPECT_EQ(f.s.model[1], l_True);
}

TEST(AddPB, HugeCoefficientsOnlyWhenTheSumIsReachable) {
  Engine e;
  e.createVariables(2);
  // 4294967295 x1 + 4294967295 x2 >= 4294967295: satisfiable, nothing forced.
  addPB(e.s, {{0xFFFFFFFFu, x1}, {0xFFFFFFFFu, x2}}, 0xFFFFFFFFu);
  EXPECT_TRUE(e.s.okay());
  EXPECT_EQ(e.s.trail.size(), 0);
  addClause(e.s, {neg(x1)});
  EXPECT_EQ(e.s.value(x2), l_True);
}

TEST(Satisfied, SumsOfTrueCoefficientsBeyondThirtyTwoBits) {
  Engine e;
  e.createVariables(3);
  Constraint* c = addPB(e.s, {{3000000000u, x1}, {3000000000u, x2}, {3000000000u, x3}}, 4000000000u);
  ASSERT_EQ(e.s.trail.size(), 0) << "any two of the three reach 4e9: nothing is forced";
  EXPECT_FALSE(e.s.satisfied(*c));
  decide(e.s, x1);
  EXPECT_FALSE(e.s.satisfied(*c));
  decide(e.s, x2);
  EXPECT_TRUE(e.s.satisfied(*c)) << "6e9 >= 4e9";
  Constraint* clause = addClause(e.s, {neg(x3), x1});
  EXPECT_TRUE(e.s.satisfied(*clause));
}

TEST(Detach, DetachingAPseudoBooleanConstraintRemovesItsRecordsAndCounts) {
  Engine e;
  e.createVariables(4);
  Constraint* c = addPB(e.s, {{3, x1}, {2, x2}, {2, x3}, {1, x4}}, 3);
  decide(e.s, neg(x2));
  ASSERT_EQ(e.s.propagate(), nullptr);
  EXPECT_EQ(c->val0Lits(), 2);
  uint64_t before = e.s.problemLiterals;
  e.s.detachClause(*c);
  EXPECT_EQ(recordsOf(e.s, c), 0);
  EXPECT_EQ(c->val0Lits(), 0);
  EXPECT_EQ(e.s.problemLiterals, before - 4);
  e.s.attachPB(*c);
  EXPECT_EQ(recordsOf(e.s, c), 4);
  EXPECT_EQ(c->val0Lits(), 2);
  EXPECT_EQ(checkInvariants(e.s, true), "");
}

TEST(Detach, DetachingAClauseKeepsTheOrderOfTheOtherWatches) {
  Engine e;
  e.createVariables(3);
  Constraint* a = addClause(e.s, {x1, x2});
  Constraint* b = addClause(e.s, {x1, x3});
  Constraint* c = addClause(e.s, {x1, neg(x2)});
  vec<Constraint*>& list = e.s.watches[neg(x1)];
  ASSERT_EQ(list.size(), 3);
  e.s.detachClause(*a);
  ASSERT_EQ(list.size(), 2);
  EXPECT_EQ(list[0], b);
  EXPECT_EQ(list[1], c);
  EXPECT_EQ(occurrences(e.s.watches[neg(x2)], a), 0);
  e.s.attachClause(*a);  // so that the destructor's view stays consistent
}

namespace {

// A learnt clause over the given literals, attached, as the search stores one.
Constraint* learntClause(Solver& s, std::initializer_list<Lit> ls, unsigned ref, bool soft) {
  std::vector<Lit> v(ls);
  Clause* c = Clause::make(v.data(), (int)v.size(), ref, true);
  c->isSoft(soft);
  s.learnts.push(c);
  if (c->size() > 1) s.attachClause(*c);
  return c;
}

}  // namespace

TEST(RemoveLearntClauses, DropsSoftLearntsAtOrAboveTheBoundExceptLockedOnes) {
  Engine e;
  e.createVariables(4);
  const unsigned bound = 10;
  Constraint* below = learntClause(e.s, {x1, x2, x3}, 9, true);
  Constraint* hard = learntClause(e.s, {x1, neg(x2), x3}, 0x40000005u, false);
  learntClause(e.s, {neg(x1), x2, x4}, 10, true);
  learntClause(e.s, {x2, x4}, 0x40000007u, true);
  Constraint* lockedOne = learntClause(e.s, {x4, neg(x3), x2}, 0x40000008u, true);
  Constraint* unit = learntClause(e.s, {x3}, 0x40000009u, true);
  // x4 implied by the last ternary clause: x3 true, x2 false.
  decide(e.s, neg(x2));
  decide(e.s, x3);
  e.s.uncheckedEnqueue(x4, lockedOne);
  e.s.removeLearntClauses(bound);
  ASSERT_EQ(e.s.learnts.size(), 3);
  EXPECT_EQ(e.s.learnts[0], below);
  EXPECT_EQ(e.s.learnts[1], hard);
  EXPECT_EQ(e.s.learnts[2], lockedOne);
  (void)unit;
  EXPECT_EQ(checkInvariants(e.s, false), "");
}

TEST(RemoveLearntClauses, KeepsALearntClauseWhoseSoftFlagIsClearWhateverItsRef) {
  Engine e;
  e.createVariables(3);
  learntClause(e.s, {x1, x2, x3}, 0x7FFFFFFFu, false);
  e.s.removeLearntClauses(0);
  EXPECT_EQ(e.s.learnts.size(), 1);
}

TEST(Simplify, ReturnsFalseOnceTheSolverIsUnsatisfiable) {
  Engine e;
  e.createVariables(1);
  EXPECT_TRUE(e.s.simplify());
  addClause(e.s, {x1});
  addClause(e.s, {neg(x1)});
  EXPECT_FALSE(e.s.simplify());
}

TEST(Simplify, DropsAssignedVariablesFromTheDecisionOrder) {
  Engine e;
  e.createVariables(3);
  addClause(e.s, {x2});
  EXPECT_TRUE(e.s.simplify());
  EXPECT_TRUE(e.s.varHeap.contains(0));
  EXPECT_FALSE(e.s.varHeap.contains(1));
  EXPECT_TRUE(e.s.varHeap.contains(2));
  EXPECT_EQ(e.s.simplifiedAt, 1);
}

// Once unsatisfiable, the solver still stores what is added: a clause is
// attached or its unit assigned, without propagation; a counter constraint
// is stored and not attached.
TEST(AddAfterUnsatisfiable, ConstraintsAreStoredWithoutPropagation) {
  Engine e;
  e.createVariables(4);
  addClause(e.s, {neg(x4), x3});
  addClause(e.s, {});
  ASSERT_FALSE(e.s.okay());
  Constraint* unit = addClause(e.s, {x4});
  EXPECT_EQ(e.s.value(x4), l_True);
  EXPECT_EQ(e.s.reason[3], unit);
  EXPECT_EQ(e.s.varValue(2), l_Undef) << "no propagation once unsatisfiable";
  Constraint* pair = addClause(e.s, {x1, x2});
  EXPECT_TRUE(watchedAnywhere(e.s, pair));
  Constraint* pb = addPB(e.s, {{2, x1}, {1, x2}}, 2);
  EXPECT_EQ(recordsOf(e.s, pb), 0);
  EXPECT_EQ(e.s.constraints.size(), 5);
  EXPECT_FALSE(e.s.okay());
}
