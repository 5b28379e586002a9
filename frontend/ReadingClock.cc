#include "frontend/ReadingClock.h"

#include "cooperation/Cooperation.h"

namespace {

Cooperation* readingCoop = nullptr;
unsigned itemsSinceLook = 0;
const unsigned itemsPerLook = 4096;  // a few milliseconds of reading at most

}  // namespace

void startReadingClock(Cooperation* coop) {
  readingCoop = coop;
  itemsSinceLook = 0;
}

void readingTimeCheck() {
  if (++itemsSinceLook < itemsPerLook || readingCoop == nullptr) return;
  itemsSinceLook = 0;
  if (elapsedMs(readingCoop->startTime[0]) >= readingCoop->lastBudget() * 1000.0) readingCoop->endOutOfTime();
}
