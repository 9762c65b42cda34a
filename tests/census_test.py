#!/usr/bin/python3
"""End-to-end tests of grafen-census against published facts and independent checks.

usage: census_test.py CENSUS_BINARY

All graphs of order 9 (nauty-geng 9): the published counts of graphs with a cospectral
mate (OEIS A006608 for A, the tables of Haemers and Spence for L and Q) and of integral
graphs (A077027, A363065); the connected ones (A064731, A363064). The census split by
edge count and by --part K/4, merged (named on the command line or by a --tables list),
equals the whole, byte for byte, and so does the census routed into 4 parts by --scatter and
counted by --scattered, merged with its print (a spool made twice and another part's records
refused); --merge refuses overlapping, differently split and
incomplete parts. --families: every family's graphs have equal spectra (mpmath, 30
digits) and different families differ, the largest of each edge count is its row's
largest_family, and the parts of a split list them all. K_2 to K_12 are integral for
every matrix; the Seidel and generalized censuses of order 7 agree with numpy and their
parts merge to the whole; a stream mixing orders gives its rows in order; a cospectral pair of
order 40 stays together in any part. Then bad input and usage errors. The last line
reads "N passed, N failed".
"""
import collections
import csv
import io
import os
import signal
import subprocess
import sys
import tempfile
import time

try:
    import mpmath
    import networkx
except ImportError as missing:
    sys.exit("census_test: %s: install python3-mpmath and python3-networkx (tools/setup does)"
             % missing)

results = {"passed": 0, "failed": 0}


def check(condition, what):
    results["passed" if condition else "failed"] += 1
    if not condition:
        print("FAIL:", what)


def geng(*arguments):
    return subprocess.run(["nauty-geng", "-q"] + list(arguments), check=True,
                          capture_output=True, timeout=600).stdout


def run(census, arguments, cwd, stdin=None, **kwargs):
    return subprocess.run([census] + arguments, cwd=cwd, input=stdin, capture_output=True,
                          timeout=600, **kwargs)


def totals(table):
    """(matrix, order) -> the totals row (its edges "all" or runs of edge counts)."""
    return {(r["matrix"], r["order"]): r for r in csv.DictReader(io.StringIO(table.decode()))
            if not r["edges"].isdigit()}


def spectrum(line, matrix):
    graph = networkx.from_graph6_bytes(line)
    n = graph.number_of_nodes()
    m = mpmath.matrix(n, n)
    for i, j in graph.edges():
        if matrix != "A":
            m[i, i] += 1
            m[j, j] += 1
        m[i, j] = m[j, i] = -1 if matrix == "L" else 1
    return sorted(mpmath.eigsy(m, eigvals_only=True))


def read_families(path, lines):
    """The families file's families by (matrix, identifier), as graph6 lists,
    each row's size and graph number checked against its family and the
    input's lines."""
    with open(path, newline="") as listing:
        rows = list(csv.DictReader(listing))
    families = {}
    for row in rows:
        check(lines[int(row["graph"]) - 1] == row["graph6"].encode(), "families: %r" % row)
        families.setdefault((row["matrix"], int(row["family"])), []).append(row)
    check(all(int(r["size"]) == len(f) for f in families.values() for r in f),
          "families: each size is its family's")
    return {key: [r["graph6"].encode() for r in f] for key, f in families.items()}


def main(census):
    mpmath.mp.dps = 30
    with tempfile.TemporaryDirectory(prefix="census-test-") as scratch:
        at = lambda name: os.path.join(scratch, name)
        with open(at("a9.g6"), "wb") as out:
            out.write(geng("9"))
        whole = run(census, ["a9.g6", "-o", "whole.csv"], scratch)
        with open(at("whole.csv"), "rb") as table:
            text = table.read()
        rows = totals(text)
        published = {"A": (51039, 121), "L": (42595, 1721), "Q": (19001, None)}
        for matrix, (mates, integral) in published.items():
            row = rows.get((matrix, "9"), {})
            check(row.get("graphs") == "274668" and row.get("with_mate") == str(mates)
                  and integral in (None, int(row.get("integral", -1))),
                  "order 9, %s: %r" % (matrix, row))
        check(whole.returncode == 0 and text.startswith(
            b"matrix,order,edges,graphs,distinct_spectra,with_mate,families,largest_family,"
            b"integral,part,input,copies,family_sizes\r\n") and rows[("L", "9")]["edges"] == "all"
            and text.count(b"\n") == text.count(b"\r\n") == 115,
              "the table: header, 111 rows and 3 totals, CR LF (%r)" % whole.stderr)
        connected = run(census, ["--matrix", "L,A"], scratch, geng("-c", "9"))
        rows = totals(connected.stdout)
        check(rows[("L", "9")]["integral"] == "912" and rows[("A", "9")]["integral"] == "24"
              and ("Q", "9") not in rows and rows[("L", "9")]["edges"] == "8-36",
              "connected, order 9: integral graphs; 8 to 36 edges, each count there")

        # Parts by edge count and by key, merged, equal the whole.
        names = []
        for edges in range(37):
            names.append("e%d.csv" % edges)
            done = run(census, ["-o", names[-1]], scratch, geng("9", "%d:%d" % (edges, edges)))
            check(done.returncode == 0, "edge count %d" % edges)
        merged = run(census, ["--merge", "-o", "merged.csv"] + names, scratch)
        # The same tables named by a list instead, on standard input and in a file.
        listed = run(census, ["--merge", "--tables", "-"], scratch,
                     "".join(at(name) + "\n" for name in names).encode())
        with open(at("list"), "w") as listing:
            listing.write("\n".join(names[1:]) + "\n\n")
        listed_too = run(census, ["--merge", names[0], "--tables", "list"], scratch)
        parts = ["p%d.csv" % k for k in range(1, 5)]
        for k, name in enumerate(parts, 1):
            run(census, ["a9.g6", "--part", "%d/4" % k, "-o", name], scratch)
        keyed = run(census, ["--merge"] + parts, scratch)
        with open(at("merged.csv"), "rb") as table:
            check(merged.returncode == 0 and table.read() == text and keyed.stdout == text
                  and listed.stdout == text and listed_too.stdout == text,
                  "split by edge count and by --part K/4, merged: the whole (%r %r)"
                  % (merged.stderr, keyed.stderr))
        # Scattered: a.g6 routed once into 4 parts, each matrix's parts counted from their
        # records and merged with the print, is the whole; a spool made twice, records
        # counted as another part, and plain graph6 taken for records, are refused.
        scattered = [run(census, ["--scatter", "4", "--spool", "spool", "a9.g6"], scratch)]
        for m in "ALQ":
            for k in range(1, 5):
                scattered.append(run(census, ["--matrix", m, "--scattered", "%d/4" % k,
                                              "spool/%s-%d.g6" % (m, k), "-o", "%s%d.csv" % (m, k)],
                                     scratch))
        merged = run(census, ["--merge", "spool/print.csv"] + ["%s%d.csv" % (m, k) for m in "ALQ"
                                                               for k in range(1, 5)], scratch)
        again = run(census, ["--scatter", "4", "--spool", "spool", "a9.g6"], scratch)
        stray = run(census, ["--matrix", "L", "--scattered", "2/4", "spool/L-1.g6"], scratch)
        bare = run(census, ["--matrix", "L", "--scattered", "1/4", "a9.g6"], scratch)
        check(all(d.returncode == 0 for d in scattered) and merged.stdout == text
              and again.returncode == 1 and again.stderr.startswith(
                  b"grafen-census: spool: already there") and sorted(os.listdir(at("spool")))[-1]
              == "print.csv" and not any(".pending." in f for f in os.listdir(scratch))
              and stray.returncode == 1 and b"its fingerprint falls in part 1, not in this "
              b"scattered part 2/4" in stray.stderr and bare.returncode == 1
              and b"graph 1: not a record of a scatter" in bare.stderr,
              "scattered into 4 parts and merged: the whole (%r %r %r %r)"
              % (merged.stderr[-200:], again.stderr, stray.stderr, bare.stderr))
        # Without the table of 30 edges: a warning for each matrix, totals of the rest.
        gapped = run(census, ["--merge"] + names[:30] + names[31:], scratch)
        with open(at("e30.csv"), "rb") as table:
            rows, thirty = totals(gapped.stdout), totals(table.read())
        check(gapped.returncode == 0 and gapped.stderr.startswith(b"".join(
            b"grafen-census: warning: %s, order 9: no rows for 30 edges; the totals cover "
            b"0-29;31-36\n" % m for m in (b"A", b"L", b"Q"))) and all(
                rows[(m, "9")]["edges"] == "0-29;31-36" and int(rows[(m, "9")]["graphs"])
                + int(thirty[(m, "9")]["graphs"]) == 274668 for m in "ALQ"),
              "merged without 30 edges (%r)" % gapped.stderr)
        # A table of 11 columns (before copies and family sizes) merges with a new one,
        # copies 0 and the sizes of its rows with families unknown, an empty cell.
        with open(at("e5.csv"), "rb") as table, open(at("old5.csv"), "wb") as out:
            out.write(b"".join(b",".join(line.split(b",")[:11]).replace(b",5-5,", b",all,")
                               + b"\r\n" for line in table.read().split(b"\r\n")[:-1]))
        new = run(census, ["--merge", "e5.csv", "e6.csv"], scratch).stdout.split(b"\r\n")[:-1]
        new = [f.split(b",") for f in new]
        unknown = [f[:12] + [b""] if f[2] in (b"5", b"5-6") and f[6] != b"0" else f for f in new]
        mixed = run(census, ["--merge", "old5.csv", "e6.csv"], scratch)
        check(mixed.returncode == 0 and unknown != new and mixed.stdout == b"".join(
            b",".join(f) + b"\r\n" for f in unknown), "old and new merged (%r)" % mixed.stderr)
        run(census, ["--part", "1/3", "-o", "third.csv"], scratch, geng("9", "5:5"))
        # Tables whose totals add up but whose counts cannot be: a complete row
        # one graph short of its input; a family of 2 holding 3 graphs.
        with open(at("e5.csv"), "rb") as table:
            lines = table.read().split(b"\r\n")
        for name, row, change in (("short.csv", 2, {3: -1, 4: -1}),
                                  ("crowded.csv", 1, {7: -1})):
            altered = [line.split(b",") for line in lines]
            for fields in (altered[row], altered[row + 3]):
                for field, step in change.items():
                    fields[field] = b"%d" % (int(fields[field]) + step)
            with open(at(name), "wb") as out:
                out.write(b"\r\n".join(b",".join(fields) for fields in altered))
        for arguments, message in (
                (parts[:3], b"missing parts: 4/4 (111 rows, from A, order 9, 0 edges)"),
                ([parts[0], parts[0]], b"p1.csv: part 1/4 of A, order 9, 0 edges is in p1.csv too"),
                ([parts[0], "third.csv"], b"third.csv: A, order 9, 5 edges is split into 3 parts"),
                (["e5.csv", "e5.csv"], b"e5.csv: part all of A, order 9, 5 edges is in e5.csv too"),
                (["a9.g6"], b"a9.g6:1: not a grafen-census table"),
                (["--tables", "nolist"], b"nolist: No such file"),
                (["--tables", "a9.g6"], b"H??????: No such file"),
                (["short.csv"], b"short.csv:3: a whole row that counts fewer graphs than its input"),
                (["crowded.csv"], b"crowded.csv:2: the counts do not fit together: with_mate above "
                 b"families x largest_family")):
            done = run(census, ["--merge"] + arguments, scratch)
            check(done.returncode == 1 and done.stderr.startswith(b"grafen-census: " + message)
                  and done.stderr.count(b"\n") == 1, "merge %s: %r" % (arguments, done.stderr))

        # Families, of both matrices in one run: equal spectra within, different
        # between; each row names its graph by its line in the input.
        stream = geng("-c", "7")
        done = run(census, ["--matrix", "L,A", "--families", "families.csv"], scratch, stream)
        found = read_families(at("families.csv"), stream.split())
        families = [f for (m, _), f in sorted(found.items()) if m == "L"]
        spectra = [[spectrum(line, "L") for line in family] for family in families]
        within = all(max(abs(a - b) for x in s for a, b in zip(x, s[0])) < 1e-20 for s in spectra)
        between = all(max(abs(a - b) for a, b in zip(s[0], t[0])) > 1e-9 for k, s in
                      enumerate(spectra) for t in spectra[k + 1:])
        rows = totals(done.stdout)
        check(done.returncode == 0 and within and between
              and all(sum(len(f) for (m, _), f in found.items() if m == matrix)
                      == int(rows[(matrix, "7")]["with_mate"])
                      and sum(m == matrix for m, _ in found) == int(rows[(matrix, "7")]["families"])
                      for matrix in "AL"),
              "--families of the connected graphs of order 7 (%d families)" % len(found))
        # The largest family of each edge count, and of the order, is the largest listed,
        # and its family sizes those of the families listed.
        sizes = collections.defaultdict(collections.Counter)
        for family in families:
            for key in (str(networkx.from_graph6_bytes(family[0]).number_of_edges()), "6-21"):
                sizes[key][len(family)] += 1
        check(all(r["largest_family"] == str(max(sizes[r["edges"]] or [0])) and r["family_sizes"]
                  == " ".join("%d:%d" % size for size in sorted(sizes[r["edges"]].items()))
                  for r in csv.DictReader(io.StringIO(done.stdout.decode())) if r["matrix"] == "L"),
              "largest_family and family_sizes: those of the families listed")
        # Each part lists its own families, and together the parts list the whole's.
        listed = set()
        for k in (1, 2):
            part = run(census, ["--matrix", "L", "--part", "%d/2" % k, "--families",
                                "f%d.csv" % k], scratch, stream)
            check(part.returncode == 0, "--families with --part %d/2: %r" % (k, part.stderr))
            listed |= {frozenset(f) for f in read_families(at("f%d.csv" % k), stream.split())
                       .values()}
        check(listed == {frozenset(f) for f in families}, "--families with --part 1/2 and 2/2")

        # --joint A,L: its families are the graphs in one A-family and one L-family (82 of
        # order 9), and its parts merge into the whole table.
        nine = geng("9")
        done = run(census, ["--matrix", "A,L", "--joint", "A,L", "--families", "j.csv"], scratch,
                   nine)
        found = read_families(at("j.csv"), nine.split())
        family_of = {(m, g): k for (m, k), f in found.items() for g in f}
        pairs = collections.Counter((family_of[("A", g)], family_of[("L", g)]) for (m, _), f in
                                    found.items() if m == "A" for g in f if ("L", g) in family_of)
        joint = {frozenset(f) for (m, _), f in found.items() if m == "A+L"}
        parts = [run(census, ["--joint", "A,L", "--part", "%d/2" % k, "-o", "j%d.csv" % k],
                     scratch, nine) for k in (1, 2)]
        merged = run(census, ["--merge", "j1.csv", "j2.csv"], scratch)
        whole = run(census, ["--joint", "A,L"], scratch, nine)
        check(done.returncode == 0 and sum(len(f) for f in joint) == sum(
            c for c in pairs.values() if c > 1) == int(totals(done.stdout)[("A+L", "9")]["with_mate"])
              == 82 and merged.stdout == whole.stdout, "--joint A,L: A- and L-families met")

        # K_2 to K_12 are integral for every matrix, their largest eigenvalues
        # n - 1, n and 2n - 2; a stream of orders in any sequence gives rows
        # by matrix, order and edge count, then the totals in the same order.
        complete = b"".join(networkx.to_graph6_bytes(networkx.complete_graph(n), header=False)
                            for n in range(12, 1, -1))
        done = run(census, ["--matrix", "S,Q,L,G,A"], scratch, complete + geng("4") + geng("3"))
        table = list(csv.DictReader(io.StringIO(done.stdout.decode())))
        keys = [(not r["edges"].isdigit(), "AGLQS".index(r["matrix"]), int(r["order"]),
                 int(r["edges"]) if r["edges"].isdigit() else 0) for r in table]
        complete_rows = [r["integral"] for r in table if int(r["order"]) > 4
                         and r["edges"] == str(int(r["order"]) * (int(r["order"]) - 1) // 2)]
        check(done.returncode == 0 and keys == sorted(keys) and complete_rows == ["1"] * 40,
              "complete graphs, mixed orders (%r)" % complete_rows)
        # A cospectral pair of order 40, A-mates: a star on nodes 34 to 38 and a
        # square on nodes 1 to 4 (nodes above 32 must count in the split key).
        pair = b""
        for edges in ([(33, 34 + k) for k in range(4)], [(k, (k + 1) % 4) for k in range(4)]):
            graph = networkx.empty_graph(40)
            graph.add_edges_from(edges)
            pair += networkx.to_graph6_bytes(graph, header=False)
        # Order 7 for S, whose mates span edge counts, and G (A and the complement's A): totals
        # as numpy's eigenvalues give them, and four parts merged give the whole.
        import numpy
        stream = geng("7")
        for matrix, name in (("S", "seidel"), ("G", "generalized")):
            spectra, integral = collections.Counter(), 0
            for line in stream.split():
                a = networkx.to_numpy_array(networkx.from_graph6_bytes(line))
                b = numpy.ones((7, 7)) - numpy.eye(7) - a  # the complement
                values = numpy.linalg.eigvalsh(b - a if matrix == "S" else numpy.block(
                    [[a, numpy.zeros((7, 7))], [numpy.zeros((7, 7)), b + 20 * numpy.eye(7)]]))
                spectra[tuple(numpy.round(values, 6) + 0.0)] += 1
                integral += bool(numpy.all(numpy.abs(values - numpy.round(values)) < 1e-6))
            families = [k for k in spectra.values() if k > 1]
            expected = [1044, len(spectra), sum(families), len(families), max(families), integral]
            whole = run(census, ["--matrix", name], scratch, stream)
            row = totals(whole.stdout).get((matrix, "7"), {})
            for k in range(1, 5):
                run(census, ["--matrix", matrix, "--part", "%d/4" % k, "-o", "p%d" % k], scratch, stream)
            merged = run(census, ["--merge", "p1", "p2", "p3", "p4"], scratch)
            check([int(row.get(key, -1)) for key in ("graphs", "distinct_spectra", "with_mate",
                  "families", "largest_family", "integral")] == expected and merged.stdout ==
                  whole.stdout, "%s, order 7: %r, expected %r" % (matrix, row, expected))

        whole = run(census, ["--matrix", "A"], scratch, pair)
        parts = []
        for k in range(1, 9):
            parts.append("pair%d.csv" % k)
            run(census, ["--matrix", "A", "--part", "%d/8" % k, "-o", parts[-1]], scratch, pair)
        merged = run(census, ["--merge"] + parts, scratch)
        check(b"A,40,4,2,1,2,1,2," in whole.stdout and merged.stdout == whole.stdout,
              "an order-40 pair in 8 parts (%r)" % merged.stderr)

        for stdin, arguments, status, message in (
                (b"Bw\nBx\n", [], 1, b"grafen-census: <stdin>:2: not graph6: padding bits set"),
                (b"1\n    1    2\n\n", [], 1, b"grafen-census: <stdin>: an edge list needs its order"),
                (None, ["missing.g6", "-o", "out.csv"], 1, b"grafen-census: missing.g6: No such"),
                (None, ["--part", "5/4"], 2, b"grafen-census: --part takes K/M"),
                (None, ["--families", "f.csv", "-o", "f.csv"], 2,
                 b"grafen-census: --families and -o name the same file"),
                (None, ["--matrix", "X"], 2, b"grafen-census: --matrix takes A, B, D, DL, DQ, G, L, N, Q, S"),
                (None, ["--tables", "list"], 2, b"grafen-census: --tables needs --merge"),
                (None, ["--part", "1/2", "--part=2/2"], 2, b"grafen-census: --part given more "),
                (None, ["--part", "1/2", "--scattered=2/2"], 2, b"grafen-census: --part and --sc"),
                (None, ["--scattered", "1/2"], 2, b"grafen-census: --scattered counts the records "
                 b"of one matrix"),
                (None, ["--slice", "0/2"], 2, b"grafen-census: --spool and --slice need --scatter"),
                (None, ["--scatter", "2", "--spool", "s", "--slice", "2/2"], 2,
                 b"grafen-census: --slice takes R/S with 0 <= R < S"),
                (None, ["--scatter", "2", "--spool", "s", "-o", "t.csv"], 2,
                 b"grafen-census: --scatter takes only"),
                (None, ["-o", "out.csv", "--output", "b.csv"], 2, b"grafen-census: -o given more"),
                (None, ["--matrix", "A", "--matrix", "L"], 2, b"grafen-census: --matrix given"),
                (None, ["--order", "5", "--order=5"], 2, b"grafen-census: --order given more"),
                (None, ["--matrix=A", "--families", "f", "--families", "g"], 2,
                 b"grafen-census: --families given more than once")):
            done = run(census, arguments, scratch, stdin)
            check(done.returncode == status and done.stderr.startswith(message)
                  and not os.path.exists(at("out.csv")),
                  "%r %s: status %d (%r)" % (stdin, arguments, status, done.stderr))
        # No output may be the input: by name, through a symbolic or a hard link, or as
        # standard input; refused before anything is written.
        with open(at("in.g6"), "wb") as out:
            out.write(geng("5"))
        os.symlink("in.g6", at("soft.g6"))
        os.link(at("in.g6"), at("hard.g6"))
        before = sorted(os.listdir(scratch))
        for arguments, source, message in (
                (["--matrix", "A", "--families", "in.g6", "in.g6", "-o", "/dev/null"], None,
                 b"in.g6: the input itself; give --families another file"),
                (["in.g6", "-o", "soft.g6"], None,
                 b"soft.g6: the input itself; give -o another file"),
                (["-o", "hard.g6"], "in.g6", b"hard.g6: the input itself; give -o another file"),
                (["--matrix", "L", "--families", "in.g6", "-o", "soft.g6"], "e5.csv",
                 b"soft.g6: the --families file too; give -o another file"),
                (["--matrix", "L", "--families", "new.g6", "-o", "./new.g6"], "in.g6",
                 b"./new.g6: the --families file too; give -o another file"),
                (["--merge", "e5.csv", "e6.csv", "-o", "e6.csv"], None,
                 b"e6.csv: one of the tables merged; give -o another file")):
            with open(at(source) if source else os.devnull, "rb") as given:
                done = subprocess.run([census] + arguments, cwd=scratch, stdin=given,
                                      capture_output=True, timeout=600)
            check(done.returncode == 1 and done.stderr == b"grafen-census: " + message + b"\n"
                  and sorted(os.listdir(scratch)) == before and open(at("in.g6"), "rb").read()
                  == geng("5"), "%s: the input as output refused (%r)" % (arguments, done.stderr))

        # graph6 in a file named grafenN.txt states its own orders; empty lines alone are no
        # graphs; a spool that cannot be made is named as such.
        os.rename(at("in.g6"), at("grafen3.txt"))
        done = run(census, ["--matrix", "A", "grafen3.txt"], scratch)
        check(done.returncode == 0 and done.stderr.startswith(b"grafen-census: 34 graphs read;"),
              "graph6 of order 5 in grafen3.txt (%r)" % done.stderr)
        done = run(census, [], scratch, b"\n\r\n\n")
        check(done.returncode == 0 and done.stdout.count(b"\r\n") == 1
              and done.stderr == b"grafen-census: 0 graphs read\n",
              "empty lines alone: no graphs (%r)" % done.stderr)
        done = run(census, ["-o", "spooled.csv"], scratch, geng("5"),
                   env=dict(os.environ, TMPDIR=at("none")))
        check(done.returncode == 1 and done.stderr == b"grafen-census: the spool (the temporary "
              b"copy) of <stdin> in $TMPDIR (%s): No such file or directory\n"
              % at("none").encode() and not os.path.exists(at("spooled.csv")),
              "no spool directory (%r)" % done.stderr)
        done = run(census, ["--matrix", "Q", "-o", "one.csv"], scratch, b"@\n")
        check(done.returncode == 0 and done.stderr == b"grafen-census: 1 graph read; Q: 1 distinct "
              b"spectrum, 0 with a cospectral mate, 1 integral\n", "one graph: %r" % done.stderr)

        # A run ended by a signal leaves no temporary file beside its outputs.
        temporary = lambda: [n for n in os.listdir(scratch) if n.startswith((".sig.", ".fam."))]
        for ending in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with subprocess.Popen([census, "--matrix", "L", "--families", "fam.g6", "-o",
                                   "sig.csv"], cwd=scratch, stdin=subprocess.PIPE) as stopped:
                stopped.stdin.write(geng("5"))
                stopped.stdin.flush()
                for _ in range(200):
                    if len(temporary()) < 2:
                        time.sleep(0.05)
                appeared = len(temporary()) == 2
                stopped.send_signal(ending)
                stopped.wait(timeout=60)
            check(appeared and stopped.returncode == -ending and not temporary(),
                  "signal %d: temporary files removed (%s, status %s)" % (ending, appeared,
                                                                         stopped.returncode))

        done = run(census, ["--help"], scratch)
        check(done.returncode == 0 and done.stdout.startswith(b"usage: grafen-census"), "--help")
    print("%d passed, %d failed" % (results["passed"], results["failed"]))
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.split("\n\n")[1])
    sys.exit(main(os.path.abspath(sys.argv[1])))
