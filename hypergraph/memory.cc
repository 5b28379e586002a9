#include "hypergraph/memory.h"

#include "hypergraph/ZVlib.h"

void AllocateRefinementMemory__(HGraph *graph) {
  ZVfree__(&graph->where, &graph->gain, &graph->ndeg[0], &graph->ndeg[1]);
  graph->where = imalloc__(size_t(graph->nvtxs) + size_t(graph->nislands), "AllocateRefinementMemory: where");
  graph->gain = imalloc__(size_t(graph->nvtxs), "AllocateRefinementMemory: gain");
  graph->ndeg[0] = imalloc__(size_t(graph->nhedges), "AllocateRefinementMemory: ndeg[0]");
  graph->ndeg[1] = imalloc__(size_t(graph->nhedges), "AllocateRefinementMemory: ndeg[1]");
}
