// The option parser: accepted values, the exact error messages, the thread
// pre-scan, the lower-bound half rule, and the usage text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/Options.h"

namespace {

struct Parsed {
  Settings settings;
  CommandLineResult result;
};

// Parses "quon <words...> file.wcnf" (the file is left out with withFile false).
Parsed parse(const std::vector<std::string>& words, bool withFile = true) {
  std::vector<const char*> argv = {"quon"};
  for (const auto& w : words) argv.push_back(w.c_str());
  if (withFile) argv.push_back("file.wcnf");
  Parsed parsed;
  parsed.result = parseCommandLine((int)argv.size(), argv.data(), parsed.settings);
  return parsed;
}

std::string errorOf(const std::vector<std::string>& words) {
  Parsed parsed = parse(words);
  EXPECT_EQ(parsed.result.outcome, CommandLine::Error) << words[0];
  return parsed.result.message;
}

TEST(CommandLineOptions, DefaultsWithOnlyAFile) {
  Parsed parsed = parse({});
  ASSERT_EQ(parsed.result.outcome, CommandLine::Run);
  const Settings& s = parsed.settings;
  EXPECT_EQ(s.nbThreads, 2);
  EXPECT_EQ(s.timeLimit, 1800.0);
  EXPECT_EQ(s.lbTimeLimit, 900.0);
  EXPECT_FALSE(s.setLbTimeLimit);
  EXPECT_EQ(s.amo, 8);
  EXPECT_EQ(s.amk, 4);
  EXPECT_EQ(s.searchMode, 0);
  EXPECT_EQ(s.parts, 16);
  EXPECT_EQ(s.pre, 1);
  EXPECT_EQ(s.verbosity, 1);
  EXPECT_EQ(s.inputFormat, 1);
  EXPECT_EQ(s.solverTimeLimit, 1800);
  EXPECT_EQ(s.programName, "quon");
  EXPECT_EQ(s.inputFile, "file.wcnf");
  EXPECT_EQ(s.keptWords, 2);
}

TEST(CommandLineOptions, FileFormatValuesAndCodes) {
  const char* names[] = {"cnf", "wcnf", "opb", "ruk"};
  for (int code = 0; code < 4; code++)
    EXPECT_EQ(parse({std::string("-file-format=") + names[code]}).settings.inputFormat, code);
  EXPECT_EQ(errorOf({"-file-format=CNF"}), "ERROR! illegal file format CNF");
  EXPECT_EQ(errorOf({"-file-format="}), "ERROR! illegal file format ");
  EXPECT_EQ(errorOf({"-file-format=cnfx"}), "ERROR! illegal file format cnfx");
}

TEST(CommandLineOptions, SearchModeValuesAndCodes) {
  const char* names[] = {"normal", "part-weight", "part-graph", "part-dyn"};
  for (int code = 0; code < 4; code++)
    EXPECT_EQ(parse({std::string("-lb-search-mode=") + names[code]}).settings.searchMode, code);
  EXPECT_EQ(errorOf({"-lb-search-mode=Normal"}), "ERROR! illegal value for search mode Normal");
}

TEST(CommandLineOptions, AtMostOneEncodingValuesAndCodes) {
  const char* names[] = {"pairwise",   "ladder",    "bitwise", "commander", "product",
                         "sequential", "totalizer", "sorters", "pb"};
  for (int code = 0; code < 9; code++)
    EXPECT_EQ(parse({std::string("-enc-lb=") + names[code]}).settings.amo, code);
  EXPECT_EQ(errorOf({"-enc-lb=dyn"}), "ERROR! illegal at-most-one kind of encoding dyn");
}

TEST(CommandLineOptions, AtMostKEncodingValuesAndCodes) {
  const char* names[] = {"pb", "sequential", "totalizer", "sorters", "dyn"};
  for (int code = 0; code < 5; code++)
    EXPECT_EQ(parse({std::string("-enc-ub=") + names[code]}).settings.amk, code);
  EXPECT_EQ(errorOf({"-enc-ub=ladder"}), "ERROR! illegal at-most-k kind of encoding ladder");
}

TEST(CommandLineOptions, VerbosityTakesZeroOrOne) {
  EXPECT_EQ(parse({"-verbosity=0"}).settings.verbosity, 0);
  EXPECT_EQ(parse({"-verbosity=1"}).settings.verbosity, 1);
  EXPECT_EQ(parse({"-verbosity=1x"}).settings.verbosity, 1);  // text after the number is ignored
  EXPECT_EQ(errorOf({"-verbosity=2"}), "ERROR! illegal verbosity value 2");
  EXPECT_EQ(errorOf({"-verbosity=-1"}), "ERROR! illegal verbosity value -1");
}

TEST(CommandLineOptions, VerbosityWithoutNumberShowsTheValueHeldBefore) {
  EXPECT_EQ(errorOf({"-verbosity=x"}), "ERROR! illegal verbosity value 1");
  EXPECT_EQ(errorOf({"-verbosity=0", "-verbosity=x"}), "ERROR! illegal verbosity value 0");
}

TEST(CommandLineOptions, TimeLimitIsPositiveAndTruncatedForTheSolver) {
  Parsed parsed = parse({"-time-limit=7.9"});
  ASSERT_EQ(parsed.result.outcome, CommandLine::Run);
  EXPECT_EQ(parsed.settings.timeLimit, 7.9);
  EXPECT_EQ(parsed.settings.solverTimeLimit, 7);
  EXPECT_EQ(parse({"-time-limit=10s"}).settings.timeLimit, 10.0);
  EXPECT_EQ(parse({"-time-limit=0.5"}).settings.solverTimeLimit, 0);
  EXPECT_EQ(parse({"-time-limit=2147483647"}).settings.solverTimeLimit, 2147483647);
  EXPECT_EQ(errorOf({"-time-limit=0"}), "ERROR! illegal time limit constant 0");
  EXPECT_EQ(errorOf({"-time-limit=-5"}), "ERROR! illegal time limit constant -5");
  EXPECT_EQ(errorOf({"-time-limit=abc"}), "ERROR! illegal time limit constant abc");
}

TEST(CommandLineOptions, TimeLimitRefusesNonFiniteAndHugeValues) {
  for (const char* value : {"inf", "INF", "infinity", "-inf", "nan", "NaN", "1e300", "2147483648", "1e10"})
    EXPECT_EQ(errorOf({std::string("-time-limit=") + value}), std::string("ERROR! illegal time limit constant ") + value);
}

TEST(CommandLineOptions, LbCpuTimeIsPositiveFiniteAndMarkedAsGiven) {
  Parsed parsed = parse({"-lb-cpu-time=30"});
  EXPECT_EQ(parsed.settings.lbTimeLimit, 30.0);
  EXPECT_TRUE(parsed.settings.setLbTimeLimit);
  for (const char* value : {"0", "-1", "x", "inf", "nan", "1e300"})
    EXPECT_EQ(errorOf({std::string("-lb-cpu-time=") + value}), std::string("ERROR! illegal cpu time for lb ") + value);
}

TEST(CommandLineOptions, PreprocessorYesOrNo) {
  EXPECT_EQ(parse({"-preprocessor=no"}).settings.pre, 0);
  EXPECT_EQ(parse({"-preprocessor=no", "-preprocessor=yes"}).settings.pre, 1);
  EXPECT_EQ(errorOf({"-preprocessor=maybe"}), "ERROR! illegal preprocessor value 1");
  EXPECT_EQ(errorOf({"-preprocessor=no", "-preprocessor=Yes"}), "ERROR! illegal preprocessor value 0");
}

TEST(CommandLineOptions, PartGraphNeedsAtLeastTwoParts) {
  EXPECT_EQ(parse({"-part-graph=2"}).settings.parts, 2);
  EXPECT_EQ(parse({"-part-graph=64"}).settings.parts, 64);
  EXPECT_EQ(parse({"-part-graph=1000000"}).settings.parts, 1000000);
  for (const char* value : {"1", "0", "-3", "x", "1000001", "99999999999"})
    EXPECT_EQ(errorOf({std::string("-part-graph=") + value}),
              std::string("ERROR! illegal number of partitions constant ") + value);
}

TEST(CommandLineOptions, HelpOptionsMatchWholeWordsOnly) {
  for (const char* word : {"-h", "-help", "--help"}) EXPECT_EQ(parse({word}).result.outcome, CommandLine::Help);
  EXPECT_EQ(parse({"-h"}, false).result.outcome, CommandLine::Help);
  EXPECT_EQ(errorOf({"-hx"}), "ERROR! unknown flag -hx");
  EXPECT_EQ(errorOf({"--h"}), "ERROR! unknown flag --h");
}

TEST(CommandLineOptions, FirstErrorWinsOverALaterHelp) {
  EXPECT_EQ(errorOf({"-foo", "-h"}), "ERROR! unknown flag -foo");
  EXPECT_EQ(parse({"-h", "-foo"}).result.outcome, CommandLine::Help);
}

TEST(CommandLineOptions, UnknownFlagsIncludingThread) {
  EXPECT_EQ(errorOf({"-thread=2"}), "ERROR! unknown flag -thread=2");
  EXPECT_EQ(errorOf({"-"}), "ERROR! unknown flag -");
  EXPECT_EQ(errorOf({"-time-limit"}), "ERROR! unknown flag -time-limit");
}

TEST(CommandLineOptions, MissingInputFile) {
  EXPECT_EQ(parse({}, false).result.outcome, CommandLine::NoInputFile);
  EXPECT_EQ(parse({"-verbosity=0"}, false).result.outcome, CommandLine::NoInputFile);
}

TEST(CommandLineOptions, SecondFileNameIsIgnored) {
  Parsed parsed = parse({"first.wcnf"});  // "file.wcnf" comes second
  ASSERT_EQ(parsed.result.outcome, CommandLine::Run);
  EXPECT_EQ(parsed.settings.inputFile, "first.wcnf");
  EXPECT_EQ(parsed.settings.keptWords, 3);
  EXPECT_EQ(parse({"-verbosity=0", "a.wcnf", "b.wcnf"}, false).settings.inputFile, "a.wcnf");
}

TEST(CommandLineOptions, LastOccurrenceWins) {
  Parsed parsed = parse({"-enc-lb=ladder", "-enc-lb=totalizer", "-time-limit=10", "-time-limit=20"});
  EXPECT_EQ(parsed.settings.amo, 6);
  EXPECT_EQ(parsed.settings.timeLimit, 20.0);
}

TEST(ThreadPreScan, RefusesThreadCountsBelowOne) {
  const char* zero[] = {"quon", "f.wcnf", "-thread=0"};
  CommandLineResult result = getThreadInfo(3, zero);
  EXPECT_EQ(result.outcome, CommandLine::Error);
  EXPECT_EQ(result.message, "ERROR! illegal number of threads 0");
  const char* letter[] = {"quon", "-foo", "-thread=x"};
  EXPECT_EQ(getThreadInfo(3, letter).message, "ERROR! illegal number of threads x");
  const char* two[] = {"quon", "-thread=2"};
  EXPECT_EQ(getThreadInfo(2, two).outcome, CommandLine::Run);
  const char* trailing[] = {"quon", "-thread=3abc"};
  EXPECT_EQ(getThreadInfo(2, trailing).outcome, CommandLine::Run);
}

Settings withLimits(double timeLimit, double lbTimeLimit, bool lbGiven) {
  Settings s;
  s.timeLimit = timeLimit;
  s.lbTimeLimit = lbTimeLimit;
  s.setLbTimeLimit = lbGiven;
  return s;
}

TEST(LbTimeLimit, HalfOfTheTimeLimitInWholeSeconds) {
  struct {
    double timeLimit, expected;
  } cases[] = {{100, 50}, {7.9, 3}, {1, 0}, {1801, 900}, {5, 2}, {0.5, 0}, {2147483647, 1073741823}};
  for (auto c : cases) {
    Settings s = withLimits(c.timeLimit, 900, false);
    EXPECT_EQ(deriveLbTimeLimit(s).outcome, CommandLine::Run);
    EXPECT_EQ(s.lbTimeLimit, c.expected) << c.timeLimit;
  }
}

TEST(LbTimeLimit, ExplicitDefaultTimeLimitKeepsTheDefaultBudget) {
  Parsed parsed = parse({"-time-limit=1800"});
  EXPECT_EQ(deriveLbTimeLimit(parsed.settings).outcome, CommandLine::Run);
  EXPECT_EQ(parsed.settings.lbTimeLimit, 900.0);
}

TEST(LbTimeLimit, GivenBudgetIsKept) {
  Parsed parsed = parse({"-time-limit=100", "-lb-cpu-time=30"});
  EXPECT_EQ(deriveLbTimeLimit(parsed.settings).outcome, CommandLine::Run);
  EXPECT_EQ(parsed.settings.lbTimeLimit, 30.0);
}

TEST(LbTimeLimit, BudgetAboveTheTimeLimitIsRefused) {
  Parsed parsed = parse({"-time-limit=100", "-lb-cpu-time=200"});
  CommandLineResult result = deriveLbTimeLimit(parsed.settings);
  EXPECT_EQ(result.outcome, CommandLine::Error);
  EXPECT_EQ(result.message, "ERROR! illegal cpu time for lb 200");
  Parsed alone = parse({"-lb-cpu-time=2000"});
  EXPECT_EQ(deriveLbTimeLimit(alone.settings).message, "ERROR! illegal cpu time for lb 2000");
  Parsed rounded = parse({"-time-limit=100", "-lb-cpu-time=200.6"});
  EXPECT_EQ(deriveLbTimeLimit(rounded.settings).message, "ERROR! illegal cpu time for lb 201");
}

TEST(Usage, TextIsExact) {
  const std::string expected =
      "c USAGE: ./quon [options] <input-file>\n"
      "\n"
      "c OPTIONS:\n"
      "\n"
      "c   -file-format    = {cnf,wcnf,opb,ruk} (default wcnf)\n"
      "c   -lb-search-mode = {normal,part-weight,part-graph,part-dyn} (default normal)\n"
      "c   -part-graph     = <num> (only for lb search mode 'part-graph' and 'part-dyn', default 16)\n"
      "c   -preprocessor   = {no,yes} (default yes)\n"
      "c   -enc-lb         = {pairwise,ladder,bitwise,commander,product,sequential,totalizer,sorters,pb} (default pb)\n"
      "c   -enc-ub         = {sequential,totalizer,sorters,pb,dyn} (default dyn)\n"
      "c   -time-limit     = <num> (default 1800 sec.)\n"
      "c   -lb-cpu-time    = <num> (default 900 sec. Note: ub cpu time is given by (time limit) - (lb cpu time)\n"
      "c   -verbosity      = {0,1} (default 1)\n"
      "c \n";
  EXPECT_EQ(usageText("./quon"), expected);
}

TEST(HasPrefix, ReturnsTheRestOrNull) {
  EXPECT_STREQ(hasPrefix("-enc-lb=pb", "-enc-lb="), "pb");
  EXPECT_STREQ(hasPrefix("-enc-lb=", "-enc-lb="), "");
  EXPECT_EQ(hasPrefix("-enc-l", "-enc-lb="), nullptr);
}

}  // namespace
