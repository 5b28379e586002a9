// Random small wcnf problems solved by the quon binary and by brute force, with
// options varied; the partition-based searches are checked alone in tests/driver.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

const char* const amoEncodings[] = {"pairwise",   "ladder",    "bitwise", "commander", "product",
                                    "sequential", "totalizer", "sorters", "pb"};
const char* const amkEncodings[] = {"pb", "sequential", "totalizer", "sorters", "dyn"};
const char* const searchModes[] = {"normal", "part-weight", "part-graph", "part-dyn"};

// A wcnf top has 32 bits.
const Weights wcnfWeights[] = {Weights::Small, Weights::Large, Weights::SmallTop};

const int shards = 12;
const int instancesPerShard = 12;  // 144 instances in all

// Clauses of one to three literals, hard ones mixed in among the soft ones;
// now and then an unsatisfiable hard part. Weights of every kind: with a
// small top, a weight above it is soft too.
Problem randomProblem(Lcg& random, Weights weights) {
  Shape shape;
  shape.maxVars = 12;
  shape.constraintsPerVar = 2;
  shape.clausePercent = 100;
  shape.edgeCasePercent = 10;
  shape.emptyClausePermille = 0;
  shape.softPercent = 50;
  shape.softUnitsPerVar = 1;
  shape.weights = weights;
  Problem p = randomProblem(random, shape);
  if (random.chance(15)) {
    // Every sign pattern of two variables excluded.
    const Var a = (Var)random.below((uint32_t)p.nVars), b = (Var)random.below((uint32_t)p.nVars);
    for (int s = 0; s < 4; s++) p.clause({mkLit(a, s & 1), mkLit(b, s & 2)});
  }
  auto& all = p.constraints;
  for (size_t i = all.size(); i > 1; i--) std::swap(all[i - 1], all[random.below((uint32_t)i)]);
  return p;
}

class Differential : public ::testing::TestWithParam<int> {};

TEST_P(Differential, OptimumOrUnsatisfiableAsBruteForceSays) {
  ScratchDir dir;
  const int shard = GetParam();
  Lcg random(1000 + (uint64_t)shard);
  for (int k = 0; k < instancesPerShard; k++) {
    const int index = shard * instancesPerShard + k;
    const Weights weights = wcnfWeights[random.below(3)];
    const Problem p = randomProblem(random, weights);
    const std::string text = wcnf(p, topFor(weights), topFor(weights) != defaultTop || random.chance(50));
    std::vector<std::string> args = {std::string("-enc-lb=") + amoEncodings[index % 9],
                                     std::string("-enc-ub=") + amkEncodings[index % 5], "-time-limit=30"};
    if (random.chance(20)) args.push_back("-preprocessor=no");
    if (random.chance(20)) args.push_back("-verbosity=0");
    if (random.chance(30)) args.push_back(std::string("-lb-search-mode=") + searchModes[random.below(4)]);
    // The upper-bound thread alone, its objective bound in every form.
    if (random.chance(20)) args.push_back("-lb-cpu-time=0.001");
    args.push_back(random.chance(15) ? dir.writeGzip("p" + std::to_string(index) + ".gz", text)
                                     : dir.write("p" + std::to_string(index), text));
    const std::optional<Cost> optimum = bruteForceOptimum(p);
    RunResult r = runQuon(dir, args, 60);
    std::string context = "instance " + std::to_string(index) + " args";
    for (const auto& a : args) context += " " + a;
    context += "\n" + text + "--- stdout\n" + r.out + "--- stderr tail\n" +
               r.err.substr(r.err.size() > 1500 ? r.err.size() - 1500 : 0);
    const std::string model = modelOfAnswer(r, optimum, context);
    if (!optimum) continue;
    std::vector<bool> value;
    ASSERT_TRUE(parseModel(model, p.nVars, value)) << context;
    EXPECT_TRUE(feasible(p, value)) << "the model breaks a hard clause\n" << context;
    EXPECT_EQ(costOf(p, value), *optimum) << context;
  }
}

INSTANTIATE_TEST_SUITE_P(RandomWcnf, Differential, ::testing::Range(0, shards));

}  // namespace
