// The term level of the OPB reader: signs, coefficient, literals, products,
// and the name map.
#include <algorithm>

#include "frontend/ParserPB.h"

// [signs] [digits] [*] literal... : a coefficient without digits is 1, a
// term without literal is a constant, and a term must have one or the other.
int ParserPB::parseProduct(Term& term) {
  const bool negative = scan.readSigns();
  int64_t coef = 1;
  const PBScanner::Number number = scan.readNumber(coef);
  if (number == PBScanner::Number::TooBig) {
    readerComment("Integer values too big to handle... ");
    return parseTooBig;
  }
  term.coef = negative ? -coef : coef;
  scan.skipBlanks();
  if (scan.peek() == '*') {
    scan.advance();
    scan.skipBlanks();
  }
  const int code = readLiterals(term);
  if (code != parseOk) return code;
  if (number == PBScanner::Number::Missing && !term.hasLiteral) return parseMalformed;
  return parseOk;
}

// Literals follow one another up to a ";" (which ends the term and is
// consumed) or anything but a letter or a "~", which starts the next term:
// "+1 x _y" is x plus _y, not their product.
int ParserPB::readLiterals(Term& term) {
  factors.clear();
  for (;;) {
    const bool negated = scan.peek() == '~';
    if (negated) scan.advance();
    // "2.5 x" is no integer and a name; "[3] [2] x" has a second weight.
    if (scan.atFraction() || (bracketNamesRefused && scan.peek() == '[')) return parseMalformed;
    scan.readName(name);
    if (name.empty()) {
      if (negated) return parseMalformed;  // "~" without a name
      break;
    }
    factors.push_back(mkLit(getVariableID(name), negated));
    if (scan.atGluedSemicolon()) return parseMalformed;  // "a;b"
    scan.skipBlanks();
    if (scan.peek() == ';') {
      scan.advance();
      break;
    }
    if (!PBScanner::isLetter(scan.peek()) && scan.peek() != '~') break;
  }
  term.hasLiteral = !factors.empty();
  if (factors.size() == 1) term.lit = factors[0];
  if (factors.size() > 1) term.lit = mkLit(productOf(factors));
  return parseOk;
}

// A fresh variable p with p <-> (l1 and ... and lk), as hard clauses
// (~p or li) and (p or ~l1 or ... or ~lk). It has no name: no input
// variable can be taken for it, and the model line leaves it out.
Var ParserPB::productOf(const std::vector<Lit>& literals) {
  const Var p = sink.newVariable(nullptr);
  std::vector<Lit> distinct(literals);
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  for (size_t i = 1; i < distinct.size(); i++) {
    if (distinct[i] == neg(distinct[i - 1])) {  // x and ~x: the product is false
      formLits.clear();
      formLits.push(mkLit(p, true));
      sink.addClause(formLits, PBSink::hard);
      return p;
    }
  }
  for (Lit l : distinct) {
    formLits.clear();
    formLits.push(mkLit(p, true));
    formLits.push(l);
    sink.addClause(formLits, PBSink::hard);
  }
  formLits.clear();
  formLits.push(mkLit(p));
  for (Lit l : distinct) formLits.push(neg(l));
  sink.addClause(formLits, PBSink::hard);
  return p;
}

Var ParserPB::getVariableID(const std::string& variableName) {
  auto found = nameMap.find(variableName);
  if (found != nameMap.end()) return found->second;
  const Var v = sink.newVariable(variableName.c_str());
  nameMap.emplace(variableName, v);
  return v;
}

void ParserPB::gather(Lit lit, int64_t coef, int64_t& constant) {
  const Var v = var(lit);
  if ((size_t)v >= coefAcc.size()) coefAcc.resize((size_t)v + 10000, 0);
  if (coefAcc[(size_t)v] == 0) lineVars.push_back(v);
  if (sign(lit) == 0) {
    coefAcc[(size_t)v] += coef;
  } else {
    coefAcc[(size_t)v] -= coef;
    constant += coef;
  }
}
