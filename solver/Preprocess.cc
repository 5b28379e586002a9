// Equivalent-literal preprocessing: the binary clauses make the literals of
// each strongly connected component of their implication graph equivalent;
// every literal is replaced by its component's representative in every
// constraint and in the objective, so that the search sees fewer variables.
// equivalenceMap keeps the replacement, from which the model of a replaced
// variable is read.
#include <cassert>

#include "cooperation/Output.h"
#include "solver/FGraph.h"
#include "solver/PBOSolver.h"

bool PBOSolver::preprocess() {
  if (!ok || !propagateAtLevel0()) return false;
  const int nLits = 2 * nVars();
  {
    FGraph graph;
    buildGraph(graph);
    graph.findAllScc();
    // Nothing to merge: no map (the identity) and no marks, which would be
    // two tables per literal for variables that may be in no clause at all.
    if (graph.components().empty()) return true;
    if (equivalenceMap == nullptr) {
      equivalenceMap = new int[(size_t)nLits];
      for (int l = 0; l < nLits; l++) equivalenceMap[l] = l;
    }
    if (litMarks == nullptr) litMarks = new int[(size_t)nLits]();
    for (const std::vector<int>& component : graph.components())
      if (!registerEquivalentLiterals(component)) return false;
  }
  const bool consistent = replaceEquivalentLiterals();
  clearPreprocessing();  // the marks serve the rewrite only
  return consistent;
}

void PBOSolver::clearPreprocessing() {
  delete[] litMarks;
  litMarks = nullptr;
}

// Clauses with exactly two unassigned literals and none true: a or b gives
// ~a -> b and ~b -> a.
void PBOSolver::buildGraph(FGraph& g) {
  for (const Constraint* c : constraints) {
    if (!c->isClause()) continue;
    Lit open[2];
    int nOpen = 0;
    bool satisfiedNow = false;
    for (int i = 0; i < c->size() && !satisfiedNow; i++) {
      lbool v = value((*c)[i]);
      if (v == l_True) satisfiedNow = true;
      else if (v == l_Undef && nOpen++ < 2) open[nOpen - 1] = (*c)[i];
    }
    if (satisfiedNow || nOpen != 2) continue;
    g.addEdge(neg(open[0]), open[1]);
    g.addEdge(neg(open[1]), open[0]);
  }
}

// The component's first literal represents it, unless the mirror component
// (the complements) was registered first. A literal equivalent to its own
// complement proves the problem unsatisfiable.
bool PBOSolver::registerEquivalentLiterals(const std::vector<int>& component) {
  const Lit rep = component[0];
  if (equivalenceMap[rep] != rep) return true;
  for (size_t i = 1; i < component.size(); i++) {
    const Lit l = component[i];
    if (equivalenceMap[l] != l) continue;
    if (l == neg(rep)) {
      printLine(stdout, "c Conflict found at preprocessing!");
      ok = false;
      return false;
    }
    equivalenceMap[l] = rep;
    equivalenceMap[neg(l)] = neg(rep);
  }
  return true;
}

bool PBOSolver::hasLiteralsToReplace(const Constraint& c) const {
  if (c.size() <= 1) return false;
  if (c.isClause() && c[1] == neg(c[0])) return false;
  int64_t sumTrue = 0;
  bool replaceable = false;
  for (int i = 0; i < c.size(); i++) {
    lbool v = value(c[i]);
    if (v == l_True) sumTrue += c.coeff(i);
    else if (v == l_Undef && equivalenceMap[c[i]] != c[i]) replaceable = true;
  }
  return sumTrue < c.rhs() && replaceable;
}

// Rewrites every constraint with a replaceable literal, propagating after
// each; a rewrite may assign a representative whose links to its class are
// already tautologies, so every rewrite checks the representatives' values.
bool PBOSolver::replaceEquivalentLiterals() {
  // Rewritten clauses are new records at the same index: remember where the
  // relaxed constraints are to point at their rewritten form afterwards.
  std::vector<int> relaxationIndex;
  for (const Relaxation& r : relaxations) {
    assert(constraints[r.constraint->ref()] == r.constraint);
    relaxationIndex.push_back(r.constraint->ref());
  }
  bool consistent = true;
  for (int i = 0; consistent && i < constraints.size(); i++) {
    Constraint* c = constraints[i];
    if (!hasLiteralsToReplace(*c)) continue;
    consistent = c->isClause() ? replaceClauseLiterals(i) : replacePBLiterals(*c);
    consistent = consistent && propagateAtLevel0();
  }
  for (size_t r = 0; r < relaxations.size(); r++) relaxations[r].constraint = constraints[relaxationIndex[r]];
  if (!consistent || !fixRepresentativesOfFixedLiterals()) {
    ok = false;
    return false;
  }
  moveObjectiveToRepresentatives();
  return true;
}

// A replaced literal fixed at level 0 (through a constraint not yet
// rewritten) fixes its representative alike: the model prints the replaced
// variable from the representative.
bool PBOSolver::fixRepresentativesOfFixedLiterals() {
  for (Lit l = 0; l < 2 * nVars(); l++) {
    const Lit r = equivalenceMap[l];
    if (r == l || value(l) != l_True) continue;
    if (value(r) == l_False) return false;
    if (value(r) == l_Undef) uncheckedEnqueue(r, nullptr);
  }
  return propagateAtLevel0();
}

// The new clause drops false representatives and repeats; a true one
// satisfies it for good, a representative with its complement makes it a
// tautology, and nothing left is a conflict.
bool PBOSolver::replaceClauseLiterals(int index) {
  Constraint* old = constraints[index];
  detachClause(*old);
  vec<Lit> lits;
  bool satisfiedNow = false, tautology = false;
  for (int i = 0; i < old->size() && !satisfiedNow && !tautology; i++) {
    if (value((*old)[i]) == l_False) continue;
    const Lit r = equivalenceMap[(*old)[i]];
    if (value(r) == l_False || litMarks[r]) continue;
    litMarks[r] = 1;
    lits.push(r);
    satisfiedNow = value(r) == l_True;
    tautology = litMarks[neg(r)] != 0;
  }
  for (Lit l : lits) litMarks[l] = 0;
  if (satisfiedNow) {
    lits[0] = lits.last();  // the true representative first
    lits.shrink(lits.size() - 1);
  } else if (tautology) {
    const Lit r = lits.last();
    lits.clear();
    lits.push(r);
    lits.push(neg(r));
  }
  Clause* c = Clause::make(lits.begin(), lits.size(), (unsigned)old->ref(), false, &problemArena);
  c->isSoft(old->isSoft());
  constraints[index] = c;
  freeConstraint(old);
  if (lits.size() == 0) return false;
  if (satisfiedNow || tautology) return true;
  if (lits.size() == 1) uncheckedEnqueue(lits[0], c);
  else attachClause(*c);
  return true;
}

// In place: a representative met twice keeps the summed coefficient at its
// first position and 0 at the later one (unless the sum leaves 32 bits:
// then both copies stay, as the store allows). Assigned literals stay.
bool PBOSolver::replacePBLiterals(Constraint& c) {
  detachClause(c);
  for (int i = 0; i < c.size(); i++) {
    const Lit l = c[i];
    if (value(l) != l_Undef) continue;
    const Lit r = equivalenceMap[l];
    c[i] = r;
    if (!litMarks[r]) {
      litMarks[r] = i + 1;  // where the merged coefficient goes
      continue;
    }
    const int j = litMarks[r] - 1;
    const uint64_t merged = (uint64_t)c.coeff(j) + c.coeff(i);
    if (merged > UINT32_MAX) continue;
    c.chCoeff(j, (unsigned)merged);
    c.chCoeff(i, 0);
  }
  for (int i = 0; i < c.size(); i++) litMarks[c[i]] = 0;
  PB_Counters& pb = c.asPB();
  sortByCoefficient(pb.lits(), pb.coeffs, c.size());
  int64_t possible = 0;
  for (int i = 0; i < c.size(); i++)
    if (value(c[i]) != l_False) possible += c.coeff(i);
  if (possible < c.rhs()) return false;
  enqueuePBUnitLiterals(c);
  attachPB(c);
  return true;
}

// A replaced literal's weight goes to its representative. Weights may then
// lie on both literals of a representative, as they may in the input: the
// objective bound and the cost limit net them against each other, so the
// objective keeps its values and costs stay what the input says.
void PBOSolver::moveObjectiveToRepresentatives() {
  if (objCoeffs.size() == 0) return;
  // The table only reaches the last variable with a weight; a representative
  // may lie beyond it.
  objCoeffs.growTo(2 * nVars());
  for (Lit l = 0; l < objCoeffs.size(); l++) {
    const Lit r = equivalenceMap[l];
    if (objCoeffs[l] == 0 || r == l) continue;
    objCoeffs.at(r) += objCoeffs[l];
    objCoeffs.at(l) = 0;
  }
}
