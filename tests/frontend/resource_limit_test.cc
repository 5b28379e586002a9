// The end of a run that meets a limit of its environment: an address-space
// limit (as cluster scripts and evaluation harnesses set one) and a
// standard output that takes nothing (a full disk, a pipe whose reader is
// gone). Each ends with an answer or with a "c Error:" line and status 1:
// never by a signal, never with a status that claims a printed result.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frontend_test_util.h"
#include "tests/common/Lcg.h"

using namespace quon_frontend_test;

namespace {

// The sanitizers reserve terabytes of address space for their shadow memory
// and report a failed allocation themselves: the limit is only tested on the
// plain build.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const bool sanitized = true;
#else
const bool sanitized = false;
#endif

// The stack limit is set too: each thread's stack takes that much address
// space, so the limits below hit the same steps of the run on every machine.
bool limitAddressSpace(long megabytes) {
  const rlim_t bytes = (rlim_t)megabytes << 20, stack = (rlim_t)8 << 20;
  const struct rlimit limit = {bytes, bytes}, stackLimit = {stack, stack};
  return setrlimit(RLIMIT_STACK, &stackLimit) == 0 && setrlimit(RLIMIT_AS, &limit) == 0;
}

// A large, easy instance: n variables, each with a unit soft clause against
// it, and n/2 random hard clauses "not a or not b".
std::string largeWcnf(int n) {
  testing_support::Lcg random((uint64_t)n);
  const int top = n + 1;
  std::string text = "p wcnf " + std::to_string(n) + " " + std::to_string(n + n / 2) + " " + std::to_string(top) + "\n";
  for (int i = 0; i < n / 2; i++)
    text += std::to_string(top) + " -" + std::to_string(1 + random.below((uint32_t)n)) + " -" +
            std::to_string(1 + random.below((uint32_t)n)) + " 0\n";
  for (int i = 1; i <= n; i++) text += "1 -" + std::to_string(i) + " 0\n";
  return text;
}

std::string lastLine(const std::string& text) {
  const std::vector<std::string> all = lines(text);
  return all.empty() ? "" : all.back();
}

// At every limit, from one that does not let the threads start to one the
// whole run fits in: an answer (status 255, nothing after the "s" line but
// the model), or "c Error: ..." last on standard error and status 1. Both
// kinds of end must occur, or the limits tested nothing.
TEST(MemoryLimit, EveryRunEndsWithAnAnswerOrAnErrorLine) {
  if (sanitized) GTEST_SKIP() << "address-space limits do not apply to the sanitizer builds";
  ScratchDir dir;
  const std::string file = dir.write("large.wcnf", largeWcnf(300000));
  int answers = 0, errors = 0;
  for (const char* mode : {"normal", "part-graph"}) {
    std::vector<long> limits = {20, 60, 200, 1000};
    for (long megabytes = 85; megabytes <= 140; megabytes += 5) limits.push_back(megabytes);
    for (long megabytes : limits) {
      const std::string context = std::string(mode) + " at " + std::to_string(megabytes) + " MB: ";
      RunResult r = runQuon(dir, {"-time-limit=4", std::string("-lb-search-mode=") + mode, file}, 30,
                            [megabytes] { return limitAddressSpace(megabytes); });
      EXPECT_EQ(r.signal, 0) << context << r.err;
      EXPECT_EQ(r.err.find("terminate called"), std::string::npos) << context << r.err;
      if (r.status == 1) {
        errors++;
        EXPECT_EQ(lastLine(r.err).compare(0, 9, "c Error: "), 0) << context << r.err;
        EXPECT_EQ(lines(r.out, "s ").size(), 0u) << context << r.out;
      } else {
        answers++;
        EXPECT_EQ(r.status, 255) << context << r.err;
        // One "s" line, followed by the model unless it is UNKNOWN.
        const std::vector<std::string> out = lines(r.out), status = lines(r.out, "s ");
        ASSERT_EQ(status.size(), 1u) << context << r.out;
        if (status[0] == "s UNKNOWN") {
          EXPECT_EQ(out.back(), "s UNKNOWN") << context << r.out;
        } else {
          ASSERT_GE(out.size(), 2u) << context << r.out;
          EXPECT_EQ(out[out.size() - 2], status[0]) << context << r.out;
          EXPECT_EQ(out.back().compare(0, 2, "v "), 0) << context << r.out;
        }
      }
    }
  }
  EXPECT_GT(answers, 0);
  EXPECT_GT(errors, 0);
}

class UnwritableOutput : public ::testing::Test {
 protected:
  ScratchDir dir;
  // Optimum 1: x1 true (its soft clause costs 1), x2 false.
  std::string file = dir.write("small.wcnf", "p wcnf 2 3 10\n10 1 2 0\n1 -1 0\n3 -2 0\n");
  const std::string lostLine = "c Error: could not write standard output";
};

TEST_F(UnwritableOutput, WrittenAnswerKeepsItsStatus) {
  RunResult r = runQuon(dir, {file}, 30);
  EXPECT_EQ(r.status, 255);
  const std::vector<std::string> out = lines(r.out);
  ASSERT_GE(out.size(), 3u) << r.out;
  EXPECT_EQ(std::vector<std::string>(out.end() - 3, out.end()),
            (std::vector<std::string>{"o 1", "s OPTIMUM FOUND", "v 1 -2"}));
  EXPECT_EQ(r.err.find(lostLine), std::string::npos);
}

TEST_F(UnwritableOutput, FullDiskEndsWithStatusOne) {
  RunResult r = runQuon(dir, {file}, 30, [] { return freopen("/dev/full", "wb", stdout) != nullptr; });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lastLine(r.err), lostLine) << r.err;
}

// A pipe whose reader has gone: with SIGPIPE ignored the write fails and the
// run says so; with SIGPIPE at its default the signal ends the process.
TEST_F(UnwritableOutput, ClosedPipe) {
  auto closedPipe = [](bool ignoreSigpipe) {
    return [ignoreSigpipe] {
      int ends[2];
      if (pipe(ends) != 0 || dup2(ends[1], 1) < 0) return false;
      close(ends[0]);
      close(ends[1]);
      signal(SIGPIPE, ignoreSigpipe ? SIG_IGN : SIG_DFL);
      return true;
    };
  };
  RunResult ignored = runQuon(dir, {file}, 30, closedPipe(true));
  EXPECT_EQ(ignored.status, 1);
  EXPECT_EQ(lastLine(ignored.err), lostLine) << ignored.err;

  RunResult killed = runQuon(dir, {file}, 30, closedPipe(false));
  EXPECT_EQ(killed.signal, SIGPIPE);
}

}  // namespace
