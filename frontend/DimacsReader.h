// The DIMACS reader: "p cnf" and "p wcnf" clause files, plain or
// gzip-compressed, read through zlib's gzip file interface.
//
// The reader checks what the format promises and the solvers rely on: the
// header comes first and only once, every literal names a variable of the
// header, every number fits in 32 bits, every weight is positive, the input
// does not end inside a clause, and the stream decompressed without error.
// A malformed file is refused as a whole, never solved as another problem.
#pragma once

#include <zlib.h>

#include <string>

#include "cooperation/Cooperation.h"
#include "solver/SolverTypes.h"
#include "solver/Vec.h"

class RUKSolver;

// Where the reader puts what it reads.
class DimacsSink {
 public:
  virtual ~DimacsSink() {}
  // Called once, at the header: DIMACS variables 1..count become Vars 0..count-1.
  virtual void newVariables(int count) = 0;
  // Called at a "p wcnf" header that carries a top weight.
  virtual void setTopWeight(Cost top) = 0;
  // One clause; the sink may change lits (the reader clears it afterwards).
  virtual void addClause(vec<Lit>& lits, Cost weight) = 0;
};

struct DimacsResult {
  bool ok = true;
  std::string message;  // what is wrong, without "c " and newline
};

// Reads the whole stream. weighted: "p wcnf" is expected (else "p cnf").
DimacsResult readDimacs(gzFile in, bool weighted, DimacsSink& sink);

// Feeds every RUKSolver, in index order, with its own copy of every clause.
class RUKSolverSink : public DimacsSink {
  RUKSolver** solvers;
  int count;
  vec<Lit> copy;

 public:
  RUKSolverSink(RUKSolver** solverArray, int solverCount) : solvers(solverArray), count(solverCount) {}
  void newVariables(int variables) override;
  void setTopWeight(Cost top) override;
  void addClause(vec<Lit>& lits, Cost weight) override;
};

// Reads the stream into the count RUKSolvers; the format follows the first
// one's inputFormat. On malformed input prints the reason as a "c " line and
// ends the process with status 3. The caller closes the stream.
void parse_DIMACS(gzFile in, RUKSolver** solvers, int count);
