// The kinds the driver tells apart: the at-most-one encodings of a core's
// relaxation variables and the lower-bound search modes. The option values
// (-enc-lb=, -lb-search-mode=) are the enumerators' numbers.
#pragma once

// At-most-one encodings of a core (-enc-lb=), in option-value order.
enum AtMostOne : int {
  amoPairwise = 0,
  amoLadder = 1,
  amoBitwise = 2,
  amoCommander = 3,
  amoProduct = 4,
  amoSequential = 5,
  amoTotalizer = 6,
  amoSorters = 7,
  amoPb = 8
};
const int nbAtMostOne = amoPb + 1;

// Cores of fewer relaxation variables get the pairwise encoding (or the
// pseudo-Boolean one when that is chosen) whatever the choice: some of the
// auxiliary-variable encodings are not an at-most-one on so few literals.
const int smallestAuxiliaryEncoding = 7;

// Lower-bound search modes (-lb-search-mode=). The dynamic mode picks one of
// the other three from the problem's statistics.
enum SearchMode : int { searchNormal = 0, searchPartWeight = 1, searchPartGraph = 2, searchPartDyn = 3 };
