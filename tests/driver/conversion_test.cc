// The lower-bound thread's form of the problem: objective terms become soft
// unit clauses, level-0 facts become hard units, constraints are copied
// simplified, and the cost limit becomes one constraint when it can bind.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver/RUKSolver.h"
#include "driver_test_util.h"

namespace {

using driver_test::Problem;

void fill(vec<Lit>& v, std::initializer_list<Lit> lits) {
  for (Lit l : lits) v.push(l);
}

std::vector<Lit> litsOf(const Constraint& c) {
  std::vector<Lit> lits;
  for (int i = 0; i < c.size(); i++) lits.push_back(c[i]);
  std::sort(lits.begin(), lits.end());
  return lits;
}

struct Conversion {
  Cooperation coop{2, 16};
  RUKSolver r;
  PBOSolver* pbo = nullptr;
  Solver* converted = nullptr;

  explicit Conversion(int nVars) {
    r.coop = &coop;
    r.init();
    pbo = static_cast<PBOSolver*>(r.solver);
    for (int v = 0; v < nVars; v++) r.solver->newVar();
  }
  ~Conversion() { delete converted; }
  void convert() { converted = r.convertPBOtoRUK(pbo); }
};

TEST(Conversion, ObjectiveTermsBecomeWeightedSoftUnits) {
  Conversion cv(2);
  vec<Lit> a;
  fill(a, {mkLit(0)});
  vec<Lit> b;
  fill(b, {mkLit(1, true)});
  cv.r.addClause(a, 3);  // costs 3 when x0 is false
  cv.r.addClause(b, 5);  // costs 5 when x1 is true
  cv.convert();
  Solver* s = cv.converted;
  ASSERT_EQ(s->nVars(), 2);
  ASSERT_EQ(s->nConstraints(), 2);
  ASSERT_EQ(cv.r.weights.size(), 2u);
  // In literal order: the term on ~x0 (literal 1) comes before the one on x1.
  EXPECT_EQ(litsOf(*s->constraints[0]), std::vector<Lit>{mkLit(0)});
  EXPECT_TRUE(s->constraints[0]->isSoft());
  EXPECT_EQ(cv.r.weights[0], 3);
  EXPECT_EQ(litsOf(*s->constraints[1]), std::vector<Lit>{mkLit(1, true)});
  EXPECT_TRUE(s->constraints[1]->isSoft());
  EXPECT_EQ(cv.r.weights[1], 5);
  EXPECT_EQ(cv.r.lowerBound, 0);
  for (int i = 0; i < 2; i++) EXPECT_EQ(s->constraints[i]->ref(), i);
}

TEST(Conversion, TermOnLiteralFixedFalseDisappearsAndFixedTrueRaisesLowerBound) {
  Conversion cv(2);
  vec<Lit> hard0;
  fill(hard0, {mkLit(0)});
  vec<Lit> hard1;
  fill(hard1, {mkLit(1)});
  cv.r.addClause(hard0, cv.r.topWeight);  // x0 true
  cv.r.addClause(hard1, cv.r.topWeight);  // x1 true
  vec<Lit> soft0;
  fill(soft0, {mkLit(0)});
  vec<Lit> soft1;
  fill(soft1, {mkLit(1, true)});
  cv.r.addClause(soft0, 4);  // satisfied for ever: costs nothing
  cv.r.addClause(soft1, 6);  // violated for ever: costs 6
  cv.convert();
  Solver* s = cv.converted;
  EXPECT_EQ(cv.r.lowerBound, 6);
  // Only the two hard units made from the level-0 facts; the problem
  // constraints are satisfied at level 0 and not copied.
  ASSERT_EQ(s->nConstraints(), 2);
  ASSERT_EQ(cv.r.weights.size(), 2u);
  for (int i = 0; i < 2; i++) {
    EXPECT_FALSE(s->constraints[i]->isSoft());
    EXPECT_EQ(cv.r.weights[(size_t)i], cv.r.topWeight);
    EXPECT_EQ(s->constraints[i]->size(), 1);
  }
  EXPECT_EQ(s->value(mkLit(0)), l_True);
  EXPECT_EQ(s->value(mkLit(1)), l_True);
}

TEST(Conversion, MergedObjectiveTermKeepsItsSixtyFourBitWeight) {
  Conversion cv(1);
  vec<Lit> a;
  fill(a, {mkLit(0)});
  vec<Lit> b;
  fill(b, {mkLit(0)});
  cv.r.addClause(a, 2000000000);
  cv.r.addClause(b, 2000000000);
  cv.convert();
  ASSERT_EQ(cv.r.weights.size(), 1u);
  EXPECT_EQ(cv.r.weights[0], 4000000000LL);
}

TEST(Conversion, SatisfiedClauseAndTautologyAreNotCopiedAndWeightsFollow) {
  Conversion cv(3);
  vec<Lit> fact;
  fill(fact, {mkLit(0)});
  vec<Lit> satisfied;
  fill(satisfied, {mkLit(0), mkLit(1)});
  vec<Lit> tautology;
  fill(tautology, {mkLit(2), mkLit(2, true)});
  vec<Lit> kept;
  fill(kept, {mkLit(0, true), mkLit(1), mkLit(2)});
  cv.r.addClause(fact, cv.r.topWeight);
  cv.r.addClause(satisfied, cv.r.topWeight);
  cv.r.addClause(tautology, cv.r.topWeight);
  cv.r.addClause(kept, cv.r.topWeight);
  vec<Lit> soft;
  fill(soft, {mkLit(1)});
  cv.r.addClause(soft, 2);
  cv.convert();
  Solver* s = cv.converted;
  // Hard unit x0, soft unit x1 (weight 2), then the kept clause without its
  // false literal ~x0.
  ASSERT_EQ(s->nConstraints(), 3);
  ASSERT_EQ(cv.r.weights.size(), 3u);
  EXPECT_EQ(litsOf(*s->constraints[0]), std::vector<Lit>{mkLit(0)});
  EXPECT_EQ(cv.r.weights[0], cv.r.topWeight);
  EXPECT_EQ(litsOf(*s->constraints[1]), std::vector<Lit>{mkLit(1)});
  EXPECT_EQ(cv.r.weights[1], 2);
  EXPECT_EQ(litsOf(*s->constraints[2]), (std::vector<Lit>{mkLit(1), mkLit(2)}));
  EXPECT_EQ(cv.r.weights[2], cv.r.topWeight);
  EXPECT_FALSE(s->constraints[2]->isSoft());
}

TEST(Conversion, PseudoBooleanWithTrueLiteralsIsCopiedWithReducedRhs) {
  Conversion cv(4);
  vec<Lit> fact;
  fill(fact, {mkLit(0)});
  vec<Lit> falseFact;
  fill(falseFact, {mkLit(1, true)});
  cv.r.addClause(fact, cv.r.topWeight);
  cv.r.addClause(falseFact, cv.r.topWeight);
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1), mkLit(2), mkLit(3)});
  vec<unsigned> coeffs;
  coeffs.push(2);
  coeffs.push(3);
  coeffs.push(4);
  coeffs.push(5);
  cv.r.addPBConstraint(lits, coeffs, 6, cv.r.topWeight);
  vec<Lit> soft;
  fill(soft, {mkLit(2)});
  cv.r.addClause(soft, 1);
  cv.convert();
  Solver* s = cv.converted;
  // Hard units x0 and ~x1 (literal order 0, 3), the soft unit x2 (its term
  // sits on ~x2, literal 5), then 4 x2 + 5 x3 >= 6 - 2.
  ASSERT_EQ(s->nConstraints(), 4);
  Constraint* c = s->constraints[3];
  ASSERT_FALSE(c->isClause());
  EXPECT_EQ(c->rhs(), 4);
  ASSERT_EQ(c->size(), 2);
  for (int i = 0; i < 2; i++) {
    if ((*c)[i] == mkLit(2)) EXPECT_EQ(c->coeff(i), 4u);
    else if ((*c)[i] == mkLit(3)) EXPECT_EQ(c->coeff(i), 5u);
    else ADD_FAILURE() << "unexpected literal " << (*c)[i];
  }
  EXPECT_EQ(cv.r.weights.size(), 4u);
}

TEST(Conversion, SoftClauseBecomesHardClauseWithSoftUnitOnItsRelaxationVariable) {
  Conversion cv(2);
  vec<Lit> soft;
  fill(soft, {mkLit(0), mkLit(1)});
  cv.r.addClause(soft, 9);
  cv.convert();
  Solver* s = cv.converted;
  ASSERT_EQ(s->nVars(), 3);
  ASSERT_EQ(s->nConstraints(), 2);
  // The soft unit "relaxation variable true" of weight 9, then the clause.
  EXPECT_EQ(litsOf(*s->constraints[0]), std::vector<Lit>{mkLit(2)});
  EXPECT_TRUE(s->constraints[0]->isSoft());
  EXPECT_EQ(cv.r.weights[0], 9);
  EXPECT_EQ(litsOf(*s->constraints[1]), (std::vector<Lit>{mkLit(0), mkLit(1), mkLit(2, true)}));
  EXPECT_FALSE(s->constraints[1]->isSoft());
  EXPECT_EQ(cv.r.weights[1], cv.r.topWeight);
}

TEST(Conversion, AddSolverConstraintCopiesVerbatimAndKeepsHardness) {
  Conversion cv(3);
  Solver to;
  for (int v = 0; v < 3; v++) to.newVar();
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1), mkLit(2)});
  vec<unsigned> coeffs;
  coeffs.push(1);
  coeffs.push(2);
  coeffs.push(3);
  Constraint* pb = cv.r.solver->addPBConstraint(lits, coeffs, 4);
  pb->isSoft(false);
  const size_t weightsBefore = cv.r.weights.size();
  cv.r.addSolverConstraint(&to, pb);
  ASSERT_EQ(to.nConstraints(), 1);
  Constraint* copy = to.constraints[0];
  EXPECT_FALSE(copy->isClause());
  EXPECT_FALSE(copy->isSoft());
  EXPECT_EQ(copy->rhs(), 4);
  EXPECT_EQ(copy->size(), 3);
  EXPECT_EQ(cv.r.weights.size(), weightsBefore);

  vec<Lit> unit;
  fill(unit, {mkLit(1)});
  Constraint* soft = cv.r.solver->addClause(unit);  // born soft
  cv.r.addSolverConstraint(&to, soft);
  EXPECT_TRUE(to.constraints[1]->isSoft());
}

TEST(SoftLimit, NoLimitAddsNothing) {
  Conversion cv(2);
  vec<Lit> a;
  fill(a, {mkLit(0)});
  cv.r.addClause(a, 3);
  const int before = cv.r.solver->nConstraints();
  cv.r.addPBsoftLimit();
  EXPECT_EQ(cv.r.solver->nConstraints(), before);
  EXPECT_TRUE(cv.r.weights.empty());
}

// Soft weights 3 and 2: every solution costs at most 5, so a limit of 6 or
// more (cost at most limit - 1 >= 5) cannot bind.
TEST(SoftLimit, LimitAboveTotalWeightAddsNothing) {
  for (Cost limit : {6LL, 7LL, 100LL, 5000000000LL}) {
    Conversion cv(2);
    vec<Lit> a;
    fill(a, {mkLit(0)});
    vec<Lit> b;
    fill(b, {mkLit(1)});
    cv.r.addClause(a, 3);
    cv.r.addClause(b, 2);
    cv.r.hasSoftLimit = true;
    cv.r.softLimit = limit;
    cv.r.addPBsoftLimit();
    EXPECT_EQ(cv.r.solver->nConstraints(), 0) << "limit " << limit;
    EXPECT_TRUE(cv.r.weights.empty()) << "limit " << limit;
    EXPECT_TRUE(cv.r.solver->okay()) << "limit " << limit;
  }
}

// A limit of 5 forbids only the assignment of cost 5 (both violated); over
// the complements of the costly literals: 3 x0 + 2 x1 >= (1 + 5) - 5 = 1.
TEST(SoftLimit, BindingLimitAddsOneHardConstraintOnTheComplements) {
  Conversion cv(2);
  vec<Lit> a;
  fill(a, {mkLit(0)});
  vec<Lit> b;
  fill(b, {mkLit(1)});
  cv.r.addClause(a, 3);
  cv.r.addClause(b, 2);
  cv.r.hasSoftLimit = true;
  cv.r.softLimit = 5;
  cv.r.addPBsoftLimit();
  ASSERT_EQ(cv.r.solver->nConstraints(), 1);
  ASSERT_EQ(cv.r.weights.size(), 1u);
  EXPECT_EQ(cv.r.weights[0], cv.r.topWeight);
  Constraint* c = cv.r.solver->constraints[0];
  EXPECT_EQ(c->rhs(), 1);
  int64_t coeffOfX0 = 0, coeffOfX1 = 0;
  for (int i = 0; i < c->size(); i++) {
    if ((*c)[i] == mkLit(0)) coeffOfX0 += c->coeff(i);
    else if ((*c)[i] == mkLit(1)) coeffOfX1 += c->coeff(i);
    else ADD_FAILURE() << "unexpected literal " << (*c)[i];
  }
  EXPECT_EQ(coeffOfX0, 3);
  EXPECT_EQ(coeffOfX1, 2);
}

TEST(SoftLimit, LimitOfOneForcesEverySoftConstraint) {
  Conversion cv(2);
  vec<Lit> a;
  fill(a, {mkLit(0)});
  vec<Lit> b;
  fill(b, {mkLit(1, true)});
  cv.r.addClause(a, 3);
  cv.r.addClause(b, 2);
  cv.r.hasSoftLimit = true;
  cv.r.softLimit = 1;
  cv.r.addPBsoftLimit();
  // 3 x0 + 2 ~x1 >= 6 - 1 = 5: both forced at level 0.
  EXPECT_EQ(cv.r.solver->value(mkLit(0)), l_True);
  EXPECT_EQ(cv.r.solver->value(mkLit(1)), l_False);
}

}  // namespace
