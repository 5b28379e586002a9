#include "frontend/ParserRUK.h"

namespace {

const char* const headerKeyword = "soft:";
// The weight that marks a constraint as hard.
const Cost hardWeight = 2147483647;

}  // namespace

int ParserRUK::parseLine() {
  if (scan.skipEmptyRest()) return parseOk;
  if (scan.startsWith(headerKeyword)) return parseHeader();
  return parseConstraint(scan.peek() == '[');
}

// A header may stand on any line; a later one overrides an earlier one. A
// header without a number ("soft: ;") sets no limit.
int ParserRUK::parseHeader() {
  for (const char* c = headerKeyword; *c != '\0'; c++) scan.advance();
  scan.skipBlanks();
  int64_t limit = PBSink::noLimit;
  if (PBScanner::isDigit(scan.peek())) {
    const int code = readNumber(limit);
    if (code != parseOk) return code;
  }
  if (!scan.skipStatementEnd()) return parseMalformed;
  sink.setSoftLimit(limit);
  return parseOk;
}

int ParserRUK::parseConstraint(bool soft) {
  Cost weight = PBSink::hard;
  if (soft) {
    const int code = readWeight(weight);
    if (code != parseOk) return code;
  }
  return parseConstraintBody(weight == hardWeight ? PBSink::hard : weight, FormStyle::Ruk);
}

// "[" weight "]": a positive number of at most 2147483647 (which is hard).
int ParserRUK::readWeight(Cost& weight) {
  scan.advance();
  scan.skipBlanks();
  int64_t value = 0;
  const int code = readNumber(value);
  if (code != parseOk) return code;
  scan.skipBlanks();
  if (value < 1 || scan.peek() != ']') return parseMalformed;
  scan.advance();
  weight = value;
  return parseOk;
}
