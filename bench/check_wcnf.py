#!/usr/bin/env python3
"""check_wcnf.py INSTANCE OUTPUT: checks a quon answer against a wcnf/cnf file.

Prints "status cost model_cost verdict": the verdict is "ok" when the model
satisfies every hard clause and costs what the "o" line says, otherwise it
names the problem.
"""
import gzip
import sys

from solver_output import read_answer


def read_instance(path):
    opener = gzip.open if path.endswith(".gz") else open
    top, cnf, clauses = None, False, []
    with opener(path, "rt") as f:
        for line in f:
            words = line.split()
            if not words or words[0] == "c":
                continue
            if words[0] == "p":
                cnf = words[1] == "cnf"
                top = int(words[4]) if not cnf and len(words) > 4 else 2**31 - 1
                continue
            numbers = [int(w) for w in words]
            weight = 1 if cnf else numbers[0]
            lits = numbers[:-1] if cnf else numbers[1:-1]
            clauses.append((weight, lits))
    return top, cnf, clauses


def main():
    top, cnf, clauses = read_instance(sys.argv[1])
    status, cost, model = read_answer(sys.argv[2], int)
    if not model:
        print(status, cost if cost is not None else "-", "-", "ok" if status in ("UNSATISFIABLE", "UNKNOWN") else "no-model")
        return
    paid = 0
    for weight, lits in clauses:
        if any(model.get(abs(l), False) == (l > 0) for l in lits):
            continue
        if not cnf and weight == top:
            print(status, cost, "-", "hard-clause-violated")
            return
        paid += weight
    print(status, cost, paid, "ok" if paid == cost else "cost-mismatch")


main()
