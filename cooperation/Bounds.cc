#include "cooperation/Cooperation.h"

// Bound sharing is not wired in yet: a solver's bound stays its own.
void Cooperation::updateUpperValue(Solver*, int, Cost) {}
void Cooperation::checkUpperValuePortfolio(Solver*, int) {}
