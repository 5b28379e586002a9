// Loading the file and the line level of the OPB reader: comments, the
// objective line and constraint lines.
#include "frontend/ParserPB.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "cooperation/Comment.h"
#include "frontend/ReadingClock.h"

namespace {

// Sums of coefficients are 64-bit everywhere; a line whose sum comes near
// the 64-bit range is refused long before any of them could wrap.
const int64_t maxCoefSum = (int64_t)1 << 62;

// Reads up to the end of the file, whatever size it claims: a pipe or a FIFO
// claims none. sizeHint (one byte more, to see the end) only saves growing
// the text. False when a read fails.
bool readAll(int fd, std::string& text, size_t sizeHint) {
  const size_t chunk = (size_t)1 << 16;
  text.resize(sizeHint + 1);
  size_t done = 0;
  for (;;) {
    if (done == text.size()) text.resize(done + std::max(chunk, done));
    const ssize_t got = read(fd, &text[done], text.size() - done);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += (size_t)got;
  }
  text.resize(done);
  return true;
}

bool isGzip(const std::string& text) {
  return text.size() >= 2 && (unsigned char)text[0] == 0x1f && (unsigned char)text[1] == 0x8b;
}

int64_t magnitude(int64_t x) { return x < 0 ? -x : x; }

}  // namespace

void readerComment(const char* format, ...) {
  va_list args;
  va_start(args, format);
  commentLine(stdout, format, args);
  va_end(args);
}

int ParserPB::load(const char* file) {
  int fd = open(file, O_RDONLY);
  if (fd < 0) {
    readerComment("Unable to open input stream for file %s", file);
    return parseUnreadable;
  }
  readerComment("Instance file %s", file);
  struct stat info;
  if (fstat(fd, &info) != 0) {
    readerComment("Unable to get size of file %s", file);
    close(fd);
    return parseUnreadable;
  }
  std::string text;
  const bool read = readAll(fd, text, info.st_size > 0 ? (size_t)info.st_size : 0);
  close(fd);
  if (!read) {
    readerComment("Unable to put in memory file %s", file);
    return parseUnreadable;
  }
  readerComment("File size is %zu bytes.", text.size());
  if (isGzip(text)) {
    readerComment("Unable to read compressed file %s: only the cnf and wcnf formats read gzip", file);
    return parseUnreadable;
  }
  return loadText(text);
}

// A NUL byte is no part of the format: the text is read up to it, and the
// reading fails there. A byte-order mark at the start is no part of it either.
int ParserPB::loadText(const std::string& text) {
  const size_t nul = text.find('\0');
  scan = PBScanner(text.data(), text.data() + (nul == std::string::npos ? text.size() : nul));
  scan.skipByteOrderMark();
  objectiveAllowed = true;
  highestCoefSum = 0;
  int code = parseLines();
  if (code == parseOk && nul != std::string::npos) code = parseMalformed;
  if (code != parseOk) {
    readerComment("Parse Error %d", code);
    readerComment("Line: %d", scan.lineNumber());
    return code;
  }
  readerComment("Highest Coefficient sum: %g", (double)highestCoefSum);
  return parseOk;
}

int ParserPB::parseLines() {
  while (!scan.atEnd()) {
    readingTimeCheck();
    const int code = parseLine();
    if (code != parseOk) return code;
  }
  return parseOk;
}

int ParserPB::parseLine() {
  if (scan.skipEmptyRest()) return parseOk;
  if (objectiveAllowed && (scan.startsWith("min:") || scan.startsWith("max:"))) {
    const bool maximise = scan.startsWith("max:");
    for (int i = 0; i < 4; i++) scan.advance();
    objectiveAllowed = false;
    return parseCostFunction(maximise);
  }
  objectiveAllowed = false;
  return parseConstraint();
}

// Terms after a ";" still belong to the objective. It ends where the rest
// of the line is empty or a "*" comment, as a constraint line does after its
// right-hand side ("+2 * x", a coefficient before the "*", is still 2 x). A
// negated literal c * ~x is c - c * x, and a net n < 0 on x is n + (-n) * ~x,
// so every term becomes a positive weight plus a constant.
//
// A name cannot start with a digit, so "+2 3x" would read as the constant 2
// and the term 3 x where a name is meant: it is refused, as is a ";" glued
// to what follows it.
int ParserPB::parseCostFunction(bool maximise) {
  int64_t offset = 0, sum = 0;
  while (!scan.skipEmptyRest()) {
    if (scan.atGluedSemicolon()) return parseMalformed;
    if (scan.peek() == ';') {
      scan.advance();
      continue;
    }
    Term term;
    const int code = parseProduct(term);
    if (code != parseOk) return code;
    if (!term.hasLiteral && PBScanner::isDigit(scan.peek())) return parseMalformed;
    sum += magnitude(term.coef);
    if (sum >= maxCoefSum) {
      readerComment("Risky overflow due to sum of coefficients at cost function.");
      return parseTooBig;
    }
    const int64_t coef = maximise ? -term.coef : term.coef;
    if (term.hasLiteral)
      gather(term.lit, coef, offset);
    else
      offset += coef;
  }
  normalise(offset);
  for (const NormalTerm& t : terms) sink.addObjectiveTerm(neg(t.lit), t.coef);
  readerComment("Cost Offset: %lld", (long long)offset);
  sink.addObjectiveConstant(offset);
  return parseOk;
}

int ParserPB::readNumber(int64_t& value) {
  switch (scan.readNumber(value)) {
    case PBScanner::Number::Missing:
      return parseMalformed;
    case PBScanner::Number::TooBig:
      readerComment("Integer values too big to handle... ");
      return parseTooBig;
    case PBScanner::Number::Read:
      break;
  }
  return parseOk;
}

int ParserPB::parseConstraint() { return parseConstraintBody(PBSink::hard, FormStyle::Opb); }

int ParserPB::parseConstraintBody(Cost weight, FormStyle style) {
  Relation relation;
  int64_t r = 0;
  const int code = readConstraintBody(relation, r);
  if (code != parseOk) return code;
  int64_t moved = 0;
  normalise(moved);
  handOverForms(relation, r - moved, weight, style);
  return parseOk;
}

// The sum s of |coefficient| and |right-hand side| is what the solvers'
// counters must hold; highestCoefSum reports the largest.
int ParserPB::readConstraintBody(Relation& relation, int64_t& rhs) {
  int64_t constant = 0, adjustment = 0, sum = 0;
  for (;;) {
    scan.skipBlanks();
    if (scan.atLineEnd()) return parseNoOperator;
    const char c = scan.peek();
    if (c == '>' || c == '<' || c == '=') break;
    Term term;
    const int code = parseProduct(term);
    if (code != parseOk) return code;
    if (!term.hasLiteral) {
      readerComment("Something is wrong while reading instance file!!!");
      return parseMalformed;
    }
    gather(term.lit, term.coef, constant);
    sum += magnitude(term.coef);
    if (sum >= maxCoefSum) {
      readerComment("Risky overflow due to sum of coefficients at constraint.");
      return parseTooBig;
    }
  }
  const char op = scan.peek();
  scan.advance();
  const bool orEqual = op != '=' && scan.peek() == '=';
  if (orEqual) scan.advance();
  relation = op == '>' ? Relation::GreaterOrEqual : op == '<' ? Relation::LessOrEqual : Relation::Equal;
  if (op == '>' && !orEqual) adjustment += 1;  // x > k is x >= k + 1
  if (op == '<' && !orEqual) adjustment -= 1;

  const bool negative = scan.readSigns();
  int64_t value = 0;
  const int code = readNumber(value);
  if (code != parseOk) return code;
  sum += value;
  if (sum >= maxCoefSum) {
    readerComment("Risky overflow due to sum of coefficients at constraint.");
    return parseTooBig;
  }
  if (!scan.skipStatementEnd()) return parseMalformed;
  rhs = (negative ? -value : value) + adjustment - constant;
  if (sum > highestCoefSum) highestCoefSum = sum;
  return parseOk;
}
