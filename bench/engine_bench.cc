// engine-bench FILE.cnf[.gz]: loads a DIMACS cnf file into one engine,
// decides it with the restart loop and prints the answer with the conflicts,
// decisions, propagations per second, clause watch visits per propagated
// literal and time as comment lines.
#include <sys/time.h>
#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "cooperation/Cooperation.h"
#include "solver/Solver.h"

namespace {

class GzipText {
  gzFile file;
  char buffer[1 << 20];
  int size = 0, position = 0;

 public:
  explicit GzipText(gzFile f) : file(f) {}
  int peek() {
    if (position == size) {
      size = gzread(file, buffer, sizeof buffer);
      position = 0;
      if (size <= 0) {
        size = 0;
        return EOF;
      }
    }
    return (unsigned char)buffer[position];
  }
  void skip() { position++; }
  void skipLine() {
    for (int c = peek(); c != EOF && c != '\n'; c = peek()) skip();
    skip();
  }
  bool readInt(long long& out) {
    int c = peek();
    while (c != EOF && isspace(c)) { skip(); c = peek(); }
    if (c == EOF) return false;
    bool negative = c == '-';
    if (c == '-' || c == '+') { skip(); c = peek(); }
    if (!isdigit(c)) { fprintf(stderr, "c parse error at '%c'\n", c); exit(3); }
    out = 0;
    while (c != EOF && isdigit(c)) { out = out * 10 + (c - '0'); skip(); c = peek(); }
    if (negative) out = -out;
    return true;
  }
};

double seconds() {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return (double)now.tv_sec + (double)now.tv_usec / 1e6;
}

void load(const char* path, Solver& solver) {
  gzFile file = gzopen(path, "rb");
  if (file == nullptr) { fprintf(stderr, "c cannot open %s\n", path); exit(1); }
  static GzipText in(file);
  vec<Lit> clause;
  for (;;) {
    int c = in.peek();
    while (c != EOF && isspace(c)) { in.skip(); c = in.peek(); }
    if (c == EOF) break;
    if (c == 'c' || c == 'p') { in.skipLine(); continue; }
    long long literal;
    while (in.readInt(literal) && literal != 0) {
      Var v = (Var)(llabs(literal) - 1);
      while (v >= solver.nVars()) solver.newVar();
      clause.push(mkLit(v, literal < 0));
    }
    solver.addClause(clause)->isSoft(false);
    clause.clear();
  }
  gzclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) { fprintf(stderr, "usage: %s FILE.cnf[.gz]\n", argv[0]); return 1; }
  double start = seconds();
  Cooperation coop(2, 16);
  coop.lbTimeLimit = 1e9;
  Solver solver;
  solver.coop = &coop;
  load(argv[1], solver);
  bool sat = solver.multiSolve();
  double elapsed = seconds() - start;
  printf(sat ? "s SATISFIABLE\n" : solver.okay() ? "s UNKNOWN\n" : "s UNSATISFIABLE\n");
  printf("c conflicts %llu\nc decisions %llu\nc propagations %llu\n", (unsigned long long)solver.conflicts,
         (unsigned long long)solver.decisions, (unsigned long long)solver.propagations);
  double perLiteral = solver.propagations > 0 ? (double)solver.watchVisits / (double)solver.propagations : 0;
  printf("c propagations/s %.0f\nc visits/propagation %.1f\nc time %.2f\n",
         (double)solver.propagations / (elapsed > 0 ? elapsed : 1), perLiteral, elapsed);
  return 0;
}
