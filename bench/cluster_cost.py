#!/usr/bin/python3
"""The cost of the census map/reduce by spectral key (census-array --slices),
measured here and extrapolated to order 12.

usage: bench/cluster_cost.py BUILD_DIR [--edges 12,15,18] [--samples11 27:0/64]
           [--samples12 16:0/4,22:0/128,27:0/2048,33:0/4096] [--slices 4] [--parts 8]
           [--plan-slices 64] [--plan-parts 256]

Each edge count runs here, without Slurm, as its array tasks would: map tasks
`nauty-geng N m:m r/R | grafen-census --scatter M --slice r/R --spool ...`,
a reduce task per matrix and part, `cat` of its record files into
`grafen-census --matrix X --scattered k/M`, and the merge with the prints;
and, for comparison, the single-process census of the same graphs. Whole
edge counts of order 11 (--edges) run in R slices; samples (EDGES:RES/MOD,
a geng res/mod slice of an edge count) in one map task. Every merged table
is checked against the single-process one. Processor time is user + system
time of every process (geng included, from wait4), each task's fixed cost
(measured with no graphs) left out; memory is a task's peak resident set.

It prints per graph: map and reduce processor µs, the single-process
census's, their ratio (goal: within 1.3x), scratch bytes, peak memory; then
the order-12 table: processor hours (each edge count's graphs, counted
exactly by census-array --dry-run 12, times the per-graph costs of the
order-12 samples, linear between them in min(m, 66 - m)), the largest edge
count's scratch, the longest task and the largest reducer's memory for the
R and M of --plan-slices and --plan-parts, against the goals (600 processor
hours, 1 TB scratch, 2 hours and 4 GB a task). A sample has fewer
cospectral mates than its whole edge count, so its reducers read again and
label canonically fewer graphs: the reduce cost is somewhat understated.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def run(stages, stdout=subprocess.DEVNULL):
    """Runs the commands as a pipeline; (processor seconds, peak resident KB of
    the last), exiting on any failure."""
    procs, upstream = [], None
    for k, command in enumerate(stages):
        last = k == len(stages) - 1
        procs.append(subprocess.Popen(command, stdin=upstream, stderr=subprocess.PIPE,
                                      stdout=stdout if last else subprocess.PIPE))
        if upstream:
            upstream.close()
        upstream = procs[-1].stdout
    seconds, peak = 0.0, 0
    for p in procs:
        _, status, usage = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
        seconds += usage.ru_utime + usage.ru_stime
        peak = usage.ru_maxrss
        if p.returncode != 0:
            sys.exit("failed: %s: %s" % (" ".join(p.args), p.stderr.read().decode()[-500:]))
    return seconds, peak


def graphs_of(geng):
    done = subprocess.run(["nauty-geng", "-u"] + geng[2:], capture_output=True, check=True)
    words = done.stderr.split()
    return int(words[words.index(b">Z") + 1])


def measure(census, order, edges, slices, parts, scratch, sample=None):
    """The costs of one edge count, or of its geng slice `sample` (res/mod,
    then routed by one map task): a dict of totals and peaks."""
    geng = ["nauty-geng", "-q", str(order), "%d:%d" % (edges, edges)] + ([sample] if sample else [])
    slices = 1 if sample else slices
    spool = os.path.join(scratch, "e%d-%d" % (order, edges))
    os.makedirs(spool)
    cost = {"graphs": graphs_of(geng), "map": 0.0, "reduce": 0.0, "map_kb": 0,
            "reduce_kb": 0, "scratch": 0, "tasks": (slices, 3 * parts)}
    with open(os.path.join(spool, "whole.csv"), "wb") as out:
        cost["single"], cost["single_kb"] = run([geng, [census]], stdout=out)
    slice_dir = lambda r: os.path.join(spool, "slice-%d" % r)
    for r in range(slices):
        seconds, kb = run([geng + ([] if sample else ["%d/%d" % (r, slices)]),
                           [census, "--scatter", str(parts), "--slice", "%d/%d" % (r, slices),
                            "--spool", slice_dir(r)]])
        cost["map"] += seconds
        cost["map_kb"] = max(cost["map_kb"], kb)
        cost["scratch"] += sum(os.path.getsize(os.path.join(slice_dir(r), f))
                               for f in os.listdir(slice_dir(r)))
    tables = []
    for matrix in "ALQ":
        for k in range(1, parts + 1):
            records = [os.path.join(slice_dir(r), "%s-%d.g6" % (matrix, k)) for r in range(slices)]
            tables.append(os.path.join(spool, "%s-%d.csv" % (matrix, k)))
            seconds, kb = run([["cat"] + records, [census, "--matrix", matrix, "--scattered",
                                                   "%d/%d" % (k, parts), "-o", tables[-1]]])
            cost["reduce"] += seconds
            cost["reduce_kb"] = max(cost["reduce_kb"], kb)
    prints = [os.path.join(slice_dir(r), "print.csv") for r in range(slices)]
    merged = os.path.join(spool, "merged.csv")
    run([[census, "--merge", "-o", merged] + tables + prints])
    with open(merged, "rb") as a, open(os.path.join(spool, "whole.csv"), "rb") as b:
        if a.read() != b.read():
            sys.exit("%s: the merged census differs from the single-process one" % " ".join(geng))
    shutil.rmtree(spool)
    return cost


def overheads(census, order, scratch):
    """The processor seconds of a map task and a reduce task with no graphs:
    what every task costs whatever its size, left out of the per-graph costs."""
    spool = os.path.join(scratch, "empty")
    map_, _ = run([["nauty-geng", "-q", str(order), "0:0", "1/2"],
                   [census, "--scatter", "2", "--slice", "1/2", "--spool", spool]])
    reduce_, _ = run([["cat", os.devnull], [census, "--matrix", "A", "--scattered", "1/1",
                                            "-o", os.path.join(scratch, "empty.csv")]])
    shutil.rmtree(spool)
    return map_, reduce_


def per_graph(costs):
    """µs per graph of each step, and scratch bytes per graph, over all the costs."""
    graphs = sum(c["graphs"] for c in costs)
    return {step: 1e6 * sum(c[step] for c in costs) / graphs for step in ("map", "reduce", "single")}


def polya_counts(array, order):
    done = subprocess.run([array, "--dry-run", str(order)], capture_output=True, check=True)
    return {int(w[1]): int(w[3]) for w in map(str.split, done.stdout.decode().splitlines()[1:-1])}


def table(title, rows):
    print(title)
    print("edges             graphs  map µs/g  reduce µs/g  single µs/g  ratio  scratch B/g  "
          "map MB  reduce MB")
    for what, c in rows:
        g = c["graphs"]
        print("%-12s %11d %9.2f %12.2f %12.2f %6.2f %12.1f %7.0f %10.0f" % (
            what, g, 1e6 * c["map"] / g, 1e6 * c["reduce"] / g, 1e6 * c["single"] / g,
            (c["map"] + c["reduce"]) / c["single"], c["scratch"] / g, c["map_kb"] / 1024,
            c["reduce_kb"] / 1024))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--edges", default="12,15,18", help="whole edge counts of order 11")
    parser.add_argument("--samples11", default="27:0/64", help="EDGES:RES/MOD of order 11")
    parser.add_argument("--samples12", default="16:0/4,22:0/128,27:0/2048,33:0/4096")
    parser.add_argument("--slices", type=int, default=4)
    parser.add_argument("--parts", type=int, default=8)
    parser.add_argument("--plan-slices", type=int, default=64)
    parser.add_argument("--plan-parts", type=int, default=256)
    a = parser.parse_args()
    census = os.path.join(a.build, "grafen-census")
    array = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "census-array")
    scratch = tempfile.mkdtemp(prefix="cluster-cost-")
    sampled = lambda order, text: [(order, int(t.split(":")[0]), t.split(":")[1])
                                   for t in text.split(",") if t]
    try:
        fixed = overheads(census, 11, scratch)
        whole = [(11, int(e), None) for e in a.edges.split(",")]
        runs = {(o, e, s): measure(census, o, e, a.slices, a.parts, scratch, s)
                for o, e, s in whole + sampled(11, a.samples11) + sampled(12, a.samples12)}
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    for c in runs.values():  # each task's fixed cost left out
        c["map"] -= c["tasks"][0] * fixed[0]
        c["reduce"] -= c["tasks"][1] * fixed[1]
    name = lambda o, e, s: "%d %s" % (e, s) if s else str(e)
    print("Three matrices (A, L, Q), %d parts, here without Slurm; each task's fixed cost (map "
          "%.3f s, reduce %.3f s, with no graphs) left out." % (a.parts, fixed[0], fixed[1]))
    for order in (11, 12):
        table("order %d (whole edge counts in %d slices, geng res/mod samples in one):"
              % (order, a.slices), [(name(*k), c) for k, c in runs.items() if k[0] == order])
    eleven = [c for k, c in runs.items() if k[0] == 11]
    unit = per_graph(eleven)
    print("order 11, all measured: map %.2f µs/graph, reduce %.2f, single %.2f: %.2fx the "
          "single-process census (goal: 1.3x at most)" % (
              unit["map"], unit["reduce"], unit["single"],
              (unit["map"] + unit["reduce"]) / unit["single"]))
    extrapolate(a, array, {k[1]: c for k, c in runs.items() if k[0] == 12}, list(runs.values()))


def cost_at(samples, edges, top):
    """µs a graph of each step at an edge count: linear between the sampled
    edge counts by min(m, top - m), the nearest beyond them."""
    d = min(edges, top - edges)
    points = sorted((min(m, top - m), per_graph([c])) for m, c in samples.items())
    if d <= points[0][0]:
        return points[0][1]
    for (d0, c0), (d1, c1) in zip(points, points[1:]):
        if d <= d1:
            t = (d - d0) / (d1 - d0)
            return {s: c0[s] + t * (c1[s] - c0[s]) for s in c0}
    return points[-1][1]


def extrapolate(a, array, samples, every):
    """Prints the order-12 cost table from the sampled per-graph costs (and
    the reducers' memory from `every` run's)."""
    counts = polya_counts(array, 12)
    total, largest = sum(counts.values()), max(counts.values())
    top = 66
    hours = {s: sum(n * cost_at(samples, m, top)[s] for m, n in counts.items()) / 1e6 / 3600
             for s in ("map", "reduce", "single")}
    at_largest = cost_at(samples, max(counts, key=counts.get), top)
    scratch = max(c["scratch"] / c["graphs"] for c in samples.values())
    map_task = largest / a.plan_slices * at_largest["map"] / 1e6 / 3600
    reduce_task = largest / a.plan_parts * 1.1 * at_largest["reduce"] / 1e6 / 3600
    # Reducer memory: its growth per record between the runs with the fewest
    # and the most graphs, for the largest reducer's records (an even split
    # and a tenth).
    small, big = (f(every, key=lambda c: c["graphs"]) for f in (min, max))
    per_record = 1024 * (big["reduce_kb"] - small["reduce_kb"]) / max(
        1.0, (big["graphs"] - small["graphs"]) / a.parts)
    reduce_gb = (big["reduce_kb"] * 1024 + per_record * 1.1 * largest / a.plan_parts) / 2**30
    print("order 12: %d graphs (census-array --dry-run 12), the largest edge count %d; "
          "%d slices, %d parts" % (total, largest, a.plan_slices, a.plan_parts))
    rows = [("processor hours, map + reduce", "%.0f + %.0f" % (hours["map"], hours["reduce"]),
             "600"),
            ("the same, single-process census", "%.0f" % hours["single"], ""),
            ("scratch at the largest edge count", "%.0f GB" % (largest * scratch / 1e9), "1 TB"),
            ("longest map task", "%.2f h" % map_task, "2 h"),
            ("longest reduce task", "%.2f h" % reduce_task, "2 h"),
            ("map task memory (measured)",
             "%.0f MB" % (max(c["map_kb"] for c in samples.values()) / 1024), "4 GB"),
            ("largest reduce task memory", "%.1f GB" % reduce_gb, "4 GB")]
    for what, value, goal in rows:
        print("  %-36s %14s   goal %s" % (what, value, goal or "-"))


if __name__ == "__main__":
    main()
