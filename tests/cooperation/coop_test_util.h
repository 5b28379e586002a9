// Random weighted problems, enumeration of their optimum, loading them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"
#include "tests/common/Lcg.h"

namespace coop_test {

using testing_support::Lcg;

// sum of coeffs[i] * lits[i] >= rhs; a clause has unit coefficients and rhs 1.
struct Hard {
  std::vector<Lit> lits;
  std::vector<unsigned> coeffs;
  int64_t rhs = 1;
  bool clause = true;
};

// A soft unit {lit} of weight w: w is paid when lit is false.
struct SoftUnit {
  Lit lit;
  unsigned weight;
};

struct Weighted {
  int nVars = 0;
  std::vector<Hard> hard;
  std::vector<SoftUnit> soft;
};

inline bool litTrue(Lit p, uint32_t bits) { return (int)((bits >> var(p)) & 1u) != sign(p); }

inline bool holds(const Hard& c, uint32_t bits) {
  int64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++)
    if (litTrue(c.lits[i], bits)) sum += c.coeffs[i];
  return sum >= c.rhs;
}

inline int64_t costOf(const Weighted& w, uint32_t bits) {
  int64_t cost = 0;
  for (const SoftUnit& u : w.soft)
    if (!litTrue(u.lit, bits)) cost += u.weight;
  return cost;
}

inline bool feasible(const Weighted& w, uint32_t bits) {
  for (const Hard& c : w.hard)
    if (!holds(c, bits)) return false;
  return true;
}

// Bit v set when variable v is true.
inline uint32_t modelBits(const vec<lbool>& model, int nVars) {
  uint32_t bits = 0;
  for (int v = 0; v < nVars; v++) bits |= (uint32_t)(model[v] == l_True) << v;
  return bits;
}

inline uint32_t storedModelBits(const Cooperation& coop, int nVars) {
  uint32_t bits = 0;
  for (int v = 0; v < nVars; v++) bits |= (uint32_t)coop.bestModel[v] << v;
  return bits;
}

// -1 when no assignment satisfies the hard constraints.
inline int64_t bruteForceOptimum(const Weighted& w) {
  int64_t best = -1;
  for (uint32_t bits = 0; bits < (1u << w.nVars); bits++) {
    if (!feasible(w, bits)) continue;
    int64_t c = costOf(w, bits);
    if (best < 0 || c < best) best = c;
  }
  return best;
}

// Whether the cost depends on the assignment at all.
inline bool objectiveVaries(const Weighted& w) {
  std::vector<int64_t> paidWhenTrue(2 * (size_t)w.nVars, 0);  // by literal code
  for (const SoftUnit& u : w.soft) paidWhenTrue[neg(u.lit)] += u.weight;
  for (int v = 0; v < w.nVars; v++)
    if (paidWhenTrue[2 * v] != paidWhenTrue[2 * v + 1]) return true;
  return false;
}

inline unsigned randomWeight(Lcg& rng, bool large) {
  if (!large) return 1 + rng.below(9);
  switch (rng.below(4)) {
    case 0: return 0x7FFFFFFFu - rng.below(3);
    case 1: return 2000000000u;
    case 2: return 1000000000u + rng.below(1000000000u);
    default: return 1 + rng.below(9);  // a small weight among the large ones
  }
}

struct Shape {
  int minVars = 1;
  int maxVars = 10;
  int maxHardPerVar = 2;
  int pbPercent = 35;
  int largeWeightPercent = 40;   // problems with weights near 2^31
  int bothLiteralsPercent = 20;  // soft units on the complement of an existing one
  int repeatPercent = 20;        // soft units repeated on the same literal
};

inline Weighted randomWeighted(Lcg& rng, const Shape& shape) {
  Weighted w;
  w.nVars = shape.minVars + (int)rng.below((uint32_t)(shape.maxVars - shape.minVars + 1));
  int nHard = (int)rng.below((uint32_t)(shape.maxHardPerVar * w.nVars + 1));
  for (int i = 0; i < nHard; i++) {
    Hard c;
    int size = 1 + (int)rng.below(w.nVars < 4 ? (uint32_t)w.nVars : 4u);
    c.clause = !rng.chance(shape.pbPercent);
    if (c.clause) size = 1 + (int)rng.below(3) + (rng.chance(30) ? 1 : 0);
    for (int k = 0; k < size; k++) {
      c.lits.push_back(mkLit((Var)rng.below((uint32_t)w.nVars), rng.chance(50)));
      c.coeffs.push_back(c.clause ? 1u : (rng.chance(25) ? 0x7FFFFFFFu - rng.below(5) : 1 + rng.below(5)));
    }
    if (!c.clause) {
      int64_t sum = 0;
      for (unsigned a : c.coeffs) sum += a;
      c.rhs = sum <= 1 ? sum : 1 + (int64_t)(rng.next64() % (uint64_t)sum);
    }
    w.hard.push_back(c);
  }
  bool large = rng.chance(shape.largeWeightPercent);
  int nSoft = 1 + (int)rng.below((uint32_t)(2 * w.nVars));
  for (int i = 0; i < nSoft; i++) {
    SoftUnit u;
    if (!w.soft.empty() && rng.chance(shape.repeatPercent)) {
      u.lit = w.soft[rng.below((uint32_t)w.soft.size())].lit;
    } else if (!w.soft.empty() && rng.chance(shape.bothLiteralsPercent)) {
      u.lit = neg(w.soft[rng.below((uint32_t)w.soft.size())].lit);
    } else {
      u.lit = mkLit((Var)rng.below((uint32_t)w.nVars), rng.chance(50));
    }
    u.weight = randomWeight(rng, large);
    w.soft.push_back(u);
  }
  return w;
}

inline void loadHard(Solver& s, const Weighted& w) {
  while (s.nVars() < w.nVars) s.newVar();
  for (const Hard& c : w.hard) {
    vec<Lit> lits;
    vec<unsigned> coeffs;
    for (size_t i = 0; i < c.lits.size(); i++) {
      lits.push(c.lits[i]);
      coeffs.push(c.coeffs[i]);
    }
    (c.clause ? s.addClause(lits) : s.addPBConstraint(lits, coeffs, c.rhs))->isSoft(false);
  }
}

inline void loadObjective(Solver& s, const Weighted& w) {
  for (const SoftUnit& u : w.soft) s.objCoeff(u.lit, u.weight);
}

inline void decide(Solver& s, Lit p) {
  s.levelStarts.push(s.trail.size());
  s.uncheckedEnqueue(p, nullptr);
}

inline vec<Lit>& fill(vec<Lit>& into, std::initializer_list<Lit> lits) {
  into.clear();
  for (Lit l : lits) into.push(l);
  return into;
}

}  // namespace coop_test
