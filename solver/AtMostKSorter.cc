// The odd-even merge sorting network (Batcher): the counted literals are
// sorted ascending, output j implying that at least (outputs - j) inputs are
// true; asserting outputs k and up allows at most k false inputs. Inputs are
// padded to a power of two with a constant true literal that needs no
// comparator.
#include "solver/PBOSolver.h"

void PBOSolver::sorterAMK(vec<Lit>& lits, int k) {
  sorterOutputs.clear();
  sorterPad = 0;
  oddEvenSort(lits);
  const int m = sorterOutputs.size();
  assertSorterOutputs(k, m);
  // Sortedness: what implies the count of true inputs at j implies it above.
  for (int i = 1; i < m; i++) addEncodingClause({neg(sorterOutputs[i - 1]), sorterOutputs[i]});
}

// Units on the outputs from..to-1; a padding output is true already.
void PBOSolver::assertSorterOutputs(int from, int to) {
  for (int j = from; j < to; j++)
    if (!isPadding(sorterOutputs[j])) addEncodingClause({sorterOutputs[j]});
}

void PBOSolver::oddEvenSort(vec<Lit>& lits) {
  int width = 1;
  while (width < lits.size()) width *= 2;
  if (width != lits.size()) {
    sorterPad = newVar(true, true);
    addEncodingClause({mkLit(sorterPad, true)});
    while (lits.size() < width) lits.push(mkLit(sorterPad, true));
  }
  for (int block = 2; block <= width; block *= 2)
    for (int lo = 0; lo < width; lo += block) oddEvenMerge(lits, lo, lo + block);
  for (int i = 0; i < lits.size(); i++) sorterOutputs.push(lits[i]);
}

// Merges the block [lo, hi) whose two halves are sorted: merge the even and
// the odd positions separately, then compare neighbours 1-2, 3-4, ...
void PBOSolver::oddEvenMerge(vec<Lit>& lits, int lo, int hi) {
  const int size = hi - lo;
  if (size == 2) return cmp2(lits, lo);
  const int half = size / 2;
  vec<Lit> block;
  block.growTo(size);
  for (int i = 0; i < half; i++) {  // unriffle: even positions first
    block[i] = lits[lo + 2 * i];
    block[half + i] = lits[lo + 2 * i + 1];
  }
  oddEvenMerge(block, 0, half);
  oddEvenMerge(block, half, size);
  for (int i = 0; i < half; i++) {  // riffle back
    lits[lo + 2 * i] = block[i];
    lits[lo + 2 * i + 1] = block[half + i];
  }
  for (int i = 1; i <= size - 3; i += 2) cmp2(lits, lo + i);
}

// Minimum to position i, maximum to i + 1. ~c implies a and b, ~d implies a
// or b; a constant true input passes the other one through unchanged.
void PBOSolver::cmp2(vec<Lit>& lits, int i) {
  const Lit a = lits[i], b = lits[i + 1];
  if (isPadding(a) || isPadding(b)) {
    lits[i] = isPadding(a) ? b : a;
    lits[i + 1] = mkLit(sorterPad, true);
    return;
  }
  const Var c = newVar(true, true), d = newVar(true, true);
  addEncodingClause({a, mkLit(c)});
  addEncodingClause({b, mkLit(c)});
  addEncodingClause({a, b, mkLit(d)});
  lits[i] = mkLit(c, true);
  lits[i + 1] = mkLit(d, true);
}
