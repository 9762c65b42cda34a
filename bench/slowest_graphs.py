#!/usr/bin/python3
"""The slowest graphs for grafen-spectra at orders 40 to 62.

usage: bench/slowest_graphs.py BUILD_DIR [--cases DIR] [--relabellings K] [--digits D,...]

Times one grafen-spectra run per graph (wall time of the whole process, the
fastest of three) over dense, sparse and highly symmetric graphs of orders 40
to 62, each also under K random relabellings of its nodes, and over the edge
lists in DIR (the slow cases found before, default ../shared/cases beside the
source tree, when it exists). Prints the ten slowest runs and the worst time
per family; the aim is every graph in at most 100 ms at --digits 40, however
its nodes are labelled.
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile
import time


def complete(n):
    return [(i, j) for i in range(n) for j in range(i + 1, n)]


def cycle(n):
    return [(i, (i + 1) % n) for i in range(n)]


def join(a, b_edges, b):
    """The complete graph on a nodes joined to every node of a graph on b nodes."""
    return complete(a) + [(i, a + j) for i in range(a) for j in range(b)] + [
        (a + i, a + j) for i, j in b_edges]


def grid(rows, columns):
    at = lambda r, c: r * columns + c
    return [(at(r, c), at(r, c + 1)) for r in range(rows) for c in range(columns - 1)] + [
        (at(r, c), at(r + 1, c)) for r in range(rows - 1) for c in range(columns)]


def circulant(n, jumps):
    return sorted({tuple(sorted((i, (i + s) % n))) for i in range(n) for s in jumps})


def families(generator):
    """(family, order, edges) for every graph timed, nodes from 0."""
    for n in (40, 48, 56, 62):
        for p, name in ((0.9, "dense"), (0.5, "half"), (0.08, "sparse")):
            yield name, n, [e for e in complete(n) if generator.random() < p]
        yield "tree", n, [(generator.randrange(i), i) for i in range(1, n)]
        yield "path", n, [(i, i + 1) for i in range(n - 1)]
        yield "cycle", n, cycle(n)
        yield "star", n, [(0, i) for i in range(1, n)]
        yield "complete", n, complete(n)
        yield "join", n, join(n // 6, cycle(n - n // 6), n - n // 6)
        yield "bipartite", n, [(i, j) for i in range(n // 3) for j in range(n // 3, n)]
        yield "circulant", n, circulant(n, (1, 3, 7))
        yield "complement of path", n, [e for e in complete(n) if e[1] - e[0] > 1]
    yield "grid", 56, grid(7, 8)
    yield "grid", 60, grid(6, 10)


def edge_list(n, edges):
    pairs = sorted(tuple(sorted((i + 1, j + 1))) for i, j in edges)
    return "1\n%s\n" % "".join("%5d%5d\n" % e for e in pairs)


def relabelled(n, edges, generator):
    labels = list(range(n))
    generator.shuffle(labels)
    return [(labels[i], labels[j]) for i, j in edges]


def timed(binary, n, text, digits, scratch):
    path = os.path.join(scratch, "graph.txt")
    with open(path, "w") as out:
        out.write(text)
    best = float("inf")
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run([binary, "--order", str(n), "--digits", str(digits), path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--cases", default=os.path.join(here, "..", "..", "shared", "cases"))
    parser.add_argument("--relabellings", type=int, default=3)
    parser.add_argument("--digits", default="5,40")
    arguments = parser.parse_args()
    binary = os.path.join(arguments.build, "grafen-spectra")
    generator = random.Random(62)
    graphs = []
    for family, n, edges in families(generator):
        graphs.append((family, n, edge_list(n, edges)))
        for _ in range(arguments.relabellings):
            graphs.append((family + " relabelled", n,
                           edge_list(n, relabelled(n, edges, generator))))
    if os.path.isdir(arguments.cases):
        for name in sorted(os.listdir(arguments.cases)):
            if name.endswith(".txt"):
                with open(os.path.join(arguments.cases, name)) as listing:
                    text = listing.read()
                n = max([int(x) for line in text.splitlines()[1:] for x in line.split()] + [1])
                graphs.append((name, n, text))
    runs = []
    with tempfile.TemporaryDirectory(prefix="spectra-worst-") as scratch:
        for digits in (int(d) for d in arguments.digits.split(",")):
            for family, n, text in graphs:
                runs.append((timed(binary, n, text, digits, scratch), digits, family, n))
    runs.sort(reverse=True)
    print("%d runs; the slowest:" % len(runs))
    for seconds, digits, family, n in runs[:10]:
        print("  %7.1f ms  --digits %-2d  order %d  %s" % (seconds * 1000, digits, n, family))
    for digits in sorted({r[1] for r in runs}):
        worst = max(r for r in runs if r[1] == digits)
        print("worst at --digits %d: %.1f ms (order %d, %s)" % (digits, worst[0] * 1000, worst[3],
                                                                worst[2]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
