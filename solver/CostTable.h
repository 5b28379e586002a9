// The objective's cost per literal, in pages of literals that exist only
// once a cost is set in them: a problem may declare millions of variables of
// which a handful carry a cost, the last one (a relaxation variable) at the
// very end.
#pragma once

#include <memory>
#include <vector>

#include "solver/SolverTypes.h"

class CostTable {
 public:
  // Literals 0 .. size() - 1 are in the table (the others cost nothing).
  int size() const { return literals; }
  void growTo(int n) {
    if (n > literals) literals = n;
  }
  // No literal costs anything any more, and the pages are freed.
  void clear() {
    pages.clear();
    pages.shrink_to_fit();
    literals = 0;
  }

  Cost operator[](Lit p) const {
    const size_t page = (size_t)p >> pageBits;
    return page < pages.size() && pages[page] ? pages[page][(size_t)p & pageMask] : 0;
  }
  // The entry of p, its page made on the first write; p < size().
  Cost& at(Lit p) {
    const size_t page = (size_t)p >> pageBits;
    if (page >= pages.size()) pages.resize(page + 1);
    if (!pages[page]) pages[page].reset(new Cost[pageMask + 1]());
    return pages[page][(size_t)p & pageMask];
  }

 private:
  static const int pageBits = 10;
  static const size_t pageMask = ((size_t)1 << pageBits) - 1;
  std::vector<std::unique_ptr<Cost[]>> pages;
  int literals = 0;
};
