#include "frontend/Options.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

CommandLineResult ok() { return CommandLineResult(); }

CommandLineResult error(const char* format, ...) __attribute__((format(printf, 1, 2)));

CommandLineResult error(const char* format, ...) {
  char text[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  CommandLineResult result;
  result.outcome = CommandLine::Error;
  result.message = text;
  return result;
}

// Reads a leading decimal integer the way sscanf's "%d" finds one (blanks,
// an optional sign, digits; the rest of the text ignored), but without its
// undefined overflow: values beyond 2^62 saturate, which every caller
// refuses as out of range. False when the text does not start with a number.
bool readInt(const char* text, long long& value) {
  while (isspace((unsigned char)*text)) text++;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  if (!isdigit((unsigned char)*text)) return false;
  long long magnitude = 0;
  for (; isdigit((unsigned char)*text); text++)
    if (magnitude < (1LL << 62)) magnitude = magnitude * 10 + (*text - '0');
  value = negative ? -magnitude : magnitude;
  return true;
}

// Reads a leading floating-point number as sscanf's "%lf" does. False when
// the text does not start with a number.
bool readDouble(const char* text, double& value) {
  char* end;
  value = strtod(text, &end);
  return end != text;
}

// A time limit in seconds: finite, above 0, and small enough that its whole
// seconds fit in an int (they are converted to one).
bool validSeconds(const char* text, double& seconds) {
  return readDouble(text, seconds) && std::isfinite(seconds) && seconds > 0 && seconds <= (double)INT_MAX;
}

// The index of value in the null-terminated list names, or -1.
int lookUp(const char* value, const char* const* names) {
  for (int i = 0; names[i] != nullptr; i++)
    if (strcmp(value, names[i]) == 0) return i;
  return -1;
}

const char* const fileFormats[] = {"cnf", "wcnf", "opb", "ruk", nullptr};
const char* const searchModes[] = {"normal", "part-weight", "part-graph", "part-dyn", nullptr};
const char* const amoEncodings[] = {"pairwise",   "ladder",    "bitwise", "commander", "product",
                                    "sequential", "totalizer", "sorters", "pb",        nullptr};
const char* const amkEncodings[] = {"pb", "sequential", "totalizer", "sorters", "dyn", nullptr};

}  // namespace

const char* hasPrefix(const char* word, const char* prefix) {
  size_t length = strlen(prefix);
  return strncmp(word, prefix, length) == 0 ? word + length : nullptr;
}

CommandLineResult getThreadInfo(int argc, const char* const* argv) {
  for (int i = 0; i < argc; i++) {
    const char* value = hasPrefix(argv[i], "-thread=");
    if (value == nullptr) continue;
    long long threads;
    if (!readInt(value, threads) || threads < 1) return error("ERROR! illegal number of threads %s", value);
  }
  return ok();
}

CommandLineResult parseCommandLine(int argc, const char* const* argv, Settings& settings) {
  for (int i = 0; i < argc; i++) {
    const char* word = argv[i];
    const char* value;
    if ((value = hasPrefix(word, "-file-format="))) {
      int format = lookUp(value, fileFormats);
      if (format < 0) return error("ERROR! illegal file format %s", value);
      settings.inputFormat = format;
    } else if ((value = hasPrefix(word, "-lb-search-mode="))) {
      int mode = lookUp(value, searchModes);
      if (mode < 0) return error("ERROR! illegal value for search mode %s", value);
      settings.searchMode = (SearchMode)mode;
    } else if ((value = hasPrefix(word, "-enc-lb="))) {
      int kind = lookUp(value, amoEncodings);
      if (kind < 0) return error("ERROR! illegal at-most-one kind of encoding %s", value);
      settings.amo = (AtMostOne)kind;
    } else if ((value = hasPrefix(word, "-enc-ub="))) {
      int kind = lookUp(value, amkEncodings);
      if (kind < 0) return error("ERROR! illegal at-most-k kind of encoding %s", value);
      settings.amk = (AtMostK)kind;
    } else if ((value = hasPrefix(word, "-verbosity="))) {
      // The message shows the number read, or the value held before when
      // there was none.
      long long level = settings.verbosity;
      bool read = readInt(value, level);
      if (!read || (level != 0 && level != 1)) return error("ERROR! illegal verbosity value %lld", level);
      settings.verbosity = (int)level;
    } else if ((value = hasPrefix(word, "-time-limit="))) {
      double seconds;
      if (!validSeconds(value, seconds)) return error("ERROR! illegal time limit constant %s", value);
      settings.timeLimit = seconds;
      settings.solverTimeLimit = (int)seconds;
    } else if ((value = hasPrefix(word, "-lb-cpu-time="))) {
      double seconds;
      if (!validSeconds(value, seconds)) return error("ERROR! illegal cpu time for lb %s", value);
      settings.lbTimeLimit = seconds;
      settings.setLbTimeLimit = true;
    } else if (strcmp(word, "-h") == 0 || strcmp(word, "-help") == 0 || strcmp(word, "--help") == 0) {
      CommandLineResult result;
      result.outcome = CommandLine::Help;
      return result;
    } else if ((value = hasPrefix(word, "-preprocessor="))) {
      if (strcmp(value, "yes") == 0)
        settings.pre = 1;
      else if (strcmp(value, "no") == 0)
        settings.pre = 0;
      else
        return error("ERROR! illegal preprocessor value %d", settings.pre);
    } else if ((value = hasPrefix(word, "-part-graph="))) {
      // Fewer than two parts is no partition; the partitioner would refuse
      // it only after the set-up, so it is refused here.
      long long parts;
      if (!readInt(value, parts) || parts < 2 || parts > maxParts)
        return error("ERROR! illegal number of partitions constant %s", value);
      settings.parts = (int)parts;
    } else if (word[0] == '-') {
      return error("ERROR! unknown flag %s", word);
    } else {
      if (settings.keptWords == 0)
        settings.programName = word;
      else if (settings.keptWords == 1)
        settings.inputFile = word;
      settings.keptWords++;
    }
  }
  if (settings.keptWords <= 1) {
    CommandLineResult result;
    result.outcome = CommandLine::NoInputFile;
    return result;
  }
  return ok();
}

CommandLineResult deriveLbTimeLimit(Settings& settings) {
  if (settings.timeLimit != Settings::defaultTimeLimit && !settings.setLbTimeLimit)
    settings.lbTimeLimit = (double)(int)floor(settings.timeLimit * 0.5);
  if (settings.lbTimeLimit > settings.timeLimit)
    return error("ERROR! illegal cpu time for lb %0.f", settings.lbTimeLimit);
  return ok();
}

std::string usageText(const std::string& programName) {
  std::string text = "c USAGE: " + programName + " [options] <input-file>\n\n";
  text +=
      "c OPTIONS:\n\n"
      "c   -file-format    = {cnf,wcnf,opb,ruk} (default wcnf)\n"
      "c   -lb-search-mode = {normal,part-weight,part-graph,part-dyn} (default normal)\n"
      "c   -part-graph     = <num> (only for lb search mode 'part-graph' and 'part-dyn', default 16)\n"
      "c   -preprocessor   = {no,yes} (default yes)\n"
      "c   -enc-lb         = {pairwise,ladder,bitwise,commander,product,sequential,totalizer,sorters,pb} "
      "(default pb)\n"
      "c   -enc-ub         = {sequential,totalizer,sorters,pb,dyn} (default dyn)\n"
      "c   -time-limit     = <num> (default 1800 sec.)\n"
      "c   -lb-cpu-time    = <num> (default 900 sec. Note: ub cpu time is given by (time limit) - (lb cpu time)\n"
      "c   -verbosity      = {0,1} (default 1)\n"
      "c \n";
  return text;
}
