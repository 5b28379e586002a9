// Random small weighted problems solved by the quon binary and by brute
// force: every run must end with the brute-force optimum and a model that
// satisfies the hard clauses and costs what the "o" line says, or with
// "s UNSATISFIABLE" exactly when the hard clauses are unsatisfiable. Both
// encodings (-enc-lb=, -enc-ub=) are cycled through every value; the search
// mode, the preprocessor, the verbosity and gzip input vary at random.
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

const int shards = 16;
const int instancesPerShard = 15;  // 240 instances in all

std::vector<int> randomClause(Lcg& random, int nbVars) {
  std::vector<int> lits;
  int size = 1 + (int)random.below(3);
  for (int k = 0; k < size; k++) {
    int v = 1 + (int)random.below((uint32_t)nbVars);
    lits.push_back(random.chance(50) ? v : -v);
  }
  return lits;
}

int64_t randomWeight(Lcg& random, int style, int64_t top) {
  switch (style) {
    case 0:
      return 1 + random.below(20);
    case 1:
      return 1 + random.below(2147483646);  // 1 .. 2^31 - 2 below the top 2^31 - 1
    default:
      // A small top: weights below it, and now and then one above it, which
      // is soft too (only a weight equal to the top is hard).
      if (random.chance(5)) return top + 1 + random.below(100);
      return 1 + random.below((uint32_t)(top - 1));
  }
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

// A problem with only soft clauses of weight 1, written as "p cnf".
WeightedProblem randomCnf(Lcg& random, std::string& text) {
  WeightedProblem p;
  p.nbVars = 1 + (int)random.below(12);
  int count = 1 + (int)random.below((uint32_t)(4 * p.nbVars));
  for (int i = 0; i < count; i++) p.clauses.push_back({1, randomClause(random, p.nbVars)});
  text = "p cnf " + std::to_string(p.nbVars) + " " + std::to_string(count) + "\n";
  for (const auto& c : p.clauses) {
    for (int l : c.lits) text += std::to_string(l) + " ";
    text += "0\n";
  }
  return p;
}

class Differential : public ::testing::TestWithParam<int> {};

TEST_P(Differential, OptimumOrUnsatisfiableAsBruteForceSays) {
  ScratchDir dir;
  const int shard = GetParam();
  Lcg random(1000 + (uint64_t)shard);
  for (int k = 0; k < instancesPerShard; k++) {
    const int index = shard * instancesPerShard + k;
    std::string text;
    WeightedProblem p;
    std::vector<std::string> args = {std::string("-enc-lb=") + amoEncodings[index % 9],
                                     std::string("-enc-ub=") + amkEncodings[index % 5], "-time-limit=30"};
    if (random.chance(10)) {
      p = randomCnf(random, text);
      args.push_back("-file-format=cnf");
    } else {
      p = randomProblem(random);
      text = p.wcnf(p.top != 2147483647 || random.chance(50));
    }
    if (random.chance(20)) args.push_back("-preprocessor=no");
    if (random.chance(20)) args.push_back("-verbosity=0");
    if (random.chance(15)) args.push_back(std::string("-lb-search-mode=") + searchModes[random.below(4)]);
    std::string file = random.chance(15) ? dir.writeGzip("p" + std::to_string(index) + ".gz", text)
                                         : dir.write("p" + std::to_string(index), text);
    args.push_back(file);

    const int64_t optimum = bruteForceOptimum(p);
    RunResult r = runQuon(dir, args, 60);
    std::string context = "instance " + std::to_string(index) + " args";
    for (const auto& a : args) context += " " + a;
    context += "\n" + text + "--- stdout\n" + r.out + "--- stderr tail\n" +
               r.err.substr(r.err.size() > 1500 ? r.err.size() - 1500 : 0);

    ASSERT_EQ(r.status, 255) << context;
    std::vector<std::string> status = linesStartingWith(r.out, "s ");
    ASSERT_EQ(status.size(), 1u) << context;
    std::vector<std::string> models = linesStartingWith(r.out, "v ");
    if (optimum < 0) {
      EXPECT_EQ(status[0], "s UNSATISFIABLE") << context;
      EXPECT_TRUE(models.empty()) << context;
      continue;
    }
    ASSERT_EQ(status[0], "s OPTIMUM FOUND") << context;
    std::vector<std::string> costs = linesStartingWith(r.out, "o ");
    ASSERT_FALSE(costs.empty()) << context;
    EXPECT_EQ(costs.back(), "o " + std::to_string(optimum)) << context;
    ASSERT_EQ(models.size(), 1u) << context;
    std::vector<bool> value;
    ASSERT_TRUE(parseModel(models[0], p.nbVars, value)) << context;
    EXPECT_EQ(costOf(p, value), optimum) << "the model breaks a hard clause or costs otherwise\n" << context;
  }
}

INSTANTIATE_TEST_SUITE_P(RandomWcnf, Differential, ::testing::Range(0, shards));

}  // namespace
