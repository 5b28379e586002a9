// Variables, literals and three-valued truth values shared by every part of the solver.
#pragma once

#include <cstdint>

typedef int Var;
typedef int Lit;

// A literal is 2 * variable + sign; sign 1 is the negated literal.
inline Lit mkLit(Var x, bool negated = false) { return x + x + (int)negated; }
inline Var var(Lit p) { return p >> 1; }
inline int sign(Lit p) { return p & 1; }
inline Lit neg(Lit p) { return p ^ 1; }

const Lit lit_Undef = -2;
const Lit lit_Error = -1;

// Literals order as ints: a sorted clause lists its literals by variable,
// the positive literal of a variable before the negative one.
struct LessThan_default {
  template <class T>
  bool operator()(T x, T y) const { return x < y; }
};

// l_True 1, l_False -1, l_Undef 0, so that negation is arithmetic.
typedef int8_t lbool;
const lbool l_True = 1;
const lbool l_False = -1;
const lbool l_Undef = 0;

inline lbool toLbool(bool b) { return b ? l_True : l_False; }

// Costs and bounds: sums of 32-bit weights over millions of constraints.
typedef int64_t Cost;
