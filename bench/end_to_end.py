#!/usr/bin/env python3
"""Times `grafen 8` end to end against the literal sieve, in scratch directories.

Usage: bench/end_to_end.py BUILD_DIR [--runs N] [--literal-runs N] [--order N]

Runs BUILD_DIR/grafen several times and BUILD_DIR/bench/grafen_literal (one run
is over a minute for order 8), checks that both wrote the same bytes, and
prints for each the median wall, user and system times, their ratio and the
peak memory.
"""
import argparse
import hashlib
import os
import statistics
import subprocess
import sys
import tempfile
import time


GNU_TIME = "/usr/bin/time"


def digest_of(scratch, order):
    digest = hashlib.sha256()
    for suffix in (".txt", ".mws"):
        with open(os.path.join(scratch, f"grafen{order}{suffix}"), "rb") as result:
            digest.update(result.read())
    return digest.hexdigest()


def run_once(binary, order):
    """One run in a fresh directory: (wall, user, system seconds, digest of the files).

    The processor times are the child's own, from wait4(2): microseconds,
    nothing of Python's or of a wrapper's.
    """
    with tempfile.TemporaryDirectory(prefix="grafen-bench-") as scratch:
        start = time.perf_counter()
        child = subprocess.Popen([binary, str(order)], cwd=scratch, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            sys.exit(f"{binary} {order} failed with status {child.returncode}")
        return seconds, usage.ru_utime, usage.ru_stime, digest_of(scratch, order)


def peak_memory(binary, order):
    """Peak RSS in KiB of one more run, from GNU time (Debian package "time"): the
    rusage of a child forked from Python would count Python's own pages before
    exec. 0 when GNU time is missing."""
    if not os.access(GNU_TIME, os.X_OK):
        return 0
    with tempfile.TemporaryDirectory(prefix="grafen-bench-") as scratch:
        rss_file = os.path.join(scratch, "peak-rss")
        command = [GNU_TIME, "-f", "%M", "-o", rss_file, binary, str(order)]
        subprocess.run(command, cwd=scratch, stdout=subprocess.DEVNULL, check=True)
        return int(open(rss_file).read().split()[-1])


def measure(binary, order, runs):
    """(median wall, median user, median system, peak RSS KiB, digest)."""
    results = [run_once(binary, order) for _ in range(runs)]
    digests = {digest for *_, digest in results}
    if len(digests) != 1:
        sys.exit(f"{binary} wrote different files on different runs")
    return (statistics.median(r[0] for r in results), statistics.median(r[1] for r in results),
            statistics.median(r[2] for r in results), peak_memory(binary, order), digests.pop())


def report(name, runs, wall, user, system, rss):
    print(f"{name:<17} median over {runs:2} runs: wall {wall * 1000:8.1f} ms, "
          f"user {user * 1000:8.1f} ms, sys {system * 1000:7.1f} ms; "
          f"peak memory {rss / 1024:6.1f} MiB", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--literal-runs", type=int, default=1)
    parser.add_argument("--order", type=int, default=8)
    args = parser.parse_args()
    build_dir = os.path.abspath(args.build_dir)
    fast = os.path.join(build_dir, "grafen")
    literal = os.path.join(build_dir, "bench", "grafen_literal")

    fast_wall, fast_user, fast_sys, fast_rss, fast_digest = measure(fast, args.order, args.runs)
    report(f"grafen {args.order}:", args.runs, fast_wall, fast_user, fast_sys, fast_rss)
    if args.literal_runs > 0:
        literal_wall, literal_user, literal_sys, literal_rss, literal_digest = measure(
            literal, args.order, args.literal_runs)
        report(f"literal sieve {args.order}:", args.literal_runs, literal_wall, literal_user,
               literal_sys, literal_rss)
        if literal_digest != fast_digest:
            sys.exit("the fast and the literal sieve wrote different files")
        print(f"speed-up: {literal_wall / fast_wall:.0f} times (wall); both wrote identical files")


if __name__ == "__main__":
    main()
