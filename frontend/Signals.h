// Process-level reports: the interruption notice (SIGINT, SIGHUP), the best
// solution so far (SIGTERM), the answer when the time limit has passed with
// a search still running, and the run statistics.
#pragma once

#include <sys/time.h>

class Cooperation;
class RUKSolver;

// Blocks SIGINT, SIGHUP and SIGTERM in the calling thread, so that every
// thread created afterwards inherits the block, and starts the one thread
// that waits for them and reports. Call first in main: a signal from then on
// is reported, never the default kill. Until the shared object is handed
// over, a SIGTERM reports "s UNKNOWN" with the time since start.
void startSignalThread(const struct timeval& start);

// Hands the shared object to the signal thread. Its start times, quiet flag
// and time limit must be final: the signal thread reads them from then on.
// From then on the time limit is also held there: a run still going at its
// limit (plus a moment for the searches to end on their own) is answered
// from the signal thread like a time-out.
void publishToSignalThread(Cooperation* coop, RUKSolver** solvers);

// Memory in use and user CPU time, as "c " lines.
void printStats();
