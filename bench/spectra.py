#!/usr/bin/python3
"""Times grafen-spectra on grafen8.txt against the NumPy script, side by side.

usage: bench/spectra.py BUILD_DIR [--runs N] [--order N]

Makes grafenN.txt with BUILD_DIR/grafen in a scratch directory, then runs,
alternately so that both meet the same machine load, the whole process
`grafen-spectra grafenN.txt -o grafenN.csv` and the NumPy yardstick
(bench/numpy_spectra.py with Debian's Python: eigvalsh per graph, eigenvalues
to 5 digits). Prints both medians, the speed-up and whether the goals hold
(at most 0.2 s, at least 4 times faster), and checks that every eigenvalue
NumPy prints as a decimal agrees with grafen-spectra's to within one unit in
the last of the 5 digits. The OpenBLAS tuning variables are dropped for the
yardstick so that NumPy runs its own best kernel.
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
    start = time.perf_counter()
    done = subprocess.run(command, cwd=cwd, env=env, stdout=stdout, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed: {done.stderr.decode()}")
    return seconds, done.stderr.decode()


def agree(ours, theirs):
    """Every NumPy value within one unit of the 5th digit of ours."""
    for row, other in zip(ours, theirs):
        for a, b in zip(row["eigenvalues"].split(), other["eigenvalues"].split()):
            if abs(float(a) - float(b)) > 1.01e-4 * max(1.0, abs(float(a))):
                return f"graph {row['graph']}: {a} vs {b}"
    return None if len(ours) == len(theirs) else "row counts differ"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--order", type=int, default=8)
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    env = {k: v for k, v in os.environ.items() if k not in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")}
    with tempfile.TemporaryDirectory(prefix="spectra-bench-") as scratch:
        subprocess.run([os.path.join(build, "grafen"), str(args.order)], cwd=scratch, check=True,
                       stdout=subprocess.DEVNULL)
        edges = f"grafen{args.order}.txt"
        ours, theirs, summary = [], [], ""
        for _ in range(args.runs):
            seconds, summary = timed([os.path.join(build, "grafen-spectra"), edges, "-o", "ours.csv"],
                                     scratch)
            ours.append(seconds)
            with open(os.path.join(scratch, "numpy.csv"), "w") as out:
                theirs.append(timed([PYTHON, os.path.join(HERE, "numpy_spectra.py"), edges,
                                     str(args.order)], scratch, env, out)[0])
        with open(os.path.join(scratch, "ours.csv"), newline="") as a, \
                open(os.path.join(scratch, "numpy.csv"), newline="") as b:
            mismatch = agree(list(csv.DictReader(a)), list(csv.DictReader(b)))
    ours_median, theirs_median = statistics.median(ours), statistics.median(theirs)
    print(f"{edges}: {summary.strip()}")
    print(f"grafen-spectra (exact, whole process): median {ours_median:.3f} s over {args.runs} runs"
          f" (min {min(ours):.3f}, max {max(ours):.3f})")
    print(f"NumPy eigvalsh script (floating point): median {theirs_median:.3f} s over {args.runs} runs"
          f" (min {min(theirs):.3f}, max {max(theirs):.3f})")
    print(f"speed-up: {theirs_median / ours_median:.1f} times")
    print(f"goals: median <= 0.2 s {'met' if ours_median <= 0.2 else 'MISSED'}, "
          f">= 4 times faster {'met' if theirs_median >= 4 * ours_median else 'MISSED'}")
    if mismatch:
        sys.exit("NumPy and grafen-spectra disagree: " + mismatch)
    print("NumPy's eigenvalues agree with grafen-spectra's to the 5th digit")


if __name__ == "__main__":
    main()
