// Random small wcnf problems solved by the quon binary and by brute force:
// the optimum with a model of that cost satisfying the hard clauses, or
// "s UNSATISFIABLE" exactly when the hard clauses are. -enc-lb= and -enc-ub=
// cycle through every value; search mode, preprocessor, verbosity, gzip and
// the lower-bound thread stopped at once (the upper-bound thread proving the
// optimum alone) vary at random.
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

// One run of the binary: "s UNSATISFIABLE" without a model exactly when the
// hard clauses are unsatisfiable, otherwise the optimum with a model of that
// cost.
void expectAnswerAsBruteForce(const ScratchDir& dir, const Problem& p, const std::string& text,
                              const std::vector<std::string>& args, const std::string& name) {
  const int64_t optimum = bruteForceOptimum(p).value_or(-1);
  RunResult r = runQuon(dir, args, 60);
  std::string context = name + " args";
  for (const auto& a : args) context += " " + a;
  context += "\n" + text + "--- stdout\n" + r.out + "--- stderr tail\n" +
             r.err.substr(r.err.size() > 1500 ? r.err.size() - 1500 : 0);

  ASSERT_EQ(r.status, 255) << context;
  std::vector<std::string> status = lines(r.out, "s ");
  ASSERT_EQ(status.size(), 1u) << context;
  std::vector<std::string> models = lines(r.out, "v ");
  if (optimum < 0) {
    EXPECT_EQ(status[0], "s UNSATISFIABLE") << context;
    EXPECT_TRUE(models.empty()) << context;
    return;
  }
  ASSERT_EQ(status[0], "s OPTIMUM FOUND") << context;
  std::vector<std::string> costs = lines(r.out, "o ");
  ASSERT_FALSE(costs.empty()) << context;
  EXPECT_EQ(costs.back(), "o " + std::to_string(optimum)) << context;
  ASSERT_EQ(models.size(), 1u) << context;
  std::vector<bool> value;
  ASSERT_TRUE(parseModel(models[0], p.nVars, value)) << context;
  EXPECT_TRUE(feasible(p, value)) << "the model breaks a hard clause\n" << context;
  EXPECT_EQ(costOf(p, value), optimum) << context;
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
    if (random.chance(15)) args.push_back(std::string("-lb-search-mode=") + searchModes[random.below(4)]);
    // The upper-bound thread alone, its objective bound in every form.
    if (random.chance(20)) args.push_back("-lb-cpu-time=0.001");
    std::string file = random.chance(15) ? dir.writeGzip("p" + std::to_string(index) + ".gz", text)
                                         : dir.write("p" + std::to_string(index), text);
    args.push_back(file);

    expectAnswerAsBruteForce(dir, p, text, args, "instance " + std::to_string(index));
  }
}

INSTANTIATE_TEST_SUITE_P(RandomWcnf, Differential, ::testing::Range(0, shards));

// Weighted problems for the partition-based searches: many distinct weights,
// a single weight, every soft literal fixed by a hard unit, or an
// unsatisfiable hard part.
Problem partitionProblem(Lcg& random, int shape) {
  Problem p;
  p.nVars = 3 + (int)random.below(9);
  auto randomClause = [&]() {
    std::vector<Lit> lits;
    for (int k = (int)random.below(3); k >= 0; k--) lits.push_back(mkLit((Var)random.below((uint32_t)p.nVars), random.chance(50)));
    return lits;
  };
  if (shape == 2) {
    for (Var v = 0; v < p.nVars; v++) {
      const Lit l = mkLit(v, random.chance(50));
      p.clause({l});
      p.clause({random.chance(50) ? l : neg(l)}, 1 + (Cost)random.below(30));
    }
  } else {
    for (int i = (int)random.below((uint32_t)p.nVars + 1); i > 0; i--) p.clause(randomClause());
  }
  if (shape == 3 || (shape == 2 && random.chance(50)))
    for (int s = 0; s < 4; s++) p.clause({mkLit(0, s & 1), mkLit(1, s & 2)});
  if (shape == 2) return p;
  for (int i = 2 + (int)random.below((uint32_t)(2 * p.nVars)); i > 0; i--)
    p.clause(randomClause(), shape == 1 ? 5 : 1 + (Cost)random.below(60));
  return p;
}

class EveryMode : public ::testing::TestWithParam<int> {};

TEST_P(EveryMode, SameOptimumAsBruteForce) {
  ScratchDir dir;
  Lcg random(7000 + (uint64_t)GetParam());
  for (int k = 0; k < 8; k++) {
    const Problem p = partitionProblem(random, k % 4);
    const std::string text = wcnf(p);
    const std::string file = dir.write("p" + std::to_string(k), text);
    for (const char* mode : searchModes) {
      const std::string name = "shard " + std::to_string(GetParam()) + " instance " + std::to_string(k);
      expectAnswerAsBruteForce(dir, p, text, {std::string("-lb-search-mode=") + mode, "-part-graph=4", file}, name);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PartitionedSearches, EveryMode, ::testing::Range(0, 4));

}  // namespace
