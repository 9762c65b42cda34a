#!/usr/bin/python3
"""Times grafen-census on whole orders, as a user runs it: nauty-geng piped in.

usage: bench/census.py BUILD_DIR [--skip-order10] [--samples 14,18,22] [--largest]

1. All 12,005,168 graphs of order 10, three matrices: `nauty-geng 10 | grafen-census`,
   wall time of the whole pipeline and grafen-census's peak memory (goal: 60 s).
2. The adjacency census of all 1,018,997,864 graphs of order 11, extrapolated: geng -u
   counts the graphs of every edge count; a few edge counts (--samples) are run in full,
   `nauty-geng 11 m:m | grafen-census --matrix A`, and their time per graph, weighted by
   the graphs of every edge count, gives the whole (goal: 90 minutes). The figures it is
   based on are printed.
3. With --largest, the largest edge count of order 11 with all three matrices, for its
   peak memory (goal: 8 GB; it takes some minutes).
"""
import argparse
import os
import re
import resource
import subprocess
import sys
import time


def pipeline(geng, census):
    """Wall seconds of `geng | census` and the peak resident KB of its children."""
    start = time.perf_counter()
    producer = subprocess.Popen(geng, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    done = subprocess.run(census, stdin=producer.stdout, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE)
    producer.stdout.close()
    producer.wait()
    seconds = time.perf_counter() - start
    if done.returncode != 0 or producer.returncode != 0:
        sys.exit("failed: %s" % done.stderr.decode())
    return seconds, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, done.stderr.decode()


def counts(order):
    """Graphs of each edge count of the order, as geng -u counts them (and its time)."""
    start = time.perf_counter()
    result = {}
    for edges in range(order * (order - 1) // 2 + 1):
        done = subprocess.run(["nauty-geng", "-u", str(order), "%d:%d" % (edges, edges)],
                              capture_output=True, check=True)
        result[edges] = int(re.search(rb">Z (\d+) graphs", done.stderr).group(1))
    return result, time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("--skip-order10", action="store_true")
    parser.add_argument("--samples", default="14,18,22")
    parser.add_argument("--largest", action="store_true")
    args = parser.parse_args()
    census = os.path.join(os.path.abspath(args.build_dir), "grafen-census")
    goals = []
    if not args.skip_order10:
        seconds, peak, summary = pipeline(["nauty-geng", "-q", "10"], [census, "-o", "/dev/null"])
        print("order 10, A L Q: %.1f s wall, peak %d MB; %s" % (seconds, peak // 1024,
                                                                summary.strip()))
        goals.append(("order 10 within 60 s", seconds <= 60))
    graphs, counting = counts(11)
    total = sum(graphs.values())
    print("order 11: %d graphs (geng -u per edge count took %.0f s)" % (total, counting))
    rates = []
    for edges in (int(m) for m in args.samples.split(",")):
        seconds, _, _ = pipeline(["nauty-geng", "-q", "11", "%d:%d" % (edges, edges)],
                                 [census, "--matrix", "A", "-o", "/dev/null"])
        rates.append(seconds / graphs[edges])
        print("  %d edges: %d graphs in %.1f s, %.2f us a graph (geng included)"
              % (edges, graphs[edges], seconds, 1e6 * rates[-1]))
    estimate = total * sum(rates) / len(rates)
    print("order 11, A: about %.0f minutes for all %d graphs (mean rate of the samples)"
          % (estimate / 60, total))
    goals.append(("order 11 adjacency census within 90 minutes (extrapolated)",
                  estimate <= 90 * 60))
    if args.largest:
        edges = max(graphs, key=graphs.get)
        seconds, peak, summary = pipeline(["nauty-geng", "-q", "11", "%d:%d" % (edges, edges)],
                                          [census, "-o", "/dev/null"])
        print("order 11, %d edges (%d graphs), A L Q: %.0f s, peak %.1f GB"
              % (edges, graphs[edges], seconds, peak / 1024 / 1024))
        goals.append(("the largest edge count of order 11 within 8 GB", peak <= 8 * 1024 * 1024))
    for goal, met in goals:
        print("goal: %s: %s" % (goal, "met" if met else "MISSED"))


if __name__ == "__main__":
    main()
