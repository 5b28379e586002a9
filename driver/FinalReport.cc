// The final result: status, cost and model lines in the solver-evaluation
// conventions. Every result ends the process with status 255.
#include <cstdio>

#include "driver/RUKSolver.h"

void RUKSolver::reportFinalResult() {
  printFinalResult();
  coop->endRun(255);
}

// A proof stands whatever budget ran out afterwards: one thread may prove the
// answer while the other has already stopped on its time.
void RUKSolver::printFinalResult() {
  const bool cutShort = !coop->proven && coop->interrupted;
  coop->printResultHead();
  if (coop->nbSolutions < 1) {
    coop->printStatus(cutShort || (!coop->proven && coop->timedOut) ? "UNKNOWN" : "UNSATISFIABLE");
  } else {
    if (!coop->quiet) printf("o %lld\n", (long long)(coop->bounds[coop->nbThreads] + coop->objConstant));
    coop->printStatus(cutShort ? "SATISFIABLE" : "OPTIMUM FOUND");
    multiReportCertificate();
  }
}

void RUKSolver::multiReportCertificate() {
  fputs("v ", stdout);
  const bool named = inputFormat > formatWcnf;
  const char* separator = "";
  for (int i = 0; i < coop->nbOrigVars; i++) {  // bestModel has one entry per input variable
    const char* signText = coop->bestModel[(size_t)i] ? "" : "-";
    if (!named) {
      printf("%s%s%d", separator, signText, i + 1);
    } else if ((size_t)i >= varNames.size()) {
      printf("%s%s?", separator, signText);
    } else if (varNames[(size_t)i] != nullptr) {  // a reader's helper variable has no name
      printf("%s%s%s", separator, signText, varNames[(size_t)i]);
    } else {
      continue;
    }
    separator = " ";
  }
  fputc('\n', stdout);
  fflush(stdout);
}
