// The RUK soft-constraint reader: OPB constraints where a leading "[w]"
// makes a constraint soft with weight w (a weight of 2147483647 is hard), and
// an optional header line "soft: L" that limits the cost of every solution
// to below L. There is no objective line; the cost of a solution is the sum
// of the weights of the soft constraints it violates. Coefficients are not
// saturated, and a soft equality is two soft constraints of its weight.
#pragma once

#include "frontend/ParserPB.h"

class ParserRUK : public ParserPB {
 public:
  explicit ParserRUK(PBSink& target) : ParserPB(target) { bracketNamesRefused = true; }

 protected:
  int parseLine() override;
  int parseConstraint(bool soft);

 private:
  int parseHeader();
  int readWeight(Cost& weight);
};
