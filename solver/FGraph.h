// The implication graph of the binary clauses over literal codes, and its
// strongly connected components (Tarjan): the literals of one component are
// equivalent.
#pragma once

#include <utility>
#include <vector>

class FGraph {
 public:
  // Vertices are any non-negative ints; only those on an edge take room.
  // An edge from a vertex to itself says nothing and is not kept.
  void addEdge(int from, int to);

  // Every component of two or more vertices, each in discovery order (its
  // root first), in the order Tarjan's search completes them.
  void findAllScc();
  const std::vector<std::vector<int>>& components() const { return sccs; }

 private:
  void compact();
  void tarjan(int root);
  void enter(int v);
  void closeComponent(int root);

  std::vector<std::pair<int, int>> edges;  // in the order added
  // Over the vertices on an edge only, numbered in increasing vertex order:
  // a header may declare millions of variables that no binary clause holds.
  std::vector<int> vertexOf;    // dense number -> vertex
  std::vector<int> firstEdge;   // dense number -> its successors in `targets`
  std::vector<int> targets;     // dense successors, each list in the order added
  std::vector<char> state;      // 0 not visited, 1 on the Tarjan stack, 2 finished
  std::vector<int> index, lowlink;
  std::vector<int> stack;
  struct Frame {
    int vertex;
    int next;
  };
  std::vector<Frame> frames;
  int nextIndex = 1;
  std::vector<std::vector<int>> sccs;
};
