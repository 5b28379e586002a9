// The objective bound as clauses: which encoding, the counted literals, and
// the auxiliary variables that give repeated objective literals a variable
// of their own. Counted literals are false when they cost: the objective
// value is the number of false counted literals, and the bound allows at
// most k = upperBound - 1 of them.
#include <cassert>
#include <climits>
#include <cmath>

#include "cooperation/Cooperation.h"
#include "solver/PBOSolver.h"

// Encodings larger than this (in clauses, roughly) are not built.
static const double maxEncodingSize = 3000000.0;

void PBOSolver::addEncodingClause(std::initializer_list<Lit> lits) {
  vec<Lit> clause;
  for (Lit l : lits) clause.push(l);
  addClause2(clause)->isSoft(true);
}

// The kind to build for this bound, amkPb when none fits. Sizes are
// computed in 64 bits and doubles: n ln^2 n passes the int range near
// n = 8.5e6, and k may not fit an int at all.
int PBOSolver::chooseAmkKind(int n, int extraCount, Cost k) const {
  int chosen = amkKind;
  // A totalizer over so few literals is no better than a counter. Only at
  // the first bound: afterwards the kind built is the kind extended.
  if (firstEncoding && n <= 6 && chosen == amkTotalizer) chosen = amkSequential;
  // The bound must fit an int and bind; k >= n never comes from a model
  // (the objective counts at most n), so that test is only a safety net.
  if (extraCount > 3000 || k < 1 || k > INT_MAX || k >= n) return amkPb;
  if (coop->objectiveWeightSum == INT_MAX) return amkPb;
  const double nlog = n * std::log((double)n) * std::log((double)n);
  const double kn = (double)k * n;
  if ((chosen == amkSequential || chosen == amkTotalizer) && kn > maxEncodingSize) return amkPb;
  if (chosen == amkSorters && std::floor(nlog) > maxEncodingSize) return amkPb;
  if (chosen != amkDyn) return chosen;

  if (std::min(std::floor(nlog), kn) > maxEncodingSize) return amkPb;
  // A bound in the middle of a long list of counted literals that are most
  // of the problem: any clause form of it is large and weak.
  const float ratio = (float)k / (float)n;
  if (n > 1024 && ratio > 0.25f && ratio < 0.75f && 100.0f * ((float)n / (float)nVars()) < 75.0f)
    return amkPb;
  return kn < std::floor(nlog) ? amkTotalizer : amkSorters;
}

// The first call makes one variable y_i per repeated copy e_i, equal to e_i's
// variable; every call returns, per copy, the literal of y_i that is true
// exactly when e_i is (the counted literal). Later calls make nothing.
void PBOSolver::createAuxEqVariables(const vec<Lit>& extraLits, vec<Lit>& aux) {
  if (auxVarsPending) {
    auxBase = nVars();
    for (int i = 0; i < extraLits.size(); i++) {
      Lit e = extraLits[i];
      Var y = newVar(true, true);
      assert(y == auxBase + i);
      addEncodingClause({mkLit(var(e)), mkLit(y, true)});
      addEncodingClause({mkLit(var(e), true), mkLit(y)});
    }
    auxVarsPending = false;
  }
  for (int i = 0; i < extraLits.size(); i++) aux.push(mkLit(auxBase + i, sign(extraLits[i])));
}

void PBOSolver::countedLiterals(const vec<Lit>& boundLits, const vec<Lit>& extraLits, vec<Lit>& counted) {
  for (int i = 0; i < boundLits.size(); i++) counted.push(boundLits[i]);
  if (extraLits.size() > 0) createAuxEqVariables(extraLits, counted);
}

void PBOSolver::addCardinalityAtMostk(const vec<Lit>& boundLits, const vec<Lit>& extraLits) {
  const int n = boundLits.size() + extraLits.size();
  const Cost k = upperBound - 1;
  const int chosen = chooseAmkKind(n, extraLits.size(), k);
  if (chosen == amkPb) {
    amkKind = amkPb;
    return;
  }
  amkKind = chosen;
  if (!firstEncoding && k >= encodedK) return;  // the earlier bound is already tighter
  vec<Lit> counted;
  countedLiterals(boundLits, extraLits, counted);
  const int newK = (int)k;
  if (firstEncoding) {
    if (chosen == amkSequential) sequentialAMK(counted, newK);
    else if (chosen == amkTotalizer) adderAMK(counted, vec<Lit>(), newK);
    else sorterAMK(counted, newK);
    firstEncoding = false;
  } else if (chosen == amkSequential) {
    tightenSequential(counted, newK, encodedK);
  } else if (chosen == amkTotalizer) {
    addEncodingClause({mkLit(encBase + newK, true)});
  } else {
    assertSorterOutputs(newK, encodedK);
  }
  encodedK = newK;
}
