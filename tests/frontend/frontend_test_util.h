// The test problems written as wcnf text for the quon binary, the binary's
// runner (tests/common/Process.h), the check of its answer, and a memory
// limit for the out-of-memory tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cassert>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>

#include "tests/common/Problem.h"
#include "tests/common/Process.h"

namespace quon_frontend_test {

using namespace quon_test;

// A clause-only problem as wcnf: hard clauses carry the top weight; the
// header names the top unless writeTop is false (the default top then).
inline std::string wcnf(const Problem& p, Cost top = defaultTop, bool writeTop = true) {
  std::ostringstream text;
  text << "c random problem\np wcnf " << p.nVars << " " << p.constraints.size();
  if (writeTop) text << " " << top;
  text << "\n";
  for (const TestConstraint& c : p.constraints) {
    assert(c.clause && "wcnf holds clauses only");
    text << (c.soft() ? c.weight : top);
    for (Lit l : c.lits) text << " " << (sign(l) ? "-" : "") << var(l) + 1;
    text << " 0\n";
  }
  return text.str();
}

// The result lines of a run against the brute-force answer (none: no
// feasible assignment): status 255, "s UNSATISFIABLE" without a model, or
// "s OPTIMUM FOUND" with the optimum as the last "o" line and one "v" line,
// which is returned for the caller to check ("" otherwise).
inline std::string modelOfAnswer(const RunResult& r, std::optional<int64_t> optimum, const std::string& context) {
  const std::vector<std::string> costs = lines(r.out, "o "), models = lines(r.out, "v ");
  EXPECT_EQ(r.status, 255) << context;
  EXPECT_EQ(lines(r.out, "s "), std::vector<std::string>{optimum ? "s OPTIMUM FOUND" : "s UNSATISFIABLE"}) << context;
  EXPECT_EQ(models.size(), optimum ? 1u : 0u) << context;
  if (!optimum) return "";
  EXPECT_TRUE(!costs.empty() && costs.back() == "o " + std::to_string(*optimum)) << context;
  return models.size() == 1 ? models[0] : "";
}

// Lets this process map only extraBytes more than it has mapped now: an
// allocation beyond that fails, as under a memory limit.
inline void limitAddressSpaceTo(size_t extraBytes) {
  size_t pages = 0;
  FILE* statm = fopen("/proc/self/statm", "r");
  ASSERT_TRUE(statm != nullptr && fscanf(statm, "%zu", &pages) == 1);
  fclose(statm);
  struct rlimit limit;
  limit.rlim_cur = limit.rlim_max = pages * (size_t)sysconf(_SC_PAGESIZE) + extraBytes;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
}

}  // namespace quon_frontend_test
