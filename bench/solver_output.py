"""Reads a quon answer: the status line, the last "o" cost and the "v" model."""


def read_answer(path, name_of):
    """Returns (status, cost, model); model maps name_of(word without its sign)
    to True for a positive literal and False for a negated one."""
    status, cost, model = "NONE", None, {}
    with open(path) as f:
        for line in f:
            if line.startswith("s "):
                status = line[2:].strip().replace(" ", "_")
            elif line.startswith("o "):
                cost = int(line.split()[1])
            elif line.startswith("v "):
                for w in line.split()[1:]:
                    model[name_of(w.lstrip("-"))] = not w.startswith("-")
    return status, cost, model
