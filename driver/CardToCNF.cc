// At-most-one encodings of a core's relaxation variables.
//
// Every encoder receives the literals l_0 ... l_{n-1} (the negative literals
// of the relaxation variables) and allows at most one of them to be false.
// Each constraint it adds is hard and kept with keepHard (one topWeight
// entry in `weights`).
//
// The core relaxation calls the auxiliary-variable encodings only with seven
// literals or more. Below that, every one of them falls back to the pairwise
// encoding, as the product encoding is defined to do: some of them (the
// ladder with one literal, the totalizer tree with fewer than four) would
// otherwise not be an at-most-one at all.
#include <algorithm>
#include <cassert>

#include "driver/RUKSolver.h"

namespace {

// Smallest m with 2^m >= n: ceil(log2 n) computed exactly.
int ceilLog2(int n) {
  int m = 0;
  while ((int64_t)1 << m < n) m++;
  return m;
}

// Smallest p with p * p >= n: ceil(sqrt n) computed exactly.
int ceilSqrt(int n) {
  int p = 0;
  while ((int64_t)p * p < n) p++;
  return p;
}

}  // namespace

void RUKSolver::addHardClause(Solver* s, vec<Lit>& clause) { keepHard(s->addClause2(clause)); }

void RUKSolver::addHardClause(Solver* s, Lit a, Lit b) {
  vec<Lit> clause;
  clause.push(a);
  clause.push(b);
  addHardClause(s, clause);
}

void RUKSolver::addHardClause(Solver* s, Lit a, Lit b, Lit c) {
  vec<Lit> clause;
  clause.push(a);
  clause.push(b);
  clause.push(c);
  addHardClause(s, clause);
}

Var RUKSolver::newAuxVar(Solver* s) { return s->newVar(true, true); }

// One constraint: at least n - 1 of the n literals are true. With no literal
// there is nothing to bound (and n - 1 would be negative), so nothing is added.
void RUKSolver::pbEncoding(Solver* s, vec<Lit>& lits, vec<unsigned>& coeffs, int n) {
  assert(n == lits.size() && n == coeffs.size());
  if (n <= 0) return;
  keepHard(s->addPBConstraint(lits, coeffs, (int64_t)n - 1));
}

// One binary clause per pair: no two literals are false together. Prints nothing.
void RUKSolver::binomialEncoding(Solver* s, vec<Lit>& lits, bool /*verbose*/) {
  for (int i = 0; i + 1 < lits.size(); i++)
    for (int j = i + 1; j < lits.size(); j++) addHardClause(s, lits[i], lits[j]);
}

// s_i means "some literal among l_0 ... l_i is false"; a false l_i sets s_i
// and needs s_{i-1} unset, so a second false literal further on is refused.
void RUKSolver::sequentialEncoding(Solver* s, vec<Lit>& lits) {
  const int n = lits.size();
  if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
  vec<Var> seq;
  for (int i = 0; i < n - 1; i++) seq.push(newAuxVar(s));
  addHardClause(s, lits[0], mkLit(seq[0]));
  addHardClause(s, lits[n - 1], mkLit(seq[n - 2], true));
  for (int i = 1; i <= n - 2; i++) {
    addHardClause(s, lits[i], mkLit(seq[i]));
    addHardClause(s, mkLit(seq[i - 1], true), mkLit(seq[i]));
    addHardClause(s, lits[i], mkLit(seq[i - 1], true));
  }
}

// The ladder a_0 >= a_1 >= ... >= a_{n-1} (a_{k+1} implies a_k) has one step,
// between a_k and a_{k+1}; l_k may be false only at that step (a_k set,
// a_{k+1} unset), l_{n-1} only when a_{n-1} is set and l_0 only when a_0 is
// unset. One step means one false literal.
void RUKSolver::regularEncoding(Solver* s, vec<Lit>& lits) {
  const int n = lits.size();
  if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
  vec<Var> a;
  for (int k = 0; k < n; k++) a.push(newAuxVar(s));
  for (int k = 0; k + 1 < n; k++) addHardClause(s, mkLit(a[k + 1], true), mkLit(a[k]));
  addHardClause(s, lits[0], mkLit(a[0], true));
  addHardClause(s, lits[n - 1], mkLit(a[n - 1]));
  addHardClause(s, neg(lits[n - 1]), mkLit(a[n - 1], true));
  for (int k = 1; k <= n - 2; k++) {
    addHardClause(s, lits[k], mkLit(a[k]));
    addHardClause(s, lits[k], mkLit(a[k + 1], true));
    addHardClause(s, neg(lits[k]), mkLit(a[k], true), mkLit(a[k + 1]));
  }
}

// A false l_j forces the code variables y to spell its code c_j; the codes
// are distinct, so two false literals ask for two values of y. With spare
// codes (2^m - n of them) the first literals take the even code of a pair.
void RUKSolver::binaryEncoding(Solver* s, vec<Lit>& lits, bool spareCodes) {
  const int n = lits.size();
  if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
  const int m = ceilLog2(n);
  const int spare = spareCodes ? (1 << m) - n : 0;
  vec<Var> y;
  for (int i = 0; i < m; i++) y.push(newAuxVar(s));
  for (int j = 0; j < n; j++) {
    const int code = j < spare ? 2 * j : j + spare;
    for (int i = 0; i < m; i++) addHardClause(s, lits[j], mkLit(y[i], ((code >> i) & 1) == 0));
  }
}

// The commander c_g of a group of at most three is set exactly when one of
// its members is false; within the group the members are pairwise exclusive,
// and at most one commander may be set (recursively above six commanders).
void RUKSolver::commanderEncoding(Solver* s, vec<Lit>& lits) {
  const int n = lits.size();
  if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
  vec<Lit> commanders;
  for (int first = 0; first < n; first += 3) {
    const int last = std::min(first + 3, n);
    Var c = newAuxVar(s);
    vec<Lit> group;
    for (int j = first; j < last; j++) group.push(lits[j]);
    binomialEncoding(s, group, false);
    vec<Lit> someMemberFalse;
    someMemberFalse.push(mkLit(c, true));
    for (int j = first; j < last; j++) someMemberFalse.push(neg(lits[j]));
    addHardClause(s, someMemberFalse);
    for (int j = first; j < last; j++) addHardClause(s, mkLit(c), lits[j]);
    commanders.push(mkLit(c, true));
  }
  if (commanders.size() >= smallestAuxiliaryEncoding)
    commanderEncoding(s, commanders);
  else
    binomialEncoding(s, commanders, false);
}

// The literals sit on a p by q grid (p = ceil(sqrt n), q = ceil(n / p)); a
// false l_k sets its row u_i and its column v_j, and at most one row and one
// column may be set. Two cells differ in row or column, so two false literals
// are refused. q must round up: with n / p rounded down (7 / 3 = 2) the grid
// holds fewer than n cells and the last literals are left unconstrained.
void RUKSolver::productEncoding(Solver* s, vec<Lit>& lits, bool recursive) {
  const int n = lits.size();
  if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
  const int p = ceilSqrt(n);
  const int q = (n + p - 1) / p;
  assert((int64_t)p * q >= n);
  vec<Lit> rows, columns;
  for (int i = 0; i < p; i++) rows.push(mkLit(newAuxVar(s), true));
  for (int j = 0; j < q; j++) columns.push(mkLit(newAuxVar(s), true));
  for (int i = 0; i < p; i++)
    for (int j = 0; j < q; j++) {
      const int k = i * q + j;
      if (k >= n) continue;
      addHardClause(s, lits[k], neg(rows[i]));
      addHardClause(s, lits[k], neg(columns[j]));
    }
  if (recursive) {
    productEncoding(s, columns, true);
    productEncoding(s, rows, true);
  } else {
    binomialEncoding(s, columns, false);
    binomialEncoding(s, rows, false);
  }
}

// A binary tree of pairwise blocks: each node is set when either child is
// (a leaf child being a false literal), and its two children exclude each
// other, so two false literals collide at their lowest common node.
void RUKSolver::sorterEncoding(Solver* s, vec<Lit>& lits) {
  const int n = lits.size();
  if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
  const int h = (n + 1) / 2;
  vec<Var> level;
  for (int k = 0; k < h; k++) {
    Var t = newAuxVar(s);
    level.push(t);
    if (k == h - 1 && n % 2 == 1) {
      addHardClause(s, lits[n - 1], mkLit(t));
    } else {
      addHardClause(s, lits[2 * k], lits[2 * k + 1]);
      addHardClause(s, lits[2 * k], mkLit(t));
      addHardClause(s, lits[2 * k + 1], mkLit(t));
    }
  }
  while (level.size() > 1) {
    vec<Var> up;
    for (int i = 0; i < level.size(); i += 2) {
      if (i + 1 == level.size()) {
        up.push(level[i]);
        continue;
      }
      addHardClause(s, mkLit(level[i], true), mkLit(level[i + 1], true));
      Var u = newAuxVar(s);
      addHardClause(s, mkLit(level[i], true), mkLit(u));
      addHardClause(s, mkLit(level[i + 1], true), mkLit(u));
      up.push(u);
    }
    up.copyTo(level);
  }
}

namespace {

void splitInHalves(vec<Lit>& lits, vec<Lit>& left, vec<Lit>& right) {
  const int half = lits.size() / 2;
  for (int i = 0; i < lits.size(); i++) (i < half ? left : right).push(lits[i]);
}

}  // namespace

// Encodes the first half of the literals under node a, the rest under b.
void RUKSolver::adderHalves(Solver* s, vec<Lit>& lits, Var a, Var b) {
  vec<Lit> left, right, outLeft, outRight;
  splitInHalves(lits, left, right);
  outLeft.push(mkLit(a, true));
  outRight.push(mkLit(b, true));
  adderEncoding(s, left, outLeft);
  adderEncoding(s, right, outRight);
}

// A tree over the literals in which each node's variable is implied by either
// child (a leaf child being a false literal) and the two children of a node
// exclude each other, so at most one leaf can be selected. `out` is empty at
// the root; below it, it holds the negative literal of the parent's variable.
void RUKSolver::adderEncoding(Solver* s, vec<Lit>& lits, vec<Lit>& out) {
  const int n = lits.size();
  if (out.size() == 0) {
    if (n < smallestAuxiliaryEncoding) return binomialEncoding(s, lits, false);
    Var a = newAuxVar(s);
    Var b = newAuxVar(s);
    addHardClause(s, mkLit(a, true), mkLit(b, true));
    adderHalves(s, lits, a, b);
    return;
  }
  assert(out.size() == 1 && n >= 2);
  const Lit parent = neg(out[0]);  // the parent's variable, positive
  if (n == 2) {
    addHardClause(s, lits[0], lits[1]);
    addHardClause(s, lits[0], parent);
    addHardClause(s, lits[1], parent);
  } else if (n == 3) {
    Var c = newAuxVar(s);
    addHardClause(s, lits[0], mkLit(c, true));
    addHardClause(s, lits[0], parent);
    addHardClause(s, mkLit(c, true), parent);
    vec<Lit> rest, outRest;
    rest.push(lits[1]);
    rest.push(lits[2]);
    outRest.push(mkLit(c, true));
    adderEncoding(s, rest, outRest);
  } else {
    Var a = newAuxVar(s);
    Var b = newAuxVar(s);
    addHardClause(s, mkLit(a, true), mkLit(b, true));
    addHardClause(s, mkLit(a, true), parent);
    addHardClause(s, mkLit(b, true), parent);
    adderHalves(s, lits, a, b);
  }
}
