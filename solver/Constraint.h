// Stored constraints: clauses and counter-propagated pseudo-Boolean
// constraints, each one malloc block holding its fields and its literals.
//
// A tagged record rather than a class hierarchy: the kind lives in bit 1 of
// the header, so the propagation loops test a bit instead of making a
// virtual call, and the records carry no vtable pointer.
#pragma once

#include <cstdint>

#include "solver/ConstraintArena.h"
#include "solver/SolverTypes.h"
#include "solver/Vec.h"

class Clause;
class PB_Counters;

class Constraint {
 protected:
  // bit 0: learnt; bit 1: pseudo-Boolean kind (0 for a clause); bit 2: the
  // memory belongs to the solver's constraint arena; bits 3 and up: the
  // number of literals.
  uint32_t header;

  Constraint(int size, bool learnt, bool pseudoBoolean)
      : header(((uint32_t)size << 3) | (uint32_t)learnt | ((uint32_t)pseudoBoolean << 1)) {}

 public:
  int size() const { return (int)(header >> 3); }
  bool learnt() const { return header & 1; }
  bool isClause() const { return (header & 2) == 0; }
  bool inArena() const { return (header & 4) != 0; }
  void markInArena() { header |= 4; }
  uint32_t rawHeader() const { return header; }

  inline Clause& asClause();
  inline const Clause& asClause() const;
  inline PB_Counters& asPB();
  inline const PB_Counters& asPB() const;

  inline Lit* lits();
  inline const Lit* lits() const;
  Lit& operator[](int i) { return lits()[i]; }
  Lit operator[](int i) const { return lits()[i]; }

  inline unsigned coeff(int i) const;
  inline void chCoeff(int i, unsigned c);
  inline float& activity();
  inline int64_t rhs() const;

  inline void assignFalseLit(int i);
  inline void unassignFalseLit(int i);
  inline int64_t coeffSum() const;
  inline int64_t val0Lits() const;

  inline int ref() const;
  inline bool isSoft() const;
  inline void isSoft(bool soft);
};

class Clause : public Constraint {
  friend class Constraint;
  uint32_t softRef;  // bit 0: soft flag; bits 1 and up: ref
  float act;

  Clause(int size, unsigned ref, bool learnt)
      : Constraint(size, learnt, false), softRef((ref << 1) | 1u), act(0.0f) {}

 public:
  Lit* lits() { return reinterpret_cast<Lit*>(this + 1); }
  const Lit* lits() const { return reinterpret_cast<const Lit*>(this + 1); }

  // Bytes of the one block holding the record and its literals.
  static size_t bytesFor(int size) { return sizeof(Clause) + sizeof(Lit) * (size_t)size; }

  // One block for the record and its literals, from the arena when one is
  // given; the soft flag starts set.
  static Clause* make(const Lit* literals, int size, unsigned ref, bool learnt,
                      ConstraintArena* arena = nullptr);
};

class PB_Counters : public Constraint {
  friend class Constraint;

 public:
  // 64 bits although coefficients are 32: an objective bound is a sum of weights.
  int64_t bound;
  // Sums of 32-bit coefficients need 64 bits: three coefficients of 1.5e9
  // already overflow 32.
  int64_t totalCoeff;
  int64_t falseCoeff;  // coefficients of the literals counted false
  int refId;
  bool soft;
  float act;
  unsigned* coeffs;  // separate block, owned by the constraint

  Lit* lits() { return reinterpret_cast<Lit*>(this + 1); }
  const Lit* lits() const { return reinterpret_cast<const Lit*>(this + 1); }
  int64_t slack() const { return totalCoeff - falseCoeff; }

  static PB_Counters* make(const Lit* literals, const unsigned* coefficients, int size,
                           int64_t rhs, int ref, ConstraintArena* arena = nullptr);

 private:
  PB_Counters(int size, int64_t rhs, int ref)
      : Constraint(size, false, true), bound(rhs), totalCoeff(0), falseCoeff(0),
        refId(ref), soft(true), act(0.0f), coeffs(nullptr) {}
};

// Appends the term coefficient * l to a pseudo-Boolean constraint under
// construction. Coefficients are 32-bit; a larger one (a sum of weights) is
// spread over repeated copies of the literal, which the store accepts.
void pushTerm(vec<Lit>& lits, vec<unsigned>& coeffs, Lit l, int64_t coefficient);

// Appends every term of c, in order.
void pushTerms(vec<Lit>& lits, vec<unsigned>& coeffs, const Constraint& c);

// The import path's factory.
Constraint* Clause_new(const vec<Lit>& ps, unsigned ref, bool learnt);

// Releases a constraint and, for a pseudo-Boolean one, its coefficients;
// constraints of an arena go with their arena.
void freeConstraint(Constraint* c);

inline Clause& Constraint::asClause() { return *static_cast<Clause*>(this); }
inline const Clause& Constraint::asClause() const { return *static_cast<const Clause*>(this); }
inline PB_Counters& Constraint::asPB() { return *static_cast<PB_Counters*>(this); }
inline const PB_Counters& Constraint::asPB() const { return *static_cast<const PB_Counters*>(this); }

inline Lit* Constraint::lits() { return isClause() ? asClause().lits() : asPB().lits(); }
inline const Lit* Constraint::lits() const {
  return isClause() ? asClause().lits() : asPB().lits();
}
inline unsigned Constraint::coeff(int i) const { return isClause() ? 1u : asPB().coeffs[i]; }
inline void Constraint::chCoeff(int i, unsigned c) {
  if (!isClause()) asPB().coeffs[i] = c;
}
inline float& Constraint::activity() { return isClause() ? asClause().act : asPB().act; }
inline int64_t Constraint::rhs() const { return isClause() ? 1 : asPB().bound; }
inline void Constraint::assignFalseLit(int i) {
  if (!isClause()) asPB().falseCoeff += asPB().coeffs[i];
}
inline void Constraint::unassignFalseLit(int i) {
  if (!isClause()) asPB().falseCoeff -= asPB().coeffs[i];
}
inline int64_t Constraint::coeffSum() const { return isClause() ? 0 : asPB().totalCoeff; }
inline int64_t Constraint::val0Lits() const { return isClause() ? 0 : asPB().falseCoeff; }
inline int Constraint::ref() const {
  return isClause() ? (int)(asClause().softRef >> 1) : asPB().refId;
}
inline bool Constraint::isSoft() const {
  return isClause() ? (asClause().softRef & 1u) != 0 : asPB().soft;
}
inline void Constraint::isSoft(bool soft) {
  if (isClause())
    asClause().softRef = (asClause().softRef & ~1u) | (uint32_t)soft;
  else
    asPB().soft = soft;
}

// Insertion sort of terms by coefficient, largest first; equal coefficients
// keep their order, which the propagation's early stop relies on only for the
// magnitudes.
inline void sortByCoefficient(Lit* lits, unsigned* coeffs, int n) {
  for (int i = 1; i < n; i++) {
    Lit l = lits[i];
    unsigned a = coeffs[i];
    int j = i;
    for (; j > 0 && coeffs[j - 1] < a; j--) {
      lits[j] = lits[j - 1];
      coeffs[j] = coeffs[j - 1];
    }
    lits[j] = l;
    coeffs[j] = a;
  }
}

