// The end of the run: the answer is printed once, by the thread that claims
// it, and the process ends right after it. The callers decide when an answer
// is due (the final report, a signal, a problem decided by preprocessing or
// refused at set-up); the functions here say how it is printed and ended.
#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"

bool Cooperation::claimAnswer() {
  pthread_mutex_lock(&answerMutex);
  if (answerPrinted) {
    pthread_mutex_unlock(&answerMutex);
    return false;
  }
  answerPrinted = true;
  return true;
}

void Cooperation::claimAnswerOrWait() {
  if (!claimAnswer())
    for (;;) pause();  // another answer is out, and its printer ends the process
}

void Cooperation::printResultHead(bool withUnit) const { printResultHead(startTime[(size_t)nbThreads - 1], withUnit); }

void Cooperation::printResultHead(const struct timeval& start, bool withUnit) {
  comment("===============================================================================");
  comment(withUnit ? "Wall Clock Time: %.2f s" : "Wall Clock Time: %.2f", wcTime(start));
}

void Cooperation::endOutOfTime() {
  claimAnswerOrWait();
  timedOut = true;
  printResultHead();
  printStatus("UNKNOWN");
  endRun(255);
}

void Cooperation::printStatus(const char* status) { printf("s %s\n", status); }

void Cooperation::endRun(int status) {
  fflush(stdout);
  fflush(stderr);
  exit(status);
}

void Cooperation::endRunFromSignalThread(int status) {
  fflush(stdout);
  fflush(stderr);
  _exit(status);
}
