// The end of the run: the answer is printed once, by the thread that claims
// the output, and the process ends right after it. The callers decide when
// an answer is due (the final report, a signal, a problem decided by
// preprocessing or refused at set-up); the functions here say how it is
// printed.
#include <cstdio>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"
#include "cooperation/Output.h"

void Cooperation::printResultHead(bool withUnit) const { printResultHead(startTime[(size_t)nbThreads - 1], withUnit); }

void Cooperation::printResultHead(const struct timeval& start, bool withUnit) {
  comment("===============================================================================");
  comment(withUnit ? "Wall Clock Time: %.2f s" : "Wall Clock Time: %.2f", wcTime(start));
}

void Cooperation::endOutOfTime() {
  claimOutputOrWait();
  timedOut = true;
  printResultHead();
  printStatus("UNKNOWN");
  endProcess(255);
}

void Cooperation::printStatus(const char* status) { printLine(stdout, "s %s", status); }
