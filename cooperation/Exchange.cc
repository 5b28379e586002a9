#include "cooperation/Cooperation.h"

// Clause exchange between the threads is not wired in yet: exports are
// dropped and imports find nothing. Each solver then searches on its own.
void Cooperation::exportClause(Solver*, const Lit*, int) {}
void Cooperation::importClauses(Solver*) {}
void Cooperation::importFrozenClauses(Solver*) {}
void Cooperation::cleanFrozen(Solver*) {}
