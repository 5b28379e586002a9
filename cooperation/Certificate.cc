// The best model, kept per input variable through the literal equivalences
// of the preprocessing.
#include "cooperation/Cooperation.h"
#include "solver/Solver.h"

bool Cooperation::multiLitValue(Solver* s, Lit l) {
  Lit r = l;
  while (equivalences[r] != r) r = equivalences[r];
  bool varTrue = s->model[var(r)] == l_True;
  return sign(r) == 0 ? varTrue : !varTrue;
}

void Cooperation::multiSaveCertificate(Solver* s) {
  for (int v = 0; v < nbOrigVars; v++) {
    Var x = solverVar.empty() ? v : solverVar[v];
    Lit l = mkLit(x);
    bool isTrue;
    if (equivalences.empty() || equivalences[l] == l)
      isTrue = s->model[x] == l_True;
    else
      isTrue = multiLitValue(s, equivalences[l]);
    bestModel[v] = isTrue ? 1 : 0;
  }
}
