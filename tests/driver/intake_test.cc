// Problem intake, the lower-bound thread's conversion of the objective into
// weighted soft units, and the cost-limit constraint.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver_test_util.h"

namespace {

struct Intake {
  Cooperation coop{2, 16};
  RUKSolver r;
  PBOSolver* pbo;
  Solver* converted = nullptr;

  explicit Intake(int nVars, Cost topWeight = RUKSolver::defaultTopWeight) {
    r.coop = &coop;
    r.topWeight = topWeight;
    r.init();
    pbo = static_cast<PBOSolver*>(r.solver);
    for (int v = 0; v < nVars; v++) r.solver->newVar();
  }
  ~Intake() { delete converted; }
  Constraint* clause(std::vector<Lit> lits, Cost w) {
    vec<Lit> v;
    for (Lit l : lits) v.push(l);
    return r.addClause(v, w);
  }
  Constraint* pb(std::vector<Lit> lits, std::vector<unsigned> coeffs, int64_t rhs, Cost w) {
    vec<Lit> v;
    vec<unsigned> c;
    for (size_t i = 0; i < lits.size(); i++) {
      v.push(lits[i]);
      c.push(coeffs[i]);
    }
    return r.addPBConstraint(v, c, rhs, w);
  }
  Solver* convert() { return converted = r.convertPBOtoRUK(pbo); }
};

// Literal -> coefficient of a stored constraint.
std::vector<std::pair<Lit, unsigned>> termsOf(const Constraint& c) {
  std::vector<std::pair<Lit, unsigned>> terms;
  for (int i = 0; i < c.size(); i++) terms.push_back({c[i], c.coeff(i)});
  std::sort(terms.begin(), terms.end());
  return terms;
}

TEST(Intake, SoftUnitsBecomeObjectiveTermsOnTheComplementAddingUpIn64Bits) {
  Intake in(2);
  EXPECT_EQ(in.clause({mkLit(0)}, 7), nullptr);
  EXPECT_EQ(in.clause({mkLit(1, true)}, 2000000000), nullptr);
  EXPECT_EQ(in.clause({mkLit(1, true)}, 2000000000), nullptr);
  EXPECT_EQ(in.r.solver->nConstraints(), 0);
  EXPECT_TRUE(in.r.weights.empty());
  EXPECT_EQ(in.r.solver->nVars(), 2);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(0, true)), 7);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(0)), 0);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(1)), 4000000000LL);
}

// A mixed input: every stored constraint's index equals its ref and its
// position in weights (all hard there); soft units leave no trace in either.
TEST(Intake, RelaxationLiteralsAndAlignedIndicesRefsAndWeights) {
  Intake in(4);
  const Cost top = in.r.topWeight;
  const Lit x0 = mkLit(0), x1 = mkLit(1), x2 = mkLit(2), x3 = mkLit(3);
  in.clause({x0, x1}, top);
  in.clause({x2}, 3);
  Constraint* softClause = in.clause({neg(x1), x3}, 4);  // relaxation variable 4
  in.pb({x0, x2, x3}, {1, 1, 2}, 2, 6);             // relaxation variable 5
  in.clause({neg(x3)}, top);
  in.clause({x1}, 8);
  in.pb({x0, x1, x2}, {2, 2, 1}, 3, top);

  const std::vector<std::vector<std::pair<Lit, unsigned>>> expected = {
      {{x0, 1}, {x1, 1}},
      {{neg(x1), 1}, {x3, 1}, {mkLit(4, true), 1}},
      {{x0, 1}, {x2, 1}, {x3, 2}, {mkLit(5, true), 2}},  // the relaxation term's coefficient is the rhs
      {{neg(x3), 1}},
      {{x0, 2}, {x1, 2}, {x2, 1}},
  };
  ASSERT_EQ(in.r.solver->nConstraints(), 5);
  ASSERT_EQ(in.r.weights.size(), 5u);
  EXPECT_EQ(in.r.solver->constraints[1], softClause);
  for (int i = 0; i < 5; i++) {
    Constraint* k = in.r.solver->constraints[i];
    auto want = expected[(size_t)i];
    std::sort(want.begin(), want.end());
    EXPECT_EQ(termsOf(*k), want) << i;
    EXPECT_EQ(k->ref(), i);
    EXPECT_EQ(in.r.weights[(size_t)i], top) << i;
    EXPECT_FALSE(k->isSoft()) << i;
  }
  EXPECT_EQ(in.r.solver->constraints[2]->rhs(), 2);
  EXPECT_EQ(in.r.solver->constraints[4]->rhs(), 3);
  EXPECT_EQ(in.r.nbRelaxVars, 2);
  ASSERT_EQ(in.r.relaxVars.size(), 2);
  EXPECT_EQ(in.r.relaxVars[0], 4);
  EXPECT_EQ(in.r.relaxVars[1], 5);
  EXPECT_EQ(in.r.solver->nVars(), 6);
  // Objective: x2 false costs 3, x1 false 8, relaxation variable false 4 or 6.
  EXPECT_EQ(in.pbo->objCoeff(neg(x2)), 3);
  EXPECT_EQ(in.pbo->objCoeff(neg(x1)), 8);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(4, true)), 4);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(5, true)), 6);
  EXPECT_EQ(in.pbo->objCoeff(x0), 0);
}

// Only the top weight itself is hard; a larger weight is an ordinary one.
TEST(Intake, OnlyTheTopWeightItselfMakesAConstraintHard) {
  Intake in(2, 10);
  in.clause({mkLit(0), mkLit(1)}, 10);
  in.clause({mkLit(0, true), mkLit(1, true)}, 11);
  EXPECT_EQ(in.r.nbRelaxVars, 1);
  EXPECT_EQ(in.pbo->objCoeff(mkLit(2, true)), 11);
}

TEST(IntakeDeathTest, WeightZeroIsRefused) {
  Intake in(2);
  vec<Lit> lits;
  lits.push(mkLit(0));
  lits.push(mkLit(1));
  EXPECT_DEBUG_DEATH(in.r.addClause(lits, 0), "");
}

// Objective terms become weighted soft units (in literal order); a soft
// clause becomes a hard clause plus a soft unit on its relaxation variable.
TEST(Conversion, ObjectiveTermsBecomeWeightedSoftUnits) {
  Intake in(2);
  in.clause({mkLit(0)}, 2000000000);
  in.clause({mkLit(0)}, 2000000000);
  in.clause({mkLit(1, true)}, 5);
  in.clause({mkLit(0), mkLit(1)}, 9);
  Solver* s = in.convert();
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

// Soft weights 3 and 2: no solution costs more than 5, so only a limit of 5
// or less can bind; limit 5 gives 3 x0 + 2 x1 >= (1 + 5) - 5.
TEST(CostLimit, ConstraintAddedOnlyWhenTheLimitCanBind) {
  for (Cost limit : {0LL, 6LL, 100LL, 5000000000LL, 5LL}) {
    Intake in(2);
    in.clause({mkLit(0)}, 3);
    in.clause({mkLit(1)}, 2);
    in.r.hasSoftLimit = limit != 0;
    in.r.softLimit = limit;
    in.r.addPBsoftLimit();
    EXPECT_TRUE(in.r.solver->okay());
    if (limit != 5) {
      EXPECT_EQ(in.r.solver->nConstraints(), 0) << limit;
      EXPECT_TRUE(in.r.weights.empty()) << limit;
      continue;
    }
    ASSERT_EQ(in.r.solver->nConstraints(), 1);
    ASSERT_EQ(in.r.weights.size(), 1u);
    EXPECT_EQ(in.r.solver->constraints[0]->rhs(), 1);
    EXPECT_EQ(termsOf(*in.r.solver->constraints[0]),
              (std::vector<std::pair<Lit, unsigned>>{{mkLit(0), 3}, {mkLit(1), 2}}));
  }
}

}  // namespace
