// The output as an evaluation harness reads it: standard output alone, and
// standard output and standard error on one pipe (2>&1). Whatever the two
// threads and the signal thread print at once, every line comes out whole,
// there is exactly one "s" line, and after it comes the model line and
// nothing else.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

// Both preprocessing copies find x equivalent to y and to not y; each prints
// its conflict line, and one of them the answer.
const std::string conflictingWcnf = "p wcnf 2 5 10\n10 1 2 0\n10 -1 -2 0\n10 1 -2 0\n10 -1 2 0\n1 1 0\n";
const std::string smallOpb = "min: +1 x +2 y ;\n+1 x +1 y >= 1 ;\n";

#ifdef __SANITIZE_THREAD__
const int runsPerCase = 20;  // ThreadSanitizer pauses a second at every exit
#else
const int runsPerCase = 100;
#endif

// Runs quon with standard output and standard error on one pipe, sending
// SIGTERM after termDelayUs microseconds (none when negative). The status
// is -1 when the process did not exit by itself.
RunResult runOnOnePipe(const std::vector<std::string>& args, long termDelayUs) {
  int ends[2];
  if (pipe(ends) != 0) abort();
  std::vector<std::string> argvText = args;
  argvText.insert(argvText.begin(), QUON_BINARY);
  std::vector<char*> argv;
  for (auto& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) abort();
  if (pid == 0) {
    if (dup2(ends[1], 1) < 0 || dup2(ends[1], 2) < 0 || !freopen("/dev/null", "rb", stdin)) _exit(121);
    close(ends[0]);
    close(ends[1]);
    execv(QUON_BINARY, argv.data());
    _exit(122);
  }
  close(ends[1]);
  if (termDelayUs >= 0) {
    const struct timespec delay = {termDelayUs / 1000000, (termDelayUs % 1000000) * 1000};
    nanosleep(&delay, nullptr);
    kill(pid, SIGTERM);
  }
  RunResult result;
  struct pollfd readable = {ends[0], POLLIN, 0};
  char buffer[4096];
  while (poll(&readable, 1, 60000) > 0) {
    const ssize_t got = read(ends[0], buffer, sizeof buffer);
    if (got <= 0) break;
    result.out.append(buffer, (size_t)got);
  }
  close(ends[0]);
  kill(pid, SIGKILL);  // only if it hangs: the poll above has timed out
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The lines these runs can print, each matched whole: a line cut into or
// glued to another one matches none of them.
class LineShapes {
  std::vector<std::regex> shapes;

 public:
  explicit LineShapes(const std::vector<std::string>& patterns) {
    const char* common[] = {
        "c =+",                                  // rules
        "c =+\\[ [A-Za-z ]+ \\]=+",              // box titles
        "c \\|[^|]*(\\|[^|]*)*\\|",              // box rows and statistics rows
        "c Wall Clock Time: [0-9]+\\.[0-9]{2}( s)?",
    };
    for (const char* pattern : common) shapes.emplace_back(pattern);
    for (const std::string& pattern : patterns) shapes.emplace_back(pattern);
  }
  bool whole(const std::string& line) const {
    for (const std::regex& shape : shapes)
      if (std::regex_match(line, shape)) return true;
    return false;
  }
};

std::string escaped(const std::string& text) { return std::regex_replace(text, std::regex("[.^$|()\\[\\]*+?{}\\\\]"), "\\$&"); }

// The checks of one run's text (one stream, or both on one pipe); returns
// its "s" line.
std::string expectWholeAndAnswerLast(const std::string& text, const LineShapes& shapes, const std::string& context) {
  EXPECT_TRUE(text.empty() || text.back() == '\n') << context << "the text ends inside a line:\n" << text;
  std::string status;
  int statusLines = 0;
  bool modelSeen = false;
  for (const std::string& line : lines(text)) {
    EXPECT_TRUE(shapes.whole(line)) << context << "broken line '" << line << "' in\n" << text;
    if (statusLines > 0) {
      EXPECT_TRUE(line.compare(0, 2, "v ") == 0 && !modelSeen) << context << "after the answer: " << line << "\n"
                                                                << text;
      modelSeen = true;
    }
    if (line.compare(0, 2, "s ") == 0) {
      statusLines++;
      status = line;
    }
  }
  EXPECT_EQ(statusLines, 1) << context << text;
  return status;
}

class OutputOrder : public ::testing::Test {
 protected:
  ScratchDir dir;
};

// Standard output alone: one or two conflict lines (one per thread that got
// there first), the answer last. Both streams on one pipe: the same, and the
// comment lines whole around them.
TEST_F(OutputOrder, PreprocessingConflictInBothThreadsPrintsTheAnswerLast) {
  const std::string file = dir.write("x.wcnf", conflictingWcnf);
  const LineShapes shapes({"c Conflict found at preprocessing!", "c Solved by Preprocessing", "s UNSATISFIABLE"});
  for (int i = 0; i < runsPerCase; i++) {
    const std::string name = dir.file("alone" + std::to_string(i));
    Process process(QUON_BINARY, {"-verbosity=0", file}, name + ".out", name + ".err");
    RunResult r = process.wait(60);
    const std::string context = "standard output alone, run " + std::to_string(i) + ": ";
    EXPECT_EQ(r.status, 255) << context;
    expectWholeAndAnswerLast(r.out, shapes, context);
    const std::vector<std::string> out = lines(r.out);
    EXPECT_TRUE(!out.empty() && out.size() <= 3 && out.back() == "s UNSATISFIABLE") << context << r.out;
    for (const std::string& line : lines(r.err)) EXPECT_TRUE(shapes.whole(line)) << context << r.err;

    RunResult joined = runOnOnePipe({"-verbosity=0", file}, -1);
    EXPECT_EQ(joined.status, 255) << i;
    EXPECT_EQ(expectWholeAndAnswerLast(joined.out, shapes, "one pipe, run " + std::to_string(i) + ": "),
              "s UNSATISFIABLE");
  }
}

// SIGTERM from before main through reading and search to after the answer.
// A run killed before main took the signals over prints nothing; any other
// prints one answer, last: the report's, or the search's when it came first.
TEST_F(OutputOrder, EarlyTermLeavesOneAnswerLastAndEveryLineWhole) {
  const std::string file = dir.write("t.opb", smallOpb);
  const LineShapes shapes({"c Parsing opb file format\\. File " + escaped(file) + "\\.",
                           "c Instance file " + escaped(file), "c File size is 34 bytes\\.", "c Cost Offset: 0",
                           "c Highest Coefficient sum: 3", "c Best Solution: [12]", "o [12]",
                           "s (OPTIMUM FOUND|SATISFIABLE|UNKNOWN)", "v -?x -?y"});
  const std::vector<std::string> args = {"-file-format=opb", file};
  auto expectOneAnswer = [&shapes](const RunResult& r, const std::string& context) {
    if (r.status == -1) {
      EXPECT_EQ(r.out + r.err, "") << context;
      return;
    }
    const std::string status = expectWholeAndAnswerLast(r.out, shapes, context);
    EXPECT_EQ(r.status, status == "s OPTIMUM FOUND" ? 255 : 0) << context << r.out;
    for (const std::string& line : lines(r.err)) EXPECT_TRUE(shapes.whole(line)) << context << r.err;
  };
  for (int i = 0; i < runsPerCase; i++) {
    const long delayUs = 12500L * i / runsPerCase;
    const std::string context = "SIGTERM at " + std::to_string(delayUs) + " us, ";
    const std::string name = dir.file("term" + std::to_string(i));
    Process process(QUON_BINARY, args, name + ".out", name + ".err");
    const struct timespec delay = {0, delayUs * 1000};
    nanosleep(&delay, nullptr);
    kill(process.pid(), SIGTERM);
    expectOneAnswer(process.wait(60), context + "standard output alone: ");
    expectOneAnswer(runOnOnePipe(args, delayUs), context + "one pipe: ");
  }
}

}  // namespace
