// Where the OPB and RUK readers put what they read: named variables,
// constraints with a weight, objective terms, the objective's constant and
// the cost limit. Keeping the readers apart from the drivers lets them be
// tested on their own, call by call.
#pragma once

#include <vector>

#include "cooperation/Cooperation.h"
#include "solver/SolverTypes.h"
#include "solver/Vec.h"

class RUKSolver;

class PBSink {
 public:
  // The weight of a hard constraint.
  static constexpr Cost hard = 0;

  virtual ~PBSink() {}
  // A new variable; a null name marks a helper variable of the reader (a
  // product of literals), which no model line lists.
  virtual Var newVariable(const char* name) = 0;
  // A clause, or sum coeffs[i] * lits[i] >= rhs; weight `hard` or positive.
  virtual void addClause(const vec<Lit>& lits, Cost weight) = 0;
  virtual void addPBConstraint(const vec<Lit>& lits, const vec<unsigned>& coeffs, int64_t rhs, Cost weight) = 0;
  // Leaving l false costs weight.
  virtual void addObjectiveTerm(Lit l, Cost weight) = 0;
  virtual void addObjectiveConstant(Cost constant) = 0;
  // Every solution must cost less than limit; noLimit (like the weight of a
  // hard constraint) lifts any limit.
  virtual void setSoftLimit(Cost limit) = 0;
  static constexpr Cost noLimit = 2147483647;
};

// Feeds every RUKSolver, in index order, with its own copy of every list: a
// RUKSolver sorts the lists it is given and appends a relaxation literal to
// a soft constraint's lists.
class RUKSolverPBSink : public PBSink {
  std::vector<RUKSolver*> solvers;
  vec<Lit> litsCopy;
  vec<unsigned> coeffsCopy;

 public:
  RUKSolverPBSink(RUKSolver** solverArray, int count) : solvers(solverArray, solverArray + count) {}
  Var newVariable(const char* name) override;
  void addClause(const vec<Lit>& lits, Cost weight) override;
  void addPBConstraint(const vec<Lit>& lits, const vec<unsigned>& coeffs, int64_t rhs, Cost weight) override;
  void addObjectiveTerm(Lit l, Cost weight) override;
  void addObjectiveConstant(Cost constant) override;
  void setSoftLimit(Cost limit) override;
};
