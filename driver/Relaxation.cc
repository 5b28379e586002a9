// Core relaxation: the next working solver is a copy of the current one in
// which every soft member of the core gets a relaxation variable (members
// heavier than the core weight keep their clause with the rest of their
// weight and get a relaxed copy of weight w), and at most one of the new
// relaxation variables may be true.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>

#include "driver/RUKSolver.h"

// A literal qualifies when it alone satisfies the constraint.
static bool qualifies(const Constraint& c, int j, int nbOrigVars) {
  return var(c[j]) < nbOrigVars && (int64_t)c.coeff(j) >= c.rhs();
}

// Two members of one core with complementary literals share a relaxation
// variable: a created variable is offered, through the lists of the
// complements of its member's qualifying literals, to one later member.
Var RUKSolver::relaxationVarFor(Solver* next, Constraint& c, OfferLists& lists, std::vector<char>& shared,
                                int& created) {
  for (int j = 0; j < c.size(); j++) {
    if (!qualifies(c, j, nbOrigVars)) continue;
    auto found = lists.find(c[j]);
    if (found == lists.end()) continue;
    std::list<int>& offers = found->second;
    while (!offers.empty()) {
      int e = offers.front();
      if (!shared[(size_t)e]) {
        shared[(size_t)e] = 1;
        return nbSolverVars + e;
      }
      offers.pop_front();
    }
  }
  Var v = next->newVar();
  assert(v == nbSolverVars + created);
  for (int j = 0; j < c.size(); j++)
    if (qualifies(c, j, nbOrigVars)) lists[neg(c[j])].push_back(created);
  created++;
  return v;
}

void RUKSolver::addAtMostOne(Solver* next, int firstVar, int count) {
  vec<Lit> lits;
  vec<unsigned> ones;
  for (int j = 0; j < count; j++) {
    lits.push(mkLit(firstVar + j, true));
    ones.push(1);
  }
  const AtMostOne kind = (AtMostOne)coop->encoding[tid];
  if (count < smallestAuxiliaryEncoding) {
    if (kind == amoPb) pbEncoding(next, lits, ones, count);
    else binomialEncoding(next, lits, false);
    return;
  }
  vec<Lit> out;
  switch (kind) {
    case amoPairwise: binomialEncoding(next, lits, false); break;
    case amoLadder: regularEncoding(next, lits); break;
    case amoBitwise: binaryEncoding(next, lits, true); break;
    case amoCommander: commanderEncoding(next, lits); break;
    case amoProduct: productEncoding(next, lits, true); break;
    case amoSequential: sequentialEncoding(next, lits); break;
    case amoTotalizer: adderEncoding(next, lits, out); break;
    case amoSorters: sorterEncoding(next, lits); break;
    case amoPb: pbEncoding(next, lits, ones, count); break;
  }
}

Solver* RUKSolver::buildNextSolver(Solver* s, RefSet<int>& core, Cost w) {
  OfferLists lists;
  Solver* next = newSolverFromPrevious(s, 0);
  next->reserveVars(nbSolverVars + core.size());  // with room for the relaxation variables
  next->newVars(nbSolverVars);
  int created = 0;
  std::vector<char> shared(core.size() + 1, 0);
  std::vector<std::pair<Constraint*, Var>> splits;

  vec<Lit> lits;  // reused: one copy per constraint of a large problem adds up
  vec<unsigned> coeffs;
  for (int i = 0; i < nbSolverConstraints; i++) {
    if (budgetSpentWhileCopying(i)) {
      delete next;
      return nullptr;
    }
    Constraint* c = s->constraints[i];
    lits.clear();
    coeffs.clear();
    if (c->isSoft() && core.count(c->ref()) != 0) {
      Var v = relaxationVarFor(next, *c, lists, shared, created);
      if (weights[(size_t)c->ref()] == w) pushTerm(lits, coeffs, mkLit(v), c->rhs());
      else splits.emplace_back(c, v);
    }
    addCopyOf(next, *c, lits, coeffs);
  }

  // Short hard learnt clauses over input variables hold in every relaxation.
  for (Constraint* c : s->learnts) {
    if (c->isSoft() || c->size() > learntSizeCap) continue;
    bool inputOnly = true;
    for (int j = 0; j < c->size() && inputOnly; j++) inputOnly = var((*c)[j]) < nbOrigVars;
    if (!inputOnly) continue;
    keepHard(addSolverConstraint(next, c));
  }

  for (auto& [c, v] : splits) {
    lits.clear();
    coeffs.clear();
    pushTerm(lits, coeffs, mkLit(v), c->rhs());
    pushTerms(lits, coeffs, *c);
    Constraint* relaxed = c->isClause() ? next->addClause3(lits) : next->addPBConstraint(lits, coeffs, c->rhs());
    keepWeighted(relaxed, w, true);
    weights[(size_t)c->ref()] -= w;
  }

  addAtMostOne(next, nbSolverVars, created);
  assert(weightsAligned(next));
  nbSolverConstraints = next->nConstraints();
  nbSolverVars = next->nVars();
  return next;
}
