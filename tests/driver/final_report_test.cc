// The final result: exact "o", "s" and "v" lines on standard output, the
// separator and wall-clock lines on standard error, exit status 255.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver_test_util.h"

namespace {

using namespace driver_test;

const struct Case {
  const char* what;
  int format;
  std::vector<char> model;
  std::vector<std::string> names;
  int solutions;
  Cost cost, objConstant;
  const char* flags;  // 't' timed out, 'i' interrupted, 'q' quiet
  std::string out;
} cases[] = {
    {"no model, complete", formatWcnf, {1, 0}, {}, 0, 0, 0, "", "s UNSATISFIABLE\n"},
    {"no model, timed out", formatWcnf, {1, 0}, {}, 0, 0, 0, "t", "s UNKNOWN\n"},
    {"no model, interrupted", formatCnf, {1}, {}, 0, 0, 0, "i", "s UNKNOWN\n"},
    {"cnf numbers", formatCnf, {1, 0, 1}, {}, 1, 5, 0, "", "o 5\ns OPTIMUM FOUND\nv 1 -2 3\n"},
    {"wcnf numbers, names ignored", formatWcnf, {0, 1}, {"a", "b"}, 1, 0, 0, "", "o 0\ns OPTIMUM FOUND\nv -1 2\n"},
    {"opb names and constant", formatOpb, {1, 0}, {"x1", "x2"}, 1, 3, 7, "", "o 10\ns OPTIMUM FOUND\nv x1 -x2\n"},
    {"negative constant", formatOpb, {0}, {"y"}, 1, 2, -5, "", "o -3\ns OPTIMUM FOUND\nv -y\n"},
    {"ruk names", formatRuk, {0, 1, 1}, {"p", "q", "r"}, 1, 4, 0, "", "o 4\ns OPTIMUM FOUND\nv -p q r\n"},
    {"interrupted after a model", formatCnf, {0, 0}, {}, 1, 6, 0, "i", "o 6\ns SATISFIABLE\nv -1 -2\n"},
    {"quiet", formatCnf, {1}, {}, 1, 6, 0, "q", "s OPTIMUM FOUND\nv 1\n"},
    {"no variable", formatWcnf, {}, {}, 1, 1, 0, "", "o 1\ns OPTIMUM FOUND\nv \n"},
    {"64-bit cost", formatWcnf, {1}, {}, 1, 4000000000LL, 5, "", "o 4000000005\ns OPTIMUM FOUND\nv 1\n"},
};

TEST(FinalReport, ExactLinesAndStatus255) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Cooperation coop(2, 16);
    RUKSolver r;
    r.coop = &coop;
    r.inputFormat = c.format;
    r.nbOrigVars = coop.nbOrigVars = (int)c.model.size();
    coop.bestModel = c.model;
    for (const std::string& n : c.names) r.varNames.push_back(strdup(n.c_str()));  // freed by the driver
    coop.nbSolutions = c.solutions;
    coop.bounds[2] = c.cost;
    coop.objConstant = c.objConstant;
    coop.timedOut = strchr(c.flags, 't') != nullptr;
    coop.interrupted = strchr(c.flags, 'i') != nullptr;
    coop.quiet = strchr(c.flags, 'q') != nullptr;
    RunResult child = runInChild([&r] { r.reportFinalResult(); });
    EXPECT_EQ(child.status, 255);
    EXPECT_EQ(child.out, c.out);
    EXPECT_EQ(maskSeconds(child.err), "c " + std::string(79, '=') + "\n" + wallClockLine + "T s\n");
  }
}

}  // namespace
