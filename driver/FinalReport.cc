// The final result: status, cost and model lines in the solver-evaluation
// conventions. Every result ends the process with status 255.
#include <cstdio>
#include <vector>

#include "cooperation/Output.h"
#include "driver/RUKSolver.h"

void RUKSolver::reportFinalResult() {
  printFinalResult();
  endProcess(255);
}

// A proof stands whatever budget ran out afterwards: one thread may prove the
// answer while the other has already stopped on its time.
void RUKSolver::printFinalResult() {
  const bool cutShort = !coop->proven && coop->interrupted;
  coop->printResultHead();
  if (coop->nbSolutions < 1) {
    coop->printStatus(cutShort || (!coop->proven && coop->timedOut) ? "UNKNOWN" : "UNSATISFIABLE");
  } else {
    if (!coop->quiet) printLine(stdout, "o %lld", (long long)(coop->bounds[coop->nbThreads] + coop->objConstant));
    coop->printStatus(cutShort ? "SATISFIABLE" : "OPTIMUM FOUND");
    multiReportCertificate();
  }
}

// Numbered literals are formatted by hand into one buffer: a header may
// declare millions of variables, and a printf per literal takes seconds.
// The number is kept as decimal text and counted up in place.
static void printNumberedModel(const std::vector<char>& model, int count) {
  char buffer[1 << 16];
  size_t used = 0;
  char digits[12] = {'1'};
  int width = 1;
  for (int i = 0; i < count; i++) {
    if (used > sizeof buffer - 16) {
      fwrite(buffer, 1, used, stdout);
      used = 0;
    }
    if (i > 0) buffer[used++] = ' ';
    if (!model[(size_t)i]) buffer[used++] = '-';
    for (int d = 0; d < width; d++) buffer[used++] = digits[d];
    int d = width - 1;
    while (d >= 0 && digits[d] == '9') digits[d--] = '0';
    if (d >= 0) {
      digits[d]++;
    } else {  // 99..9 + 1: one digit more
      digits[0] = '1';
      digits[width++] = '0';
    }
  }
  fwrite(buffer, 1, used, stdout);
}

// The model line is made of many writes; the stream stays locked over all of
// them so that no other thread's line can come out inside it.
void RUKSolver::multiReportCertificate() {
  if (!lockOutput()) return;
  fputs("v ", stdout);
  const bool named = inputFormat > formatWcnf;
  if (!named) printNumberedModel(coop->bestModel, coop->nbOrigVars);
  const char* separator = "";
  for (int i = 0; named && i < coop->nbOrigVars; i++) {  // bestModel has one entry per input variable
    const char* signText = coop->bestModel[(size_t)i] ? "" : "-";
    if ((size_t)i >= varNames.size()) {
      printf("%s%s?", separator, signText);
    } else if (varNames[(size_t)i] != nullptr) {  // a reader's helper variable has no name
      printf("%s%s%s", separator, signText, varNames[(size_t)i]);
    } else {
      continue;
    }
    separator = " ";
  }
  fputc('\n', stdout);
  unlockOutput();
}
