#include "hypergraph/pqueue.h"

#include <cassert>

#include "hypergraph/ZVlib.h"

void PQueueInit__(PQueue *queue, int maxnodes, int maxgain) {
  queue->nnodes = 0;
  queue->maxnodes = maxnodes;
  queue->nodes = nullptr;
  queue->buckets = nullptr;
  queue->heap = nullptr;
  queue->locator = nullptr;
  if (int64_t(maxgain) > 3 * int64_t(maxnodes)) {
    queue->type = PQUEUE_HEAP;
    queue->pgainspan = 0;
    queue->maxgain = 0;
    queue->heap = static_cast<PQueueHeapEntry *>(
        ZVmalloc__(size_t(maxnodes) * sizeof(PQueueHeapEntry), "PQueueInit: queue->heap"));
    queue->locator = ismalloc__(size_t(maxnodes), -1, "PQueueInit: queue->locator");
  } else {
    queue->type = PQUEUE_BUCKETS;
    queue->pgainspan = maxgain;
    queue->maxgain = -maxgain;
    queue->nodes = static_cast<PQueueNode *>(
        ZVmalloc__(size_t(maxnodes) * sizeof(PQueueNode), "PQueueInit: queue->nodes"));
    queue->buckets = ismalloc__(2 * size_t(maxgain) + 1, -1, "PQueueInit: queue->buckets");
  }
}

void PQueueReset__(PQueue *queue) {
  queue->nnodes = 0;
  if (queue->type == PQUEUE_HEAP) {
    iset__(size_t(queue->maxnodes), -1, queue->locator);
  } else {
    iset__(2 * size_t(queue->pgainspan) + 1, -1, queue->buckets);
    queue->maxgain = -queue->pgainspan;
  }
}

void PQueueFree__(PQueue *queue) {
  ZVfree__(&queue->nodes, &queue->heap);
  ZVfree__(&queue->buckets, &queue->locator);
  queue->nnodes = 0;
}

static int *Bucket__(const PQueue *queue, int gain) {
  return queue->buckets + (gain + queue->pgainspan);
}

static void SiftUp__(PQueue *queue, int position) {
  PQueueHeapEntry entry = queue->heap[position];
  while (position > 0) {
    int parent = (position - 1) / 2;
    if (queue->heap[parent].key >= entry.key) break;
    queue->heap[position] = queue->heap[parent];
    queue->locator[queue->heap[position].vertex] = position;
    position = parent;
  }
  queue->heap[position] = entry;
  queue->locator[entry.vertex] = position;
}

/* Takes the larger child, the left one on equal keys, and stops when that
 * child is not larger: equal keys never overtake each other. */
static void SiftDown__(PQueue *queue, int position) {
  PQueueHeapEntry entry = queue->heap[position];
  for (;;) {
    int child = 2 * position + 1;
    if (child >= queue->nnodes) break;
    if (child + 1 < queue->nnodes && queue->heap[child + 1].key > queue->heap[child].key) child++;
    if (queue->heap[child].key <= entry.key) break;
    queue->heap[position] = queue->heap[child];
    queue->locator[queue->heap[position].vertex] = position;
    position = child;
  }
  queue->heap[position] = entry;
  queue->locator[entry.vertex] = position;
}

void PQueueInsert__(PQueue *queue, int vertex, int gain) {
  assert(vertex >= 0 && vertex < queue->maxnodes);
  if (queue->type == PQUEUE_HEAP) {
    assert(queue->locator[vertex] == -1);
    int position = queue->nnodes++;
    queue->heap[position].key = gain;
    queue->heap[position].vertex = vertex;
    SiftUp__(queue, position);
    return;
  }
  assert(gain >= -queue->pgainspan && gain <= queue->pgainspan);
  int *head = Bucket__(queue, gain);
  queue->nodes[vertex].prev = -1;
  queue->nodes[vertex].next = *head;
  if (*head != -1) queue->nodes[*head].prev = vertex;
  *head = vertex;
  queue->nnodes++;
  if (gain > queue->maxgain) queue->maxgain = gain;
}

static void UnlinkFromBucket__(PQueue *queue, int vertex, int gain) {
  PQueueNode &node = queue->nodes[vertex];
  if (node.prev != -1) queue->nodes[node.prev].next = node.next;
  else *Bucket__(queue, gain) = node.next;
  if (node.next != -1) queue->nodes[node.next].prev = node.prev;
  queue->nnodes--;
}

/* Lowers maxgain past buckets that became empty. */
static void LowerMaxGain__(PQueue *queue) {
  if (queue->nnodes == 0) {
    queue->maxgain = -queue->pgainspan;
    return;
  }
  while (*Bucket__(queue, queue->maxgain) == -1) queue->maxgain--;
}

static void DeleteFromHeap__(PQueue *queue, int vertex) {
  int position = queue->locator[vertex];
  assert(position >= 0);
  queue->locator[vertex] = -1;
  int last = --queue->nnodes;
  if (position == last) return;
  int oldKey = queue->heap[position].key;
  queue->heap[position] = queue->heap[last];
  queue->locator[queue->heap[position].vertex] = position;
  if (queue->heap[position].key > oldKey) SiftUp__(queue, position);
  else SiftDown__(queue, position);
}

void PQueueDelete(PQueue *queue, int vertex, int gain) {
  if (queue->type == PQUEUE_HEAP) {
    DeleteFromHeap__(queue, vertex);
    return;
  }
  UnlinkFromBucket__(queue, vertex, gain);
  LowerMaxGain__(queue);
}

/* The bucket case relinks first and lowers maxgain afterwards, so a vertex
 * whose gain rises from the top bucket does not trigger a scan down. */
void PQueueUpdate__(PQueue *queue, int vertex, int oldgain, int newgain) {
  if (oldgain == newgain) return;
  if (queue->type == PQUEUE_HEAP) {
    int position = queue->locator[vertex];
    assert(position >= 0);
    queue->heap[position].key = newgain;
    if (newgain > oldgain) SiftUp__(queue, position);
    else SiftDown__(queue, position);
    return;
  }
  UnlinkFromBucket__(queue, vertex, oldgain);
  PQueueInsert__(queue, vertex, newgain);
  LowerMaxGain__(queue);
}

int PQueueSeeMax__(const PQueue *queue) {
  if (queue->nnodes == 0) return -1;
  if (queue->type == PQUEUE_HEAP) return queue->heap[0].vertex;
  return *Bucket__(queue, queue->maxgain);
}

int PQueueGetMax__(PQueue *queue) {
  int vertex = PQueueSeeMax__(queue);
  if (vertex == -1) return -1;
  if (queue->type == PQUEUE_HEAP) PQueueDelete(queue, vertex, queue->heap[0].key);
  else PQueueDelete(queue, vertex, queue->maxgain);
  return vertex;
}

static int SeeConstraintMaxBuckets__(const PQueue *queue, int slack, const int *cellwgt) {
  for (int gain = queue->maxgain; gain >= 1; gain--)
    for (int v = *Bucket__(queue, gain); v != -1; v = queue->nodes[v].next)
      if (cellwgt[v] <= slack) return v;
  return PQueueSeeMax__(queue);
}

/* A bounded search, not an exhaustive one: it scans in array order and
 * gives up at the first entry without positive gain whose parent has none
 * either, since from there on most entries lie in subtrees without
 * positive gain. */
static int SeeConstraintMaxHeap__(const PQueue *queue, int slack, const int *cellwgt) {
  for (int i = 0; i < queue->nnodes; i++) {
    const PQueueHeapEntry &entry = queue->heap[i];
    if (entry.key > 0) {
      if (cellwgt[entry.vertex] <= slack) return entry.vertex;
    } else if (i > 0 && queue->heap[(i - 1) / 2].key <= 0) {
      break;
    }
  }
  return PQueueSeeMax__(queue);
}

int PQueueSeeConstraintMax(const PQueue *queue, int slack, const int *cellwgt) {
  if (queue->nnodes == 0) return -1;
  if (slack <= 1000) return PQueueSeeMax__(queue);
  if (queue->type == PQUEUE_HEAP) return SeeConstraintMaxHeap__(queue, slack, cellwgt);
  return SeeConstraintMaxBuckets__(queue, slack, cellwgt);
}
