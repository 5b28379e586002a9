// The quon binary on OPB and RUK files: exact result lines with hand-worked
// optima, the cost limit, and malformed input (reader messages: pb_reader_test.cc).
#include <gtest/gtest.h>

#include <signal.h>
#include <time.h>

#include <set>
#include <string>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

class PBBinary : public ::testing::Test {
 protected:
  ScratchDir dir;
  RunResult run(const std::string& format, const std::string& text, const std::string& extra = "-verbosity=1") {
    return runQuon(dir, {"-file-format=" + format, extra, dir.write("in." + format, text)});
  }
};

// Result lines only: what a caller of the solver reads.
std::string results(const std::string& out) {
  std::string kept;
  for (const std::string& line : lines(out))
    if (line.compare(0, 2, "c ") != 0) kept += line + "\n";
  return kept;
}

TEST_F(PBBinary, ObjectiveWithNegatedLiteralAndOffset) {
  const std::string text = "* c\nmin: +2 x1 -3 x2 +4 ~x3 ;\n+1 x1 +1 x2 >= 1 ;\n";
  RunResult r = run("opb", text);
  EXPECT_EQ(r.status, 255);
  const std::string file = dir.file("in.opb");
  EXPECT_EQ(r.out, "c Instance file " + file + "\nc File size is 49 bytes.\nc Cost Offset: -3\n" +
                       "c Highest Coefficient sum: 3\no -3\ns OPTIMUM FOUND\nv -x1 x2 x3\n");
  EXPECT_NE(r.err.find("c Parsing opb file format. File " + file + ".\n"), std::string::npos);
  // Quiet mode prints the improving costs as they come, the offset included.
  RunResult quiet = run("opb", text, "-verbosity=0");
  EXPECT_EQ(results(quiet.out).substr(results(quiet.out).rfind("o ")), "o -3\ns OPTIMUM FOUND\nv -x1 x2 x3\n");
}

TEST_F(PBBinary, ObjectiveCoefficientOfTheTopWeightStaysSoft) {
  RunResult r = run("opb", "min: +2147483647 x +2147483647 y ;\n+1 x +1 y >= 1 ;\n");
  const std::vector<std::string> result = lines(results(r.out));
  ASSERT_EQ(result.size(), 3u) << r.out;
  EXPECT_EQ(result[0], "o 2147483647");
  EXPECT_EQ(result[1], "s OPTIMUM FOUND");
  EXPECT_TRUE(result[2] == "v x -y" || result[2] == "v -x y") << result[2];
}

// A limit binding at the optimum is checked on random instances
// (pb_differential_test.cc); here the weight of a hard constraint, which is
// no limit (3000000000 is no cost too high), and weights on both polarities,
// which count once in the limit.
TEST_F(PBBinary, CostLimitAtTheHardWeightAndWithWeightsOnBothPolarities) {
  const std::string heavy = "[1500000000] -1 x >= 0 ;\n[1500000000] -1 y >= 0 ;\n+1 x +1 y >= 2 ;\n";
  EXPECT_EQ(results(run("ruk", "soft: 2147483647 ;\n" + heavy).out), "o 3000000000\ns OPTIMUM FOUND\nv x y\n");
  EXPECT_EQ(results(run("ruk", "soft: 2147483646 ;\n" + heavy).out), "s UNSATISFIABLE\n");
  // x costs 2, ~x costs 3: every assignment costs at least 2.
  const std::string both = "[3] +1 x >= 1 ;\n[2] -1 x >= 0 ;\n";
  EXPECT_EQ(results(run("ruk", "soft: 3 ;\n" + both).out), "o 2\ns OPTIMUM FOUND\nv x\n");
  // Every solution costs 3; the equivalence y = z, which the preprocessing
  // merges, has nothing to do with the limit.
  const std::string merged = "[5] +1 x >= 1 ;\n[3] +1 ~x >= 1 ;\n+1 ~y +1 z >= 1 ;\n+1 y +1 ~z >= 1 ;\n";
  for (const char* options : {"-verbosity=1", "-preprocessor=no"}) {
    EXPECT_EQ(results(run("ruk", "soft: 3 ;\n" + merged, options).out), "s UNSATISFIABLE\n") << options;
    EXPECT_EQ(results(run("ruk", "soft: 4 ;\n" + merged, options).out).substr(0, 24), "o 3\ns OPTIMUM FOUND\nv x ")
        << options;
    EXPECT_EQ(results(run("ruk", "soft: 2 ;\n" + both, options).out), "s UNSATISFIABLE\n") << options;
    EXPECT_EQ(results(run("ruk", "soft: 1 ;\n[1] +1 x >= 1 ;\n[1] +1 ~x >= 1 ;\n", options).out),
              "s UNSATISFIABLE\n")
        << options;
  }
}

TEST_F(PBBinary, SoftConstraintThatAlwaysHoldsCostsNothing) {
  RunResult r = run("ruk", "[3] +1 x >= 0 ;\n");
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(results(r.out).substr(0, 20), "o 0\ns OPTIMUM FOUND\n") << r.out;
}

TEST_F(PBBinary, MalformedInputEndsTheRunBeforeAnySearch) {
  struct {
    std::string format, text, tail;
  } cases[] = {
      {"opb", "min: +1 x ;\n+1 x +1 y\n", "c Parse Error 4\nc Line: 2\n"},
      {"ruk", "[0] +1 x >= 1 ;\n", "c Parse Error 8\nc Line: 1\n"},
  };
  for (const auto& c : cases) {
    RunResult r = run(c.format, c.text);
    EXPECT_EQ(r.status, 3) << c.text;
    ASSERT_GE(r.out.size(), c.tail.size()) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - c.tail.size()), c.tail) << c.text;
    EXPECT_EQ(r.err.find("Problem Statistics"), std::string::npos) << c.text;
  }
  const std::string zipped = dir.writeGzip("in.opb.gz", "min: +1 x ;\n+1 x >= 1 ;\n");
  RunResult r = runQuon(dir, {"-file-format=opb", zipped});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("c Unable to read compressed file " + zipped), std::string::npos) << r.out;
}

// SIGTERM sent at many moments from the start of the run through the
// reading and the search: whatever the moment, every line comes out whole,
// and a run that got as far as main answers with exactly one status line.
TEST_F(PBBinary, TermDuringReadingKeepsEveryLineWhole) {
  const std::string file = dir.write("r.ruk", "[1] +1 x >= 1 ;\n");
  const std::set<std::string> readerLines = {"c Instance file " + file, "c File size is 16 bytes.",
                                             "c Highest Coefficient sum: 2"};
  const std::set<std::string> results = {"o 0", "c Best Solution: 0", "s UNKNOWN", "s SATISFIABLE",
                                         "s OPTIMUM FOUND", "v x"};
  for (int i = 0; i < 300; i++) {
    const std::string name = dir.file("term" + std::to_string(i));
    Process process(QUON_BINARY, {"-file-format=ruk", file}, name + ".out", name + ".err");
    const struct timespec delay = {0, 200000L + 20000L * (i % 200)};
    nanosleep(&delay, nullptr);
    kill(process.pid(), SIGTERM);
    RunResult r = process.wait(60);
    if (r.status == -1) continue;  // killed before main had taken the signal over
    int statusLines = 0;
    for (const std::string& line : lines(r.out)) {
      EXPECT_TRUE(readerLines.count(line) || results.count(line)) << "run " << i << ": " << r.out;
      statusLines += line.compare(0, 2, "s ") == 0;
    }
    EXPECT_EQ(statusLines, 1) << "run " << i << ": " << r.out;
    for (const std::string& line : lines(r.err)) EXPECT_EQ(line.compare(0, 2, "c "), 0) << r.err;
  }
}

}  // namespace
