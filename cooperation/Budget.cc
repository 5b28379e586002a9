// The wall-clock budgets of the two threads. A run is killed by its caller at
// its time limit, so the budgets are compared in milliseconds: a budget of
// half a second is half a second, not the next whole one.
#include <sys/time.h>

#include "cooperation/Cooperation.h"

double elapsedMs(const struct timeval& start) {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return (double)(now.tv_sec - start.tv_sec) * 1000.0 + (double)(now.tv_usec - start.tv_usec) / 1000.0;
}

bool Cooperation::budgetSpent(int tid, Role role) {
  const double limit = role == Role::LowerBound ? lbTimeLimit : ubTimeLimit;
  if (elapsedMs(startTime[(size_t)tid]) < limit * 1000.0 && !analysisFailed) return false;
  if (role == Role::LowerBound) {
    timedOut = true;
    lbTimeOut = true;
  } else {
    ubTimeOut = true;
  }
  return true;
}
