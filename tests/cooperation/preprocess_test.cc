// Equivalent-literal preprocessing: the same optimum with and without it on
// random problems full of binary clauses, and the worked cases.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "coop_test_util.h"

using namespace coop_test;

namespace {

struct Upper : UpperSolver {
  using UpperSolver::UpperSolver;
  // Preprocesses (when asked) and minimises; -1 when no model exists. Every
  // model, read through the map, satisfies the input and costs what the
  // solver says.
  int64_t optimum(const Problem& w, bool preprocess) {
    testing::internal::CaptureStdout();
    bool consistent = !preprocess || s.preprocess();
    testing::internal::CaptureStderr();
    if (consistent) coop.initBound(&s, w.nVars, s.equivalenceMap);
    testing::internal::GetCapturedStderr();
    int64_t best = -1;
    while (consistent && s.solve()) {
      uint64_t bits = 0;
      for (int v = 0; v < w.nVars; v++) {
        const Lit rep = s.equivalenceMap != nullptr ? s.equivalenceMap[mkLit(v)] : mkLit(v);
        bits |= (uint64_t)(s.model[var(rep)] == (sign(rep) ? l_False : l_True)) << v;
      }
      EXPECT_TRUE(feasible(w, bits));
      best = costOf(w, bits);
      EXPECT_EQ(best, s.upperBound);
    }
    testing::internal::GetCapturedStdout();
    return best;
  }
};

Problem withEquivalences(Lcg& rng) {
  Shape shape = softUnitShape(12);
  shape.weights = rng.chance(10) ? Weights::Large : Weights::Small;
  Problem w = randomProblem(rng, shape);
  const int chains = 1 + (int)rng.below((uint32_t)w.nVars);
  for (int i = 0; i < chains; i++) {
    Lit a = mkLit((Var)rng.below((uint32_t)w.nVars), rng.chance(50));
    Lit b = mkLit((Var)rng.below((uint32_t)w.nVars), rng.chance(50));
    w.clause({neg(a), b});
    if (rng.chance(70)) w.clause({neg(b), a});
  }
  auto& all = w.constraints;
  for (size_t i = all.size(); i > 1; i--) std::swap(all[i - 1], all[rng.below((uint32_t)i)]);
  return w;
}

Problem clauses(int nVars, std::vector<std::vector<Lit>> list, std::vector<std::pair<Lit, Cost>> soft = {}) {
  Problem w;
  w.nVars = nVars;
  for (auto& lits : list) w.clause(lits);
  for (auto& [lit, weight] : soft) w.clause({lit}, weight);
  return w;
}

}  // namespace

TEST(Preprocess, SameOptimumWithAndWithoutOnRandomProblems) {
  for (uint64_t seed = 1; seed <= 400; seed++) {
    Lcg rng(seed);
    Problem w = withEquivalences(rng);
    if (!objectiveVaries(w)) continue;
    SCOPED_TRACE("seed " + std::to_string(seed));
    const int64_t expected = bruteForceOptimum(w).value_or(-1);
    Upper plain(w), merged(w);
    plain.s.amkKind = merged.s.amkKind = (int)(seed % 5);
    EXPECT_EQ(plain.optimum(w, false), expected);
    EXPECT_EQ(merged.optimum(w, true), expected);
  }
}

// a = x0, b = x1: (~a or b), (~b or a) map b to a; (b or c or d) becomes
// (a or c or d); the objective on b moves to a.
TEST(Preprocess, TwoEquivalentLiteralsMergeIntoTheFirst) {
  const Lit a = mkLit(0), b = mkLit(1), c = mkLit(2), d = mkLit(3);
  Problem w = clauses(4, {{neg(a), b}, {neg(b), a}, {b, c, d}}, {{neg(b), 4}});
  Upper u(w);
  ASSERT_TRUE(u.s.preprocess());
  EXPECT_EQ(u.s.equivalenceMap[b], a);
  EXPECT_EQ(u.s.equivalenceMap[neg(b)], neg(a));
  const Constraint& rewritten = *u.s.constraints[2];
  ASSERT_EQ(rewritten.size(), 3);
  EXPECT_EQ(rewritten[0], a);
  EXPECT_EQ(u.s.objCoeffs[a], 4);
  EXPECT_EQ(u.s.objCoeffs[b], 0);
}

TEST(Preprocess, LiteralEquivalentToItsComplementIsAConflict) {
  const Lit a = mkLit(0), b = mkLit(1), c = mkLit(2);
  Problem w = clauses(3, {{a, b}, {a, neg(b)}, {neg(a), c}, {neg(a), neg(c)}}, {{b, 1}});
  Upper u(w);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(u.s.preprocess());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "c Conflict found at preprocessing!\n");
  EXPECT_FALSE(u.s.okay());
}

// 2a + 3b + 1c >= 3 with b equivalent to a: 5a + 1c + 0a >= 3.
TEST(Preprocess, PseudoBooleanCoefficientsMergeOnTheRepresentative) {
  const Lit a = mkLit(0), b = mkLit(1), c = mkLit(2);
  Problem w = clauses(3, {{neg(a), b}, {neg(b), a}});
  w.pb({a, b, c}, {2, 3, 1}, 3);
  Upper u(w);
  ASSERT_TRUE(u.s.preprocess());
  const Constraint& pb = *u.s.constraints[2];
  ASSERT_EQ(pb.size(), 3);
  EXPECT_EQ(std::vector<Lit>({pb[0], pb[1], pb[2]}), std::vector<Lit>({a, c, a}));
  EXPECT_EQ(std::vector<unsigned>({pb.coeff(0), pb.coeff(1), pb.coeff(2)}), std::vector<unsigned>({5, 1, 0}));
}

// The representative a and its complement end in one constraint
// (4a + 1c + 1~a + 0a >= 4): ~a must not count twice, c stays free, the
// optimum is 0.
TEST(Preprocess, RepresentativeWithItsComplementIsCountedOnce) {
  const Lit c = mkLit(0), a = mkLit(1), b = mkLit(2), d = mkLit(3);
  Problem w = clauses(4, {{neg(a), b}, {neg(b), a}, {a, d}, {neg(a), neg(d)}}, {{neg(c), 1}});
  w.constraints.insert(w.constraints.begin(), {{a, b, c, d}, {2, 2, 1, 1}, 4, false});
  Upper u(w);
  EXPECT_EQ(u.optimum(w, true), 0);
}

// The links of a, b, g, f become tautologies first; a is then fixed false
// and (b or f) is left to a false representative: a conflict, not a lost
// clause.
TEST(Preprocess, ClauseLeftToAFalseRepresentativeIsAConflict) {
  const Lit a = mkLit(0), b = mkLit(1), g = mkLit(2), f = mkLit(3);
  Problem w = clauses(4, {{neg(a), b}, {neg(b), a}, {neg(a), g}, {neg(g), a}, {neg(a), f}, {neg(f), a},
                           {neg(b), neg(a), neg(g)}, {b, f}},
                       {{a, 1}});
  Upper u(w);
  EXPECT_EQ(u.optimum(w, true), -1);
  EXPECT_FALSE(u.s.okay());
}

TEST(Preprocess, NoBinaryClauseLeavesTheIdentity) {
  Problem w = clauses(3, {{mkLit(0), mkLit(1), mkLit(2)}}, {{mkLit(0), 1}});
  Upper u(w);
  ASSERT_TRUE(u.s.preprocess());
  EXPECT_EQ(u.s.equivalenceMap, nullptr);  // no map is the identity
}

// x0 -> x1 -> ... -> x(n-1) -> x0 over a million literals, in a thread with
// the default stack: one class, represented by x0.
TEST(Preprocess, MillionLiteralChainInAWorkerThread) {
  const int n = 500000;
  Cooperation coop(2, 16);
  PBOSolver s;
  s.coop = &coop;
  for (int v = 0; v < n; v++) s.newVar();
  vec<Lit> link;
  for (int v = 0; v < n; v++) s.addClause(fill(link, {mkLit(v, true), mkLit((v + 1) % n)}));
  bool result = false;
  std::thread worker([&] { result = s.preprocess(); });
  worker.join();
  ASSERT_TRUE(result);
  int mapped = 0;
  for (int v = 0; v < n; v++) mapped += s.equivalenceMap[mkLit(v)] == mkLit(0);
  EXPECT_EQ(mapped, n);
}
