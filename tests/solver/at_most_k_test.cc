// The objective bound as clauses: satisfiable under an assignment of the
// objective's variables exactly when it costs at most k; the kind chosen per size.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "solver/PBOSolver.h"
#include "tests/solver/test_util.h"

using namespace quon_test;

namespace {

// An upper-bound solver over objective variables only: variable i costs
// weights[i] when false.
struct Bounded {
  Cooperation coop{2, 16};
  PBOSolver s;
  std::vector<int> weights;
  Bounded(const std::vector<int>& w, int kind) : weights(w) {
    s.attach(&coop, 1, Role::UpperBound, 0);
    for (size_t i = 0; i < w.size(); i++) s.newVar();
    for (size_t i = 0; i < w.size(); i++) s.objCoeff(mkLit((Var)i), (Cost)w[i]);
    s.amkKind = kind;
  }
  int cost(uint32_t bits) const {
    int c = 0;
    for (size_t i = 0; i < weights.size(); i++)
      if (!((bits >> i) & 1u)) c += weights[i];
    return c;
  }
  // Every stored constraint copied into a fresh engine with the assignment as units.
  bool satisfiableUnder(uint32_t bits) const {
    Engine e(s.nVars());
    for (const Constraint* c : s.constraints) {
      vec<Lit> lits;
      vec<unsigned> coeffs;
      pushTerms(lits, coeffs, *c);
      if (c->isClause()) e.s.addClause(lits);
      else e.s.addPBConstraint(lits, coeffs, c->rhs());
    }
    for (size_t i = 0; i < weights.size(); i++) add(e.s, C({mkLit((Var)i, !((bits >> i) & 1u))}));
    return e.s.multiSolve();
  }
};

// All assignments of up to 7 variables, else a sample around the bound.
std::string checkBound(const Bounded& b, int k, Lcg& rng) {
  const int vars = (int)b.weights.size();
  std::vector<uint32_t> assignments;
  if (vars <= 7) {
    for (uint32_t bits = 0; bits < (1u << vars); bits++) assignments.push_back(bits);
  } else {
    for (int i = 0; i < 120; i++) assignments.push_back(rng.next32() & ((1u << vars) - 1));
  }
  for (uint32_t bits : assignments) {
    const bool expected = b.cost(bits) <= k;
    if (b.satisfiableUnder(bits) != expected)
      return "k " + std::to_string(k) + " assignment " + std::to_string(bits) + " cost " +
             std::to_string(b.cost(bits)) + (expected ? " refused" : " accepted");
  }
  return "";
}

void checkKind(int kind, const std::vector<int>& weights, Lcg& rng) {
  const int n = std::accumulate(weights.begin(), weights.end(), 0);
  for (int firstK = 1; firstK <= n - 1; firstK++) {
    Bounded b(weights, kind);
    for (int k = firstK; k >= 1; k--) {
      b.s.updateObjFunction(k + 1);
      ASSERT_TRUE(b.s.amkKind >= amkSequential && b.s.amkKind <= amkSorters);
      std::string fault = checkBound(b, k, rng);
      ASSERT_EQ(fault, "") << "kind " << kind << " counted " << n << " first k " << firstK;
    }
  }
}

}  // namespace

TEST(AtMostK, EveryEncodingAllowsExactlyTheAssignmentsWithinTheBound) {
  Lcg rng(7);
  for (int kind = amkSequential; kind <= amkDyn; kind++) {
    for (int n = 2; n <= 10; n++) checkKind(kind, std::vector<int>((size_t)n, 1), rng);
    // Weights above 1 repeat literals, counted through auxiliary variables.
    for (const std::vector<int>& w : {std::vector<int>{2, 1}, {3, 1, 2}, {1, 2, 2, 1, 3}, {4, 4}})
      checkKind(kind, w, rng);
  }
}

// The dynamic choice may build a totalizer over five literals; the next
// bound must extend that totalizer, not a counter that was never built.
TEST(AtMostK, DynamicTotalizerOverFiveLiteralsIsTightenedAsATotalizer) {
  Lcg rng(11);
  Bounded b(std::vector<int>(5, 1), amkDyn);
  b.s.updateObjFunction(3);
  EXPECT_EQ(b.s.amkKind, amkTotalizer);
  const int vars = b.s.nVars();
  b.s.updateObjFunction(2);
  EXPECT_EQ(b.s.amkKind, amkTotalizer);
  EXPECT_EQ(b.s.nVars(), vars);
  EXPECT_EQ(checkBound(b, 1, rng), "");
}

TEST(AtMostK, KindChosenBySize) {
  const struct Case { int kind, n, firstBound, expected; } cases[] = {
      {amkDyn, 4, 2, amkTotalizer},  // nlog 7 > kn 4
      {amkDyn, 3, 2, amkSorters},     // nlog 3 never above kn
      {amkTotalizer, 6, 3, amkSequential},
      {amkTotalizer, 7, 3, amkTotalizer},
      {amkSorters, 5, 1, amkPb},  // a bound of 0 stays pseudo-Boolean
  };
  for (const Case& c : cases) {
    Bounded b(std::vector<int>((size_t)c.n, 1), c.kind);
    b.s.updateObjFunction(c.firstBound);
    EXPECT_EQ(b.s.amkKind, c.expected) << "kind " << c.kind << " n " << c.n;
  }
}

TEST(AtMostK, SorterOverThreeLiteralsSkipsThePaddingOutput) {
  Bounded b(std::vector<int>(3, 1), amkDyn);
  b.s.updateObjFunction(2);
  ASSERT_EQ(b.s.sorterOutputs.size(), 4);
  EXPECT_EQ(var(b.s.sorterOutputs[3]), b.s.sorterPad);
}

// More than 3000 repeated copies, and a bound reaching 0 after an encoding:
// the pseudo-Boolean form, for good.
TEST(AtMostK, FallsBackToThePseudoBooleanForm) {
  Lcg rng(3);
  Bounded many({3002, 1}, amkSequential);
  const int vars = many.s.nVars();
  many.s.updateObjFunction(100);
  EXPECT_EQ(many.s.amkKind, amkPb);
  EXPECT_EQ(many.s.nVars(), vars);

  Bounded b(std::vector<int>(6, 1), amkSequential);
  b.s.updateObjFunction(4);
  EXPECT_EQ(b.s.amkKind, amkSequential);
  b.s.updateObjFunction(1);
  EXPECT_EQ(b.s.amkKind, amkPb);
  EXPECT_EQ(checkBound(b, 0, rng), "");
  b.s.updateObjFunction(1);
  EXPECT_EQ(b.s.amkKind, amkPb);
}
