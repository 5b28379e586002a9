#include "hypergraph/ikeysort.h"

#include <cstdint>
#include <utility>

static const int kSmallRange = 20;

/* Moves an entry only past strictly larger keys. */
static void InsertionSort__(KeyValue *pairs, int n) {
  for (int i = 1; i < n; i++) {
    KeyValue entry = pairs[i];
    int j = i;
    for (; j > 0 && pairs[j - 1].key > entry.key; j--) pairs[j] = pairs[j - 1];
    pairs[j] = entry;
  }
}

static void MedianOfThree__(KeyValue *pairs, int lo, int mid, int hi) {
  if (pairs[mid].key < pairs[lo].key) std::swap(pairs[mid], pairs[lo]);
  if (pairs[hi].key < pairs[lo].key) std::swap(pairs[hi], pairs[lo]);
  if (pairs[hi].key < pairs[mid].key) std::swap(pairs[hi], pairs[mid]);
}

/* Hoare partitioning stops on keys equal to the pivot from both ends, so
 * long runs of equal keys (identical nets are common on coarse levels)
 * still split evenly.  Recursing on the smaller side bounds the depth;
 * ranges of at most 20 entries are left to the final insertion pass. */
static void QuickSortRange__(KeyValue *pairs, int lo, int hi) {
  while (hi - lo > kSmallRange) {
    int mid = lo + (hi - lo) / 2;
    MedianOfThree__(pairs, lo, mid, hi);
    int pivot = pairs[mid].key;
    int i = lo, j = hi;
    while (i <= j) {
      while (pairs[i].key < pivot) i++;
      while (pairs[j].key > pivot) j--;
      if (i <= j) std::swap(pairs[i++], pairs[j--]);
    }
    if (j - lo < hi - i) {
      QuickSortRange__(pairs, lo, j);
      lo = i;
    } else {
      QuickSortRange__(pairs, i, hi);
      hi = j;
    }
  }
}

/* Nearly sorted input (fewer than 5 % of neighbouring pairs out of order)
 * goes straight to insertion sort, after the smallest key is moved to the
 * front. */
void ikeysort__(int n, KeyValue *pairs) {
  if (n <= 1) return;
  int outOfOrder = 0, smallest = 0;
  for (int i = 1; i < n; i++) {
    if (pairs[i].key < pairs[i - 1].key) outOfOrder++;
    if (pairs[i].key < pairs[smallest].key) smallest = i;
  }
  if (int64_t(outOfOrder) * 20 < int64_t(n - 1)) {
    std::swap(pairs[0], pairs[smallest]);
  } else {
    QuickSortRange__(pairs, 0, n - 1);
  }
  InsertionSort__(pairs, n);
}
