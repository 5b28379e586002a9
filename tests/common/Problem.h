// The tests' one problem model: hard and weighted soft constraints over a few
// variables, the brute-force oracle and one random generator.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "solver/SolverTypes.h"
#include "tests/common/Lcg.h"

namespace quon_test {

using testing_support::Lcg;

// sum coeffs[i] * lits[i] >= rhs; a clause has unit coefficients and rhs 1.
// Weight 0 is hard; a soft constraint costs its weight when it fails.
struct TestConstraint {
  std::vector<Lit> lits;
  std::vector<unsigned> coeffs;
  int64_t rhs = 1;
  bool clause = true;
  Cost weight = 0;
  bool soft() const { return weight > 0; }
};

struct Problem {
  int nVars = 0;
  std::vector<TestConstraint> constraints;

  void clause(std::vector<Lit> lits, Cost weight = 0) {
    std::vector<unsigned> ones(lits.size(), 1u);
    constraints.push_back({std::move(lits), std::move(ones), 1, true, weight});
  }
  void pb(std::vector<Lit> lits, std::vector<unsigned> coeffs, int64_t rhs, Cost weight = 0) {
    constraints.push_back({std::move(lits), std::move(coeffs), rhs, false, weight});
  }
};

// Hand-written constraints: PB({{3, x}, {2, ~y}}, 4) and C({x, ~y}).
inline TestConstraint PB(std::initializer_list<std::pair<unsigned, Lit>> terms, int64_t rhs, bool soft = false) {
  TestConstraint c;
  for (auto& t : terms) {
    c.coeffs.push_back(t.first);
    c.lits.push_back(t.second);
  }
  c.rhs = rhs;
  c.clause = false;
  c.weight = soft;
  return c;
}

inline TestConstraint C(std::initializer_list<Lit> lits, bool soft = false) {
  TestConstraint c;
  c.lits = lits;
  c.coeffs.assign(lits.size(), 1u);
  c.weight = soft;
  return c;
}

// An assignment: bit v set when variable v is true; beyond 64 variables, a
// vector as a "v" line is read (index v + 1 for variable v).
inline bool litTrue(Lit p, uint64_t bits) { return (int)((bits >> var(p)) & 1u) != sign(p); }
inline bool litTrue(Lit p, const std::vector<bool>& value) { return value[(size_t)var(p) + 1] != (sign(p) != 0); }

template <class Assignment>
bool holds(const TestConstraint& c, const Assignment& bits) {
  int64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++)
    if (litTrue(c.lits[i], bits)) sum += c.coeffs[i];
  return sum >= c.rhs;
}

template <class Assignment>
bool feasible(const Problem& p, const Assignment& bits) {
  for (const TestConstraint& c : p.constraints)
    if (!c.soft() && !holds(c, bits)) return false;
  return true;
}

template <class Assignment>
Cost costOf(const Problem& p, const Assignment& bits) {
  Cost cost = 0;
  for (const TestConstraint& c : p.constraints)
    if (c.soft() && !holds(c, bits)) cost += c.weight;
  return cost;
}

// Nothing when no assignment satisfies the hard constraints.
inline std::optional<Cost> bruteForceOptimum(const Problem& p) {
  std::optional<Cost> best;
  for (uint64_t bits = 0; bits < (1ull << p.nVars); bits++)
    if (feasible(p, bits) && (!best || costOf(p, bits) < *best)) best = costOf(p, bits);
  return best;
}

// Whether some assignment satisfies every constraint i with keep(i), soft or not.
template <class Keep>
bool bruteForceSatisfiable(const Problem& p, Keep keep) {
  for (uint64_t bits = 0; bits < (1ull << p.nVars); bits++) {
    bool all = true;
    for (size_t i = 0; i < p.constraints.size() && all; i++) all = !keep(i) || holds(p.constraints[i], bits);
    if (all) return true;
  }
  return false;
}

inline bool bruteForceSatisfiable(const Problem& p) {
  return bruteForceSatisfiable(p, [](size_t) { return true; });
}

// n + 1 pigeons in n holes, as hard clauses: unsatisfiable, and hard for clause learning.
inline Problem pigeonhole(int holes) {
  Problem p;
  p.nVars = (holes + 1) * holes;
  auto at = [&](int pigeon, int hole) { return mkLit(pigeon * holes + hole); };
  for (int i = 0; i <= holes; i++) {
    std::vector<Lit> somewhere;
    for (int h = 0; h < holes; h++) somewhere.push_back(at(i, h));
    p.clause(somewhere);
  }
  for (int h = 0; h < holes; h++)
    for (int i = 0; i <= holes; i++)
      for (int j = i + 1; j <= holes; j++) p.clause({neg(at(i, h)), neg(at(j, h))});
  return p;
}

inline std::string describe(const Problem& p) {
  std::ostringstream out;
  out << p.nVars << " variables\n";
  for (const TestConstraint& c : p.constraints) {
    out << " ";
    for (size_t i = 0; i < c.lits.size(); i++)
      out << " +" << c.coeffs[i] << (sign(c.lits[i]) ? " ~x" : " x") << var(c.lits[i]);
    out << " >= " << c.rhs << (c.clause ? " clause" : "") << " weight " << c.weight << "\n";
  }
  return out.str();
}

// Small: 1..9. Large: up to just below the default top 2^31 - 1, so that
// sums pass 32 bits. TopAbove: top 2^40, so 2^31 - 1 is an ordinary soft
// weight. SmallTop: top 6, only 6 itself is hard (7 and 9 are soft).
enum class Weights { Small, Large, TopAbove, SmallTop };

inline constexpr Cost defaultTop = 2147483647;

inline Cost topFor(Weights w) {
  return w == Weights::TopAbove ? (Cost)1 << 40 : w == Weights::SmallTop ? 6 : defaultTop;
}

inline Cost randomWeight(Lcg& g, Weights kind) {
  switch (kind) {
    case Weights::Small: return g.between(1, 9);
    case Weights::Large: return g.chance(30) ? 2147483646 - g.between(0, 3) : 1 + (Cost)g.below(2147483646u);
    case Weights::TopAbove: return g.chance(30) ? 2147483647 : 1 + (Cost)g.below(2147483647u);
    case Weights::SmallTop: {
      Cost w = g.between(1, 9);
      return w == 6 ? 7 : w;
    }
  }
  return 1;
}

struct Shape {
  int minVars = 1;
  int maxVars = 12;
  int constraintsPerVar = 3;
  int clausePercent = 40;  // the rest: cardinality, then general PB
  int cardinalityPercent = 25;
  int largeCoefficientPercent = 30;  // coefficients near 2^31
  int hugeCoefficientPercent = 3;    // up to 2^32 - 1
  int zeroCoefficientPercent = 5;
  int emptyClausePermille = 3;
  int edgeCasePercent = 3;  // one- and two-literal constraints, rhs anywhere
  int repeatVariablePercent = 15;  // duplicate and complementary literals
  int softPercent = 0;             // constraints made soft
  int softUnitsPerVar = 0;         // up to this many soft units per variable, after the rest
  Weights weights = Weights::Small;
};

inline unsigned randomCoefficient(Lcg& rng, const Shape& g, bool large) {
  if (rng.chance(g.zeroCoefficientPercent)) return 0;
  if (rng.chance(g.hugeCoefficientPercent)) return 0xFFFFFFFFu - rng.below(3);
  if (!large) return 1 + rng.below(6);
  if (rng.chance(20)) return 1 + rng.below(3);
  return rng.chance(50) ? 0x7FFFFFFFu - rng.below(4) : 1000000000u + rng.below(1147483647u);
}

inline std::vector<Lit> randomLiterals(Lcg& rng, const Shape& g, int nVars, int size) {
  std::vector<Lit> lits;
  std::set<Var> used;
  for (int k = 0; k < size; k++) {
    Var v = (Var)rng.below((uint32_t)nVars);
    for (int tries = 0; tries < 20 && used.count(v) && !rng.chance(g.repeatVariablePercent); tries++)
      v = (Var)rng.below((uint32_t)nVars);
    used.insert(v);
    lits.push_back(mkLit(v, rng.chance(50)));
  }
  return lits;
}

inline TestConstraint randomConstraint(Lcg& rng, const Shape& g, int nVars) {
  TestConstraint c;
  int kind = (int)rng.below(100);
  int size = rng.chance(g.edgeCasePercent) ? 1 + (int)rng.below(2) : 3 + (int)rng.below(5);
  c.clause = kind < g.clausePercent;
  if (c.clause) {
    int roll = (int)rng.below(1000);
    size = roll < g.emptyClausePermille ? 0 : roll < 7 * g.edgeCasePercent ? 1 : roll < 150 ? 2 : roll < 750 ? 3 : 4 + (int)rng.below(3);
  }
  c.lits = randomLiterals(rng, g, nVars, size);
  if (kind < g.clausePercent + g.cardinalityPercent) {
    c.coeffs.assign(c.lits.size(), 1u);
    if (!c.clause)
      c.rhs = rng.chance(g.edgeCasePercent) ? rng.below((uint32_t)size + 2) : 1 + rng.below((uint32_t)(size + 1) / 2);
  } else {
    bool large = rng.chance(g.largeCoefficientPercent);
    uint64_t sum = 0;
    for (int k = 0; k < size; k++) sum += c.coeffs.emplace_back(randomCoefficient(rng, g, large));
    uint64_t rhs = rng.chance(g.edgeCasePercent) ? rng.below64(sum + 2) : sum / 8 + rng.below64(sum / 2 + 1);
    c.rhs = rhs > 0xFFFFFFFFull ? 0xFFFFFFFFu : (int64_t)rhs;
  }
  if (rng.chance(g.softPercent)) c.weight = randomWeight(rng, g.weights);
  return c;
}

// Soft units, now and then repeated on one literal or on its complement.
inline void addSoftUnits(Lcg& rng, const Shape& g, Problem& p) {
  const size_t first = p.constraints.size();
  for (int i = (int)rng.below((uint32_t)(g.softUnitsPerVar * p.nVars)) + 1; i > 0; i--) {
    const size_t placed = p.constraints.size() - first;
    Lit l = mkLit((Var)rng.below((uint32_t)p.nVars), rng.chance(50));
    if (placed > 0 && rng.chance(30)) {
      l = p.constraints[first + rng.below((uint32_t)placed)].lits[0];
      if (rng.chance(40)) l = neg(l);
    }
    p.clause({l}, randomWeight(rng, g.weights));
  }
}

inline Problem randomProblem(Lcg& rng, const Shape& g) {
  Problem p;
  p.nVars = rng.between(g.minVars, g.maxVars);
  int most = g.constraintsPerVar * p.nVars;
  int count = 1 + most / 4 + (int)rng.below((uint32_t)(most - most / 4));
  for (int i = 0; i < count; i++) p.constraints.push_back(randomConstraint(rng, g, p.nVars));
  if (g.softUnitsPerVar > 0) addSoftUnits(rng, g, p);
  return p;
}

}  // namespace quon_test
