// The option parser: the codes of every value, the edges of the numeric options,
// and the lower-bound half rule (error lines and statuses: e2e_test.cc).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/Options.h"

namespace {

struct Parsed {
  Settings settings;
  CommandLineResult result;
};

// Parses "quon <words...> file.wcnf" (without the file when withFile is false).
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

TEST(CommandLineOptions, EveryValueHasItsCode) {
  const std::vector<std::string> formats = {"cnf", "wcnf", "opb", "ruk"},
                                 modes = {"normal", "part-weight", "part-graph", "part-dyn"},
                                 amo = {"pairwise",   "ladder",    "bitwise", "commander", "product",
                                        "sequential", "totalizer", "sorters", "pb"},
                                 amk = {"pb", "sequential", "totalizer", "sorters", "dyn"};
  for (int code = 0; code < 4; code++) {
    EXPECT_EQ(parse({"-file-format=" + formats[code]}).settings.inputFormat, code);
    EXPECT_EQ(parse({"-lb-search-mode=" + modes[code]}).settings.searchMode, code);
  }
  for (int code = 0; code < 5; code++) EXPECT_EQ(parse({"-enc-ub=" + amk[code]}).settings.amk, code);
  for (int code = 0; code < 9; code++) EXPECT_EQ(parse({"-enc-lb=" + amo[code]}).settings.amo, code);
  EXPECT_EQ(parse({"-preprocessor=no"}).settings.pre, 0);
  EXPECT_EQ(parse({"-verbosity=0"}).settings.verbosity, 0);
  Parsed last = parse({"-enc-lb=ladder", "-enc-lb=totalizer", "-time-limit=10", "-time-limit=20"});
  EXPECT_EQ(last.settings.amo, 6);
  EXPECT_EQ(last.settings.timeLimit, 20.0);
}

TEST(CommandLineOptions, NumericEdges) {
  Parsed parsed = parse({"-time-limit=7.9", "-lb-cpu-time=3"});
  EXPECT_EQ(parsed.settings.timeLimit, 7.9);
  EXPECT_EQ(parsed.settings.solverTimeLimit, 7);
  EXPECT_TRUE(parsed.settings.setLbTimeLimit);
  EXPECT_EQ(parse({"-time-limit=2147483647"}).settings.solverTimeLimit, 2147483647);
  EXPECT_EQ(parse({"-part-graph=2"}).settings.parts, 2);
  EXPECT_EQ(parse({"-part-graph=1000000"}).settings.parts, 1000000);
  for (const char* v : {"inf", "-inf", "INF", "nan", "NaN", "2147483648", "1e10", "1e300", "-5"})
    EXPECT_EQ(errorOf({std::string("-time-limit=") + v}), std::string("ERROR! illegal time limit constant ") + v);
  for (const char* v : {"0", "inf", "nan", "1e300"})
    EXPECT_EQ(errorOf({std::string("-lb-cpu-time=") + v}), std::string("ERROR! illegal cpu time for lb ") + v);
  for (const char* v : {"-3", "x", "1000001", "99999999999"})
    EXPECT_EQ(errorOf({std::string("-part-graph=") + v}), std::string("ERROR! illegal number of partitions constant ") + v);
  // Without a number the message shows the value held before.
  EXPECT_EQ(errorOf({"-verbosity=0", "-verbosity=x"}), "ERROR! illegal verbosity value 0");
  EXPECT_EQ(errorOf({"-preprocessor=no", "-preprocessor=Yes"}), "ERROR! illegal preprocessor value 0");
}

TEST(CommandLineOptions, HelpAndMissingFile) {
  EXPECT_EQ(parse({"-h"}, false).result.outcome, CommandLine::Help);
  EXPECT_EQ(parse({"-h", "-foo"}).result.outcome, CommandLine::Help);
  EXPECT_EQ(errorOf({"-hx"}), "ERROR! unknown flag -hx");
  EXPECT_EQ(parse({"-verbosity=0"}, false).result.outcome, CommandLine::NoInputFile);
  EXPECT_EQ(parse({"-verbosity=0", "a.wcnf", "b.wcnf"}, false).settings.inputFile, "a.wcnf");
}

// Without -lb-cpu-time= the lower-bound budget is half the time limit, in
// whole seconds; a given budget is kept, and refused above the time limit.
TEST(LbTimeLimit, HalfOfTheTimeLimitUnlessGiven) {
  for (auto [limit, half] : std::vector<std::pair<double, double>>{
           {100, 50}, {7.9, 3}, {1, 0}, {1801, 900}, {0.5, 0}, {2147483647, 1073741823}}) {
    Settings s;
    s.timeLimit = limit;
    EXPECT_EQ(deriveLbTimeLimit(s).outcome, CommandLine::Run);
    EXPECT_EQ(s.lbTimeLimit, half) << limit;
  }
  Parsed given = parse({"-time-limit=100", "-lb-cpu-time=30"});
  EXPECT_EQ(deriveLbTimeLimit(given.settings).outcome, CommandLine::Run);
  EXPECT_EQ(given.settings.lbTimeLimit, 30.0);
  Parsed rounded = parse({"-time-limit=100", "-lb-cpu-time=200.6"});
  EXPECT_EQ(deriveLbTimeLimit(rounded.settings).message, "ERROR! illegal cpu time for lb 201");
}

}  // namespace
