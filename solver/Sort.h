// The in-place, unstable sort of the solver. Its tie order is part of the
// behaviour (it decides which learnt clauses a reduction removes), so it is
// written out here rather than taken from the standard library.
#pragma once

#include "solver/SolverTypes.h"
#include "solver/Vec.h"

template <class T, class LessThan>
void selectionSort(T* array, int size, LessThan lessThan) {
  for (int i = 0; i < size - 1; i++) {
    int best = i;
    for (int j = i + 1; j < size; j++)
      if (lessThan(array[j], array[best])) best = j;
    T tmp = array[i];
    array[i] = array[best];
    array[best] = tmp;
  }
}

template <class T, class LessThan>
void sort(T* array, int size, LessThan lessThan) {
  while (size >= 16) {
    T pivot = array[size / 2];  // by value: the swaps below move that slot
    int i = -1;
    int j = size;
    for (;;) {
      do i++; while (lessThan(array[i], pivot));
      do j--; while (lessThan(pivot, array[j]));
      if (i >= j) break;
      T tmp = array[i];
      array[i] = array[j];
      array[j] = tmp;
    }
    sort(array, i, lessThan);
    array += i;
    size -= i;
  }
  selectionSort(array, size, lessThan);
}

template <class T, class LessThan>
void sort(vec<T>& v, LessThan lessThan) { sort(v.begin(), v.size(), lessThan); }

template <class T>
void sort(vec<T>& v) { sort(v.begin(), v.size(), LessThan_default()); }
