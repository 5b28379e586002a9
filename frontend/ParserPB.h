// The OPB reader: an optional "min:" or "max:" objective line, then linear
// constraints over named Boolean variables, one per line, "*" comments.
//
// The objective becomes weighted soft unit clauses plus a constant offset;
// "max:" is minimised as its negation, so the printed cost is minus the
// maximum. Every constraint is normalised to non-negative coefficients and
// handed over as a greater-or-equal form (">=", "=") and a negated form
// ("<=", "="), each as a hard clause or a pseudo-Boolean constraint. A
// product of literals becomes a helper variable tied to its factors.
//
// Reading stops at the first malformed line: load prints "c Parse Error N"
// and "c Line: L" and returns N (codes below); the caller must not solve the
// part read so far.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/PBScanner.h"
#include "frontend/PBSink.h"

// Codes of load and of the line readers.
enum ParseCode {
  parseOk = 0,
  parseUnreadable = 1,  // the file cannot be opened, sized, read, or is compressed
  parseNoOperator = 4,  // the line ends before its relational operator
  parseMalformed = 8,   // anything else that is not the format
  parseTooBig = 9,      // a number or a coefficient sum beyond what the solvers hold
};

enum class Relation { GreaterOrEqual, LessOrEqual, Equal };

// How the forms of a constraint are handed over. Opb: coefficients above the
// right-hand side are lowered to it (the same solutions, smaller numbers) and
// a form that always holds is left out. Ruk: coefficients as read, and a
// greater-or-equal form of right-hand side 0 is kept (a soft one is a soft
// constraint every solution meets, which still makes the problem one of
// optimisation); one with a negative right-hand side is left out, and so is
// a negated ("<=") form of right-hand side 0 or below.
enum class FormStyle { Opb, Ruk };

class ParserPB {
 public:
  explicit ParserPB(PBSink& target) : sink(target) {}
  virtual ~ParserPB() {}
  ParserPB(const ParserPB&) = delete;
  ParserPB& operator=(const ParserPB&) = delete;

  // Reads the whole file into the sink; returns a ParseCode.
  int load(const char* file);
  // Reads text as if it were a file's content (load does this after reading).
  int loadText(const std::string& text);

 protected:
  // A term after normalisation: coefficient > 0 on a literal.
  struct NormalTerm {
    Lit lit;
    int64_t coef;
  };
  // One term as read: a constant (no literal) or a coefficient on a literal.
  struct Term {
    int64_t coef = 0;
    bool hasLiteral = false;
    Lit lit = 0;
  };

  PBSink& sink;
  PBScanner scan{nullptr, nullptr};
  int64_t highestCoefSum = 0;
  // Set where "[" opens a weight: a name that starts with one is refused.
  bool bracketNamesRefused = false;

  virtual int parseLine();
  int parseCostFunction(bool maximise);
  int parseConstraint();
  int parseProduct(Term& term);
  Var getVariableID(const std::string& name);
  // A number that must be there: code 8 when it is missing, 9 when too big.
  int readNumber(int64_t& value);

  // Terms and right-hand side of a constraint line, up to and including its
  // newline (code 8 when more than a ";" or a comment follows): rhs is the
  // right-hand side less the left side's constants, and the terms are left
  // gathered per variable.
  int readConstraintBody(Relation& relation, int64_t& rhs);
  // A whole constraint line after its weight: read, normalised, handed over.
  int parseConstraintBody(Cost weight, FormStyle style);
  // The gathered terms as positive terms, largest first; a net n < 0 on x is
  // n + (-n) * ~x, and n is added to constant (the left side's constant).
  void normalise(int64_t& constant);
  // Both forms of the relation, the greater-or-equal one first.
  void handOverForms(Relation relation, int64_t r, Cost weight, FormStyle style);

 private:
  bool objectiveAllowed = true;
  std::unordered_map<std::string, Var> nameMap;
  std::vector<int64_t> coefAcc;  // per Var, the line's coefficient so far; zero between lines
  std::vector<Var> lineVars;     // the line's variables, in order of first appearance
  std::vector<NormalTerm> terms;
  std::vector<Lit> factors;
  std::string name;
  vec<Lit> formLits;
  vec<unsigned> formCoeffs;

  int parseLines();
  int readLiterals(Term& term);
  Lit productOf(const std::vector<Lit>& literals);
  // Adds coef * lit to the line; c * ~x is c - c * x, c going to constant.
  void gather(Lit lit, int64_t coef, int64_t& constant);
  void handOverForm(bool negated, int64_t r, Cost weight, FormStyle style);
};

// Prints a reader line on standard output ("c " + text + newline), flushed.
void readerComment(const char* format, ...) __attribute__((format(printf, 1, 2)));
