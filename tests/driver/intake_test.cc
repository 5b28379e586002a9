// Problem intake and the lower-bound thread's conversion of the objective
// into weighted soft units.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "driver_test_util.h"

namespace {

using namespace driver_test;

struct Intake {
  Cooperation coop{2, 16};
  RUKSolver r;
  PBOSolver* pbo;

  Intake(const Problem& p, Cost topWeight = RUKSolver::defaultTopWeight) {
    r.coop = &coop;
    r.topWeight = topWeight;
    r.init();
    pbo = static_cast<PBOSolver*>(r.solver);
    feed(r, p, false);
  }
};

// Literal -> coefficient of a stored constraint.
std::vector<std::pair<Lit, unsigned>> termsOf(const Constraint& c) {
  std::vector<std::pair<Lit, unsigned>> terms;
  for (int i = 0; i < c.size(); i++) terms.push_back({c[i], c.coeff(i)});
  std::sort(terms.begin(), terms.end());
  return terms;
}

// A mixed input: every stored constraint's index equals its ref and its
// position in weights (all hard there); soft units leave no trace in either.
TEST(Intake, RelaxationLiteralsAndAlignedIndicesRefsAndWeights) {
  const Lit x0 = mkLit(0), x1 = mkLit(1), x2 = mkLit(2), x3 = mkLit(3);
  Problem p;
  p.nVars = 4;
  p.clause({x0, x1});
  p.clause({x2}, 3);
  p.clause({neg(x1), x3}, 4);         // relaxation variable 4
  p.pb({x0, x2, x3}, {1, 1, 2}, 2, 6);  // relaxation variable 5
  p.clause({x1}, 2000000000);
  p.clause({x1}, 2000000000);
  p.pb({x0, x1, x2}, {2, 2, 1}, 3);
  Intake in(p);
  const std::vector<std::vector<std::pair<Lit, unsigned>>> expected = {
      {{x0, 1}, {x1, 1}},
      {{neg(x1), 1}, {x3, 1}, {mkLit(4, true), 1}},
      {{x0, 1}, {x2, 1}, {x3, 2}, {mkLit(5, true), 2}},  // the relaxation term's coefficient is the rhs
      {{x0, 2}, {x1, 2}, {x2, 1}},
  };
  ASSERT_EQ(in.r.solver->nConstraints(), 4);
  ASSERT_EQ(in.r.weights.size(), 4u);
  for (int i = 0; i < 4; i++) {
    Constraint* k = in.r.solver->constraints[i];
    auto want = expected[(size_t)i];
    std::sort(want.begin(), want.end());
    EXPECT_EQ(termsOf(*k), want) << i;
    EXPECT_EQ(k->ref(), i);
    EXPECT_EQ(in.r.weights[(size_t)i], in.r.topWeight) << i;
    EXPECT_FALSE(k->isSoft()) << i;
  }
  EXPECT_EQ(in.r.solver->constraints[2]->rhs(), 2);
  EXPECT_EQ(in.r.solver->constraints[3]->rhs(), 3);
  EXPECT_EQ(in.r.nbRelaxVars, 2);
  EXPECT_EQ(std::vector<int>(in.r.relaxVars.begin(), in.r.relaxVars.end()), (std::vector<int>{4, 5}));
  EXPECT_EQ(in.r.solver->nVars(), 6);
  // Objective: x2 false costs 3, x1 false 4e9 (merged in 64 bits), a
  // relaxation variable false 4 or 6.
  EXPECT_EQ(in.pbo->objCoeff(neg(x2)), 3);
  EXPECT_EQ(in.pbo->objCoeff(neg(x1)), 4000000000LL);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(4, true)), 4);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(5, true)), 6);
  EXPECT_EQ(in.pbo->objCoeff(x0), 0);
  EXPECT_EQ(in.pbo->objCoeff(x1), 0);
}

// Only the top weight itself is hard; a larger weight is an ordinary one.
TEST(Intake, OnlyTheTopWeightItselfMakesAConstraintHard) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0), mkLit(1)});
  p.clause({mkLit(0, true), mkLit(1, true)}, 11);
  Intake in(p, 10);
  EXPECT_EQ(in.r.nbRelaxVars, 1);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(2, true)), 11);
}

TEST(IntakeDeathTest, WeightZeroIsRefused) {
  Problem p;
  p.nVars = 2;
  Intake in(p);
  vec<Lit> lits;
  lits.push(mkLit(0));
  lits.push(mkLit(1));
  EXPECT_DEBUG_DEATH(in.r.addClause(lits, 0), "");
}

// Objective terms become weighted soft units (in literal order); a soft
// clause becomes a hard clause plus a soft unit on its relaxation variable.
TEST(Conversion, ObjectiveTermsBecomeWeightedSoftUnits) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)}, 2000000000);
  p.clause({mkLit(0)}, 2000000000);
  p.clause({mkLit(1, true)}, 5);
  p.clause({mkLit(0), mkLit(1)}, 9);
  Intake in(p);
  std::unique_ptr<Solver> s(in.r.convertPBOtoRUK(in.pbo));
  ASSERT_EQ(s->nConstraints(), 4);
  ASSERT_EQ(in.r.weights.size(), 4u);
  const std::vector<Lit> units = {mkLit(0), mkLit(1, true), mkLit(2)};
  const Cost unitWeights[] = {4000000000LL, 5, 9};
  for (int i = 0; i < 3; i++) {
    ASSERT_EQ(s->constraints[i]->size(), 1);
    EXPECT_EQ((*s->constraints[i])[0], units[(size_t)i]);
    EXPECT_TRUE(s->constraints[i]->isSoft());
    EXPECT_EQ(in.r.weights[(size_t)i], unitWeights[i]);
  }
  EXPECT_FALSE(s->constraints[3]->isSoft());
  EXPECT_EQ(in.r.weights[3], in.r.topWeight);
  for (int i = 0; i < 4; i++) EXPECT_EQ(s->constraints[i]->ref(), i);
  EXPECT_EQ(in.r.lowerBound, 0);
}

}  // namespace
