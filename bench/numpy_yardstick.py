#!/usr/bin/python3
"""The yardstick: the script a user would write without grafen-spectra.

usage: numpy_yardstick.py FILE [ORDER] > table.csv

Reads graph6 (one graph a line, as nauty-geng writes it) or, given ORDER, an
edge list; builds each graph's Laplacian, takes NumPy's eigvalsh and writes
the eigenvalues to 5 significant digits, one CSV row per graph. Floating
point only: no exact polynomial, factors, integrality or trees.
"""
import csv
import sys

import numpy


def graph6_graphs(path):
    """(number, order, edges) of each graph6 line, edges 0-based."""
    with open(path, "rb") as lines:
        for number, line in enumerate(lines, 1):
            line = line.strip()
            if line.startswith(b">>graph6<<"):
                line = line[10:]
            order = line[0] - 63
            bits = [(byte - 63) >> shift & 1 for byte in line[1:] for shift in range(5, -1, -1)]
            pairs = [(i, j) for j in range(1, order) for i in range(j)]
            yield number, order, [pair for pair, bit in zip(pairs, bits) if bit]


def edge_list_graphs(path, order):
    with open(path) as listing:
        blocks = listing.read().replace("\r\n", "\n").split("\n\n")
    for block in blocks:
        lines = block.split("\n")
        if lines[0]:
            yield lines[0], order, [tuple(int(x) - 1 for x in line.split()) for line in lines[1:]]


def main(path, order=None):
    writer = csv.writer(sys.stdout)
    writer.writerow(["graph", "eigenvalues"])
    graphs = edge_list_graphs(path, int(order)) if order else graph6_graphs(path)
    for number, n, edges in graphs:
        laplacian = numpy.zeros((n, n))
        for i, j in edges:
            laplacian[i, i] += 1
            laplacian[j, j] += 1
            laplacian[i, j] = laplacian[j, i] = -1
        values = numpy.linalg.eigvalsh(laplacian)
        writer.writerow([number, " ".join("%.5g" % abs(v) if abs(v) < 1e-9 else "%.5g" % v
                                          for v in values)])


if __name__ == "__main__":
    main(*sys.argv[1:])
