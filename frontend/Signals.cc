// The signals are not handled in signal context: the reports take a mutex,
// print through stdio and end the process, none of which is async-signal-safe.
// They are blocked in every thread from the first instant of main instead,
// and one thread takes them with sigtimedwait and reports from an ordinary
// thread context. A SIGTERM therefore never interrupts a thread in the middle
// of a line or an answer: the reporting thread claims the output like any
// other thread.
//
// One report per run: the first one taken claims the output, and a signal
// that finds it claimed (by a worker, a refused input or an earlier signal)
// leaves the end to the claimer. When a SIGTERM and a SIGINT are both pending, the
// SIGTERM is taken first, whatever their numbers: its report keeps the best
// model, which the other would lose.
#include "frontend/Signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"
#include "cooperation/Output.h"
#include "driver/RUKSolver.h"
#include "solver/Fatal.h"

namespace {

struct timeval runStart;
std::atomic<Cooperation*> signalCoop{nullptr};
RUKSolver** signalSolvers = nullptr;  // published with signalCoop
sigset_t handledSignals;

void interruptedReport() {
  claimOutputOrWait();
  comment("%s", "");
  comment("*** INTERRUPTED ***");
  comment("Wall Clock Time: %.2f s", wcTime(runStart));
  comment("%s", "");
  comment("*** INTERRUPTED ***");
  endProcess(0);
}

// The best solution found so far, in the result format. The claim of the
// output keeps it from meeting the final report; boundMutex keeps the bound,
// the solution count and the model consistent with each other while they
// are printed (the upper-bound thread writes them together under it). It is
// taken before the first line, which holds the output for good: a progress
// row printed under boundMutex can then no longer wait for the output while
// this report waits for boundMutex.
void terminateReport(Cooperation* coop) {
  claimOutputOrWait();
  if (coop == nullptr) {  // nothing exists yet that could hold a solution
    Cooperation::printResultHead(runStart, true);
    Cooperation::printStatus("UNKNOWN");
    endProcess(0);
  }
  coop->interrupted = true;
  coop->done = true;
  pthread_mutex_lock(&coop->boundMutex);
  coop->printResultHead();
  if (coop->nbSolutions < 1) {
    coop->printStatus("UNKNOWN");
  } else {
    long long best = (long long)(coop->bounds[coop->nbThreads] + coop->objConstant);
    if (!coop->quiet) printLine(stdout, "o %lld", best);
    printLine(stdout, "c Best Solution: %lld", best);
    coop->printStatus("SATISFIABLE");
    signalSolvers[0]->multiReportCertificate();
  }
  endProcess(0);
}

// The time limit has passed and a search has not ended on its own (a long
// step between two looks at the clock): the answer the final report would
// give for a run cut short, with a proof still counted as a proof.
void outOfTimeReport(Cooperation* coop) {
  claimOutputOrWait();
  if (!coop->proven) coop->interrupted = true;
  coop->timedOut = true;
  coop->done = true;
  pthread_mutex_lock(&coop->boundMutex);
  signalSolvers[0]->printFinalResult();
  endProcess(255);
}

// The searches end on their own at their budgets; this is only the net
// under them, so it leaves them a moment first.
const double graceMs = 250.0;

// How long to wait for the next signal: until the time limit once the
// shared object is known, in short steps before (it may be published any
// moment). Zero when the limit has passed.
struct timespec nextWait(const Cooperation* coop) {
  double waitMs = 100.0;
  if (coop != nullptr) {
    waitMs = coop->timeLimit * 1000.0 + graceMs - elapsedMs(runStart);
    if (waitMs < 0) waitMs = 0;
    if (waitMs > 1000.0) waitMs = 1000.0;
  }
  struct timespec wait;
  wait.tv_sec = (time_t)(waitMs / 1000.0);
  wait.tv_nsec = (long)((waitMs - (double)wait.tv_sec * 1000.0) * 1000000.0);
  return wait;
}

// A SIGINT or SIGHUP taken while a SIGTERM is pending gives way to it.
int preferTerminate(int signal) {
  if (signal == SIGTERM) return signal;
  sigset_t pending;
  if (sigpending(&pending) != 0 || !sigismember(&pending, SIGTERM)) return signal;
  sigset_t terminate;
  sigemptyset(&terminate);
  sigaddset(&terminate, SIGTERM);
  int taken = 0;
  return sigwait(&terminate, &taken) == 0 ? taken : signal;
}

void* waitForSignals(void*) {
  for (;;) {
    Cooperation* coop = signalCoop.load(std::memory_order_acquire);
    struct timespec wait = nextWait(coop);
    if (coop != nullptr && wait.tv_sec == 0 && wait.tv_nsec == 0) outOfTimeReport(coop);
    int signal = sigtimedwait(&handledSignals, nullptr, &wait);
    if (signal < 0) continue;  // the wait ended (EAGAIN) or was interrupted (EINTR)
    coop = signalCoop.load(std::memory_order_acquire);
    if (preferTerminate(signal) == SIGTERM)
      terminateReport(coop);
    else
      interruptedReport();
  }
  return nullptr;
}

}  // namespace

void startSignalThread(const struct timeval& start) {
  runStart = start;
  sigemptyset(&handledSignals);
  sigaddset(&handledSignals, SIGINT);
  sigaddset(&handledSignals, SIGHUP);
  sigaddset(&handledSignals, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &handledSignals, nullptr) != 0) fatalError("cannot block the signals");
  pthread_t thread;
  if (pthread_create(&thread, nullptr, waitForSignals, nullptr) != 0) fatalError("cannot start the signal thread");
  pthread_detach(thread);
}

void publishToSignalThread(Cooperation* coop, RUKSolver** solvers) {
  signalSolvers = solvers;
  signalCoop.store(coop, std::memory_order_release);
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
