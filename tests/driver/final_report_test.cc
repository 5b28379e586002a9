// The final result: exact "o", "s" and "v" lines on standard output, the
// separator and wall-clock lines on standard error, and exit status 255 for
// every result. Each report ends the process, so each runs in a child.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "driver/RUKSolver.h"
#include "driver_test_util.h"

namespace {

using driver_test::ChildResult;
using driver_test::LowerBoundRun;
using driver_test::Problem;
using driver_test::runInChild;

const std::string separator(79, '=');

// Standard error of every report: the separator and the wall-clock time,
// "c Wall Clock Time: <seconds with two decimals> s".
void expectResultHead(const ChildResult& child) {
  const std::string head = "c " + separator + "\nc Wall Clock Time: ";
  ASSERT_EQ(child.err.compare(0, head.size(), head), 0) << child.err;
  const std::string time = child.err.substr(head.size());
  const size_t dot = time.find('.');
  ASSERT_NE(dot, std::string::npos) << child.err;
  ASSERT_GT(dot, 0u) << child.err;
  for (size_t i = 0; i < dot; i++) EXPECT_TRUE(isdigit((unsigned char)time[i])) << child.err;
  EXPECT_EQ(time.size(), dot + 6) << child.err;  // two decimals, " s", newline
  EXPECT_TRUE(isdigit((unsigned char)time[dot + 1]) && isdigit((unsigned char)time[dot + 2])) << child.err;
  EXPECT_EQ(time.substr(dot + 3), " s\n") << child.err;
}

struct Report {
  Cooperation coop{2, 16};
  RUKSolver r;

  Report(int format, std::vector<char> model) {
    r.coop = &coop;
    r.inputFormat = format;
    r.nbOrigVars = (int)model.size();
    coop.nbOrigVars = (int)model.size();
    coop.bestModel = model;
  }
  // As the readers do: the driver owns (and frees) strdup'ed names.
  void setNames(const std::vector<std::string>& names) {
    for (const std::string& n : names) r.varNames.push_back(strdup(n.c_str()));
  }
  void solution(Cost cost) {
    coop.nbSolutions = 1;
    coop.bounds[2] = cost;
  }
  ChildResult run() {
    return runInChild([this] { r.reportFinalResult(); });
  }
};

TEST(FinalReport, CompleteSearchWithoutModelIsUnsatisfiable) {
  Report rep(formatWcnf, {1, 0});
  ChildResult child = rep.run();
  ASSERT_TRUE(child.exited);
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s UNSATISFIABLE\n");
  expectResultHead(child);
}

TEST(FinalReport, TimeOutWithoutModelIsUnknown) {
  Report rep(formatWcnf, {1, 0});
  rep.coop.timedOut = true;
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s UNKNOWN\n");
  expectResultHead(child);
}

TEST(FinalReport, InterruptionWithoutModelIsUnknown) {
  Report rep(formatCnf, {1});
  rep.coop.interrupted = true;
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s UNKNOWN\n");
}

TEST(FinalReport, OptimumWithNumberedModelForCnf) {
  Report rep(formatCnf, {1, 0, 1});
  rep.solution(5);
  ChildResult child = rep.run();
  ASSERT_TRUE(child.exited);
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 5\ns OPTIMUM FOUND\nv 1 -2 3\n");
  expectResultHead(child);
}

TEST(FinalReport, OptimumWithNumberedModelForWcnfIgnoresNames) {
  Report rep(formatWcnf, {0, 1});
  rep.setNames({"a", "b"});
  rep.solution(0);
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 0\ns OPTIMUM FOUND\nv -1 2\n");
}

TEST(FinalReport, OpbModelUsesNamesAndCostIncludesObjectiveConstant) {
  Report rep(formatOpb, {1, 0});
  rep.setNames({"x1", "x2"});
  rep.solution(3);
  rep.coop.objConstant = 7;
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 10\ns OPTIMUM FOUND\nv x1 -x2\n");
}

TEST(FinalReport, NegativeObjectiveConstantIsAddedToo) {
  Report rep(formatOpb, {0});
  rep.setNames({"y"});
  rep.solution(2);
  rep.coop.objConstant = -5;
  ChildResult child = rep.run();
  EXPECT_EQ(child.out, "o -3\ns OPTIMUM FOUND\nv -y\n");
}

TEST(FinalReport, RukModelUsesNames) {
  Report rep(formatRuk, {0, 1, 1});
  rep.setNames({"p", "q", "r"});
  rep.solution(4);
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 4\ns OPTIMUM FOUND\nv -p q r\n");
}

TEST(FinalReport, InterruptedAfterAModelIsSatisfiable) {
  Report rep(formatCnf, {0, 0});
  rep.solution(6);
  rep.coop.interrupted = true;
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 6\ns SATISFIABLE\nv -1 -2\n");
  expectResultHead(child);
}

TEST(FinalReport, QuietModeLeavesOutTheCostLine) {
  Report rep(formatCnf, {1});
  rep.solution(6);
  rep.coop.quiet = true;
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s OPTIMUM FOUND\nv 1\n");
}

TEST(FinalReport, NoInputVariableGivesBareModelLine) {
  Report rep(formatWcnf, {});
  rep.solution(1);
  ChildResult child = rep.run();
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 1\ns OPTIMUM FOUND\nv \n");
}

TEST(FinalReport, CostBeyondThirtyTwoBitsIsPrintedWhole) {
  Report rep(formatWcnf, {1});
  rep.solution(4000000000LL);
  rep.coop.objConstant = 5;
  ChildResult child = rep.run();
  EXPECT_EQ(child.out, "o 4000000005\ns OPTIMUM FOUND\nv 1\n");
}

TEST(FinalReport, CertificateAloneIsOneModelLineAndReturns) {
  Report rep(formatCnf, {0, 1, 0, 1});
  ChildResult child = runInChild([&rep] { rep.r.multiReportCertificate(); });
  EXPECT_EQ(child.status, 77) << "returns to its caller";
  EXPECT_EQ(child.out, "v -1 2 -3 4\n");
  EXPECT_EQ(child.err, "");
}

// ---- The lower-bound search followed by the report.

ChildResult searchAndReport(LowerBoundRun& run) {
  run.coop.quiet = false;  // the cost line comes from the report alone
  return runInChild([&run] {
    run.setUp();
    run.search();
    run.r.reportFinalResult();
  });
}

TEST(SearchThenReport, LooseCostLimitReportsTheOptimum) {
  Problem p;
  p.nVars = 2;
  p.pb({mkLit(0)}, {1}, 1, 3);
  p.pb({mkLit(1)}, {1}, 1, 2);
  p.pb({mkLit(0, true), mkLit(1, true)}, {1, 1}, 1);
  LowerBoundRun run(8);
  run.load(p);
  run.r.hasSoftLimit = true;
  run.r.softLimit = 100;
  ChildResult child = searchAndReport(run);
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 2\ns OPTIMUM FOUND\nv 1 -2\n");
}

TEST(SearchThenReport, UnsatisfiableHardPartReportsUnsatisfiable) {
  Problem p;
  p.nVars = 3;
  for (int s = 0; s < 4; s++) p.clause({mkLit(0, s & 1), mkLit(1, (s >> 1) & 1)});
  p.clause({mkLit(2)}, 1);
  LowerBoundRun run(8);
  run.load(p);
  ChildResult child = searchAndReport(run);
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s UNSATISFIABLE\n");
}

// Pigeons into fewer holes with a spent restart budget: undecided, so the
// answer is unknown, never a claim of unsatisfiability.
TEST(SearchThenReport, SpentRestartBudgetReportsUnknown) {
  Problem p;
  const int pigeons = 8, holes = 7;
  p.nVars = pigeons * holes + 1;
  for (int i = 0; i < pigeons; i++) {
    std::vector<Lit> somewhere;
    for (int h = 0; h < holes; h++) somewhere.push_back(mkLit(i * holes + h));
    p.clause(somewhere);
  }
  for (int h = 0; h < holes; h++)
    for (int i = 0; i < pigeons; i++)
      for (int j = i + 1; j < pigeons; j++) p.clause({mkLit(i * holes + h, true), mkLit(j * holes + h, true)});
  p.clause({mkLit(p.nVars - 1)}, 1);
  LowerBoundRun run(8);
  run.load(p);
  run.r.coreRestartBudget = 1;
  ChildResult child = searchAndReport(run);
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "s UNKNOWN\n");
}

TEST(SearchThenReport, CostBeyondThirtyTwoBitsAndItsModel) {
  Problem p;
  p.nVars = 3;
  for (int v = 0; v < 3; v++) p.clause({mkLit(v)}, 2000000000);
  p.clause({mkLit(1)}, 1);  // makes x2 the one to keep true
  for (int a = 0; a < 3; a++)
    for (int b = a + 1; b < 3; b++) p.clause({mkLit(a, true), mkLit(b, true)});
  LowerBoundRun run(8);
  run.load(p);
  ChildResult child = searchAndReport(run);
  EXPECT_EQ(child.status, 255);
  EXPECT_EQ(child.out, "o 4000000000\ns OPTIMUM FOUND\nv -1 2 -3\n");
}

}  // namespace
