// The progress report: one "Search Statistics" row per bound change, or an
// "o" line per improving model in quiet mode.
#include <cstdio>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"
#include "cooperation/Output.h"

double wcTime(const struct timeval& start) { return (double)(long long)(elapsedMs(start) + 0.5) / 1000.0; }

double Cooperation::wallClock() const { return wcTime(startTime[nbThreads - 1]); }

void Cooperation::printStatisticsHead() {
  comment("==============================[ Search Statistics ]============================");
  comment("| Time (s)  | ID |      Bound      |               Shared Clauses             |");
  comment("|           |    | value      type |  expCls         impCls        Lit/impCl  |");
  comment("===============================================================================");
}

// Called with boundMutex held, so rows of the two threads never interleave.
void Cooperation::reportBoundValue(int tid, BoundType type) {
  if (verbosityLevel > 0) {
    if (rowCounter == 20) {
      printStatisticsHead();
      rowCounter = 0;
    } else {
      rowCounter++;
    }
  }
  const long long shown = (long long)(bounds[tid] + objConstant);
  if (!quiet) {
    double perImport = nbImported[tid] == 0 ? 0.0 : (double)nbImportedLits[tid] / nbImported[tid];
    comment("| %-7.2f   | %d  | %-11lld %s |  %-16d %-16d %-5.2f |", wallClock(), tid, shown,
            type == BoundType::Upper ? " ub" : type == BoundType::Lower ? " lb" : "lub", nbExported[tid],
            nbImported[tid], perImport);
  } else if (type == BoundType::Upper) {
    printLine(stdout, "o %lld", shown);
  }
}
