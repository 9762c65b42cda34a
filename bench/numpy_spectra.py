#!/usr/bin/python3
"""The yardstick: the script a user would write without grafen-spectra.

usage: numpy_spectra.py EDGE_LIST ORDER > table.csv

Reads the edge list, builds each graph's Laplacian, takes NumPy's eigvalsh
and writes the eigenvalues to 5 significant digits, one CSV row per graph.
Floating point only: no exact polynomial, factors, integrality or trees.
"""
import csv
import sys

import numpy


def main(path, order):
    writer = csv.writer(sys.stdout)
    writer.writerow(["graph", "eigenvalues"])
    with open(path) as listing:
        blocks = listing.read().replace("\r\n", "\n").split("\n\n")
    for block in blocks:
        lines = block.split("\n")
        if not lines[0]:
            continue
        laplacian = numpy.zeros((order, order))
        for line in lines[1:]:
            i, j = (int(x) - 1 for x in line.split())
            laplacian[i, i] += 1
            laplacian[j, j] += 1
            laplacian[i, j] = laplacian[j, i] = -1
        values = numpy.linalg.eigvalsh(laplacian)
        writer.writerow([lines[0], " ".join("%.5g" % abs(v) if abs(v) < 1e-9 else "%.5g" % v
                                            for v in values)])


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
