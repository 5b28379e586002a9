// The output rules seen from inside one process: lines whole and in call
// order when both streams share one file, and nothing from any thread but
// the owner once the output is claimed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "cooperation/Comment.h"
#include "cooperation/Output.h"
#include "solver/Fatal.h"
#include "tests/common/Process.h"

using quon_test::RunResult;
using quon_test::runInChild;

namespace {

// Standard error sent to standard output's file, as 2>&1 does: a comment
// written after a result line lands after it, also when standard output is
// a fully buffered file.
TEST(OutputLines, BothStreamsInOneFileKeepTheOrderOfTheCalls) {
  RunResult r = runInChild([] {
    if (dup2(fileno(stdout), fileno(stderr)) < 0) _exit(3);
    printLine(stdout, "o %d", 12);
    comment("between");
    printLine(stdout, "s %s", "OPTIMUM FOUND");
    comment("%s", "after");
  });
  EXPECT_EQ(r.status, 77);
  EXPECT_EQ(r.out, "o 12\nc between\ns OPTIMUM FOUND\nc after\n");
}

TEST(OutputLines, LinesLongerThanTheLocalBufferComeOutWhole) {
  const std::string text(5000, 'x');
  RunResult r = runInChild([&text] {
    comment("%s|", text.c_str());
    printLine(stdout, "v %s", text.c_str());
  });
  EXPECT_EQ(r.err, "c " + text + "|\n");
  EXPECT_EQ(r.out, "v " + text + "\n");
}

// Straight to the descriptor, past every rule: what a test must never see.
void shout(const char* text) {
  if (write(fileno(stdout), text, strlen(text)) < 0) _exit(4);
}

// One thread claims the output; the other then prints a comment, a result
// line, tries the model lock and fails fatally: none of it comes out, and
// the owner's status ends the process, not the fatal error's.
TEST(OutputOwner, AfterTheClaimOnlyTheOwnerWritesAndEndsTheProcess) {
  RunResult r = runInChild([] {
    comment("before the claim");
    std::atomic<int> step{0};
    std::thread owner([&step] {
      claimOutputOrWait();
      step = 1;
      while (step != 2) std::this_thread::yield();
      printLine(stdout, "s UNKNOWN");
      endProcess(9);
    });
    while (step != 1) std::this_thread::yield();
    comment("dropped comment");
    printLine(stdout, "o 5");
    if (lockOutput()) shout("model lock taken\n");
    if (claimOutput()) shout("claimed twice\n");
    step = 2;
    fatalError("must wait for the owner");
  });
  EXPECT_EQ(r.status, 9);
  EXPECT_EQ(r.out, "s UNKNOWN\n");
  EXPECT_EQ(r.err, "c before the claim\n");
}

// The claimer may claim again (a fatal error while it prints its answer
// ends the run with that error).
TEST(OutputOwner, TheOwnerKeepsItsClaimAndCanEndWithAnError) {
  RunResult r = runInChild([] {
    claimOutputOrWait();
    printLine(stdout, "s UNKNOWN");
    fatalError("out of memory");
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "s UNKNOWN\n");
  EXPECT_EQ(r.err, "c Error: out of memory\n");
}

}  // namespace
