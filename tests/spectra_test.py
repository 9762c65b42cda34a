#!/usr/bin/python3
"""End-to-end tests of grafen-spectra against facts that share no code with it.

usage: spectra_test.py GRAFEN_BINARY SPECTRA_BINARY
       spectra_test.py --facts SPECTRA_BINARY

Runs grafen for orders 1 to 7 and grafen-spectra on each edge list, plus
random graphs on 9 to 16 nodes (some disconnected) read from standard input,
and checks every row: the CSV loads in Python's csv module and in pandas;
networkx decodes graph6 to the listed edges; the trace of L is twice the edge
count; the spanning-tree count is the determinant of L less a row and column,
computed here with fractions; the factors multiply to the
characteristic polynomial; every eigenvalue printed agrees, to every digit,
with mpmath's 60-digit eigenvalues of L, which are roots of the printed
characteristic polynomial; integrality,
the second smallest eigenvalue, cospectral mates and the summary line are
what those roots and polynomials say. The same for graph6 from nauty-geng and
the signless Laplacian, adjacency and Seidel matrices; Seidel switches share their
S-spectrum; G (A and the complement's A) as numpy says at order 7; several matrices in one
table hold each one's own cells, and A's and L's at order 6 are numpy's. Then the failures:
bad edge lists and graph6, usage errors, unwritable output. With --facts, the
published counts for all graphs of order 9 instead, and every graph of order 8
for each matrix at 1 to 3 digits against numpy's eigenvalues (a slow run). Everything runs in temporary directories;
the last line reads "N passed, N failed".
"""

import collections
import csv
import decimal
import fractions
import io
import os
import pathlib
import random
import re
import stat
import subprocess
import sys
import tempfile

try:
    import mpmath
    import networkx
    import pandas
    import sympy
except ImportError as missing:
    sys.exit("spectra_test: %s: install Debian's python3-mpmath, python3-networkx, python3-sympy and "
             "python3-pandas for /usr/bin/python3 (tools/setup does)" % missing)

HEADER = ("graph,nodes,edges,graph6,degrees,charpoly,factored,eigenvalues,"
          "algebraic_connectivity,spanning_trees,laplacian_integral,cospectral_with,isomorphic_to")
# The spectral columns' prefix, the integral column and the summary's word, by matrix.
MATRICES = {"L": ("", "laplacian_integral", "Laplacian-integral"),
            "Q": ("signless_", "signless_integral", "signless-Laplacian-integral"),
            "A": ("adjacency_", "adjacency_integral", "adjacency-integral"),
            "S": ("seidel_", "seidel_integral", "Seidel-integral")}
results = {"passed": 0, "failed": 0}


def check(condition, what):
    results["passed" if condition else "failed"] += 1
    if not condition:
        print("FAIL:", what)


def edge_list(graphs):
    """Edge-list text (LF line ends) of (number, edges) pairs."""
    return "".join("%d\n%s\n" % (number, "".join("%5d%5d\n" % e for e in edges))
                   for number, edges in graphs)


def read_edge_list(text):
    graphs, edges = [], None
    for line in text.replace("\r\n", "\n").split("\n"):
        if edges is None and line:
            edges = []
            graphs.append(edges)
        elif line:
            edges.append(tuple(int(x) for x in line.split()))
        else:
            edges = None
    return graphs


def kirchhoff(n, edges):
    """Spanning trees: det of the Laplacian without its last row and column."""
    m = [[fractions.Fraction(0)] * n for _ in range(n)]
    for i, j in edges:
        m[i - 1][i - 1] += 1
        m[j - 1][j - 1] += 1
        m[i - 1][j - 1] = m[j - 1][i - 1] = fractions.Fraction(-1)
    det = fractions.Fraction(1)
    for k in range(n - 1):
        pivot = next((r for r in range(k, n - 1) if m[r][k] != 0), None)
        if pivot is None:
            return 0
        if pivot != k:
            m[k], m[pivot] = m[pivot], m[k]
            det = -det
        det *= m[k][k]
        for r in range(k + 1, n - 1):
            factor = m[r][k] / m[k][k]
            for c in range(k, n - 1):
                m[r][c] -= factor * m[k][c]
    return int(det)


def exact_det(m):
    """The determinant of a square integer matrix (lists), by Bareiss's fraction-free
    elimination."""
    m = [list(row) for row in m]
    n, sign, previous = len(m), 1, 1
    for k in range(n - 1):
        if m[k][k] == 0:
            swap = next((r for r in range(k + 1, n) if m[r][k] != 0), None)
            if swap is None:
                return 0
            m[k], m[swap], sign = m[swap], m[k], -sign
        for r in range(k + 1, n):
            for c in range(k + 1, n):
                m[r][c] = (m[r][c] * m[k][k] - m[r][k] * m[k][c]) // previous
        previous = m[k][k]
    return sign * m[n - 1][n - 1] if n else 1


def rounded(value, digits):
    """The decimal text of a positive mpmath value to `digits` significant digits."""
    exact = decimal.Decimal(mpmath.nstr(value, 60, strip_zeros=False))
    quantum = decimal.Decimal(1).scaleb(exact.adjusted() - digits + 1)
    result = exact.quantize(quantum, rounding=decimal.ROUND_HALF_UP)
    if result.adjusted() != exact.adjusted():  # 9.99996 -> 10.000
        result = exact.quantize(quantum.scaleb(1), rounding=decimal.ROUND_HALF_UP)
    return format(result, "f") if result.as_tuple().exponent < 0 else "%se%d" % (
        format(result.scaleb(-result.adjusted()), "f").rstrip("."), result.adjusted())


def check_table(name, text, graphs, order, digits, summary, matrix="L", laplacian=None):
    """Checks a table of graphs (edge lists) on `order` nodes (a number, or one a graph) for
    the matrix; for Q and A, the Laplacian's columns are those of the table `laplacian`."""
    prefix, integral_column, integral_word = MATRICES[matrix]
    header = HEADER.replace("charpoly,factored,eigenvalues", "{0}charpoly,{0}factored,{0}"
                            "eigenvalues".format(prefix)).replace("laplacian_integral",
                                                                  integral_column)
    header = header.replace("cospectral_with", prefix + "cospectral_with")
    check(text.startswith(header + "\r\n") and text.count("\n") == text.count("\r\n"),
          name + ": header and CR LF line ends")
    orders = order if isinstance(order, list) else [order] * len(graphs)
    text = text.replace(header, header.replace(prefix, "") if prefix else header, 1).replace(
        integral_column, "integral", 1)
    rows = list(csv.DictReader(io.StringIO(text, newline="")))
    frame = pandas.read_csv(io.StringIO(text), dtype=str, keep_default_na=False)
    check(len(rows) == len(graphs) == len(frame), name + ": one row per graph")
    check(list(frame["graph6"]) == [r["graph6"] for r in rows], name + ": pandas reads as csv does")
    by_poly = {}
    for row in rows:
        by_poly.setdefault(row["charpoly"], []).append(row["graph"])
    integral = with_mate = copies = 0
    mpmath.mp.dps = 60
    # Each graph in networkx, for its isomorphisms with the graphs that share its polynomial.
    alike = {}
    for row, edges, order in zip(rows, graphs, orders):
        alike[row["graph"]] = networkx.Graph([(i, j) for i, j in edges])
        alike[row["graph"]].add_nodes_from(range(1, order + 1))
    for number, (row, edges, order) in enumerate(zip(rows, graphs, orders), start=1):
        where = "%s graph %d" % (name, number)
        decoded = networkx.from_graph6_bytes(row["graph6"].encode())
        listed = sorted((i - 1, j - 1) for i, j in edges)
        check(row["graph"] == str(number) and row["nodes"] == str(order)
              and row["edges"] == str(len(edges)), where + ": number, nodes, edges")
        check(decoded.number_of_nodes() == order
              and sorted(tuple(sorted(e)) for e in decoded.edges()) == listed,
              where + ": graph6 decodes to the listed edges")
        check(row["degrees"] == " ".join(str(d) for d in sorted(
            (d for _, d in decoded.degree()), reverse=True)), where + ": degrees")
        poly = [int(c) for c in row["charpoly"].split()]
        trace = 0 if matrix in "AS" else 2 * len(edges)
        check(len(poly) == order + 1 and poly[0] == 1 and (order == 1 or poly[1] == -trace),
              where + ": charpoly is monic, its trace " + str(trace))
        check(row["spanning_trees"] == str(kirchhoff(order, edges)), where + ": Kirchhoff")
        product = row["factored"].replace("^", "**")
        check(re.fullmatch(r"[x0-9 ()*+-]+", product) is not None and all(
            eval(product, {"x": t}) == sum(c * t ** (order - k) for k, c in enumerate(poly))
            for t in range(order + 4)), where + ": the factors multiply to charpoly")
        m = mpmath.matrix(order, order)
        if matrix == "S":  # J - I, then -1 on the edges
            m = mpmath.ones(order, order) - mpmath.eye(order)
        for i, j in edges:
            if matrix in "LQ":
                m[i - 1, i - 1] += 1
                m[j - 1, j - 1] += 1
            m[i - 1, j - 1] = m[j - 1, i - 1] = -1 if matrix in "LS" else 1
        roots = sorted(mpmath.eigsy(m, eigvals_only=True))
        scale = sum(abs(c) for c in poly)
        check(all(abs(mpmath.polyval(poly, r)) < scale * mpmath.mpf(10) ** -40 for r in roots),
              where + ": the eigenvalues (mpmath, 60 digits) are roots of charpoly")
        printed = row["eigenvalues"].split()
        agree = len(printed) == order
        for token, root in zip(printed, roots):
            if re.fullmatch(r"-?\d+", token):
                agree = agree and abs(root - int(token)) < 1e-6
            else:
                agree = agree and token == ("-" if root < 0 else "") + rounded(abs(root), digits)
        check(agree, where + ": eigenvalues %s vs roots %s" % (printed, roots))
        exact = all(re.fullmatch(r"-?\d+", t) for t in printed)
        check(row["integral"] == ("1" if exact else "0"), where + ": integral")
        if laplacian is None:
            check(row["algebraic_connectivity"] == (printed[1] if order > 1 else ""),
                  where + ": algebraic connectivity")
        else:
            same = laplacian[number - 1]
            check(row["algebraic_connectivity"] == same["algebraic_connectivity"]
                  and row["spanning_trees"] == same["spanning_trees"],
                  where + ": the Laplacian's columns")
        # Factors of equal degree come by their smallest root.
        keys = []
        for factor in re.findall(r"\(([^()]*x\^[^()]*)\)", row["factored"]):
            coefficients = {}
            terms = re.findall(r"([+-]?)(\d*)(\*?x(?:\^(\d+))?)?", factor.replace(" ", ""))
            for sign, number, has_x, power in terms:
                if number or has_x:
                    degree = int(power) if power else (1 if has_x else 0)
                    coefficients[degree] = int(sign + (number or "1"))
            top = max(coefficients)
            smallest = min(mpmath.re(r) for r in mpmath.polyroots(
                [coefficients.get(k, 0) for k in range(top, -1, -1)], maxsteps=200, extraprec=200))
            keys.append((top, smallest))
        check(keys == sorted(keys), where + ": factors by degree, then smallest root")
        same = [m for m in by_poly[row["charpoly"]] if m != row["graph"]]
        isomorphic = [m for m in same if networkx.is_isomorphic(alike[m], alike[row["graph"]])]
        mates = [m for m in same if m not in isomorphic]
        earlier = [m for m in isomorphic if int(m) < int(row["graph"])]
        check(row["cospectral_with"] == " ".join(mates), where + ": cospectral mates")
        check(row["isomorphic_to"] == (earlier[0] if earlier else ""),
              where + ": the first earlier graph it is isomorphic to")
        integral += exact
        with_mate += bool(mates)
        copies += bool(earlier)
    expected = ("grafen-spectra: %d graph%s read, %d %s, %d with a cospectral mate, %d distinct "
                "spectr%s%s\n" % (len(rows), "s"[:len(rows) != 1], integral, integral_word, with_mate,
                                  len(by_poly), "a" if len(by_poly) != 1 else "um",
                                  ", %d isomorphic cop%s" % (copies, "y" if copies == 1 else "ies")
                                  if copies else ""))
    check(summary == expected, name + ": summary %r" % summary)
    return rows


def geng(*arguments):
    """The graph6 lines of nauty-geng with these arguments."""
    return subprocess.run(["nauty-geng", "-q"] + list(arguments), check=True,
                          capture_output=True, timeout=600).stdout


def facts(spectra):
    """The published counts for the graphs of order 9, all and connected, for each matrix:
    integral graphs (OEIS A363065, A077027; A363064, A064731) and graphs with a cospectral
    mate (A006608 and the tables of Haemers and Spence)."""
    expected = {("", "L"): (274668, 1721, 42595), ("", "Q"): (274668, None, 19001),
                ("", "A"): (274668, 121, 51039), ("-c", "L"): (261080, 912, None),
                ("-c", "A"): (261080, 24, None)}
    streams = {"": geng("9"), "-c": geng("-c", "9")}
    for (connected, matrix), (graphs, integral, mates) in expected.items():
        done = subprocess.run([spectra, "--matrix", matrix, "-o", "/dev/null"],
                              input=streams[connected], capture_output=True, timeout=600)
        counts = re.fullmatch(r"grafen-spectra: (\d+) graphs read, (\d+) \S+, (\d+) with a "
                              r"cospectral mate, \d+ distinct spectra\n", done.stderr.decode())
        got = tuple(int(c) for c in counts.groups()) if counts else None
        check(got is not None and got[0] == graphs and integral in (None, got[1])
              and mates in (None, got[2]), "order 9 %s --matrix %s: %r" % (connected, matrix,
                                                                          done.stderr))


def expected_tokens(values, digits):
    """The eigenvalue column for these eigenvalues (ascending), or None when one lies too near
    a rounding boundary for a double to settle (mpmath settles those)."""
    tokens = []
    for value in values:
        if abs(value - round(value)) < 1e-9:
            tokens.append(str(int(round(value))))
            continue
        exact = decimal.Decimal(repr(abs(float(value))))
        mantissa = exact.scaleb(digits - 1 - exact.adjusted())
        if abs(mantissa - mantissa.to_integral_value(decimal.ROUND_FLOOR) - decimal.Decimal(
                "0.5")) < decimal.Decimal("1e-6"):
            return None
        tokens.append(("-" if value < 0 else "") + rounded(mpmath.mpf(repr(abs(float(value)))),
                                                         digits))
    return tokens


def true_order(spectra):
    """Every graph of order 8 for A, L and Q at 1 to 3 digits, where eigenvalues of different
    factors often share a rounding cell: each row's eigenvalues are the true ones, rounded, in
    ascending order (numpy's, settled by mpmath near a rounding boundary)."""
    import numpy
    stream = geng("8")
    graphs = [networkx.from_graph6_bytes(line) for line in stream.split()]
    adjacency = numpy.array([networkx.to_numpy_array(g, nodelist=range(8)) for g in graphs])
    degrees = numpy.array([numpy.diag(a.sum(axis=1)) for a in adjacency])
    seidel = numpy.ones((8, 8)) - numpy.eye(8) - 2 * adjacency
    for matrix, sign in (("A", 0), ("L", -1), ("Q", 1), ("S", None)):
        stack = seidel if sign is None else adjacency if sign == 0 else degrees + sign * adjacency
        spectra_ = numpy.linalg.eigvalsh(stack)
        for digits in (1, 2, 3):
            done = subprocess.run([spectra, "--matrix", matrix, "--digits", str(digits)],
                                  input=stream, capture_output=True, timeout=600)
            rows = done.stdout.decode().split("\r\n")[1:-1]
            wrong = []
            for row, values, m in zip(rows, spectra_, stack):
                printed = next(csv.reader([row]))[7].split()
                wanted = expected_tokens(values, digits)
                if wanted is None:
                    mpmath.mp.dps = 50
                    exact = sorted(mpmath.eigsy(mpmath.matrix(m.tolist()), eigvals_only=True))
                    wanted = [str(int(mpmath.nint(v))) if abs(v - mpmath.nint(v)) < 1e-30 else
                              ("-" if v < 0 else "") + rounded(abs(v), digits) for v in exact]
                if printed != wanted:
                    wrong.append((row.split(",")[3], printed, wanted))
            check(done.returncode == 0 and len(rows) == len(graphs) and not wrong,
                  "order 8 --matrix %s --digits %d: %d rows, wrong: %r" % (
                      matrix, digits, len(rows), wrong[:3]))


def run(binary, arguments, cwd, stdin=None, **kwargs):
    return subprocess.run([binary] + arguments, cwd=cwd, input=stdin, capture_output=True,
                          timeout=300, **kwargs)


def main(grafen, spectra):
    with tempfile.TemporaryDirectory(prefix="spectra-test-") as scratch:
        for order in range(1, 8):
            subprocess.run([grafen, str(order)], cwd=scratch, check=True, capture_output=True)
            name = "grafen%d.txt" % order
            done = run(spectra, [name, "-o", "out.csv"], scratch)
            check(done.returncode == 0 and done.stdout == b"", name + ": status 0, -o written")
            with open(os.path.join(scratch, name)) as listing:
                graphs = read_edge_list(listing.read())
            with open(os.path.join(scratch, "out.csv"), newline="") as table:
                check_table(name, table.read(), graphs, order, 5, done.stderr.decode())

        # Roundings coarser than the gaps between eigenvalues: still listed by
        # their true values (checked against mpmath's roots, in order).
        for digits in (1, 2, 3):
            done = run(spectra, ["grafen7.txt", "--digits", str(digits)], scratch)
            check_table("grafen7.txt --digits %d" % digits, done.stdout.decode(), graphs, 7, digits,
                        done.stderr.decode())

        # The order from the file name: up to 62; a node it names but no graph
        # uses is told once, the table unchanged.
        with open(os.path.join(scratch, "grafen62.txt"), "w") as wide:
            wide.write(edge_list([(1, [(1, 62)])]))
        done = run(spectra, ["grafen62.txt"], scratch)
        check(done.returncode == 0 and done.stdout.split(b"\r\n")[1].startswith(b"1,62,1,"),
              "grafen62.txt is of order 62 (%r)" % done.stderr)
        with open(os.path.join(scratch, "grafen6.txt"), "w") as renamed:
            renamed.write(edge_list([(1, [(1, 2), (2, 5)])]))
        named = run(spectra, ["grafen6.txt"], scratch)
        given = run(spectra, ["grafen6.txt", "--order", "6"], scratch)
        check(named.returncode == 0 and named.stdout == given.stdout
              and named.stderr.decode().splitlines()[0] == "grafen-spectra: grafen6.txt: no graph "
              "uses node 6, the order the file name gives; give --order N for another"
              and len(given.stderr.splitlines()) == 1, "unused highest node: one warning")

        generator = random.Random(2024)
        graphs = []
        for n in range(9, 17):
            graph = networkx.gnp_random_graph(n, generator.choice([0.2, 0.5, 0.8]), seed=n)
            graphs.append(sorted((i + 1, j + 1) for i, j in graph.edges()))
        text = edge_list(enumerate(graphs, start=1))
        done = run(spectra, ["--order", "16", "--digits", "12"], scratch, text.encode())
        check_table("random, order 16", done.stdout.decode(), graphs, 16, 12, done.stderr.decode())
        inferred = run(spectra, ["-"], scratch, text.encode())
        check(inferred.returncode == 0 and inferred.stdout.split(b"\r\n")[1].split(b",")[1] == b"16",
              "the order defaults to the largest node listed")

        # graph6 as nauty-geng writes it, through a pipe, header and CR LF included, orders
        # mixed, and every graph of order 4 again with its nodes reversed: copies, not mates;
        # decoded here by networkx. The Laplacian's columns do not change with --matrix.
        reversed4 = b"".join(networkx.to_graph6_bytes(networkx.relabel_nodes(
            g, {v: 3 - v for v in g}), header=False) for g in
            map(networkx.from_graph6_bytes, geng("4").split()))
        stream = b">>graph6<<" + geng("-c", "6") + geng("4").replace(b"\n", b"\r\n") + reversed4
        decoded = [networkx.from_graph6_bytes(line) for line in stream[10:].split()]
        graphs = [sorted(tuple(sorted((i + 1, j + 1))) for i, j in g.edges()) for g in decoded]
        orders = [g.number_of_nodes() for g in decoded]
        laplacian = None
        single = {}
        for matrix in ("L", "Q", "A", "S"):
            done = run(spectra, ["--matrix", matrix], scratch, stream)
            rows = check_table("graph6 --matrix " + matrix, done.stdout.decode(), graphs, orders, 5,
                               done.stderr.decode(), matrix, laplacian)
            laplacian = laplacian or rows
            single[matrix] = (rows, done.stderr.decode())

        # Several matrices in one table: each its own columns, LETTER_ named, in the order
        # A, L, Q, S however given; every cell and count as the table of that matrix alone.
        done = run(spectra, ["--matrix", "Q,seidel,L,A"], scratch, stream)
        own = ("charpoly", "factored", "eigenvalues", "integral", "cospectral_with")
        common = ("graph", "nodes", "edges", "graph6", "degrees")
        last = ("algebraic_connectivity", "spanning_trees", "isomorphic_to")
        names = list(common) + ["%s_%s" % (m, c) for m in "ALQS" for c in own] + list(last)
        rows = list(csv.DictReader(io.StringIO(done.stdout.decode(), newline="")))
        check(done.stdout.startswith(",".join(names).encode() + b"\r\n") and len(rows) == len(graphs)
              and all(row[m + "_" + c] == single[m][0][k][c] for m in "ALQS" for c in own
                      for k, row in enumerate(rows))
              and all(row[c] == single["L"][0][k][c] for c in common + last
                      for k, row in enumerate(rows)), "--matrix Q,seidel,L,A: the single tables' cells")
        counts = {m: re.fullmatch(r"grafen-spectra: (\d+ graphs read), (.*?)(, \d+ isomorphic "
                                  r"copies)?\n", single[m][1]).groups() for m in "ALQS"}
        check(done.returncode == 0 and done.stderr.decode() == "grafen-spectra: %s; %s%s\n" % (
            counts["L"][0], "; ".join(m + ": " + counts[m][1] for m in "ALQS"),
            counts["L"][2].replace(",", ";")), "--matrix Q,seidel,L,A: summary %r" % done.stderr)

        # Seidel switching on a random node set keeps the S-spectrum: each graph and its
        # switch share seidel_charpoly and are mates unless networkx finds them isomorphic.
        pairs = []
        for n in range(2, 12):
            graph = networkx.gnp_random_graph(n, 0.5, seed=n)
            chosen = set(random.Random(n).sample(range(n), n // 2))
            pairs += [graph, networkx.Graph([(u, v) for u in graph for v in range(u + 1, n)
                                             if graph.has_edge(u, v) != ((u in chosen) != (v in chosen))])]
            pairs[-1].add_nodes_from(graph)
        rows = list(csv.DictReader(io.StringIO(run(spectra, ["--matrix", "S"], scratch, b"".join(
            networkx.to_graph6_bytes(g, header=False) for g in pairs)).stdout.decode())))
        check(len(rows) == len(pairs) and all(
            rows[k]["seidel_charpoly"] == rows[k + 1]["seidel_charpoly"] and
            (str(k + 2) in rows[k]["seidel_cospectral_with"].split()) !=
            networkx.is_isomorphic(pairs[k], pairs[k + 1]) for k in range(0, len(pairs), 2)),
              "Seidel switching")
        import numpy
        polys = [";".join(" ".join(str(int(round(c))) for c in numpy.poly(numpy.linalg.eigvalsh(
            networkx.to_numpy_array(h, nodelist=range(7))))) for h in (g, networkx.complement(g)))
            for g in map(networkx.from_graph6_bytes, geng("7").split())]
        shared = collections.Counter(polys)
        rows = list(csv.DictReader(io.StringIO(run(spectra, ["--matrix", "G"], scratch,
                                                   geng("7")).stdout.decode())))
        check(len(rows) == len(polys) == 1044 and all(
            r["generalized_charpoly"] == p and bool(r["generalized_cospectral_with"]) ==
            (shared[p] > 1) for r, p in zip(rows, polys)), "order 7, --matrix G: numpy's mates")

        # All graphs of order 6 for A, L, N and the distance matrices at once, against numpy:
        # eigenvalues, integrality, and mates where numpy's spectra are shared; a disconnected
        # graph has empty distance cells.
        nx6 = list(map(networkx.from_graph6_bytes, geng("6").split()))
        graphs6 = [networkx.to_numpy_array(g, nodelist=range(6)) for g in nx6]
        rows = list(csv.DictReader(io.StringIO(run(spectra, ["--matrix", "L,A,N,D,DL,DQ"], scratch,
                                                   geng("6")).stdout.decode())))
        scale = [numpy.diag([d ** -0.5 if d else 0 for d in a.sum(axis=1)]) for a in graphs6]
        dist = [networkx.floyd_warshall_numpy(g, nodelist=range(6)) if networkx.is_connected(g)
                else None for g in nx6]
        for letter, matrices in (
                ("A", graphs6), ("L", [numpy.diag(a.sum(axis=1)) - a for a in graphs6]),
                ("N", [numpy.eye(6) - s @ a @ s for a, s in zip(graphs6, scale)]),
                ("D", dist), ("DL", [d if d is None else numpy.diag(d.sum(1)) - d for d in dist]),
                ("DQ", [d if d is None else numpy.diag(d.sum(1)) + d for d in dist])):
            values = [None if m is None else numpy.linalg.eigvalsh(m) for m in matrices]
            spectra6 = [None if v is None else tuple(numpy.round(v, 6) + 0.0) for v in values]
            shared = collections.Counter(spectra6)
            check(len(rows) == len(values) == 156 and all(
                (r[letter + "_eigenvalues"] == r[letter + "_integral"] == "" if e is None else
                 all(abs(float(t) - v) < 1e-4 * max(1, abs(v)) for t, v in zip(
                     r[letter + "_eigenvalues"].split(), e)) and len(r[letter + "_eigenvalues"].split())
                 == 6 and r[letter + "_integral"] == str(int(all(abs(e - numpy.round(e)) < 1e-9)))
                 and bool(r[letter + "_cospectral_with"]) == (shared[p] > 1))
                for r, e, p in zip(rows, values, spectra6)), "order 6: numpy's " + letter)

        # Distance spectra against theorems: Graham and Pollak, det D = (-1)^(n-1) (n-1) 2^(n-2)
        # for every tree (so det(xI - D) ends in -(n-1) 2^(n-2)); K_{a,b}'s D-polynomial is
        # (x + 2)^(a+b-2) (x^2 - 2(a+b-2)x + 3ab - 4(a+b) + 4).
        trees = list(csv.DictReader(io.StringIO(run(spectra, ["--matrix", "D"], scratch, geng(
            "-c", "9", "8:8")).stdout.decode())))
        x = sympy.symbols("x")
        bipartite = [networkx.complete_bipartite_graph(a, b) for a in range(1, 5) for b in range(a, 6)]
        rows = list(csv.DictReader(io.StringIO(run(spectra, ["--matrix", "D"], scratch, b"".join(
            networkx.to_graph6_bytes(g, header=False) for g in bipartite)).stdout.decode())))
        check(len(trees) == 47 and all(int(r["distance_charpoly"].split()[-1]) == -8 * 2 ** 7
                                       for r in trees) and all(
            sympy.Poly((x + 2) ** (a + b - 2) * (x ** 2 - 2 * (a + b - 2) * x + 3 * a * b - 4 * (a + b)
                                                 + 4), x).all_coeffs() ==
            [int(c) for c in r["distance_charpoly"].split()]
            for r, (a, b) in zip(rows, [(a, b) for a in range(1, 5) for b in range(a, 6)])),
              "distance spectra: trees (Graham-Pollak) and complete bipartite graphs")

        # --joint A,L: a graph's A+L mates are its A-mates that are L-mates too (8 graphs of
        # order 9 with 11 or 12 edges have one), integral when it is for both.
        rows = list(csv.DictReader(io.StringIO(run(spectra, ["--joint", "A,L"], scratch, geng(
            "9", "11:12")).stdout.decode())))
        mates = [set(r["A+L_cospectral_with"].split()) for r in rows]
        check(len(rows) == 9247 and sum(map(bool, mates)) == 8 and all(
            m == set(r["A_cospectral_with"].split()) & set(r["L_cospectral_with"].split()) and
            r["A+L_integral"] == str(int(r["A_integral"] == r["L_integral"] == "1"))
            for r, m in zip(rows, mates)), "--joint A,L: A-mates that are L-mates")

        # B's polynomial (Ihara-Bass) against det(tI - B) of the 2m-square matrix on the arcs,
        # exactly at 2m + 1 points, for every graph of order 5.
        rows = list(csv.DictReader(io.StringIO(run(spectra, ["--matrix", "B"], scratch,
                                                   geng("5")).stdout.decode())))
        agree = []
        for r, g in zip(rows, map(networkx.from_graph6_bytes, geng("5").split())):
            arcs = [(u, v) for u, v in g.edges()] + [(v, u) for u, v in g.edges()]
            poly = [int(c) for c in r["non_backtracking_charpoly"].split()]
            agree.append(len(poly) == len(arcs) + 1 and all(
                exact_det([[t * (a == b) - (a[1] == b[0] and b[1] != a[0]) for b in arcs]
                           for a in arcs]) == sum(c * t ** (len(poly) - 1 - k)
                                                  for k, c in enumerate(poly))
                for t in range(len(arcs) + 1)))
        check(len(agree) == 34 and all(agree), "order 5: B's polynomial is det(xI - B)")

        failures = [
            ("Bw\nBx\n", "bad.g6", r"bad\.g6:2: not graph6: padding bits set at the end"),
            ("x\n", "bad.txt", r"bad\.txt:1: neither an edge list nor graph6 \(as graph6: graph6 of "
             r"order 57 has 267 bytes, not 1\)"),
            ("1\n    1    2\n3\n\n", "bad.txt", r"bad\.txt:3: missing empty line"),
            ("1\n    1    2\n\n3\n\n", "grafen2.txt", r"grafen2\.txt:4: graph number 3 out of seq"),
            ("1\n    1    3\n\n", "grafen2.txt", r"grafen2\.txt:2: node 3 outside 1\.\.2"),
            ("1\n    2    1\n\n", "bad.txt", r"bad\.txt:2: edge 2 1"),
            ("1\n    1    2\n    1    2\n\n", "bad.txt", r"bad\.txt:3: edge 1 2 given twice"),
            (None, "missing.txt", r"missing\.txt: No such file"),
            ("1\n\n", "grafen99.txt", r"grafen99\.txt: the order 99 of the file name"),
            ("Dhc\rDhc\r", "bad.g6", r"bad\.g6:1: lines end in CR alone: give LF or CR LF"),
            ("1\r    1    2\r\r", "grafen2.txt", r"grafen2\.txt:1: lines end in CR alone"),
            ("~?@E" + "?" * 403 + "\n", "bad.g6", r"bad\.g6:1: graph6 of order 70, above 62, the "
             r"largest read"),
        ]
        for content, name, message in failures:
            path = os.path.join(scratch, name)
            if content is not None:
                with open(path, "w") as bad:
                    bad.write(content)
            with open(os.path.join(scratch, "keep.csv"), "w") as keep:
                keep.write("old")
            before = sorted(os.listdir(scratch))
            done = run(spectra, [name, "-o", "keep.csv"], scratch)
            lines = done.stderr.decode().splitlines()
            check(done.returncode == 1 and len(lines) == 1
                  and re.fullmatch("grafen-spectra: " + message + ".*", lines[0]) is not None,
                  "%s %r: one message, status 1 (%r)" % (name, content, done.stderr))
            with open(os.path.join(scratch, "keep.csv")) as keep:
                check(keep.read() == "old" and sorted(os.listdir(scratch)) == before,
                      "%s %r: -o file untouched, nothing left behind" % (name, content))
            if content is not None:
                os.remove(path)

        # -o: links followed, devices and FIFOs written in place, files renamed keeping their mode.
        at = lambda name: pathlib.Path(scratch, name)
        out = lambda name: run(spectra, ["grafen5.txt", "-o", name], scratch,
                               preexec_fn=lambda: os.umask(0o027))
        os.mkfifo(at("fifo"))
        os.mkdir(at("sub"))
        os.close(os.open(at("sub/private.csv"), os.O_CREAT | os.O_WRONLY, 0o600))
        os.symlink("private.csv", at("sub/link.csv"))
        os.symlink("sub/link.csv", at("chain.csv"))
        table = run(spectra, ["grafen5.txt"], scratch).stdout
        inode = at("sub/private.csv").stat().st_ino
        reader = subprocess.Popen(["timeout", "60", "cat", "fifo"], cwd=scratch, stdout=subprocess.PIPE)
        done = [out(name) for name in ("fifo", "chain.csv", "new.csv", "/dev/full")]
        fifo = reader.communicate()[0]
        check([d.returncode for d in done] == [0, 0, 0, 1] and fifo == table
              and done[3].stderr == b"grafen-spectra: /dev/full: No space left on device\n"
              and at("fifo").is_fifo() and at("/dev/full").is_char_device()
              and at("chain.csv").is_symlink() and at("sub/link.csv").is_symlink()
              and [stat.S_IMODE(at(n).stat().st_mode) for n in ("sub/private.csv", "new.csv")]
              == [0o600, 0o640] and at("sub/private.csv").stat().st_ino != inode
              and at("sub/private.csv").read_bytes() == at("new.csv").read_bytes() == table,
              "-o: a FIFO, links to a 0600 file, a new file, /dev/full %r" % [d.stderr for d in done])
        if os.geteuid() == 0:
            try:
                os.mknod(at("null"), stat.S_IFCHR | 0o666, os.makedev(1, 3))
            except OSError as refused:
                print("note: no device node in the scratch directory (%s)" % refused)
            else:
                check(out("null").returncode == 0 and at("null").is_char_device(), "-o null device")

        # No output may be the input: by name, through a symbolic or a hard link, or as
        # standard input; refused before anything is written.
        os.symlink("grafen5.txt", at("same.txt"))
        os.link(at("grafen5.txt"), at("hard.txt"))
        listing = at("grafen5.txt").read_bytes()
        before = sorted(os.listdir(scratch))
        for arguments, source in ((["grafen5.txt", "-o", "grafen5.txt"], os.devnull),
                                  (["grafen5.txt", "-o", "same.txt"], os.devnull),
                                  (["same.txt", "--output=hard.txt"], os.devnull),
                                  (["-o", "hard.txt"], at("grafen5.txt"))):
            with open(source, "rb") as given:
                done = subprocess.run([spectra] + arguments, cwd=scratch, stdin=given,
                                      capture_output=True, timeout=300)
            check(done.returncode == 1 and re.fullmatch(
                rb"grafen-spectra: \S+: the input itself; give -o another file\n", done.stderr)
                  and at("grafen5.txt").read_bytes() == listing
                  and sorted(os.listdir(scratch)) == before,
                  "%s: the input as output refused (%r)" % (arguments, done.stderr))
        os.remove(at("same.txt"))
        os.remove(at("hard.txt"))

        # graph6 in a file named grafenN.txt states its own orders; empty lines alone are no
        # graphs; a spool that cannot be made is named as such (signals: census_test).
        at("grafen3.txt").write_bytes(geng("5"))
        done = run(spectra, ["grafen3.txt"], scratch)
        check(done.returncode == 0 and done.stdout.count(b"\r\n") == 35,
              "graph6 of order 5 in grafen3.txt (%r)" % done.stderr)
        done = run(spectra, [], scratch, b"\n\r\n\n")
        check(done.returncode == 0 and done.stdout.count(b"\r\n") == 1 and done.stderr ==
              b"grafen-spectra: 0 graphs read, 0 Laplacian-integral, 0 with a cospectral mate, "
              b"0 distinct spectra\n", "empty lines alone: no graphs (%r)" % done.stderr)
        done = run(spectra, ["-o", "spooled.csv"], scratch, b"Dhc\n",
                   env=dict(os.environ, TMPDIR=str(at("none"))))
        check(done.returncode == 1 and done.stderr == b"grafen-spectra: the spool (the temporary "
              b"copy) of <stdin> in $TMPDIR (%s): No such file or directory\n" % bytes(at("none"))
              and not at("spooled.csv").exists(), "no spool directory (%r)" % done.stderr)

        for arguments in (["--order", "0"], ["--digits"], ["a", "b"], ["--bogus"]):
            done = run(spectra, arguments, scratch)
            check(done.returncode == 2 and b"usage: grafen-spectra" in done.stderr,
                  "%s: usage error, status 2" % arguments)
        for arguments, pattern in ((["--help"], b"usage: grafen-spectra"),
                                   (["--version"], b"grafen-spectra ")):
            done = run(spectra, arguments, scratch)
            check(done.returncode == 0 and done.stdout.startswith(pattern), "%s" % arguments)

        with open("/dev/full", "wb") as full:
            done = subprocess.run([spectra, "grafen5.txt"], cwd=scratch, stdout=full,
                                  stderr=subprocess.PIPE, timeout=300)
        check(done.returncode == 1 and b"standard output: No space left" in done.stderr,
              "a full disk is status 1 with a message (%r)" % done.stderr)
        reader, writer = os.pipe()
        os.close(reader)
        done = subprocess.run([spectra, "grafen7.txt"], cwd=scratch, stdout=writer,
                              stderr=subprocess.PIPE, timeout=300)
        os.close(writer)
        check(done.returncode == 1 and b"Broken pipe" in done.stderr,
              "a closed pipe is status 1 with a message (%r)" % done.stderr)

    print("%d passed, %d failed" % (results["passed"], results["failed"]))
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--facts":
        facts(os.path.abspath(sys.argv[2]))
        true_order(os.path.abspath(sys.argv[2]))
        print("%d passed, %d failed" % (results["passed"], results["failed"]))
        sys.exit(1 if results["failed"] else 0)
    if len(sys.argv) != 3:
        sys.exit(__doc__.split("\n\n")[1])
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
