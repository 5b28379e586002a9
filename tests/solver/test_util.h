// Engine test helpers: the test problems loaded into a Solver, and a checker
// of the watch and counter invariants.
#pragma once

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"
#include "tests/common/Problem.h"

namespace quon_test {

inline uint64_t modelBits(const vec<lbool>& model, int nVars) {
  uint64_t bits = 0;
  for (int v = 0; v < nVars; v++) bits |= (uint64_t)(model[v] == l_True) << v;
  return bits;
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
  added->isSoft(c.soft());
  return added;
}

// A random adding operation. addClause2 numbers by position alone, the others
// add the conflict count: after a search, mixing them can give two
// constraints one ref, so such callers pass positionRefs false.
inline Constraint* addToSolver(Solver& s, const TestConstraint& c, Lcg& rng, bool positionRefs = true) {
  int route = c.clause ? (int)rng.below(4) : 3;
  return add(s, c, route == 2 && !positionRefs ? 0 : route);
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
  for (Var x = 0; x < s.nVars(); x++) {
    if ((s.varValue(x) != l_Undef) != (onTrail[x] == 1)) err << "x" << x << " assignment/trail mismatch\n";
    lbool v = s.varValue(x);
    if (s.value(mkLit(x)) != v || s.value(neg(mkLit(x))) != (lbool)-v) err << "x" << x << " literal values disagree\n";
  }
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
