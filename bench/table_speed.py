#!/usr/bin/python3
"""Times grafen-spectra against the NumPy script a user would write, side by side.

usage: bench/table_speed.py BUILD_DIR [--orders 8,9,10] [--runs N] [--edge-list]

For each order N, writes the connected graphs of `nauty-geng -c N` (graph6) to
a scratch directory, then runs, alternately so that both meet the same
machine load, the whole process `grafen-spectra cN.g6 -o cN.csv` and the
NumPy yardstick (bench/numpy_yardstick.py with Debian's Python: each graph6
line decoded in Python, eigvalsh per graph, eigenvalues to 5 digits). Order
10 (11,716,571 graphs; the yardstick alone takes about 12 minutes) runs once,
the others N times (default 5, order 9: 3). Prints each median, the speed-up,
grafen-spectra's peak memory, and whether the goals hold: at least 6 times
faster at every order, order 10 within 3 minutes and 1 GB; and checks that
every eigenvalue NumPy prints agrees with grafen-spectra's to within one unit
in the 5th digit. With --edge-list, order 8 is also run from grafen8.txt.
With --low-digits, every graph of order 9 is also run for A, L and Q at 1 to
3 digits, where eigenvalues of different factors often share a rounding cell
and are ordered by refining their enclosures: each run within 60 s.
The OpenBLAS tuning variables are dropped for the yardstick so that NumPy
runs its own best kernel.
"""
import argparse
import csv
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"


def timed(command, cwd, env=None, stdout=subprocess.DEVNULL):
    """Wall seconds, peak resident KB of the child (its own, from wait4), and its standard error."""
    with tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        child = subprocess.Popen(command, cwd=cwd, env=env, stdout=stdout, stderr=errors)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        errors.seek(0)
        text = errors.read().decode()
    if child.returncode != 0:
        sys.exit(f"{command[0]} failed: {text}")
    return seconds, usage.ru_maxrss, text


def agree(ours_path, theirs_path):
    """Every NumPy value within one unit of the 5th digit of ours; None when so."""
    with open(ours_path, newline="") as a, open(theirs_path, newline="") as b:
        count = 0
        for row, other in zip(csv.DictReader(a), csv.DictReader(b)):
            count += 1
            for x, y in zip(row["eigenvalues"].split(), other["eigenvalues"].split()):
                if abs(float(x) - float(y)) > 1.01e-4 * max(1.0, abs(float(x))):
                    return f"graph {row['graph']}: {x} vs {y}"
            if row["graph"] != other["graph"]:
                return f"rows {row['graph']} and {other['graph']} side by side"
    return None if count else "no rows"


def bench(build, scratch, name, runs, env, order_argument):
    ours, theirs, peaks, summary = [], [], [], ""
    for _ in range(runs):
        seconds, peak, summary = timed([os.path.join(build, "grafen-spectra"), name,
                                        "-o", "ours.csv"], scratch)
        ours.append(seconds)
        peaks.append(peak or 0)
        with open(os.path.join(scratch, "numpy.csv"), "w") as out:
            theirs.append(timed([PYTHON, os.path.join(HERE, "numpy_yardstick.py"), name]
                                + order_argument, scratch, env, out)[0])
    mismatch = agree(os.path.join(scratch, "ours.csv"), os.path.join(scratch, "numpy.csv"))
    a, b = statistics.median(ours), statistics.median(theirs)
    print(f"{name}: {summary.strip()}")
    print(f"  grafen-spectra (exact, whole process): median {a:.3f} s over {runs} run(s)"
          f" (min {min(ours):.3f}), peak memory {max(peaks) / 1024:.0f} MB")
    print(f"  NumPy eigvalsh script (floating point): median {b:.3f} s (min {min(theirs):.3f})")
    print(f"  speed-up: {b / a:.1f} times; NumPy's eigenvalues "
          + ("agree to the 5th digit" if not mismatch else "DISAGREE: " + mismatch))
    return a, b, max(peaks), mismatch


def low_digits(build, scratch):
    """Times every graph of order 9 for each matrix at 1, 2 and 3 digits; the goals met."""
    with open(os.path.join(scratch, "g9.g6"), "wb") as out:
        subprocess.run(["nauty-geng", "-q", "9"], stdout=out, check=True)
    goals = []
    for matrix in "ALQ":
        for digits in (1, 2, 3):
            seconds, peak, _ = timed([os.path.join(build, "grafen-spectra"), "g9.g6", "--matrix",
                                      matrix, "--digits", str(digits), "-o", "/dev/null"], scratch)
            print(f"order 9 --matrix {matrix} --digits {digits}: {seconds:.2f} s,"
                  f" peak memory {peak / 1024:.0f} MB")
            goals.append((f"order 9 {matrix} at {digits} digits within 60 s", seconds <= 60))
    return goals


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("--orders", default="8,9,10")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--edge-list", action="store_true")
    parser.add_argument("--low-digits", action="store_true")
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    env = {k: v for k, v in os.environ.items() if k not in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")}
    goals, failed = [], False
    with tempfile.TemporaryDirectory(prefix="spectra-bench-") as scratch:
        for order in (int(n) for n in args.orders.split(",")):
            name = f"c{order}.g6"
            with open(os.path.join(scratch, name), "wb") as out:
                subprocess.run(["nauty-geng", "-cq", str(order)], stdout=out, check=True)
            runs = 1 if order >= 10 else (min(args.runs, 3) if order == 9 else args.runs)
            ours, theirs, peak, mismatch = bench(build, scratch, name, runs, env, [])
            failed = failed or mismatch is not None
            goals.append((f"order {order} at least 6 times faster", theirs >= 6 * ours))
            if order == 10:
                goals.append(("order 10 within 3 minutes", ours <= 180))
                goals.append(("order 10 within 1 GB", peak <= 1024 * 1024))
            os.remove(os.path.join(scratch, name))
        if args.edge_list:
            subprocess.run([os.path.join(build, "grafen"), "8"], cwd=scratch, check=True,
                           stdout=subprocess.DEVNULL)
            bench(build, scratch, "grafen8.txt", args.runs, env, ["8"])
        if args.low_digits:
            goals += low_digits(build, scratch)
    for goal, met in goals:
        print(f"goal: {goal}: {'met' if met else 'MISSED'}")
    if failed:
        sys.exit("NumPy and grafen-spectra disagree")


if __name__ == "__main__":
    main()
