// The engine of the upper-bound thread: a solver with a linear objective to
// minimise, one coefficient per literal. Each solve() returns one improving
// model and leaves the bound "objective <= value - 1" in the solver.
#pragma once

#include <initializer_list>
#include <vector>

#include "solver/CostTable.h"
#include "solver/Solver.h"

class FGraph;

class PBOSolver : public Solver {
 public:
  PBOSolver();
  ~PBOSolver() override;

  void objCoeff(Lit p, Cost w) override;
  Cost objCoeff(Lit p) override { return objCoeffs[p]; }

  bool solve(const vec<Lit>& assumptions);
  bool solve();

  // Writes objective <= v - 1 into the solver, v being the current model's
  // value when bound is -1, else bound. Called at decision level 0.
  void updateObjFunction(Cost bound);

  // Merges the literals that the binary clauses make equivalent into one
  // representative each, in every constraint and in the objective; false
  // when the problem is found unsatisfiable (the solver is then inconsistent).
  bool preprocess();

  // Writes objective <= upperBound - 1 as clauses over the counted literals
  // (boundLits, then one copy per entry of extraLits): at most k of them
  // false. Leaves amkKind at the kind built, 0 when the caller must add the
  // pseudo-Boolean form instead.
  void addCardinalityAtMostk(const vec<Lit>& boundLits, const vec<Lit>& extraLits);

  // Objective value of the model.
  Cost modelValue() const;

  // The objective bound's pseudo-Boolean form: terms (w - w') * ~p for the
  // literals p weighing more than their complements, and r, one above the
  // largest objective value any assignment can have; the bound "value at
  // most v - 1" reads sum >= r - v. The cost limit takes the same form.
  void collectBoundTerms(vec<Lit>& boundLits, vec<unsigned>& boundCoeffs, Cost& r) const;

 private:
  void tightenRelaxations();
  bool holdsWithout(const Constraint& c, Var relaxation) const;
  int64_t extraLitCount() const;
  void collectExtraLits(vec<Lit>& extraLits) const;

  // ---- At-most-k encodings of the bound (AtMostK*.cc).
  int chooseAmkKind(int n, int extraCount, Cost k) const;
  void addEncodingClause(std::initializer_list<Lit> lits);
  void createAuxEqVariables(const vec<Lit>& extraLits, vec<Lit>& aux);
  void countedLiterals(const vec<Lit>& boundLits, const vec<Lit>& extraLits, vec<Lit>& counted);
  void sequentialAMK(const vec<Lit>& lits, int k);
  void tightenSequential(const vec<Lit>& lits, int k, int oldK);
  void adderAMK(const vec<Lit>& lits, const vec<Lit>& outs, int k);
  void adderNode(const vec<Lit>& lits, const vec<Lit>& outs, int k);
  void adderTriple(Lit x, Lit y, Lit z, const vec<Lit>& outs);
  void adderPair(Lit y, Lit z, const vec<Lit>& outs);
  void sorterAMK(vec<Lit>& lits, int k);
  void assertSorterOutputs(int from, int to);
  void oddEvenSort(vec<Lit>& lits);
  void oddEvenMerge(vec<Lit>& lits, int lo, int hi);
  void cmp2(vec<Lit>& lits, int i);
  bool isPadding(Lit p) const { return sorterPad != 0 && var(p) == sorterPad; }

  // ---- Equivalent-literal preprocessing (Preprocess.cc).
  void buildGraph(FGraph& g);
  bool registerEquivalentLiterals(const std::vector<int>& component);
  bool replaceEquivalentLiterals();
  bool hasLiteralsToReplace(const Constraint& c) const;
  bool replaceClauseLiterals(int index);
  bool replacePBLiterals(Constraint& c);
  bool fixRepresentativesOfFixedLiterals();
  void moveObjectiveToRepresentatives();
  void clearPreprocessing();

 public:

  // The cost paid when that literal is true: 64 bits, since the weights of
  // several soft units on one literal add up. It ends at the last variable
  // with a cost (the others cost nothing): its size is even, both literals
  // of a variable are in or out together. Only the pages holding a cost
  // take room.
  CostTable objCoeffs;
  bool firstEncoding = true;
  bool auxVarsPending = true;
  int encWidth = 0;
  int encBase = 0;
  int auxBase = 0;
  vec<Lit> sorterOutputs;
  int sorterPad = 0;  // the padding variable of the network, 0 when none
  int encodedK = 0;   // the k of the last bound written as an encoding
  bool modelFound = false;
  Cost upperBound = -1;
  // Preprocessing scratch, one entry per literal, zero between uses: a mark
  // for the clause rewrite, the first position + 1 for the PB rewrite.
  int* litMarks = nullptr;

  // Relaxation variables of soft constraints (r true enforces the constraint,
  // r false costs its weight) with their constraint. A model may leave r
  // false although the constraint holds anyway; such an r is set true before
  // the model's cost is taken, so that the cost reported is what the model's
  // assignment of the input variables really costs.
  struct Relaxation {
    Var var;
    Constraint* constraint;
  };
  std::vector<Relaxation> relaxations;

  // Form of the objective bound, in -enc-ub= order. The dynamic kind chooses
  // at the first bound among the pseudo-Boolean form, the totalizer and the
  // network. Fixed at the first bound; may only fall to amkPb afterwards.
  // One of the AtMostK kinds (solver/Kinds.h).
  int amkKind = amkPb;

  // The next solve() only preprocesses (and returns false): its own switch,
  // so that no time limit, however small, is mistaken for it.
  bool preprocessOnly = false;
};
