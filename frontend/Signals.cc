// The signals are not handled in signal context: the reports take a mutex,
// print through stdio and end the process, none of which is async-signal-safe.
// They are blocked in every thread instead, and one thread takes them with
// sigwait and reports from an ordinary thread context. A SIGTERM therefore
// never interrupts the thread that holds answerMutex: the reporting thread
// simply waits for it like any other thread.
#include "frontend/Signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"
#include "driver/RUKSolver.h"
#include "solver/Fatal.h"

namespace {

Cooperation* signalCoop = nullptr;
RUKSolver** signalSolvers = nullptr;
sigset_t handledSignals;

void interruptedReport() {
  comment("%s", "");
  comment("*** INTERRUPTED ***");
  comment("Wall Clock Time: %.2f s", signalCoop->wallClock());
  comment("%s", "");
  comment("*** INTERRUPTED ***");
  Cooperation::endRunFromSignalThread(0);
}

// The best solution found so far, in the result format. answerMutex keeps it
// from meeting the final report; boundMutex keeps the bound, the solution
// count and the model consistent with each other while they are printed (the
// upper-bound thread writes them together under it). answerMutex is never
// released: the process ends here, and no other thread may print a result.
void terminateReport() {
  Cooperation* coop = signalCoop;
  if (!coop->claimAnswer()) return;  // the result is out and its printer ends the process
  coop->interrupted = true;
  coop->done = true;
  coop->printResultHead();
  pthread_mutex_lock(&coop->boundMutex);
  if (coop->nbSolutions < 1) {
    coop->printStatus("UNKNOWN");
  } else {
    long long best = (long long)(coop->bounds[coop->nbThreads] + coop->objConstant);
    if (!coop->quiet) printf("o %lld\n", best);
    printf("c Best Solution: %lld\n", best);
    coop->printStatus("SATISFIABLE");
    signalSolvers[0]->multiReportCertificate();
  }
  Cooperation::endRunFromSignalThread(0);
}

void* waitForSignals(void*) {
  for (;;) {
    int signal = 0;
    if (sigwait(&handledSignals, &signal) != 0) continue;
    if (signal == SIGTERM)
      terminateReport();
    else
      interruptedReport();
  }
  return nullptr;
}

}  // namespace

void installSignalHandlers(Cooperation* coop, RUKSolver** solvers) {
  signalCoop = coop;
  signalSolvers = solvers;
  sigemptyset(&handledSignals);
  sigaddset(&handledSignals, SIGINT);
  sigaddset(&handledSignals, SIGHUP);
  sigaddset(&handledSignals, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &handledSignals, nullptr) != 0) fatalError("cannot block the signals");
  pthread_t thread;
  if (pthread_create(&thread, nullptr, waitForSignals, nullptr) != 0)
    fatalError("cannot start the signal thread");
  pthread_detach(thread);
}

void printStats() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  char path[64];
  snprintf(path, sizeof path, "/proc/%d/statm", (int)getpid());
  if (FILE* statm = fopen(path, "rb")) {
    int pages = 0;
    if (fscanf(statm, "%d", &pages) != 1) pages = 0;
    fclose(statm);
    int64_t bytes = (int64_t)pages * (int64_t)sysconf(_SC_PAGESIZE);
    if (bytes != 0) comment("Memory used           : %.2f MB", (double)bytes / 1048576.0);
  }
  comment("CPU time              : %g s", (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec / 1000000.0);
}
