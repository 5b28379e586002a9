// Unsatisfiable cores: the level-0 conflict records of the dependency trace
// and the walk that turns the trace into the set of constraints at the
// bottom of the final conflict's derivation.
#include <cassert>
#include <cstdlib>

#include "solver/Fatal.h"
#include "solver/Solver.h"

ClDepPair* ClDepPair::make(int ref, const std::vector<int>& antecedents) {
  size_t bytes = sizeof(ClDepPair) + sizeof(int) * antecedents.size();
  ClDepPair* record = (ClDepPair*)xmalloc(bytes);
  record->ref = ref;
  record->count = (int)antecedents.size();
  for (size_t i = 0; i < antecedents.size(); i++) record->antecedents[i] = antecedents[i];
  return record;
}

void ClDepPair::release(ClDepPair* record) { free(record); }

ProofTrace::~ProofTrace() {
  for (auto& entry : records) ClDepPair::release(entry.second);
}

void ProofTrace::makeRecord(int ref, bool takePending) {
  static const std::vector<int> none;
  ClDepPair* record = ClDepPair::make(ref, takePending ? pending : none);
  pending.clear();
  if (!records.emplace(ref, record).second) ClDepPair::release(record);
  root = ref;
}

void ProofTrace::enqueue(int ref) {
  queue.push_back(ref);
  inQueue.insert(ref);
}

const ClDepPair* ProofTrace::dequeue() {
  int ref = queue.front();
  queue.pop_front();
  inQueue.erase(ref);
  return records.at(ref);
}

// Counts, for every derived ref reachable from the root, how many records
// reachable from the root use it.
void ProofTrace::compute_dep_counts() {
  enqueue(root);
  useCount[root] = 1;
  while (!inQueue.empty()) {
    const ClDepPair* record = dequeue();
    for (int k = 0; k < record->count; k++) {
      int a = record->antecedents[k];
      if (records.find(a) == records.end()) continue;
      auto used = useCount.find(a);
      if (used != useCount.end()) {
        used->second++;
      } else {
        enqueue(a);
        useCount[a] = 1;
      }
    }
  }
}

// Visits each reachable record after all its users (topological order) and
// collects the leaves it names.
void ProofTrace::computeCore(RefSet<int>& into) {
  core = &into;
  compute_dep_counts();
  enqueue(root);
  useCount[root]--;
  while (!inQueue.empty()) {
    const ClDepPair* record = dequeue();
    for (int k = 0; k < record->count; k++) {
      int a = record->antecedents[k];
      if (records.find(a) != records.end()) {
        if (--useCount[a] == 0) enqueue(a);
      } else {
        core->insert(a);
      }
    }
  }
  core = nullptr;
}

void Solver::failAtLevel0(Constraint* confl) {
  if (ok) addConflictLevel0(confl);
  ok = false;
}

bool Solver::propagateAtLevel0() {
  if (!ok) return false;
  Constraint* confl = propagate();
  if (confl == nullptr) return true;
  failAtLevel0(confl);
  return false;
}

// Records a conflict at level 0 with every reason behind it, soft or not, and
// closes it with an empty learnt clause, the root of the next core.
void Solver::addConflictLevel0(Constraint* confl) {
  if (proofTrace == nullptr) return;
  proofTrace->addPending(confl->ref());
  vec<Constraint*> work;
  vec<Var> marked;
  work.push(confl);
  for (int w = 0; w < work.size(); w++) {
    Constraint& c = *work[w];
    for (int i = 0; i < c.size(); i++) {
      Lit l = c[i];
      Var v = var(l);
      if (seen[v] || value(l) != l_False) continue;
      Constraint* why = reason[v];
      assert(why != nullptr);  // every level-0 assignment of a traced solver has a reason
      seen[v] = 1;
      marked.push(v);
      if (why == nullptr) continue;
      proofTrace->addPending(why->ref());
      work.push(why);
    }
  }
  for (Var v : marked) seen[v] = 0;

  unsigned ref = (uint32_t)constraints.size() + (uint32_t)conflicts;
  Clause* empty = Clause::make(nullptr, 0, ref, true);
  empty->isSoft(true);
  learnts.push(empty);
  proofTrace->makeRecord(empty->ref(), true);
}

void Solver::compute_core(RefSet<int>& core) {
  assert(proofTrace != nullptr && proofTrace->records.count(proofTrace->root) == 1);
  proofTrace->computeCore(core);
}
