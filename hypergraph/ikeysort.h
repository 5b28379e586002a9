/* Sort of (key, value) pairs by increasing key, used to bring nets with
 * equal hash keys together so identical nets can be merged. */
#ifndef HYPERGRAPH_IKEYSORT_H
#define HYPERGRAPH_IKEYSORT_H

struct KeyValue {
  int key, val;
};

void ikeysort__(int n, KeyValue *pairs);

#endif
