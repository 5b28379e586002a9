// The hypergraph of a solver's constraints, in the partitioner's compressed
// form: the constraints are the vertices (by index) and every variable that
// occurs somewhere is a net, in increasing variable order, whose pins are
// the constraints it occurs in, one pin per occurrence, in constraint order.
#pragma once

#include <vector>

class Solver;

struct ConstraintHyperGraph {
  int nbVertices = 0;
  std::vector<int> eptr{0};  // the pins of net e are eind[eptr[e]] .. eind[eptr[e + 1] - 1]
  std::vector<int> eind;
  int nbNets() const { return (int)eptr.size() - 1; }
};

ConstraintHyperGraph constraintHyperGraph(const Solver& s);
