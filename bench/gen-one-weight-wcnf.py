#!/usr/bin/env python3
"""gen-one-weight-wcnf.py OUT [VARS] [HARD]: a wcnf with VARS soft unit
clauses of weight 1 (1,000,000 by default), one per variable, and HARD
random hard binary clauses that forbid two of them together (500,000 by
default): the set-up of part-weight on a million soft clauses of one
weight."""
import random
import sys

out = sys.argv[1]
n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
m = int(sys.argv[3]) if len(sys.argv) > 3 else 500000
random.seed(1)
with open(out, "w") as f:
    f.write("p wcnf %d %d 2\n" % (n, n + m))
    f.write("".join("1 %d 0\n" % v for v in range(1, n + 1)))
    f.write("".join("2 -%d -%d 0\n" % (random.randint(1, n), random.randint(1, n)) for _ in range(m)))
