// The implication graph of the binary clauses over literal codes, and its
// strongly connected components (Tarjan): the literals of one component are
// equivalent.
#pragma once

#include <vector>

class FGraph {
 public:
  explicit FGraph(int nbVertices);

  // An edge from a vertex to itself says nothing and is not kept.
  void addEdge(int from, int to);

  // Every component of two or more vertices, each in discovery order (its
  // root first), in the order Tarjan's search completes them.
  void findAllScc();
  const std::vector<std::vector<int>>& components() const { return sccs; }

 private:
  void tarjan(int root);
  void enter(int v);
  void closeComponent(int root);

  std::vector<std::vector<int>> outEdges;
  std::vector<char> state;  // 0 not visited, 1 on the Tarjan stack, 2 finished
  std::vector<int> visited;
  std::vector<int> index, lowlink;
  std::vector<int> stack;
  int nextIndex = 1;
  std::vector<std::vector<int>> sccs;
};
