#!/usr/bin/env python3
"""gen-large-opb.py OUT [CONSTRAINTS] [VARIABLES]: writes a random OPB file
for timing the reader: a "min:" objective over every variable, then
CONSTRAINTS (default 1,000,000) constraints over VARIABLES (default 200,000) of three to five terms with mixed
signs, "~" literals and all relations; about 50 MB with the defaults.
"""
import random
import sys

out = sys.argv[1]
constraints = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
variables = int(sys.argv[3]) if len(sys.argv) > 3 else 200000
rng = random.Random(20121101)
with open(out, "w") as f:
    f.write("* #variable= %d #constraint= %d\n" % (variables, constraints))
    f.write("min:" + "".join(" +%d x%d" % (rng.randint(1, 100), v) for v in range(1, variables + 1)) + " ;\n")
    for _ in range(constraints):
        terms = []
        for _ in range(rng.randint(3, 5)):
            negated = "~" if rng.random() < 0.2 else ""
            terms.append("%+d %sx%d" % (rng.choice((-1, 1)) * rng.randint(1, 9), negated, rng.randint(1, variables)))
        relation = rng.choice((">=", ">=", ">=", "<=", "="))
        f.write(" ".join(terms) + " %s %d ;\n" % (relation, rng.randint(-3, 6)))
