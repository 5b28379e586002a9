/* Fatal errors, the partitioner's own random numbers, and the shuffles and
 * counting sort the coarsening and refinement use for visiting orders. */
#ifndef HYPERGRAPH_UTIL_H
#define HYPERGRAPH_UTIL_H

#include "hypergraph/hgraph.h"

/* Ends the process through the installed fatal handler, or by default with
 * the message and one more newline on stderr and a non-zero status: the
 * partitioner cannot recover from a refused argument or a failed
 * allocation, and must not look like a success. */
[[noreturn]] void errexit__(const char *format, ...) __attribute__((format(printf, 1, 2)));

/* The partitioner keeps its generator in the control record so that it
 * neither reads nor disturbs the process-wide drand48 state; the sequence
 * is the one srand48(seed) + drand48() would give.  A negative seed seeds
 * from the clock. */
void InitRandom__(HgpCtrl *ctrl, int seed);
double RandomDouble__(HgpCtrl *ctrl);

/* True once the caller's stop poll has asked for a stop.  The answer is
 * kept, so a poll that has said stop is not asked again; without a poll it
 * is always false and the partitioning runs as if it had none. */
bool Stopped__(HgpCtrl *ctrl);

/* n/16 rounds, each exchanging two random runs of four entries. */
void RandomPermute__(HgpCtrl *ctrl, int *array, int n, int init);
/* n exchanges of two random entries. */
void RandomPermuteFine__(HgpCtrl *ctrl, int *array, int n, int init);
/* Stable counting sort of the vertices in `in` by key[vertex] (0..maxkey). */
void BucketSortKeysInc(int n, int maxkey, const int *key, const int *in, int *out);

#endif
