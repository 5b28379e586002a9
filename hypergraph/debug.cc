#include "hypergraph/debug.h"

int ComputeActualCut__(const HGraph *graph, const int *where) {
  int cut = 0;
  for (int e = 0; e < graph->nhedges; e++) {
    int start = graph->netptr[e], end = graph->netptr[e + 1];
    for (int j = start + 1; j < end; j++) {
      if (where[graph->netind[j]] != where[graph->netind[start]]) {
        cut += graph->netwgt[e];
        break;
      }
    }
  }
  return cut;
}
