// The totalizer: a tree whose nodes count the false literals below them in
// unary, output j true when at least j + 1 of them are false, cut at k + 1
// outputs. Clauses only push counts upwards, which is all the bound needs:
// the root's output k is false, so no k + 1 counted literals are.
#include <algorithm>
#include <cassert>

#include "solver/PBOSolver.h"

static void newOutputs(PBOSolver& s, int count, vec<Lit>& outs) {
  for (int j = 0; j < count; j++) outs.push(mkLit(s.newVar(true, true)));
}

// Built at the first bound; a later bound is one unit on the root output of
// its k (encBase + k, which exists since k only decreases).
void PBOSolver::adderAMK(const vec<Lit>& lits, const vec<Lit>& outs, int k) {
  if (outs.size() > 0) {
    adderNode(lits, outs, k);
    return;
  }
  assert(lits.size() >= 4);
  encBase = nVars();
  vec<Lit> root;
  newOutputs(*this, k + 1, root);
  addEncodingClause({neg(root[k])});
  adderNode(lits, root, k);
}

void PBOSolver::adderNode(const vec<Lit>& lits, const vec<Lit>& outs, int k) {
  const int size = lits.size();
  if (size == 2) return adderPair(lits[0], lits[1], outs);
  if (size == 3) return adderTriple(lits[0], lits[1], lits[2], outs);
  vec<Lit> left, right, leftOuts, rightOuts;
  for (int i = 0; i < size; i++) (i < size / 2 ? left : right).push(lits[i]);
  newOutputs(*this, std::min(left.size(), k + 1), leftOuts);
  newOutputs(*this, std::min(right.size(), k + 1), rightOuts);
  const int m = outs.size();
  for (int i = 0; i < leftOuts.size(); i++) addEncodingClause({neg(leftOuts[i]), outs[i]});
  for (int j = 0; j < rightOuts.size(); j++) addEncodingClause({neg(rightOuts[j]), outs[j]});
  for (int i = 0; i < leftOuts.size(); i++)
    for (int j = 0; j < rightOuts.size() && i + j + 1 < m; j++)
      addEncodingClause({neg(leftOuts[i]), neg(rightOuts[j]), outs[i + j + 1]});
  adderNode(left, leftOuts, k);
  adderNode(right, rightOuts, k);
}

// x alone on the left, the pair y, z on the right with outputs T_0, T_1.
void PBOSolver::adderTriple(Lit x, Lit y, Lit z, const vec<Lit>& outs) {
  vec<Lit> pair;
  newOutputs(*this, 2, pair);
  addEncodingClause({x, neg(pair[0]), outs[1]});
  if (outs.size() > 2) addEncodingClause({x, neg(pair[1]), outs[2]});
  addEncodingClause({x, outs[0]});
  addEncodingClause({neg(pair[0]), outs[0]});
  addEncodingClause({neg(pair[1]), outs[1]});
  adderPair(y, z, pair);
}

void PBOSolver::adderPair(Lit y, Lit z, const vec<Lit>& outs) {
  addEncodingClause({y, z, outs[1]});
  addEncodingClause({y, outs[0]});
  addEncodingClause({z, outs[0]});
}
