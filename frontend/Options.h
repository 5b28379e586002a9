// The command line: the run settings, their defaults, and the option parser.
//
// The parser itself prints nothing and never ends the process: it returns
// what the command line asks for (run, help, an error with its message, or a
// line without an input file), and main prints and exits. That keeps every
// message and every exit status testable without running a process.
#pragma once

#include <string>

#include "driver/Kinds.h"
#include "solver/Kinds.h"

// The largest -part-graph= value taken: far beyond any useful partition count,
// small enough that the partitioner's per-part tables stay affordable.
const int maxParts = 1000000;

struct Settings {
  static constexpr double defaultTimeLimit = 1800.0;
  static constexpr double defaultLbTimeLimit = 900.0;

  double timeLimit = defaultTimeLimit;
  double lbTimeLimit = defaultLbTimeLimit;
  bool setLbTimeLimit = false;
  AtMostOne amo = amoPb;
  AtMostK amk = amkDyn;
  SearchMode searchMode = searchNormal;
  int parts = 16;
  int pre = 1;
  int verbosity = 1;
  int inputFormat = 1;  // wcnf
  // Each working solver's time limit: -time-limit= truncated to whole seconds.
  int solverTimeLimit = (int)defaultTimeLimit;

  std::string programName;
  std::string inputFile;
  int keptWords = 0;  // words not beginning with "-", the program name included
};

enum class CommandLine { Run, Help, Error, NoInputFile };

struct CommandLineResult {
  CommandLine outcome = CommandLine::Run;
  std::string message;  // the error text, without "c " and newline
};

// The text after prefix when word begins with it, else null.
const char* hasPrefix(const char* word, const char* prefix);

// The "-thread=" pre-scan over every word, the program name included: each
// such word must carry a whole number of at least 1. Error or Run.
CommandLineResult getThreadInfo(int argc, const char* const* argv);

// Parses every word left to right into settings, stopping at the first error.
// Does not apply the lower-bound half rule (see deriveLbTimeLimit).
CommandLineResult parseCommandLine(int argc, const char* const* argv, Settings& settings);

// The lower-bound budget: half the time limit, in whole seconds, unless given
// explicitly or the time limit is the default. Error when it exceeds the time
// limit.
CommandLineResult deriveLbTimeLimit(Settings& settings);

// The usage lines after the version box, exactly as printed: each line
// starts with "c " except the blank lines that follow the first two.
std::string usageText(const std::string& programName);
