// The conflict-driven clause-learning engine over clauses and counter-based
// pseudo-Boolean constraints.
//
// One record, methods split by activity: the store (Store.cc), propagation
// and backtracking (Propagate.cc), conflict analysis (Analyze.cc), learnt
// database reduction (Reduce.cc), the search and restart loops (Search.cc),
// clause import (Import.cc) and the dependency trace behind unsatisfiable
// cores (Core.cc). Fields are public: the driver and the cooperation object
// read and set them directly.
#pragma once

#include <cstdint>

#include "solver/Constraint.h"
#include "solver/Kinds.h"
#include "solver/ProofTrace.h"
#include "solver/SolverTypes.h"
#include "solver/VarHeap.h"
#include "solver/WatchList.h"
#include "solver/Vec.h"

// Where a restart loop stands: the budgets of the next search and the
// position in the inner/outer sequence (100, 150; 100, 150, 225; ...).
struct RestartSchedule {
  double maxConflicts;
  double maxLearnts;
  int inner = 1;
  int outer = 2;
};

// The object shared by the search threads (cooperation/Cooperation.h).
class Cooperation;

typedef WatchList<Constraint*> ClauseWatches;

struct watchPB_t {
  Constraint* c;
  int index;
};

class Solver {
 public:
  Solver();
  virtual ~Solver();
  Solver(const Solver&) = delete;
  Solver& operator=(const Solver&) = delete;

  // ---- Interface used by the drivers (virtual: the upper-bound solver overrides some).
  virtual Var newVar(bool polarity = true, bool dvar = true);
  // Room for n variables in every per-variable and per-literal table, so that
  // a known count is stored without the slack of growth.
  void reserveVars(int n);
  // count variables made as newVar(true, true) makes them, in one step per
  // table instead of one per variable: a header may declare millions.
  void newVars(int count);
  // Frees what only a search uses (watch lists, reasons and levels, the
  // decision order, the analysis scratch). What is left answers value() and holds the
  // constraints: enough to be copied from, which is all a solver about to be
  // replaced is still used for. No search may run on it afterwards.
  void releaseSearchTables();
  virtual Constraint* addClause(vec<Lit>& ps);
  virtual Constraint* addPBConstraint(vec<Lit>& lits, vec<unsigned>& coeffs, int64_t rhs);
  virtual bool simplify();
  virtual bool okay() const { return ok; }
  virtual void addLearntClause(vec<Lit>& ps);
  virtual void removeLearntClauses(unsigned bound);
  virtual void objCoeff(Lit p, Cost w);
  virtual Cost objCoeff(Lit) { return 0; }
  virtual Constraint* addClause2(vec<Lit>& ps);
  virtual Constraint* addClause3(vec<Lit>& ps);

  int nVars() const { return assignment.size(); }
  int nAssigns() const { return trail.size(); }
  int nConstraints() const { return constraints.size(); }
  int nLearnts() const { return learnts.size(); }
  int decisionLevel() const { return levelStarts.size(); }

  lbool varValue(Var x) const { return assignment[x]; }
  lbool value(Lit p) const { return literalValue[p]; }

  // ---- Store.
  void attachClause(Constraint& c);
  void detachClause(Constraint& c);
  void attachPB(Constraint& c);
  void addPBWatch(Constraint& c, int i);
  void removeClause(Constraint& c);
  bool satisfied(const Constraint& c) const;

  // ---- Propagation and backtracking.
  // Inline: the propagation walks call it once per implied literal.
  void uncheckedEnqueue(Lit p, Constraint* from) {
    assert(value(p) == l_Undef);
    Var x = var(p);
    assignment[x] = sign(p) ? l_False : l_True;
    literalValue[p] = l_True;
    literalValue[neg(p)] = l_False;
    level[x] = decisionLevel();
    reason[x] = from;
    trail.push(p);
  }
  Constraint* propagate();
  Constraint* propagateClause(Lit p);
  Constraint* propagatePBCounterConstraints(Lit p);
  bool enqueuePBUnitLiterals(Constraint& c);
  void cancelUntil(int lvl);

  // ---- Conflict analysis and learnt database.
  void analyze(Constraint* confl, vec<Lit>& outLearnt, int& outBtLevel, bool& outSoft);
  bool litRedundant(Lit p, unsigned abstractLevels);
  void bumpVar(Var v);
  void claBumpActivity(Constraint& c);
  void reduceDB();

  // ---- Search.
  lbool search(int maxConflicts, int maxLearnts);
  bool multiSolve();
  Lit pickBranchLit(int polarityMode, double randomVarFreq);

  // ---- Clause import from the other thread.
  bool checkFrozen(vec<Lit>& lits);
  void addExtraClause(vec<Lit>& lits, bool soft);

  // ---- Unsatisfiable cores and level-0 inconsistency.
  // A conflict at level 0 (confl false there) is recorded, the root of the
  // next core, once; the solver is inconsistent from then on.
  void failAtLevel0(Constraint* confl);
  // Propagates at level 0 and fails on a conflict; false when inconsistent.
  bool propagateAtLevel0();
  void addConflictLevel0(Constraint* confl);
  void compute_core(RefSet<int>& core);

  // ---- Variables and assignment, one entry per variable.
  vec<lbool> assignment;
  // The same values per literal: the propagation walk reads a literal's value
  // once per clause it visits, and this saves the sign test and negation.
  vec<lbool> literalValue;
  vec<int> level;
  vec<Constraint*> reason;
  vec<char> polarity;
  vec<char> decisionVar;
  vec<double> activity;
  vec<char> seen;
  vec<int> trailIndex;
  vec<char> pbCounted;
  int* equivalenceMap = nullptr;

  // ---- Per literal.
  // Clause watches: one pointer per literal until the literal watches something.
  vec<ClauseWatches> watches;
  // Records held by value: one cache line serves several. Empty (no entry
  // per literal at all) until the first pseudo-Boolean constraint is
  // attached: most problems have none, and a list per literal is a good
  // part of the memory of a variable.
  vec<vec<watchPB_t>> pbWatches;
  bool hasPBWatches(Lit p) const { return p < pbWatches.size(); }

  // ---- Trail.
  vec<Lit> trail;
  vec<int> levelStarts;
  int propHead = 0;
  vec<Lit> assumptions;

  // ---- Constraints.
  // Declared first: released after the lists below. Problem constraints live
  // as long as the solver; learnt clauses go back to their arena when removed.
  ConstraintArena problemArena;
  ConstraintArena learntArena;
  vec<Constraint*> constraints;
  vec<Constraint*> learnts;
  bool ok = true;
  double claIncrement = 1.0;
  double varIncrement = 1.0;
  VarHeap varHeap;
  vec<Lit> minimizeStack;
  vec<Lit> marksToClear;
  int simplifiedAt = -1;
  int64_t simplifyCountdown = 0;
  vec<lbool> model;
  vec<Lit> conflict;
  ProofTrace* proofTrace = nullptr;

  // ---- Search settings.
  double varDecay = 1 / 0.95;
  double claDecay = 1 / 0.999;
  double randomVarFreq = 0.02;
  int restartFirst = 100;
  double restartInc = 1.5;
  double learntsizeFactor = 1.0 / 3.0;
  double learntsizeInc = 1.1;
  double minLearnts = 5000.0;
  bool recursiveMinimization = true;
  int polarityMode = 1;
  double seed = 91648253.0;
  double timeLimit = 1800.0;
  bool stopFlag = false;
  int restartBudget = 100000;
  int restarts = 0;

  // ---- Thread: set together by attach.
  int tid = 0;
  Role role = Role::LowerBound;
  Cooperation* coop = nullptr;
  Cost solverUB = 0;  // the upper bound the solver starts from

  // Puts the solver to work for a search thread: the shared object, the
  // thread index, its role and the upper bound it starts from.
  void attach(Cooperation* shared, int threadId, Role threadRole, Cost upperBound) {
    coop = shared;
    tid = threadId;
    role = threadRole;
    solverUB = upperBound;
  }

  // ---- Statistics.
  uint64_t starts = 0, decisions = 0, randomDecisions = 0, propagations = 0, conflicts = 0;
  uint64_t watchVisits = 0;  // clause watch entries looked at by propagation
  uint64_t problemLiterals = 0, learntLiterals = 0;
  uint64_t learntLiteralsBefore = 0, learntLiteralsAfter = 0;
  uint64_t nbClauses = 0, nbCardConstraints = 0, nbPBConstraints = 0;

 protected:
  Constraint* addProblemClause(vec<Lit>& ps, unsigned ref, bool soft);
  void storeLearnt(vec<Lit>& learnt, bool soft);
  void exportLearnt(const vec<Lit>& learnt, bool soft, bool stored);
  bool budgetSpent();
  double learntBudget() const;
  RestartSchedule firstRestart() const;
  void nextRestart(RestartSchedule& schedule) const;
  lbool searchWithin(const RestartSchedule& schedule);
  void saveModel();
  void endSharingPeriod();
  double randomDraw();
  void clearMarks(const vec<Lit>& lits);
  void weakenPBReason(Constraint& c, Lit p, int index, vec<Lit>& outLearnt, int& pathC);
  void markForLearnt(Var v, Lit q, vec<Lit>& outLearnt, int& pathC);
  bool locked(Constraint& c) const;
  Constraint* storeImported(vec<Lit>& ps, bool soft);
  void addImportedUnit(vec<Lit>& unit, bool soft);
  void learnFromFalseImport(vec<Lit>& ps, int maxLevel, bool soft);
  // Moves the literal of the highest level among positions at and after
  // `position` to `position` (the watch to keep, the level to backtrack to).
  void moveHighestLevelTo(vec<Lit>& ps, int position);
  vec<Lit> importScratch;
};
