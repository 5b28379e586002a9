// From a line's gathered terms to what the solvers take: positive terms,
// largest first, and the greater-or-equal forms of the relation.
#include <algorithm>

#include "frontend/ParserPB.h"
#include "solver/Constraint.h"

// Variables whose coefficients cancel are dropped: a zero term in a clause
// would make it weaker ("+1 x +1 y -1 y >= 1" is x, not x or y). The sort is
// stable so that equal coefficients keep a fixed order.
void ParserPB::normalise(int64_t& constant) {
  terms.clear();
  for (size_t i = lineVars.size(); i-- > 0;) {
    const Var v = lineVars[i];
    const int64_t n = coefAcc[(size_t)v];
    coefAcc[(size_t)v] = 0;
    if (n > 0) {
      terms.push_back({mkLit(v), n});
    } else if (n < 0) {
      terms.push_back({mkLit(v, true), -n});
      constant += n;
    }
  }
  lineVars.clear();
  std::stable_sort(terms.begin(), terms.end(),
                   [](const NormalTerm& a, const NormalTerm& b) { return a.coef > b.coef; });
}

// sum c * l <= r is sum c * ~l >= sum c - r: "<=" and "=" give that negated
// form, ">=" and "=" the plain one.
void ParserPB::handOverForms(Relation relation, int64_t r, Cost weight, FormStyle style) {
  if (relation != Relation::LessOrEqual) handOverForm(false, r, weight, style);
  if (relation == Relation::GreaterOrEqual) return;
  int64_t sum = 0;
  for (const NormalTerm& t : terms) sum += t.coef;
  handOverForm(true, sum - r, weight, style);
}

// Coefficients of 1 against a right-hand side of 1 make a clause.
void ParserPB::handOverForm(bool negated, int64_t r, Cost weight, FormStyle style) {
  const bool keepsZero = style == FormStyle::Ruk && !negated;
  if (r < (keepsZero ? 0 : 1)) return;
  const bool saturate = style == FormStyle::Opb;
  formLits.clear();
  formCoeffs.clear();
  int64_t largest = 0;
  for (const NormalTerm& t : terms) {
    const int64_t coef = saturate && t.coef > r ? r : t.coef;
    largest = std::max(largest, coef);
    pushTerm(formLits, formCoeffs, negated ? neg(t.lit) : t.lit, coef);
  }
  if (largest <= 1 && r == 1)
    sink.addClause(formLits, weight);
  else
    sink.addPBConstraint(formLits, formCoeffs, r, weight);
}
