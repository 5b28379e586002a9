// At-most-one encodings (placeholder bodies; the encoders are being written).
#include "driver/RUKSolver.h"

void RUKSolver::pbEncoding(Solver*, vec<Lit>&, vec<unsigned>&, int) {}
void RUKSolver::binomialEncoding(Solver*, vec<Lit>&, bool) {}
void RUKSolver::binaryEncoding(Solver*, vec<Lit>&, bool) {}
void RUKSolver::productEncoding(Solver*, vec<Lit>&, bool) {}
void RUKSolver::sequentialEncoding(Solver*, vec<Lit>&) {}
void RUKSolver::regularEncoding(Solver*, vec<Lit>&) {}
void RUKSolver::commanderEncoding(Solver*, vec<Lit>&) {}
void RUKSolver::sorterEncoding(Solver*, vec<Lit>&) {}
void RUKSolver::adderEncoding(Solver*, vec<Lit>&, vec<Lit>&) {}
void RUKSolver::addHardClause(Solver*, vec<Lit>&) {}
void RUKSolver::addHardClause(Solver*, Lit, Lit) {}
void RUKSolver::addHardClause(Solver*, Lit, Lit, Lit) {}
Var RUKSolver::newAuxVar(Solver* s) { return s->newVar(); }
