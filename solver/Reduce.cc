// Learnt-database reduction: about half of the learnt constraints go, the
// least active first; binary and locked ones always stay.
#include "solver/Solver.h"
#include "solver/Sort.h"

// Constraints of more than two literals, least active first; binary ones last.
struct reduceDB_lt {
  bool operator()(Constraint* x, Constraint* y) const {
    return x->size() > 2 && (y->size() == 2 || x->activity() < y->activity());
  }
};

void Solver::reduceDB() {
  double limit = claIncrement / learnts.size();
  sort(learnts, reduceDB_lt());
  int half = learnts.size() / 2;
  int kept = 0;
  for (int i = 0; i < learnts.size(); i++) {
    Constraint* c = learnts[i];
    bool removable = c->size() > 2 && !locked(*c) && (i < half || (double)c->activity() < limit);
    if (removable) removeClause(*c);
    else learnts[kept++] = c;
  }
  learnts.shrink(learnts.size() - kept);
}
