#include "solver/Constraint.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "solver/Fatal.h"

Clause* Clause::make(const Lit* literals, int size, unsigned ref, bool learnt, ConstraintArena* arena) {
  size_t bytes = bytesFor(size);
  void* block = arena != nullptr ? arena->allocate(bytes) : xmalloc(bytes);
  Clause* c = new (block) Clause(size, ref & 0x7fffffffu, learnt);
  if (arena != nullptr) c->markInArena();
  if (size > 0) memcpy(c->lits(), literals, sizeof(Lit) * (size_t)size);
  return c;
}

PB_Counters* PB_Counters::make(const Lit* literals, const unsigned* coefficients, int size,
                               int64_t rhs, int ref, ConstraintArena* arena) {
  size_t bytes = sizeof(PB_Counters) + sizeof(Lit) * (size_t)size;
  size_t coeffBytes = sizeof(unsigned) * (size_t)size;
  void* block = arena != nullptr ? arena->allocate(bytes) : xmalloc(bytes);
  PB_Counters* c = new (block) PB_Counters(size, rhs, ref);
  c->coeffs = (unsigned*)(arena != nullptr ? arena->allocate(coeffBytes) : xmalloc(coeffBytes));
  if (arena != nullptr) c->markInArena();
  for (int i = 0; i < size; i++) {
    c->lits()[i] = literals[i];
    c->coeffs[i] = coefficients[i];
    c->totalCoeff += coefficients[i];
  }
  return c;
}

void pushTerm(vec<Lit>& lits, vec<unsigned>& coeffs, Lit l, int64_t coefficient) {
  do {
    int64_t part = coefficient < (int64_t)UINT32_MAX ? coefficient : (int64_t)UINT32_MAX;
    lits.push(l);
    coeffs.push((unsigned)part);
    coefficient -= part;
  } while (coefficient > 0);
}

void pushTerms(vec<Lit>& lits, vec<unsigned>& coeffs, const Constraint& c) {
  for (int i = 0; i < c.size(); i++) {
    lits.push(c[i]);
    coeffs.push(c.coeff(i));
  }
}

Constraint* Clause_new(const vec<Lit>& ps, unsigned ref, bool learnt) {
  return Clause::make(ps.begin(), ps.size(), ref, learnt);
}

void freeConstraint(Constraint* c) {
  if (c == nullptr || c->inArena()) return;
  if (!c->isClause()) free(c->asPB().coeffs);
  free(c);
}
