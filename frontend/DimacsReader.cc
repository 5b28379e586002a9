#include "frontend/DimacsReader.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cooperation/Comment.h"
#include "driver/RUKSolver.h"

namespace {

// The largest header variable count: the literal 2v+1 of every variable must
// fit in an int, with room left for the relaxation variables of the driver.
const long long maxVariables = (INT_MAX >> 2);

// Thrown at the first error and caught by readDimacs: the reader never goes
// on after one, so the stack is simply unwound.
struct Malformed {
  std::string message;
};

[[noreturn]] void malformed(const char* format, ...) __attribute__((format(printf, 1, 2)));

[[noreturn]] void malformed(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  throw Malformed{text};
}

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

  // A gzread result of 0 is the end of the input only when the stream
  // reports no error: a truncated gzip member also reads as 0 bytes, and an
  // unreadable file as -1.
  void refill() {
    pos = 0;
    size = gzread(in, buf.get(), blockSize);
    if (size > 0) return;
    size = 0;
    int code = Z_OK;
    const char* reason = gzerror(in, &code);
    if (code != Z_OK) malformed("PARSE ERROR! Cannot read the input: %s", reason);
  }
};

bool isSpace(int c) { return (c >= 9 && c <= 13) || c == ' '; }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

class DimacsParser {
 public:
  DimacsParser(gzFile in, bool weightedFormat, DimacsSink& target)
      : input(in), weighted(weightedFormat), sink(target) {}

  void run() {
    for (;;) {
      skipSpaces();
      int c = input.current();
      if (c == StreamBuffer::endOfInput) return;
      if (c == 'c')
        skipComment();
      else if (c == 'p')
        readHeader();
      else
        readClause();
    }
  }

 private:
  StreamBuffer input;
  bool weighted;
  DimacsSink& sink;
  bool headerRead = false;
  long long nbVariables = 0;
  vec<Lit> lits;

  [[noreturn]] void unexpectedChar() {
    int c = input.current();
    // At the end of the input the byte 0xFF is shown.
    malformed("PARSE ERROR! Unexpected char: %c", c == StreamBuffer::endOfInput ? 0xFF : c);
  }

  void skipSpaces() {
    while (isSpace(input.current())) input.advance();
  }

  // A comment ends after its newline; the end of input or a NUL ends it too
  // and is left for the main loop (where a NUL is an unexpected char).
  void skipComment() {
    for (;;) {
      int c = input.current();
      if (c == StreamBuffer::endOfInput || c == 0) return;
      input.advance();
      if (c == '\n') return;
    }
  }

  // One signed decimal number. A sign must be followed at once by a digit.
  // The value is accumulated in 64 bits so that a number beyond the 32-bit
  // range is refused instead of wrapping into another literal or weight.
  long long parseInt(bool& signedZero) {
    skipSpaces();
    if (input.current() == StreamBuffer::endOfInput) unexpectedChar();
    bool negative = false;
    bool sign = false;
    if (input.current() == '-' || input.current() == '+') {
      negative = input.current() == '-';
      sign = true;
      input.advance();
    }
    if (!isDigit(input.current())) unexpectedChar();
    long long value = 0;
    do {
      value = value * 10 + (input.current() - '0');
      if (value > (long long)INT_MAX + 1)
        malformed("PARSE ERROR! Number out of the 32-bit range at line %d", input.lineNumber());
      input.advance();
    } while (isDigit(input.current()));
    if (negative) value = -value;
    if (value > INT_MAX) malformed("PARSE ERROR! Number out of the 32-bit range at line %d", input.lineNumber());
    signedZero = sign && value == 0;
    return value;
  }

  long long parseInt() {
    bool signedZero;
    return parseInt(signedZero);
  }

  void expectText(const char* text) {
    for (; *text != '\0'; text++) {
      if (input.current() != (unsigned char)*text) unexpectedChar();
      input.advance();
    }
  }

  void readHeader() {
    const int headerLine = input.lineNumber();
    expectText(weighted ? "p wcnf" : "p cnf");
    if (headerRead) malformed("PARSE ERROR! Second header at line %d", headerLine);
    long long variables = parseInt();
    parseInt();  // the clause count is not used
    if (variables < 0 || variables > maxVariables)
      malformed("PARSE ERROR! Illegal number of variables %lld at line %d", variables, headerLine);
    if (weighted) {
      // Only blanks may stand between the clause count and the top weight:
      // a tab or newline ends the header, and a number after it is a weight.
      while (input.current() == ' ') input.advance();
      if (isDigit(input.current())) sink.setTopWeight(parseInt());
    }
    headerRead = true;
    nbVariables = variables;
    sink.newVariables((int)variables);
  }

  void readClause() {
    const int clauseLine = input.lineNumber();
    if (!headerRead) {
      // A stray character is reported as such; a clause as a clause.
      int c = input.current();
      if (!isDigit(c) && c != '-' && c != '+') unexpectedChar();
      malformed("PARSE ERROR! Clause before the header at line %d", clauseLine);
    }
    Cost weight = 1;
    if (weighted) {
      weight = parseInt();
      if (weight <= 0) malformed("PARSE ERROR! Clause weight %lld is not positive at line %d", (long long)weight, clauseLine);
    }
    lits.clear();
    for (;;) {
      bool signedZero;
      long long v = parseInt(signedZero);
      if (v == 0) {
        if (signedZero) malformed("PARSE ERROR! Literal of variable 0 at line %d", input.lineNumber());
        break;
      }
      long long variable = v < 0 ? -v : v;
      if (variable > nbVariables)
        malformed("PARSE ERROR! Variable %lld out of range 1..%lld at line %d", variable, nbVariables,
                  input.lineNumber());
      lits.push(mkLit((Var)(variable - 1), v < 0));
    }
    sink.addClause(lits, weight);
  }
};

}  // namespace

DimacsResult readDimacs(gzFile in, bool weighted, DimacsSink& sink) {
  DimacsResult result;
  try {
    DimacsParser parser(in, weighted, sink);
    parser.run();
  } catch (const Malformed& error) {
    result.ok = false;
    result.message = error.message;
  }
  return result;
}

void RUKSolverSink::newVariables(int variables) {
  char name[16];
  for (int k = 1; k <= variables; k++) {
    snprintf(name, sizeof name, "%d", k);
    for (int i = 0; i < count; i++) {
      solvers[i]->varNames.push_back(strdup(name));
      solvers[i]->solver->newVar(true, true);
    }
  }
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
  if (!result.ok) {
    comment("%s", result.message.c_str());
    exit(3);
  }
}
