// The quon binary with the lower-bound thread stopped at once, so that the
// upper-bound thread proves the optimum alone: every form of its objective
// bound (-enc-ub=) ends at the optimum found by enumeration, with the
// preprocessor on and off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

const char* const amkEncodings[] = {"pb", "sequential", "totalizer", "sorters", "dyn"};

// Unweighted and small-weight soft clauses, so that the clause forms apply,
// over binary-heavy hard clauses, so that the preprocessor merges literals.
WeightedProblem randomProblem(Lcg& random) {
  WeightedProblem p;
  p.nbVars = 4 + (int)random.below(9);
  p.top = 1000;
  for (int i = (int)random.below((uint32_t)p.nbVars); i >= 0; i--) {
    const int a = random.between(1, p.nbVars), b = random.between(1, p.nbVars);
    p.clauses.push_back({p.top, {random.chance(50) ? a : -a, random.chance(50) ? b : -b}});
  }
  for (int i = 2 * p.nbVars; i > 0; i--) {
    std::vector<int> lits;
    for (int k = (int)random.below(3); k >= 0; k--) {
      const int v = random.between(1, p.nbVars);
      lits.push_back(random.chance(50) ? v : -v);
    }
    p.clauses.push_back({random.chance(70) ? 1 : 1 + (int64_t)random.below(4), lits});
  }
  return p;
}

}  // namespace

TEST(UpperBoundForms, EveryFormReachesTheOptimumAlone) {
  ScratchDir dir;
  Lcg random(77);
  for (int index = 0; index < 12; index++) {
    const WeightedProblem p = randomProblem(random);
    const std::string file = dir.write("p" + std::to_string(index), p.wcnf(true));
    const int64_t optimum = bruteForceOptimum(p);
    for (const char* form : amkEncodings) {
      std::vector<std::string> args = {std::string("-enc-ub=") + form, "-lb-cpu-time=0.001", "-time-limit=30",
                                       index % 2 == 0 ? "-preprocessor=yes" : "-preprocessor=no", file};
      RunResult r = runQuon(dir, args, 60);
      const std::string context = "instance " + std::to_string(index) + " -enc-ub=" + form + "\n" + p.wcnf(true) +
                                  "--- stdout\n" + r.out;
      ASSERT_EQ(r.status, 255) << context;
      std::vector<std::string> status = lines(r.out, "s ");
      ASSERT_EQ(status.size(), 1u) << context;
      if (optimum < 0) {
        EXPECT_EQ(status[0], "s UNSATISFIABLE") << context;
        continue;
      }
      EXPECT_EQ(status[0], "s OPTIMUM FOUND") << context;
      std::vector<std::string> costs = lines(r.out, "o ");
      ASSERT_FALSE(costs.empty()) << context;
      EXPECT_EQ(costs.back(), "o " + std::to_string(optimum)) << context;
      std::vector<std::string> models = lines(r.out, "v ");
      ASSERT_EQ(models.size(), 1u) << context;
      std::vector<bool> value;
      ASSERT_TRUE(parseModel(models[0], p.nbVars, value)) << context;
      EXPECT_EQ(costOf(p, value), optimum) << context;
    }
  }
}
