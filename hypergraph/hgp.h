/* Multilevel hypergraph partitioner: public entry point.
 *
 * Splits the vertices of a hypergraph into `nparts` groups of about equal
 * weight so that the summed weight of the nets (hyperedges) spanning more
 * than one group is small.  The caller's arrays are only read. */
#ifndef HYPERGRAPH_HGP_H
#define HYPERGRAPH_HGP_H

#ifdef __cplusplus
extern "C" {
#endif

/* Nets are given in compressed form: the pins of net i are
 * eind[eptr[i]] .. eind[eptr[i+1]-1].  Null `vwgts` / `hewgts` mean unit
 * weights.  `options` holds 9 ints: options[0] = 0 selects the defaults,
 * otherwise options[1..8] are Nruns, Ctype, Rtype, Vcycle, Reconst, Fixed,
 * seed and the debug level.  On return part[v] lies in 0..nparts-1 and
 * *edgecut is the summed weight of the nets whose pins lie in more than one
 * part.  Invalid arguments end the process with a message on stderr. */
void HGP_PartRecursive(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int nparts, int ubfactor,
                       const int *options, int *part, int *edgecut);

/* HGP_PartRecursive that polls `stop(stopArg)` between steps (a coarsening
 * level, a refinement pass, a trial, a bisection) and, once it returns
 * non-zero, stops polling and returns soon with a partition that is valid
 * but no longer refined.  Returns 1 if it was stopped, else 0; unstopped,
 * the partition is the one HGP_PartRecursive gives.  A null `stop` never
 * stops. */
int HGP_PartRecursiveStoppable(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                               const int *eind, const int *hewgts, int nparts, int ubfactor,
                               const int *options, int *part, int *edgecut, int (*stop)(void *),
                               void *stopArg);

/* A refused argument or a failed allocation ends the process.  By default
 * the message and one more empty line go to stderr and the status is 1; a
 * program with rules of its own for its output and its end installs a
 * handler, which is given the message without its newlines and must not
 * return.  A null handler restores the default. */
typedef void (*HGP_FatalHandler)(const char *message);
void HGP_SetFatalHandler(HGP_FatalHandler handler);

#ifdef __cplusplus
}
#endif

#endif
