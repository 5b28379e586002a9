// The test problems written as wcnf text for the quon binary, and the
// binary's runner (tests/common/Process.h).
#pragma once

#include <cassert>
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

}  // namespace quon_frontend_test
