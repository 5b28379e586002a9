// The time limit holds while the input is read. Every reader calls
// readingTimeCheck() once per item it reads (a clause, a constraint); the
// clock is read only every few thousand calls, so the call costs a counter.
#pragma once

class Cooperation;

// From now on the reading clock watches coop's budgets (null: it watches
// nothing, as in a reader used on its own).
void startReadingClock(Cooperation* coop);

// Once no search could start any more (the last thread budget has passed),
// prints the time-out answer, "s UNKNOWN", and ends the run.
void readingTimeCheck();
