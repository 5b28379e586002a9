// The final result: status, cost and model lines in the solver-evaluation
// conventions. Every result ends the process with status 255.
#include <cstdio>
#include <cstdlib>

#include "cooperation/Comment.h"
#include "driver/RUKSolver.h"

static void printResultHead(Cooperation* coop) {
  comment("===============================================================================");
  comment("Wall Clock Time: %.2f s", wcTime(coop->startTime[coop->nbThreads - 1]));
}

void RUKSolver::reportFinalResult() {
  printResultHead(coop);
  if (coop->nbSolutions < 1) {
    printf(coop->interrupted || coop->timedOut ? "s UNKNOWN\n" : "s UNSATISFIABLE\n");
  } else {
    if (!coop->quiet) printf("o %lld\n", (long long)(coop->bounds[coop->nbThreads] + coop->objConstant));
    printf(coop->interrupted ? "s SATISFIABLE\n" : "s OPTIMUM FOUND\n");
    multiReportCertificate();
  }
  fflush(stdout);
  fflush(stderr);
  exit(255);
}

void RUKSolver::multiReportCertificate() {
  fputs("v ", stdout);
  const bool named = inputFormat > formatWcnf;
  for (int i = 0; i < coop->nbOrigVars; i++) {  // bestModel has one entry per input variable
    const char* separator = i == 0 ? "" : " ";
    const char* signText = coop->bestModel[(size_t)i] ? "" : "-";
    if (named)
      printf("%s%s%s", separator, signText, (size_t)i < varNames.size() ? varNames[(size_t)i] : "?");
    else
      printf("%s%s%d", separator, signText, i + 1);
  }
  fputc('\n', stdout);
  fflush(stdout);
}
