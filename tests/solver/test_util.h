// Shared helpers of the engine tests: a tiny deterministic generator, random
// small problems, exhaustive enumeration, loading a problem into a Solver,
// and a checker of the watch and counter invariants.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"

namespace quon_test {

// 64-bit linear congruential generator; the high half is the output.
class Lcg {
  uint64_t state;

 public:
  explicit Lcg(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ULL + 12345) { next32(); }
  uint32_t next32() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (uint32_t)(state >> 32);
  }
  uint64_t next64() { return ((uint64_t)next32() << 32) | next32(); }
  // Uniform enough in [0, n) for test purposes; n > 0.
  uint32_t below(uint32_t n) { return (uint32_t)(next64() % n); }
  uint64_t below64(uint64_t n) { return next64() % n; }
  bool chance(int percent) { return (int)below(100) < percent; }
};

// One constraint: sum of coeffs[i] * lits[i] >= rhs. A clause has every
// coefficient 1 and rhs 1 and is added with the clause operations.
struct TestConstraint {
  std::vector<Lit> lits;
  std::vector<unsigned> coeffs;
  unsigned rhs = 1;
  bool clause = true;
  bool soft = false;
};

struct Problem {
  int nVars = 0;
  std::vector<TestConstraint> constraints;
};

inline bool literalTrue(Lit p, uint32_t assignmentBits) {
  return (int)((assignmentBits >> var(p)) & 1u) != sign(p);
}

inline bool satisfiedBy(const TestConstraint& c, uint32_t assignmentBits) {
  uint64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++)
    if (literalTrue(c.lits[i], assignmentBits)) sum += c.coeffs[i];
  return sum >= (uint64_t)c.rhs;
}

inline bool satisfiedBy(const TestConstraint& c, const vec<lbool>& model) {
  uint64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++) {
    lbool v = model[var(c.lits[i])];
    if (sign(c.lits[i])) v = (lbool)-v;
    if (v == l_True) sum += c.coeffs[i];
  }
  return sum >= (uint64_t)c.rhs;
}

// Exhaustive enumeration over every assignment of nVars variables, keeping only
// the constraints for which keep(index) is true.
template <class Keep>
bool bruteForceSatisfiable(const Problem& p, Keep keep) {
  const uint32_t count = 1u << p.nVars;
  for (uint32_t bits = 0; bits < count; bits++) {
    bool all = true;
    for (size_t i = 0; i < p.constraints.size() && all; i++)
      if (keep(i) && !satisfiedBy(p.constraints[i], bits)) all = false;
    if (all) return true;
  }
  return false;
}

inline bool bruteForceSatisfiable(const Problem& p) {
  return bruteForceSatisfiable(p, [](size_t) { return true; });
}

inline std::string describe(const TestConstraint& c) {
  std::ostringstream out;
  if (c.clause) {
    out << "clause (";
    for (size_t i = 0; i < c.lits.size(); i++)
      out << (i ? " " : "") << (sign(c.lits[i]) ? "-" : "") << "x" << var(c.lits[i]) + 1;
    out << ")";
  } else {
    for (size_t i = 0; i < c.lits.size(); i++)
      out << "+" << c.coeffs[i] << " " << (sign(c.lits[i]) ? "~" : "") << "x" << var(c.lits[i]) + 1 << " ";
    out << ">= " << c.rhs;
  }
  out << (c.soft ? " [soft]" : " [hard]");
  return out.str();
}

inline std::string describe(const Problem& p) {
  std::ostringstream out;
  out << p.nVars << " variables\n";
  for (const TestConstraint& c : p.constraints) out << "  " << describe(c) << "\n";
  return out.str();
}

// Knobs of the random problem generator.
struct GeneratorSettings {
  int minVars = 1;
  int maxVars = 12;
  int constraintsPerVar = 3;   // about this many constraints per variable, at most
  int clausePercent = 40;      // the rest is split between cardinality and general PB
  int cardinalityPercent = 25;
  int largeCoefficientPercent = 30;  // general PB constraints with coefficients near 2^31
  int hugeCoefficientPercent = 3;    // coefficients up to 2^32 - 1
  int zeroCoefficientPercent = 5;
  int emptyClausePermille = 3;
  int edgeCasePercent = 3;  // units, one- and two-literal constraints, rhs anywhere
  int softPercent = 0;
  int repeatVariablePercent = 15;    // duplicate and complementary literals
};

inline unsigned randomCoefficient(Lcg& rng, const GeneratorSettings& g, bool large) {
  if (rng.chance(g.zeroCoefficientPercent)) return 0;
  if (rng.chance(g.hugeCoefficientPercent)) return 0xFFFFFFFFu - rng.below(3);
  if (large) {
    if (rng.chance(50)) return 0x7FFFFFFFu - rng.below(4);
    return 1000000000u + rng.below(1147483647u);
  }
  return 1 + rng.below(6);
}

inline std::vector<Lit> randomLiterals(Lcg& rng, const GeneratorSettings& g, int nVars, int size) {
  std::vector<Lit> lits;
  std::set<Var> used;
  for (int k = 0; k < size; k++) {
    Var v = (Var)rng.below((uint32_t)nVars);
    if (!rng.chance(g.repeatVariablePercent)) {
      for (int tries = 0; tries < 20 && used.count(v); tries++) v = (Var)rng.below((uint32_t)nVars);
    }
    used.insert(v);
    lits.push_back(mkLit(v, rng.chance(50)));
  }
  return lits;
}

inline TestConstraint randomConstraint(Lcg& rng, const GeneratorSettings& g, int nVars) {
  TestConstraint c;
  int kind = (int)rng.below(100);
  if (kind < g.clausePercent) {
    c.clause = true;
    int roll = (int)rng.below(1000);
    int size = roll < g.emptyClausePermille ? 0 : roll < 7 * g.edgeCasePercent ? 1 : roll < 150 ? 2 : roll < 750 ? 3 : 4 + (int)rng.below(3);
    c.lits = randomLiterals(rng, g, nVars, size);
    c.coeffs.assign(c.lits.size(), 1u);
    c.rhs = 1;
  } else if (kind < g.clausePercent + g.cardinalityPercent) {
    c.clause = false;
    int size = rng.chance(g.edgeCasePercent) ? 1 + (int)rng.below(2) : 3 + (int)rng.below(5);
    c.lits = randomLiterals(rng, g, nVars, size);
    c.coeffs.assign(c.lits.size(), 1u);
    // Mostly "at least 2 of 4..7": tight enough to propagate, loose enough to search.
    c.rhs = rng.chance(g.edgeCasePercent) ? rng.below((uint32_t)size + 2) : 1 + rng.below((uint32_t)(size + 1) / 2);
  } else {
    c.clause = false;
    int size = rng.chance(g.edgeCasePercent) ? 1 + (int)rng.below(2) : 3 + (int)rng.below(5);
    c.lits = randomLiterals(rng, g, nVars, size);
    bool large = rng.chance(g.largeCoefficientPercent);
    uint64_t sum = 0;
    for (int k = 0; k < size; k++) {
      unsigned a = randomCoefficient(rng, g, large);
      // Mix a small coefficient into a large constraint now and then.
      if (large && rng.chance(20)) a = 1 + rng.below(3);
      c.coeffs.push_back(a);
      sum += a;
    }
    uint64_t rhs;
    if (rng.chance(g.edgeCasePercent)) rhs = rng.below64(sum + 2);  // anywhere, including 0 and beyond the sum
    else rhs = sum / 8 + rng.below64(sum / 2 + 1);    // the interesting middle
    c.rhs = rhs > 0xFFFFFFFFull ? 0xFFFFFFFFu : (unsigned)rhs;
  }
  c.soft = rng.chance(g.softPercent);
  return c;
}

inline Problem randomProblem(Lcg& rng, const GeneratorSettings& g) {
  Problem p;
  p.nVars = g.minVars + (int)rng.below((uint32_t)(g.maxVars - g.minVars + 1));
  // Densities from a quarter of the maximum upwards: both answers are common.
  int most = g.constraintsPerVar * p.nVars;
  int count = 1 + most / 4 + (int)rng.below((uint32_t)(most - most / 4));
  for (int i = 0; i < count; i++) p.constraints.push_back(randomConstraint(rng, g, p.nVars));
  return p;
}

// Adds one constraint through the engine's public operations (the vectors are
// copies: the operations reorder them). Clauses go randomly through addClause,
// addClause3, addClause2 or as a pseudo-Boolean constraint with unit
// coefficients; the soft flag is then set as the problem says.
// addClause2 numbers by position alone, the others add the conflict count: on
// a solver that has searched, mixing them can give two constraints one ref,
// so such callers pass positionRefs false.
inline Constraint* addToSolver(Solver& s, const TestConstraint& c, Lcg& rng, bool positionRefs = true) {
  Constraint* added;
  if (c.clause) {
    vec<Lit> ps;
    for (Lit l : c.lits) ps.push(l);
    int route = (int)rng.below(4);
    if (route == 2 && !positionRefs) route = 0;
    if (route == 0) added = s.addClause(ps);
    else if (route == 1) added = s.addClause3(ps);
    else if (route == 2) added = s.addClause2(ps);
    else {
      vec<unsigned> ones;
      for (size_t i = 0; i < c.lits.size(); i++) ones.push(1u);
      added = s.addPBConstraint(ps, ones, 1);
    }
  } else {
    vec<Lit> ps;
    vec<unsigned> cs;
    for (size_t i = 0; i < c.lits.size(); i++) {
      ps.push(c.lits[i]);
      cs.push(c.coeffs[i]);
    }
    added = s.addPBConstraint(ps, cs, c.rhs);
  }
  added->isSoft(c.soft);
  return added;
}

// One cooperation object per test program for the many short-lived solvers
// of the randomised tests (building one costs milliseconds). Tests that look
// at or set its flags build their own.
inline Cooperation& sharedCooperation() {
  static Cooperation coop(2, 16);
  return coop;
}

// A solver wired to the shared cooperation object as the lower-bound thread.
struct Engine {
  Cooperation& coop;
  Solver s;
  explicit Engine(Cooperation& cooperation = sharedCooperation()) : coop(cooperation) {
    s.coop = &coop;
    s.tid = 0;
    s.role = 0;
  }
  void createVariables(int n) {
    for (int i = 0; i < n; i++) s.newVar();
  }
};

// Opens a new decision level and assigns p there, as a decision.
inline void decide(Solver& s, Lit p) {
  s.levelStarts.push(s.trail.size());
  s.uncheckedEnqueue(p, nullptr);
}

// Checks the store's invariants; returns "" when they hold, else what broke.
// With queueComplete, every literal before propHead must have been counted
// into the counters (true unless the last propagation stopped at a conflict).
inline std::string checkInvariants(const Solver& s, bool queueComplete) {
  std::ostringstream err;
  // Trail and assignment agree.
  std::vector<int> onTrail(s.nVars(), 0);
  for (int t = 0; t < s.trail.size(); t++) {
    Lit p = s.trail[t];
    onTrail[var(p)]++;
    if (s.value(p) != l_True) err << "trail literal " << p << " is not true\n";
  }
  for (Var x = 0; x < s.nVars(); x++) {
    bool assigned = s.varValue(x) != l_Undef;
    if (assigned != (onTrail[x] == 1)) err << "variable " << x << " assignment/trail mismatch\n";
    if (s.pbCounted[x] && !assigned) err << "variable " << x << " counted but unassigned\n";
  }
  for (int t = 0; t < s.trail.size(); t++) {
    Var x = var(s.trail[t]);
    int lvl = 0;
    while (lvl < s.levelStarts.size() && s.levelStarts[lvl] <= t) lvl++;
    if (s.level[x] != lvl) err << "variable " << x << " has level " << s.level[x] << " expected " << lvl << "\n";
    if (s.pbCounted[x] && t >= s.propHead) err << "variable " << x << " counted but not yet propagated\n";
    if (queueComplete && t < s.propHead && !s.pbCounted[x])
      err << "variable " << x << " propagated but not counted\n";
  }
  if (s.propHead > s.trail.size()) err << "propHead beyond the trail\n";

  // Clause watches: every attached clause sits exactly in the lists of ~c[0] and ~c[1].
  std::map<const Constraint*, std::multiset<int>> clauseLists;
  for (int p = 0; p < s.watches.size(); p++)
    for (int k = 0; k < s.watches[p].size(); k++) {
      const Constraint* c = s.watches[p][k];
      if (!c->isClause()) err << "pseudo-Boolean constraint in a clause watch list\n";
      clauseLists[c].insert(p);
    }
  for (auto& entry : clauseLists) {
    const Constraint& c = *entry.first;
    if (c.size() < 2) {
      err << "clause of size " << c.size() << " is watched\n";
      continue;
    }
    std::multiset<int> expected{neg(c[0]), neg(c[1])};
    if (entry.second != expected)
      err << "clause ref " << c.ref() << " watched in the wrong lists\n";
  }

  // Counter records: one {c, i} in pbWatches[~c[i]] for every position of an
  // attached constraint; falseCoeff = sum over counted false literals.
  std::map<const Constraint*, std::vector<int>> records;
  for (int p = 0; p < s.pbWatches.size(); p++)
    for (int k = 0; k < s.pbWatches[p].size(); k++) {
      const watchPB_t& w = s.pbWatches[p][k];
      if (w.c->isClause()) {
        err << "clause in a counter watch list\n";
        continue;
      }
      std::vector<int>& seenPositions = records[w.c];
      seenPositions.resize(w.c->size(), 0);
      if (w.index < 0 || w.index >= w.c->size() || neg((*w.c)[w.index]) != p)
        err << "counter record at the wrong literal\n";
      else
        seenPositions[w.index]++;
    }
  auto checkCounter = [&](const Constraint* c) {
    if (c->isClause()) return;
    auto it = records.find(c);
    int64_t expected = 0;
    if (it != records.end()) {
      for (int i = 0; i < c->size(); i++) {
        if (it->second[i] != 1) err << "constraint ref " << c->ref() << " position " << i << " has " << it->second[i] << " records\n";
        Lit l = (*c)[i];
        if (s.value(l) == l_False && s.pbCounted[var(l)]) expected += c->coeff(i);
      }
    }
    if (c->val0Lits() != expected)
      err << "constraint ref " << c->ref() << " falseCoeff " << c->val0Lits() << " expected " << expected << "\n";
    int64_t total = 0;
    for (int i = 0; i < c->size(); i++) total += c->coeff(i);
    if (c->coeffSum() != total) err << "constraint ref " << c->ref() << " totalCoeff wrong\n";
    for (int i = 1; i < c->size(); i++)
      if (c->coeff(i - 1) < c->coeff(i)) err << "constraint ref " << c->ref() << " not sorted by coefficient\n";
  };
  for (int i = 0; i < s.constraints.size(); i++) checkCounter(s.constraints[i]);
  for (int i = 0; i < s.learnts.size(); i++) checkCounter(s.learnts[i]);
  return err.str();
}

// All scratch marks of the analysis are clear between analyses.
inline bool marksClear(const Solver& s) {
  for (Var x = 0; x < s.nVars(); x++)
    if (s.seen[x] != 0 || s.trailIndex[x] != 0) return false;
  return true;
}

}  // namespace quon_test
