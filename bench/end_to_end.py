#!/usr/bin/env python3
"""Times `grafen 8` end to end against the literal sieve, in scratch directories.

Usage: bench/end_to_end.py BUILD_DIR [--runs N] [--literal-runs N] [--order N]

Runs BUILD_DIR/grafen several times and BUILD_DIR/bench/grafen_literal (one run
is over a minute for order 8), checks that both wrote the same bytes, and
prints the median wall times, their ratio and the peak memory of each.
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


def run_once(binary, order):
    """One run in a fresh directory: (seconds, peak RSS in KiB, digest of the files).

    The peak memory comes from GNU time (Debian package "time"): the rusage of
    a child forked from Python would count Python's own pages before exec.
    """
    with tempfile.TemporaryDirectory(prefix="grafen-bench-") as scratch:
        rss_file = os.path.join(scratch, "peak-rss")
        command = [binary, str(order)]
        if os.access(GNU_TIME, os.X_OK):
            command = [GNU_TIME, "-f", "%M", "-o", rss_file] + command
        start = time.perf_counter()
        status = subprocess.run(command, cwd=scratch, stdout=subprocess.DEVNULL).returncode
        seconds = time.perf_counter() - start
        if status != 0:
            sys.exit(f"{binary} {order} failed with status {status}")
        rss = int(open(rss_file).read().split()[-1]) if os.path.exists(rss_file) else 0
        digest = hashlib.sha256()
        for suffix in (".txt", ".mws"):
            with open(os.path.join(scratch, f"grafen{order}{suffix}"), "rb") as result:
                digest.update(result.read())
        return seconds, rss, digest.hexdigest()


def measure(binary, order, runs):
    results = [run_once(binary, order) for _ in range(runs)]
    digests = {digest for _, _, digest in results}
    if len(digests) != 1:
        sys.exit(f"{binary} wrote different files on different runs")
    return (statistics.median(s for s, _, _ in results),
            max(rss for _, rss, _ in results), digests.pop())


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

    fast_time, fast_rss, fast_digest = measure(fast, args.order, args.runs)
    print(f"grafen {args.order}:          median {fast_time * 1000:9.1f} ms over {args.runs} runs, "
          f"peak memory {fast_rss / 1024:6.1f} MiB", flush=True)
    if args.literal_runs > 0:
        literal_time, literal_rss, literal_digest = measure(literal, args.order, args.literal_runs)
        print(f"literal sieve {args.order}:   median {literal_time * 1000:9.1f} ms over "
              f"{args.literal_runs} runs, peak memory {literal_rss / 1024:6.1f} MiB")
        if literal_digest != fast_digest:
            sys.exit("the fast and the literal sieve wrote different files")
        print(f"speed-up: {literal_time / fast_time:.0f} times; both wrote identical files")


if __name__ == "__main__":
    main()
