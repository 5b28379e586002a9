// The one object shared by the two search threads: run settings, stop flags,
// bounds and the best model, the clause-sharing buffers and every mutex.
//
// Fields are read and written directly by the solvers and drivers, under the
// mutex named beside them. Per-thread arrays are indexed by the thread index
// and written only by their own thread. The stop flags are written by any
// thread and polled by every search loop without a lock, so they are atomics
// (relaxed loads suffice: a flag seen one cycle late costs nothing).
#pragma once

#include <pthread.h>
#include <semaphore.h>
#include <sys/time.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <vector>

#include "cooperation/PartitionRecords.h"
#include "solver/Kinds.h"
#include "solver/ProofTrace.h"
#include "solver/SolverTypes.h"
#include "solver/Vec.h"

class Solver;

// A one-shot signal: closed at construction, opened once, and every thread
// that passes it afterwards passes at once.
class StartGate {
  sem_t token;

 public:
  StartGate();
  ~StartGate();
  StartGate(const StartGate&) = delete;
  StartGate& operator=(const StartGate&) = delete;
  void open();
  void pass();
};

class Cooperation {
 public:
  static const int importCapacity = 20000;
  static const int frozenCapacity = 80000;

  Cooperation(int nbThreads, int limitExport);
  ~Cooperation();
  Cooperation(const Cooperation&) = delete;
  Cooperation& operator=(const Cooperation&) = delete;

  // Threads and roles.
  int nbThreads;
  int nbLB = 4;
  int nbUB = 4;

  // Settings copied in before the threads start, read-only afterwards.
  int limitExport;
  double timeLimit = 1800.0;
  double lbTimeLimit = 900.0;
  double ubTimeLimit = 900.0;
  std::vector<int> encoding;
  int searchModeSetting = 0;
  bool partitionedSearch = false;
  int parts = 16;
  bool quiet = false;
  int verbosityLevel = 1;
  int typeLearning = 4;
  int typeInterval = 100;
  std::vector<int> periodLength;
  bool preprocessor = true;
  std::vector<struct timeval> startTime;

  // Stop and status flags.
  std::atomic<bool> done{false};
  std::atomic<bool> interrupted{false};
  std::atomic<bool> timedOut{false};
  std::atomic<bool> lbTimeOut{false};
  std::atomic<bool> ubTimeOut{false};
  std::atomic<bool> analysisFailed{false};
  std::atomic<bool> initDone{false};
  std::atomic<bool> decisionProblem{false};
  // Set with done when the search is complete (an optimum, or no model at
  // all, proven): the answer then stands even if a budget ran out elsewhere.
  std::atomic<bool> proven{false};
  int nbFinished = 0;  // under answerMutex: the threads that have ended their search

  // Bounds and the best model (under boundMutex). bounds[0] is the global
  // lower bound, bounds[tid] a thread's own bound, bounds[nbThreads] the best
  // upper bound; all without the objective constant.
  std::vector<Cost> bounds;
  Cost initialUB = -99999;
  int nbSolutions = 0;
  int nbOrigVars = -1;
  std::vector<char> bestModel;
  std::vector<int> equivalences;
  Cost objConstant = 0;
  Cost objectiveWeightSum = 0;
  int rowCounter = 0;

  // Clause sharing (under clauseMutex for the import buffers).
  std::vector<std::vector<int*>> importLits;
  std::vector<std::vector<int>> importSizes;
  std::vector<std::vector<int>> importSource;
  std::vector<int> importCount;
  std::vector<std::vector<int*>> frozenLits;
  std::vector<std::vector<int>> frozenSizes;
  std::vector<std::vector<int>> frozenAge;
  std::vector<int> frozenCount;
  std::vector<int> frozenDead;
  std::vector<std::vector<float>> exportCutoff;
  std::vector<int> exportLimit;
  std::vector<double> decisionActivity;
  std::vector<int> nbExported;
  std::vector<int> nbImported;
  std::vector<int> nbImportedLits;
  std::vector<int> periodConflicts;
  std::vector<int> frozenRetryConflicts;
  std::vector<int> pendingWeights;

  // Tables the set-up thread fills once.
  int nbSharedVars = 0;
  int nbOrigConstraints = 0;
  std::vector<Var> solverVar;

  // The partitioned lower-bound search; written by the lower-bound thread
  // only. Positions count the soft constraints in constraint order.
  std::vector<wPar> partitions;          // in search order; ids are refs
  std::vector<wPar> partitionPositions;  // the same partitions; ids are positions
  std::vector<int> sortedPositions;      // soft positions in weight order
  HeldBackList heldBack;
  int nbSoft = 0;
  Cost currentWeight = 0;  // the weight level being searched
  int placeholderVar = -1;
  bool dynamicDecompositionOn = false;  // withdraw soft constraints below currentWeight
  int seed = 91648253;                  // of the hypergraph partitioner

  // Nothing that can end the run (an allocation) is done under boundMutex:
  // the SIGTERM report claims the output first and then waits for it.
  pthread_mutex_t boundMutex;
  pthread_mutex_t clauseMutex;
  pthread_mutex_t answerMutex;
  pthread_mutex_t initMutex;
  pthread_mutex_t decompositionMutex;
  StartGate startGate;

  // Clause exchange. size is the clause size when the per-pair cutoff
  // applies, 0 when it does not.
  void exportClause(Solver* from, const vec<Lit>& lits, int size);
  void importClauses(Solver* to);
  void importFrozenClauses(Solver* to);
  void cleanFrozen(Solver* to);

  // Bounds, the stop decision and the progress report.
  static const Cost noBound = INT64_MAX;  // "the lower bound search is over"
  // The tables of the best model, the first bounds and the problem type from
  // the objective of s; a decision problem is refused and ends the run.
  void initBound(Solver* s, int nbOrigVars, const int* equivalenceMap);
  void updateUpperValue(Solver* s, int tid, Cost value);
  void checkUpperValuePortfolio(Solver* s, int tid);
  void updateLowerValue(Solver* s, int tid, Cost value);
  void updateLowerValue(Solver* s, int tid, RefSet<int>& core, std::list<int>* lists, Cost weight,
                        Cost value);
  // The "type" column of a progress row: which bound moved.
  enum class BoundType { Lower = 0, Upper = 1, Both = 2 };
  void reportBoundValue(int tid, BoundType type);
  static void printStatisticsHead();
  double wallClock() const;  // wall seconds since the run started

  // Time budgets, all counted from the run's start. True once the budget of
  // the role has passed (or an analysis failed, which every search treats
  // alike); the role's time-out flags are then set. Cheap enough for every
  // search cycle.
  bool budgetSpent(int tid, Role role);
  // The last budget of any thread: past it no search can run.
  double lastBudget() const { return lbTimeLimit > ubTimeLimit ? lbTimeLimit : ubTimeLimit; }
  // The search is over with a proof.
  void stopWithProof() {
    proven = true;
    done = true;
  }
  void multiSaveCertificate(Solver* s);
  bool multiLitValue(Solver* s, Lit l);

  // The end of the run (Answer.cc). One answer is printed, by the thread
  // that claims the output (cooperation/Output.h); the callers decide when,
  // these say how.
  // The rule and the wall-clock line above every answer; the answer of
  // preprocessing prints the time without its unit.
  void printResultHead(bool withUnit = true) const;
  static void printResultHead(const struct timeval& start, bool withUnit);
  // The answer of a run whose time ran out before anything was searched.
  [[noreturn]] void endOutOfTime();
  static void printStatus(const char* status);  // "s <status>"

 private:
  // The steps of initBound.
  struct ObjectiveScan {
    Cost ub = 1;  // one more than the largest cost a model can have
    double sumExcess = 0;
    bool hasObjective = false;
  };
  void keepModelTables(int nLits, int origVars, const int* equivalenceMap);
  ObjectiveScan scanObjective(Solver* s, int nLits);
  void guardOverflow(double sumExcess);
  void setFirstBounds(Cost ub, bool hasObjective);
  void reportProblemType() const;
  [[noreturn]] void refuseDecisionProblem();

  void stopWhenBoundsMeet();
  void freeSlot(std::vector<int*>& lits, int slot);
};

// Wall seconds since start, from milliseconds rounded to the nearest.
double wcTime(const struct timeval& start);
// Wall milliseconds since start, unrounded.
double elapsedMs(const struct timeval& start);
