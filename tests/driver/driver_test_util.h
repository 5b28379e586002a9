// Helpers of the driver tests: weighted problems with their brute-force
// optimum, thread 0's lower-bound search run alone, and a child-process
// runner for calls that end the process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "driver/RUKSolver.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"
#include "tests/common/Lcg.h"

namespace driver_test {

using testing_support::Lcg;

// sum coeffs[i] * lits[i] >= rhs over input variables; weight 0 means hard.
struct Constr {
  std::vector<Lit> lits;
  std::vector<unsigned> coeffs;
  int64_t rhs = 1;
  bool pb = false;
  Cost weight = 0;
  bool hard() const { return weight == 0; }
};

struct Problem {
  int nVars = 0;
  std::vector<Constr> constraints;

  void clause(std::vector<Lit> lits, Cost weight = 0) {
    std::vector<unsigned> ones(lits.size(), 1u);
    constraints.push_back({std::move(lits), std::move(ones), 1, false, weight});
  }
  void pb(std::vector<Lit> lits, std::vector<unsigned> coeffs, int64_t rhs, Cost weight = 0) {
    constraints.push_back({std::move(lits), std::move(coeffs), rhs, true, weight});
  }
};

inline bool holds(const Constr& c, uint64_t bits) {
  int64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++)
    if ((int)((bits >> var(c.lits[i])) & 1u) != sign(c.lits[i])) sum += c.coeffs[i];
  return sum >= c.rhs;
}

inline bool feasible(const Problem& p, uint64_t bits) {
  for (const Constr& c : p.constraints)
    if (c.hard() && !holds(c, bits)) return false;
  return true;
}

inline Cost costOf(const Problem& p, uint64_t bits) {
  Cost cost = 0;
  for (const Constr& c : p.constraints)
    if (!c.hard() && !holds(c, bits)) cost += c.weight;
  return cost;
}

// Nothing when no assignment satisfies the hard constraints.
inline std::optional<Cost> bruteForceOptimum(const Problem& p) {
  std::optional<Cost> best;
  for (uint64_t bits = 0; bits < (1ull << p.nVars); bits++)
    if (feasible(p, bits) && (!best || costOf(p, bits) < *best)) best = costOf(p, bits);
  return best;
}

// Large: below the default top 2^31 - 1. TopAbove: top 2^40, so 2^31 - 1 is
// an ordinary soft weight. SmallTop: top 6, only 6 itself is hard.
enum class Weights { Small, Large, TopAbove, SmallTop };

inline Cost topFor(Weights w) {
  return w == Weights::TopAbove ? (Cost)1 << 40 : w == Weights::SmallTop ? 6 : RUKSolver::defaultTopWeight;
}

inline Cost randomWeight(Lcg& g, Weights kind) {
  switch (kind) {
    case Weights::Small: return g.between(1, 5);
    case Weights::Large: return g.chance(30) ? 2147483646 - g.between(0, 3) : 1 + (Cost)g.below(2147483646u);
    case Weights::TopAbove: return g.chance(30) ? 2147483647 : 1 + (Cost)g.below(2147483647u);
    case Weights::SmallTop: {
      Cost w = g.between(1, 9);
      return w == 6 ? 7 : w;
    }
  }
  return 1;
}

inline std::vector<Lit> randomLits(Lcg& g, int nVars, int size) {
  std::vector<Lit> lits;
  while ((int)lits.size() < size) {
    Lit l = mkLit(g.between(0, nVars - 1), g.chance(50));
    bool repeated = false;
    for (Lit m : lits) repeated = repeated || var(m) == var(l);
    if (!repeated) lits.push_back(l);
  }
  return lits;
}

inline void addRandomPB(Lcg& g, Problem& p, Cost weight) {
  const int size = g.between(2, std::min(4, p.nVars));
  std::vector<unsigned> coeffs;
  int sum = 0;
  for (int i = 0; i < size; i++) sum += (int)coeffs.emplace_back((unsigned)g.between(1, 4));
  p.pb(randomLits(g, p.nVars, size), coeffs, g.between(1, sum), weight);
}

// Hard and soft clauses and PB constraints over up to 8 variables, some with
// an unsatisfiable hard part.
inline Problem randomProblem(Lcg& g, Weights w) {
  Problem p;
  p.nVars = g.between(2, 8);
  for (int i = g.between(0, 5); i > 0; i--) p.clause(randomLits(g, p.nVars, g.between(1, std::min(3, p.nVars))));
  if (g.chance(12)) {
    Var a = g.between(0, p.nVars - 1), b = (a + 1) % p.nVars;
    for (int s = 0; s < 4; s++) p.clause({mkLit(a, s & 1), mkLit(b, (s >> 1) & 1)});
  }
  if (g.chance(40)) addRandomPB(g, p, 0);
  for (int i = g.between(1, 5); i > 0; i--) p.clause(randomLits(g, p.nVars, 1), randomWeight(g, w));
  for (int i = g.between(0, 3); i > 0; i--)
    p.clause(randomLits(g, p.nVars, g.between(2, std::min(3, p.nVars))), randomWeight(g, w));
  if (g.chance(30)) addRandomPB(g, p, randomWeight(g, w));
  return p;
}

// Hands every constraint to intake. With `interleaved`, variables are created
// on first use, between relaxation variables. Returns the input variable of
// every created solver variable, in creation order.
inline std::vector<int> feed(RUKSolver& r, const Problem& p, bool interleaved) {
  std::vector<int> created;
  std::vector<Var> solverVarOf((size_t)p.nVars, -1);
  auto create = [&](int v) {
    if (solverVarOf[(size_t)v] >= 0) return;
    solverVarOf[(size_t)v] = r.solver->newVar();
    created.push_back(v);
  };
  if (!interleaved)
    for (int v = 0; v < p.nVars; v++) create(v);
  for (const Constr& c : p.constraints) {
    vec<Lit> lits;
    vec<unsigned> coeffs;
    for (size_t i = 0; i < c.lits.size(); i++) {
      create(var(c.lits[i]));
      lits.push(mkLit(solverVarOf[(size_t)var(c.lits[i])], sign(c.lits[i]) != 0));
      coeffs.push(c.coeffs[i]);
    }
    const Cost weight = c.hard() ? r.topWeight : c.weight;
    if (c.pb) r.addPBConstraint(lits, coeffs, c.rhs, weight);
    else r.addClause(lits, weight);
  }
  for (int v = 0; v < p.nVars; v++) create(v);
  return created;
}

// Thread 0 alone in the normal mode, set up as the thread road's one-time
// set-up does it (without preprocessing).
struct LowerBoundRun {
  Cooperation coop{2, 16};
  RUKSolver r;
  std::vector<int> inputOfModelEntry;

  explicit LowerBoundRun(int kind, Cost topWeight = RUKSolver::defaultTopWeight) {
    coop.encoding[0] = kind;
    coop.quiet = true;
    coop.verbosityLevel = 0;
    r.coop = &coop;
    r.tid = 0;
    r.inputFormat = formatWcnf;
    r.topWeight = topWeight;
    r.init();
  }

  void load(const Problem& p, bool interleaved = false) { inputOfModelEntry = feed(r, p, interleaved); }

  void setUp() {
    r.solverConfiguration();
    r.nbOrigVars = r.solver->nVars() - r.nbRelaxVars;
    r.initializeEquivalences();
    r.addPBsoftLimit();
    coop.objConstant = r.objConstant;
    coop.initBound(r.solver, r.nbOrigVars, r.equivalences);
    coop.initDone = true;
    coop.nbSharedVars = r.solver->nVars();
    std::vector<char> isRelax((size_t)r.solver->nVars(), 0);
    for (int v : r.relaxVars) isRelax[(size_t)v] = 1;
    coop.solverVar.clear();
    for (Var v = 0; v < r.solver->nVars(); v++)
      if (!isRelax[(size_t)v]) coop.solverVar.push_back(v);
    r.relaxVars.clear();
    r.installSolver(r.convertPBOtoRUK(static_cast<PBOSolver*>(r.solver)), Role::LowerBound, coop.initialUB);
    r.objectiveMode = 0;
    coop.nbOrigConstraints = r.solver->nConstraints();
  }

  void run() {
    setUp();
    r.multiLowerBoundSearch();
  }

  uint64_t modelBits() const {
    uint64_t bits = 0;
    for (size_t i = 0; i < inputOfModelEntry.size(); i++)
      if (coop.bestModel[i]) bits |= 1ull << inputOfModelEntry[i];
    return bits;
  }
};

struct ChildResult {
  int status = -1;  // exit status, -1 when the child did not exit
  std::string out, err;
};

inline std::string readAll(FILE* f) {
  std::string s;
  rewind(f);
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) s.append(buffer, n);
  fclose(f);
  return s;
}

// Runs body in a forked child with its output captured; a body that returns
// exits with status 77.
template <class Body>
ChildResult runInChild(Body body) {
  fflush(stdout);
  fflush(stderr);
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    body();
    fflush(stdout);
    fflush(stderr);
    _exit(77);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ChildResult result;
  if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  result.out = readAll(out);
  result.err = readAll(err);
  return result;
}

}  // namespace driver_test
