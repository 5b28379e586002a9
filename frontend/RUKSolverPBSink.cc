// The readers' calls handed to every RUKSolver, in index order, so that all
// of them number the variables alike and hold the same problem.
#include <cstdlib>
#include <cstring>

#include "driver/RUKSolver.h"
#include "frontend/PBSink.h"
#include "solver/Fatal.h"

namespace {

template <class T>
void copyInto(const vec<T>& from, vec<T>& to) {
  to.clear();
  for (int i = 0; i < from.size(); i++) to.push(from[i]);
}

Cost weightFor(const RUKSolver& s, Cost weight) { return weight == PBSink::hard ? s.topWeight : weight; }

// A name that could not be copied would leave its variable out of the model
// line, so a failed copy ends the run; freed with free() like strdup's.
char* copyOfName(const char* name) {
  const size_t bytes = strlen(name) + 1;
  char* copy = (char*)xmalloc(bytes);
  memcpy(copy, name, bytes);
  return copy;
}

}  // namespace

Var RUKSolverPBSink::newVariable(const char* name) {
  Var first = -1;
  for (RUKSolver* s : solvers) {
    s->varNames.push_back(name == nullptr ? nullptr : copyOfName(name));
    Var v = s->solver->newVar(true, true);
    if (first < 0) first = v;
  }
  return first;
}

void RUKSolverPBSink::addClause(const vec<Lit>& lits, Cost weight) {
  for (RUKSolver* s : solvers) {
    copyInto(lits, litsCopy);
    s->addClause(litsCopy, weightFor(*s, weight));
  }
}

void RUKSolverPBSink::addPBConstraint(const vec<Lit>& lits, const vec<unsigned>& coeffs, int64_t rhs, Cost weight) {
  for (RUKSolver* s : solvers) {
    copyInto(lits, litsCopy);
    copyInto(coeffs, coeffsCopy);
    s->addPBConstraint(litsCopy, coeffsCopy, rhs, weightFor(*s, weight));
  }
}

// A soft unit of the top weight would be taken for a hard one, so a large
// term goes in parts below it; the parts add up in the objective.
void RUKSolverPBSink::addObjectiveTerm(Lit l, Cost weight) {
  for (RUKSolver* s : solvers) {
    for (Cost left = weight; left > 0;) {
      const Cost part = left < s->topWeight ? left : s->topWeight - 1;
      litsCopy.clear();
      litsCopy.push(l);
      s->addClause(litsCopy, part);
      left -= part;
    }
  }
}

void RUKSolverPBSink::addObjectiveConstant(Cost constant) {
  for (RUKSolver* s : solvers) s->objConstant += constant;
}

void RUKSolverPBSink::setSoftLimit(Cost limit) {
  for (RUKSolver* s : solvers) {
    s->hasSoftLimit = limit != noLimit;
    s->softLimit = limit;
  }
}
