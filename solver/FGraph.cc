// Tarjan's algorithm with an explicit stack of frames instead of recursion:
// implication chains of millions of literals would overflow a thread's
// stack. Each frame is a vertex and the position of its next successor, so
// successors are visited in list order and the components, and therefore the
// representatives chosen from them, are those of the recursive search.
//
// A vertex on no edge is a component of its own, which is never reported, so
// the search runs over the vertices on an edge only, in increasing vertex
// order as a search over all vertices would meet them.
#include "solver/FGraph.h"

#include <algorithm>

void FGraph::addEdge(int from, int to) {
  if (from != to) edges.emplace_back(from, to);
}

// Numbers the vertices on an edge densely and lays their successor lists out
// one after the other (a stable counting sort by source keeps each list in
// the order added).
void FGraph::compact() {
  vertexOf.clear();
  vertexOf.reserve(2 * edges.size());
  for (const auto& [from, to] : edges) {
    vertexOf.push_back(from);
    vertexOf.push_back(to);
  }
  std::sort(vertexOf.begin(), vertexOf.end());
  vertexOf.erase(std::unique(vertexOf.begin(), vertexOf.end()), vertexOf.end());
  vertexOf.shrink_to_fit();
  auto dense = [this](int v) {
    return (int)(std::lower_bound(vertexOf.begin(), vertexOf.end(), v) - vertexOf.begin());
  };
  const size_t n = vertexOf.size();
  firstEdge.assign(n + 1, 0);
  std::vector<std::pair<int, int>> denseEdges;
  denseEdges.reserve(edges.size());
  for (const auto& [from, to] : edges) {
    denseEdges.emplace_back(dense(from), dense(to));
    firstEdge[(size_t)denseEdges.back().first + 1]++;
  }
  edges.clear();
  edges.shrink_to_fit();
  for (size_t v = 0; v < n; v++) firstEdge[v + 1] += firstEdge[v];
  targets.assign(denseEdges.size(), 0);
  std::vector<int> fill(firstEdge.begin(), firstEdge.end() - 1);
  for (const auto& [from, to] : denseEdges) targets[(size_t)fill[(size_t)from]++] = to;
  state.assign(n, 0);
  index.assign(n, 0);
  lowlink.assign(n, 0);
}

void FGraph::findAllScc() {
  compact();
  nextIndex = 1;
  stack.clear();
  sccs.clear();
  for (int v = 0; v < (int)vertexOf.size(); v++)
    if (state[(size_t)v] == 0) tarjan(v);
  for (std::vector<int>& component : sccs)
    for (int& v : component) v = vertexOf[(size_t)v];
}

void FGraph::enter(int v) {
  state[(size_t)v] = 1;
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
  frames.clear();
  enter(root);
  frames.push_back({root, firstEdge[(size_t)root]});
  while (!frames.empty()) {
    Frame& f = frames.back();
    const int v = f.vertex;
    if (f.next < firstEdge[(size_t)v + 1]) {
      const int w = targets[(size_t)f.next++];
      if (state[(size_t)w] == 0) {
        enter(w);
        frames.push_back({w, firstEdge[(size_t)w]});  // f is invalid from here on
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
