// The DIMACS reader: what it hands on from plain and gzip files, and the
// message of every kind of malformed input it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/DimacsReader.h"
#include "frontend_test_util.h"

using namespace quon_frontend_test;

namespace {

struct RecordedClause {
  Cost weight;
  std::vector<Lit> lits;
  bool operator==(const RecordedClause& o) const { return weight == o.weight && lits == o.lits; }
};

class RecordingSink : public DimacsSink {
 public:
  int variables = -1;
  Cost top = -1;
  std::vector<RecordedClause> clauses;

  void newVariables(int count) override { variables = count; }
  void setTopWeight(Cost weight) override { top = weight; }
  void addClause(vec<Lit>& lits, Cost weight) override {
    clauses.push_back({weight, std::vector<Lit>(lits.begin(), lits.end())});
    lits.push(12345);  // a sink may change the list it is given
  }
};

struct ReadResult {
  DimacsResult result;
  RecordingSink sink;
};

ReadResult read(const std::string& text, bool weighted = true, bool gzip = false) {
  ScratchDir dir;
  ReadResult r;
  gzFile in = gzopen((gzip ? dir.writeGzip("in.gz", text) : dir.write("in", text)).c_str(), "rb");
  r.result = readDimacs(in, weighted, r.sink);
  gzclose(in);
  return r;
}

TEST(DimacsReader, AcceptedInputs) {
  struct Case {
    std::string text;
    bool weighted;
    int variables;
    Cost top;
    std::vector<RecordedClause> clauses;
  } cases[] = {
      {"", true, -1, -1, {}},
      {"c one\nc two\n\n   c three", true, -1, -1, {}},
      {"p wcnf 3 2 10\n10 1 -2 0\n3 1 0\n", true, 3, 10, {{10, {0, 3}}, {3, {0}}}},
      {"p wcnf 3 2\n5 1 0\n", true, 3, -1, {{5, {0}}}},
      {"p wcnf 3 2\t10 -3 0\n", true, 3, -1, {{10, {5}}}},  // a tab ends the header
      {"p cnf 2 3\n1 0\n-1 0\n2 -1 0\n", false, 2, -1, {{1, {0}}, {1, {1}}, {1, {2, 1}}}},
      {"c a\np wcnf 4 3 99\nc b\n7 1\n 2 -3\n0 8 4 0 c after\n\r\n9 +4 0", true, 4, 99,
       {{7, {0, 2, 5}}, {8, {6}}, {9, {6}}}},
      {"p wcnf 1 1 5\n5 0\n", true, 1, 5, {{5, {}}}},
      {"p wcnf 2 1 2147483647\n2147483646 -2 0\n", true, 2, 2147483647, {{2147483646, {3}}}},
      {"c caf\xff\np wcnf 1 1\n1 1 0\n", true, 1, -1, {{1, {0}}}},  // any byte in a comment
  };
  for (const Case& c : cases)
    for (bool gzip : {false, true}) {
      SCOPED_TRACE(c.text + (gzip ? " (gzip)" : ""));
      ReadResult r = read(c.text, c.weighted, gzip);
      ASSERT_TRUE(r.result.ok) << r.result.message;
      EXPECT_EQ(r.sink.variables, c.variables);
      EXPECT_EQ(r.sink.top, c.top);
      EXPECT_EQ(r.sink.clauses, c.clauses);
    }
}

TEST(DimacsReader, RefusedInputsAndTheirMessages) {
  const std::string eof = "Unexpected char: \xff";
  struct Case {
    std::string text;
    bool weighted;
    std::string message;
  } cases[] = {
      {"p wcnf 3 2\n1 1 0\n", false, "Unexpected char: w"},
      {"p cnf 3 2\n1 0\n", true, "Unexpected char: c"},
      {"p  cnf 3 2\n", false, "Unexpected char:  "},
      {"p wcnf 3 1\n1 - 3 0\n", true, "Unexpected char:  "},
      {"p wcnf 3 1\nh 1 0\n", true, "Unexpected char: h"},
      {std::string("p wcnf 1 1\nc x\0" "1 1 0\n", 21), true, "Unexpected char: "},  // NUL ends a comment
      {"p wcnf 2 2\n1 1 0\n\xff\n1 -1 0\n", true, eof},
      {"p wcnf 3 1\n5 1 2\n  ", true, eof},
      {"p wcnf 3 1\n5 -", true, eof},
      {"p cnf 3 1\n1 2", false, eof},
      {"p wcnf", true, eof},
      {"p wcnf x 1\n", true, "Unexpected char: x"},
      {"c x\n-1 0\np cnf 1 1\n", false, "Clause before the header at line 2"},
      {"p wcnf 3 2\n5 1 0\np wcnf 3 1\n", true, "Second header at line 3"},
      {"p wcnf 3 1\n1 1 -0\n", true, "Literal of variable 0 at line 2"},
      {"p wcnf 3 1\n1 1 -4 0\n", true, "Variable 4 out of range 1..3 at line 2"},
      {"p cnf 3 2 10\n1 0\n", false, "Variable 10 out of range 1..3 at line 1"},
      {"p wcnf 0 1\n1 1 0\n", true, "Variable 1 out of range 1..0 at line 2"},
      {"p wcnf 3 1\n1 2147483648 0\n", true, "Number out of the 32-bit range at line 2"},
      {"p wcnf 3 1\n1 -99999999999999999999999 0\n", true, "Number out of the 32-bit range at line 2"},
      {"p wcnf 3 1 2147483648\n", true, "Number out of the 32-bit range at line 1"},
      {"p wcnf 3 1\n3000000000 1 0\n", true, "Number out of the 32-bit range at line 2"},
      {"p wcnf 3 1\n1 -2147483648 0\n", true, "Variable 2147483648 out of range 1..3 at line 2"},
      {"p wcnf 3 2\n1 1 0\n-5 1 0\n", true, "Clause weight -5 is not positive at line 3"},
      {"p wcnf 3 1\n0 1 0\n", true, "Clause weight 0 is not positive at line 2"},
      {"p wcnf -1 1\n", true, "Illegal number of variables -1 at line 1"},
      {"p wcnf 2000000000 1\n", true, "Illegal number of variables 2000000000 at line 1"},
  };
  for (const Case& c : cases) {
    ReadResult r = read(c.text, c.weighted);
    EXPECT_FALSE(r.result.ok) << c.text;
    EXPECT_EQ(r.result.message, "PARSE ERROR! " + c.message) << c.text;
  }
}

// A few megabytes cross several buffer blocks, cutting clauses and numbers.
TEST(DimacsReader, InputLargerThanOneBlock) {
  std::vector<RecordedClause> expected;
  std::string text = "p wcnf 1000 80000 2147483647\n";
  Lcg random(7);
  for (int i = 0; i < 80000; i++) {
    RecordedClause clause{1 + (Cost)random.below(2147483647), {}};
    text += std::to_string(clause.weight);
    for (int k = random.between(1, 8); k > 0; k--) {
      const int v = random.between(1, 1000);
      const bool negative = random.chance(50);
      text += (negative ? " -" : " ") + std::to_string(v);
      clause.lits.push_back(mkLit(v - 1, negative));
    }
    text += " 0\n";
    expected.push_back(clause);
  }
  ASSERT_GT(text.size(), 2u * 1048576u);
  for (bool gzip : {false, true}) {
    ReadResult r = read(text, true, gzip);
    ASSERT_TRUE(r.result.ok) << r.result.message;
    EXPECT_EQ(r.sink.clauses, expected);
  }
}

// zlib allocates its buffers at the first read. When that fails, the file
// is not malformed: the run ends as out of memory (status 1), not with a
// parse error (status 3). A gigabyte buffer under a smaller address-space
// limit makes the allocation fail.
void readWithoutMemoryForBuffers(const std::string& path) {
  gzFile in = gzopen(path.c_str(), "rb");
  gzbuffer(in, 1u << 30);
  limitAddressSpaceTo(256u << 20);
  RecordingSink sink;
  const DimacsResult result = readDimacs(in, true, sink);
  fprintf(stderr, "read: %s\n", result.ok ? "ok" : result.message.c_str());
  exit(7);
}

TEST(DimacsReader, StreamWithoutMemoryForItsBuffersEndsAsOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
  ScratchDir dir;
  const std::string path = dir.writeGzip("in.gz", "p wcnf 1 1 2\n2 1 0\n");
  EXPECT_EXIT(readWithoutMemoryForBuffers(path), ::testing::ExitedWithCode(1), "c Error: out of memory");
}

}  // namespace
