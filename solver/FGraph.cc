// Tarjan's algorithm with an explicit stack of frames instead of recursion:
// implication chains of millions of literals would overflow a thread's
// stack. Each frame is a vertex and the position of its next successor, so
// successors are visited in list order and the components, and therefore the
// representatives chosen from them, are those of the recursive search.
#include "solver/FGraph.h"

#include <algorithm>

FGraph::FGraph(int nbVertices)
    : outEdges((size_t)nbVertices), state((size_t)nbVertices, 0), index((size_t)nbVertices, 0),
      lowlink((size_t)nbVertices, 0) {}

void FGraph::addEdge(int from, int to) {
  if (from != to) outEdges[(size_t)from].push_back(to);
}

void FGraph::findAllScc() {
  nextIndex = 1;
  stack.clear();
  sccs.clear();
  for (int v = 0; v < (int)outEdges.size(); v++)
    if (state[(size_t)v] == 0) tarjan(v);
  for (int v : visited) state[(size_t)v] = index[(size_t)v] = lowlink[(size_t)v] = 0;
  visited.clear();
}

void FGraph::enter(int v) {
  state[(size_t)v] = 1;
  visited.push_back(v);
  index[(size_t)v] = lowlink[(size_t)v] = nextIndex++;
  stack.push_back(v);
}

// Pops the component whose root is v, in discovery order.
void FGraph::closeComponent(int root) {
  size_t from = stack.size();
  do from--;
  while (stack[from] != root);
  if (stack.size() - from >= 2) sccs.emplace_back(stack.begin() + (long)from, stack.end());
  for (size_t i = from; i < stack.size(); i++) state[(size_t)stack[i]] = 2;
  stack.resize(from);
}

void FGraph::tarjan(int root) {
  struct Frame {
    int vertex;
    size_t next;
  };
  std::vector<Frame> frames;
  enter(root);
  frames.push_back({root, 0});
  while (!frames.empty()) {
    Frame& f = frames.back();
    const int v = f.vertex;
    const std::vector<int>& successors = outEdges[(size_t)v];
    if (f.next < successors.size()) {
      const int w = successors[f.next++];
      if (state[(size_t)w] == 0) {
        enter(w);
        frames.push_back({w, 0});  // f is invalid from here on
      } else if (state[(size_t)w] == 1) {
        lowlink[(size_t)v] = std::min(lowlink[(size_t)v], lowlink[(size_t)w]);
      }
      continue;
    }
    if (lowlink[(size_t)v] == index[(size_t)v]) closeComponent(v);
    frames.pop_back();
    if (!frames.empty()) {
      const int parent = frames.back().vertex;
      lowlink[(size_t)parent] = std::min(lowlink[(size_t)parent], lowlink[(size_t)v]);
    }
  }
}
