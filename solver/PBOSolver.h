// The engine of the upper-bound thread: a solver with a linear objective to
// minimise, one coefficient per literal. Each solve() returns one improving
// model and leaves the bound "objective <= value - 1" in the solver.
#pragma once

#include <vector>

#include "solver/Solver.h"

class PBOSolver : public Solver {
 public:
  PBOSolver();
  ~PBOSolver() override;

  Var newVar(bool polarity = true, bool dvar = true) override;
  void objCoeff(Lit p, Cost w) override;
  Cost objCoeff(Lit p) override { return objCoeffs[p]; }

  bool solve(const vec<Lit>& assumptions);
  bool solve();

  // Writes objective <= v - 1 into the solver, v being the current model's
  // value when bound is -1, else bound. Called at decision level 0.
  void updateObjFunction(Cost bound);

  // The preprocessing step before the search; false when the problem is
  // already known to be unsatisfiable. Merging equivalent literals is not
  // built, so this only reports an inconsistent solver.
  bool preprocess();

  // Objective value of the model.
  Cost modelValue() const;

 private:
  void tightenRelaxations();
  bool holdsWithout(const Constraint& c, Var relaxation) const;

 public:

  // The cost paid when that literal is true: 64 bits, since the weights of
  // several soft units on one literal add up.
  vec<Cost> objCoeffs;
  bool firstEncoding = true;
  bool auxVarsPending = true;
  int encWidth = 0;
  int encBase = 0;
  int auxBase = 0;
  vec<Lit> sorterOutputs;
  int sorterPad = 0;
  bool modelFound = false;
  Cost upperBound = -1;
  char* litMarks = nullptr;

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

  // The next solve() only preprocesses (and returns false): its own switch,
  // so that no time limit, however small, is mistaken for it.
  bool preprocessOnly = false;
};
