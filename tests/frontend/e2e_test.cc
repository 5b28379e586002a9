// The quon binary run as a process: command line, malformed input, exact
// result lines with hand-worked optima, and the signal reports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

const std::string versionBox =
    "c ==============================[ Solver Version ]===============================\n"
    "c |                                                                             |\n"
    "c |  Quon-2T:                  2.2 - November, 2012                             |\n"
    "c |                                                                             |\n";

std::string usage() {
  return versionBox + "c USAGE: " + std::string(QUON_BINARY) +
         " [options] <input-file>\n\nc OPTIONS:\n\n"
         "c   -file-format    = {cnf,wcnf,opb,ruk} (default wcnf)\n"
         "c   -lb-search-mode = {normal,part-weight,part-graph,part-dyn} (default normal)\n"
         "c   -part-graph     = <num> (only for lb search mode 'part-graph' and 'part-dyn', default 16)\n"
         "c   -preprocessor   = {no,yes} (default yes)\n"
         "c   -enc-lb         = {pairwise,ladder,bitwise,commander,product,sequential,totalizer,sorters,pb} (default "
         "pb)\n"
         "c   -enc-ub         = {sequential,totalizer,sorters,pb,dyn} (default dyn)\n"
         "c   -time-limit     = <num> (default 1800 sec.)\n"
         "c   -lb-cpu-time    = <num> (default 900 sec. Note: ub cpu time is given by (time limit) - (lb cpu time)\n"
         "c   -verbosity      = {0,1} (default 1)\n"
         "c \n";
}

const std::string smallWcnf = "p wcnf 2 3 10\n10 1 2 0\n3 -1 0\n4 -2 0\n";

class QuonBinary : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string smallFile;
  void SetUp() override { smallFile = dir.write("small.wcnf", smallWcnf); }
  RunResult run(const std::vector<std::string>& args) { return runQuon(dir, args); }
  void expectRun(const std::vector<std::string>& args, int status, const std::string& err, const std::string& out = "") {
    std::string context;
    for (const auto& a : args) context += " " + a;
    RunResult r = run(args);
    EXPECT_EQ(r.status, status) << context;
    EXPECT_EQ(r.err, err) << context;
    EXPECT_EQ(r.out, out) << context;
  }
};

TEST_F(QuonBinary, UsageWithStatus1WithoutArgumentsAndStatus0ForHelp) {
  expectRun({}, 1, usage());
  for (const char* help : {"-h", "-help", "--help"}) expectRun({"-verbosity=0", help, smallFile}, 0, usage());
}

TEST_F(QuonBinary, OptionErrorsPrintTheirMessageAndEndWithStatus1) {
  struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-thread=0"}, "ERROR! illegal number of threads 0"},
      {{"-foo", "-thread=x"}, "ERROR! illegal number of threads x"},
      {{"-thread=2"}, "ERROR! unknown flag -thread=2"},
      {{"-foo", "-h"}, "ERROR! unknown flag -foo"},
      {{"-file-format=CNF"}, "ERROR! illegal file format CNF"},
      {{"-lb-search-mode=x"}, "ERROR! illegal value for search mode x"},
      {{"-enc-lb=x"}, "ERROR! illegal at-most-one kind of encoding x"},
      {{"-enc-ub=x"}, "ERROR! illegal at-most-k kind of encoding x"},
      {{"-verbosity=2"}, "ERROR! illegal verbosity value 2"},
      {{"-time-limit=0"}, "ERROR! illegal time limit constant 0"},
      {{"-time-limit=100", "-lb-cpu-time=200"}, "ERROR! illegal cpu time for lb 200"},
      {{"-preprocessor=maybe"}, "ERROR! illegal preprocessor value 1"},
      {{"-part-graph=1"}, "ERROR! illegal number of partitions constant 1"},
  };
  for (auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back(smallFile);
    expectRun(args, 1, "c " + c.message + "\n");
  }
}

TEST_F(QuonBinary, MissingFileOrDirectoryEndsWithStatus1AfterAnyOptionError) {
  const std::string missing = dir.file("missing.wcnf");
  expectRun({missing}, 1, versionBox + "c ERROR! Could not open file: " + missing + "\n");
  expectRun({dir.path()}, 1, versionBox + "c ERROR! Could not open file: " + dir.path() + "\n");
  expectRun({"-enc-lb=x"}, 1, "c ERROR! illegal at-most-one kind of encoding x\n");
}

// Every message of the reader: dimacs_reader_test.cc.
TEST_F(QuonBinary, MalformedInputEndsWithStatus3AndNoResult) {
  expectRun({dir.write("bad0.wcnf", "p wcnf 3 1\n1 1 4 0\n")}, 3,
            versionBox + "c PARSE ERROR! Variable 4 out of range 1..3 at line 2\n");
  expectRun({dir.write("bad1.wcnf", "p wcnf 3 1\n5 1 2")}, 3, versionBox + "c PARSE ERROR! Unexpected char: \xff\n");
}

// Truncated in the middle and just before the check sum, corrupted, and a
// directory, which opens but cannot be read.
TEST_F(QuonBinary, BrokenGzipInputEndsWithStatus3) {
  std::string text = "p wcnf 50 20000 2147483647\n";
  Lcg random(3);
  for (int i = 0; i < 20000; i++)
    text += std::to_string(random.between(1, 1000)) + " " + std::to_string(random.between(1, 50)) + " -" +
            std::to_string(random.between(1, 50)) + " 0\n";
  std::string packed = readFile(dir.writeGzip("full.wcnf.gz", text));
  std::string corrupt = packed;
  for (size_t i = corrupt.size() / 3; i < corrupt.size() / 3 + 64; i++) corrupt[i] = (char)(corrupt[i] ^ 0x5A);
  std::vector<std::string> inputs = {dir.write("half.gz", packed.substr(0, packed.size() / 2)),
                                     dir.write("nosum.gz", packed.substr(0, packed.size() - 4)),
                                     dir.write("corrupt.gz", corrupt)};
  for (const std::string& input : inputs) {
    RunResult r = run({input});
    EXPECT_EQ(r.status, 3) << input;
    EXPECT_NE(r.err.find("c PARSE ERROR! "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(QuonBinary, ExactResultLines) {
  struct Case {
    std::string text;
    std::vector<std::string> options;
    bool gzip;
    std::string out;
  } cases[] = {
      // Hard x1 or x2; soft not x1 (3), not x2 (4).
      {smallWcnf, {}, false, "o 3\ns OPTIMUM FOUND\nv 1 -2\n"},
      {smallWcnf, {}, true, "o 3\ns OPTIMUM FOUND\nv 1 -2\n"},
      {smallWcnf, {"-preprocessor=no"}, false, "o 3\ns OPTIMUM FOUND\nv 1 -2\n"},
      {smallWcnf, {"-time-limit=0.9"}, false, "o 3\ns OPTIMUM FOUND\nv 1 -2\n"},
      // Every cnf clause is soft with weight 1: x1 twice against not x1.
      {"p cnf 2 4\n1 0\n1 0\n-1 0\n2 0\n", {"-file-format=cnf"}, false, "o 1\ns OPTIMUM FOUND\nv 1 2\n"},
      {"p wcnf 2 3 10\n10 1 0\n10 -1 0\n1 2 0\n", {}, false, "s UNSATISFIABLE\n"},
      {"p wcnf 2 2 10\n10 0\n3 1 2 0\n", {}, false, "s UNSATISFIABLE\n"},
      // At least two of three true; x1 and x3 are the cheaper pair.
      {"p wcnf 3 6 2147483647\n2147483647 1 2 0\n2147483647 2 3 0\n2147483647 1 3 0\n"
       "2147483640 -1 0\n2147483646 -2 0\n2147483645 -3 0\n",
       {}, false, "o 4294967285\ns OPTIMUM FOUND\nv 1 -2 3\n"},
  };
  int i = 0;
  for (const Case& c : cases) {
    std::vector<std::string> args = c.options;
    const std::string name = "case" + std::to_string(i++);
    args.push_back(c.gzip ? dir.writeGzip(name + ".gz", c.text) : dir.write(name, c.text));
    RunResult r = run(args);
    EXPECT_EQ(r.status, 255) << c.text;
    EXPECT_EQ(r.out, c.out) << c.text;
    EXPECT_EQ(r.err.rfind(versionBox, 0), 0u) << r.err;
  }
  RunResult r = run({smallFile});
  EXPECT_NE(r.err.find("c ============================[ Problem Statistics ]============================="),
            std::string::npos);
  EXPECT_NE(r.err.find("c |  Number Variables:      2                                                   |"),
            std::string::npos);
}

// Signals, delivered while quon waits to read its input from a FIFO (the
// version box is printed after the handlers are in place).
TEST_F(QuonBinary, SignalsBeforeAnySolution) {
  const std::string interrupted = "c \nc *** INTERRUPTED ***\n", wallClock = wallClockLine + "T s\n";
  const std::pair<int, std::string> cases[] = {{SIGTERM, "c " + std::string(79, '=') + "\n" + wallClock},
                                               {SIGINT, interrupted + wallClock + interrupted},
                                               {SIGHUP, interrupted + wallClock + interrupted}};
  for (const auto& [signal, tail] : cases) {
    const std::string name = dir.file("signal" + std::to_string(signal));
    ASSERT_EQ(mkfifo((name + ".fifo").c_str(), 0600), 0);
    Process process(QUON_BINARY, {name + ".fifo"}, name + ".out", name + ".err");
    ASSERT_TRUE(process.waitFor("Quon-2T", 60));
    kill(process.pid(), signal);
    RunResult r = process.wait(60);
    EXPECT_EQ(r.status, 0) << signal;
    EXPECT_EQ(r.out, signal == SIGTERM ? "s UNKNOWN\n" : "") << signal;
    EXPECT_EQ(maskSeconds(r.err), versionBox + tail);
  }
}

// A random weighted 3-SAT problem that takes the search far longer than the
// few seconds these tests wait.
Problem hardProblem() {
  Problem p;
  p.nVars = 120;
  Lcg random(5);
  for (int i = 0; i < 1200; i++) {
    std::vector<Lit> lits;
    for (int k = 0; k < 3; k++) lits.push_back(mkLit((Var)random.below(120), random.chance(50)));
    p.clause(lits, 1 + (Cost)random.below(1000));
  }
  return p;
}

// Quon on the hard problem, sent SIGTERM after a first solution (seen as an
// "o" line when quiet, as a " ub |" statistics row otherwise), alone or with
// a SIGINT right behind it (both pending when quon takes them, which the stop
// makes certain): the first report wins, with the best cost and its model,
// printed once.
TEST_F(QuonBinary, TermAfterASolutionReportsBestCostAndItsModel) {
  const Problem p = hardProblem();
  const std::string file = dir.write("hard.wcnf", wcnf(p));
  for (const auto& [variant, quiet, thenInt] : {std::tuple("quiet", true, false), std::tuple("verbose", false, false),
                                                 std::tuple("quiet-then-int", true, true)}) {
    SCOPED_TRACE(variant);
    const std::string name = dir.file(variant);
    Process process(QUON_BINARY, {quiet ? "-verbosity=0" : "-verbosity=1", "-time-limit=300", file}, name + ".out",
                    name + ".err");
    ASSERT_TRUE(process.waitFor(quiet ? "o " : " ub |", 30, quiet));
    for (int signal : thenInt ? std::vector<int>{SIGSTOP, SIGTERM, SIGINT, SIGCONT} : std::vector<int>{SIGTERM})
      kill(process.pid(), signal);
    RunResult r = process.wait(60);
    if (r.status == 255) continue;  // solved before the signal arrived
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("INTERRUPTED"), std::string::npos);
    std::vector<std::string> err = lines(r.err);
    ASSERT_GE(err.size(), 2u);
    EXPECT_EQ(err[err.size() - 2], "c " + std::string(79, '='));
    EXPECT_EQ(err.back().rfind(wallClockLine, 0), 0u);
    std::vector<std::string> out = lines(r.out);
    ASSERT_GE(out.size(), 3u) << r.out;
    const std::string& best = out[out.size() - 3];
    ASSERT_EQ(best.rfind("c Best Solution: ", 0), 0u) << r.out;
    const std::string value = best.substr(17);
    EXPECT_EQ(out[out.size() - 2], "s SATISFIABLE");
    std::vector<bool> model;
    ASSERT_TRUE(parseModel(out.back(), p.nVars, model));
    // The bound counts the relaxation variables set in the model found; the
    // assignment of the input variables can only cost that or less.
    EXPECT_LE(costOf(p, model), std::stoll(value));
    const std::vector<std::string> costs = lines(r.out, "o ");
    ASSERT_FALSE(costs.empty());
    EXPECT_EQ(costs.back(), "o " + value);
    EXPECT_TRUE(quiet || out.size() == 4u) << r.out;  // the handler's own "o" line and no other
  }
}

// A SIGTERM that is there before main runs (the input, a FIFO nobody
// writes, is never read): the early report, not the default kill.
TEST_F(QuonBinary, TermBeforeReadingHasBegunReportsUnknown) {
  const std::string name = dir.file("early");
  ASSERT_EQ(mkfifo((name + ".fifo").c_str(), 0600), 0);
  Process process(QUON_BINARY, {name + ".fifo"}, name + ".out", name + ".err", termPending);
  RunResult r = process.wait(60);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "s UNKNOWN\n");
  EXPECT_NE(maskSeconds(r.err).find("c " + std::string(79, '=') + "\n" + wallClockLine + "T s\n"), std::string::npos)
      << r.err;
}

// Hard clauses of the pigeonhole problem, 5 pigeons in 4 holes: unsatisfiable,
// but only a search shows it. The lower-bound thread's budget is spent before
// it starts; the upper-bound thread proves the answer, which stands.
TEST_F(QuonBinary, UnsatisfiableProvenWhileTheLowerBoundTimedOut) {
  Problem p = pigeonhole(4);
  p.clause({mkLit(0)}, 3);
  RunResult r = run({"-lb-cpu-time=0.0001", dir.write("php.wcnf", wcnf(p, 100))});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "s UNSATISFIABLE\n");
}

// A generated input that takes far longer to read than its time limit: the
// run ends while reading, with the time-out answer, before any statistics.
// Reading it takes about 0.45 s on a fast idle machine: the limit stays
// well below that, so that the test does not depend on the machine's speed.
TEST_F(QuonBinary, TimeLimitHoldsWhileReading) {
  std::string text = "p wcnf 200000 800000 1000\n";
  Lcg random(3);
  for (int i = 0; i < 800000; i++) {
    text += i % 4 ? "1000" : "1";
    for (int k = 0; k < 3; k++) {
      const int v = 1 + (int)random.below(200000);
      text += (random.chance(50) ? " " : " -") + std::to_string(v);
    }
    text += " 0\n";
  }
  RunResult r = run({"-time-limit=0.1", dir.write("large.wcnf", text)});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "s UNKNOWN\n");
  EXPECT_EQ(r.err.find("Problem Statistics"), std::string::npos);
}

}  // namespace
