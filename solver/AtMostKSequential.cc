// The sequential counter: s(i, j) true when at least j + 1 of the counted
// literals x_0 .. x_i are false; a row per prefix, one column per count up
// to the first bound's k, which stays the width for every later bound.
#include "solver/PBOSolver.h"

namespace {

struct Counter {
  int base, width;
  Lit at(int i, int j) const { return mkLit(base + i * width + j); }
};

}  // namespace

void PBOSolver::sequentialAMK(const vec<Lit>& x, int k) {
  const int n = x.size();
  encBase = nVars();
  encWidth = k;
  for (int i = 0; i < (n - 1) * k; i++) newVar(true, true);
  const Counter s{encBase, encWidth};

  addEncodingClause({x[0], s.at(0, 0)});
  for (int j = 1; j < k; j++) addEncodingClause({neg(s.at(0, j))});
  addEncodingClause({x[n - 1], neg(s.at(n - 2, k - 1))});
  for (int i = 1; i <= n - 2; i++) {
    addEncodingClause({x[i], s.at(i, 0)});
    addEncodingClause({neg(s.at(i - 1, 0)), s.at(i, 0)});
    addEncodingClause({x[i], neg(s.at(i - 1, k - 1))});
    for (int j = 1; j < k; j++) {
      addEncodingClause({x[i], neg(s.at(i - 1, j - 1)), s.at(i, j)});
      addEncodingClause({neg(s.at(i - 1, j)), s.at(i, j)});
    }
  }
  // A row cannot count more false literals than it has.
  for (int i = 0; i <= n - 2; i++)
    for (int c = i + 1; c <= k - 2; c++) addEncodingClause({neg(s.at(i, c))});
}

// A lower k forbids the count k in every row (a k + 1-th false literal after
// k is a conflict); the counter itself stays.
void PBOSolver::tightenSequential(const vec<Lit>& x, int k, int oldK) {
  const int n = x.size();
  const Counter s{encBase, encWidth};
  if (k + 1 < n - 1)
    for (int r = k + 1; r <= n - 2; r++)
      for (int c = k; c <= oldK - 2; c++) addEncodingClause({neg(s.at(r, c))});
  for (int r = 1; r <= n - 1; r++) addEncodingClause({x[r], neg(s.at(r - 1, k - 1))});
}
