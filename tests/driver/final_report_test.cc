// The final result: exact "o", "s" and "v" lines on standard output, the
// separator and wall-clock lines on standard error, exit status 255.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "driver_test_util.h"

namespace {

using namespace driver_test;

struct Case {
  const char* what;
  int format;
  std::vector<char> model;
  std::vector<std::string> names;
  int solutions;
  Cost cost, objConstant;
  bool timedOut, interrupted, quiet;
  std::string out;
};

const Case cases[] = {
    {"no model, complete", formatWcnf, {1, 0}, {}, 0, 0, 0, false, false, false, "s UNSATISFIABLE\n"},
    {"no model, timed out", formatWcnf, {1, 0}, {}, 0, 0, 0, true, false, false, "s UNKNOWN\n"},
    {"no model, interrupted", formatCnf, {1}, {}, 0, 0, 0, false, true, false, "s UNKNOWN\n"},
    {"cnf numbers", formatCnf, {1, 0, 1}, {}, 1, 5, 0, false, false, false, "o 5\ns OPTIMUM FOUND\nv 1 -2 3\n"},
    {"wcnf numbers, names ignored", formatWcnf, {0, 1}, {"a", "b"}, 1, 0, 0, false, false, false,
     "o 0\ns OPTIMUM FOUND\nv -1 2\n"},
    {"opb names and constant", formatOpb, {1, 0}, {"x1", "x2"}, 1, 3, 7, false, false, false,
     "o 10\ns OPTIMUM FOUND\nv x1 -x2\n"},
    {"negative constant", formatOpb, {0}, {"y"}, 1, 2, -5, false, false, false, "o -3\ns OPTIMUM FOUND\nv -y\n"},
    {"ruk names", formatRuk, {0, 1, 1}, {"p", "q", "r"}, 1, 4, 0, false, false, false,
     "o 4\ns OPTIMUM FOUND\nv -p q r\n"},
    {"interrupted after a model", formatCnf, {0, 0}, {}, 1, 6, 0, false, true, false,
     "o 6\ns SATISFIABLE\nv -1 -2\n"},
    {"quiet", formatCnf, {1}, {}, 1, 6, 0, false, false, true, "s OPTIMUM FOUND\nv 1\n"},
    {"no variable", formatWcnf, {}, {}, 1, 1, 0, false, false, false, "o 1\ns OPTIMUM FOUND\nv \n"},
    {"64-bit cost", formatWcnf, {1}, {}, 1, 4000000000LL, 5, false, false, false,
     "o 4000000005\ns OPTIMUM FOUND\nv 1\n"},
};

// "c <79 '='>" and "c Wall Clock Time: <seconds with two decimals> s".
bool isResultHead(const std::string& err) {
  const std::string head = "c " + std::string(79, '=') + "\nc Wall Clock Time: ";
  if (err.compare(0, head.size(), head) != 0) return false;
  const std::string time = err.substr(head.size());
  const size_t dot = time.find('.');
  if (dot == 0 || dot == std::string::npos || time.size() != dot + 6 || time.substr(dot + 3) != " s\n") return false;
  return time.find_first_not_of("0123456789") == dot && isdigit((unsigned char)time[dot + 1]) &&
         isdigit((unsigned char)time[dot + 2]);
}

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
    coop.timedOut = c.timedOut;
    coop.interrupted = c.interrupted;
    coop.quiet = c.quiet;
    ChildResult child = runInChild([&r] { r.reportFinalResult(); });
    EXPECT_EQ(child.status, 255);
    EXPECT_EQ(child.out, c.out);
    EXPECT_TRUE(isResultHead(child.err)) << child.err;
  }
}

}  // namespace
