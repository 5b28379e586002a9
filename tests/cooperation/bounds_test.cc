// Start bounds, the problem-type line and the refusal of decision problems;
// lower and upper bound updates from both roles and the stop decision; the
// progress rows and "o" lines; the stored best model.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "coop_test_util.h"
#include "cooperation/Cooperation.h"
#include "solver/PBOSolver.h"

using namespace coop_test;

namespace {

const std::string kBlankBoxLine =
    "c |                                                                             |\n";
const std::string kUnweighted =
    "c |  Problem Type:          Unweighted Optimization                             |\n";
const std::string kWeighted =
    "c |  Problem Type:          Weighted Optimization                               |\n";

std::string spaces(int n) { return std::string((size_t)n, ' '); }

// Upper-bound solver with the given objective terms (literal code, weight) on
// nVars variables; the cooperation object for two threads.
struct UpperSetup {
  Cooperation coop{2, 16};
  PBOSolver s;
  explicit UpperSetup(int nVars) {
    coop.nbLB = 1;
    coop.nbUB = 1;
    s.coop = &coop;
    s.tid = 1;
    s.role = 1;
    for (int i = 0; i < nVars; i++) s.newVar();
  }
  std::string init(const int* map = nullptr) {
    testing::internal::CaptureStderr();
    coop.initBound(&s, s.nVars(), map);
    return testing::internal::GetCapturedStderr();
  }
};

// A plain solver whose model is set by hand.
struct ModelHolder {
  Solver s;
  ModelHolder(Cooperation& coop, int tid, int role, int nVars) {
    s.coop = &coop;
    s.tid = tid;
    s.role = role;
    for (int i = 0; i < nVars; i++) s.newVar();
  }
  void setModel(uint32_t bits) {
    s.model.clear();
    for (int v = 0; v < s.nVars(); v++) s.model.push(((bits >> v) & 1u) ? l_True : l_False);
  }
};

uint32_t bestBits(const Cooperation& coop) {
  uint32_t bits = 0;
  for (int v = 0; v < coop.nbOrigVars; v++)
    if (coop.bestModel[v]) bits |= 1u << v;
  return bits;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

// A row is "c | <time, 7 wide>   " followed by the rest; checks the time field
// and returns the rest.
std::string rowAfterTime(const std::string& row) {
  EXPECT_EQ(row.substr(0, 4), "c | ");
  std::string time = row.substr(4, 7);
  size_t dot = time.find('.');
  EXPECT_NE(dot, std::string::npos) << row;
  if (dot == std::string::npos) return "";
  for (size_t i = 0; i < dot; i++) EXPECT_TRUE(isdigit((unsigned char)time[i])) << row;
  EXPECT_TRUE(isdigit((unsigned char)time[dot + 1]) && isdigit((unsigned char)time[dot + 2])) << row;
  for (size_t i = dot + 3; i < time.size(); i++) EXPECT_EQ(time[i], ' ') << row;
  return row.substr(11);
}

}  // namespace

// ---------------------------------------------------------------- initBound

TEST(InitBound, AllUnitWeightsAreUnweighted) {
  UpperSetup t(3);
  for (int v = 0; v < 3; v++) t.s.objCoeff(mkLit(v), 1);
  std::string err = t.init();
  EXPECT_EQ(err, kUnweighted + kBlankBoxLine);
  EXPECT_EQ(t.coop.objectiveWeightSum, 0);
  EXPECT_EQ(t.coop.bounds[2], 4);
  EXPECT_EQ(t.coop.bounds[1], 4);
  EXPECT_EQ(t.coop.bounds[0], 0);
  EXPECT_EQ(t.coop.initialUB, 4);
  EXPECT_FALSE(t.coop.decisionProblem);
  EXPECT_EQ(t.coop.nbOrigVars, 3);
  EXPECT_EQ(t.coop.bestModel.size(), 3u);
}

TEST(InitBound, OneTermOfWeight3002IsWeighted) {
  UpperSetup t(2);
  t.s.objCoeff(mkLit(0), 1);
  t.s.objCoeff(mkLit(1), 3002);
  EXPECT_EQ(t.init(), kWeighted + kBlankBoxLine);
  EXPECT_EQ(t.coop.objectiveWeightSum, INT_MAX);
  EXPECT_EQ(t.coop.bounds[2], 1 + 1 + 3002);
}

TEST(InitBound, WeightSumThresholdIs3000) {
  {
    UpperSetup t(1);
    t.s.objCoeff(mkLit(0), 3001);  // excess 3000
    EXPECT_EQ(t.init(), kUnweighted + kBlankBoxLine);
    EXPECT_EQ(t.coop.objectiveWeightSum, 3000);
  }
  {
    UpperSetup t(2);
    t.s.objCoeff(mkLit(0), 1501);
    t.s.objCoeff(mkLit(1), 1502);  // excesses 1500 + 1501
    EXPECT_EQ(t.init(), kWeighted + kBlankBoxLine);
    EXPECT_EQ(t.coop.objectiveWeightSum, 3001);
  }
}

TEST(InitBound, FiveAndThreeOnOneVariableAddFive) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0, true), 5);  // 5 on the positive literal (paid when x0 true)
  t.s.objCoeff(mkLit(0), 3);        // 3 on the negative literal
  t.init();
  EXPECT_EQ(t.coop.bounds[2], 6);
  EXPECT_EQ(t.coop.initialUB, 6);
  // Excess 4 from the larger term, the smaller one counts its full weight.
  EXPECT_EQ(t.coop.objectiveWeightSum, 4 + 3);
}

TEST(InitBound, EqualPairIsAnOptimisationProblem) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0), 7);
  t.s.objCoeff(mkLit(0, true), 7);
  EXPECT_EQ(t.init(), kUnweighted + kBlankBoxLine);
  EXPECT_FALSE(t.coop.decisionProblem);
  EXPECT_EQ(t.coop.bounds[2], 8);
}

TEST(InitBound, ThreeTwoBillionWeightsKeepSixtyFourBits) {
  UpperSetup t(3);
  for (int v = 0; v < 3; v++) t.s.objCoeff(mkLit(v), 2000000000u);
  std::string err = t.init();
  EXPECT_EQ(err, kWeighted + kBlankBoxLine);
  EXPECT_EQ(t.coop.bounds[2], 6000000001LL);
  EXPECT_EQ(t.coop.bounds[1], 6000000001LL);
  EXPECT_EQ(t.coop.initialUB, 6000000001LL);
  EXPECT_EQ(t.coop.ubTimeLimit, 900.0);
  EXPECT_EQ(t.coop.lbTimeLimit, 900.0);
}

TEST(InitBound, SumsBeyondThirtyTwoBitsOfManyMaximalWeights) {
  UpperSetup t(40);
  for (int v = 0; v < 40; v++) t.s.objCoeff(mkLit(v, v % 2 == 1), 0xFFFFFFFFu);
  t.init();
  EXPECT_EQ(t.coop.bounds[2], 1 + 40LL * 0xFFFFFFFFLL);
  EXPECT_EQ(t.coop.ubTimeLimit, 900.0);
}

// The overflow guard still protects the 64-bit sums.
TEST(InitBound, OverflowGuardSwitchesTheUpperBoundSearchOff) {
  UpperSetup t(2);
  t.s.objCoeffs[mkLit(0)] = 2500000000000000000LL;
  t.s.objCoeffs[mkLit(1)] = 2500000000000000000LL;
  std::string err = t.init();
  EXPECT_NE(err.find("c |  Warning:               Risk of overflow, UB search is disable              |\n"),
            std::string::npos);
  EXPECT_EQ(t.coop.ubTimeLimit, 0.0);
  EXPECT_EQ(t.coop.lbTimeLimit, 1800.0);
}

TEST(InitBound, EntriesOfFurtherThreadsAreMinusOne) {
  Cooperation coop(3, 16);
  coop.nbLB = 1;
  coop.nbUB = 1;
  PBOSolver s;
  s.coop = &coop;
  s.newVar();
  s.objCoeff(mkLit(0), 9);
  testing::internal::CaptureStderr();
  coop.initBound(&s, 1, nullptr);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(coop.bounds.size(), 4u);
  EXPECT_EQ(coop.bounds[0], 0);
  EXPECT_EQ(coop.bounds[1], 10);
  EXPECT_EQ(coop.bounds[2], -1);
  EXPECT_EQ(coop.bounds[3], 10);
}

TEST(InitBound, CopiesTheEquivalenceMap) {
  UpperSetup t(2);
  t.s.objCoeff(mkLit(0), 1);
  const int map[4] = {3, 2, 2, 3};  // x0 -> ~x1
  t.init(map);
  ASSERT_EQ(t.coop.equivalences.size(), 4u);
  EXPECT_EQ(t.coop.equivalences[0], 3);
  EXPECT_EQ(t.coop.equivalences[1], 2);
  EXPECT_EQ(t.coop.equivalences[2], 2);
  EXPECT_EQ(t.coop.equivalences[3], 3);
}

static void refuseWithStdoutOnStderr(UpperSetup* t) {
  dup2(2, 1);  // the verdict line goes to standard output: show it to the matcher
  t->coop.initBound(&t->s, t->s.nVars(), nullptr);
}

TEST(InitBoundDeathTest, NoObjectiveIsRefusedWithStatus255) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UpperSetup t(2);
  vec<Lit> c;
  t.s.addClause(fill(c, {mkLit(0), mkLit(1)}))->isSoft(false);
  EXPECT_EXIT(refuseWithStdoutOnStderr(&t), testing::ExitedWithCode(255),
              "c \\|  Problem Type:          Decision                                            \\|\n"
              "c \\|                                                                             \\|\n"
              "c ERROR! illegal -thread=2; multithreading approach is currently not available for decision "
              "problems\n"
              "c ={79}\n"
              "c Wall Clock Time: [0-9]+\\.[0-9][0-9] s\n"
              "s UNKNOWN\n");
}

TEST(InitBoundDeathTest, ZeroWeightsOnlyIsADecisionProblem) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UpperSetup t(2);
  t.s.objCoeff(mkLit(0), 0);
  t.s.objCoeff(mkLit(1, true), 0);
  EXPECT_EXIT(refuseWithStdoutOnStderr(&t), testing::ExitedWithCode(255), "Decision.*s UNKNOWN");
}

// ------------------------------------------------------- bound updates, stop

namespace {
// Thread 0 (role 0) and thread 1 (role 1), objective 2^v on x_v (paid when
// true): the cost of a model is its bit pattern, the start bound 2^n.
struct TwoRoles {
  UpperSetup t{8};
  ModelHolder lower{t.coop, 0, 0, 8};
  ModelHolder upper{t.coop, 1, 1, 8};
  TwoRoles() {
    for (int v = 0; v < 8; v++) t.s.objCoeff(mkLit(v, true), 1u << v);
    t.init();
    t.coop.quiet = true;
    t.coop.verbosityLevel = 0;
  }
  void upperModel(Cost cost) {
    upper.setModel((uint32_t)cost);
    t.coop.updateUpperValue(&upper.s, 1, cost);
  }
  void lowerModel(Cost cost) {
    lower.setModel((uint32_t)cost);
    t.coop.updateUpperValue(&lower.s, 0, cost);
  }
};
}  // namespace

TEST(UpperValue, UpperBoundModelIsStoredCountedAndReported) {
  TwoRoles r;
  ASSERT_EQ(r.t.coop.bounds[2], 256);
  testing::internal::CaptureStdout();
  r.upperModel(200);
  r.upperModel(150);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "o 200\no 150\n");
  EXPECT_EQ(r.t.coop.bounds[2], 150);
  EXPECT_EQ(r.t.coop.bounds[1], 150);
  EXPECT_EQ(r.t.coop.nbSolutions, 2);
  EXPECT_EQ(bestBits(r.t.coop), 150u);
  EXPECT_FALSE(r.t.coop.done);
}

TEST(UpperValue, NoImprovementStoresNothingButCatchesUpTheThreadBound) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  r.t.coop.bounds[1] = 180;  // as if the thread had not yet seen the best bound
  r.upperModel(120);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "o 100\n");
  EXPECT_EQ(r.t.coop.bounds[2], 100);
  EXPECT_EQ(r.t.coop.bounds[1], 100);
  EXPECT_EQ(r.t.coop.nbSolutions, 1);
  EXPECT_EQ(bestBits(r.t.coop), 100u);
}

TEST(UpperValue, AfterDoneTheBestBoundDoesNotMoveWithoutItsModel) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  r.t.coop.done = true;
  r.upperModel(50);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "o 100\n");
  EXPECT_EQ(r.t.coop.bounds[2], 100);  // the stored model's cost
  EXPECT_EQ(bestBits(r.t.coop), 100u);
  EXPECT_EQ(r.t.coop.nbSolutions, 1);
  EXPECT_EQ(r.t.coop.bounds[1], 50);  // the thread's own bound follows its model
}

TEST(UpperValue, LowerBoundThreadModelIsOptimalAndStops) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  r.lowerModel(40);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "o 100\no 40\n");
  EXPECT_TRUE(r.t.coop.done);
  EXPECT_EQ(r.t.coop.bounds[2], 40);
  EXPECT_EQ(r.t.coop.bounds[0], 40);
  EXPECT_EQ(r.t.coop.nbSolutions, 2);
  EXPECT_EQ(bestBits(r.t.coop), 40u);
}

TEST(UpperValue, LowerBoundThreadModelAfterTimeOutIsNotStored) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  r.t.coop.timedOut = true;
  r.lowerModel(40);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "o 100\n");
  EXPECT_FALSE(r.t.coop.done);
  EXPECT_EQ(r.t.coop.bounds[2], 100);
  EXPECT_EQ(bestBits(r.t.coop), 100u);
  EXPECT_EQ(r.t.coop.nbSolutions, 1);
  EXPECT_EQ(r.t.coop.bounds[0], 0);
}

TEST(UpperValue, LowerBoundThreadModelAfterDoneIsNotStored) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  r.t.coop.done = true;
  r.lowerModel(40);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 100\n");
  EXPECT_EQ(r.t.coop.bounds[2], 100);
  EXPECT_EQ(bestBits(r.t.coop), 100u);
  EXPECT_EQ(r.t.coop.nbSolutions, 1);
}

TEST(UpperValue, ModelMeetingTheLowerBoundStops) {
  TwoRoles r;
  r.t.coop.updateLowerValue(&r.lower.s, 0, 60);
  testing::internal::CaptureStdout();
  r.upperModel(61);
  EXPECT_FALSE(r.t.coop.done);
  r.upperModel(60);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 61\no 60\n");
  EXPECT_TRUE(r.t.coop.done);
  EXPECT_EQ(bestBits(r.t.coop), 60u);
}

TEST(UpperValue, WithoutLowerBoundThreadsBoundsNeverMeet) {
  TwoRoles r;
  r.t.coop.nbLB = 0;
  testing::internal::CaptureStdout();
  r.upperModel(0);
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(r.t.coop.done);
  EXPECT_EQ(r.t.coop.bounds[2], 0);
}

TEST(LowerValue, RaisesOnlyAndStopsWhenItReachesTheUpperBound) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  r.t.coop.updateLowerValue(&r.lower.s, 0, 30);
  EXPECT_EQ(r.t.coop.bounds[0], 30);
  r.t.coop.updateLowerValue(&r.lower.s, 0, 20);  // never lowered
  EXPECT_EQ(r.t.coop.bounds[0], 30);
  EXPECT_FALSE(r.t.coop.done);
  r.t.coop.updateLowerValue(&r.lower.s, 0, 99);
  EXPECT_FALSE(r.t.coop.done);
  r.t.coop.updateLowerValue(&r.lower.s, 0, 100);
  EXPECT_TRUE(r.t.coop.done);
  // Quiet: a lower-bound raise prints nothing.
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 100\n");
}

TEST(LowerValue, PassingTheUpperBoundStops) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  testing::internal::GetCapturedStdout();
  r.t.coop.updateLowerValue(&r.lower.s, 0, 150);
  EXPECT_TRUE(r.t.coop.done);
}

TEST(LowerValue, CoreFormHasTheSameEffect) {
  TwoRoles r;
  testing::internal::CaptureStdout();
  r.upperModel(100);
  testing::internal::GetCapturedStdout();
  RefSet<int> core;
  r.t.coop.updateLowerValue(&r.lower.s, 0, core, nullptr, 5, 70);
  EXPECT_EQ(r.t.coop.bounds[0], 70);
  EXPECT_FALSE(r.t.coop.done);
  r.t.coop.updateLowerValue(&r.lower.s, 0, core, nullptr, 5, 100);
  EXPECT_TRUE(r.t.coop.done);
}

TEST(LowerValue, NoBoundSetsDoneWithoutReport) {
  TwoRoles r;
  r.t.coop.quiet = false;
  r.t.coop.verbosityLevel = 1;
  testing::internal::CaptureStderr();
  r.t.coop.updateLowerValue(&r.lower.s, 0, Cooperation::noBound);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(r.t.coop.done);
  EXPECT_EQ(r.t.coop.bounds[0], 0);
  EXPECT_EQ(r.t.coop.rowCounter, 0);
}

// --------------------------------------------------- checkUpperValuePortfolio

namespace {
// Four variables, x_v paid 2^v when true, at least two true.
struct Portfolio {
  UpperSetup t{4};
  Weighted w;
  Portfolio() {
    w.nVars = 4;
    Hard c;
    c.clause = false;
    c.lits = {mkLit(0), mkLit(1), mkLit(2), mkLit(3)};
    c.coeffs = {1, 1, 1, 1};
    c.rhs = 2;
    w.hard.push_back(c);
    for (int v = 0; v < 4; v++) w.soft.push_back({mkLit(v, true), 1u << v});
    loadHard(t.s, w);
    loadObjective(t.s, w);
    t.init();
    t.coop.quiet = true;
    t.coop.verbosityLevel = 0;
  }
};
}  // namespace

TEST(UpperValuePortfolio, TakesABetterBoundFoundElsewhere) {
  Portfolio p;
  ASSERT_EQ(p.t.coop.bounds[1], 16);
  p.t.coop.bounds[2] = 6;  // found by the other thread
  p.t.coop.nbSolutions = 1;
  testing::internal::CaptureStdout();
  p.t.coop.checkUpperValuePortfolio(&p.t.s, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 6\n");
  EXPECT_EQ(p.t.coop.bounds[1], 6);
  EXPECT_EQ(p.t.s.upperBound, 6);
  EXPECT_EQ(p.t.s.solverUB, 6);
  EXPECT_EQ(p.t.coop.nbSolutions, 1);
  // Only the model of cost 3 (x0 and x1) remains below 6.
  testing::internal::CaptureStdout();
  ASSERT_TRUE(p.t.s.solve());
  EXPECT_EQ(costOf(p.w, modelBits(p.t.s.model, 4)), 3);
  EXPECT_FALSE(p.t.s.solve());
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(p.t.s.okay());
}

TEST(UpperValuePortfolio, DoesNothingWithoutAStoredModelOrWhenDone) {
  {
    Portfolio p;
    p.t.coop.bounds[2] = 6;
    p.t.coop.nbSolutions = 0;
    const int before = p.t.s.nConstraints();
    p.t.coop.checkUpperValuePortfolio(&p.t.s, 1);
    EXPECT_EQ(p.t.s.nConstraints(), before);
    EXPECT_EQ(p.t.coop.bounds[1], 16);
    EXPECT_EQ(p.t.s.upperBound, -1);
  }
  {
    Portfolio p;
    p.t.coop.bounds[2] = 6;
    p.t.coop.nbSolutions = 1;
    p.t.coop.done = true;
    const int before = p.t.s.nConstraints();
    p.t.coop.checkUpperValuePortfolio(&p.t.s, 1);
    EXPECT_EQ(p.t.s.nConstraints(), before);
    EXPECT_EQ(p.t.coop.bounds[1], 16);
  }
  {
    Portfolio p;
    p.t.coop.nbSolutions = 1;  // best bound equals the thread's
    const int before = p.t.s.nConstraints();
    p.t.coop.checkUpperValuePortfolio(&p.t.s, 1);
    EXPECT_EQ(p.t.s.nConstraints(), before);
  }
}

// A bound of 0 from elsewhere leaves nothing below it.
TEST(UpperValuePortfolio, BoundZeroMakesTheSolverInconsistent) {
  Portfolio p;
  p.t.coop.bounds[2] = 0;
  p.t.coop.nbSolutions = 1;
  testing::internal::CaptureStdout();
  p.t.coop.checkUpperValuePortfolio(&p.t.s, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 0\n");
  EXPECT_FALSE(p.t.s.okay());
  EXPECT_FALSE(p.t.s.solve());
}

// -------------------------------------------------------------- the report

TEST(Report, RowTextForEachType) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0), 1);
  t.init();
  t.coop.bounds[1] = 42;
  t.coop.bounds[0] = 7;
  t.coop.objConstant = 100;
  t.coop.nbExported[1] = 3;
  t.coop.nbImported[1] = 4;
  t.coop.nbImportedLits[1] = 10;
  testing::internal::CaptureStderr();
  t.coop.reportBoundValue(1, 1);
  t.coop.reportBoundValue(0, 0);
  t.coop.reportBoundValue(1, 2);
  std::vector<std::string> rows = lines(testing::internal::GetCapturedStderr());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rowAfterTime(rows[0]),
            "   | 1  | 142" + spaces(8) + "  ub |  3" + spaces(15) + " 4" + spaces(15) + " 2.50  |");
  EXPECT_EQ(rowAfterTime(rows[1]),
            "   | 0  | 107" + spaces(8) + "  lb |  0" + spaces(15) + " 0" + spaces(15) + " 0.00  |");
  EXPECT_EQ(rowAfterTime(rows[2]),
            "   | 1  | 142" + spaces(8) + " lub |  3" + spaces(15) + " 4" + spaces(15) + " 2.50  |");
  EXPECT_EQ(t.coop.rowCounter, 3);
}

TEST(Report, CostsBeyondThirtyTwoBitsPrintInFull) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0), 1);
  t.init();
  t.coop.bounds[1] = 6000000000LL;
  t.coop.objConstant = 5;
  testing::internal::CaptureStderr();
  t.coop.reportBoundValue(1, 1);
  std::vector<std::string> rows = lines(testing::internal::GetCapturedStderr());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rowAfterTime(rows[0]),
            "   | 1  | 6000000005" + spaces(1) + "  ub |  0" + spaces(15) + " 0" + spaces(15) + " 0.00  |");
  t.coop.quiet = true;
  testing::internal::CaptureStdout();
  t.coop.reportBoundValue(1, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "o 6000000005\n");
}

TEST(Report, BoxHeadBeforeEveryTwentyFirstRow) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0), 1);
  t.init();
  testing::internal::CaptureStderr();
  for (int i = 0; i < 45; i++) t.coop.reportBoundValue(1, 1);
  std::vector<std::string> out = lines(testing::internal::GetCapturedStderr());
  const std::vector<std::string> head = {
      "c ==============================[ Search Statistics ]============================",
      "c | Time (s)  | ID |      Bound      |               Shared Clauses             |",
      "c |           |    | value      type |  expCls         impCls        Lit/impCl  |",
      "c " + std::string(79, '=')};
  // 20 rows, head, 21 rows, head, 4 rows.
  ASSERT_EQ(out.size(), 45u + 8u);
  size_t k = 0;
  auto expectRows = [&](int n) {
    for (int i = 0; i < n; i++, k++) EXPECT_EQ(out[k].substr(0, 4), "c | ") << "line " << k;
    for (int i = 0; i < n; i++) EXPECT_NE(out[k - 1 - i], head[1]);
  };
  auto expectHead = [&]() {
    for (const std::string& h : head) EXPECT_EQ(out[k++], h) << "line " << k - 1;
  };
  expectRows(20);
  expectHead();
  expectRows(21);
  expectHead();
  expectRows(4);
  EXPECT_EQ(t.coop.rowCounter, 3);
}

TEST(Report, QuietModePrintsOnlyUpperBoundLines) {
  UpperSetup t(1);
  t.s.objCoeff(mkLit(0), 1);
  t.init();
  t.coop.quiet = true;
  t.coop.verbosityLevel = 0;
  t.coop.bounds[1] = 9;
  t.coop.bounds[0] = 4;
  t.coop.objConstant = -3;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (int i = 0; i < 25; i++) t.coop.reportBoundValue(0, 0);
  t.coop.reportBoundValue(1, 1);
  t.coop.reportBoundValue(1, 2);
  std::string err = testing::internal::GetCapturedStderr();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "o 6\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(t.coop.rowCounter, 0);
}

// ----------------------------------------------------------- the best model

TEST(Certificate, EquivalencesAndSolverVariables) {
  UpperSetup t(4);
  t.s.objCoeff(mkLit(0), 1);
  // x1 -> ~x0, x2 -> x1 (so x2 -> ~x0 through the chain), x0 and x3 representatives.
  int map[8];
  for (int l = 0; l < 8; l++) map[l] = l;
  map[mkLit(1)] = mkLit(0, true);
  map[mkLit(1, true)] = mkLit(0);
  map[mkLit(2)] = mkLit(1);
  map[mkLit(2, true)] = mkLit(1, true);
  testing::internal::CaptureStderr();
  t.coop.initBound(&t.s, 3, map);  // three input variables
  testing::internal::GetCapturedStderr();
  // Input variable v lives at solver variable solverVar[v].
  t.coop.solverVar = {0, 1, 3};
  ModelHolder m(t.coop, 1, 1, 4);
  m.setModel(0b0001);  // x0 true, x1 false (stale), x2 false, x3 false
  t.coop.multiSaveCertificate(&m.s);
  EXPECT_EQ(t.coop.bestModel[0], 1);  // x0 itself
  EXPECT_EQ(t.coop.bestModel[1], 0);  // ~x0
  EXPECT_EQ(t.coop.bestModel[2], 0);  // solver variable 3
  m.setModel(0b1110);  // x0 false
  t.coop.multiSaveCertificate(&m.s);
  EXPECT_EQ(t.coop.bestModel[0], 0);
  EXPECT_EQ(t.coop.bestModel[1], 1);
  EXPECT_EQ(t.coop.bestModel[2], 1);
  // The chain through x1 ends at ~x0.
  EXPECT_TRUE(t.coop.multiLitValue(&m.s, mkLit(2)));
  EXPECT_FALSE(t.coop.multiLitValue(&m.s, mkLit(0)));
}

// ------------------------------------------------ both roles at the same time

// The upper-bound role lowers the bound model by model while the lower-bound
// role raises its bound: whenever they stop, the stored model is the one of
// the best bound, each stored model printed once, in decreasing order.
TEST(BoundsConcurrency, BestBoundAlwaysTravelsWithItsModel) {
  for (int round = 0; round < 20; round++) {
    TwoRoles r;
    testing::internal::CaptureStdout();
    std::thread up([&] {
      for (Cost v = 250; v >= 0 && !r.t.coop.done; v -= 1 + round % 3) r.upperModel(v);
    });
    std::thread low([&] {
      for (Cost v = 1; v < 200 && !r.t.coop.done; v += 2) r.t.coop.updateLowerValue(&r.lower.s, 0, v);
    });
    up.join();
    low.join();
    std::vector<std::string> out = lines(testing::internal::GetCapturedStdout());
    EXPECT_TRUE(r.t.coop.done);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ((int)out.size(), r.t.coop.nbSolutions);
    EXPECT_EQ(out.back(), "o " + std::to_string(r.t.coop.bounds[2]));
    EXPECT_EQ((Cost)bestBits(r.t.coop), r.t.coop.bounds[2]);
    EXPECT_GE(r.t.coop.bounds[0], r.t.coop.bounds[2]);
    for (size_t i = 1; i < out.size(); i++)
      EXPECT_LT(std::stoll(out[i].substr(2)), std::stoll(out[i - 1].substr(2)));
  }
}
