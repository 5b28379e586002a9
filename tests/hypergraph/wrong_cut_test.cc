// A tracked bisection cut that disagrees with the recomputed one is reported on
// stderr as a "c " comment. The linker takes this recomputation, off by one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "hypergraph/debug.h"
#include "tests/hypergraph/hgp_test_util.h"

int ComputeActualCut__(const HGraph *graph, const int *where) {
  int cut = 1;
  for (int e = 0; e < graph->nhedges; e++)
    for (int j = graph->netptr[e] + 1; j < graph->netptr[e + 1]; j++)
      if (where[graph->netind[j]] != where[graph->netind[graph->netptr[e]]]) {
        cut += graph->netwgt[e];
        break;
      }
  return cut;
}

namespace {

TEST(WrongCutDeathTest, ReportedOnStderrAsComment) {
  Lcg rng(1);
  TestHypergraph h = RandomHypergraph(rng, 200, 250, 4);
  // Assertions on: the report precedes the abort.  Off: the run goes on.
  EXPECT_EXIT(
      {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) std::exit(3);
        Partition(h, 2);
        std::exit(0);
      },
      [](int) { return true; }, "^c Wrong cut! [0-9]+ [0-9]+\n");
}

}  // namespace
