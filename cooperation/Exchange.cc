// Learnt clauses passed between the threads: each exporter copies a clause
// into every other thread's import buffer; each receiver drains its buffer at
// the end of its sharing periods, parking clauses that look useless for now
// and retrying them later.
#include <cstdlib>
#include <cstring>

#include "cooperation/Cooperation.h"
#include "solver/Fatal.h"
#include "solver/Solver.h"

static int* copyLits(const Lit* lits, int size) {
  int* copy = (int*)xmalloc(sizeof(int) * (size_t)size);
  memcpy(copy, lits, sizeof(int) * (size_t)size);
  return copy;
}

void Cooperation::exportClause(Solver* from, const vec<Lit>& lits, int size) {
  if (nbThreads == 1 || lbTimeOut || ubTimeOut) return;
  const int tid = from->tid;
  pthread_mutex_lock(&clauseMutex);
  nbExported[tid]++;
  for (int j = 0; j < nbThreads; j++) {
    if (j == tid) continue;
    if (size != 0 && exportCutoff[tid][j] < (float)lits.size()) continue;
    int slot = importCount[j];
    if (slot >= importCapacity) continue;  // full: dropped for this receiver only
    importLits[j][slot] = copyLits(lits.begin(), lits.size());
    importSizes[j][slot] = lits.size();
    importSource[j][slot] = tid;
    importCount[j]++;
  }
  pthread_mutex_unlock(&clauseMutex);
}

static void loadClause(vec<Lit>& into, const int* lits, int size) {
  into.clear();
  for (int i = 0; i < size; i++) into.push(lits[i]);
}

// Holds clauseMutex for the whole drain. Adding a clause never exports one
// (the import path stores and analyses without offering anything), so the
// thread cannot come back to this lock.
void Cooperation::importClauses(Solver* to) {
  if (nbThreads == 1) return;
  const int tid = to->tid;
  vec<Lit> lits;
  pthread_mutex_lock(&clauseMutex);
  for (int k = 0; k < importCount[tid]; k++) {
    loadClause(lits, importLits[tid][k], importSizes[tid][k]);
    if (typeLearning > 3 && to->checkFrozen(lits)) {
      int slot = frozenCount[tid];
      if (slot < frozenCapacity) {
        frozenLits[tid][slot] = importLits[tid][k];  // the parked clause takes over the array
        importLits[tid][k] = nullptr;
        frozenSizes[tid][slot] = importSizes[tid][k];
        frozenAge[tid][slot] = 0;
        frozenCount[tid]++;
      }
    } else {
      to->addExtraClause(lits, false);
      nbImported[tid]++;
      nbImportedLits[tid] += lits.size();
    }
    freeSlot(importLits[tid], k);
  }
  importCount[tid] = 0;
  pthread_mutex_unlock(&clauseMutex);
}

void Cooperation::freeSlot(std::vector<int*>& lits, int slot) {
  free(lits[slot]);
  lits[slot] = nullptr;
}

// A parked clause gets seven retries; then (or once added) its slot is used
// up (age -1) and waits for the next compaction.
void Cooperation::importFrozenClauses(Solver* to) {
  const int tid = to->tid;
  vec<Lit> lits;
  for (int k = 0; k < frozenCount[tid]; k++) {
    int& age = frozenAge[tid][k];
    if (age == -1 || age == 7) continue;
    loadClause(lits, frozenLits[tid][k], frozenSizes[tid][k]);
    if (to->checkFrozen(lits)) {
      if (++age == 7) {
        age = -1;
        frozenDead[tid]++;
      }
    } else {
      nbImported[tid]++;
      nbImportedLits[tid] += lits.size();
      to->addExtraClause(lits, false);
      age = -1;
      frozenDead[tid]++;
    }
  }
}

// Frees used-up slots and moves the live clauses down, keeping their order.
void Cooperation::cleanFrozen(Solver* to) {
  const int tid = to->tid;
  int kept = 0;
  for (int k = 0; k < frozenCount[tid]; k++) {
    int age = frozenAge[tid][k];
    if (age == -1 || age > 6) {
      freeSlot(frozenLits[tid], k);
      frozenSizes[tid][k] = 0;
      frozenAge[tid][k] = 0;
      continue;
    }
    if (kept != k) {
      frozenLits[tid][kept] = frozenLits[tid][k];
      frozenSizes[tid][kept] = frozenSizes[tid][k];
      frozenAge[tid][kept] = age;
      frozenLits[tid][k] = nullptr;
      frozenSizes[tid][k] = 0;
      frozenAge[tid][k] = 0;
    }
    kept++;
  }
  frozenCount[tid] = kept;
  frozenDead[tid] = 0;
}
