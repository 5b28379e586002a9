#!/usr/bin/env python3
"""check_pb.py FORMAT INSTANCE OUTPUT: checks a quon answer to an OPB or RUK file.

FORMAT is opb or ruk. Reads the instance on its own (terms, "~" literals,
products, >=, >, <=, <, =, the "min:"/"max:" objective, "[w]" soft weights
and the "soft:" cost limit) and the "s", "o" and "v" lines of the answer.
Prints "status cost model_cost verdict": the verdict is "ok" when the model
meets every hard constraint (and the cost limit) and costs what the "o" line
says, the objective's constant included; a "max:" objective is minimised as
its negation. A variable missing from the model line counts as false.
"""
import re
import sys

from solver_output import read_answer

TOKEN = re.compile(r"\s*([<>]=?|=|;)|\s*([+-]?\s*\d+)|\s*(~?[^\s;<>=]+)")


def parse_terms(text):
    """Yields (coef, [literal names]) up to the relation; returns the rest."""
    terms, pos, coef, lits = [], 0, None, []
    while True:
        m = TOKEN.match(text, pos)
        if not m or m.group(1) is not None and m.group(1) != ";":
            break
        pos = m.end()
        if m.group(1) == ";":
            continue
        if m.group(2) is not None:
            if coef is not None or lits:
                terms.append((coef if coef is not None else 1, lits))
            coef, lits = int(m.group(2).replace(" ", "")), []
        else:
            lits.append(m.group(3))
    if coef is not None or lits:
        terms.append((coef if coef is not None else 1, lits))
    return terms, text[pos:].lstrip()


def read_instance(path, ruk):
    objective, constant, sign, constraints, limit = [], 0, 1, [], None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("*"):
                continue
            if ruk and line.startswith("soft:"):
                limit = int(line[5:].strip().rstrip(";").strip())
                continue
            if not ruk and (line.startswith("min:") or line.startswith("max:")):
                sign = -1 if line.startswith("max:") else 1
                for coef, lits in parse_terms(line[4:])[0]:
                    if lits:
                        objective.append((sign * coef, lits))
                    else:
                        constant += sign * coef
                continue
            weight = None
            if line.startswith("["):
                weight, line = int(line[1:line.index("]")]), line[line.index("]") + 1:]
                if weight == 2**31 - 1:
                    weight = None
            terms, rest = parse_terms(line)
            relation = re.match(r"[<>]=?|=", rest).group(0)
            rhs = int(rest[len(relation):].strip().rstrip(";").strip().replace(" ", ""))
            constraints.append((terms, relation, rhs, weight))
    return objective, constant, constraints, limit


def value(terms, model):
    total = 0
    for coef, lits in terms:
        if all(model.get(l[1:], False) is False if l.startswith("~") else model.get(l, False) for l in lits):
            total += coef
    return total


def holds(terms, relation, rhs, model):
    lhs = value(terms, model)
    return {">=": lhs >= rhs, ">": lhs > rhs, "<=": lhs <= rhs, "<": lhs < rhs, "=": lhs == rhs}[relation]


def main():
    ruk = sys.argv[1] == "ruk"
    objective, constant, constraints, limit = read_instance(sys.argv[2], ruk)
    status, cost, model = read_answer(sys.argv[3], str)
    if not model:
        verdict = "ok" if status in ("UNSATISFIABLE", "UNKNOWN") else "no-model"
        print(status, cost if cost is not None else "-", "-", verdict)
        return
    paid = value(objective, model) + constant
    for terms, relation, rhs, weight in constraints:
        if holds(terms, relation, rhs, model):
            continue
        if weight is None:
            print(status, cost, "-", "hard-constraint-violated")
            return
        paid += weight
    if limit is not None and paid >= limit:
        print(status, cost, paid, "cost-limit-violated")
        return
    print(status, cost, paid, "ok" if paid == cost else "cost-mismatch")


main()
