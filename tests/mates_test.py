#!/usr/bin/python3
"""End-to-end tests of grafen-mates against facts that share no code with it.

usage: mates_test.py MATES_BINARY

Published facts: the Petersen graph is determined by its spectrum for A, L and Q; the star
K_{1,4} and C_4 with an isolated node are the smallest pair with one adjacency spectrum, each
the other's only A-mate; complete graphs and paths are determined by their adjacency spectrum;
the graphs of order 9 with a mate number 51039 for A (OEIS A006608), 42595 for L and 19001
for Q (Haemers and Spence).
An oracle: every graph of order 8 from nauty-geng, its characteristic polynomials from numpy's
eigenvalues, rounded to integers, gives each graph's number of mates for each matrix, asked
together and one at a time (the search is restricted differently), also for S (mates of any
edge count) and G (A and the complement's A); every mate listed is
cospectral with its graph and not isomorphic to it (networkx). Then edge lists, nauty-geng
missing, failing, killed or writing nonsense (fakes on PATH), orders above 11 and usage
errors. Runs in a temporary directory; the last line reads "N passed, N failed".
"""
import collections
import csv
import io
import os
import subprocess
import sys
import tempfile

try:
    import networkx
    import numpy
except ImportError as missing:
    sys.exit("mates_test: %s: install python3-networkx and python3-numpy (tools/setup does)"
             % missing)

HEADER = "graph,graph6,matrix,determined,mates,mate_graph6"
results = {"passed": 0, "failed": 0}


def check(condition, what):
    results["passed" if condition else "failed"] += 1
    if not condition:
        print("FAIL:", what)


def run(binary, arguments, cwd, stdin=b"", path=None):
    env = dict(os.environ, PATH=path) if path else None
    return subprocess.run([binary] + arguments, cwd=cwd, input=stdin, capture_output=True,
                          timeout=600, env=env)


def rows_of(out, what):
    text = out.stdout.decode()
    check(out.returncode == 0, "%s: status %d, %s" % (what, out.returncode, out.stderr))
    check(text.startswith(HEADER + "\r\n") and "\n" not in text.replace("\r\n", ""),
          "%s: the header, and CR LF line ends" % what)
    return list(csv.DictReader(io.StringIO(text, newline="")))


def geng(*arguments):
    return subprocess.run(["nauty-geng", "-q"] + list(arguments), capture_output=True,
                          check=True).stdout


def g6(graph):
    return networkx.to_graph6_bytes(graph, header=False).strip()


def charpoly(graph, letter):
    a = networkx.to_numpy_array(graph, nodelist=sorted(graph))
    d = numpy.diag(a.sum(axis=1))
    if letter == "G":
        return charpoly(graph, "A") + charpoly(networkx.complement(graph), "A")
    m = {"A": a, "L": d - a, "Q": d + a, "S": numpy.ones(a.shape) - numpy.eye(len(a)) - 2 * a}[letter]
    return tuple(int(round(c)) for c in numpy.poly(numpy.linalg.eigvalsh(m)))


def check_facts(binary, scratch):
    petersen = rows_of(run(binary, [], scratch, b"IheA@GUAo\n"), "Petersen")
    check([(r["matrix"], r["determined"], r["mates"]) for r in petersen] ==
          [("A", "yes", "0"), ("L", "yes", "0"), ("Q", "yes", "0")], "Petersen is DS: %s" % petersen)
    check(networkx.is_isomorphic(networkx.from_graph6_bytes(petersen[0]["graph6"].encode()),
                                 networkx.petersen_graph()), "Petersen's canonical form")
    star, square = networkx.star_graph(4), networkx.cycle_graph(4)
    square.add_node(4)
    pair = rows_of(run(binary, ["--matrix", "A"], scratch, g6(star) + b"\n" + g6(square) + b"\n"),
                   "K_{1,4} and C_4 + K_1")
    for row, other in zip(pair, (square, star)):
        mates = row["mate_graph6"].split()
        check(row["determined"] == "no" and row["mates"] == "1" and len(mates) == 1 and
              networkx.is_isomorphic(networkx.from_graph6_bytes(mates[0].encode()), other),
              "K_{1,4} and C_4 + K_1 are each other's only A-mate: %s" % row)
    small = b"".join(geng(str(n)) for n in range(1, 5))
    check(all(r["determined"] == "yes" for r in rows_of(run(binary, ["--matrix", "A"], scratch,
                                                            small), "orders 1 to 4")),
          "no graph of order 4 or less has an A-mate")
    rows = rows_of(run(binary, [], scratch, geng("9")), "order 9")
    counts = collections.Counter(r["matrix"] for r in rows if r["determined"] == "no")
    check(counts == {"A": 51039, "L": 42595, "Q": 19001},
          "order 9: the graphs with a mate as published (OEIS A006608; Haemers and Spence): %s"
          % counts)
    # The normalized Laplacian's mates among all graphs of order 7, of any edge count, as
    # published (108); D's among the connected ones (22, as numpy finds), a disconnected
    # graph's D row empty.
    rows = rows_of(run(binary, ["--matrix", "N,D"], scratch, geng("7")), "order 7, N and D")
    told = collections.Counter((r["matrix"], r["determined"]) for r in rows)
    check(told == {("N", "no"): 108, ("N", "yes"): 936, ("D", "no"): 22, ("D", "yes"): 831,
                   ("D", ""): 191}, "order 7: N- and D-mates: %s" % told)
    known = [networkx.complete_graph(n) for n in range(1, 10)]
    known += [networkx.path_graph(n) for n in range(2, 10)]
    ds = rows_of(run(binary, ["--matrix=adjacency"], scratch, b"\n".join(map(g6, known))),
                 "K_n and P_n")
    check(len(ds) == 17 and all(r["determined"] == "yes" for r in ds),
          "K_1..K_9 and P_2..P_9 are determined by A: %s" % ds)


def check_oracle(binary, scratch):
    lines = geng("8")
    graphs = [networkx.from_graph6_bytes(line) for line in lines.split()]
    polys = {letter: [charpoly(g, letter) for g in graphs] for letter in "ALQSG"}
    for asked in ("A,L,Q", "A", "L", "Q", "S", "L,S", "G"):
        rows = rows_of(run(binary, ["--matrix", asked], scratch, lines), "order 8, " + asked)
        check(len(rows) == len(graphs) * len(asked.split(",")), "order 8, %s: rows" % asked)
        for letter in asked.split(","):
            family = collections.Counter(polys[letter])
            got = [int(r["mates"]) for r in rows if r["matrix"] == letter]
            check(got == [family[p] - 1 for p in polys[letter]],
                  "order 8, %s: mates of %s" % (asked, letter))
        for r in rows:
            number = int(r["graph"]) - 1
            mates = r["mate_graph6"].split()
            check(sorted(set(mates)) == mates and (r["determined"] == "yes") == (not mates),
                  "order 8: %s" % r)
            if asked == "A":
                check(networkx.is_isomorphic(networkx.from_graph6_bytes(r["graph6"].encode()),
                                             graphs[number]), "order 8: graph6 of %s" % r)
            sampled = asked not in ("A,L,Q", "L,S") and (asked != "S" or number % 50 == 0)  # S: large
            for text in mates if sampled else []:
                mate = networkx.from_graph6_bytes(text.encode())
                check(charpoly(mate, r["matrix"]) == polys[r["matrix"]][number] and
                      not networkx.is_isomorphic(mate, graphs[number]), "order 8: %s of %s" % (text, r))


def check_edge_lists(binary, scratch):
    # K_2 and P_4 with isolated nodes: the only graphs of order 5 with their L-spectra.
    listed = b"1\n    1    2\n\n2\n    1    2\n    2    3\n    3    4\n\n"
    rows = rows_of(run(binary, ["--order", "5", "--matrix", "L"], scratch, listed), "edge list")
    given = [networkx.empty_graph(5), networkx.empty_graph(5)]
    given[0].add_edge(0, 1)
    networkx.add_path(given[1], range(4))
    check([(r["graph"], r["mates"]) for r in rows] == [("1", "0"), ("2", "0")] and
          all(networkx.is_isomorphic(networkx.from_graph6_bytes(r["graph6"].encode()), g)
              for r, g in zip(rows, given)), "K_2 + 3K_1 and P_4 + K_1: %s" % rows)
    with open(os.path.join(scratch, "grafen5.txt"), "wb") as named:
        named.write(listed)
    check(rows_of(run(binary, ["--matrix", "L", "grafen5.txt"], scratch), "grafen5.txt") == rows,
          "grafen5.txt gives the order 5")
    out = run(binary, [], scratch, listed)
    check(out.returncode == 1 and b"needs its order" in out.stderr, "no order: %s" % out.stderr)
    check(rows_of(run(binary, [], scratch, b"\n"), "no graphs") == [], "no graphs, no rows")


def check_failures(binary, scratch):
    fakes = os.path.join(scratch, "fakes")
    os.mkdir(fakes)
    cases = [("", b"Debian package nauty"),
             ("echo 'geng: no room' >&2; exit 3", b"failed with exit status 3: geng: no room"),
             ("kill -9 $$", b"was killed by signal 9"),
             ("echo Hello", b"not graph6 of order 10"),
             ("exit 0", b"did not make graph 1 itself")]
    for script, message in cases:
        if script:  # none at first: nauty-geng missing
            with open(os.path.join(fakes, "nauty-geng"), "w") as fake:
                fake.write("#!/bin/sh\n" + script + "\n")
            os.chmod(os.path.join(fakes, "nauty-geng"), 0o755)
        out = run(binary, ["-o", "out.csv"], scratch, b"IheA@GUAo\n", path=fakes)
        check(out.returncode == 1 and message in out.stderr and out.stderr.count(b"\n") == 1 and
              not os.path.exists(os.path.join(scratch, "out.csv")),
              "fake nauty-geng '%s': %s" % (script, out.stderr))
    out = run(binary, ["-o", "out.csv"], scratch, b"K???????????\n")
    check(out.returncode == 1 and b"up to order 11" in out.stderr, "order 12: %s" % out.stderr)
    for arguments in (["--order", "12"], ["--matrix", "X"], ["--matrix", "A", "--matrix", "L"],
                      ["a", "b"], ["--bogus"]):
        out = run(binary, arguments, scratch)
        check(out.returncode == 2 and b"usage: grafen-mates" in out.stderr,
              "%s: %s" % (arguments, out.stderr))


def main(binary):
    with tempfile.TemporaryDirectory(prefix="mates-test-") as scratch:
        check_facts(binary, scratch)
        check_oracle(binary, scratch)
        check_edge_lists(binary, scratch)
        check_failures(binary, scratch)
    print("%d passed, %d failed" % (results["passed"], results["failed"]))
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(os.path.abspath(sys.argv[1])))
