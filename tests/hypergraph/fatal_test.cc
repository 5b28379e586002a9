// Refused arguments and failed allocations end the process with the exact
// message, one more empty line, and a failure status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/hypergraph/hgp_test_util.h"

namespace {

TEST(FatalPathsDeathTest, RefusedArgumentsInOrder) {
  const std::vector<int> pins = {0, 1, 1, 2};
  const struct FatalCase {
    int nparts, ubfactor, option, value;  // options[option] = value
    std::vector<int> eind, hewgts;
    const char *message;
  } cases[] = {
      {1, 5, 0, 1, pins, {}, "Nparts should be at least 2\\."},
      {1, 0, 1, 0, pins, {}, "Nparts should be at least 2\\."},
      {2, 0, 0, 1, pins, {}, "UBfactor should be between 1 and 49\\."},
      {2, 50, 0, 1, pins, {}, "UBfactor should be between 1 and 49\\."},
      {2, 5, 1, 0, pins, {}, "Nruns should be at least 1\\."},
      {2, 5, 2, 6, pins, {}, "Ctype should be between 1 and 5\\."},
      {2, 5, 3, -1, pins, {}, "Rtype should be between 1 and 3\\."},
      {2, 5, 4, 4, pins, {}, "Vcycle should be between 0 and 3\\."},
      {2, 5, 5, 2, pins, {}, "Reconst should be between 0 and 1\\."},
      {2, 5, 6, -1, pins, {}, "Fixed should be between 0 and 1\\."},
      {2, 5, 0, 1, {0, 1, 1, 3}, {}, "Pins should be between 0 and Nvtxs-1\\."},
      {2, 5, 0, 1, pins, {1, -2}, "Weights should be non-negative\\."},
      {2, 5, 3, 2, pins, {}, "Unknown refinement type: 2"},
  };
  for (const FatalCase &c : cases) {
    std::vector<int> options = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};
    options[size_t(c.option)] = c.value;
    std::vector<int> eind = c.eind, hewgts = c.hewgts;
    int eptr[3] = {0, 2, 4}, part[3], cut;
    EXPECT_EXIT(HGP_PartRecursive(3, 2, nullptr, eptr, eind.data(), hewgts.empty() ? nullptr : hewgts.data(),
                                  c.nparts, c.ubfactor, options.data(), part, &cut),
                ::testing::ExitedWithCode(1), std::string("^") + c.message + "\n\n$");
  }
}

// A program with output rules of its own installs a handler: it is given
// the message without its newlines, and the default message is not written.
TEST(FatalPathsDeathTest, InstalledHandlerReceivesTheBareMessage) {
  const std::vector<int> options = {1, 10, 1, 1, 1, 0, 0, 91648253, 0};
  std::vector<int> eind = {0, 1, 1, 2};
  int eptr[3] = {0, 2, 4}, part[3], cut;
  auto reportAndExit = [](const char *message) {
    std::fprintf(stderr, "[%s]", message);
    std::fflush(stderr);
    std::_Exit(7);
  };
  EXPECT_EXIT(
      {
        HGP_SetFatalHandler(reportAndExit);
        HGP_PartRecursive(3, 2, nullptr, eptr, eind.data(), nullptr, 1, 5, options.data(), part, &cut);
      },
      ::testing::ExitedWithCode(7), "^\\[Nparts should be at least 2\\.\\]$");
}

// A byte count that does not fit in size_t (here one that would wrap to 4)
// is a failed allocation, not a small one.
TEST(FatalPathsDeathTest, OversizedAllocationNamesTheArray) {
  EXPECT_EXIT(imalloc__(SIZE_MAX / sizeof(int) + 2, "Test: huge"), ::testing::ExitedWithCode(1),
              "^Memory allocation failed for Test: huge\\. Requested size: " + std::to_string(SIZE_MAX) +
                  " bytes\n\n$");
}

}  // namespace
