#!/usr/bin/python3
"""Times the Python module grafen against the numpy loop a user would write.

usage: bench/python_speed.py BUILD_DIR [--order 9] [--runs 3]

Reads the connected graphs of `nauty-geng -c N` (order 9: 261,080) once, then
times, alternately so that both meet the same machine load, grafen.spectra
over the graph6 bytes (exact Laplacian spectra, every core, the table as a
pandas data frame) and a numpy loop (each graph decoded by networkx, its
Laplacian's eigvalsh, the eigenvalues rounded to 5 digits); then one
grafen.spectrum call on a graph of order 10 from graph6 (goal: 50 us at most)
with timeit; then the characteristic polynomials of a sample of the graphs by
SymPy's charpoly against grafen.charpoly (goal: 1000 times faster), and
against grafen.spectrum, which works out every column of the spectrum. Prints
the medians and the speed-ups.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time
import timeit


def numpy_loop(stream, nx, np):
    rows = []
    for line in stream.split(b"\n"):
        if line:
            g = nx.from_graph6_bytes(line)
            a = nx.to_numpy_array(g, nodelist=range(len(g)))
            rows.append([float(f"{v:.5g}") for v in np.linalg.eigvalsh(np.diag(a.sum(1)) - a)])
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--order", type=int, default=9)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(os.path.abspath(args.build), "python"))
    import grafen
    import networkx as nx
    import numpy as np

    stream = subprocess.run(["nauty-geng", "-q", "-c", str(args.order)], check=True,
                            capture_output=True).stdout
    count = stream.count(b"\n")
    mine, theirs = [], []
    for _ in range(args.runs):
        start = time.perf_counter()
        table = grafen.spectra(stream)
        mine.append(time.perf_counter() - start)
        assert len(table) == count
        start = time.perf_counter()
        assert len(numpy_loop(stream, nx, np)) == count
        theirs.append(time.perf_counter() - start)
    a, b = statistics.median(mine), statistics.median(theirs)
    print(f"order {args.order}, {count} connected graphs: grafen.spectra {a:.2f} s, "
          f"numpy loop {b:.2f} s, {b / a:.1f} times faster")

    g6 = nx.to_graph6_bytes(nx.gnp_random_graph(10, 0.5, seed=3), header=False).strip()
    number = 20000
    each = min(timeit.repeat(lambda: grafen.spectrum(g6), number=number, repeat=5)) / number
    print(f"grafen.spectrum on a graph of order 10: {each * 1e6:.1f} us "
          f"(goal 50 us: {'met' if each <= 50e-6 else 'missed'})")
    sympy_sample(grafen, nx, stream.split(b"\n")[:count:max(1, count // 100)])


def sympy_sample(grafen, nx, lines):
    """SymPy's exact characteristic polynomial of the Laplacian of each graph
    against grafen.spectrum's, each checked equal."""
    import sympy
    start = time.perf_counter()
    theirs = []
    for line in lines:
        g = nx.from_graph6_bytes(line)
        a = nx.to_numpy_array(g, nodelist=range(len(g)), dtype=int)
        laplacian = sympy.diag(*a.sum(1).tolist()) - sympy.Matrix(a.tolist())
        theirs.append(laplacian.charpoly().all_coeffs())
    b = time.perf_counter() - start
    mine = [grafen.charpoly(line) for line in lines]
    whole = [grafen.spectrum(line).charpoly for line in lines]
    # grafen's times are microseconds a graph: the best of a few runs, past
    # the first call's warming up.
    a = min(timeit.repeat(lambda: [grafen.charpoly(line) for line in lines], number=1, repeat=5))
    w = min(timeit.repeat(lambda: [grafen.spectrum(line) for line in lines], number=1, repeat=5))
    assert mine == whole == [[int(c) for c in coefficients] for coefficients in theirs]
    print(f"{len(lines)} graphs' exact Laplacian polynomials: SymPy {b:.2f} s, grafen.charpoly "
          f"{a * 1e3:.2f} ms, {b / a:.0f} times faster (goal 1000: "
          f"{'met' if b / a >= 1000 else 'missed'}); grafen.spectrum, every column of the "
          f"spectrum, {w * 1e3:.2f} ms, {b / w:.0f} times")


if __name__ == "__main__":
    main()
