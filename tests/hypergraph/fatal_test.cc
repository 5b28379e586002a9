// Refused arguments end the process with the exact message, one more empty
// line, and a failure status.
#include <gtest/gtest.h>

#include <vector>

#include "hypergraph/hgp.h"
#include "hypergraph/util.h"
#include "hypergraph/ZVlib.h"

namespace {

void CallWith(int nparts, int ubfactor, std::vector<int> options, std::vector<int> eind = {0, 1, 1, 2},
              std::vector<int> hewgts = {}) {
  int eptr[3] = {0, 2, 4};
  int part[3], cut;
  HGP_PartRecursive(3, 2, nullptr, eptr, eind.data(), hewgts.empty() ? nullptr : hewgts.data(), nparts, ubfactor,
                    options.data(), part, &cut);
}

const std::vector<int> kSystem = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};

std::vector<int> With(int index, int value) {
  std::vector<int> options = kSystem;
  options[size_t(index)] = value;
  return options;
}

using ::testing::ExitedWithCode;

TEST(FatalPathsDeathTest, ArgumentChecksInOrder) {
  EXPECT_EXIT(CallWith(1, 5, kSystem), ExitedWithCode(1), "^Nparts should be at least 2\\.\n\n$");
  EXPECT_EXIT(CallWith(1, 0, With(1, 0)), ExitedWithCode(1), "^Nparts should be at least 2\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 0, kSystem), ExitedWithCode(1), "^UBfactor should be between 1 and 49\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 50, kSystem), ExitedWithCode(1), "^UBfactor should be between 1 and 49\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, With(1, 0)), ExitedWithCode(1), "^Nruns should be at least 1\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, With(2, 6)), ExitedWithCode(1), "^Ctype should be between 1 and 5\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, With(3, -1)), ExitedWithCode(1), "^Rtype should be between 1 and 3\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, With(4, 4)), ExitedWithCode(1), "^Vcycle should be between 0 and 3\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, With(5, 2)), ExitedWithCode(1), "^Reconst should be between 0 and 1\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, With(6, -1)), ExitedWithCode(1), "^Fixed should be between 0 and 1\\.\n\n$");
}

TEST(FatalPathsDeathTest, MalformedHypergraphIsRefused) {
  EXPECT_EXIT(CallWith(2, 5, kSystem, {0, 1, 1, 3}), ExitedWithCode(1), "^Pins should be between 0 and Nvtxs-1\\.\n\n$");
  EXPECT_EXIT(CallWith(2, 5, kSystem, {0, 1, 1, 2}, {1, -2}), ExitedWithCode(1),
              "^Weights should be non-negative\\.\n\n$");
}

TEST(FatalPathsDeathTest, UnservedSchemesAreReported) {
  EXPECT_EXIT(CallWith(2, 5, With(3, 2)), ExitedWithCode(1), "^Unknown refinement type: 2\n\n$");
}

TEST(FatalPathsDeathTest, FailedAllocationNamesTheArray) {
  EXPECT_EXIT(imalloc__(SIZE_MAX / 2, "Test: huge"), ExitedWithCode(1),
              "^Memory allocation failed for Test: huge\\. Requested size: [0-9]+ bytes\n\n$");
}

}  // namespace
