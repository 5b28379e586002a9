// The partition-based lower-bound searches of thread 0, run alone: the
// grouping by weight, the withdrawal of light soft constraints, the
// constraint hypergraph, and the optimum of every mode against brute force.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/ConstraintHyperGraph.h"
#include "driver_test_util.h"
#include "hypergraph/hgp.h"
#include "tests/solver/test_util.h"

namespace {

using namespace driver_test;

// Thread 0 set up as the thread road does it, then the mode choice and the
// search in the mode set.
struct PartitionRun : LowerBoundRun {
  PartitionRun(SearchMode mode, int parts) : LowerBoundRun(amoPb) {
    coop.searchModeSetting = mode;
    coop.parts = parts;
  }
  void setUpWithCopy() {
    setUp();
    r.keepUnrelaxedCopy();
  }
  void runMode() {
    setUpWithCopy();
    pthread_mutex_lock(&coop.initMutex);  // the thread road holds it here
    r.initDecomposition();
  }
};

Problem softUnits(const std::vector<Cost>& weightsInOrder) {
  Problem p;
  p.nVars = (int)weightsInOrder.size();
  for (int v = 0; v < p.nVars; v++) p.clause({mkLit(v)}, weightsInOrder[(size_t)v]);
  return p;
}

TEST(WeightPartitions, OnePerWeightHeaviestFirstMembersInConstraintOrder) {
  PartitionRun run(searchPartWeight, 16);
  run.load(softUnits({5, 3, 5, 1}));
  run.setUp();
  run.r.weightDecomposition();
  const std::vector<wPar>& partitions = run.coop.partitions;
  const std::pair<Cost, std::vector<int>> expected[] = {{5, {0, 2}}, {3, {1}}, {1, {3}}};
  ASSERT_EQ(partitions.size(), 3u);
  for (size_t i = 0; i < 3; i++) EXPECT_EQ(std::make_pair(partitions[i].weight, partitions[i].ids), expected[i]);
  ASSERT_EQ(run.coop.partitionPositions.size(), 3u);
  EXPECT_EQ(run.coop.partitionPositions[0].ids, (std::vector<int>{0, 2}));
  EXPECT_EQ(run.coop.sortedPositions, (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(run.coop.nbSoft, 4);
}

TEST(HeldBack, HeaviestFirstEqualWeightsInWithdrawalOrder) {
  PartitionRun run(searchPartWeight, 16);
  run.r.insertDynamicPartition({4, {}, 10});  // 4a
  run.r.insertDynamicPartition({7, {}, 20});
  run.r.insertDynamicPartition({4, {}, 30});  // 4b
  std::vector<int> positions;
  for (const auto& entry : run.coop.heldBack) positions.push_back(entry.second.position);
  EXPECT_EQ(positions, (std::vector<int>{20, 10, 30}));
}

// Residual weights 10, 5, 4 at level 5: only the one below the level goes,
// leaving a placeholder at its index and its literals in heldBack.
TEST(HeldBack, WithdrawsOnlySoftConstraintsBelowTheLevel) {
  PartitionRun run(searchPartWeight, 16);
  run.load(softUnits({10, 5, 4}));
  run.setUp();
  run.coop.placeholderVar = run.r.solver->newVar();
  run.coop.nbSoft = 3;
  run.coop.currentWeight = 5;
  run.r.dynamicDecomposition();
  ASSERT_EQ(run.coop.heldBack.size(), 1u);
  const dynPar& d = run.coop.heldBack.begin()->second;
  EXPECT_EQ(d.weight, 4);
  EXPECT_EQ(d.position, 2);
  EXPECT_EQ(d.lits, (std::vector<Lit>{mkLit(2)}));
  const Solver& s = *run.r.solver;
  ASSERT_EQ(s.nConstraints(), 3);
  EXPECT_EQ(s.constraints[0]->size(), 1);
  EXPECT_EQ((*s.constraints[0])[0], mkLit(0));
  EXPECT_EQ((*s.constraints[1])[0], mkLit(1));
  EXPECT_EQ((*s.constraints[2])[0], mkLit(run.coop.placeholderVar));
  EXPECT_TRUE(s.constraints[2]->isSoft());
  EXPECT_EQ(run.r.weights[2], 4);
}

std::string configurationBox(const std::string& modeLine) {
  return "c ============================[ Solver Configuration ]===========================\n"
         "c |  Preprocessor:          Yes                                                 |\n"
         "c " + modeLine + "\n"
         "c |  LB encoding:           Pseudo-Boolean                                      |\n"
         "c |  UB encoding:           Pseudo-Boolean                                      |\n"
         "c |  Time limit:            1800.00          s                                  |\n"
         "c |  LB Time limit:         900.00           s                                  |\n"
         "c |  UB Time limit:         900.00           s                                  |\n"
         "c ==============================[ Search Statistics ]============================\n"
         "c | Time (s)  | ID |      Bound      |               Shared Clauses             |\n"
         "c |           |    | value      type |  expCls         impCls        Lit/impCl  |\n"
         "c ===============================================================================\n";
}

// One weight class: normal; 10 soft constraints in 5 classes (ratio 2.0):
// by weight; 3 soft constraints in 3 classes (ratio 1.0): by hypergraph.
TEST(ConfigurationBox, PartDynNamesTheModeItChoseByteForByte) {
  struct Case {
    std::vector<Cost> weights;
    std::string modeLine;
  } cases[] = {
      {{4, 4, 4}, "|  LB Search mode:        Part-dyn (normal)                                   |"},
      {{1, 1, 2, 2, 3, 3, 4, 4, 5, 5},
       "|  LB Search mode:        Part-dyn (part-weight)                              |"},
      {{1, 2, 3}, "|  LB Search mode:        Part-dyn (part-graph)    (16  parts)                |"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.modeLine.size(), 79u);
    PartitionRun run(searchPartDyn, 16);
    run.coop.encoding[1] = 0;
    run.load(softUnits(c.weights));
    run.setUpWithCopy();
    RunResult child = runInChild([&] {
      pthread_mutex_lock(&run.coop.initMutex);
      run.r.initDecomposition();
    });
    EXPECT_EQ(child.status, 77);
    EXPECT_EQ(child.err.substr(0, configurationBox(c.modeLine).size()), configurationBox(c.modeLine));
  }
}

// {x1, x2}, {x2, x3}, {x4} with a declared variable that occurs nowhere
// before x4: it gets no net, and x4's net still follows.
TEST(ConstraintHyperGraph, NetsPerOccurringVariablePinsInConstraintOrder) {
  Solver s;
  for (int v = 0; v < 5; v++) s.newVar();
  add(s, C({mkLit(0), mkLit(1)}));
  add(s, C({mkLit(1), mkLit(2)}));
  add(s, C({mkLit(4)}));
  const ConstraintHyperGraph g = constraintHyperGraph(s);
  EXPECT_EQ(g.nbVertices, 3);
  EXPECT_EQ(g.nbNets(), 4);
  EXPECT_EQ(g.eptr, (std::vector<int>{0, 1, 3, 4, 5}));
  EXPECT_EQ(g.eind, (std::vector<int>{0, 0, 1, 1, 2}));
}

// A variable twice in one constraint is two pins of its net; the
// partitioner takes such a net and puts every vertex in a part.
TEST(ConstraintHyperGraph, RepeatedVariableGivesOnePinPerOccurrence) {
  Solver s;
  for (int v = 0; v < 3; v++) s.newVar();
  add(s, C({mkLit(0), mkLit(0, true), mkLit(1)}));
  add(s, C({mkLit(1), mkLit(2)}));
  add(s, C({mkLit(2), mkLit(0)}));
  const ConstraintHyperGraph g = constraintHyperGraph(s);
  EXPECT_EQ(g.eptr, (std::vector<int>{0, 3, 5, 7}));
  EXPECT_EQ(g.eind, (std::vector<int>{0, 0, 2, 0, 1, 1, 2}));
  std::vector<int> part(3, -1);
  int edgecut = -1;
  const int options[9] = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};
  HGP_PartRecursive(g.nbVertices, g.nbNets(), nullptr, g.eptr.data(), g.eind.data(), nullptr, 2, 5, options,
                    part.data(), &edgecut);
  for (int p : part) EXPECT_TRUE(p == 0 || p == 1);
}

// Soft units of many distinct weights (or one) against random hard clauses,
// some with an unsatisfiable hard part, some with every soft unit fixed.
Problem weightedProblem(Lcg& g, int shape) {
  Shape distinct;
  distinct.repeatVariablePercent = 0;
  auto randomLits = [&](int nVars, int size) { return randomLiterals(g, distinct, nVars, size); };
  Problem p;
  p.nVars = g.between(3, 9);
  if (shape == 3) {
    // Every soft literal fixed by a hard unit: no soft constraint is left.
    for (int v = 0; v < p.nVars; v++) p.clause({mkLit(v, g.chance(50))});
    for (int v = 0; v < p.nVars; v++) p.clause({mkLit(v, g.chance(50))}, g.between(1, 9));
    if (g.chance(50)) p.clause({mkLit(0), mkLit(1)});
    return p;
  }
  for (int i = g.between(1, 2 * p.nVars); i > 0; i--) p.clause(randomLits(p.nVars, g.between(2, 3)));
  if (shape == 2) {
    Var a = g.between(0, p.nVars - 1), b = (a + 1) % p.nVars;
    for (int s = 0; s < 4; s++) p.clause({mkLit(a, s & 1), mkLit(b, (s >> 1) & 1)});
  }
  for (int i = g.between(2, 2 * p.nVars); i > 0; i--) {
    const Cost w = shape == 1 ? 7 : g.chance(30) ? 3 : g.between(1, 40);
    p.clause(randomLits(p.nVars, g.chance(80) ? 1 : 2), w);
  }
  return p;
}

void expectOptimum(const Problem& p, SearchMode mode, int parts) {
  PartitionRun run(mode, parts);
  run.load(p);
  run.runMode();
  EXPECT_TRUE(run.coop.heldBack.empty());
  run.expectBruteForceOptimum(p);
}

class EveryMode : public testing::TestWithParam<SearchMode> {};

TEST_P(EveryMode, OptimumAsBruteForceOrNoSolutionOnUnsatisfiableHardPart) {
  Lcg g(4242 + GetParam());
  for (int round = 0; round < 160; round++) {
    SCOPED_TRACE("round " + std::to_string(round));
    expectOptimum(weightedProblem(g, round % 4), GetParam(), 2 + round % 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryMode,
                         testing::Values(searchNormal, searchPartWeight, searchPartGraph, searchPartDyn));

}  // namespace
