// The decision order: a binary max-heap of variables by activity. Ties never
// move an element, so equal activities keep the order of insertion.
#pragma once

#include "solver/SolverTypes.h"
#include "solver/Vec.h"

class VarHeap {
  const vec<double>& activity;
  vec<Var> heap;
  vec<int> indices;  // position of each variable in heap, or -1

  static int left(int i) { return 2 * i + 1; }
  static int right(int i) { return 2 * i + 2; }
  static int parent(int i) { return (i - 1) >> 1; }

  void percolateUp(int i) {
    Var x = heap[i];
    while (i != 0 && activity[heap[parent(i)]] < activity[x]) {
      heap[i] = heap[parent(i)];
      indices[heap[i]] = i;
      i = parent(i);
    }
    heap[i] = x;
    indices[x] = i;
  }
  void percolateDown(int i) {
    Var x = heap[i];
    while (left(i) < heap.size()) {
      int child = right(i) < heap.size() && activity[heap[right(i)]] > activity[heap[left(i)]]
                      ? right(i)
                      : left(i);
      if (!(activity[heap[child]] > activity[x])) break;
      heap[i] = heap[child];
      indices[heap[i]] = i;
      i = child;
    }
    heap[i] = x;
    indices[x] = i;
  }

 public:
  explicit VarHeap(const vec<double>& act) : activity(act) {}

  int size() const { return heap.size(); }
  void release() {
    heap.clear(true);
    indices.clear(true);
  }
  void reserve(int n) {
    heap.capacityFor(n);
    indices.capacityFor(n);
  }
  bool empty() const { return heap.size() == 0; }
  Var operator[](int position) const { return heap[position]; }
  bool contains(Var v) const { return v < indices.size() && indices[v] >= 0; }

  void insert(Var v) {
    indices.growTo(v + 1, -1);
    indices[v] = heap.size();
    heap.push(v);
    percolateUp(indices[v]);
  }
  // After the activity of a contained variable grew.
  void increased(Var v) { percolateUp(indices[v]); }

  Var removeMax() {
    Var top = heap[0];
    heap[0] = heap.last();
    indices[heap[0]] = 0;
    indices[top] = -1;
    heap.pop();
    if (heap.size() > 1) percolateDown(0);
    return top;
  }

  // Keeps, in their order, the variables that pass the filter, then restores
  // the heap order bottom-up.
  template <class Keep>
  void filter(Keep keep) {
    int kept = 0;
    for (int i = 0; i < heap.size(); i++) {
      Var v = heap[i];
      if (keep(v)) {
        heap[kept] = v;
        indices[v] = kept++;
      } else {
        indices[v] = -1;
      }
    }
    heap.shrink(heap.size() - kept);
    for (int i = heap.size() / 2 - 1; i >= 0; i--) percolateDown(i);
  }
};
