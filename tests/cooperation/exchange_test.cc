// Clause exchange between the threads: export into the other threads'
// buffers, the drain on the receiving side, parking, retries and compaction
// of parked clauses; and the receiving solver's side: the parking test and
// the insertion of a clause into a running search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coop_test_util.h"
#include "cooperation/Cooperation.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"

using namespace coop_test;

namespace {

std::vector<Lit> slotLits(const Cooperation& coop, const std::vector<std::vector<int*>>& buffer,
                          const std::vector<std::vector<int>>& sizes, int tid, int slot) {
  return std::vector<Lit>(buffer[tid][slot], buffer[tid][slot] + sizes[tid][slot]);
  (void)coop;
}

std::vector<Lit> importSlot(const Cooperation& coop, int tid, int slot) {
  return slotLits(coop, coop.importLits, coop.importSizes, tid, slot);
}

std::vector<Lit> frozenSlot(const Cooperation& coop, int tid, int slot) {
  return slotLits(coop, coop.frozenLits, coop.frozenSizes, tid, slot);
}

std::vector<Lit> toStd(const vec<Lit>& v) {
  std::vector<Lit> out;
  for (int i = 0; i < v.size(); i++) out.push_back(v[i]);
  return out;
}

std::vector<Lit> constraintLits(const Constraint& c) {
  std::vector<Lit> out;
  for (int i = 0; i < c.size(); i++) out.push_back(c[i]);
  return out;
}

// Solver wired as thread tid with the given role.
template <class S>
void wire(S& s, Cooperation& coop, int tid, int role, int nVars) {
  s.coop = &coop;
  s.tid = tid;
  s.role = role;
  for (int i = 0; i < nVars; i++) s.newVar();
}

// After complete propagation without conflict no attached clause may be
// falsified or (unless onlyFalsified) unit: that is what the watches
// guarantee. Returns what broke.
std::string missedPropagation(Solver& s, bool onlyFalsified = false) {
  std::string err;
  auto check = [&](const vec<Constraint*>& list, const char* what) {
    for (int i = 0; i < list.size(); i++) {
      const Constraint& c = *list[i];
      if (!c.isClause() || c.size() < 2) continue;
      int nFalse = 0, nUndef = 0;
      bool sat = false;
      for (int k = 0; k < c.size(); k++) {
        lbool v = s.value(c[k]);
        if (v == l_True) sat = true;
        else if (v == l_False) nFalse++;
        else nUndef++;
      }
      if (sat) continue;
      if (nUndef == 0) err += std::string(what) + " clause falsified unnoticed; ";
      else if (nUndef == 1 && !onlyFalsified) err += std::string(what) + " clause unit unnoticed; ";
    }
  };
  check(s.constraints, "problem");
  check(s.learnts, "learnt");
  return err;
}

}  // namespace

// ------------------------------------------------------------------ export

TEST(ExportClause, CopiesIntoEveryOtherThreadInOrder) {
  Cooperation coop(3, 16);
  Solver s;
  wire(s, coop, 1, 1, 5);
  vec<Lit> c;
  fill(c, {mkLit(3), mkLit(0, true), mkLit(4)});
  coop.exportClause(&s, c, c.size());
  EXPECT_EQ(coop.nbExported[1], 1);
  EXPECT_EQ(coop.importCount[0], 1);
  EXPECT_EQ(coop.importCount[1], 0);
  EXPECT_EQ(coop.importCount[2], 1);
  const std::vector<Lit> expected = {mkLit(3), mkLit(0, true), mkLit(4)};
  EXPECT_EQ(importSlot(coop, 0, 0), expected);
  EXPECT_EQ(importSlot(coop, 2, 0), expected);
  EXPECT_EQ(coop.importSource[0][0], 1);
  EXPECT_EQ(coop.importSource[2][0], 1);
}

TEST(ExportClause, CountsCallsEvenWhenEveryReceiverIsSkipped) {
  Cooperation coop(2, 16);
  Solver s;
  wire(s, coop, 0, 0, 20);
  vec<Lit> c;
  for (int v = 0; v < 17; v++) c.push(mkLit(v));
  coop.exportClause(&s, c, 17);  // beyond the cutoff 16
  EXPECT_EQ(coop.nbExported[0], 1);
  EXPECT_EQ(coop.importCount[1], 0);
  coop.exportClause(&s, c, 0);  // no cutoff
  EXPECT_EQ(coop.nbExported[0], 2);
  EXPECT_EQ(coop.importCount[1], 1);
  c.pop();
  coop.exportClause(&s, c, 16);  // at the cutoff
  EXPECT_EQ(coop.nbExported[0], 3);
  EXPECT_EQ(coop.importCount[1], 2);
  EXPECT_EQ(coop.exportCutoff[0][1], 16.0f);
  EXPECT_EQ(coop.exportLimit[0], 16);
}

TEST(ExportClause, CutoffIsPerReceiver) {
  Cooperation coop(3, 16);
  coop.exportCutoff[0][1] = 5;
  Solver s;
  wire(s, coop, 0, 0, 10);
  vec<Lit> c;
  for (int v = 0; v < 6; v++) c.push(mkLit(v));
  coop.exportClause(&s, c, 6);
  EXPECT_EQ(coop.importCount[1], 0);
  EXPECT_EQ(coop.importCount[2], 1);
}

TEST(ExportClause, FullBufferDropsForThatReceiverOnly) {
  Cooperation coop(3, 16);
  Solver s;
  wire(s, coop, 0, 0, 4);
  vec<Lit> c;
  fill(c, {mkLit(1), mkLit(2)});
  for (int i = 0; i < 19999; i++) coop.exportClause(&s, c, 2);
  ASSERT_EQ(coop.importCount[1], 19999);
  // Receiver 2 drains, receiver 1 does not.
  Solver r2;
  wire(r2, coop, 2, 0, 4);
  coop.importClauses(&r2);
  EXPECT_EQ(coop.importCount[2], 0);
  fill(c, {mkLit(0), mkLit(3)});
  coop.exportClause(&s, c, 2);  // the 20000th is delivered
  EXPECT_EQ(coop.importCount[1], 20000);
  EXPECT_EQ(importSlot(coop, 1, 19999), (std::vector<Lit>{mkLit(0), mkLit(3)}));
  fill(c, {mkLit(0, true), mkLit(3)});
  coop.exportClause(&s, c, 2);  // dropped for receiver 1, delivered to 2
  EXPECT_EQ(coop.importCount[1], 20000);
  EXPECT_EQ(importSlot(coop, 1, 19999), (std::vector<Lit>{mkLit(0), mkLit(3)}));
  EXPECT_EQ(coop.importCount[2], 2);
  EXPECT_EQ(importSlot(coop, 2, 1), (std::vector<Lit>{mkLit(0, true), mkLit(3)}));
  EXPECT_EQ(coop.nbExported[0], 20001);
}

TEST(ExportClause, NothingAfterATimeOutButBufferedClausesStillArrive) {
  for (int which = 0; which < 2; which++) {
    Cooperation coop(2, 16);
    Solver s0, s1;
    wire(s0, coop, 0, 0, 4);
    wire(s1, coop, 1, 0, 4);
    vec<Lit> c;
    coop.exportClause(&s0, fill(c, {mkLit(0), mkLit(1)}), 2);
    if (which == 0) coop.lbTimeOut = true;
    else coop.ubTimeOut = true;
    coop.exportClause(&s0, fill(c, {mkLit(2), mkLit(3)}), 2);
    coop.exportClause(&s1, fill(c, {mkLit(2), mkLit(3)}), 2);
    EXPECT_EQ(coop.importCount[1], 1);
    EXPECT_EQ(coop.importCount[0], 0);
    EXPECT_EQ(coop.nbExported[0], 1);
    EXPECT_EQ(coop.nbExported[1], 0);
    const int before = s1.nConstraints();
    coop.importClauses(&s1);
    EXPECT_EQ(s1.nConstraints(), before + 1);
    EXPECT_EQ(toStd(fill(c, {})), std::vector<Lit>{});
    EXPECT_EQ(constraintLits(*s1.constraints.last()), (std::vector<Lit>{mkLit(0), mkLit(1)}));
    EXPECT_EQ(coop.nbImported[1], 1);
  }
}

TEST(ExportClause, SingleThreadNeverExportsOrImports) {
  Cooperation coop(1, 16);
  Solver s;
  wire(s, coop, 0, 0, 2);
  vec<Lit> c;
  coop.exportClause(&s, fill(c, {mkLit(0), mkLit(1)}), 2);
  EXPECT_EQ(coop.nbExported[0], 0);
  EXPECT_EQ(coop.importCount[0], 0);
}

// ------------------------------------------------------------------ import

TEST(ImportClauses, DrainsInOrderIntoTheSolver) {
  Cooperation coop(2, 16);
  Solver s0, s1;
  wire(s0, coop, 0, 0, 6);
  wire(s1, coop, 1, 0, 6);
  vec<Lit> c;
  coop.exportClause(&s0, fill(c, {mkLit(0), mkLit(1)}), 2);
  coop.exportClause(&s0, fill(c, {mkLit(2), mkLit(3, true), mkLit(4)}), 3);
  const int before = s1.nConstraints();
  coop.importClauses(&s1);
  EXPECT_EQ(coop.importCount[1], 0);
  EXPECT_EQ(coop.importLits[1][0], nullptr);
  EXPECT_EQ(coop.importLits[1][1], nullptr);
  ASSERT_EQ(s1.nConstraints(), before + 2);
  EXPECT_EQ(constraintLits(*s1.constraints[before]), (std::vector<Lit>{mkLit(0), mkLit(1)}));
  EXPECT_EQ(constraintLits(*s1.constraints[before + 1]),
            (std::vector<Lit>{mkLit(2), mkLit(3, true), mkLit(4)}));
  EXPECT_EQ(s1.constraints[before]->ref(), before);
  EXPECT_EQ(s1.constraints[before + 1]->ref(), before + 1);
  EXPECT_FALSE(s1.constraints[before]->learnt());
  EXPECT_FALSE(s1.constraints[before]->isSoft());
  EXPECT_EQ(coop.nbImported[1], 2);
  EXPECT_EQ(coop.nbImportedLits[1], 5);
  EXPECT_EQ(coop.pendingWeights[1], 2);
  EXPECT_EQ(coop.frozenCount[1], 0);
}

namespace {
// Receiver thread 1 (role 0) with 30 variables of activity 0; with
// decisionActivity 1.0 every unassigned variable counts as inactive.
struct Receiver {
  Cooperation coop{2, 16};
  Solver sender, s;
  Receiver() {
    wire(sender, coop, 0, 0, 30);
    wire(s, coop, 1, 0, 30);
    coop.decisionActivity[1] = 1.0;
  }
  // Exports a clause of the variables first .. first+n-1.
  void send(int first, int n) {
    vec<Lit> c;
    for (int v = first; v < first + n; v++) c.push(mkLit(v, v % 2 == 1));
    coop.exportClause(&sender, c, 0);
  }
  std::vector<Lit> clause(int first, int n) {
    std::vector<Lit> c;
    for (int v = first; v < first + n; v++) c.push_back(mkLit(v, v % 2 == 1));
    return c;
  }
  void activate(int first, int n) {
    for (int v = first; v < first + n; v++) s.activity[v] = 1.0;
  }
};
}  // namespace

TEST(ImportClauses, InactiveLongClauseIsParked) {
  Receiver r;
  r.send(0, 6);
  r.send(10, 5);  // five unassigned literals: added
  const int before = r.s.nConstraints();
  r.coop.importClauses(&r.s);
  EXPECT_EQ(r.coop.frozenCount[1], 1);
  EXPECT_EQ(frozenSlot(r.coop, 1, 0), r.clause(0, 6));
  EXPECT_EQ(r.coop.frozenAge[1][0], 0);
  EXPECT_EQ(r.s.nConstraints(), before + 1);
  EXPECT_EQ(constraintLits(*r.s.constraints.last()), r.clause(10, 5));
  EXPECT_EQ(r.coop.nbImported[1], 1);
  EXPECT_EQ(r.coop.nbImportedLits[1], 5);
  EXPECT_EQ(r.coop.pendingWeights[1], 1);
}

TEST(ImportClauses, FullFrozenBufferDropsTheClause) {
  Receiver r;
  r.coop.frozenCount[1] = Cooperation::frozenCapacity;
  r.send(0, 6);
  const int before = r.s.nConstraints();
  r.coop.importClauses(&r.s);
  EXPECT_EQ(r.coop.frozenCount[1], +Cooperation::frozenCapacity);
  EXPECT_EQ(r.s.nConstraints(), before);
  EXPECT_EQ(r.coop.nbImported[1], 0);
  EXPECT_EQ(r.coop.importCount[1], 0);
  r.coop.frozenCount[1] = 0;
}

TEST(ImportClauses, NoParkingBelowTypeLearningFour) {
  Receiver r;
  r.coop.typeLearning = 3;
  r.send(0, 6);
  r.coop.importClauses(&r.s);
  EXPECT_EQ(r.coop.frozenCount[1], 0);
  EXPECT_EQ(r.coop.nbImported[1], 1);
}

TEST(FrozenClauses, SevenFailedRetriesUseTheSlotUp) {
  Receiver r;
  r.send(0, 6);
  r.coop.importClauses(&r.s);
  ASSERT_EQ(r.coop.frozenCount[1], 1);
  for (int retry = 1; retry <= 6; retry++) {
    r.coop.importFrozenClauses(&r.s);
    EXPECT_EQ(r.coop.frozenAge[1][0], retry);
    EXPECT_EQ(r.coop.frozenDead[1], 0);
  }
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.coop.frozenAge[1][0], -1);
  EXPECT_EQ(r.coop.frozenDead[1], 1);
  // A used-up clause is not tried again, even when it would now be added.
  r.activate(0, 6);
  const int before = r.s.nConstraints();
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.s.nConstraints(), before);
  EXPECT_EQ(r.coop.frozenDead[1], 1);
  EXPECT_EQ(r.coop.nbImported[1], 0);
  r.coop.cleanFrozen(&r.s);
  EXPECT_EQ(r.coop.frozenCount[1], 0);
  EXPECT_EQ(r.coop.frozenDead[1], 0);
  EXPECT_EQ(r.coop.frozenLits[1][0], nullptr);
}

TEST(FrozenClauses, PassingOnTheThirdRetryAddsTheClause) {
  Receiver r;
  r.send(0, 6);
  r.coop.importClauses(&r.s);
  r.coop.importFrozenClauses(&r.s);
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.coop.frozenAge[1][0], 2);
  r.activate(0, 1);  // nUndef - nActive = 5: no longer parked
  const int before = r.s.nConstraints();
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.coop.frozenAge[1][0], -1);
  EXPECT_EQ(r.coop.frozenDead[1], 1);
  ASSERT_EQ(r.s.nConstraints(), before + 1);
  EXPECT_EQ(constraintLits(*r.s.constraints.last()), r.clause(0, 6));
  EXPECT_EQ(r.coop.nbImported[1], 1);
  EXPECT_EQ(r.coop.nbImportedLits[1], 6);
  EXPECT_EQ(r.coop.pendingWeights[1], 1);
  // Added once only.
  r.coop.importFrozenClauses(&r.s);
  EXPECT_EQ(r.s.nConstraints(), before + 1);
}

TEST(FrozenClauses, CompactionKeepsTheOrderOfKeptClauses) {
  Receiver p;
  p.send(0, 6);    // slot 0
  p.send(6, 6);    // slot 1
  p.send(12, 6);   // slot 2 (kept)
  p.send(18, 6);   // slot 3
  p.send(24, 6);   // slot 4
  p.send(11, 6);   // slot 5 (kept): variables 11..16, with 12..16 inactive
  p.coop.importClauses(&p.s);
  ASSERT_EQ(p.coop.frozenCount[1], 6);
  p.activate(0, 11);
  p.activate(18, 12);
  p.coop.importFrozenClauses(&p.s);
  EXPECT_EQ(p.coop.frozenAge[1][0], -1);
  EXPECT_EQ(p.coop.frozenAge[1][1], -1);
  EXPECT_EQ(p.coop.frozenAge[1][2], 1);
  EXPECT_EQ(p.coop.frozenAge[1][3], -1);
  EXPECT_EQ(p.coop.frozenAge[1][4], -1);
  EXPECT_EQ(p.coop.frozenAge[1][5], 1);
  EXPECT_EQ(p.coop.frozenDead[1], 4);
  p.coop.cleanFrozen(&p.s);
  EXPECT_EQ(p.coop.frozenCount[1], 2);
  EXPECT_EQ(p.coop.frozenDead[1], 0);
  EXPECT_EQ(frozenSlot(p.coop, 1, 0), p.clause(12, 6));
  EXPECT_EQ(frozenSlot(p.coop, 1, 1), p.clause(11, 6));
  EXPECT_EQ(p.coop.frozenAge[1][0], 1);
  EXPECT_EQ(p.coop.frozenAge[1][1], 1);
  for (int k = 2; k < 6; k++) {
    EXPECT_EQ(p.coop.frozenLits[1][k], nullptr) << k;
    EXPECT_EQ(p.coop.frozenSizes[1][k], 0) << k;
    EXPECT_EQ(p.coop.frozenAge[1][k], 0) << k;
  }
  // The kept clauses still retry and park as before.
  p.coop.importFrozenClauses(&p.s);
  EXPECT_EQ(p.coop.frozenAge[1][0], 2);
  EXPECT_EQ(p.coop.frozenAge[1][1], 2);
  // New parked clauses go after the kept ones.
  p.send(12, 6);
  p.coop.importClauses(&p.s);
  EXPECT_EQ(p.coop.frozenCount[1], 3);
  EXPECT_EQ(frozenSlot(p.coop, 1, 2), p.clause(12, 6));
}

// ------------------------------------------------------------- checkFrozen

namespace {
struct Frozen {
  Cooperation coop{2, 16};
  Solver s;
  explicit Frozen(int nVars) {
    wire(s, coop, 1, 1, nVars);
    coop.decisionActivity[1] = 2.0;  // threshold 1.0
  }
  bool parked(std::initializer_list<Lit> lits) {
    vec<Lit> c;
    return s.checkFrozen(fill(c, lits));
  }
};
}  // namespace

TEST(CheckFrozen, TwoLiteralClauseIsNeverParked) {
  Frozen f(50);
  for (int lvl = 0; lvl < 40; lvl++) decide(f.s, mkLit(10 + lvl, true));
  EXPECT_FALSE(f.parked({mkLit(0), mkLit(1)}));
  EXPECT_FALSE(f.parked({mkLit(10), mkLit(1)}));  // x10 false at level 1
  EXPECT_FALSE(f.parked({mkLit(10, true), mkLit(1)}));  // true 39 levels down
  EXPECT_FALSE(f.parked({mkLit(10), mkLit(11)}));
}

TEST(CheckFrozen, TrueLiteralFarBelowParksEvenActiveClauses) {
  Frozen f(50);
  for (int v = 0; v < 50; v++) f.s.activity[v] = 5.0;
  for (int lvl = 0; lvl < 40; lvl++) decide(f.s, mkLit(10 + lvl, true));  // x(9+L) false at level L
  ASSERT_EQ(f.s.decisionLevel(), 40);
  // ~x17 true at level 8: 32 levels below.
  EXPECT_TRUE(f.parked({mkLit(17, true), mkLit(0), mkLit(1)}));
  // ~x18 true at level 9: 31 levels below, not enough; few unassigned.
  EXPECT_FALSE(f.parked({mkLit(18, true), mkLit(0), mkLit(1)}));
  // The lowest true literal decides.
  EXPECT_TRUE(f.parked({mkLit(30, true), mkLit(17, true), mkLit(0)}));
}

TEST(CheckFrozen, AllFalseIsNeverParked) {
  Frozen f(50);
  for (int lvl = 0; lvl < 40; lvl++) decide(f.s, mkLit(10 + lvl, true));
  EXPECT_FALSE(f.parked({mkLit(10), mkLit(11), mkLit(12), mkLit(13), mkLit(14), mkLit(15), mkLit(16)}));
  EXPECT_FALSE(f.parked({mkLit(10), mkLit(49), mkLit(30)}));
}

TEST(CheckFrozen, ManyInactiveUnassignedLiteralsPark) {
  Frozen f(20);
  // Six unassigned inactive literals: parked; five: not.
  EXPECT_TRUE(f.parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5)}));
  EXPECT_FALSE(f.parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4)}));
  // Activity at exactly half the decision activity counts as active.
  f.s.activity[0] = 1.0;
  EXPECT_FALSE(f.parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5)}));
  EXPECT_TRUE(f.parked({mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5), mkLit(6)}));
  f.s.activity[1] = 0.999;
  EXPECT_TRUE(f.parked({mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5), mkLit(6)}));
  // Assigned literals of the clause do not count among the unassigned.
  decide(f.s, mkLit(7, true));
  EXPECT_FALSE(f.parked({mkLit(7), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5)}));
  EXPECT_TRUE(f.parked({mkLit(7), mkLit(1), mkLit(2), mkLit(3), mkLit(4), mkLit(5), mkLit(6)}));
}

// ------------------------------------------------------------ addExtraClause

namespace {
struct Insert {
  Cooperation coop{2, 16};
  Solver lower;     // thread 0, role 0
  PBOSolver upper;  // thread 1, role 1
  explicit Insert(int nVars) {
    coop.nbLB = 1;
    coop.nbUB = 1;
    wire(lower, coop, 0, 0, nVars);
    wire(upper, coop, 1, 1, nVars);
  }
};
void add(Solver& s, std::initializer_list<Lit> lits) {
  vec<Lit> c;
  s.addExtraClause(fill(c, lits), false);
}
}  // namespace

TEST(AddExtraClause, FalseClauseIsDroppedOnTheLowerBoundSolver) {
  Insert t(6);
  for (int v = 0; v < 4; v++) decide(t.lower, mkLit(v, true));
  const int constraints = t.lower.nConstraints(), trail = t.lower.nAssigns();
  add(t.lower, {mkLit(0), mkLit(2), mkLit(3)});
  EXPECT_EQ(t.lower.nConstraints(), constraints);
  EXPECT_EQ(t.lower.nLearnts(), 0);
  EXPECT_EQ(t.lower.nAssigns(), trail);
  EXPECT_EQ(t.lower.decisionLevel(), 4);
  EXPECT_EQ(t.coop.pendingWeights[0], 0);
  EXPECT_TRUE(t.lower.okay());
}

TEST(AddExtraClause, FalseClauseIsAnalysedOnTheUpperBoundSolver) {
  Insert t(6);
  for (int v = 0; v < 4; v++) decide(t.upper, mkLit(v, true));  // x_v false at level v+1
  add(t.upper, {mkLit(0), mkLit(2), mkLit(3)});
  EXPECT_FALSE(t.coop.analysisFailed);
  EXPECT_TRUE(t.upper.okay());
  // Stored as a learnt clause; the conflict at level 4 makes x3 true at level 3.
  ASSERT_GE(t.upper.nLearnts(), 1);
  EXPECT_EQ(constraintLits(*t.upper.learnts[0]).size(), 3u);
  EXPECT_TRUE(t.upper.learnts[0]->learnt());
  EXPECT_EQ(t.upper.decisionLevel(), 3);
  EXPECT_EQ(t.upper.value(mkLit(3)), l_True);
  EXPECT_EQ(t.upper.level[3], 3);
  EXPECT_EQ(t.upper.value(mkLit(1)), l_False);  // untouched decision at level 2
  EXPECT_EQ(t.coop.pendingWeights[1], 0);
  EXPECT_EQ(t.upper.propagate(), nullptr);
  EXPECT_EQ(missedPropagation(t.upper), "");
}

TEST(AddExtraClause, FalseAtLevelZeroMakesTheUpperBoundSolverInconsistent) {
  Insert t(4);
  vec<Lit> c;
  t.upper.addClause(fill(c, {mkLit(0, true)}))->isSoft(false);
  t.upper.addClause(fill(c, {mkLit(1, true)}))->isSoft(false);
  decide(t.upper, mkLit(2, true));
  decide(t.upper, mkLit(3, true));
  add(t.upper, {mkLit(0), mkLit(1)});
  EXPECT_FALSE(t.upper.okay());
  EXPECT_FALSE(t.coop.analysisFailed);
  EXPECT_FALSE(t.coop.ubTimeOut);
  EXPECT_EQ(t.upper.decisionLevel(), 0);
}

// Level-0 literals of an upper-bound solver often have no reason (unstored
// unit learnts, imported units): still no analysis, just inconsistency.
TEST(AddExtraClause, FalseAtLevelZeroWithoutReasonsMakesItInconsistent) {
  Insert t(4);
  add(t.upper, {mkLit(0, true)});  // imported units: level 0, no reason
  add(t.upper, {mkLit(1, true)});
  add(t.upper, {mkLit(2, true)});
  ASSERT_EQ(t.upper.value(mkLit(0)), l_False);
  decide(t.upper, mkLit(3, true));
  add(t.upper, {mkLit(0), mkLit(1), mkLit(2)});
  EXPECT_FALSE(t.upper.okay());
  EXPECT_FALSE(t.coop.analysisFailed);
}

TEST(AddExtraClause, UnitClausesOnTheLowerBoundSolver) {
  Insert t(5);
  vec<Lit> c;
  t.lower.addClause(fill(c, {mkLit(4, true), mkLit(3)}))->isSoft(false);
  for (int v = 0; v < 3; v++) decide(t.lower, mkLit(v, true));
  const int before = t.lower.nConstraints();
  add(t.lower, {mkLit(4)});  // unassigned: assigned at level 0 and propagated
  EXPECT_EQ(t.lower.decisionLevel(), 0);
  EXPECT_EQ(t.lower.value(mkLit(4)), l_True);
  EXPECT_EQ(t.lower.level[4], 0);
  EXPECT_EQ(t.lower.value(mkLit(3)), l_True);
  ASSERT_EQ(t.lower.nConstraints(), before + 1);
  EXPECT_EQ(t.lower.reason[4], t.lower.constraints.last());
  EXPECT_EQ(t.lower.constraints.last()->ref(), before);
  EXPECT_EQ(t.coop.pendingWeights[0], 1);
  add(t.lower, {mkLit(4)});  // already true: still stored and counted
  EXPECT_EQ(t.lower.nConstraints(), before + 2);
  EXPECT_EQ(t.coop.pendingWeights[0], 2);
  EXPECT_TRUE(t.lower.okay());
  add(t.lower, {mkLit(3, true)});  // false at level 0
  EXPECT_FALSE(t.lower.okay());
  EXPECT_EQ(t.lower.nConstraints(), before + 3);
  EXPECT_EQ(t.coop.pendingWeights[0], 3);
}

TEST(AddExtraClause, UnitConflictByPropagationOnTheLowerBoundSolver) {
  Insert t(3);
  vec<Lit> c;
  t.lower.addClause(fill(c, {mkLit(0, true), mkLit(1)}))->isSoft(false);
  t.lower.addClause(fill(c, {mkLit(0, true), mkLit(1, true)}))->isSoft(false);
  add(t.lower, {mkLit(0)});
  EXPECT_FALSE(t.lower.okay());
  EXPECT_EQ(t.coop.pendingWeights[0], 1);
}

TEST(AddExtraClause, UnitClausesOnTheUpperBoundSolver) {
  Insert t(5);
  for (int v = 0; v < 3; v++) decide(t.upper, mkLit(v, true));
  const int constraints = t.upper.nConstraints();
  add(t.upper, {mkLit(4)});
  EXPECT_EQ(t.upper.decisionLevel(), 0);
  EXPECT_EQ(t.upper.value(mkLit(4)), l_True);
  EXPECT_EQ(t.upper.level[4], 0);
  EXPECT_EQ(t.upper.reason[4], nullptr);
  EXPECT_EQ(t.upper.nConstraints(), constraints);
  EXPECT_EQ(t.upper.nLearnts(), 0);
  add(t.upper, {mkLit(4, true)});  // false at level 0: left unchanged
  EXPECT_EQ(t.upper.value(mkLit(4)), l_True);
  EXPECT_EQ(t.upper.nLearnts(), 0);
  EXPECT_EQ(t.coop.pendingWeights[1], 0);
}

// One unassigned literal, the others false at levels 2 and 4, current level
// 6: back to level 4 and the literal assigned there by the new clause.
TEST(AddExtraClause, OneOpenLiteralBacktracksToTheHighestFalseLevel) {
  for (int role = 0; role < 2; role++) {
    Insert t(8);
    Solver& s = role == 0 ? (Solver&)t.lower : (Solver&)t.upper;
    for (int v = 0; v < 6; v++) decide(s, mkLit(v, true));  // x_v false at level v+1
    const int constraints = s.nConstraints();
    add(s, {mkLit(1), mkLit(7), mkLit(3)});
    EXPECT_EQ(s.decisionLevel(), 4) << "role " << role;
    EXPECT_EQ(s.value(mkLit(7)), l_True);
    EXPECT_EQ(s.level[7], 4);
    Constraint* stored = role == 0 ? s.constraints.last() : s.learnts.last();
    EXPECT_EQ(s.reason[7], stored);
    EXPECT_EQ((*stored)[0], mkLit(7));
    if (role == 0) {
      EXPECT_EQ(s.nConstraints(), constraints + 1);
      EXPECT_FALSE(stored->learnt());
      EXPECT_EQ(t.coop.pendingWeights[0], 1);
    } else {
      EXPECT_EQ(s.nConstraints(), constraints);
      EXPECT_TRUE(stored->learnt());
      EXPECT_EQ(t.coop.pendingWeights[1], 0);
    }
    // Backtracking further keeps the clause watched correctly.
    s.cancelUntil(3);
    EXPECT_EQ(s.value(mkLit(7)), l_Undef);
    decide(s, mkLit(7, true));
    decide(s, mkLit(3, true));
    EXPECT_NE(s.propagate(), nullptr) << "x1, x3, x7 false violates the clause";
  }
}

TEST(AddExtraClause, TrueLiteralAboveTheFalseOnesIsMovedDown) {
  Insert t(8);
  Solver& s = t.upper;
  for (int v = 0; v < 6; v++) decide(s, mkLit(v, true));
  // x5 is false at level 6: ~x5 true there, above x1 (level 2) and x2 (level 3).
  add(s, {mkLit(1), mkLit(5, true), mkLit(2)});
  EXPECT_EQ(s.decisionLevel(), 3);
  EXPECT_EQ(s.value(mkLit(5, true)), l_True);
  EXPECT_EQ(s.level[5], 3);
  EXPECT_EQ(s.reason[5], s.learnts.last());
}

TEST(AddExtraClause, TrueLiteralBelowTheFalseOnesStaysPut) {
  Insert t(8);
  Solver& s = t.lower;
  for (int v = 0; v < 6; v++) decide(s, mkLit(v, true));
  const int trail = s.nAssigns();
  add(s, {mkLit(4), mkLit(0, true), mkLit(3)});  // ~x0 true at level 1
  EXPECT_EQ(s.decisionLevel(), 6);
  EXPECT_EQ(s.nAssigns(), trail);
  EXPECT_EQ(t.coop.pendingWeights[0], 1);
}

TEST(AddExtraClause, TwoOpenLiteralsStoreWithoutBacktracking) {
  Insert t(8);
  for (int v = 0; v < 4; v++) {
    decide(t.lower, mkLit(v, true));
    decide(t.upper, mkLit(v, true));
  }
  add(t.lower, {mkLit(0), mkLit(6), mkLit(1), mkLit(7)});
  add(t.upper, {mkLit(0), mkLit(6), mkLit(1), mkLit(7)});
  EXPECT_EQ(t.lower.decisionLevel(), 4);
  EXPECT_EQ(t.upper.decisionLevel(), 4);
  EXPECT_EQ(t.coop.pendingWeights[0], 1);
  EXPECT_EQ(t.coop.pendingWeights[1], 0);
  EXPECT_EQ(t.upper.nLearnts(), 1);
  // The two open literals are the watched ones.
  std::vector<Lit> lw = constraintLits(*t.lower.constraints.last());
  EXPECT_EQ((std::vector<Lit>(lw.begin(), lw.begin() + 2)), (std::vector<Lit>{mkLit(6), mkLit(7)}));
  decide(t.lower, mkLit(6, true));
  EXPECT_EQ(t.lower.propagate(), nullptr);
  EXPECT_EQ(t.lower.value(mkLit(7)), l_True);
}

// All literals false at different levels on the upper-bound solver: after
// the analysis and every later backtrack, the stored clause must still be
// watched so that it propagates when it becomes unit.
TEST(AddExtraClause, AnalysedClauseStaysCorrectlyWatched) {
  Insert t(8);
  Solver& s = t.upper;
  for (int v = 0; v < 5; v++) decide(s, mkLit(v, true));  // x_v false at level v+1
  add(s, {mkLit(0), mkLit(1), mkLit(4)});  // levels 1, 2, 5
  ASSERT_TRUE(s.okay());
  ASSERT_FALSE(t.coop.analysisFailed);
  EXPECT_EQ(s.propagate(), nullptr);
  EXPECT_EQ(missedPropagation(s), "");
  // Back to level 1 and falsify x4 first, then x1 is the only open literal left.
  s.cancelUntil(1);
  decide(s, mkLit(4, true));
  EXPECT_EQ(s.propagate(), nullptr);
  EXPECT_EQ(missedPropagation(s), "") << "the imported clause (x0 x1 x4) is unit on x1";
}

// All literals false on the upper-bound solver, the two highest implied: the
// analysis learns a different clause and backtracks below them. The stored
// import must be watched on the literals that become unassigned, so that it
// propagates when it becomes unit again.
TEST(AddExtraClause, AnalysedImportWatchesItsHighestLiterals) {
  Insert t(7);
  Solver& s = t.upper;
  vec<Lit> c;
  s.addClause(fill(c, {mkLit(4), mkLit(3, true)}))->isSoft(false);  // x4 or ~x3
  s.addClause(fill(c, {mkLit(4), mkLit(6, true)}))->isSoft(false);  // x4 or ~x6
  decide(s, mkLit(0, true));  // level 1
  decide(s, mkLit(1, true));  // level 2
  decide(s, mkLit(2, true));  // level 3
  decide(s, mkLit(5, true));  // level 4
  decide(s, mkLit(4, true));  // level 5: x3 and x6 false by propagation
  ASSERT_EQ(s.propagate(), nullptr);
  ASSERT_EQ(s.value(mkLit(3)), l_False);
  ASSERT_EQ(s.value(mkLit(6)), l_False);
  add(s, {mkLit(0), mkLit(1), mkLit(2), mkLit(3), mkLit(6)});
  ASSERT_TRUE(s.okay());
  ASSERT_FALSE(t.coop.analysisFailed);
  // Learnt (x4 x0 x1 x2): back to level 3 with x4 true; x3 and x6 open again.
  EXPECT_EQ(s.decisionLevel(), 3);
  EXPECT_EQ(s.value(mkLit(4)), l_True);
  ASSERT_EQ(s.value(mkLit(3)), l_Undef);
  ASSERT_EQ(s.value(mkLit(6)), l_Undef);
  ASSERT_EQ(s.propagate(), nullptr);
  // Falsifying x3 makes the imported clause (x0 x1 x2 x3 x6) unit: x6 true.
  decide(s, mkLit(3, true));
  EXPECT_EQ(s.propagate(), nullptr);
  EXPECT_EQ(s.value(mkLit(6)), l_True) << "imported clause not watched on its open literals";
  EXPECT_EQ(missedPropagation(s, true), "");
}

// A false clause drained into the upper-bound solver is analysed while the
// drain holds the clause lock: what the analysis learns is not offered back
// (that would lock the same mutex again), and nothing reaches the other side.
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
  EXPECT_EQ(t.coop.importCount[0], 0);
  EXPECT_EQ(s.decisionLevel(), 3);
  EXPECT_EQ(s.value(mkLit(4)), l_True);
  // The lock was released.
  EXPECT_EQ(pthread_mutex_trylock(&t.coop.clauseMutex), 0);
  pthread_mutex_unlock(&t.coop.clauseMutex);
}

// Random imports into running searches of both roles, over random binary
// problem clauses (so that literals are implied); after each import and after
// random backtracking, complete propagation leaves no clause falsified. (An
// import analysed as a conflict may leave itself unit after the backtrack,
// so only falsified clauses are looked for.)
TEST(AddExtraClause, RandomImportsNeverLeaveAFalsifiedClauseUnnoticed) {
  for (uint64_t seed = 1; seed <= 400; seed++) {
    Lcg rng(seed);
    const int n = 6 + (int)rng.below(10);
    Insert t(n);
    Solver& s = rng.chance(50) ? (Solver&)t.lower : (Solver&)t.upper;
    SCOPED_TRACE("seed " + std::to_string(seed) + " role " + std::to_string(s.role));
    for (int k = 0; k < 2 * n; k++) {
      vec<Lit> c;
      Var a = (Var)rng.below((uint32_t)n), b = (Var)rng.below((uint32_t)n);
      if (a == b) continue;
      s.addClause(fill(c, {mkLit(a, rng.chance(50)), mkLit(b, rng.chance(50))}))->isSoft(false);
    }
    if (!s.okay()) continue;
    for (int step = 0; step < 80 && s.okay() && !t.coop.analysisFailed; step++) {
      int action = (int)rng.below(10);
      if (action < 4) {
        // Decide an open variable.
        Var v = (Var)rng.below((uint32_t)n);
        if (s.varValue(v) != l_Undef) continue;
        decide(s, mkLit(v, rng.chance(50)));
      } else if (action < 5) {
        s.cancelUntil((int)rng.below((uint32_t)s.decisionLevel() + 1));
      } else {
        vec<Lit> c;
        int size = 1 + (int)rng.below(6);
        for (int k = 0; k < size; k++) {
          Var v = (Var)rng.below((uint32_t)n);
          bool dup = false;
          for (int j = 0; j < c.size(); j++) dup = dup || var(c[j]) == v;
          if (!dup) c.push(mkLit(v, rng.chance(50)));
        }
        s.addExtraClause(c, false);
      }
      if (!s.okay() || t.coop.analysisFailed) break;
      // Propagate to a fixpoint, resolving conflicts by backtracking one level.
      Constraint* confl;
      while ((confl = s.propagate()) != nullptr && s.decisionLevel() > 0) s.cancelUntil(s.decisionLevel() - 1);
      if (confl != nullptr) break;  // conflict at level 0
      ASSERT_EQ(missedPropagation(s, true), "") << "after step " << step;
    }
    EXPECT_FALSE(t.coop.analysisFailed);
  }
}
