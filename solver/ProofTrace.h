// The dependency trace of a lower-bound solver: for each learnt constraint
// and each conflict at decision level 0, the refs of the constraints it was
// derived from. Walking it back from the final conflict yields the
// unsatisfiable core.
//
// Records hold refs, never pointers, so they stay valid after learnt-clause
// reduction has deleted the constraints they name.
#pragma once

#include <deque>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

template <class T>
using RefSet = std::set<T>;

// A derived ref and its antecedents in recording order, in one allocation.
struct ClDepPair {
  int ref;
  int count;
  int antecedents[1];

  static ClDepPair* make(int ref, const std::vector<int>& antecedents);
  static void release(ClDepPair* record);
};

class ProofTrace {
 public:
  std::unordered_map<int, ClDepPair*> records;
  std::unordered_set<int> inQueue;
  std::deque<int> queue;
  std::unordered_map<int, int> useCount;
  RefSet<int>* core = nullptr;
  int root = -1;
  std::vector<int> pending;

  ProofTrace() = default;
  virtual ~ProofTrace();
  ProofTrace(const ProofTrace&) = delete;
  ProofTrace& operator=(const ProofTrace&) = delete;

  void addPending(int ref) { pending.push_back(ref); }
  // Records ref with the pending antecedents (or none) and empties pending.
  // An earlier record under the same ref stays the one that counts.
  void makeRecord(int ref, bool takePending);

  void compute_dep_counts();
  void computeCore(RefSet<int>& into);

 private:
  void enqueue(int ref);
  const ClDepPair* dequeue();  // the record of the ref at the front
};
