#include "frontend/DimacsReader.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cooperation/Comment.h"
#include "driver/RUKSolver.h"
#include "frontend/ReadingClock.h"
#include "solver/Fatal.h"

namespace {

// The largest header variable count: the literal 2v+1 of every variable must
// fit in an int, with room left for the relaxation variables of the driver.
const long long maxVariables = (INT_MAX >> 2);

// The input buffer: one block of the stream at a time. The current character
// is buf[pos] while pos < size; after the last block it is endOfInput, which
// is kept apart from the byte 0xFF (a byte that no text file holds, but one
// that must not be taken for the end of the file).
class StreamBuffer {
 public:
  static const int blockSize = 1048576;
  static const int endOfInput = -1;

  explicit StreamBuffer(gzFile stream) : in(stream), buf(new unsigned char[blockSize]) { refill(); }

  int current() const { return pos < size ? buf[pos] : endOfInput; }

  // Set when the stream could not be read: the input ends there.
  const char* readError() const { return error; }

  void advance() {
    if (pos < size && buf[pos] == '\n') line++;
    if (++pos >= size) refill();
  }

  int lineNumber() const { return line; }

 private:
  gzFile in;
  std::unique_ptr<unsigned char[]> buf;
  int pos = 0;
  int size = 0;
  int line = 1;
  const char* error = nullptr;

  // A gzread result of 0 is the end of the input only when the stream
  // reports no error: a truncated gzip member also reads as 0 bytes, and an
  // unreadable file as -1. zlib's own buffers that could not be allocated
  // say nothing of the file: that run ends as out of memory.
  void refill() {
    pos = 0;
    size = gzread(in, buf.get(), blockSize);
    if (size > 0) return;
    size = 0;
    int code = Z_OK;
    const char* reason = gzerror(in, &code);
    if (code == Z_MEM_ERROR) fatalError("out of memory");
    if (code != Z_OK) error = reason;
  }
};

bool isSpace(int c) { return (c >= 9 && c <= 13) || c == ' '; }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

// Every reading step returns false at the first error, which is recorded in
// `message`; nothing is read after it.
class DimacsParser {
 public:
  DimacsParser(gzFile in, bool weightedFormat, DimacsSink& target)
      : input(in), weighted(weightedFormat), sink(target) {}

  std::string message;

  bool run() {
    for (;;) {
      skipSpaces();
      int c = input.current();
      if (c == StreamBuffer::endOfInput) return input.readError() == nullptr || streamError();
      bool ok = c == 'c' ? skipComment() : c == 'p' ? readHeader() : readClause();
      if (!ok) return false;
    }
  }

 private:
  StreamBuffer input;
  bool weighted;
  DimacsSink& sink;
  bool headerRead = false;
  long long nbVariables = 0;
  vec<Lit> lits;

  bool fail(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    message = text;
    return false;
  }

  bool streamError() { return fail("PARSE ERROR! Cannot read the input: %s", input.readError()); }

  // At the end of the input the byte 0xFF is shown, unless the stream failed.
  bool unexpectedChar() {
    int c = input.current();
    if (c == StreamBuffer::endOfInput && input.readError() != nullptr) return streamError();
    return fail("PARSE ERROR! Unexpected char: %c", c == StreamBuffer::endOfInput ? 0xFF : c);
  }

  void skipSpaces() {
    while (isSpace(input.current())) input.advance();
  }

  // A comment ends after its newline; the end of input or a NUL ends it too
  // and is left for the main loop (where a NUL is an unexpected char).
  bool skipComment() {
    for (;;) {
      int c = input.current();
      if (c == StreamBuffer::endOfInput || c == 0) return true;
      input.advance();
      if (c == '\n') return true;
    }
  }

  // One signed decimal number. A sign must be followed at once by a digit.
  // The value is accumulated in 64 bits so that a number beyond the 32-bit
  // range is refused instead of wrapping into another literal or weight.
  bool parseInt(long long& value, bool& signedZero) {
    skipSpaces();
    if (input.current() == StreamBuffer::endOfInput) return unexpectedChar();
    bool negative = false;
    bool sign = false;
    if (input.current() == '-' || input.current() == '+') {
      negative = input.current() == '-';
      sign = true;
      input.advance();
    }
    if (!isDigit(input.current())) return unexpectedChar();
    value = 0;
    do {
      value = value * 10 + (input.current() - '0');
      if (value > (long long)INT_MAX + 1) return outOfRange();
      input.advance();
    } while (isDigit(input.current()));
    if (negative) value = -value;
    if (value > INT_MAX) return outOfRange();
    signedZero = sign && value == 0;
    return true;
  }

  bool parseInt(long long& value) {
    bool signedZero;
    return parseInt(value, signedZero);
  }

  bool outOfRange() { return fail("PARSE ERROR! Number out of the 32-bit range at line %d", input.lineNumber()); }

  bool expectText(const char* text) {
    for (; *text != '\0'; text++) {
      if (input.current() != (unsigned char)*text) return unexpectedChar();
      input.advance();
    }
    return true;
  }

  bool readHeader() {
    const int headerLine = input.lineNumber();
    if (!expectText(weighted ? "p wcnf" : "p cnf")) return false;
    if (headerRead) return fail("PARSE ERROR! Second header at line %d", headerLine);
    long long variables, clauses;
    if (!parseInt(variables) || !parseInt(clauses)) return false;  // the clause count is not used
    if (variables < 0 || variables > maxVariables)
      return fail("PARSE ERROR! Illegal number of variables %lld at line %d", variables, headerLine);
    if (weighted) {
      // Only blanks may stand between the clause count and the top weight:
      // a tab or newline ends the header, and a number after it is a weight.
      while (input.current() == ' ') input.advance();
      if (isDigit(input.current())) {
        long long top;
        if (!parseInt(top)) return false;
        sink.setTopWeight(top);
      }
    }
    headerRead = true;
    nbVariables = variables;
    sink.newVariables((int)variables);
    return true;
  }

  bool readClause() {
    const int clauseLine = input.lineNumber();
    if (!headerRead) {
      // A stray character is reported as such; a clause as a clause.
      int c = input.current();
      if (!isDigit(c) && c != '-' && c != '+') return unexpectedChar();
      return fail("PARSE ERROR! Clause before the header at line %d", clauseLine);
    }
    long long weight = 1;
    if (weighted) {
      if (!parseInt(weight)) return false;
      if (weight <= 0) return fail("PARSE ERROR! Clause weight %lld is not positive at line %d", weight, clauseLine);
    }
    lits.clear();
    for (;;) {
      long long v;
      bool signedZero;
      if (!parseInt(v, signedZero)) return false;
      if (v == 0) {
        if (signedZero) return fail("PARSE ERROR! Literal of variable 0 at line %d", input.lineNumber());
        break;
      }
      long long variable = v < 0 ? -v : v;
      if (variable > nbVariables)
        return fail("PARSE ERROR! Variable %lld out of range 1..%lld at line %d", variable, nbVariables,
                    input.lineNumber());
      lits.push(mkLit((Var)(variable - 1), v < 0));
    }
    sink.addClause(lits, weight);
    readingTimeCheck();
    return true;
  }
};

}  // namespace

DimacsResult readDimacs(gzFile in, bool weighted, DimacsSink& sink) {
  DimacsParser parser(in, weighted, sink);
  DimacsResult result;
  result.ok = parser.run();
  result.message = parser.message;
  return result;
}

// DIMACS variables are named by their numbers, which the model line prints
// without a table of names: a name per variable would be a heap object each.
void RUKSolverSink::newVariables(int variables) {
  for (int i = 0; i < count; i++) solvers[i]->solver->newVars(variables);
}

void RUKSolverSink::setTopWeight(Cost top) {
  for (int i = 0; i < count; i++) solvers[i]->topWeight = top;
}

// Every RUKSolver gets its own copy: addClause may append a relaxation
// literal to the list it is given.
void RUKSolverSink::addClause(vec<Lit>& lits, Cost weight) {
  for (int i = 0; i < count; i++) {
    lits.copyTo(copy);
    solvers[i]->addClause(copy, weight);
  }
}

void parse_DIMACS(gzFile in, RUKSolver** solvers, int count) {
  RUKSolverSink sink(solvers, count);
  DimacsResult result = readDimacs(in, solvers[0]->inputFormat == formatWcnf, sink);
  if (!result.ok) endWithComment(3, "%s", result.message.c_str());
}
