// Core relaxation: the next working solver keeps every constraint at its
// index, relaxes the core's soft members (splitting the heavier ones), shares
// one relaxation variable between complementary members, carries the short
// hard learnt clauses, and ties the new variables by one at-most-one.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <vector>

#include "driver/RUKSolver.h"
#include "driver_test_util.h"

namespace {

std::vector<Lit> litsOf(const Constraint& c) {
  std::vector<Lit> lits;
  for (int i = 0; i < c.size(); i++) lits.push_back(c[i]);
  std::sort(lits.begin(), lits.end());
  return lits;
}

// A plain working solver over input variables only, filled by hand.
struct Relaxation {
  Cooperation coop{2, 16};
  RUKSolver r;
  Solver* s;
  Solver* next = nullptr;
  std::vector<std::list<int>> lists;

  Relaxation(int nVars, int kind) {
    coop.encoding[0] = kind;
    r.coop = &coop;
    r.tid = 0;
    s = r.solver;
    for (int v = 0; v < nVars; v++) s->newVar();
    r.nbOrigVars = nVars;
  }
  ~Relaxation() { delete next; }

  void softUnit(Lit l, Cost w) {
    vec<Lit> unit;
    unit.push(l);
    s->addClause(unit);  // born soft
    r.weights.push_back(w);
  }
  void hardClause(std::vector<Lit> lits) {
    vec<Lit> v;
    for (Lit l : lits) v.push(l);
    s->addClause(v)->isSoft(false);
    r.weights.push_back(r.topWeight);
  }
  void learnt(std::vector<Lit> lits, bool soft) {
    Clause* c = Clause::make(lits.data(), (int)lits.size(), 0x40000000u + (unsigned)s->learnts.size(), true);
    c->isSoft(soft);
    s->learnts.push(c);
  }
  void build(RefSet<int> core, Cost w) {
    r.nbSolverVars = s->nVars();
    r.nbSolverConstraints = s->nConstraints();
    lists.assign((size_t)(2 * r.nbOrigVars), {});
    next = r.buildNextSolver(s, core, lists.data(), w);
  }
  bool listsEmpty() const {
    for (const auto& l : lists)
      if (!l.empty()) return false;
    return true;
  }
};

TEST(Relaxation, CoreOfEqualWeightUnitsRelaxesEachAndAddsOneAtMostOne) {
  Relaxation rx(3, 8);
  for (int v = 0; v < 3; v++) rx.softUnit(mkLit(v), 2);
  rx.build({0, 1, 2}, 2);
  Solver* n = rx.next;
  ASSERT_EQ(n->nVars(), 6);
  ASSERT_EQ(n->nConstraints(), 4);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(litsOf(*n->constraints[i]), (std::vector<Lit>{mkLit(i), mkLit(3 + i)})) << i;
    EXPECT_TRUE(n->constraints[i]->isSoft()) << i;
    EXPECT_EQ(n->constraints[i]->ref(), i);
    EXPECT_EQ(rx.r.weights[(size_t)i], 2);
  }
  // At most one relaxation variable true: ~r3 + ~r4 + ~r5 >= 2.
  Constraint* amo = n->constraints[3];
  EXPECT_FALSE(amo->isClause());
  EXPECT_FALSE(amo->isSoft());
  EXPECT_EQ(amo->rhs(), 2);
  EXPECT_EQ(litsOf(*amo), (std::vector<Lit>{mkLit(3, true), mkLit(4, true), mkLit(5, true)}));
  ASSERT_EQ(rx.r.weights.size(), 4u);
  EXPECT_EQ(rx.r.weights[3], rx.r.topWeight);
  EXPECT_EQ(rx.r.nbSolverVars, 6);
  EXPECT_EQ(rx.r.nbSolverConstraints, 4);
  EXPECT_TRUE(rx.listsEmpty());
}

TEST(Relaxation, HeavierMemberKeepsTheRestOfItsWeightAndGetsARelaxedCopy) {
  Relaxation rx(2, 8);
  rx.softUnit(mkLit(0), 5);
  rx.softUnit(mkLit(1), 2);
  rx.build({0, 1}, 2);
  Solver* n = rx.next;
  // Member 0 takes relaxation variable 2, member 1 variable 3.
  ASSERT_EQ(n->nVars(), 4);
  ASSERT_EQ(n->nConstraints(), 4);
  EXPECT_EQ(litsOf(*n->constraints[0]), std::vector<Lit>{mkLit(0)});
  EXPECT_TRUE(n->constraints[0]->isSoft());
  EXPECT_EQ(rx.r.weights[0], 3);
  EXPECT_EQ(litsOf(*n->constraints[1]), (std::vector<Lit>{mkLit(1), mkLit(3)}));
  EXPECT_EQ(rx.r.weights[1], 2);
  EXPECT_EQ(litsOf(*n->constraints[2]), (std::vector<Lit>{mkLit(0), mkLit(2)}));
  EXPECT_TRUE(n->constraints[2]->isSoft());
  EXPECT_EQ(rx.r.weights[2], 2);
  EXPECT_FALSE(n->constraints[3]->isSoft());
  ASSERT_EQ(rx.r.weights.size(), 4u);
  for (int i = 0; i < 4; i++) EXPECT_EQ(n->constraints[i]->ref(), i);
}

TEST(Relaxation, ComplementaryMembersShareOneRelaxationVariable) {
  Relaxation rx(1, 0);
  rx.softUnit(mkLit(0), 1);
  rx.softUnit(mkLit(0, true), 1);
  rx.build({0, 1}, 1);
  Solver* n = rx.next;
  ASSERT_EQ(n->nVars(), 2);
  EXPECT_EQ(litsOf(*n->constraints[0]), (std::vector<Lit>{mkLit(0), mkLit(1)}));
  EXPECT_EQ(litsOf(*n->constraints[1]), (std::vector<Lit>{mkLit(0, true), mkLit(1)}));
  // Pairwise over one variable: nothing.
  EXPECT_EQ(n->nConstraints(), 2);
  EXPECT_EQ(rx.r.weights.size(), 2u);
  EXPECT_TRUE(rx.listsEmpty());
}

TEST(Relaxation, ThirdMemberAfterTheShareGetsItsOwnVariable) {
  Relaxation rx(1, 0);
  rx.softUnit(mkLit(0), 1);
  rx.softUnit(mkLit(0, true), 1);
  rx.softUnit(mkLit(0, true), 1);
  rx.build({0, 1, 2}, 1);
  Solver* n = rx.next;
  ASSERT_EQ(n->nVars(), 3);
  EXPECT_EQ(litsOf(*n->constraints[0]), (std::vector<Lit>{mkLit(0), mkLit(1)}));
  EXPECT_EQ(litsOf(*n->constraints[1]), (std::vector<Lit>{mkLit(0, true), mkLit(1)}));
  EXPECT_EQ(litsOf(*n->constraints[2]), (std::vector<Lit>{mkLit(0, true), mkLit(2)}));
  // Pairwise over two variables: one clause ~r1 v ~r2.
  ASSERT_EQ(n->nConstraints(), 4);
  EXPECT_EQ(litsOf(*n->constraints[3]), (std::vector<Lit>{mkLit(1, true), mkLit(2, true)}));
}

TEST(Relaxation, HardMembersAndConstraintsOutsideTheCoreAreCopiedUnchanged) {
  Relaxation rx(3, 8);
  rx.hardClause({mkLit(0, true), mkLit(1, true)});
  rx.softUnit(mkLit(0), 1);
  rx.softUnit(mkLit(1), 1);
  rx.softUnit(mkLit(2), 4);
  rx.build({0, 1, 2}, 1);
  Solver* n = rx.next;
  EXPECT_EQ(litsOf(*n->constraints[0]), (std::vector<Lit>{mkLit(0, true), mkLit(1, true)}));
  EXPECT_FALSE(n->constraints[0]->isSoft());
  EXPECT_EQ(litsOf(*n->constraints[3]), std::vector<Lit>{mkLit(2)});
  EXPECT_TRUE(n->constraints[3]->isSoft());
  EXPECT_EQ(rx.r.weights[3], 4);
  EXPECT_EQ(n->nVars(), 5);
}

TEST(Relaxation, OnlyShortHardLearntClausesOverInputVariablesAreCarried) {
  Relaxation rx(4, 8);
  rx.softUnit(mkLit(0), 1);
  rx.softUnit(mkLit(1), 1);
  rx.learnt({mkLit(0), mkLit(2)}, false);                        // carried
  rx.learnt({mkLit(1), mkLit(2)}, true);                         // soft
  rx.learnt({mkLit(0), mkLit(1), mkLit(2), mkLit(3)}, false);    // four literals
  rx.learnt({mkLit(0), mkLit(1), mkLit(3)}, false);              // variable 3 is no input
  rx.r.nbOrigVars = 3;
  rx.learnt({mkLit(0), mkLit(2, true)}, false);                  // carried
  rx.build({0, 1}, 1);
  Solver* n = rx.next;
  // 2 relaxed units, 2 carried learnt clauses, 1 at-most-one.
  ASSERT_EQ(n->nConstraints(), 5);
  EXPECT_EQ(litsOf(*n->constraints[2]), (std::vector<Lit>{mkLit(0), mkLit(2)}));
  EXPECT_EQ(litsOf(*n->constraints[3]), (std::vector<Lit>{mkLit(0), mkLit(2, true)}));
  EXPECT_FALSE(n->constraints[2]->isSoft());
  EXPECT_FALSE(n->constraints[3]->isSoft());
  ASSERT_EQ(rx.r.weights.size(), 5u);
  EXPECT_EQ(rx.r.weights[2], rx.r.topWeight);
  EXPECT_EQ(rx.r.weights[3], rx.r.topWeight);
}

// Below seven relaxation variables every kind but "pb" uses the pairwise
// form; from seven on the kind decides.
TEST(Relaxation, AtMostOneFormFollowsKindAndCoreSize) {
  struct Case {
    int members, kind, constraints, auxiliaries;
  };
  const Case cases[] = {
      {6, 0, 15, 0},   // pairwise
      {6, 3, 15, 0},   // pairwise below seven
      {6, 8, 1, 0},    // one pseudo-Boolean constraint
      {7, 0, 21, 0},   // pairwise
      {7, 8, 1, 0},    // one pseudo-Boolean constraint
      {7, 3, 19, 3},   // commander: groups of 3, 3 and 1, pairwise over 3 commanders
      {7, 2, 21, 3},   // bitwise: 3 code variables, 3 clauses per literal
  };
  for (const Case& k : cases) {
    Relaxation rx(k.members, k.kind);
    RefSet<int> core;
    for (int v = 0; v < k.members; v++) {
      rx.softUnit(mkLit(v), 1);
      core.insert(v);
    }
    rx.build(core, 1);
    EXPECT_EQ(rx.next->nConstraints() - k.members, k.constraints) << k.members << " members, kind " << k.kind;
    EXPECT_EQ(rx.next->nVars() - 2 * k.members, k.auxiliaries) << k.members << " members, kind " << k.kind;
    EXPECT_EQ(rx.r.weights.size(), (size_t)rx.next->nConstraints()) << k.members << " members, kind " << k.kind;
  }
}

}  // namespace
