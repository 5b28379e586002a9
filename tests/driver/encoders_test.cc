// The at-most-one encoders of the core relaxation: each must let at most one
// of its literals be false. Checked by enumerating the literals' variables
// and deciding, for each assignment, whether the added constraints can be
// completed over the auxiliary variables (an independent search below, and
// the engine itself on the assignments with at most two false literals); and
// by the clause and variable counts worked out by hand for the Part's cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "driver/RUKSolver.h"
#include "solver/Solver.h"

namespace {

enum class Encoder {
  Pairwise,
  Sequential,
  Regular,
  Bitwise,
  Commander,
  Product,
  PairwiseTree,
  Totalizer,
  PseudoBoolean
};

const Encoder allEncoders[] = {Encoder::Pairwise,     Encoder::Sequential, Encoder::Regular,
                               Encoder::Bitwise,      Encoder::Commander,  Encoder::Product,
                               Encoder::PairwiseTree, Encoder::Totalizer,  Encoder::PseudoBoolean};

std::string name(Encoder e) {
  switch (e) {
    case Encoder::Pairwise: return "pairwise";
    case Encoder::Sequential: return "sequential";
    case Encoder::Regular: return "regular";
    case Encoder::Bitwise: return "bitwise";
    case Encoder::Commander: return "commander";
    case Encoder::Product: return "product";
    case Encoder::PairwiseTree: return "pairwise tree";
    case Encoder::Totalizer: return "totalizer tree";
    case Encoder::PseudoBoolean: return "pb";
  }
  return "?";
}

const Cost unrelatedWeight = 5;
const Cost testTopWeight = 1000003;  // not the default: the encoders must read the field
const int unrelatedVars = 2;

// A working solver as the core relaxation leaves it before the at-most-one:
// some earlier variables and one earlier clause (with its weight entry), then
// the n relaxation variables whose negative literals are encoded.
struct Encoding {
  Solver s;
  RUKSolver r;
  vec<Lit> lits;
  int relaxBase = 0;
  int varsBefore = 0;
  int constraintsBefore = 0;
  size_t weightsBefore = 0;

  Encoding(Cooperation& coop, int n) {
    s.coop = &coop;
    r.topWeight = testTopWeight;
    for (int i = 0; i < unrelatedVars; i++) s.newVar();
    vec<Lit> earlier;
    earlier.push(mkLit(0));
    earlier.push(mkLit(1));
    s.addClause(earlier);
    r.weights.push_back(unrelatedWeight);
    relaxBase = s.nVars();
    for (int i = 0; i < n; i++) lits.push(mkLit(s.newVar(), true));
    varsBefore = s.nVars();
    constraintsBefore = s.nConstraints();
    weightsBefore = r.weights.size();
  }

  void encode(Encoder e, bool flag = true) {
    vec<Lit> l;
    lits.copyTo(l);
    vec<Lit> out;
    vec<unsigned> ones;
    switch (e) {
      case Encoder::Pairwise: r.binomialEncoding(&s, l, false); break;
      case Encoder::Sequential: r.sequentialEncoding(&s, l); break;
      case Encoder::Regular: r.regularEncoding(&s, l); break;
      case Encoder::Bitwise: r.binaryEncoding(&s, l, flag); break;
      case Encoder::Commander: r.commanderEncoding(&s, l); break;
      case Encoder::Product: r.productEncoding(&s, l, flag); break;
      case Encoder::PairwiseTree: r.sorterEncoding(&s, l); break;
      case Encoder::Totalizer: r.adderEncoding(&s, l, out); break;
      case Encoder::PseudoBoolean:
        for (int i = 0; i < l.size(); i++) ones.push(1);
        r.pbEncoding(&s, l, ones, l.size());
        break;
    }
  }

  int addedConstraints() const { return s.nConstraints() - constraintsBefore; }
  int addedVars() const { return s.nVars() - varsBefore; }
  Constraint& added(int i) { return *s.constraints[constraintsBefore + i]; }
};

// ---- An independent decision procedure over the added constraints.

struct Linear {  // sum of coeffs[i] * lits[i] >= rhs
  std::vector<Lit> lits;
  std::vector<int64_t> coeffs;
  int64_t rhs;
};

std::vector<Linear> addedConstraints(Encoding& e) {
  std::vector<Linear> out;
  for (int i = 0; i < e.addedConstraints(); i++) {
    Constraint& c = e.added(i);
    Linear l;
    for (int j = 0; j < c.size(); j++) {
      l.lits.push_back(c[j]);
      l.coeffs.push_back(c.coeff(j));
    }
    l.rhs = c.rhs();
    out.push_back(l);
  }
  return out;
}

// value: +1 true, -1 false, 0 open, per variable.
int litValue(const std::vector<int>& value, Lit p) {
  int v = value[var(p)];
  return sign(p) ? -v : v;
}

// Unit propagation to a fixpoint, then splitting on an open variable.
bool extendable(const std::vector<Linear>& cs, std::vector<int> value) {
  for (bool changed = true; changed;) {
    changed = false;
    for (const Linear& c : cs) {
      int64_t reachable = 0;
      for (size_t i = 0; i < c.lits.size(); i++)
        if (litValue(value, c.lits[i]) >= 0) reachable += c.coeffs[i];
      if (reachable < c.rhs) return false;
      for (size_t i = 0; i < c.lits.size(); i++)
        if (litValue(value, c.lits[i]) == 0 && reachable - c.coeffs[i] < c.rhs) {
          value[var(c.lits[i])] = sign(c.lits[i]) ? -1 : 1;
          changed = true;
        }
    }
  }
  for (const Linear& c : cs)
    for (Lit p : c.lits)
      if (value[var(p)] == 0) {
        std::vector<int> other = value;
        value[var(p)] = 1;
        other[var(p)] = -1;
        return extendable(cs, value) || extendable(cs, other);
      }
  return true;  // every variable of every constraint is set and none is violated
}

// Bit i of `trueRelax` set: relaxation variable i true, that is l_i false.
bool extendableWith(Encoding& e, const std::vector<Linear>& cs, uint32_t trueRelax) {
  std::vector<int> value(e.s.nVars(), 0);
  for (int i = 0; i < e.lits.size(); i++) value[e.relaxBase + i] = (trueRelax >> i) & 1 ? 1 : -1;
  return extendable(cs, value);
}

// The engine's answer: the same encoding in a fresh solver with the
// relaxation variables fixed by unit clauses.
bool engineSatisfiable(Cooperation& coop, Encoder enc, int n, uint32_t trueRelax) {
  Encoding e(coop, n);
  e.encode(enc);
  for (int i = 0; i < n; i++) {
    vec<Lit> unit;
    unit.push(mkLit(e.relaxBase + i, ((trueRelax >> i) & 1) == 0));
    e.s.addClause(unit);
  }
  return e.s.multiSolve();
}

int falseCount(uint32_t trueRelax) { return __builtin_popcount(trueRelax); }

// ---- Tests.

TEST(Encoders, EveryAssignmentWithAtMostOneFalseExtendsAndNoneWithTwo) {
  Cooperation coop(2, 16);
  for (Encoder enc : allEncoders)
    for (int n = 1; n <= 12; n++) {
      Encoding e(coop, n);
      e.encode(enc);
      std::vector<Linear> cs = addedConstraints(e);
      for (uint32_t mask = 0; mask < (1u << n); mask++)
        ASSERT_EQ(extendableWith(e, cs, mask), falseCount(mask) <= 1)
            << name(enc) << " n=" << n << " relaxation mask " << mask;
    }
}

TEST(Encoders, EngineAgreesOnAssignmentsWithUpToTwoFalse) {
  Cooperation coop(2, 16);
  for (Encoder enc : allEncoders)
    for (int n = 1; n <= 12; n++) {
      std::vector<uint32_t> masks = {0, (1u << n) - 1};
      for (int i = 0; i < n; i++) {
        masks.push_back(1u << i);
        for (int j = i + 1; j < n; j++) masks.push_back((1u << i) | (1u << j));
      }
      for (uint32_t mask : masks)
        ASSERT_EQ(engineSatisfiable(coop, enc, n, mask), falseCount(mask) <= 1)
            << name(enc) << " n=" << n << " relaxation mask " << mask;
    }
}

TEST(Encoders, WeightsGrowByOneHardEntryPerConstraintAdded) {
  Cooperation coop(2, 16);
  for (Encoder enc : allEncoders)
    for (int n = 1; n <= 12; n++) {
      Encoding e(coop, n);
      e.encode(enc);
      SCOPED_TRACE(name(enc) + " n=" + std::to_string(n));
      ASSERT_EQ(e.r.weights.size() - e.weightsBefore, (size_t)e.addedConstraints());
      EXPECT_EQ(e.r.weights[0], unrelatedWeight);
      for (int i = 0; i < e.addedConstraints(); i++) {
        const int index = e.constraintsBefore + i;
        EXPECT_EQ(e.r.weights[index], testTopWeight);
        EXPECT_EQ(e.added(i).ref(), index);  // index, ref and weight position agree
        EXPECT_FALSE(e.added(i).isSoft());
      }
    }
}

struct Counts {
  Encoder enc;
  int clauses;
  int vars;
};

TEST(Encoders, SevenLiteralsGiveTheStatedClauseAndVariableCounts) {
  const Counts expected[] = {
      {Encoder::Pairwise, 21, 0},     {Encoder::Sequential, 17, 6}, {Encoder::Regular, 24, 7},
      {Encoder::Bitwise, 21, 3},      {Encoder::Commander, 19, 3},  {Encoder::Product, 20, 6},
      {Encoder::PairwiseTree, 19, 7}, {Encoder::Totalizer, 16, 5},
  };
  Cooperation coop(2, 16);
  for (const Counts& c : expected) {
    Encoding e(coop, 7);
    e.encode(c.enc);
    EXPECT_EQ(e.addedConstraints(), c.clauses) << name(c.enc);
    EXPECT_EQ(e.addedVars(), c.vars) << name(c.enc);
    for (int i = 0; i < e.addedConstraints(); i++)
      EXPECT_TRUE(e.added(i).isClause()) << name(c.enc);
  }
}

void expectOnePseudoBooleanConstraint(Cooperation& coop, int n, int64_t rhs) {
  Encoding e(coop, n);
  e.encode(Encoder::PseudoBoolean);
  ASSERT_EQ(e.addedConstraints(), 1);
  EXPECT_EQ(e.addedVars(), 0);
  Constraint& c = e.added(0);
  EXPECT_FALSE(c.isClause());
  EXPECT_EQ(c.rhs(), rhs);
  ASSERT_EQ(c.size(), n);
  std::vector<bool> seen(n, false);
  for (int i = 0; i < n; i++) {
    EXPECT_EQ(c.coeff(i), 1u);
    EXPECT_EQ(c[i], mkLit(var(c[i]), true)) << "a negative relaxation literal";
    const int relative = var(c[i]) - e.relaxBase;
    ASSERT_TRUE(relative >= 0 && relative < n);
    EXPECT_FALSE(seen[relative]);
    seen[relative] = true;
  }
}

TEST(Encoders, PseudoBooleanIsOneConstraintAtLeastNMinusOne) {
  Cooperation coop(2, 16);
  expectOnePseudoBooleanConstraint(coop, 7, 6);
  expectOnePseudoBooleanConstraint(coop, 6, 5);
  expectOnePseudoBooleanConstraint(coop, 1, 0);
}

TEST(Encoders, PseudoBooleanOverNoLiteralAddsNothing) {
  Cooperation coop(2, 16);
  Encoding e(coop, 0);
  e.encode(Encoder::PseudoBoolean);
  EXPECT_EQ(e.addedConstraints(), 0);
  EXPECT_EQ(e.r.weights.size(), e.weightsBefore);
  EXPECT_TRUE(e.s.okay());
}

TEST(Encoders, PairwiseGivesOneClausePerPair) {
  Cooperation coop(2, 16);
  for (int n = 1; n <= 12; n++) {
    Encoding e(coop, n);
    e.encode(Encoder::Pairwise);
    EXPECT_EQ(e.addedConstraints(), n * (n - 1) / 2) << n;
    EXPECT_EQ(e.addedVars(), 0) << n;
  }
}

// The core relaxation never calls the auxiliary-variable encodings below 7
// literals; called there anyway, each adds the pairwise clauses.
TEST(Encoders, BelowSevenLiteralsEveryClauseEncodingIsPairwise) {
  Cooperation coop(2, 16);
  for (Encoder enc : allEncoders) {
    if (enc == Encoder::PseudoBoolean) continue;
    for (int n = 1; n <= 6; n++) {
      Encoding e(coop, n);
      e.encode(enc);
      EXPECT_EQ(e.addedConstraints(), n * (n - 1) / 2) << name(enc) << " n=" << n;
      EXPECT_EQ(e.addedVars(), 0) << name(enc) << " n=" << n;
    }
  }
}

// With only l_j false every code bit is forced, so the engine's model spells
// the code of literal j on the code variables (bit i on the i-th created).
void expectBitwiseCodes(Cooperation& coop, int n, int clauses, int bits,
                        const std::vector<int>& codes) {
  {
    Encoding e(coop, n);
    e.encode(Encoder::Bitwise);
    EXPECT_EQ(e.addedConstraints(), clauses) << n;
    ASSERT_EQ(e.addedVars(), bits) << n;
  }
  for (int j = 0; j < n; j++) {
    Encoding e(coop, n);
    e.encode(Encoder::Bitwise);
    for (int i = 0; i < n; i++) {
      vec<Lit> unit;
      unit.push(mkLit(e.relaxBase + i, i != j));
      e.s.addClause(unit);
    }
    ASSERT_TRUE(e.s.multiSolve()) << n << " " << j;
    int code = 0;
    for (int i = 0; i < bits; i++)
      if (e.s.model[e.varsBefore + i] == l_True) code |= 1 << i;
    EXPECT_EQ(code, codes[j]) << "n=" << n << " literal " << j;
  }
}

TEST(Encoders, BitwiseCodesForEightAndNineLiterals) {
  Cooperation coop(2, 16);
  expectBitwiseCodes(coop, 8, 24, 3, {0, 1, 2, 3, 4, 5, 6, 7});
  expectBitwiseCodes(coop, 9, 36, 4, {0, 2, 4, 6, 8, 10, 12, 14, 15});
}

TEST(Encoders, BitwiseWithoutSpareCodesIsAnAtMostOne) {
  Cooperation coop(2, 16);
  for (int n = 7; n <= 12; n++) {
    Encoding e(coop, n);
    e.encode(Encoder::Bitwise, false);
    std::vector<Linear> cs = addedConstraints(e);
    for (uint32_t mask = 0; mask < (1u << n); mask++)
      ASSERT_EQ(extendableWith(e, cs, mask), falseCount(mask) <= 1) << n << " " << mask;
  }
}

// Grid p = ceil(sqrt n) by q = ceil(n / p). For 7, 10 and 11 literals n / p
// is not whole: rounded down (2, 2, 2) the grid would miss the last literals.
TEST(Encoders, ProductGridRoundsItsColumnCountUp) {
  struct Case {
    int n, vars, clauses;
  };
  // n=7: 3 x 3, 14 + 3 + 3; n=10 and 11: 4 rows x 3 columns, 2n + 3 + 6.
  const Case cases[] = {{7, 6, 20}, {10, 7, 29}, {11, 7, 31}};
  Cooperation coop(2, 16);
  for (const Case& c : cases) {
    Encoding e(coop, c.n);
    e.encode(Encoder::Product);
    EXPECT_EQ(e.addedVars(), c.vars) << c.n;
    EXPECT_EQ(e.addedConstraints(), c.clauses) << c.n;
    for (int other = 0; other < c.n - 1; other++) {
      const uint32_t mask = (1u << (c.n - 1)) | (1u << other);
      EXPECT_FALSE(engineSatisfiable(coop, Encoder::Product, c.n, mask))
          << "n=" << c.n << ": the last literal and literal " << other << " both false";
    }
    EXPECT_TRUE(engineSatisfiable(coop, Encoder::Product, c.n, 1u << (c.n - 1))) << c.n;
  }
}

// Pairs and single literals over relaxation variables 0..n-1; more than 32
// variables do not fit a mask, so these take explicit index lists.
bool extendableWithTrue(Encoding& e, const std::vector<Linear>& cs, const std::vector<int>& on) {
  std::vector<int> value(e.s.nVars(), 0);
  for (int i = 0; i < e.lits.size(); i++) value[e.relaxBase + i] = -1;
  for (int i : on) value[e.relaxBase + i] = 1;
  return extendable(cs, value);
}

void expectAtMostOneOnPairsAndSamples(Encoding& e, uint32_t seed) {
  const int n = e.lits.size();
  std::vector<Linear> cs = addedConstraints(e);
  ASSERT_TRUE(extendableWithTrue(e, cs, {}));
  for (int i = 0; i < n; i++) {
    ASSERT_TRUE(extendableWithTrue(e, cs, {i})) << i;
    for (int j = i + 1; j < n; j++)
      ASSERT_FALSE(extendableWithTrue(e, cs, {i, j})) << i << " " << j;
  }
  std::mt19937 random(seed);
  for (int sample = 0; sample < 200; sample++) {
    std::vector<int> on;
    for (int i = 0; i < n; i++)
      if (random() % 4 == 0) on.push_back(i);
    if (on.size() < 2) continue;
    ASSERT_FALSE(extendableWithTrue(e, cs, on)) << "sample " << sample;
  }
}

// 50 literals: an 8 by 7 grid, so both sides recurse. Recursive: 15 grid
// variables + 6 for the 7 columns (3 x 3) + 6 for the 8 rows (3 x 3);
// 100 + (14 + 3 + 3) + (16 + 3 + 3) clauses. Not recursive: pairwise sides,
// 100 + 21 + 28 clauses.
TEST(Encoders, ProductRecursesOnLargeSides) {
  Cooperation coop(2, 16);
  Encoding recursive(coop, 50);
  recursive.encode(Encoder::Product, true);
  EXPECT_EQ(recursive.addedVars(), 27);
  EXPECT_EQ(recursive.addedConstraints(), 142);
  expectAtMostOneOnPairsAndSamples(recursive, 1);

  Encoding flat(coop, 50);
  flat.encode(Encoder::Product, false);
  EXPECT_EQ(flat.addedVars(), 15);
  EXPECT_EQ(flat.addedConstraints(), 149);
  expectAtMostOneOnPairsAndSamples(flat, 2);
}

// 24 literals: 8 groups of 3 (7 clauses each) and 8 commanders, which are
// more than 6, so they are grouped again: 3, 3 and 2 (7 + 7 + 4 clauses) and
// 3 commanders, which take the 3 pairwise clauses.
TEST(Encoders, CommanderRecursesAboveSixCommanders) {
  Cooperation coop(2, 16);
  Encoding e(coop, 24);
  e.encode(Encoder::Commander);
  EXPECT_EQ(e.addedVars(), 11);
  EXPECT_EQ(e.addedConstraints(), 56 + 18 + 3);
  expectAtMostOneOnPairsAndSamples(e, 3);
}

TEST(Encoders, LargerCoresStayAtMostOne) {
  Cooperation coop(2, 16);
  for (Encoder enc : allEncoders)
    for (int n : {13, 17, 31}) {
      Encoding e(coop, n);
      e.encode(enc);
      SCOPED_TRACE(name(enc) + " n=" + std::to_string(n));
      expectAtMostOneOnPairsAndSamples(e, (uint32_t)n);
    }
}

}  // namespace
