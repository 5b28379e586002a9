// Clause exchange between threads: export into the other threads' buffers,
// the drain, parking, retries and compaction of parked clauses; and the
// receiving solver's side: the parking test and the insertion of a clause
// into a running search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coop_test_util.h"

using namespace coop_test;

namespace {

std::vector<Lit> slot(const std::vector<std::vector<int*>>& lits, const std::vector<std::vector<int>>& sizes,
                      int tid, int k) {
  return std::vector<Lit>(lits[tid][k], lits[tid][k] + sizes[tid][k]);
}

std::vector<Lit> litsOf(const Constraint& c) {
  std::vector<Lit> out;
  for (int i = 0; i < c.size(); i++) out.push_back(c[i]);
  return out;
}

void wire(Solver& s, Cooperation& coop, int tid, int role, int nVars) {
  s.coop = &coop;
  s.tid = tid;
  s.role = role;
  for (int i = 0; i < nVars; i++) s.newVar();
}

// After complete propagation without conflict, no attached clause may be false.
std::string falsifiedClause(Solver& s) {
  for (const vec<Constraint*>* list : {&s.constraints, &s.learnts})
    for (int i = 0; i < list->size(); i++) {
      const Constraint& c = *(*list)[i];
      bool allFalse = c.isClause() && c.size() >= 2;
      for (int k = 0; k < c.size() && allFalse; k++) allFalse = s.value(c[k]) == l_False;
      if (allFalse) return "clause ref " + std::to_string(c.ref()) + " falsified unnoticed";
    }
  return "";
}

}  // namespace

TEST(ExportClause, CopiesIntoEveryOtherThreadBelowItsCutoff) {
  Cooperation coop(3, 16);
  coop.exportCutoff[1][2] = 2;
  Solver s;
  wire(s, coop, 1, 1, 5);
  vec<Lit> c;
  coop.exportClause(&s, fill(c, {mkLit(3), mkLit(0, true), mkLit(4)}), 3);
  EXPECT_EQ(coop.nbExported[1], 1);
  EXPECT_EQ(coop.importCount[0], 1);
  EXPECT_EQ(coop.importCount[1], 0);
  EXPECT_EQ(coop.importCount[2], 0) << "beyond receiver 2's cutoff";
  EXPECT_EQ(slot(coop.importLits, coop.importSizes, 0, 0), (std::vector<Lit>{mkLit(3), mkLit(0, true), mkLit(4)}));
  EXPECT_EQ(coop.importSource[0][0], 1);
}

TEST(ExportClause, FullBufferDropsForThatReceiverOnly) {
  Cooperation coop(3, 16);
  Solver s, r2;
  wire(s, coop, 0, 0, 4);
  wire(r2, coop, 2, 0, 4);
  vec<Lit> c;
  fill(c, {mkLit(1), mkLit(2)});
  for (int i = 0; i < 20000; i++) coop.exportClause(&s, c, 2);
  coop.importClauses(&r2);  // receiver 2 drains, receiver 1 does not
  ASSERT_EQ(coop.importCount[1], 20000);
  coop.exportClause(&s, fill(c, {mkLit(0, true), mkLit(3)}), 2);
  EXPECT_EQ(coop.importCount[1], 20000);
  EXPECT_EQ(slot(coop.importLits, coop.importSizes, 1, 19999), (std::vector<Lit>{mkLit(1), mkLit(2)}));
  EXPECT_EQ(coop.importCount[2], 1);
  EXPECT_EQ(slot(coop.importLits, coop.importSizes, 2, 0), (std::vector<Lit>{mkLit(0, true), mkLit(3)}));
}

// After a time-out of either role nothing more is exported; what was
// buffered before still arrives, in order, as hard problem clauses.
TEST(ExportClause, NothingAfterATimeOutButBufferedClausesStillArrive) {
  for (int which = 0; which < 2; which++) {
    Cooperation coop(2, 16);
    Solver s0, s1;
    wire(s0, coop, 0, 0, 6);
    wire(s1, coop, 1, 0, 6);
    vec<Lit> c;
    coop.exportClause(&s0, fill(c, {mkLit(0), mkLit(1)}), 2);
    coop.exportClause(&s0, fill(c, {mkLit(2), mkLit(3, true), mkLit(4)}), 3);
    (which == 0 ? coop.lbTimeOut : coop.ubTimeOut) = true;
    coop.exportClause(&s0, fill(c, {mkLit(2), mkLit(3)}), 2);
    coop.exportClause(&s1, fill(c, {mkLit(2), mkLit(3)}), 2);
    EXPECT_EQ(coop.importCount[0], 0);
    EXPECT_EQ(coop.nbExported[0], 2);
    const int before = s1.nConstraints();
    coop.importClauses(&s1);
    EXPECT_EQ(coop.importCount[1], 0);
    ASSERT_EQ(s1.nConstraints(), before + 2);
    EXPECT_EQ(litsOf(*s1.constraints[before]), (std::vector<Lit>{mkLit(0), mkLit(1)}));
    EXPECT_EQ(litsOf(*s1.constraints[before + 1]), (std::vector<Lit>{mkLit(2), mkLit(3, true), mkLit(4)}));
    EXPECT_EQ(s1.constraints[before + 1]->ref(), before + 1);
    EXPECT_FALSE(s1.constraints[before]->isSoft());
    EXPECT_EQ(coop.nbImported[1], 2);
    EXPECT_EQ(coop.nbImportedLits[1], 5);
  }
}

namespace {
// Receiver thread 1 (role 0), 30 variables of activity 0; with
// decisionActivity 1.0 every unassigned variable is inactive.
struct Receiver {
  Cooperation coop{2, 16};
  Solver sender, s;
  Receiver() {
    wire(sender, coop, 0, 0, 30);
    wire(s, coop, 1, 0, 30);
    coop.decisionActivity[1] = 1.0;
  }
  std::vector<Lit> clause(int first, int n) {
    std::vector<Lit> c;
    for (int v = first; v < first + n; v++) c.push_back(mkLit(v, v % 2 == 1));
    return c;
  }
  void send(int first, int n) {
    vec<Lit> c;
    for (Lit l : clause(first, n)) c.push(l);
    coop.exportClause(&sender, c, 0);
  }
  std::vector<Lit> frozen(int k) { return slot(coop.frozenLits, coop.frozenSizes, 1, k); }
  void activate(int first, int n) {
    for (int v = first; v < first + n; v++) s.activity[v] = 1.0;
  }
};
}  // namespace

// Six inactive literals park a clause; seven failed retries use its slot up
// and it is never tried again; compaction then empties the buffer.
TEST(FrozenClauses, SevenFailedRetriesUseTheSlotUp) {
  Receiver r;
  r.send(0, 6);
  r.send(10, 5);  // five unassigned literals: added
  const int before = r.s.nConstraints();
  r.coop.importClauses(&r.s);
  EXPECT_EQ(r.s.nConstraints(), before + 1);
  ASSERT_EQ(r.coop.frozenCount[1], 1);
  EXPECT_EQ(r.frozen(0), r.clause(0, 6));
  for (int retry = 1; retry <= 6; retry++) {
    r.coop.importFrozenClauses(&r.s);
    EXPECT_EQ(r.coop.frozenAge[1][0], retry);
  }
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.coop.frozenAge[1][0], -1);
  EXPECT_EQ(r.coop.frozenDead[1], 1);
  r.activate(0, 6);
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.s.nConstraints(), before + 1);
  r.coop.cleanFrozen(&r.s);
  EXPECT_EQ(r.coop.frozenCount[1], 0);
  EXPECT_EQ(r.coop.frozenDead[1], 0);
}

// Clauses that pass their retry are added once; the kept ones keep their
// order and age through compaction, and new ones go after them.
TEST(FrozenClauses, CompactionKeepsTheOrderOfKeptClauses) {
  Receiver p;
  for (int first : {0, 6, 12, 18, 24, 11}) p.send(first, 6);  // slots 2 and 5 stay inactive
  p.coop.importClauses(&p.s);
  ASSERT_EQ(p.coop.frozenCount[1], 6);
  p.activate(0, 11);
  p.activate(18, 12);
  const int before = p.s.nConstraints();
  p.coop.importFrozenClauses(&p.s);
  EXPECT_EQ(p.s.nConstraints(), before + 4);
  EXPECT_EQ(p.coop.frozenDead[1], 4);
  p.coop.cleanFrozen(&p.s);
  EXPECT_EQ(p.coop.frozenCount[1], 2);
  EXPECT_EQ(p.frozen(0), p.clause(12, 6));
  EXPECT_EQ(p.frozen(1), p.clause(11, 6));
  EXPECT_EQ(p.coop.frozenAge[1][1], 1);
  EXPECT_EQ(p.coop.frozenLits[1][2], nullptr);
  p.coop.importFrozenClauses(&p.s);
  EXPECT_EQ(p.coop.frozenAge[1][0], 2);
  p.send(12, 6);
  p.coop.importClauses(&p.s);
  EXPECT_EQ(p.coop.frozenCount[1], 3);
  EXPECT_EQ(p.frozen(2), p.clause(12, 6));
}

// With decisionActivity 2 the activity threshold is 1.0; x(9+L) false at level L.
TEST(CheckFrozen, ParkingDecisions) {
  Cooperation coop(2, 16);
  Solver s;
  wire(s, coop, 1, 1, 50);
  coop.decisionActivity[1] = 2.0;
  auto parked = [&](std::initializer_list<Lit> lits) {
    vec<Lit> c;
    return s.checkFrozen(fill(c, lits));
  };
  // Six unassigned inactive literals park, five do not; activity 1.0 is active.
  EXPECT_TRUE(parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5)}));
  EXPECT_FALSE(parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4)}));
  s.activity[0] = 1.0;
  EXPECT_FALSE(parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5)}));
  for (int lvl = 1; lvl <= 40; lvl++) decide(s, mkLit(9 + lvl, true));
  EXPECT_FALSE(parked({mkLit(10, true), mkLit(1)})) << "two literals never park";
  EXPECT_FALSE(parked({mkLit(10), mkLit(11), mkLit(49), mkLit(30)})) << "all false never parks";
  // A true literal at least 32 levels below the current one parks; the lowest counts.
  EXPECT_TRUE(parked({mkLit(17, true), mkLit(0), mkLit(1)}));
  EXPECT_FALSE(parked({mkLit(18, true), mkLit(0), mkLit(1)}));
  EXPECT_TRUE(parked({mkLit(30, true), mkLit(17, true), mkLit(0)}));
}

namespace {
struct Insert {
  Cooperation coop{2, 16};
  Solver lower;     // thread 0, role 0
  PBOSolver upper;  // thread 1, role 1
  explicit Insert(int nVars) {
    coop.nbLB = coop.nbUB = 1;
    wire(lower, coop, 0, 0, nVars);
    wire(upper, coop, 1, 1, nVars);
  }
};
void add(Solver& s, std::initializer_list<Lit> lits) {
  vec<Lit> c;
  s.addExtraClause(fill(c, lits), false);
}
}  // namespace

// An import false at level 0 on the upper-bound thread (its literals with or
// without reasons) proves that no better model exists: the solver becomes
// inconsistent, with no analysis and no time-out.
TEST(AddExtraClause, FalseAtLevelZeroMakesTheUpperBoundSolverInconsistent) {
  for (bool withReasons : {true, false}) {
    Insert t(4);
    vec<Lit> c;
    for (int v = 0; v < 2; v++) {
      if (withReasons) t.upper.addClause(fill(c, {mkLit(v, true)}))->isSoft(false);
      else add(t.upper, {mkLit(v, true)});
    }
    decide(t.upper, mkLit(2, true));
    decide(t.upper, mkLit(3, true));
    add(t.upper, {mkLit(0), mkLit(1)});
    EXPECT_FALSE(t.upper.okay());
    EXPECT_FALSE(t.coop.analysisFailed);
    EXPECT_FALSE(t.coop.ubTimeOut);
  }
}

// One open literal, the others false at levels 2 and 4, current level 6: back
// to level 4 with the literal implied there by the stored clause.
TEST(AddExtraClause, OneOpenLiteralBacktracksToTheHighestFalseLevel) {
  for (int role = 0; role < 2; role++) {
    Insert t(8);
    Solver& s = role == 0 ? (Solver&)t.lower : (Solver&)t.upper;
    for (int v = 0; v < 6; v++) decide(s, mkLit(v, true));
    add(s, {mkLit(1), mkLit(7), mkLit(3)});
    EXPECT_EQ(s.decisionLevel(), 4) << "role " << role;
    EXPECT_EQ(s.value(mkLit(7)), l_True);
    Constraint* stored = role == 0 ? s.constraints.last() : s.learnts.last();
    EXPECT_EQ(s.reason[7], stored);
    EXPECT_EQ(stored->learnt(), role == 1);
    EXPECT_EQ(t.coop.pendingWeights[role], role == 0 ? 1 : 0);
    s.cancelUntil(3);
    decide(s, mkLit(7, true));
    decide(s, mkLit(3, true));
    EXPECT_NE(s.propagate(), nullptr) << "x1, x3, x7 false violates the clause";
  }
}

// All literals false on the upper-bound thread, the two highest implied: the
// analysis backtracks below them, and the stored import must watch the
// literals that become open again, so that it propagates when it is unit.
TEST(AddExtraClause, AnalysedImportWatchesItsHighestLiterals) {
  Insert t(7);
  Solver& s = t.upper;
  vec<Lit> c;
  s.addClause(fill(c, {mkLit(4), mkLit(3, true)}))->isSoft(false);
  s.addClause(fill(c, {mkLit(4), mkLit(6, true)}))->isSoft(false);
  for (Var v : {0, 1, 2, 5, 4}) decide(s, mkLit(v, true));  // ~x4 at level 5 falsifies x3 and x6
  ASSERT_EQ(s.propagate(), nullptr);
  add(s, {mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(6)});
  ASSERT_TRUE(s.okay());
  ASSERT_FALSE(t.coop.analysisFailed);
  // Learnt (x4 x0 x1 x2): back to level 3 with x4 true.
  EXPECT_EQ(s.decisionLevel(), 3);
  EXPECT_EQ(s.value(mkLit(4)), l_True);
  ASSERT_EQ(s.propagate(), nullptr);
  decide(s, mkLit(3, true));
  EXPECT_EQ(s.propagate(), nullptr);
  EXPECT_EQ(s.value(mkLit(6)), l_True) << "imported clause not watched on its open literals";
}

// The same import drained under the clause lock: what the analysis learns is
// not exported back (that would lock the mutex again), and the lock is free after.
TEST(ImportClauses, AnalysedImportIsNotExportedBack) {
  Insert t(7);
  Solver& s = t.upper;
  vec<Lit> c;
  s.addClause(fill(c, {mkLit(4), mkLit(3, true)}))->isSoft(false);
  s.addClause(fill(c, {mkLit(4), mkLit(6, true)}))->isSoft(false);
  for (Var v : {0, 1, 2, 5, 4}) decide(s, mkLit(v, true));
  ASSERT_EQ(s.propagate(), nullptr);
  t.coop.exportClause(&t.lower, fill(c, {mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(6)}), 5);
  t.coop.importClauses(&s);
  EXPECT_EQ(t.coop.nbImported[1], 1);
  EXPECT_EQ(t.coop.nbExported[1], 0);
  EXPECT_EQ(s.decisionLevel(), 3);
  EXPECT_EQ(pthread_mutex_trylock(&t.coop.clauseMutex), 0);
  pthread_mutex_unlock(&t.coop.clauseMutex);
}

// Random imports into running searches of both roles over random binary
// clauses: after each step and complete propagation no clause is false.
TEST(AddExtraClause, RandomImportsNeverLeaveAFalsifiedClauseUnnoticed) {
  for (uint64_t seed = 1; seed <= 200; seed++) {
    Lcg rng(seed);
    const int n = rng.between(6, 15);
    Insert t(n);
    Solver& s = rng.chance(50) ? (Solver&)t.lower : (Solver&)t.upper;
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int k = 0; k < 2 * n; k++) {
      vec<Lit> c;
      Var a = (Var)rng.below(n), b = (Var)rng.below(n);
      if (a != b) s.addClause(fill(c, {mkLit(a, rng.chance(50)), mkLit(b, rng.chance(50))}))->isSoft(false);
    }
    for (int step = 0; step < 80 && s.okay() && !t.coop.analysisFailed; step++) {
      int action = (int)rng.below(10);
      Var v = (Var)rng.below(n);
      if (action < 4) {
        if (s.varValue(v) == l_Undef) decide(s, mkLit(v, rng.chance(50)));
      } else if (action < 5) {
        s.cancelUntil((int)rng.below(s.decisionLevel() + 1));
      } else {
        vec<Lit> c;
        std::vector<bool> used(n, false);
        for (int k = rng.between(1, 6); k > 0; k--, v = (Var)rng.below(n))
          if (!used[v]) {
            used[v] = true;
            c.push(mkLit(v, rng.chance(50)));
          }
        s.addExtraClause(c, false);
      }
      if (!s.okay() || t.coop.analysisFailed) break;
      Constraint* confl;
      while ((confl = s.propagate()) != nullptr && s.decisionLevel() > 0) s.cancelUntil(s.decisionLevel() - 1);
      if (confl != nullptr) break;
      ASSERT_EQ(falsifiedClause(s), "") << "after step " << step;
    }
    EXPECT_FALSE(t.coop.analysisFailed);
  }
}
