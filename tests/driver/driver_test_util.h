// Helpers of the driver tests: a tiny generator, weighted problems with their
// brute-force optimum, a harness that runs the lower-bound search of thread 0
// alone the way the one-time set-up prepares it, and a child-process runner
// that captures what a process-ending call prints and its exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cooperation/Cooperation.h"
#include "driver/RUKSolver.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"

namespace driver_test {

// 64-bit linear congruential generator; the high half is the output.
class Lcg {
  uint64_t state;

 public:
  explicit Lcg(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL) { next32(); }
  uint32_t next32() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (uint32_t)(state >> 32);
  }
  uint32_t below(uint32_t n) { return (uint32_t)((((uint64_t)next32() << 32) | next32()) % n); }
  int between(int lo, int hi) { return lo + (int)below((uint32_t)(hi - lo + 1)); }
  bool chance(int percent) { return (int)below(100) < percent; }
};

// sum of coeffs[i] x lits[i] >= rhs over input variables; a clause has unit
// coefficients and rhs 1. A hard constraint has no weight.
struct Constr {
  std::vector<Lit> lits;
  std::vector<unsigned> coeffs;
  int64_t rhs = 1;
  bool pb = false;
  bool hard = true;
  Cost weight = 0;
};

struct Problem {
  int nVars = 0;
  std::vector<Constr> constraints;

  Constr& clause(std::vector<Lit> lits, Cost weight = 0) {
    Constr c;
    c.coeffs.assign(lits.size(), 1u);
    c.lits = std::move(lits);
    c.hard = weight == 0;
    c.weight = weight;
    constraints.push_back(c);
    return constraints.back();
  }
  Constr& pb(std::vector<Lit> lits, std::vector<unsigned> coeffs, int64_t rhs, Cost weight = 0) {
    Constr c;
    c.lits = std::move(lits);
    c.coeffs = std::move(coeffs);
    c.rhs = rhs;
    c.pb = true;
    c.hard = weight == 0;
    c.weight = weight;
    constraints.push_back(c);
    return constraints.back();
  }
};

inline bool litTrue(Lit p, uint64_t bits) { return (int)((bits >> var(p)) & 1u) != sign(p); }

inline bool holds(const Constr& c, uint64_t bits) {
  int64_t sum = 0;
  for (size_t i = 0; i < c.lits.size(); i++)
    if (litTrue(c.lits[i], bits)) sum += c.coeffs[i];
  return sum >= c.rhs;
}

inline bool feasible(const Problem& p, uint64_t bits) {
  for (const Constr& c : p.constraints)
    if (c.hard && !holds(c, bits)) return false;
  return true;
}

inline Cost costOf(const Problem& p, uint64_t bits) {
  Cost cost = 0;
  for (const Constr& c : p.constraints)
    if (!c.hard && !holds(c, bits)) cost += c.weight;
  return cost;
}

// The smallest cost of an assignment satisfying every hard constraint, by
// enumeration of all assignments; nothing when there is none.
inline std::optional<Cost> bruteForceOptimum(const Problem& p) {
  std::optional<Cost> best;
  for (uint64_t bits = 0; bits < (1ull << p.nVars); bits++) {
    if (!feasible(p, bits)) continue;
    Cost cost = costOf(p, bits);
    if (!best || cost < *best) best = cost;
  }
  return best;
}

// Hands every constraint to the driver's intake, each from its own copy of
// the literals (intake extends the lists it is given). With `interleaved`,
// variables are created the way the OPB reader creates them: on first use,
// between the relaxation variables of earlier soft constraints. Returns the
// input variable behind every created input variable, in creation order.
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
    const Cost weight = c.hard ? r.topWeight : c.weight;
    if (c.pb)
      r.addPBConstraint(lits, coeffs, c.rhs, weight);
    else
      r.addClause(lits, weight);
  }
  for (int v = 0; v < p.nVars; v++) create(v);  // variables no constraint mentions
  return created;
}

// Thread 0 alone, normal lower-bound search mode, set up as the one-time
// set-up of the thread road does it (without preprocessing: identity map).
struct LowerBoundRun {
  Cooperation coop{2, 16};
  RUKSolver r;
  std::vector<int> inputOfModelEntry;  // bestModel index -> input variable

  explicit LowerBoundRun(int kind, Cost topWeight = RUKSolver::defaultTopWeight) {
    coop.encoding[0] = kind;
    // DRV_VERBOSE set in the environment shows the bound rows on stderr.
    coop.quiet = getenv("DRV_VERBOSE") == nullptr;
    coop.verbosityLevel = 0;
    r.coop = &coop;
    r.tid = 0;
    r.inputFormat = formatWcnf;
    r.topWeight = topWeight;
    r.init();
  }

  void load(const Problem& p, bool interleaved = false) { inputOfModelEntry = feed(r, p, interleaved); }

  // Everything between intake and the search: role, cost limit, bounds,
  // shared variable table and the conversion to a plain solver.
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
    Solver* conv = r.convertPBOtoRUK(static_cast<PBOSolver*>(r.solver));
    delete r.solver;
    r.solver = conv;
    conv->coop = &coop;
    conv->tid = 0;
    conv->role = 0;
    conv->solverUB = coop.initialUB;
    r.objectiveMode = 0;
    coop.nbOrigConstraints = conv->nConstraints();
  }

  void search() { r.multiLowerBoundSearch(); }

  // The stored best model as a bit set over the input variables.
  uint64_t modelBits() const {
    uint64_t bits = 0;
    for (size_t i = 0; i < inputOfModelEntry.size(); i++)
      if (coop.bestModel[i]) bits |= 1ull << inputOfModelEntry[i];
    return bits;
  }
};

// What a child process printed and how it ended.
struct ChildResult {
  bool exited = false;
  int status = -1;  // exit status when exited
  std::string out;
  std::string err;
};

inline std::string readAll(FILE* f) {
  std::string s;
  rewind(f);
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) s.append(buffer, n);
  return s;
}

// Runs body in a forked child with standard output and error sent to files.
// A body that returns instead of ending the process exits with status 77.
template <class Body>
ChildResult runInChild(Body body) {
  fflush(stdout);
  fflush(stderr);
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  ChildResult result;
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
  result.exited = WIFEXITED(wstatus);
  if (result.exited) result.status = WEXITSTATUS(wstatus);
  result.out = readAll(out);
  result.err = readAll(err);
  fclose(out);
  fclose(err);
  return result;
}

}  // namespace driver_test
