// Process-level reports: the interruption notice (SIGINT, SIGHUP), the best
// solution so far (SIGTERM), and the run statistics.
#pragma once

class Cooperation;
class RUKSolver;

// Blocks SIGINT, SIGHUP and SIGTERM in the calling thread, so that every
// thread created afterwards inherits the block, and starts the one thread
// that waits for them and reports. Call before the input is read and before
// any worker thread exists.
void installSignalHandlers(Cooperation* coop, RUKSolver** solvers);

// Memory in use and user CPU time, as "c " lines.
void printStats();
