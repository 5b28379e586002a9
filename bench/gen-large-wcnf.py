#!/usr/bin/env python3
"""gen-large-wcnf.py OUT [VARS] [CLAUSES]: a random 3-literal wcnf of about
110 MB (1,000,000 variables, 4,000,000 clauses, three in four hard) for
timing reading and set-up."""
import random
import sys

out = sys.argv[1]
n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
m = int(sys.argv[3]) if len(sys.argv) > 3 else 4000000
random.seed(1)
with open(out, "w") as f:
    f.write("p wcnf %d %d 1000\n" % (n, m))
    chunk = []
    for i in range(m):
        weight = 1000 if i % 4 else random.randint(1, 9)
        lits = [random.randint(1, n) * random.choice((1, -1)) for _ in range(3)]
        chunk.append("%d %d %d %d 0\n" % (weight, lits[0], lits[1], lits[2]))
        if len(chunk) >= 100000:
            f.write("".join(chunk))
            chunk = []
    f.write("".join(chunk))
