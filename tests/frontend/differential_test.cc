// Random small wcnf problems solved by the quon binary and by brute force:
// the optimum with a model of that cost satisfying the hard clauses, or
// "s UNSATISFIABLE" exactly when the hard clauses are. -enc-lb= and -enc-ub=
// cycle through every value; search mode, preprocessor, verbosity and gzip
// vary at random.
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

const int shards = 12;
const int instancesPerShard = 12;  // 144 instances in all

std::vector<int> randomClause(Lcg& random, int nbVars) {
  std::vector<int> lits;
  for (int k = (int)random.below(3); k >= 0; k--) {
    const int v = random.between(1, nbVars);
    lits.push_back(random.chance(50) ? v : -v);
  }
  return lits;
}

int64_t randomWeight(Lcg& random, int style, int64_t top) {
  if (style == 0) return 1 + random.below(20);
  if (style == 1) return 1 + random.below(2147483646);  // below the top 2^31 - 1
  // A small top: weights below it, now and then one above it (soft too).
  return random.chance(5) ? top + 1 + random.below(100) : 1 + random.below((uint32_t)(top - 1));
}

WeightedProblem randomProblem(Lcg& random) {
  WeightedProblem p;
  p.nbVars = 1 + (int)random.below(12);
  int style = (int)random.below(3);
  p.top = style == 2 ? 50 + random.below(1000) : 2147483647;
  int hard = (int)random.below((uint32_t)(2 * p.nbVars + 1));
  for (int i = 0; i < hard; i++) p.clauses.push_back({p.top, randomClause(random, p.nbVars)});
  if (random.chance(15)) {
    // An unsatisfiable hard part: every sign pattern of two variables excluded.
    int a = 1 + (int)random.below((uint32_t)p.nbVars), b = 1 + (int)random.below((uint32_t)p.nbVars);
    for (int sa : {1, -1})
      for (int sb : {1, -1}) p.clauses.push_back({p.top, {sa * a, sb * b}});
  }
  int soft = 1 + (int)random.below((uint32_t)(2 * p.nbVars));
  for (int i = 0; i < soft; i++) {
    int64_t weight = randomWeight(random, style, p.top);
    p.clauses.push_back({weight, randomClause(random, p.nbVars)});
  }
  // Mix the hard clauses in among the soft ones.
  for (size_t i = p.clauses.size(); i > 1; i--) std::swap(p.clauses[i - 1], p.clauses[random.below((uint32_t)i)]);
  return p;
}

// One run of the binary: "s UNSATISFIABLE" without a model exactly when the
// hard clauses are unsatisfiable, otherwise the optimum with a model of that
// cost.
void expectAnswerAsBruteForce(const ScratchDir& dir, const WeightedProblem& p, const std::string& text,
                              const std::vector<std::string>& args, const std::string& name) {
  const int64_t optimum = bruteForceOptimum(p);
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
  ASSERT_TRUE(parseModel(models[0], p.nbVars, value)) << context;
  EXPECT_EQ(costOf(p, value), optimum) << "the model breaks a hard clause or costs otherwise\n" << context;
}

class Differential : public ::testing::TestWithParam<int> {};

TEST_P(Differential, OptimumOrUnsatisfiableAsBruteForceSays) {
  ScratchDir dir;
  const int shard = GetParam();
  Lcg random(1000 + (uint64_t)shard);
  for (int k = 0; k < instancesPerShard; k++) {
    const int index = shard * instancesPerShard + k;
    const WeightedProblem p = randomProblem(random);
    const std::string text = p.wcnf(p.top != 2147483647 || random.chance(50));
    std::vector<std::string> args = {std::string("-enc-lb=") + amoEncodings[index % 9],
                                     std::string("-enc-ub=") + amkEncodings[index % 5], "-time-limit=30"};
    if (random.chance(20)) args.push_back("-preprocessor=no");
    if (random.chance(20)) args.push_back("-verbosity=0");
    if (random.chance(15)) args.push_back(std::string("-lb-search-mode=") + searchModes[random.below(4)]);
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
WeightedProblem partitionProblem(Lcg& random, int shape) {
  WeightedProblem p;
  p.nbVars = 3 + (int)random.below(9);
  const int64_t top = p.top;
  if (shape == 2) {
    for (int v = 1; v <= p.nbVars; v++) {
      const int l = random.chance(50) ? v : -v;
      p.clauses.push_back({top, {l}});
      p.clauses.push_back({1 + random.below(30), {random.chance(50) ? l : -l}});
    }
  } else {
    for (int i = (int)random.below((uint32_t)p.nbVars + 1); i > 0; i--)
      p.clauses.push_back({top, randomClause(random, p.nbVars)});
  }
  if (shape == 3 || (shape == 2 && random.chance(50)))
    for (int s = 0; s < 4; s++) p.clauses.push_back({top, {s & 1 ? 1 : -1, s & 2 ? 2 : -2}});
  if (shape == 2) return p;
  for (int i = 2 + (int)random.below((uint32_t)(2 * p.nbVars)); i > 0; i--)
    p.clauses.push_back({shape == 1 ? 5 : 1 + (int64_t)random.below(60), randomClause(random, p.nbVars)});
  return p;
}

class EveryMode : public ::testing::TestWithParam<int> {};

TEST_P(EveryMode, SameOptimumAsBruteForce) {
  ScratchDir dir;
  Lcg random(7000 + (uint64_t)GetParam());
  for (int k = 0; k < 8; k++) {
    const WeightedProblem p = partitionProblem(random, k % 4);
    const std::string text = p.wcnf();
    const std::string file = dir.write("p" + std::to_string(k), text);
    for (const char* mode : searchModes) {
      const std::string name = "shard " + std::to_string(GetParam()) + " instance " + std::to_string(k);
      expectAnswerAsBruteForce(dir, p, text, {std::string("-lb-search-mode=") + mode, "-part-graph=4", file}, name);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PartitionedSearches, EveryMode, ::testing::Range(0, 4));

}  // namespace
