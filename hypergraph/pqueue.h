/* Gain queue of the FM refinement: a max-priority queue of vertices keyed
 * by gain.  Narrow gain ranges use buckets (constant-time operations, most
 * recently inserted or updated first among equal gains); ranges wider than
 * three times the capacity use a binary max-heap. */
#ifndef HYPERGRAPH_PQUEUE_H
#define HYPERGRAPH_PQUEUE_H

enum { PQUEUE_BUCKETS = 1, PQUEUE_HEAP = 2 };

struct PQueueNode {
  int prev, next; /* bucket list links by vertex number, -1 at the ends */
};
struct PQueueHeapEntry {
  int key, vertex;
};

struct PQueue {
  int type;
  int nnodes;
  int maxnodes;
  int maxgain;   /* buckets: highest non-empty bucket, -pgainspan when empty */
  int pgainspan; /* buckets: largest absolute gain */
  PQueueNode *nodes;
  int *buckets;  /* 2 * pgainspan + 1 list heads, indexed by gain + pgainspan */
  PQueueHeapEntry *heap;
  int *locator;  /* heap position of each vertex, -1 when absent */
};

void PQueueInit__(PQueue *queue, int maxnodes, int maxgain);
void PQueueReset__(PQueue *queue);
void PQueueFree__(PQueue *queue);
void PQueueInsert__(PQueue *queue, int vertex, int gain);
void PQueueDelete(PQueue *queue, int vertex, int gain);
void PQueueUpdate__(PQueue *queue, int vertex, int oldgain, int newgain);
int PQueueGetMax__(PQueue *queue);
int PQueueSeeMax__(const PQueue *queue);
/* With slack above 1000: the first vertex of positive gain that weighs at
 * most `slack`, else the largest-gain vertex. */
int PQueueSeeConstraintMax(const PQueue *queue, int slack, const int *cellwgt);

#endif
