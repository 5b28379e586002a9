// Clause exchange: export into the other threads' buffers, parking, retries
// and compaction of parked clauses, and the insertion of an imported clause
// into a running search.
#include <gtest/gtest.h>

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
  s.attach(&coop, tid, (Role)role, 0);
  for (int i = 0; i < nVars; i++) s.newVar();
}

}  // namespace

// Receiver 2 has a cutoff of 2 literals and drains its buffer; receiver 1's
// buffer fills at 20000 and drops what comes after, for itself only.
TEST(ExportClause, CutoffAndFullBufferPerReceiver) {
  Cooperation coop(3, 16);
  coop.exportCutoff[0][2] = 2;
  Solver s, r2;
  wire(s, coop, 0, 0, 4);
  wire(r2, coop, 2, 0, 4);
  vec<Lit> c;
  coop.exportClause(&s, fill(c, {mkLit(3), mkLit(0, true), mkLit(1)}), 3);
  EXPECT_EQ(coop.importCount[2], 0) << "beyond receiver 2's cutoff";
  EXPECT_EQ(slot(coop.importLits, coop.importSizes, 1, 0), (std::vector<Lit>{mkLit(3), mkLit(0, true), mkLit(1)}));
  EXPECT_EQ(coop.importSource[1][0], 0);
  fill(c, {mkLit(1), mkLit(2)});
  for (int i = 1; i < 20000; i++) coop.exportClause(&s, c, 2);
  coop.importClauses(&r2);
  ASSERT_EQ(coop.importCount[1], 20000);
  coop.exportClause(&s, fill(c, {mkLit(0, true), mkLit(3)}), 2);
  EXPECT_EQ(coop.importCount[1], 20000);
  EXPECT_EQ(slot(coop.importLits, coop.importSizes, 1, 19999), (std::vector<Lit>{mkLit(1), mkLit(2)}));
  ASSERT_EQ(coop.importCount[2], 1);
  EXPECT_EQ(slot(coop.importLits, coop.importSizes, 2, 0), (std::vector<Lit>{mkLit(0, true), mkLit(3)}));
  EXPECT_EQ(coop.nbExported[0], 20001);
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

// Six inactive literals park a clause (five do not); seven failed retries
// use its slot up for good and compaction drops it. Clauses that pass their
// retry are added once; the kept ones keep their order and age through
// compaction, and new ones go after them.
TEST(FrozenClauses, RetriesAndCompactionOrder) {
  Receiver r;
  r.send(0, 6);
  r.send(10, 5);
  const int before = r.s.nConstraints();
  r.coop.importClauses(&r.s);
  EXPECT_EQ(r.s.nConstraints(), before + 1);
  ASSERT_EQ(r.coop.frozenCount[1], 1);
  EXPECT_EQ(r.frozen(0), r.clause(0, 6));
  for (int retry = 1; retry <= 7; retry++) {
    r.coop.importFrozenClauses(&r.s);
    EXPECT_EQ(r.coop.frozenAge[1][0], retry < 7 ? retry : -1);
  }
  EXPECT_EQ(r.coop.frozenDead[1], 1);
  r.activate(0, 6);
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.s.nConstraints(), before + 1);
  r.coop.cleanFrozen(&r.s);
  EXPECT_EQ(r.coop.frozenCount[1], 0);
  EXPECT_EQ(r.coop.frozenDead[1], 0);

  Receiver p;
  for (int first : {0, 6, 12, 18, 24, 11}) p.send(first, 6);  // slots 2 and 5 stay inactive
  p.coop.importClauses(&p.s);
  ASSERT_EQ(p.coop.frozenCount[1], 6);
  p.activate(0, 11);
  p.activate(18, 12);
  const int added = p.s.nConstraints();
  p.coop.importFrozenClauses(&p.s);
  EXPECT_EQ(p.s.nConstraints(), added + 4);
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
  s.activity[0] = 1.0;  // active
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

// An import all false on the upper-bound thread, its two highest literals
// implied, drained under the clause lock: the analysis learns (x4 x0 x1 x2)
// and backtracks to level 3; nothing is exported back (that would lock the
// mutex again) and the stored import watches the literals open again.
TEST(ImportClauses, AnalysedImportWatchesItsHighestLiteralsAndIsNotExportedBack) {
  Insert t(7);
  Solver& s = t.upper;
  vec<Lit> c;
  s.addClause(fill(c, {mkLit(4), mkLit(3, true)}))->isSoft(false);
  s.addClause(fill(c, {mkLit(4), mkLit(6, true)}))->isSoft(false);
  for (Var v : {0, 1, 2, 5, 4}) decide(s, mkLit(v, true));  // ~x4 at level 5 falsifies x3 and x6
  ASSERT_EQ(s.propagate(), nullptr);
  t.coop.exportClause(&t.lower, fill(c, {mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(6)}), 5);
  t.coop.importClauses(&s);
  ASSERT_TRUE(s.okay());
  ASSERT_FALSE(t.coop.analysisFailed);
  EXPECT_EQ(t.coop.nbImported[1], 1);
  EXPECT_EQ(t.coop.nbExported[1], 0);
  EXPECT_EQ(pthread_mutex_trylock(&t.coop.clauseMutex), 0);
  pthread_mutex_unlock(&t.coop.clauseMutex);
  EXPECT_EQ(s.decisionLevel(), 3);
  EXPECT_EQ(s.value(mkLit(4)), l_True);
  ASSERT_EQ(s.propagate(), nullptr);
  decide(s, mkLit(3, true));
  EXPECT_EQ(s.propagate(), nullptr);
  EXPECT_EQ(s.value(mkLit(6)), l_True) << "imported clause not watched on its open literals";
}
