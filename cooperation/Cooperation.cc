#include "cooperation/Cooperation.h"

#include <cstdlib>

Cooperation::Cooperation(int threads, int exportSizeLimit)
    : nbThreads(threads),
      limitExport(exportSizeLimit),
      encoding(threads, 0),
      periodLength(threads, 100),
      startTime(threads),
      bounds(threads + 1, 0),
      importLits(threads, std::vector<int*>(importCapacity, nullptr)),
      importSizes(threads, std::vector<int>(importCapacity, 0)),
      importSource(threads, std::vector<int>(importCapacity, 0)),
      importCount(threads, 0),
      frozenLits(threads, std::vector<int*>(frozenCapacity, nullptr)),
      frozenSizes(threads, std::vector<int>(frozenCapacity, 0)),
      frozenAge(threads, std::vector<int>(frozenCapacity, 0)),
      frozenCount(threads, 0),
      frozenDead(threads, 0),
      exportCutoff(threads, std::vector<float>(threads, (float)exportSizeLimit)),
      exportLimit(threads, exportSizeLimit),
      decisionActivity(threads, 0.0),
      nbExported(threads, 0),
      nbImported(threads, 0),
      nbImportedLits(threads, 0),
      periodConflicts(threads, 0),
      frozenRetryConflicts(threads, 0),
      pendingWeights(threads, 0) {
  struct timeval now;
  gettimeofday(&now, nullptr);
  for (auto& t : startTime) t = now;
  pthread_mutex_init(&boundMutex, nullptr);
  pthread_mutex_init(&clauseMutex, nullptr);
  pthread_mutex_init(&answerMutex, nullptr);
  pthread_mutex_init(&initMutex, nullptr);
  pthread_mutex_init(&decompositionMutex, nullptr);
}

Cooperation::~Cooperation() {
  for (auto& buffer : importLits)
    for (int* lits : buffer) free(lits);
  for (auto& buffer : frozenLits)
    for (int* lits : buffer) free(lits);
  pthread_mutex_destroy(&boundMutex);
  pthread_mutex_destroy(&clauseMutex);
  pthread_mutex_destroy(&answerMutex);
  pthread_mutex_destroy(&initMutex);
  pthread_mutex_destroy(&decompositionMutex);
}
