/* The records every routine of the partitioner works on: the per-call
 * control record and the hypergraph record, plus the routines that create,
 * derive, prune and free hypergraphs. */
#ifndef HYPERGRAPH_HGRAPH_H
#define HYPERGRAPH_HGRAPH_H

#include <cstdint>

/* Settings of one partitioning call; lives on the stack of the entry point. */
struct HgpCtrl {
  int coarsenTo;        /* coarsening stops at this many vertices */
  int matchType;        /* matching scheme of the current coarsening */
  int refineType;       /* refinement scheme */
  int nRuns;            /* trial bisections per bisection */
  int maxNetSize;       /* larger nets are ignored while a bisection is computed */
  float balance;        /* allowed imbalance */
  int fixedCells;
  int seed;
  int debugLevel;
  int reconstruct;
  int vcycle;
  int nparts;
  int heavyCells;       /* the hypergraph being bisected has heavy vertices */
  int kwayRefine;       /* nparts <= 64: finish with k-way refinement */
  float bisectFraction; /* share of the weight side 0 aims at */
  int maxCellWeight;    /* heaviest coarse vertex the matching may build */
  uint64_t randomState; /* the partitioner's own 48-bit generator state */
  int (*stop)(void *);  /* caller's stop poll, or null */
  void *stopArg;
  int stopped;          /* the poll said stop: it is not asked again */
};

/* K-way records (see kwayrefine.h). */
struct NetPartInfo {
  int nparts; /* parts the net touches */
  int start;  /* first entry of its part list in nrdata */
};
struct NetPartEntry {
  int part;
  int npins; /* pins of the net in that part */
};
struct CellKwayInfo {
  int ndegrees; /* neighbouring parts listed */
  int id;       /* weight of uncut nets of the vertex (2 pins or more) */
  int ed;       /* weight of cut nets in which the vertex is alone in its part */
  int capacity; /* slots reserved for its list */
  int64_t start; /* first slot of its list in crdata (may exceed INT_MAX) */
};
struct CellKwayEntry {
  int part;
  int cutgain;
  int tie;
  int soedgain;
};

struct HGraph {
  int nvtxs;    /* vertices in play (islands set aside are not counted) */
  int nislands; /* island vertices parked after the vertices in play */
  int nhedges;
  int absorbedNetWeight;
  int keep;     /* top hypergraph of a call: the recursion must not free it */
  int *incptr, *incind;
  int *netptr, *netind;
  int *islandmap;
  int *cellwgt;
  int *netwgt;
  int *adjwgt;
  float *edgewgt;
  int *label;
  int *cellmap;
  int *netmap;
  int *mptr, *mind;
  HGraph *coarser, *finer;
  int level;
  int *where;
  int mincut;
  int *gain;
  int *ndeg[2];
  int pwgts[2];
  int kwayCut;
  int64_t soed;
  NetPartInfo *nrinfo;
  CellKwayInfo *crinfo;
  NetPartEntry *nrdata;
  CellKwayEntry *crdata;
  int *kpwgts;
};

HGraph *CreateHGraph__();
void InitHGraph__(HGraph *graph);
/* Frees every array of the record except `label`, then the record. */
void FreeHGraph__(HGraph *graph);
/* Frees the working arrays of a trial and keeps the hypergraph usable. */
void FreeRootHGraph__(HGraph *graph);
void FreeKwayRecords__(HGraph *graph);
void CreateIncidentHGraph__(HGraph *graph);
HGraph *PruneHGraph__(const HgpCtrl *ctrl, const HGraph *graph);
void SeparateIslands__(HGraph *graph);
void CombineIslands__(HGraph *graph);

inline int NetSize__(const HGraph *graph, int net) {
  return graph->netptr[net + 1] - graph->netptr[net];
}

#endif
