// The program's entry: settings from the command line, the two drivers and
// the shared cooperation object, the input, and the two search threads.
//
// Exit statuses: 1 for a refused command line or an input file that cannot
// be opened, 0 for the help text, 3 for malformed input, 255 for a result
// (printed by a worker thread, which ends the process). Every end claims the
// output first: a signal report may have claimed it already, and then that
// report ends the run. Everything that main allocates lives to the end of
// the process: the workers end it while they still use it.
#include <pthread.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>

#include "cooperation/Comment.h"
#include "cooperation/Cooperation.h"
#include "cooperation/Output.h"
#include "driver/RUKSolver.h"
#include "frontend/DimacsReader.h"
#include "frontend/Options.h"
#include "frontend/ParserRUK.h"
#include "frontend/ReadingClock.h"
#include "frontend/Signals.h"
#include "solver/Fatal.h"

namespace {

const int nbThreads = 2;
const int limitExport = 16;

RUKSolver** solvers = nullptr;
Cooperation* coop = nullptr;

[[noreturn]] void endWithUsage(const char* programName, int status) {
  claimOutputOrWait();
  solvers[0]->reportSolverVersion();
  const std::string usage = usageText(programName);
  writeLines(stderr, usage.data(), usage.size());
  endProcess(status);
}

// Ends a refused command line: its message, then status 1 (the help text,
// which is not an error, ends with 0).
void handleCommandLine(const CommandLineResult& result, const char* programName) {
  switch (result.outcome) {
    case CommandLine::Run:
      return;
    case CommandLine::Error:
      endWithComment(1, "%s", result.message.c_str());
    case CommandLine::Help:
      endWithUsage(programName, 0);
    case CommandLine::NoInputFile:
      endWithUsage(programName, 1);
  }
}

// A directory opens as a stream that reads as nothing; it is refused like
// any file that cannot be opened, not read as an empty problem.
bool isDirectory(const char* fileName) {
  struct stat info;
  return stat(fileName, &info) == 0 && S_ISDIR(info.st_mode);
}

void parseInputFile(const Settings& settings) {
  const char* fileName = settings.inputFile.c_str();
  gzFile in = isDirectory(fileName) ? nullptr : gzopen(fileName, "rb");
  if (in == nullptr) endWithComment(1, "ERROR! Could not open file: %s", fileName);
  int format = solvers[0]->inputFormat;
  if (format == formatCnf || format == formatWcnf) {
    parse_DIMACS(in, solvers, nbThreads);
    if (gzclose(in) != Z_OK) endWithComment(3, "PARSE ERROR! Cannot read the input file %s", fileName);
    return;
  }
  gzclose(in);
  comment("Parsing %s file format. File %s.", format == formatOpb ? "opb" : "ruk", fileName);
  RUKSolverPBSink sink(solvers, nbThreads);
  ParserPB opbReader(sink);
  ParserRUK rukReader(sink);
  const int code = format == formatOpb ? opbReader.load(fileName) : rukReader.load(fileName);
  // The part read before a malformed line is not the problem: never solve it.
  if (code == parseUnreadable) endProcess(1);
  if (code != parseOk) endProcess(3);
}

void* startThreads(void* arg) {
  const int tid = (int)(intptr_t)arg;
  solvers[tid]->tid = tid;
  solvers[tid]->solve();
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  struct timeval start;
  gettimeofday(&start, nullptr);
  endRunOnFailedAllocation();
  startSignalThread(start);
  Settings settings;
  const char* programName = argc > 0 ? argv[0] : "quon";

  handleCommandLine(getThreadInfo(argc, argv), programName);

  solvers = new RUKSolver*[nbThreads];
  for (int i = 0; i < nbThreads; i++) {
    solvers[i] = new RUKSolver();
    solvers[i]->inputFormat = formatWcnf;
    solvers[i]->solver->timeLimit = (int)Settings::defaultTimeLimit;
  }

  handleCommandLine(parseCommandLine(argc, argv, settings), programName);
  for (int i = 0; i < nbThreads; i++) {
    solvers[i]->inputFormat = settings.inputFormat;
    solvers[i]->solver->timeLimit = settings.solverTimeLimit;
  }
  handleCommandLine(deriveLbTimeLimit(settings), programName);

  coop = new Cooperation(nbThreads, limitExport);
  coop->timeLimit = settings.timeLimit;
  coop->parts = settings.parts;
  coop->partitionedSearch = settings.searchMode != searchNormal;
  coop->searchModeSetting = settings.searchMode;
  // What the signal thread reads is written before it is handed the object.
  for (int i = 0; i < nbThreads; i++) coop->startTime[i] = start;
  coop->quiet = settings.verbosity == 0;
  coop->verbosityLevel = settings.verbosity;

  // The start gate is closed from its construction; the set-up thread opens it.
  coop->lbTimeLimit = settings.lbTimeLimit;
  coop->ubTimeLimit = settings.timeLimit - settings.lbTimeLimit;
  coop->encoding[0] = settings.amo;
  coop->encoding[1] = settings.amk;

  // The signal thread may print a result through the first driver from now on.
  for (int i = 0; i < nbThreads; i++) solvers[i]->coop = coop;
  publishToSignalThread(coop, solvers);

  for (int i = 0; i < nbThreads; i++) solvers[i]->init();
  solvers[0]->reportSolverVersion();

  startReadingClock(coop);
  parseInputFile(settings);

  coop->typeLearning = 4;
  coop->typeInterval = 100;
  for (int i = 0; i < nbThreads; i++) coop->periodLength[i] = 100;

  solvers[0]->reportStatistics(coop->startTime[nbThreads - 1]);

  for (int i = 0; i < nbThreads; i++) solvers[i]->preprocess = settings.pre == 1;
  coop->preprocessor = settings.pre == 1;

  pthread_t threads[nbThreads];
  for (int i = 0; i < nbThreads; i++) {
    if (pthread_create(&threads[i], nullptr, startThreads, (void*)(intptr_t)i) != 0)
      endWithComment(1, "Error: cannot start search thread %d", i);
  }
  // A worker ends the process with the answer; both return only when some
  // other thread has claimed the output, and then this waits for its end.
  for (int i = 0; i < nbThreads; i++) pthread_join(threads[i], nullptr);
  claimOutputOrWait();
  printStats();
  endProcess(0);
}
