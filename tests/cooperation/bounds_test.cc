// Start bounds and the refusal of decision problems; lower and upper bound
// updates from both roles and the stop decision; the report rows and "o" lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "coop_test_util.h"
#include "tests/common/Process.h"

using namespace coop_test;

namespace {

const std::string kBlank = "c |" + std::string(77, ' ') + "|\n";
const std::string kUnweighted = "c |  Problem Type:          Unweighted Optimization" + std::string(29, ' ') + "|\n";
const std::string kWeighted = "c |  Problem Type:          Weighted Optimization" + std::string(31, ' ') + "|\n";

// Upper-bound solver (thread 1) on nVars variables; two threads in all.
struct UpperSetup {
  Cooperation coop{2, 16};
  PBOSolver s;
  explicit UpperSetup(int nVars) {
    coop.nbLB = coop.nbUB = 1;
    s.attach(&coop, 1, Role::UpperBound, 0);
    for (int i = 0; i < nVars; i++) s.newVar();
  }
  std::string init() {
    testing::internal::CaptureStderr();
    coop.initBound(&s, s.nVars(), nullptr);
    return testing::internal::GetCapturedStderr();
  }
};

}  // namespace

// Weights per literal; the start bound is 1 + the largest possible cost. The
// type is weighted when the weights' excess over 1 passes 3000.
TEST(InitBound, StartBoundAndProblemType) {
  const struct Case {
    std::vector<std::pair<Lit, unsigned>> weights;
    const std::string& type;
    int64_t weightSum, bound;
  } cases[] = {
      {{{mkLit(0), 1}, {mkLit(1), 1}, {mkLit(2), 1}}, kUnweighted, 0, 4},
      {{{mkLit(0), 1}, {mkLit(1), 3002}}, kWeighted, INT_MAX, 1 + 1 + 3002},
      {{{mkLit(0), 3001}}, kUnweighted, 3000, 3002},
      {{{mkLit(0), 1501}, {mkLit(1), 1502}}, kWeighted, 3001, 3004},
      {{{mkLit(0, true), 5}, {mkLit(0), 3}}, kUnweighted, 4 + 3, 6},
      {{{mkLit(0), 7}, {mkLit(0, true), 7}}, kUnweighted, -1, 8},  // an equal pair is no decision problem
      {{{mkLit(0), 2000000000u}, {mkLit(1), 2000000000u}, {mkLit(2), 2000000000u}}, kWeighted, INT_MAX, 6000000001LL},
  };
  for (const Case& c : cases) {
    UpperSetup t(3);
    for (auto& [lit, weight] : c.weights) t.s.objCoeff(lit, weight);
    SCOPED_TRACE(c.bound);
    EXPECT_EQ(t.init(), c.type + kBlank);
    if (c.weightSum >= 0) {
      EXPECT_EQ(t.coop.objectiveWeightSum, c.weightSum);
    }
    EXPECT_EQ(t.coop.bounds[2], c.bound);
    EXPECT_EQ(t.coop.bounds[1], c.bound);
    EXPECT_EQ(t.coop.bounds[0], 0);
    EXPECT_FALSE(t.coop.decisionProblem);
    EXPECT_EQ(t.coop.ubTimeLimit, 900.0);
  }
  UpperSetup t(2);  // the overflow guard still protects the 64-bit sums
  t.s.objCoeff(neg(mkLit(0)), 2500000000000000000LL);
  t.s.objCoeff(neg(mkLit(1)), 2500000000000000000LL);
  EXPECT_NE(t.init().find("Risk of overflow, UB search is disable"), std::string::npos);
  EXPECT_EQ(t.coop.ubTimeLimit, 0.0);
  EXPECT_EQ(t.coop.lbTimeLimit, 1800.0);
}

static void refuseWithStdoutOnStderr(UpperSetup* t) {
  dup2(2, 1);  // the verdict goes to standard output: show it to the matcher
  t->coop.initBound(&t->s, t->s.nVars(), nullptr);
}

TEST(InitBoundDeathTest, DecisionProblemIsRefusedWithStatus255) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UpperSetup t(2);
  EXPECT_EXIT(refuseWithStdoutOnStderr(&t), testing::ExitedWithCode(255),
              "c \\|  Problem Type:          Decision +\\|\n"
              "c \\| +\\|\n"
              "c ERROR! illegal -thread=2; multithreading approach is currently not available for decision "
              "problems\n"
              "c ={79}\n"
              "c Wall Clock Time: [0-9]+\\.[0-9][0-9] s\n"
              "s UNKNOWN\n");
  t.s.objCoeff(mkLit(0), 0);  // zero weights only: still a decision problem
  t.s.objCoeff(mkLit(1, true), 0);
  EXPECT_EXIT(refuseWithStdoutOnStderr(&t), testing::ExitedWithCode(255), "Decision.*s UNKNOWN");
}

namespace {
// Thread 0 (role 0) and thread 1 (role 1); x_v costs 2^v when true, so a
// model's cost is its bit pattern; start bound 256.
struct TwoRoles {
  UpperSetup t{8};
  Cooperation& coop = t.coop;
  Solver lower, upper;
  TwoRoles() {
    for (int v = 0; v < 8; v++) t.s.objCoeff(mkLit(v, true), 1u << v);
    t.init();
    coop.quiet = true;
    coop.verbosityLevel = 0;
    for (int role = 0; role < 2; role++) {
      Solver& s = role ? upper : lower;
      s.attach(&coop, role, (Role)role, 0);
      for (int v = 0; v < 8; v++) s.newVar();
    }
    testing::internal::CaptureStdout();
  }
  void model(int role, Cost cost) {
    Solver& s = role ? upper : lower;
    s.model.clear();
    for (int v = 0; v < 8; v++) s.model.push(((cost >> v) & 1) ? l_True : l_False);
    coop.updateUpperValue(&s, role, cost);
  }
  std::string out() { return testing::internal::GetCapturedStdout(); }
};
}  // namespace

// Improving models are stored, counted once and printed; others and those
// after the stop move nothing but the thread's own bound. A lower-bound
// thread's model is optimal unless it timed out.
TEST(UpperValue, BestBoundMovesOnlyWithAStoredModel) {
  TwoRoles r;
  r.model(1, 200);
  r.model(1, 150);
  r.coop.bounds[1] = 180;  // the thread has not yet seen the best bound
  r.model(1, 170);
  EXPECT_EQ(r.coop.bounds[1], 150);
  r.coop.done = true;
  r.model(1, 50);
  r.model(0, 40);
  EXPECT_EQ(r.out(), "o 200\no 150\n");
  EXPECT_EQ(r.coop.bounds[2], 150);
  EXPECT_EQ((Cost)storedModelBits(r.coop, 8), 150);
  EXPECT_EQ(r.coop.nbSolutions, 2);
  EXPECT_EQ(r.coop.bounds[1], 50);

  for (bool timedOut : {false, true}) {
    TwoRoles q;
    q.model(1, 100);
    q.coop.timedOut = timedOut;
    q.model(0, 40);
    EXPECT_EQ(q.out(), timedOut ? "o 100\n" : "o 100\no 40\n");
    EXPECT_EQ((bool)q.coop.done, !timedOut);
    EXPECT_EQ(q.coop.bounds[2], timedOut ? 100 : 40);
    EXPECT_EQ((Cost)storedModelBits(q.coop, 8), q.coop.bounds[2]);
    EXPECT_EQ(q.coop.nbSolutions, timedOut ? 1 : 2);
  }
}

// A model that only equals the best cost is no improvement, from either
// role: nothing is stored, counted or printed, and the search goes on.
TEST(UpperValue, EqualCostModelIsNoImprovement) {
  for (int role : {1, 0}) {
    TwoRoles r;
    r.model(1, 150);
    r.model(role, 150);
    EXPECT_EQ(r.out(), "o 150\n") << "role " << role;
    EXPECT_EQ(r.coop.nbSolutions, 1) << "role " << role;
    EXPECT_FALSE(r.coop.done) << "role " << role;
  }
}

// The search stops once the lower bound is at or above the upper bound, from
// whichever side the last move came; a lower bound never goes down.
TEST(LowerValue, StopWhenTheBoundsMeetOrCross) {
  TwoRoles r;
  r.coop.updateLowerValue(&r.lower, 0, 60);
  r.model(1, 61);
  EXPECT_FALSE(r.coop.done);
  r.coop.updateLowerValue(&r.lower, 0, 20);
  EXPECT_EQ(r.coop.bounds[0], 60);
  r.model(1, 60);
  EXPECT_TRUE(r.coop.done);
  r.out();
  for (Cost lb : {100, 150}) {
    TwoRoles s;
    s.model(1, 100);
    RefSet<int> core;
    s.coop.updateLowerValue(&s.lower, 0, core, nullptr, 5, 99);
    EXPECT_FALSE(s.coop.done);
    s.coop.updateLowerValue(&s.lower, 0, lb);
    EXPECT_TRUE(s.coop.done) << lb;
    EXPECT_EQ(s.out(), "o 100\n");
  }
}

// Rows of each type, the head before every twenty-first; in quiet mode only
// upper-bound "o" lines.
TEST(Report, RowsWithTheBoxHeadAndQuietOLines) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0), 1);
  t.init();
  t.coop.bounds[1] = 6000000000LL;
  t.coop.bounds[0] = 7;
  t.coop.objConstant = 100;
  t.coop.nbExported[1] = 3;
  t.coop.nbImported[1] = 4;
  t.coop.nbImportedLits[1] = 10;
  testing::internal::CaptureStderr();
  t.coop.reportBoundValue(1, Cooperation::BoundType::Upper);
  t.coop.reportBoundValue(0, Cooperation::BoundType::Lower);
  t.coop.reportBoundValue(1, Cooperation::BoundType::Both);
  for (int i = 0; i < 42; i++) t.coop.reportBoundValue(1, Cooperation::BoundType::Upper);
  std::vector<std::string> out = lines(testing::internal::GetCapturedStderr());
  const std::string sp15(15, ' ');
  const std::string rows[3] = {"   | 1  | 6000000100   ub |  3" + sp15 + " 4" + sp15 + " 2.50  |",
                               "   | 0  | 107" + std::string(8, ' ') + "  lb |  0" + sp15 + " 0" + sp15 + " 0.00  |",
                               "   | 1  | 6000000100  lub |  3" + sp15 + " 4" + sp15 + " 2.50  |"};
  const std::vector<std::string> head = {
      "c ==============================[ Search Statistics ]============================",
      "c | Time (s)  | ID |      Bound      |               Shared Clauses             |",
      "c |           |    | value      type |  expCls         impCls        Lit/impCl  |", "c " + std::string(79, '=')};
  ASSERT_EQ(out.size(), 45u + 8u);  // 20 rows, head, 21 rows, head, 4 rows
  auto isTime = [](const std::string& text) {  // digits, '.', two digits, spaces
    size_t dot = text.find('.'), end = text.find_last_not_of(' ');
    return dot > 0 && dot != std::string::npos && end == dot + 2 && text.find_first_not_of("0123456789.") > end;
  };
  for (size_t k = 0, row = 0; k < out.size(); k++, row++) {
    if (k == 20 || k == 45) {
      EXPECT_EQ(std::vector<std::string>(out.begin() + k, out.begin() + k + 4), head);
      k += 4;
    }
    EXPECT_EQ(out[k].substr(0, 4), "c | ");
    EXPECT_TRUE(isTime(out[k].substr(4, 7))) << out[k];
    EXPECT_EQ(out[k].substr(11), rows[row < 3 ? row : 0]);
  }

  t.coop.quiet = true;
  t.coop.verbosityLevel = 0;
  t.coop.bounds[1] = 6000000009LL;
  t.coop.objConstant = -3;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  t.coop.reportBoundValue(0, Cooperation::BoundType::Lower);
  t.coop.reportBoundValue(1, Cooperation::BoundType::Upper);
  t.coop.reportBoundValue(1, Cooperation::BoundType::Both);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 6000000006\n");
}

// The upper-bound role lowers the bound model by model while the lower-bound
// role raises its bound: whenever they stop, the stored model is the one of
// the best bound, and each stored model is printed once, in decreasing order.
TEST(BoundsConcurrency, BestBoundAlwaysTravelsWithItsModel) {
  for (int round = 0; round < 20; round++) {
    TwoRoles r;
    std::thread up([&] {
      for (Cost v = 250; v >= 0 && !r.coop.done; v -= 1 + round % 3) r.model(1, v);
    });
    std::thread low([&] {
      for (Cost v = 1; v < 200 && !r.coop.done; v += 2) r.coop.updateLowerValue(&r.lower, 0, v);
    });
    up.join();
    low.join();
    std::vector<std::string> out = lines(r.out());
    EXPECT_TRUE(r.coop.done);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ((int)out.size(), r.coop.nbSolutions);
    EXPECT_EQ(out.back(), "o " + std::to_string(r.coop.bounds[2]));
    EXPECT_EQ((Cost)storedModelBits(r.coop, 8), r.coop.bounds[2]);
    EXPECT_GE(r.coop.bounds[0], r.coop.bounds[2]);
    for (size_t i = 1; i < out.size(); i++) EXPECT_LT(std::stoll(out[i].substr(2)), std::stoll(out[i - 1].substr(2)));
  }
}
