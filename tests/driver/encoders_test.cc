// The at-most-one encoders of the core relaxation, checked by enumeration:
// an independent propagate-and-split procedure decides whether each
// assignment of the relaxation variables extends to the auxiliary ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_test_util.h"

namespace {

enum class Encoder { Pairwise, Sequential, Regular, Bitwise, Commander, Product, PairwiseTree, Totalizer, PB };

struct Variant {
  Encoder enc;
  bool flag;  // bitwise: spare codes; product: recursive sides
  const char* name;
};

const Variant variants[] = {
    {Encoder::Pairwise, false, "pairwise"},       {Encoder::Sequential, false, "sequential"},
    {Encoder::Regular, false, "regular"},         {Encoder::Bitwise, true, "bitwise"},
    {Encoder::Bitwise, false, "bitwise-compact"}, {Encoder::Commander, false, "commander"},
    {Encoder::Product, true, "product"},          {Encoder::Product, false, "product-flat"},
    {Encoder::PairwiseTree, false, "tree"},       {Encoder::Totalizer, false, "totalizer"},
    {Encoder::PB, false, "pb"},
};

const Cost topWeight = 1000003;  // not the default: the encoders must read the field

// A working solver holding two earlier variables and one earlier clause,
// then the n relaxation variables whose negative literals are encoded.
struct Encoding {
  Solver s;
  RUKSolver r;
  vec<Lit> lits;
  int relaxBase, varsBefore, constraintsBefore;

  Encoding(Cooperation& coop, int n, const Variant& v) {
    s.attach(&coop, 0, Role::LowerBound, 0);
    r.topWeight = topWeight;
    s.newVar();
    s.newVar();
    vec<Lit> earlier;
    earlier.push(mkLit(0));
    earlier.push(mkLit(1));
    r.keepWeighted(s.addClause(earlier), 5, true);
    relaxBase = s.nVars();
    for (int i = 0; i < n; i++) lits.push(mkLit(s.newVar(), true));
    varsBefore = s.nVars();
    constraintsBefore = s.nConstraints();
    vec<Lit> l, out;
    lits.copyTo(l);
    vec<unsigned> ones;
    switch (v.enc) {
      case Encoder::Pairwise: r.binomialEncoding(&s, l, false); break;
      case Encoder::Sequential: r.sequentialEncoding(&s, l); break;
      case Encoder::Regular: r.regularEncoding(&s, l); break;
      case Encoder::Bitwise: r.binaryEncoding(&s, l, v.flag); break;
      case Encoder::Commander: r.commanderEncoding(&s, l); break;
      case Encoder::Product: r.productEncoding(&s, l, v.flag); break;
      case Encoder::PairwiseTree: r.sorterEncoding(&s, l); break;
      case Encoder::Totalizer: r.adderEncoding(&s, l, out); break;
      case Encoder::PB:
        for (int i = 0; i < n; i++) ones.push(1);
        r.pbEncoding(&s, l, ones, n);
        break;
    }
  }
  int addedConstraints() const { return s.nConstraints() - constraintsBefore; }
  int addedVars() const { return s.nVars() - varsBefore; }
  Constraint& added(int i) { return *s.constraints[constraintsBefore + i]; }

  // Relaxation variable i is true (l_i false) exactly for i in `on`.
  bool extendsWith(const std::vector<int>& on);
};

// value per variable: +1 true, -1 false, 0 open.
bool extendable(const std::vector<Constraint*>& cs, std::vector<int> value) {
  auto litValue = [&](Lit p) { return sign(p) ? -value[var(p)] : value[var(p)]; };
  for (bool changed = true; changed;) {
    changed = false;
    for (const Constraint* c : cs) {
      int64_t reachable = 0;
      for (int i = 0; i < c->size(); i++)
        if (litValue((*c)[i]) >= 0) reachable += c->coeff(i);
      if (reachable < c->rhs()) return false;
      for (int i = 0; i < c->size(); i++)
        if (litValue((*c)[i]) == 0 && reachable - c->coeff(i) < c->rhs()) {
          value[var((*c)[i])] = sign((*c)[i]) ? -1 : 1;
          changed = true;
        }
    }
  }
  for (const Constraint* c : cs)
    for (int i = 0; i < c->size(); i++)
      if (value[var((*c)[i])] == 0) {
        std::vector<int> other = value;
        value[var((*c)[i])] = 1;
        other[var((*c)[i])] = -1;
        return extendable(cs, value) || extendable(cs, other);
      }
  return true;
}

bool Encoding::extendsWith(const std::vector<int>& on) {
  std::vector<Constraint*> cs;
  for (int i = 0; i < addedConstraints(); i++) cs.push_back(&added(i));
  std::vector<int> value((size_t)s.nVars(), 0);
  for (int i = 0; i < lits.size(); i++) value[(size_t)(relaxBase + i)] = -1;
  for (int i : on) value[(size_t)(relaxBase + i)] = 1;
  return extendable(cs, value);
}

// Also: weights grows by one top weight per constraint added, with refs
// matching the indices, and the earlier entry untouched.
TEST(Encoders, EveryAssignmentWithAtMostOneFalseExtendsAndNoneWithTwo) {
  Cooperation coop(2, 16);
  for (const Variant& v : variants)
    for (int n = 1; n <= 12; n++) {
      Encoding e(coop, n, v);
      SCOPED_TRACE(std::string(v.name) + " n=" + std::to_string(n));
      for (uint32_t mask = 0; mask < (1u << n); mask++) {
        std::vector<int> on;
        for (int i = 0; i < n; i++)
          if (mask >> i & 1) on.push_back(i);
        ASSERT_EQ(e.extendsWith(on), on.size() <= 1) << "mask " << mask;
      }
      ASSERT_EQ(e.r.weights.size(), 1u + (size_t)e.addedConstraints());
      EXPECT_EQ(e.r.weights[0], 5);
      for (int i = 0; i < e.addedConstraints(); i++) {
        EXPECT_EQ(e.r.weights[(size_t)(e.constraintsBefore + i)], topWeight);
        EXPECT_EQ(e.added(i).ref(), e.constraintsBefore + i);
        EXPECT_FALSE(e.added(i).isSoft());
      }
    }
}

// Seven literals: the counts worked out by hand for each encoding; "pb" is
// one constraint >= n - 1.
TEST(Encoders, ClauseAndVariableCountsForSeven) {
  struct Counts {
    int variant, clauses, vars;
  } seven[] = {{0, 21, 0}, {1, 17, 6}, {2, 24, 7}, {3, 21, 3},  {5, 19, 3},
               {6, 20, 6}, {8, 19, 7}, {9, 16, 5}, {10, 1, 0}};
  Cooperation coop(2, 16);
  for (const Counts& c : seven) {
    const Variant& v = variants[c.variant];
    Encoding e(coop, 7, v);
    EXPECT_EQ(e.addedConstraints(), c.clauses) << v.name;
    EXPECT_EQ(e.addedVars(), c.vars) << v.name;
    for (int i = 0; i < e.addedConstraints(); i++) EXPECT_EQ(e.added(i).isClause(), v.enc != Encoder::PB) << v.name;
  }
  EXPECT_EQ(Encoding(coop, 7, variants[10]).added(0).rhs(), 6);
}

}  // namespace
