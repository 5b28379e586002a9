#include "hypergraph/iintsort.h"

#include <algorithm>

void iintsort__(int n, int *array) {
  if (n > 1) std::sort(array, array + n);
}
