#!/usr/bin/env python3
"""Fails when files of the windows use one another in a circle.

A module is a header with the sources that implement it (x.h, x.cpp and
x_part.cpp); module A uses module B when a file of A includes B's header.
"""
import os
import re
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
gui = os.path.join(root, "gui")
include = re.compile(r'#include "(gui/[^"]+)\.h"')


def module_of(path):
    folder, name = os.path.split(os.path.relpath(path, root))
    stem = os.path.splitext(name)[0]
    base = stem.split("_")[0]
    if base != stem and os.path.exists(os.path.join(root, folder, base + ".h")):
        stem = base
    return os.path.join(folder, stem)


uses = {}
for folder, _, names in os.walk(gui):
    for name in names:
        if not name.endswith((".h", ".cpp")):
            continue
        path = os.path.join(folder, name)
        mine = module_of(path)
        with open(path, encoding="utf-8") as f:
            for used in include.findall(f.read()):
                if used != mine:
                    uses.setdefault(mine, set()).add(used)

state, stack, found = {}, [], []


def visit(m):
    state[m] = 1
    stack.append(m)
    for n in sorted(uses.get(m, ())):
        if state.get(n) == 1:
            found.append(stack[stack.index(n):] + [n])
        elif n not in state:
            visit(n)
    stack.pop()
    state[m] = 2


for m in sorted(uses):
    if m not in state:
        visit(m)
for cycle in found:
    print("check-shell-cycles: a circle: " + " -> ".join(cycle), file=sys.stderr)
sys.exit(1 if found else 0)
