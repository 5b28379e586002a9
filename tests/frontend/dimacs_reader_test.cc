// The DIMACS reader on files, plain and gzip-compressed: what it hands on,
// and every kind of malformed input it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "driver/RUKSolver.h"
#include "frontend/DimacsReader.h"
#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

struct RecordedClause {
  Cost weight;
  std::vector<Lit> lits;
  bool operator==(const RecordedClause& other) const { return weight == other.weight && lits == other.lits; }
};

// Records what the reader hands on.
class RecordingSink : public DimacsSink {
 public:
  int variables = -1;
  int headers = 0;
  Cost top = -1;
  std::vector<RecordedClause> clauses;

  void newVariables(int count) override {
    variables = count;
    headers++;
  }
  void setTopWeight(Cost weight) override { top = weight; }
  void addClause(vec<Lit>& lits, Cost weight) override {
    RecordedClause clause{weight, {}};
    for (Lit l : lits) clause.lits.push_back(l);
    clauses.push_back(clause);
    lits.push(12345);  // a sink may change the list it is given
  }
};

struct ReadResult {
  DimacsResult result;
  RecordingSink sink;
};

ReadResult readFile(const std::string& path, bool weighted) {
  ReadResult read;
  gzFile in = gzopen(path.c_str(), "rb");
  EXPECT_NE(in, nullptr);
  read.result = readDimacs(in, weighted, read.sink);
  gzclose(in);
  return read;
}

ReadResult readText(const std::string& text, bool weighted = true) {
  ScratchDir dir;
  return readFile(dir.write("input", text), weighted);
}

ReadResult readGzip(const std::string& text, bool weighted = true) {
  ScratchDir dir;
  return readFile(dir.writeGzip("input.gz", text), weighted);
}

// The message of a refused input.
std::string refusal(const std::string& text, bool weighted = true) {
  ReadResult read = readText(text, weighted);
  EXPECT_FALSE(read.result.ok) << text;
  return read.result.message;
}

const std::string endOfInputChar = "PARSE ERROR! Unexpected char: \xff";

TEST(DimacsReader, EmptyFileAddsNothing) {
  ReadResult read = readText("");
  EXPECT_TRUE(read.result.ok);
  EXPECT_EQ(read.sink.headers, 0);
  EXPECT_TRUE(read.sink.clauses.empty());
}

TEST(DimacsReader, CommentsOnlyAddNothing) {
  ReadResult read = readText("c one\nc two\n\n   c three");
  EXPECT_TRUE(read.result.ok);
  EXPECT_EQ(read.sink.headers, 0);
  EXPECT_TRUE(read.sink.clauses.empty());
}

TEST(DimacsReader, WcnfTopWeightAndClauses) {
  ReadResult read = readText("p wcnf 3 2 10\n10 1 -2 0\n3 1 0\n");
  ASSERT_TRUE(read.result.ok) << read.result.message;
  EXPECT_EQ(read.sink.variables, 3);
  EXPECT_EQ(read.sink.top, 10);
  std::vector<RecordedClause> expected = {{10, {0, 3}}, {3, {0}}};
  EXPECT_EQ(read.sink.clauses, expected);
}

TEST(DimacsReader, WcnfWithoutTopWeightKeepsTheTopUntouched) {
  ReadResult read = readText("p wcnf 3 2\n5 1 0\n");
  ASSERT_TRUE(read.result.ok);
  EXPECT_EQ(read.sink.top, -1);
  EXPECT_EQ(read.sink.clauses.size(), 1u);
}

TEST(DimacsReader, TabEndsTheSearchForATopWeight) {
  ReadResult read = readText("p wcnf 3 2\t10 -3 0\n");
  ASSERT_TRUE(read.result.ok) << read.result.message;
  EXPECT_EQ(read.sink.top, -1);
  std::vector<RecordedClause> expected = {{10, {5}}};
  EXPECT_EQ(read.sink.clauses, expected);
}

TEST(DimacsReader, CnfClausesHaveWeightOne) {
  ReadResult read = readText("p cnf 2 3\n1 0\n-1 0\n2 -1 0\n", false);
  ASSERT_TRUE(read.result.ok);
  std::vector<RecordedClause> expected = {{1, {0}}, {1, {1}}, {1, {2, 1}}};
  EXPECT_EQ(read.sink.clauses, expected);
}

TEST(DimacsReader, CommentsAnywhereAndClausesAcrossLines) {
  ReadResult read = readText("c before\np wcnf 4 3 99\nc between\n7 1\n 2 -3\n0 8 4 0 c after\n\r\n9 +4 0");
  ASSERT_TRUE(read.result.ok) << read.result.message;
  std::vector<RecordedClause> expected = {{7, {0, 2, 5}}, {8, {6}}, {9, {6}}};
  EXPECT_EQ(read.sink.clauses, expected);
}

TEST(DimacsReader, HardEmptyClauseIsHandedOn) {
  ReadResult read = readText("p wcnf 1 1 5\n5 0\n");
  ASSERT_TRUE(read.result.ok);
  ASSERT_EQ(read.sink.clauses.size(), 1u);
  EXPECT_TRUE(read.sink.clauses[0].lits.empty());
}

TEST(DimacsReader, LargestNumbersFit) {
  ReadResult read = readText("p wcnf 2 1 2147483647\n2147483646 -2 0\n");
  ASSERT_TRUE(read.result.ok) << read.result.message;
  EXPECT_EQ(read.sink.top, 2147483647);
}

// ---- Syntax errors: the char where the input stops making sense.

TEST(DimacsReader, HeaderOfTheOtherFormatIsRefused) {
  EXPECT_EQ(refusal("p cnf 3 2\n1 0\n"), "PARSE ERROR! Unexpected char: c");
  EXPECT_EQ(refusal("p wcnf 3 2\n1 1 0\n", false), "PARSE ERROR! Unexpected char: w");
}

TEST(DimacsReader, HeaderWithTwoBlanksIsRefusedAtTheSecond) {
  EXPECT_EQ(refusal("p  cnf 3 2\n", false), "PARSE ERROR! Unexpected char:  ");
}

TEST(DimacsReader, PercentLineIsRefused) {
  EXPECT_EQ(refusal("p wcnf 2 1\n1 1 0\n%\n0\n"), "PARSE ERROR! Unexpected char: %");
}

TEST(DimacsReader, SignFollowedByBlankIsRefused) {
  EXPECT_EQ(refusal("p wcnf 3 1\n1 - 3 0\n"), "PARSE ERROR! Unexpected char:  ");
}

TEST(DimacsReader, HardMarkOfNewerFormatIsRefused) {
  EXPECT_EQ(refusal("p wcnf 3 1\nh 1 0\n"), "PARSE ERROR! Unexpected char: h");
}

TEST(DimacsReader, NulAfterACommentIsRefused) {
  EXPECT_EQ(refusal(std::string("p wcnf 1 1\nc x", 14) + std::string(1, '\0') + "1 1 0\n"),
            "PARSE ERROR! Unexpected char: ");
}

TEST(DimacsReader, ByteFFIsRefusedNotTakenForTheEnd) {
  EXPECT_EQ(refusal("p wcnf 2 2\n1 1 0\n\xff\n1 -1 0\n"), endOfInputChar);
  // Inside a comment it is just text.
  ReadResult read = readText("c caf\xff\np wcnf 1 1\n1 1 0\n");
  EXPECT_TRUE(read.result.ok);
}

TEST(DimacsReader, InputEndingInsideAClauseIsRefused) {
  EXPECT_EQ(refusal("p wcnf 3 1\n5 1 2"), endOfInputChar);
  EXPECT_EQ(refusal("p wcnf 3 1\n5 1 2\n  "), endOfInputChar);
  EXPECT_EQ(refusal("p wcnf 3 1\n5 -"), endOfInputChar);
  EXPECT_EQ(refusal("p cnf 3 1\n1 2", false), endOfInputChar);
}

TEST(DimacsReader, HeaderWithoutNumbersIsRefused) {
  EXPECT_EQ(refusal("p wcnf"), endOfInputChar);
  EXPECT_EQ(refusal("p wcnf x 1\n"), "PARSE ERROR! Unexpected char: x");
}

// ---- Content errors: each names what is wrong.

TEST(DimacsReader, ClauseBeforeTheHeaderIsRefused) {
  EXPECT_EQ(refusal("1 1 0\np wcnf 1 1\n"), "PARSE ERROR! Clause before the header at line 1");
  EXPECT_EQ(refusal("c x\n-1 0\np cnf 1 1\n", false), "PARSE ERROR! Clause before the header at line 2");
}

TEST(DimacsReader, SecondHeaderIsRefused) {
  EXPECT_EQ(refusal("p wcnf 2 1\n1 1 0\np wcnf 3 1\n"), "PARSE ERROR! Second header at line 3");
}

TEST(DimacsReader, LiteralAboveTheVariableCountIsRefused) {
  EXPECT_EQ(refusal("p wcnf 3 1\n1 1 -4 0\n"), "PARSE ERROR! Variable 4 out of range 1..3 at line 2");
  EXPECT_EQ(refusal("p cnf 3 2 10\n1 0\n", false), "PARSE ERROR! Variable 10 out of range 1..3 at line 1");
  EXPECT_EQ(refusal("p wcnf 0 1\n1 1 0\n"), "PARSE ERROR! Variable 1 out of range 1..0 at line 2");
}

TEST(DimacsReader, LiteralOfVariableZeroIsRefused) {
  EXPECT_EQ(refusal("p wcnf 3 1\n1 1 -0\n"), "PARSE ERROR! Literal of variable 0 at line 2");
}

TEST(DimacsReader, NumbersBeyond32BitsAreRefused) {
  const std::string message = "PARSE ERROR! Number out of the 32-bit range at line 2";
  EXPECT_EQ(refusal("p wcnf 3 1\n1 4294967297 0\n"), message);
  EXPECT_EQ(refusal("p wcnf 3 1\n3000000000 1 0\n"), message);
  EXPECT_EQ(refusal("p wcnf 3 1\n1 2147483648 0\n"), message);
  EXPECT_EQ(refusal("p wcnf 3 1\n1 -99999999999999999999999 0\n"), message);
  EXPECT_EQ(refusal("p wcnf 3 1 2147483648\n"), "PARSE ERROR! Number out of the 32-bit range at line 1");
  // -2147483648 fits, but names no variable.
  EXPECT_EQ(refusal("p wcnf 3 1\n1 -2147483648 0\n"), "PARSE ERROR! Variable 2147483648 out of range 1..3 at line 2");
}

TEST(DimacsReader, WeightsOfZeroOrBelowAreRefused) {
  EXPECT_EQ(refusal("p wcnf 3 1\n0 1 0\n"), "PARSE ERROR! Clause weight 0 is not positive at line 2");
  EXPECT_EQ(refusal("p wcnf 3 2\n1 1 0\n-5 1 0\n"), "PARSE ERROR! Clause weight -5 is not positive at line 3");
}

TEST(DimacsReader, IllegalVariableCountsAreRefused) {
  EXPECT_EQ(refusal("p wcnf -1 1\n"), "PARSE ERROR! Illegal number of variables -1 at line 1");
  EXPECT_EQ(refusal("p wcnf 2000000000 1\n"), "PARSE ERROR! Illegal number of variables 2000000000 at line 1");
}

// ---- gzip input.

TEST(DimacsReader, GzipGivesTheSameClausesAsPlainText) {
  const std::string text = "c x\np wcnf 4 3 99\n7 1 2 -3 0\n8 4 0\n99 -4 -1 0\n";
  ReadResult plain = readText(text);
  ReadResult packed = readGzip(text);
  ASSERT_TRUE(plain.result.ok);
  ASSERT_TRUE(packed.result.ok) << packed.result.message;
  EXPECT_EQ(packed.sink.top, plain.sink.top);
  EXPECT_EQ(packed.sink.variables, plain.sink.variables);
  EXPECT_EQ(packed.sink.clauses, plain.sink.clauses);
}

// A file of a few megabytes crosses several buffer blocks, with clauses and
// numbers cut at the block edges.
std::string largeProblem(int clauses, std::vector<RecordedClause>& expected) {
  std::string text = "p wcnf 1000 " + std::to_string(clauses) + " 2147483647\n";
  Lcg random(7);
  for (int i = 0; i < clauses; i++) {
    RecordedClause clause{1 + (Cost)random.below(2147483647), {}};
    text += std::to_string(clause.weight);
    int size = 1 + (int)random.below(8);
    for (int k = 0; k < size; k++) {
      int v = 1 + (int)random.below(1000);
      bool negative = random.chance(50);
      text += " " + std::string(negative ? "-" : "") + std::to_string(v);
      clause.lits.push_back(2 * (v - 1) + (negative ? 1 : 0));
    }
    text += " 0\n";
    expected.push_back(clause);
  }
  return text;
}

TEST(DimacsReader, InputLargerThanOneBlock) {
  std::vector<RecordedClause> expected;
  const std::string text = largeProblem(80000, expected);
  ASSERT_GT(text.size(), 2u * 1048576u);
  ReadResult plain = readText(text);
  ASSERT_TRUE(plain.result.ok) << plain.result.message;
  EXPECT_EQ(plain.sink.clauses, expected);
  ReadResult packed = readGzip(text);
  ASSERT_TRUE(packed.result.ok) << packed.result.message;
  EXPECT_EQ(packed.sink.clauses, expected);
}

TEST(DimacsReader, TruncatedGzipIsRefused) {
  std::vector<RecordedClause> expected;
  const std::string text = largeProblem(20000, expected);
  ScratchDir dir;
  std::string packed = quon_frontend_test::readFile(dir.writeGzip("full.gz", text));
  // Cut in the middle of the stream, and just before the trailer (where
  // every clause has been decoded and only the check sum is missing).
  for (size_t cut : {packed.size() / 2, packed.size() - 4}) {
    std::string path = dir.write("cut.gz", packed.substr(0, cut));
    ReadResult read = readFile(path, true);
    EXPECT_FALSE(read.result.ok) << cut;
    EXPECT_EQ(read.result.message.rfind("PARSE ERROR! Cannot read the input: ", 0), 0u) << read.result.message;
  }
}

TEST(DimacsReader, CorruptGzipIsRefused) {
  std::vector<RecordedClause> expected;
  const std::string text = largeProblem(20000, expected);
  ScratchDir dir;
  std::string packed = quon_frontend_test::readFile(dir.writeGzip("full.gz", text));
  for (size_t i = packed.size() / 3; i < packed.size() / 3 + 64; i++) packed[i] = (char)(packed[i] ^ 0x5A);
  ReadResult read = readFile(dir.write("bad.gz", packed), true);
  EXPECT_FALSE(read.result.ok);
}

TEST(DimacsReader, UnreadableInputIsRefused) {
  ScratchDir dir;
  gzFile in = gzopen(dir.path().c_str(), "rb");  // a directory opens but cannot be read
  ASSERT_NE(in, nullptr);
  RecordingSink sink;
  DimacsResult result = readDimacs(in, true, sink);
  gzclose(in);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message.rfind("PARSE ERROR! Cannot read the input: ", 0), 0u) << result.message;
}

// ---- Feeding the drivers.

void freeNames(RUKSolver& s) {
  for (char* name : s.varNames) free(name);
  s.varNames.clear();
}

TEST(RUKSolverSink, EverySolverGetsVariablesNamesTopWeightAndItsOwnClauses) {
  RUKSolver first, second;
  RUKSolver* solvers[] = {&first, &second};
  for (RUKSolver* s : solvers) {
    s->inputFormat = formatWcnf;
    s->init();
  }
  ScratchDir dir;
  std::string path = dir.write("input", "p wcnf 3 3 10\n10 1 -2 0\n3 -3 0\n4 2 3 0\n");
  gzFile in = gzopen(path.c_str(), "rb");
  parse_DIMACS(in, solvers, 2);
  gzclose(in);
  for (RUKSolver* s : solvers) {
    ASSERT_EQ(s->varNames.size(), 3u);
    EXPECT_STREQ(s->varNames[0], "1");
    EXPECT_STREQ(s->varNames[2], "3");
    EXPECT_EQ(s->topWeight, 10);
    // Three variables of the header and one relaxation variable of the
    // longer soft clause; the soft unit became an objective term.
    EXPECT_EQ(s->solver->nVars(), 4);
    EXPECT_EQ(s->weights.size(), 2u);
    EXPECT_EQ(s->nbRelaxVars, 1);
  }
  EXPECT_NE(first.varNames[0], second.varNames[0]);  // each its own copy
  freeNames(first);
  freeNames(second);
}

TEST(RUKSolverSink, CnfHeaderCreatesEveryVariableEvenUnused) {
  RUKSolver only;
  RUKSolver* solvers[] = {&only};
  only.inputFormat = formatCnf;
  only.init();
  ScratchDir dir;
  std::string path = dir.write("input", "p cnf 5 1\n1 0\n");
  gzFile in = gzopen(path.c_str(), "rb");
  parse_DIMACS(in, solvers, 1);
  gzclose(in);
  EXPECT_EQ(only.solver->nVars(), 5);
  EXPECT_EQ(only.varNames.size(), 5u);
  freeNames(only);
}

TEST(ParseDimacsDeathTest, MalformedInputEndsWithStatus3) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScratchDir dir;
  std::string path = dir.write("input", "p wcnf 2 1\n%\n");
  EXPECT_EXIT(
      {
        RUKSolver s;
        RUKSolver* solvers[] = {&s};
        s.inputFormat = formatWcnf;
        gzFile in = gzopen(path.c_str(), "rb");
        parse_DIMACS(in, solvers, 1);
      },
      ::testing::ExitedWithCode(3), "c PARSE ERROR! Unexpected char: %");
}

}  // namespace
