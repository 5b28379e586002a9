// The upper-bound thread reports what its model's assignment of the input
// variables really costs, whatever the relaxation variables say.
#include <gtest/gtest.h>

#include "driver_test_util.h"

namespace {

using namespace driver_test;

struct UpperBoundRun {
  Cooperation coop{2, 16};
  RUKSolver r;
  std::vector<int> inputOf;  // solver variable -> input variable

  UpperBoundRun() {
    coop.quiet = true;
    coop.verbosityLevel = 0;
    r.coop = &coop;
    r.tid = 1;
    r.inputFormat = formatWcnf;
    r.init();
  }
  PBOSolver& solver() { return *static_cast<PBOSolver*>(r.solver); }

  void load(const Problem& p) {
    inputOf = feed(r, p, false);
    r.solverConfiguration();
    testing::internal::CaptureStderr();
    coop.initBound(r.solver, r.solver->nVars() - r.nbRelaxVars, nullptr);
    testing::internal::GetCapturedStderr();
  }
  uint64_t modelBits() {
    uint64_t bits = 0;
    for (size_t v = 0; v < inputOf.size(); v++)
      if (solver().model[(int)v] == l_True) bits |= 1ull << inputOf[v];
    return bits;
  }
};

TEST(UpperBoundCost, EveryReportedCostIsTheCostOfTheModelsInputAssignment) {
  Lcg g(4242);
  int models = 0;
  for (int round = 0; round < 80; round++) {
    Problem p = randomProblem(g, round % 2 ? Weights::Small : Weights::Large);
    const std::optional<Cost> optimum = bruteForceOptimum(p);
    UpperBoundRun run;
    run.load(p);
    Cost last = -1;
    while (run.solver().solve()) {
      const uint64_t bits = run.modelBits();
      ASSERT_TRUE(feasible(p, bits)) << "round " << round;
      EXPECT_EQ(run.solver().upperBound, costOf(p, bits)) << "round " << round;
      EXPECT_TRUE(last < 0 || run.solver().upperBound < last) << "round " << round;
      last = run.solver().upperBound;
      models++;
    }
    EXPECT_FALSE(run.solver().okay());
    EXPECT_EQ(last, optimum.value_or(-1)) << "round " << round;
  }
  EXPECT_GT(models, 80);
}

// The first model leaves every relaxation variable false (decisions assign
// false); the soft clause holds through the hard unit x0: cost 0.
TEST(UpperBoundCost, SoftClauseSatisfiedByTheModelIsNotPaid) {
  Problem p;
  p.nVars = 2;
  p.clause({mkLit(0)});
  p.clause({mkLit(0), mkLit(1)}, 7);
  UpperBoundRun run;
  run.load(p);
  ASSERT_TRUE(run.solver().solve());
  EXPECT_EQ(run.solver().upperBound, 0);
  EXPECT_EQ(run.coop.bounds[2], 0);
}

}  // namespace
