// The output as an evaluation harness reads it: standard output alone, and
// standard output and standard error on one pipe (2>&1). Whatever the two
// threads and the signal thread print at once, every line comes out whole,
// there is exactly one "s" line, and after it comes the model line and
// nothing else.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

// Both preprocessing copies find x equivalent to y and to not y; each prints
// its conflict line, and one of them the answer.
const std::string conflictingWcnf = "p wcnf 2 5 10\n10 1 2 0\n10 -1 -2 0\n10 1 -2 0\n10 -1 2 0\n1 1 0\n";
const std::string smallOpb = "min: +1 x +2 y ;\n+1 x +1 y >= 1 ;\n";

// The SIGTERMs are spread over the window from the start of the process:
// the ThreadSanitizer build is linked dynamically and takes some 30 ms to
// reach the search, and it pauses a second at every exit (so fewer runs).
#ifdef __SANITIZE_THREAD__
const int runsPerCase = 20;
const long termWindowUs = 60000;
#else
const int runsPerCase = 100;
const long termWindowUs = 12500;
#endif

// Runs quon with standard output and standard error on one pipe, sending
// SIGTERM after termDelayUs microseconds (none when negative). The status
// is -1 when the process did not exit by itself.
RunResult runOnOnePipe(const std::vector<std::string>& args, long termDelayUs) {
  int ends[2];
  if (pipe(ends) != 0) abort();
  Process process(QUON_BINARY, args, "/dev/null", "/dev/null", [&ends] {
    const bool joined = dup2(ends[1], 1) >= 0 && dup2(ends[1], 2) >= 0;
    close(ends[0]);
    close(ends[1]);
    return joined;
  });
  close(ends[1]);
  if (termDelayUs >= 0) {
    const struct timespec delay = {termDelayUs / 1000000, (termDelayUs % 1000000) * 1000};
    nanosleep(&delay, nullptr);
    kill(process.pid(), SIGTERM);
  }
  std::string text;
  struct pollfd readable = {ends[0], POLLIN, 0};
  char buffer[4096];
  while (poll(&readable, 1, 60000) > 0) {
    const ssize_t got = read(ends[0], buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, (size_t)got);
  }
  close(ends[0]);
  // The pipe has ended with the process, or the poll above has timed out
  // on a hang, which the wait ends with SIGKILL.
  RunResult result = process.wait(5);
  result.out = text;
  return result;
}

// The lines these runs can print: the fixed ones given, and the shapes of
// the boxes and the wall-clock line. A line cut into or glued to another
// one matches none of them.
class LineShapes {
  std::set<std::string> fixed;

  static bool allOf(const std::string& text, size_t from, size_t to, char c) {
    return from < to && text.find_first_not_of(c, from) >= to;
  }
  static bool rule(const std::string& line) { return line.compare(0, 2, "c ") == 0 && allOf(line, 2, line.size(), '='); }
  static bool boxTitle(const std::string& line) {
    const size_t open = line.find("[ "), close = line.find(" ]");
    return line.compare(0, 2, "c ") == 0 && open != std::string::npos && close != std::string::npos && open < close &&
           allOf(line, 2, open, '=') && allOf(line, close + 2, line.size(), '=');
  }
  static bool boxRow(const std::string& line) {
    return line.size() > 4 && line.compare(0, 3, "c |") == 0 && line.back() == '|';
  }
  static bool wallClock(const std::string& line) {
    std::string time = line.substr(std::min(line.size(), wallClockLine.size()));
    if (time.size() > 2 && time.compare(time.size() - 2, 2, " s") == 0) time.resize(time.size() - 2);
    const size_t point = time.find('.');
    return line.compare(0, wallClockLine.size(), wallClockLine) == 0 && point != std::string::npos && point > 0 &&
           time.size() == point + 3 && time.find_first_not_of("0123456789.") == std::string::npos &&
           time.find('.', point + 1) == std::string::npos;
  }

 public:
  explicit LineShapes(std::set<std::string> fixedLines) : fixed(std::move(fixedLines)) {}
  bool whole(const std::string& line) const {
    return fixed.count(line) || rule(line) || boxTitle(line) || boxRow(line) || wallClock(line);
  }
};

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
  const LineShapes shapes({"c Parsing opb file format. File " + file + ".", "c Instance file " + file,
                           "c File size is 34 bytes.", "c Cost Offset: 0", "c Highest Coefficient sum: 3",
                           "c Best Solution: 1", "c Best Solution: 2", "o 1", "o 2", "s OPTIMUM FOUND",
                           "s SATISFIABLE", "s UNKNOWN", "v x y", "v x -y", "v -x y", "v -x -y"});
  const std::vector<std::string> args = {"-file-format=opb", file};
  auto expectOneAnswer = [&shapes](const RunResult& r, const std::string& context) {
    if (r.status == -1) {  // the default kill before main, not a hang
      EXPECT_EQ(r.signal, SIGTERM) << context;
      EXPECT_EQ(r.out + r.err, "") << context;
      return;
    }
    const std::string status = expectWholeAndAnswerLast(r.out, shapes, context);
    EXPECT_EQ(r.status, status == "s OPTIMUM FOUND" ? 255 : 0) << context << r.out;
    for (const std::string& line : lines(r.err)) EXPECT_TRUE(shapes.whole(line)) << context << r.err;
  };
  for (int i = 0; i < runsPerCase; i++) {
    const long delayUs = termWindowUs * i / runsPerCase;
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
