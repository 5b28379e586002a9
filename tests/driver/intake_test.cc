// Problem intake: soft units become objective terms, longer soft constraints
// get a relaxation literal, hard ones pass unchanged, and constraint index,
// ref and weight position stay aligned.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver/RUKSolver.h"
#include "driver_test_util.h"

namespace {

struct Intake {
  Cooperation coop{2, 16};
  RUKSolver r;
  PBOSolver* pbo = nullptr;

  explicit Intake(int nVars, Cost topWeight = RUKSolver::defaultTopWeight) {
    r.coop = &coop;
    r.topWeight = topWeight;
    r.init();
    pbo = static_cast<PBOSolver*>(r.solver);
    for (int v = 0; v < nVars; v++) r.solver->newVar();
  }
};

std::vector<Lit> litsOf(const Constraint& c) {
  std::vector<Lit> lits;
  for (int i = 0; i < c.size(); i++) lits.push_back(c[i]);
  std::sort(lits.begin(), lits.end());
  return lits;
}

void fill(vec<Lit>& v, std::initializer_list<Lit> lits) {
  for (Lit l : lits) v.push(l);
}

TEST(Intake, SoftUnitBecomesObjectiveTermAndAddsNoConstraint) {
  Intake in(2);
  vec<Lit> unit;
  fill(unit, {mkLit(0)});
  EXPECT_EQ(in.r.addClause(unit, 7), nullptr);
  EXPECT_EQ(in.r.solver->nConstraints(), 0);
  EXPECT_TRUE(in.r.weights.empty());
  EXPECT_EQ(in.r.nbRelaxVars, 0);
  EXPECT_EQ(in.r.solver->nVars(), 2);
  // Leaving x0 false costs 7: the cost sits on the complement.
  EXPECT_EQ(in.pbo->objCoeff(mkLit(0, true)), 7);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(0)), 0);

  // The next constraint takes index 0.
  vec<Lit> hard;
  fill(hard, {mkLit(0), mkLit(1)});
  Constraint* c = in.r.addClause(hard, in.r.topWeight);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->ref(), 0);
  ASSERT_EQ(in.r.weights.size(), 1u);
}

TEST(Intake, SoftUnitsOnOneLiteralAddUpBeyondThirtyTwoBits) {
  Intake in(1);
  vec<Lit> a;
  fill(a, {mkLit(0, true)});
  vec<Lit> b;
  fill(b, {mkLit(0, true)});
  in.r.addClause(a, 2000000000);
  in.r.addClause(b, 2000000000);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(0)), 4000000000LL);
}

TEST(Intake, SoftClauseGetsNegatedRelaxationLiteralLast) {
  Intake in(3);
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1, true), mkLit(2)});
  Constraint* c = in.r.addClause(lits, 5);
  ASSERT_NE(c, nullptr);
  const Var relax = 3;
  EXPECT_EQ(in.r.solver->nVars(), 4);
  EXPECT_EQ(in.r.nbRelaxVars, 1);
  ASSERT_EQ(in.r.relaxVars.size(), 1);
  EXPECT_EQ(in.r.relaxVars[0], relax);
  // The caller's list grew by the negated relaxation literal.
  ASSERT_EQ(lits.size(), 4);
  EXPECT_EQ(lits[3], mkLit(relax, true));
  EXPECT_EQ(litsOf(*c), (std::vector<Lit>{mkLit(0), mkLit(1, true), mkLit(2), mkLit(relax, true)}));
  EXPECT_TRUE(c->isClause());
  EXPECT_FALSE(c->isSoft());
  // Relaxation variable false: clause satisfied, weight paid.
  EXPECT_EQ(in.pbo->objCoeff(mkLit(relax, true)), 5);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(relax)), 0);
  ASSERT_EQ(in.r.weights.size(), 1u);
  EXPECT_EQ(in.r.weights[0], in.r.topWeight);
}

TEST(Intake, SoftPseudoBooleanConstraintGetsRelaxationTermWithCoefficientRhs) {
  Intake in(3);
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1), mkLit(2)});
  vec<unsigned> coeffs;
  coeffs.push(2);
  coeffs.push(3);
  coeffs.push(4);
  Constraint* c = in.r.addPBConstraint(lits, coeffs, 5, 9);
  ASSERT_NE(c, nullptr);
  const Var relax = 3;
  // The caller's lists grew by the relaxation term (the solver may reorder
  // them by coefficient).
  ASSERT_EQ(coeffs.size(), 4);
  ASSERT_EQ(lits.size(), 4);
  int at = -1;
  for (int i = 0; i < lits.size(); i++)
    if (lits[i] == mkLit(relax, true)) at = i;
  ASSERT_GE(at, 0);
  EXPECT_EQ(coeffs[at], 5u);
  EXPECT_FALSE(c->isClause());
  EXPECT_EQ(c->rhs(), 5);
  bool found = false;
  for (int i = 0; i < c->size(); i++)
    if ((*c)[i] == mkLit(relax, true)) {
      found = true;
      EXPECT_EQ(c->coeff(i), 5u);
    }
  EXPECT_TRUE(found);
  EXPECT_FALSE(c->isSoft());
  EXPECT_EQ(in.pbo->objCoeff(mkLit(relax, true)), 9);
  EXPECT_EQ(in.r.nbRelaxVars, 1);
  ASSERT_EQ(in.r.relaxVars.size(), 1);
  EXPECT_EQ(in.r.relaxVars[0], relax);
}

TEST(Intake, SoftPseudoBooleanUnitIsRelaxedNotMadeObjectiveTerm) {
  Intake in(1);
  vec<Lit> lits;
  fill(lits, {mkLit(0)});
  vec<unsigned> coeffs;
  coeffs.push(1);
  Constraint* c = in.r.addPBConstraint(lits, coeffs, 1, 4);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(in.r.nbRelaxVars, 1);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(0, true)), 0);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(1, true)), 4);
}

TEST(Intake, HardClausePassesWithItsLiteralsAndIsNotSoft) {
  Intake in(3);
  vec<Lit> lits;
  fill(lits, {mkLit(2), mkLit(0, true)});
  Constraint* c = in.r.addClause(lits, in.r.topWeight);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(litsOf(*c), (std::vector<Lit>{mkLit(0, true), mkLit(2)}));
  EXPECT_FALSE(c->isSoft());
  EXPECT_EQ(in.r.nbRelaxVars, 0);
  EXPECT_EQ(in.r.solver->nVars(), 3);
  for (Lit l = 0; l < 6; l++) EXPECT_EQ(in.pbo->objCoeff(l), 0);
  ASSERT_EQ(in.r.weights.size(), 1u);
  EXPECT_EQ(in.r.weights[0], in.r.topWeight);
}

TEST(Intake, HardPseudoBooleanConstraintPassesUnchanged) {
  Intake in(3);
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1), mkLit(2)});
  vec<unsigned> coeffs;
  coeffs.push(1);
  coeffs.push(2);
  coeffs.push(3);
  Constraint* c = in.r.addPBConstraint(lits, coeffs, 3, in.r.topWeight);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->size(), 3);
  EXPECT_EQ(c->rhs(), 3);
  int64_t sum = 0;
  for (int i = 0; i < c->size(); i++) sum += c->coeff(i);
  EXPECT_EQ(sum, 6);
  EXPECT_FALSE(c->isSoft());
  EXPECT_EQ(in.r.nbRelaxVars, 0);
  ASSERT_EQ(in.r.weights.size(), 1u);
  EXPECT_EQ(in.r.weights[0], in.r.topWeight);
}

// A wcnf header sets the top weight: only that exact weight is hard; a
// larger weight is an ordinary soft weight.
TEST(Intake, OnlyTheTopWeightItselfMakesAConstraintHard) {
  Intake in(2, 10);
  vec<Lit> hard;
  fill(hard, {mkLit(0), mkLit(1)});
  vec<Lit> heavier;
  fill(heavier, {mkLit(0, true), mkLit(1, true)});
  in.r.addClause(hard, 10);
  in.r.addClause(heavier, 11);
  EXPECT_EQ(in.r.nbRelaxVars, 1);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(2, true)), 11);
  ASSERT_EQ(in.r.weights.size(), 2u);
  EXPECT_EQ(in.r.weights[0], 10);
  EXPECT_EQ(in.r.weights[1], 10);
}

// A mixed input: every stored constraint's index equals its ref and its
// position in weights; soft units leave no trace in either.
TEST(Intake, IndicesRefsAndWeightsStayAligned) {
  Intake in(4);
  struct Expected {
    int size;
    Cost weight;
  };
  std::vector<Expected> expected;
  const Cost top = in.r.topWeight;

  vec<Lit> a;
  fill(a, {mkLit(0), mkLit(1)});
  in.r.addClause(a, top);
  expected.push_back({2, top});
  vec<Lit> b;
  fill(b, {mkLit(2)});
  in.r.addClause(b, 3);  // objective term
  vec<Lit> c;
  fill(c, {mkLit(1, true), mkLit(3)});
  in.r.addClause(c, 4);
  expected.push_back({3, top});
  vec<Lit> d;
  fill(d, {mkLit(0), mkLit(2), mkLit(3)});
  vec<unsigned> dc;
  dc.push(1);
  dc.push(1);
  dc.push(2);
  in.r.addPBConstraint(d, dc, 2, 6);
  expected.push_back({4, top});
  vec<Lit> e;
  fill(e, {mkLit(3, true)});
  in.r.addClause(e, top);
  expected.push_back({1, top});
  vec<Lit> f;
  fill(f, {mkLit(1)});
  in.r.addClause(f, 8);  // objective term
  vec<Lit> g;
  fill(g, {mkLit(0), mkLit(1), mkLit(2)});
  vec<unsigned> gc;
  gc.push(2);
  gc.push(2);
  gc.push(1);
  in.r.addPBConstraint(g, gc, 3, top);
  expected.push_back({3, top});

  ASSERT_EQ(in.r.solver->nConstraints(), (int)expected.size());
  ASSERT_EQ(in.r.weights.size(), expected.size());
  for (int i = 0; i < (int)expected.size(); i++) {
    Constraint* k = in.r.solver->constraints[i];
    EXPECT_EQ(k->ref(), i) << "constraint " << i;
    EXPECT_EQ(k->size(), expected[(size_t)i].size) << "constraint " << i;
    EXPECT_EQ(in.r.weights[(size_t)i], expected[(size_t)i].weight) << "constraint " << i;
    EXPECT_FALSE(k->isSoft()) << "constraint " << i;
  }
  // Two relaxation variables, made by a clause and by a PB constraint.
  EXPECT_EQ(in.r.nbRelaxVars, 2);
  ASSERT_EQ(in.r.relaxVars.size(), 2);
  EXPECT_EQ(in.r.relaxVars[0], 4);
  EXPECT_EQ(in.r.relaxVars[1], 5);
  EXPECT_EQ(in.r.solver->nVars(), 6);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(2, true)), 3);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(1, true)), 8);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(4, true)), 4);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(5, true)), 6);
}

// Two drivers fed the same constraint from their own copies end up alike.
TEST(Intake, EachDriverExtendsOnlyItsOwnCopy) {
  Intake first(2), second(2);
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1)});
  vec<Lit> copy;
  lits.copyTo(copy);
  first.r.addClause(lits, 2);
  second.r.addClause(copy, 2);
  EXPECT_EQ(litsOf(*first.r.solver->constraints[0]), litsOf(*second.r.solver->constraints[0]));
  EXPECT_EQ(first.r.solver->constraints[0]->size(), 3);
}

TEST(Intake, NewSolverFromPreviousCarriesTheSearchSettings) {
  RUKSolver r;
  r.solver->restartFirst = 17;
  r.solver->restartInc = 2.5;
  r.solver->recursiveMinimization = false;
  r.solver->timeLimit = 12.0;
  Solver* pbo = r.newSolverFromPrevious(r.solver, 2);
  Solver* plain = r.newSolverFromPrevious(r.solver, 0);
  for (Solver* s : {pbo, plain}) {
    EXPECT_EQ(s->restartFirst, 17);
    EXPECT_EQ(s->restartInc, 2.5);
    EXPECT_FALSE(s->recursiveMinimization);
    EXPECT_EQ(s->timeLimit, 12.0);
  }
  EXPECT_NE(dynamic_cast<PBOSolver*>(pbo), nullptr);
  EXPECT_EQ(dynamic_cast<PBOSolver*>(plain), nullptr);
  delete pbo;
  delete plain;
}

TEST(Intake, SolverConfigurationGivesThreadZeroTheLowerBoundRole) {
  Cooperation coop(2, 16);
  RUKSolver lb, ub;
  lb.coop = ub.coop = &coop;
  lb.tid = 0;
  ub.tid = 1;
  lb.solverConfiguration();
  ub.solverConfiguration();
  EXPECT_EQ(lb.solver->role, 0);
  EXPECT_EQ(ub.solver->role, 1);
  EXPECT_EQ(ub.solver->tid, 1);
  EXPECT_EQ(lb.solver->coop, &coop);
  EXPECT_EQ(coop.nbLB, 1);
  EXPECT_EQ(coop.nbUB, 1);
}

TEST(IntakeDeathTest, WeightZeroIsRefused) {
  Intake in(2);
  vec<Lit> lits;
  fill(lits, {mkLit(0), mkLit(1)});
  EXPECT_DEBUG_DEATH(in.r.addClause(lits, 0), "");
}

}  // namespace
