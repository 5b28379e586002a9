// The OPB and RUK readers on their own: what they hand over, call by call,
// for the format's examples and for every kind of malformed input, with the
// exact lines they print.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/RUKSolver.h"
#include "frontend/ParserRUK.h"
#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

// Records every call as one line of text; literals by name ("~x" negated),
// helper variables as "#1", "#2", ...; the literals of a clause and the terms
// of equal coefficient sorted, since their order carries no meaning.
class RecordingSink : public PBSink {
 public:
  std::vector<std::string> names;
  std::vector<std::string> calls;
  int helpers = 0;

  Var newVariable(const char* name) override {
    names.push_back(name != nullptr ? name : "#" + std::to_string(++helpers));
    return (Var)names.size() - 1;
  }
  void addClause(const vec<Lit>& lits, Cost weight) override {
    std::vector<std::string> items;
    for (int i = 0; i < lits.size(); i++) items.push_back(text(lits[i]));
    std::sort(items.begin(), items.end());
    std::string line = "clause";
    for (const auto& item : items) line += " " + item;
    calls.push_back(line + weightText(weight));
  }
  void addPBConstraint(const vec<Lit>& lits, const vec<unsigned>& coeffs, int64_t rhs, Cost weight) override {
    std::vector<std::pair<unsigned, std::string>> items;
    for (int i = 0; i < lits.size(); i++) items.push_back({coeffs[i], text(lits[i])});
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::string line = "pb";
    for (const auto& item : items) line += " " + std::to_string(item.first) + " " + item.second;
    calls.push_back(line + " >= " + std::to_string(rhs) + weightText(weight));
  }
  void addObjectiveTerm(Lit l, Cost weight) override { calls.push_back("cost " + text(l) + " " + std::to_string(weight)); }
  void addObjectiveConstant(Cost constant) override { calls.push_back("offset " + std::to_string(constant)); }
  void setSoftLimit(Cost limit) override { calls.push_back("limit " + std::to_string(limit)); }

 private:
  std::string text(Lit l) const { return (sign(l) ? "~" : "") + names[(size_t)var(l)]; }
  static std::string weightText(Cost weight) { return weight == PBSink::hard ? "" : " [" + std::to_string(weight) + "]"; }
};

struct Reading {
  int code;
  std::string out;  // what the reader printed
  std::vector<std::string> calls;
  std::vector<std::string> names;
};

Reading read(const std::string& text, bool ruk = false) {
  RecordingSink sink;
  ParserPB opb(sink);
  ParserRUK soft(sink);
  testing::internal::CaptureStdout();
  const int code = ruk ? soft.loadText(text) : opb.loadText(text);
  return {code, testing::internal::GetCapturedStdout(), sink.calls, sink.names};
}

std::string ok(const std::string& sum) { return "c Highest Coefficient sum: " + sum + "\n"; }
std::string failure(int code, int line, const std::string& message = "") {
  return (message.empty() ? "" : "c " + message + "\n") + "c Parse Error " + std::to_string(code) + "\nc Line: " +
         std::to_string(line) + "\n";
}
const std::string tooBig = "Integer values too big to handle... ";

struct Case {
  std::string text;
  std::vector<std::string> calls;
  std::string out;
};

void expectReadings(bool ruk, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    Reading r = read(c.text, ruk);
    EXPECT_EQ(r.calls, c.calls) << c.text;
    EXPECT_EQ(r.out, c.out) << c.text;
    const size_t error = c.out.find("Parse Error ");
    EXPECT_EQ(r.code, error == std::string::npos ? 0 : std::stoi(c.out.substr(error + 12))) << c.text;
  }
}

// A variable whose name could not be copied would be left out of the model
// line: the run ends as out of memory instead.
void nameVariableWithoutMemory() {
  const std::string name(256u << 20, 'x');
  RUKSolver solver;
  RUKSolver* solvers[] = {&solver};
  RUKSolverPBSink sink(solvers, 1);
  limitAddressSpaceTo(64u << 20);
  sink.newVariable(name.c_str());
  fprintf(stderr, "name %s\n", solver.varNames.back() == nullptr ? "lost" : "kept");
  exit(7);
}

TEST(PBSinkIntake, NameThatCannotBeCopiedEndsAsOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
  EXPECT_EXIT(nameVariableWithoutMemory(), ::testing::ExitedWithCode(1), "c Error: out of memory");
}

TEST(OpbReader, ObjectiveBecomesSoftUnitsAndAnOffset) {
  expectReadings(false, {
      {"min: +2 x1 -3 x2 +4 ~x3 ;\n", {"cost x3 4", "cost x2 3", "cost ~x1 2", "offset -3"},
       "c Cost Offset: -3\n" + ok("0")},
      // Terms after a ";" still belong to the objective; constants go to the offset.
      {"min: +1 x ; +2 y +5 ;\n", {"cost ~y 2", "cost ~x 1", "offset 5"}, "c Cost Offset: 5\n" + ok("0")},
      // max: f is minimised as -f.
      {"max: +1 x -2 y +3 ;\n", {"cost ~y 2", "cost x 1", "offset -4"}, "c Cost Offset: -4\n" + ok("0")},
      // Only the first line can be the objective; a later one is a constraint on "min:".
      {"+1 x >= 1 ;\nmin: +1 x ;\n", {"clause x"}, failure(4, 2)},
      {"min: +1 x +1 ~x ;\n", {"offset 1"}, "c Cost Offset: 1\n" + ok("0")},
      // A ";" ends a name when a blank, the line end, a ";" or a "*" follows it.
      {"min: +1 x; +2 y;\n", {"cost ~y 2", "cost ~x 1", "offset 0"}, "c Cost Offset: 0\n" + ok("0")},
      // A factor of a product starts with a letter or "~": "_y" is a term of its own.
      {"min: +1 x _y ;\n", {"cost ~_y 1", "cost ~x 1", "offset 0"}, "c Cost Offset: 0\n" + ok("0")},
  });
}

// A "*" where a term would start begins a comment, also on the objective
// line; after a coefficient it is still the "2 * x" of a term.
TEST(OpbReader, CommentEndsTheObjectiveLine) {
  expectReadings(false, {
      {"max: +1 x ; * note\n+1 x >= 0 ;\n", {"cost x 1", "offset -1"}, "c Cost Offset: -1\n" + ok("1")},
      {"min: +1 x * y\n", {"cost ~x 1", "offset 0"}, "c Cost Offset: 0\n" + ok("0")},
      {"min:* x\n", {"offset 0"}, "c Cost Offset: 0\n" + ok("0")},
      {"min: +2 * x -3*y ;\n", {"cost y 3", "cost ~x 2", "offset -3"}, "c Cost Offset: -3\n" + ok("0")},
      // A ";" right before a ";" or a "*" ends the term as a blank would.
      {"min: +1 x;;\n+1 x >= 1;;\n", {"cost ~x 1", "offset 0", "clause x"}, "c Cost Offset: 0\n" + ok("2")},
      {"min: +1 x;* c\n+1 x >= 1;* c\n", {"cost ~x 1", "offset 0", "clause x"}, "c Cost Offset: 0\n" + ok("2")},
  });
}

// A byte-order mark at the start of the file is skipped; "2.5", ".5" and
// "2,5" are no names but numbers the format does not have.
TEST(OpbReader, ByteOrderMarkAndFractions) {
  expectReadings(false, {
      {"\xEF\xBB\xBFmin: +1 x ;\n+1 x >= 1 ;\n", {"cost ~x 1", "offset 0", "clause x"},
       "c Cost Offset: 0\n" + ok("2")},
      {"min: +2.5 x ;\n+1 x >= 1 ;\n", {}, failure(8, 1)},
      {"min: +.5 x ;\n", {}, failure(8, 1)},
      {"+1 x +2,5 y >= 1 ;\n", {}, failure(8, 1)},
      {"+2 ~.5 >= 1 ;\n", {}, failure(8, 1)},
      // In OPB "[" has no meaning of its own: it may start a name.
      {"+1 [x] >= 1 ;\n", {"clause [x]"}, ok("2")},
  });
}

// Text that names could be read from in more than one way is refused, never
// read as a constant and another variable or split into two names.
TEST(OpbReader, AmbiguousNamesAreRefused) {
  expectReadings(false, {
      {"min: +2 3x +1 y ;\n+1 y >= 1 ;\n", {}, failure(8, 1)},
      {"min: +2 *3x ;\n", {}, failure(8, 1)},
      {"min: +1 a;b ;\n+1 a;b >= 1 ;\n", {}, failure(8, 1)},
      {"min: +1 x;+1 y ;\n", {}, failure(8, 1)},
      {"min: +2 ;3x ;\n", {}, failure(8, 1)},
      {"min: +1 x ;\n+1 a;b >= 1 ;\n", {"cost ~x 1", "offset 0"}, "c Cost Offset: 0\n" + failure(8, 2)},
      {"+1 x;; >= 1 ;\n", {}, failure(8, 1)},
  });
}

TEST(OpbReader, ConstraintsBecomeGreaterOrEqualForms) {
  expectReadings(false, {
      {"+1 x +1 y >= 1 ;\n", {"clause x y"}, ok("3")},
      {"+3 x +1 y >= 2 ;\n", {"pb 2 x 1 y >= 2"}, ok("6")},
      {"+1 x +1 y = 1 ;\n", {"clause x y", "clause ~x ~y"}, ok("3")},
      {"+1 x +1 y <= 2 ;\n", {}, ok("4")},
      {"+1 x > 0 ;\n", {"clause x"}, ok("1")},
      {"-1 x >= -1 ;\n", {}, ok("2")},
      {"+2 x -3 y <= -1 ;\n", {"pb 3 y 2 ~x >= 3"}, ok("6")},
      {"2 x2 +3 x4 +2 x1 +3 x5 = 5 ;\n", {"pb 3 x4 3 x5 2 x1 2 x2 >= 5", "pb 3 ~x4 3 ~x5 2 ~x1 2 ~x2 >= 5"}, ok("15")},
      // Coefficients that cancel leave no term behind.
      {"+1 x +1 y -1 y >= 1 ;\n", {"clause x"}, ok("4")},
      {"+0 y +1 x >= 1 ;\n", {"clause x"}, ok("2")},
      {"+1 x +1 y -1 y <= 0 ;\n", {"clause ~x"}, ok("3")},
      {"+1 x -1 x >= 1 ;\n", {"clause"}, ok("3")},
      // Products: the helper variable equals the conjunction of its factors.
      {"+2 x y >= 1 ;\n", {"clause x ~#1", "clause y ~#1", "clause #1 ~x ~y", "clause #1"}, ok("3")},
      {"+1 x ~y >= 1 ;\n", {"clause x ~#1", "clause ~#1 ~y", "clause #1 y ~x", "clause #1"}, ok("2")},
      {"+1 x ~x >= 1 ;\n", {"clause ~#1", "clause #1"}, ok("2")},
      {"+1 __nl_1 +1 a b >= 1 ;\n", {"clause a ~#1", "clause b ~#1", "clause #1 ~a ~b", "clause #1 __nl_1"}, ok("3")},
      // Layout: no blanks, CRLF, comments, a last line without newline.
      {"* c\r\n\r\n+1 x1>=1;\r\n+1 x2 +1 x1 >= 2 ;\n* end", {"clause x1", "pb 1 x1 1 x2 >= 2"}, ok("4")},
      {"", {}, ok("0")},
  });
}

TEST(OpbReader, MalformedLinesEndTheReading) {
  const std::string longName(5000, 'v');
  expectReadings(false, {
      {"+1 x >= 1 ;\n+1 x +1 y\n+1 y >= 1 ;\n", {"clause x"}, failure(4, 2)},
      {"+1 x >= ;\n", {}, failure(8, 1)},
      {"+1 x => 3 ;\n", {}, failure(8, 1)},
      {"+5 +1 x >= 1 ;\n", {}, failure(8, 1, "Something is wrong while reading instance file!!!")},
      {"+1 x ; >= 1 ;\n", {"clause x"}, ok("2")},  // ";" after a name ends the term only
      {"+1 ~ >= 1 ;\n", {}, failure(8, 1)},
      {"+1234567890123456789 x >= 1 ;\n", {}, failure(9, 1, tooBig)},
      {"+2147483648 x >= 1 ;\n", {}, failure(9, 1, tooBig)},
      {"+1 x >= 2147483648 ;\n", {}, failure(9, 1, tooBig)},
      {"min: +2147483648 x ;\n", {}, failure(9, 1, tooBig)},
      {"+2147483647 x >= 2147483647 ;\n", {"pb 2147483647 x >= 2147483647"}, ok("4.29497e+09")},
      {"+1 " + longName + " >= 1 ;\n", {"clause " + longName}, ok("2")},
      // After the right-hand side only ";"s, blanks and a comment may follow.
      {"+1 x >= 1 ; * note\n+1 y >= 1\n", {"clause x", "clause y"}, ok("2")},
      {"+1 x >= 1 ;;\n+1 y >= 1 ; ;* note\n", {"clause x", "clause y"}, ok("2")},
      {"+1 x >= 1 ;\n+1 x >= 1 ; +1 ~x >= 1 ;\n", {"clause x"}, failure(8, 2)},
      {"+1 x >= 0.5 ;\n", {}, failure(8, 1)},
      // A NUL byte, even in a comment.
      {std::string("+1 x >= 1 ;\n\0+1 y >= 1 ;\n", 25), {"clause x"}, failure(8, 2)},
      {std::string("* a\0 comment\n+1 y >= 1 ;\n", 25), {}, failure(8, 1)},
  });
}

TEST(OpbReader, FilesThatCannotBeReadAreRefused) {
  ScratchDir dir;
  RecordingSink sink;
  ParserPB reader(sink);
  const std::string zipped = dir.writeGzip("f.opb.gz", "+1 x >= 1 ;\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(reader.load(zipped.c_str()), parseUnreadable);
  EXPECT_EQ(reader.load(dir.file("missing").c_str()), parseUnreadable);
  const std::string empty = dir.write("empty.opb", "");
  EXPECT_EQ(reader.load(empty.c_str()), parseOk);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("c Unable to read compressed file " + zipped), std::string::npos) << out;
  EXPECT_NE(out.find("c Unable to open input stream for file " + dir.file("missing")), std::string::npos) << out;
  EXPECT_NE(out.find("c File size is 0 bytes.\nc Highest Coefficient sum: 0\n"), std::string::npos) << out;
  EXPECT_TRUE(sink.calls.empty());
}

TEST(OpbReader, PipeIsReadToItsEnd) {
  ScratchDir dir;
  const std::string fifo = dir.file("in.opb");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo) << "+1 x >= 1 ;\n"; });
  RecordingSink sink;
  ParserPB reader(sink);
  testing::internal::CaptureStdout();
  const int code = reader.load(fifo.c_str());
  testing::internal::GetCapturedStdout();
  writer.join();
  EXPECT_EQ(code, parseOk);
  EXPECT_EQ(sink.calls, std::vector<std::string>{"clause x"});
}

TEST(RukReader, SoftConstraintsKeepTheirWeight) {
  expectReadings(true, {
      {"[3] +1 x +1 y >= 1 ;\n", {"clause x y [3]"}, ok("3")},
      {"[2] +3 x +1 y >= 2 ;\n", {"pb 3 x 1 y >= 2 [2]"}, ok("6")},
      {"[5] +1 x +1 y = 1 ;\n", {"clause x y [5]", "clause ~x ~y [5]"}, ok("3")},
      {"[2147483647] +1 x >= 1 ;\n", {"clause x"}, ok("2")},
      {"[ 4 ]+1 x>=1;\n", {"clause x [4]"}, ok("2")},
      {"+1 x >= 1 ;\n\n[1] +1 y >= 1 ;\n", {"clause x", "clause y [1]"}, ok("2")},
      // A ">=" form of right-hand side 0 is handed over, one below 0 is not;
      // a "<=" form needs a right-hand side of at least 1 once negated.
      {"+1 x >= 0 ;\n[3] +1 x <= 1 ;\n[4] +1 x >= -2 ;\n", {"pb 1 x >= 0"}, ok("3")},
      {"[3] +1 x <= 0 ;\n", {"clause ~x [3]"}, ok("1")},
      {"[5] +1 x +1 y = 2 ;\n", {"pb 1 x 1 y >= 2 [5]"}, ok("4")},
      {"soft: 10 ;\n[2] -1 x >= 0 ;\n", {"limit 10", "clause ~x [2]"}, ok("1")},
      {"soft:6;\nsoft: 7\n", {"limit 6", "limit 7"}, ok("0")},
      // A header without a number sets no limit, also over an earlier one.
      {"soft: 4 ;\nsoft: ;\nsoft:\nsoft:", {"limit 4", "limit 2147483647", "limit 2147483647", "limit 2147483647"},
       ok("0")},
      // A line that starts with "s" but not with the keyword is a constraint.
      {"s1 +s2 >= 1 ;\n", {"clause s1 s2"}, ok("3")},
      // A byte-order mark at the start of the file is skipped.
      {"\xEF\xBB\xBF[3] +1 x >= 1 ;\n[1] -1 x >= 0 ;\n", {"clause x [3]", "clause ~x [1]"}, ok("2")},
  });
}

TEST(RukReader, MalformedLinesEndTheReading) {
  expectReadings(true, {
      {"[0] +1 x >= 1 ;\n", {}, failure(8, 1)},
      {"[] +1 x >= 1 ;\n", {}, failure(8, 1)},
      {"[3 -2 x >= 1 ;\n", {}, failure(8, 1)},
      {"[5", {}, failure(8, 1)},
      {"[2147483648] +1 x >= 1 ;\n", {}, failure(9, 1, tooBig)},
      {"soft: x ;\n", {}, failure(8, 1)},
      {"soft: -3 ;\n", {}, failure(8, 1)},
      {"soft: 2147483648\n", {}, failure(9, 1, tooBig)},
      // A second weight, or any name that starts with "[".
      {"[3] [2] +1 x >= 1 ;\n", {}, failure(8, 1)},
      {"[3] +1 x +1 ~[y] >= 1 ;\n", {}, failure(8, 1)},
      {"soft: 5 ; 3\n", {}, failure(8, 1)},
      {"[2] +1 x >= 1 ; [3] +1 y >= 1 ;\n", {}, failure(8, 1)},
      {"min: +1 x ;\n", {}, failure(4, 1)},
  });
}

}  // namespace
