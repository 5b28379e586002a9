// Random small OPB and RUK problems solved by the quon binary and by brute
// force: the same optimum with a feasible model of that cost, or "s UNSATISFIABLE".
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

const int shards = 8;
const int instancesPerShard = 16;  // 128 instances in all

// One term: coefficient times the conjunction of its literals (+v or -v for
// the negated variable v, 1-based).
struct PBTerm {
  int64_t coef;
  std::vector<int> lits;
};

struct PBConstraint {
  std::vector<PBTerm> terms;
  std::string relation;  // ">=", ">", "<=", "<", "="
  int64_t rhs;
  int64_t weight = 0;  // 0: hard
};

struct PBProblem {
  bool ruk = false;
  bool maximise = false;
  int nbVars = 0;
  std::vector<PBTerm> objective;
  int64_t objectiveConstant = 0;
  int64_t limit = -1;  // RUK header, -1: none
  std::vector<PBConstraint> constraints;

  static std::string termsText(const std::vector<PBTerm>& terms) {
    std::string text;
    for (const auto& t : terms) {
      text += (t.coef >= 0 ? " +" : " ") + std::to_string(t.coef);
      for (int l : t.lits) text += std::string(l > 0 ? " x" : " ~x") + std::to_string(std::abs(l));
    }
    return text;
  }

  std::string text() const {
    std::string text = "* random problem\n";
    if (limit >= 0) text += "soft: " + std::to_string(limit) + " ;\n";
    if (!ruk) text += std::string(maximise ? "max:" : "min:") + termsText(objective) + " +" +
                      std::to_string(objectiveConstant) + " ;\n";
    for (const auto& c : constraints) {
      if (c.weight > 0) text += "[" + std::to_string(c.weight) + "]";
      text += termsText(c.terms) + " " + c.relation + " " + std::to_string(c.rhs) + " ;\n";
    }
    return text;
  }
};

int64_t valueOf(const std::vector<PBTerm>& terms, const std::vector<bool>& value) {
  int64_t sum = 0;
  for (const auto& t : terms) {
    bool all = true;
    for (int l : t.lits) all = all && value[(size_t)std::abs(l)] == (l > 0);
    if (all) sum += t.coef;
  }
  return sum;
}

bool holds(const PBConstraint& c, const std::vector<bool>& value) {
  const int64_t lhs = valueOf(c.terms, value);
  if (c.relation == ">=") return lhs >= c.rhs;
  if (c.relation == ">") return lhs > c.rhs;
  if (c.relation == "<=") return lhs <= c.rhs;
  if (c.relation == "<") return lhs < c.rhs;
  return lhs == c.rhs;
}

// The cost to minimise, or -1 when the assignment is infeasible (RUK costs
// are never negative; an OPB cost is flagged infeasible through `feasible`).
int64_t costOf(const PBProblem& p, const std::vector<bool>& value, bool& feasible) {
  int64_t cost = 0;
  feasible = true;
  for (const auto& c : p.constraints) {
    if (holds(c, value)) continue;
    if (c.weight == 0) feasible = false;
    cost += c.weight;
  }
  if (p.ruk) {
    if (p.limit >= 0 && cost >= p.limit) feasible = false;
    return cost;
  }
  const int64_t f = valueOf(p.objective, value) + p.objectiveConstant;
  return p.maximise ? -f : f;
}

bool bruteForceOptimum(const PBProblem& p, int64_t& optimum) {
  bool found = false;
  std::vector<bool> value((size_t)p.nbVars + 1);
  for (uint64_t bits = 0; bits < (1ULL << p.nbVars); bits++) {
    for (int v = 1; v <= p.nbVars; v++) value[(size_t)v] = (bits >> (v - 1)) & 1;
    bool feasible;
    const int64_t cost = costOf(p, value, feasible);
    if (feasible && (!found || cost < optimum)) optimum = cost;
    found = found || feasible;
  }
  return found;
}

std::vector<PBTerm> randomTerms(Lcg& random, int nbVars, int count) {
  std::vector<PBTerm> terms;
  for (int i = 0; i < count; i++) {
    PBTerm t{(int64_t)random.between(-6, 6), {}};
    for (int k = random.chance(20) ? 2 : 1; k > 0; k--) {
      const int v = random.between(1, nbVars);
      t.lits.push_back(random.chance(30) ? -v : v);
    }
    terms.push_back(t);
  }
  return terms;
}

// Hard constraints that make a few variables equal or opposite (x = y, x = ~y),
// as an equality or as two clauses, for the preprocessing to merge.
void addEquivalenceChain(Lcg& random, PBProblem& p) {
  int a = random.between(1, p.nbVars);
  for (int links = random.between(1, 3); links > 0; links--) {
    const int b = random.between(1, p.nbVars);
    if (b == a) continue;
    const bool opposite = random.chance(30);
    if (random.chance(50)) {
      p.constraints.push_back({{{1, {a}}, {opposite ? 1 : -1, {b}}}, "=", opposite ? 1 : 0});
    } else {
      const int nb = opposite ? -b : b;
      p.constraints.push_back({{{1, {-a}}, {1, {nb}}}, ">=", 1});
      p.constraints.push_back({{{1, {a}}, {1, {-nb}}}, ">=", 1});
    }
    a = b;
  }
}

PBProblem randomProblem(Lcg& random, bool ruk) {
  const char* const relations[] = {">=", ">=", ">", "<=", "<", "="};
  PBProblem p;
  p.ruk = ruk;
  p.nbVars = random.between(2, 9);
  p.maximise = !ruk && random.chance(30);
  if (!ruk) {
    // x1 alone with a non-zero coefficient: the objective never cancels out.
    p.objective.push_back({(int64_t)random.between(1, 9), {1}});
    for (PBTerm& t : randomTerms(random, p.nbVars, random.between(0, 4)))
      if (std::abs(t.lits[0]) != 1) p.objective.push_back(t);
    p.objectiveConstant = random.between(0, 5);
  }
  const int count = random.between(1, ruk ? p.nbVars : (p.nbVars + 1) / 2);
  for (int i = 0; i < count; i++) {
    PBConstraint c{randomTerms(random, p.nbVars, random.between(1, 4)), relations[random.below(6)],
                   (int64_t)random.between(-3, 4)};
    if (ruk && random.chance(75)) c.weight = random.between(1, 20);
    p.constraints.push_back(c);
  }
  if (ruk) {
    if (random.chance(60)) addEquivalenceChain(random, p);
    // A soft constraint that no assignment meets for free.
    const int v = random.between(1, p.nbVars);
    p.constraints.push_back({{{1, {v}}}, ">=", 1, (int64_t)random.between(1, 20)});
    // Often a weight on ~v too: a cost every assignment pays in part.
    if (random.chance(50)) p.constraints.push_back({{{1, {-v}}}, ">=", 1, (int64_t)random.between(1, 20)});
    // A limit near the optimum, on either side of it: at or below the optimum
    // nothing is feasible.
    int64_t optimum = 0;
    if (random.chance(50) && bruteForceOptimum(p, optimum)) p.limit = std::max<int64_t>(0, optimum + random.between(-2, 2));
  }
  return p;
}

// Reads a "v" line of names ("x3", "-x3") into an assignment; false when a
// name is unknown, repeated, or a variable of the problem is missing.
bool parseNamedModel(const std::string& line, const std::string& problem, int nbVars, std::vector<bool>& value) {
  if (line.compare(0, 2, "v ") != 0) return false;
  value.assign((size_t)nbVars + 1, false);
  std::vector<bool> seen((size_t)nbVars + 1, false);
  std::istringstream in(line.substr(2));
  for (std::string item; in >> item;) {
    const bool negative = item[0] == '-';
    const std::string name = item.substr(negative ? 1 : 0);
    if (name.size() < 2 || name[0] != 'x') return false;
    const int v = std::stoi(name.substr(1));
    if (v < 1 || v > nbVars || seen[(size_t)v]) return false;
    seen[(size_t)v] = true;
    value[(size_t)v] = !negative;
  }
  for (int v = 1; v <= nbVars; v++) {
    const std::string name = "x" + std::to_string(v);
    const bool used = problem.find(" " + name + " ") != std::string::npos ||
                      problem.find("~" + name + " ") != std::string::npos;
    if (used && !seen[(size_t)v]) return false;
  }
  return true;
}

class PBDifferential : public ::testing::TestWithParam<int> {};

TEST_P(PBDifferential, OptimumOrUnsatisfiableAsBruteForceSays) {
  ScratchDir dir;
  const int shard = GetParam();
  Lcg random(7000 + (uint64_t)shard);
  for (int k = 0; k < instancesPerShard; k++) {
    const int index = shard * instancesPerShard + k;
    const bool ruk = index % 2 == 1;
    const PBProblem p = randomProblem(random, ruk);
    const std::string text = p.text();
    std::vector<std::string> args = {ruk ? "-file-format=ruk" : "-file-format=opb", "-time-limit=30"};
    if (random.chance(25)) args.push_back("-preprocessor=no");
    if (random.chance(25)) args.push_back("-enc-lb=totalizer");
    args.push_back(dir.write("p" + std::to_string(index), text));

    int64_t optimum = 0;
    const bool feasible = bruteForceOptimum(p, optimum);
    RunResult r = runQuon(dir, args, 60);
    const std::string context = "instance " + std::to_string(index) + "\n" + text + "--- stdout\n" + r.out;
    const std::string model = modelOfAnswer(r, feasible ? std::optional<int64_t>(optimum) : std::nullopt, context);
    if (!feasible) continue;
    std::vector<bool> value;
    ASSERT_TRUE(parseNamedModel(model, text, p.nbVars, value)) << context;
    bool modelFeasible;
    EXPECT_EQ(costOf(p, value, modelFeasible), optimum) << context;
    EXPECT_TRUE(modelFeasible) << context;
  }
}

INSTANTIATE_TEST_SUITE_P(RandomPB, PBDifferential, ::testing::Range(0, shards));

}  // namespace
