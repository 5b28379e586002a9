/* Increasing sort of a short int array (the coarse pins of one net). */
#ifndef HYPERGRAPH_IINTSORT_H
#define HYPERGRAPH_IINTSORT_H

void iintsort__(int n, int *array);

#endif
