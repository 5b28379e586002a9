// Engine test helpers: random problems, enumeration, a checker of the watch
// and counter invariants.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"
#include "tests/common/Lcg.h"

namespace quon_test {

using testing_support::Lcg;

// sum coeffs[i] * lits[i] >= rhs; a clause has unit coefficients and rhs 1.
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

inline bool satisfiedBy(const TestConstraint& c, uint32_t bits) {
  uint64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++)
    if ((int)((bits >> var(c.lits[i])) & 1u) != sign(c.lits[i])) sum += c.coeffs[i];
  return sum >= c.rhs;
}

inline bool satisfiedBy(const TestConstraint& c, const vec<lbool>& model) {
  uint32_t bits = 0;
  for (int x = 0; x < model.size(); x++) bits |= (model[x] == l_True) << x;
  return satisfiedBy(c, bits);
}

template <class Keep>
bool bruteForceSatisfiable(const Problem& p, Keep keep) {
  for (uint32_t bits = 0; bits < (1u << p.nVars); bits++) {
    bool all = true;
    for (size_t i = 0; i < p.constraints.size() && all; i++) all = !keep(i) || satisfiedBy(p.constraints[i], bits);
    if (all) return true;
  }
  return false;
}

inline bool bruteForceSatisfiable(const Problem& p) {
  return bruteForceSatisfiable(p, [](size_t) { return true; });
}

inline std::string describe(const Problem& p) {
  std::ostringstream out;
  out << p.nVars << " variables\n";
  for (const TestConstraint& c : p.constraints) {
    out << " ";
    for (size_t i = 0; i < c.lits.size(); i++)
      out << " +" << c.coeffs[i] << (sign(c.lits[i]) ? " ~x" : " x") << var(c.lits[i]);
    out << " >= " << c.rhs << (c.clause ? " clause" : "") << (c.soft ? " soft" : "") << "\n";
  }
  return out.str();
}

struct GeneratorSettings {
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
  int softPercent = 0;
  int repeatVariablePercent = 15;  // duplicate and complementary literals
};

inline unsigned randomCoefficient(Lcg& rng, const GeneratorSettings& g, bool large) {
  if (rng.chance(g.zeroCoefficientPercent)) return 0;
  if (rng.chance(g.hugeCoefficientPercent)) return 0xFFFFFFFFu - rng.below(3);
  if (!large) return 1 + rng.below(6);
  if (rng.chance(20)) return 1 + rng.below(3);
  return rng.chance(50) ? 0x7FFFFFFFu - rng.below(4) : 1000000000u + rng.below(1147483647u);
}

inline std::vector<Lit> randomLiterals(Lcg& rng, const GeneratorSettings& g, int nVars, int size) {
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

inline TestConstraint randomConstraint(Lcg& rng, const GeneratorSettings& g, int nVars) {
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
    c.rhs = rhs > 0xFFFFFFFFull ? 0xFFFFFFFFu : (unsigned)rhs;
  }
  c.soft = rng.chance(g.softPercent);
  return c;
}

inline Problem randomProblem(Lcg& rng, const GeneratorSettings& g) {
  Problem p;
  p.nVars = rng.between(g.minVars, g.maxVars);
  int most = g.constraintsPerVar * p.nVars;
  int count = 1 + most / 4 + (int)rng.below((uint32_t)(most - most / 4));
  for (int i = 0; i < count; i++) p.constraints.push_back(randomConstraint(rng, g, p.nVars));
  return p;
}

// route 0 addClause, 1 addClause3, 2 addClause2, 3 addPBConstraint.
inline Constraint* add(Solver& s, const TestConstraint& c, int route = -1) {
  vec<Lit> ps;
  vec<unsigned> cs;
  for (size_t i = 0; i < c.lits.size(); i++) {
    ps.push(c.lits[i]);
    cs.push(c.coeffs[i]);
  }
  if (route < 0) route = c.clause ? 0 : 3;
  Constraint* added = route == 0   ? s.addClause(ps)
                      : route == 1 ? s.addClause3(ps)
                      : route == 2 ? s.addClause2(ps)
                                   : s.addPBConstraint(ps, cs, c.rhs);
  added->isSoft(c.soft);
  return added;
}

// A random adding operation. addClause2 numbers by position alone, the others
// add the conflict count: after a search, mixing them can give two
// constraints one ref, so such callers pass positionRefs false.
inline Constraint* addToSolver(Solver& s, const TestConstraint& c, Lcg& rng, bool positionRefs = true) {
  int route = c.clause ? (int)rng.below(4) : 3;
  return add(s, c, route == 2 && !positionRefs ? 0 : route);
}

inline TestConstraint PB(std::initializer_list<std::pair<unsigned, Lit>> terms, unsigned rhs, bool soft = false) {
  TestConstraint c;
  for (auto& t : terms) {
    c.coeffs.push_back(t.first);
    c.lits.push_back(t.second);
  }
  c.rhs = rhs;
  c.clause = false;
  c.soft = soft;
  return c;
}

inline TestConstraint C(std::initializer_list<Lit> ls, bool soft = false) {
  TestConstraint c = PB({}, 1, soft);
  c.lits = ls;
  c.coeffs.assign(ls.size(), 1u);
  c.clause = true;
  return c;
}

// Shared by the many short-lived solvers (building one costs milliseconds).
inline Cooperation& sharedCooperation() {
  static Cooperation coop(2, 16);
  return coop;
}

// A solver wired as the lower-bound thread.
struct Engine {
  Cooperation& coop;
  Solver s;
  explicit Engine(Cooperation& cooperation = sharedCooperation(), int nVars = 0) : coop(cooperation) {
    s.attach(&coop, 0, Role::LowerBound, 0);
    for (int i = 0; i < nVars; i++) s.newVar();
  }
  explicit Engine(int nVars) : Engine(sharedCooperation(), nVars) {}
};

// Opens a new decision level and assigns p there.
inline void decide(Solver& s, Lit p) {
  s.levelStarts.push(s.trail.size());
  s.uncheckedEnqueue(p, nullptr);
}

// "" when the store's invariants hold, else what broke. With queueComplete,
// every literal before propHead must be counted (false only after a clause
// conflict stopped propagation).
inline std::string checkInvariants(const Solver& s, bool queueComplete) {
  std::ostringstream err;
  std::vector<int> onTrail(s.nVars(), 0);
  for (int t = 0; t < s.trail.size(); t++) {
    Var x = var(s.trail[t]);
    onTrail[x]++;
    if (s.value(s.trail[t]) != l_True) err << "trail literal " << s.trail[t] << " not true\n";
    int lvl = 0;
    while (lvl < s.levelStarts.size() && s.levelStarts[lvl] <= t) lvl++;
    if (s.level[x] != lvl) err << "x" << x << " at level " << s.level[x] << ", expected " << lvl << "\n";
    if (s.pbCounted[x] && t >= s.propHead) err << "x" << x << " counted before it was propagated\n";
    if (queueComplete && t < s.propHead && !s.pbCounted[x]) err << "x" << x << " propagated, not counted\n";
  }
  for (Var x = 0; x < s.nVars(); x++)
    if ((s.varValue(x) != l_Undef) != (onTrail[x] == 1)) err << "x" << x << " assignment/trail mismatch\n";
  if (s.propHead > s.trail.size()) err << "propHead beyond the trail\n";

  // Every watched clause sits exactly in the lists of ~c[0] and ~c[1].
  std::map<const Constraint*, std::multiset<int>> clauseLists;
  for (int p = 0; p < s.watches.size(); p++)
    for (int k = 0; k < s.watches[p].size(); k++) clauseLists[s.watches[p][k]].insert(p);
  for (auto& [c, lists] : clauseLists)
    if (!c->isClause() || c->size() < 2 || lists != std::multiset<int>{neg((*c)[0]), neg((*c)[1])})
      err << "constraint ref " << c->ref() << " watched in the wrong lists\n";

  // One counter record per position of an attached constraint; falseCoeff is
  // the sum over its counted false literals.
  std::map<const Constraint*, std::vector<int>> records;
  for (int p = 0; p < s.pbWatches.size(); p++)
    for (int k = 0; k < s.pbWatches[p].size(); k++) {
      const watchPB_t& w = s.pbWatches[p][k];
      std::vector<int>& seen = records[w.c];
      seen.resize(w.c->size(), 0);
      if (w.c->isClause() || w.index < 0 || w.index >= w.c->size() || neg((*w.c)[w.index]) != p)
        err << "counter record at the wrong literal\n";
      else
        seen[w.index]++;
    }
  auto checkCounter = [&](const Constraint* c) {
    if (c->isClause()) return;
    auto it = records.find(c);
    int64_t expected = 0, total = 0;
    for (int i = 0; i < c->size(); i++) {
      total += c->coeff(i);
      if (it == records.end()) continue;
      if (it->second[i] != 1) err << "ref " << c->ref() << " position " << i << ": " << it->second[i] << " records\n";
      if (s.value((*c)[i]) == l_False && s.pbCounted[var((*c)[i])]) expected += c->coeff(i);
    }
    if (c->val0Lits() != expected) err << "ref " << c->ref() << " falseCoeff " << c->val0Lits() << ", expected " << expected << "\n";
    if (c->coeffSum() != total) err << "ref " << c->ref() << " totalCoeff wrong\n";
    for (int i = 1; i < c->size(); i++)
      if (c->coeff(i - 1) < c->coeff(i)) err << "ref " << c->ref() << " not sorted by coefficient\n";
  };
  for (int i = 0; i < s.constraints.size(); i++) checkCounter(s.constraints[i]);
  for (int i = 0; i < s.learnts.size(); i++) checkCounter(s.learnts[i]);
  return err.str();
}

}  // namespace quon_test
