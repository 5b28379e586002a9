// The per-thread optimisation driver. Each of the two search threads owns one
// RUKSolver holding a full private copy of the problem in its working solver.
//
// Methods live in files named after what they do: problem intake and the
// start-up boxes (Intake.cc), the weight table and the swap of working
// solvers (WorkingSolver.cc), the objective-to-soft-constraint conversion
// (Conversion.cc), the core-guided lower-bound loop (CoreLoop.cc), core
// relaxation (Relaxation.cc), the at-most-one encoders (CardToCNF.cc), the
// thread road (QuonSolver.cc), the search-mode choice (Decomposition.cc),
// the partitions by weight (WeightPartition.cc) and by hypergraph
// (GraphPartition.cc), the search partition by partition (PartitionSearch.cc)
// and the final report (FinalReport.cc).
#pragma once

#include <sys/time.h>

#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

#include "cooperation/Cooperation.h"
#include "driver/Kinds.h"
#include "solver/PBOSolver.h"
#include "solver/Solver.h"

// Input formats (inputFormat).
enum { formatCnf = 0, formatWcnf = 1, formatOpb = 2, formatRuk = 3 };

// What one core-extraction attempt ended with.
enum class CoreOutcome { Model, Core, Stop };

class RUKSolver {
 public:
  static const Cost defaultTopWeight = 2147483647;

  RUKSolver();
  ~RUKSolver();
  RUKSolver(const RUKSolver&) = delete;
  RUKSolver& operator=(const RUKSolver&) = delete;

  // ---- Input and output.
  int inputFormat = formatCnf;
  std::vector<char*> varNames;

  // ---- Problem. Weights and costs are 64-bit: sums of 32-bit weights.
  int objectiveMode = 2;
  Cost topWeight = defaultTopWeight;
  bool hasSoftLimit = false;  // a cost limit was given: every solution costs less
  Cost softLimit = 0;
  Cost objConstant = 0;
  int nbRelaxVars = 0;
  vec<int> relaxVars;
  int nbOrigVars = -1;
  // The weight table: entry i is the weight of constraint i of the working
  // solver, whose ref is i as well (topWeight for a hard one). Entries come
  // in only through keepWeighted and keepImportedClauses; every rebuild
  // asserts the alignment (weightsAligned).
  std::vector<Cost> weights;
  int* equivalences = nullptr;  // the preprocessing's literal map; null: the identity

  // ---- Search state.
  Cost lowerBound = 0;
  int learntSizeCap = 3;
  int coreRestartBudget = 100000;
  int nbSolverVars = 0;
  int nbSolverConstraints = 0;
  bool preprocess = true;

  // ---- Solvers and thread.
  Solver* solver;
  Solver* origSolver;
  std::vector<Cost> origWeights;
  Cooperation* coop = nullptr;
  int tid = 0;

  // ---- Intake and start-up.
  void init();
  Solver* newSolverFromPrevious(Solver* previous, int pbo);
  Constraint* addClause(vec<Lit>& lits, Cost weight);
  Constraint* addPBConstraint(vec<Lit>& lits, vec<unsigned>& coeffs, int64_t rhs, Cost weight);
  Var newRelaxationVar(Cost weight);
  void solverConfiguration();
  void reportSolverVersion();
  void reportStatistics(const struct timeval& parseStart);

  // ---- Thread road.
  int solve();
  bool preprocessor();
  void initializeEquivalences();
  void saveEquivalences();
  // The unrelaxed copy of the converted problem that the partitioned
  // searches switch soft constraints on from.
  void keepUnrelaxedCopy();

  // ---- Objective to weighted soft constraints.
  // Null when the lower-bound budget ran out during the copy.
  Solver* convertPBOtoRUK(PBOSolver* pbo);
  void convertObjFunctionToSoftConstraints(PBOSolver* pbo, Solver* target);
  bool copyConstraint(Solver* from, Solver* to, Constraint* c, Cost weight);
  Constraint* addSolverConstraint(Solver* to, Constraint* c);
  void addPBsoftLimit();

  // ---- Core-guided lower-bound search.
  void initDecomposition();
  SearchMode getStats();
  void multiLowerBoundSearch();
  CoreOutcome multiComputeCore(RefSet<int>& core, int budget);
  // The smallest weight of a soft member of the core; false when it has none.
  bool computeCoreWeight(Solver* s, RefSet<int>& core, Cost& weight);
  // After a core: the lower bound raised and the core relaxed in the next
  // solver; false when the search is over (a proof, the bounds met, or the
  // budget spent during the rebuild).
  bool raiseAndRelax(RefSet<int>& core);
  // Null when the lower-bound budget ran out during the rebuild.
  Solver* buildNextSolver(Solver* s, RefSet<int>& core, Cost w);
  bool budgetSpentWhileCopying(int copied);

  // ---- Partition-based lower-bound searches.
  // One partition per distinct soft weight, heaviest first.
  void weightDecomposition();
  // Withdraws the soft constraints whose residual weight fell below the
  // level being searched, leaving placeholders in their place.
  void dynamicDecomposition();
  void insertDynamicPartition(const dynPar& d);
  // One partition per part of a hypergraph partitioning of the constraints.
  void buildHyperGraph();
  // The search partition by partition, from the unrelaxed copy `input`.
  void decompositionWeight(Solver* input);
  // Switches on the soft constraints at the given positions again.
  void restoreSolver(Solver* input, const std::vector<int>& positions, int placeholder);
  CoreOutcome multiSearchPartition();

  // ---- The weight table's one way in.
  // Appends weight as the entry of c, the constraint just added to the
  // solver the table describes, and sets c's soft flag.
  Constraint* keepWeighted(Constraint* c, Cost weight, bool soft);
  Constraint* keepHard(Constraint* c) { return keepWeighted(c, topWeight, false); }
  // Index == ref == weight position for every constraint of s.
  bool weightsAligned(const Solver* s) const;

  // ---- Installing a working solver.
  // Makes next the working solver, attached to this thread with the given
  // role and starting upper bound; the old working solver is deleted.
  void installSolver(Solver* next, Role role, Cost upperBound);
  // Makes next the working solver in the old one's place: same thread, role
  // and upper bound.
  void replaceSolver(Solver* next) { installSolver(next, solver->role, solver->solverUB); }

  // ---- At-most-one encodings over the literals (at most one of them false).
  void pbEncoding(Solver* s, vec<Lit>& lits, vec<unsigned>& coeffs, int n);
  void binomialEncoding(Solver* s, vec<Lit>& lits, bool verbose);
  void binaryEncoding(Solver* s, vec<Lit>& lits, bool spareCodes);
  void productEncoding(Solver* s, vec<Lit>& lits, bool recursive);
  void sequentialEncoding(Solver* s, vec<Lit>& lits);
  void regularEncoding(Solver* s, vec<Lit>& lits);
  void commanderEncoding(Solver* s, vec<Lit>& lits);
  void sorterEncoding(Solver* s, vec<Lit>& lits);
  void adderEncoding(Solver* s, vec<Lit>& lits, vec<Lit>& out);

  // ---- Final result.
  [[noreturn]] void reportFinalResult();
  void printFinalResult();  // what reportFinalResult prints, without the end
  void multiReportCertificate();

 private:
  // Scratch of the copying rules, kept so that copying a large problem does
  // not allocate twice per constraint.
  vec<Lit> scratchLits;
  vec<unsigned> scratchCoeffs;

  void addHardClause(Solver* s, vec<Lit>& clause);
  void addHardClause(Solver* s, Lit a, Lit b);
  void addHardClause(Solver* s, Lit a, Lit b, Lit c);
  Var newAuxVar(Solver* s);
  void addAtMostOne(Solver* next, int firstVar, int count);
  Constraint* keepRelaxed(Constraint* c, Var relaxation);
  void keepImportedClauses();
  Constraint* addCopyOf(Solver* to, const Constraint& c, vec<Lit>& lits, vec<unsigned>& coeffs);
  void adderHalves(Solver* s, vec<Lit>& lits, Var a, Var b);
  // Per literal, the relaxation variables (by creation number) offered to
  // the members of one core that hold that literal; only the literals of
  // the core's members ever get a list.
  typedef std::unordered_map<Lit, std::list<int>> OfferLists;
  Var relaxationVarFor(Solver* next, Constraint& c, OfferLists& lists, std::vector<char>& shared,
                       int& created);
  void upperBoundLoop();
  void finish();
  bool lowerBoundSearchStopped() const;
  void clearPartitions();
  // A copy of `from` with extraVars more variables in which constraint i is
  // whatever replace adds to the copy for it, or a verbatim copy when it adds
  // nothing; position is i's soft position (-1 when i is not counted).
  using Replacement = std::function<Constraint*(Solver* next, int index, int position)>;
  Solver* rebuildReplacing(Solver* from, int extraVars, const Replacement& replace);
  Constraint* addPlaceholder(Solver* next);
  Constraint* addSoftClause(Solver* next, const std::vector<Lit>& lits);
  static bool isPlaceholder(const Constraint& c, int placeholder);
  void switchOnHeldBackLevel();
  void oneTimeSetUp();
};
