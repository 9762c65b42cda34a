#!/usr/bin/python3
"""Tests of tools/grafen-draw, the drawer of edge lists, graph6 and cospectral families.

usage: draw_test.py [GRAFEN_BINARY] [--draw PATH-TO-grafen-draw] [--layouts]

With GRAFEN_BINARY, grafen is run for orders 4 and 8 in a fresh temporary
directory and its edge lists are drawn, whole and by --graphs; hand-written
edge lists, graph6 and families are drawn in any case. Each SVG page is read
back as XML and every drawing is checked against the graphs it came from:
one frame per graph labelled with its own number, all its nodes, exactly its
edges, each edge ending at its two nodes' centres, every node inside its own
frame, no two frames overlapping, and the layout: no node nearer than the
clearance to another node or to an edge it is not on, and no crossing in a
planar graph. --layouts checks the layouts of every graph of orders 1 to 8
from nauty-geng instead. Then come the failures: inputs that are neither
edge lists nor graph6, unreadable input, Graphviz missing or failing,
command-line errors; each must exit non-zero with one line on standard error
and leave an existing drawing untouched and no temporary file behind.

Runs under /usr/bin/python3, Debian's, for networkx. Everything runs in
temporary directories. Exits non-zero when any check fails; the last line
reads "N passed, N failed".
"""

import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import struct

try:
    import networkx
    import numpy
except ImportError:
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

SVG = "{http://www.w3.org/2000/svg}"
TIMEOUT = 120

# The connected graphs of order 4, one per class, as grafen lists them.
ORDER4_FIXTURE = (
    "1\n    1    2\n    1    3\n    1    4\n\n"
    "2\n    1    2\n    1    4\n    2    3\n\n"
    "3\n    1    2\n    1    3\n    1    4\n    2    3\n\n"
    "4\n    1    3\n    1    4\n    2    3\n    2    4\n\n"
    "5\n    1    3\n    1    4\n    2    3\n    2    4\n    3    4\n\n"
    "6\n    1    2\n    1    3\n    1    4\n    2    3\n    2    4\n    3    4\n\n"
)


class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, condition, detail=""):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL: %s%s" % (name, (": " + detail) if detail else ""), flush=True)
        return condition


def crlf(text):
    return text.replace("\n", "\r\n")


def read_edge_list(path):
    """The test's own reading of an edge-list file: {number: set of (i, j)}.
    Deliberately simple; the files it reads are known to be well formed."""
    with open(path, "rb") as stream:
        text = stream.read().decode("ascii").replace("\r\n", "\n")
    graphs = {}
    for block in text.split("\n\n"):
        if block.strip() == "":
            continue
        lines = block.strip("\n").split("\n")
        edges = set()
        for line in lines[1:]:
            i, j = line.split()
            edges.add((int(i), int(j)))
        graphs[int(lines[0])] = edges
    return graphs


def run(command, cwd, env=None, stdin=None):
    return subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)


CLEARANCE = 3.0  # the man page's promise, in points


def read_pages(paths):
    """The drawings of SVG pages: {number: (frame box, label, {node: (x, y, r,
    text)}, {(i, j): (x1, y1, x2, y2)})}, frames labelled by the text inside."""
    frames, labels, nodes, edges = {}, [], {}, {}
    number = lambda element, name: float(element.get(name))
    for page, path in enumerate(paths):
        for element in ElementTree.parse(path).getroot().iter():
            if element.tag == SVG + "text" and element.get("class") == "label":
                labels.append((page, number(element, "x"), number(element, "y"), element.text))
            match = re.fullmatch(r"graph-([0-9]+)(?:-node-([0-9]+)|-edge-([0-9]+)-([0-9]+))?",
                                 element.get("id") or "")
            if match is None:
                continue
            k, node, i, j = (int(g) if g else None for g in match.groups())
            if node:
                circle, text = element.find(SVG + "circle"), element.find(SVG + "text").text
                place = tuple(number(circle, c) for c in ("cx", "cy", "r"))
                nodes.setdefault(k, {})[node] = place + (text,)
            elif i:
                line = tuple(number(element, c) for c in ("x1", "y1", "x2", "y2"))
                edges.setdefault(k, {})[(i, j)] = line
            else:
                rect = element.find(SVG + "rect")
                x, y = number(rect, "x"), number(rect, "y")
                frames[k] = (page, x, y, x + number(rect, "width"), y + number(rect, "height"))
    return {k: (box, [t for p, x, y, t in labels if p == box[0] and box[1] < x < box[3]
                      and box[2] < y < box[4] and t.startswith("Graph ")],
                nodes.get(k, {}), edges.get(k, {})) for k, box in frames.items()}


def layout_faults(drawn_nodes, drawn_edges):
    """What the drawing's own coordinates break: nodes nearer than the
    clearance to each other or to an edge they are not on, crossings of a
    planar graph."""
    faults = []
    for (i, (xi, yi, ri, _)) in drawn_nodes.items():
        for (j, (xj, yj, rj, _)) in drawn_nodes.items():
            if i < j and math.hypot(xi - xj, yi - yj) < ri + rj + CLEARANCE:
                faults.append("nodes %d and %d" % (i, j))
        for (a, b), (x1, y1, x2, y2) in drawn_edges.items():
            if i in (a, b):
                continue
            dx, dy = x2 - x1, y2 - y1
            t = max(0.0, min(1.0, ((xi - x1) * dx + (yi - y1) * dy) / (dx * dx + dy * dy)))
            if math.hypot(x1 + t * dx - xi, y1 + t * dy - yi) < ri + CLEARANCE:
                faults.append("node %d near edge %d-%d" % (i, a, b))
    if networkx.check_planarity(networkx.Graph(list(drawn_edges)))[0]:  # nodes alone never matter
        def side(p, q, r):
            return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]) > 0
        lines = sorted(drawn_edges.items())
        for m, (e, (a1, a2, b1, b2)) in enumerate(lines):
            for f, (c1, c2, d1, d2) in lines[m + 1:]:
                p, q, r, t = (a1, a2), (b1, b2), (c1, c2), (d1, d2)
                if not set(e) & set(f) and side(p, q, r) != side(p, q, t) \
                        and side(r, t, p) != side(r, t, q):
                    faults.append("edges %d-%d and %d-%d cross" % (e + f))
    return faults


def check_sheet(results, name, paths, graphs, order):
    """Checks SVG pages against graphs ({number: edges}) of the given order
    (or {number: (order, edges)})."""
    try:
        drawings = read_pages(paths)
    except (OSError, ElementTree.ParseError, AttributeError, TypeError) as error:
        results.check(name + ": pages parse as the drawer's SVG", False, str(error))
        return
    results.check(name + ": one frame per graph", set(drawings) == set(graphs),
                  "frames %s, graphs %s" % (sorted(drawings)[:9], sorted(graphs)[:9]))
    for k in sorted(set(graphs) & set(drawings)):
        n, listed = graphs[k] if isinstance(graphs[k], tuple) else (order, graphs[k])
        box, labels, drawn_nodes, drawn_edges = drawings[k]
        results.check("%s: graph %d frame labelled" % (name, k), labels == ["Graph %d" % k],
                      repr(labels))
        results.check("%s: graph %d shows nodes 1..%d" % (name, k, n),
                      sorted(drawn_nodes) == list(range(1, n + 1))
                      and all(v[3] == str(i) for i, v in drawn_nodes.items()),
                      str(sorted((i, v[3]) for i, v in drawn_nodes.items())))
        outside = [i for i, (x, y, _, _) in drawn_nodes.items()
                   if not box[1] < x < box[3] or not box[2] < y < box[4]]
        results.check("%s: graph %d nodes lie inside its frame" % (name, k), not outside,
                      "nodes %s outside %s" % (outside, box))
        results.check("%s: graph %d has its %d edges" % (name, k, len(listed)),
                      set(drawn_edges) == set(listed),
                      "drawn %s, listed %s" % (sorted(drawn_edges), sorted(listed)))
        loose = [e for e, line in drawn_edges.items() if e[0] in drawn_nodes and e[1] in drawn_nodes
                 and line != drawn_nodes[e[0]][:2] + drawn_nodes[e[1]][:2]]
        results.check("%s: graph %d edges join their nodes" % (name, k), not loose, str(loose))
        if set(drawn_nodes) == set(range(1, n + 1)):
            faults = layout_faults(drawn_nodes, drawn_edges)
            results.check("%s: graph %d layout keeps clear" % (name, k), not faults,
                          "; ".join(faults[:3]))
    boxes = sorted(v[0] for v in drawings.values())
    overlaps = [(A, B) for m, A in enumerate(boxes) for B in boxes[m + 1:]
                if A[0] == B[0] and A[1] < B[3] and B[1] < A[3] and A[2] < B[4] and B[2] < A[4]]
    results.check(name + ": frames do not overlap", not overlaps, str(overlaps[:2]))


def draw_and_check(results, draw, name, directory, file_name, text_or_bytes, order,
                   expected_counts=None, arguments=(), graphs=None, pages=0):
    """Draws file_name (written from text_or_bytes unless None) and checks the
    pages against graphs (default: the file read as an edge list)."""
    path = os.path.join(directory, file_name)
    if text_or_bytes is not None:
        with open(path, "wb") as stream:
            stream.write(text_or_bytes if isinstance(text_or_bytes, bytes)
                         else text_or_bytes.encode("ascii"))
    graphs = read_edge_list(path) if graphs is None else graphs
    if expected_counts is not None:
        results.check(name + ": input edge counts",
                      [len(graphs[k]) for k in sorted(graphs)] == expected_counts,
                      str([len(graphs[k]) for k in sorted(graphs)]))
    before = set(os.listdir(directory))
    result = run([draw, file_name] + list(arguments), cwd=directory)
    stem = os.path.splitext(file_name)[0]
    sheets = ["%s-%d.svg" % (stem, k) for k in range(1, pages + 1)] or [stem + ".svg"]
    ok = results.check(name + ": grafen-draw exits 0", result.returncode == 0,
                       "status %d, stderr %r" % (result.returncode, result.stderr[-400:]))
    results.check(name + ": only the pages are added",
                  set(os.listdir(directory)) == before | set(sheets),
                  str(sorted(set(os.listdir(directory)) - before)))
    if ok:
        check_sheet(results, name, [os.path.join(directory, s) for s in sheets], graphs, order)


def pdf_pages(path):
    """The (width, height) of each page of a PDF the drawer wrote, [] for none."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as stream:
        data = stream.read()
    boxes = re.findall(rb"/MediaBox\s*\[\s*0 0 ([0-9.]+) ([0-9.]+)\s*\]", data)
    if len(boxes) != len(re.findall(rb"/Type\s*/Page\b", data)):
        return []
    return [(float(w), float(h)) for w, h in boxes]


def svg_sizes(paths):
    """The (width, height) of SVG pages."""
    return [(float(ElementTree.parse(p).getroot().get("width")),
             float(ElementTree.parse(p).getroot().get("height"))) for p in paths]


def test_from_grafen(results, draw, grafen, scratch):
    directory = tempfile.mkdtemp(dir=scratch)
    for order in ("4", "8"):
        result = run([grafen, order], cwd=directory)
        if not results.check("grafen %s writes its edge list" % order, result.returncode == 0
                             and os.path.isfile(os.path.join(directory, "grafen%s.txt" % order))):
            return
    draw_and_check(results, draw, "grafen 4", directory, "grafen4.txt", None, 4,
                   expected_counts=[3, 3, 4, 4, 5, 6])
    # Two graphs of interest keep their numbers; a PDF has the SVG's pages,
    # one PDF page to each, each the SVG page's size in points.
    run([draw, "--graphs", "28,55", "grafen8.txt", "-o", "pair.pdf"], cwd=directory)
    run([draw, "--graphs", "28,55", "grafen8.txt", "-o", "pair.svg"], cwd=directory)
    run([draw, "--graphs", "28,55", "--per-page", "1", "grafen8.txt", "-o", "apart.pdf"],
        cwd=directory)
    run([draw, "--graphs", "28,55", "--per-page", "1", "grafen8.txt", "-o", "apart.svg"],
        cwd=directory)
    try:
        pair = read_pages([os.path.join(directory, "pair.svg")])
        sizes = svg_sizes([os.path.join(directory, name)
                           for name in ("pair.svg", "apart-1.svg", "apart-2.svg")])
    except (OSError, ElementTree.ParseError, TypeError) as error:
        pair, sizes = {}, [str(error)]
    results.check("--graphs 28,55: graphs 28 and 55 on one page", sorted(pair) == [28, 55]
                  and all(v[0][0] == 0 and v[1] == ["Graph %d" % k] for k, v in pair.items()),
                  str(sorted(pair)))
    pages = pdf_pages(os.path.join(directory, "pair.pdf")), pdf_pages(os.path.join(directory, "apart.pdf"))
    results.check("--graphs 28,55 to PDF: its SVG page, the same size",
                  pages[0] == sizes[:1], "%s, SVG %s" % (pages[0], sizes[:1]))
    results.check("--graphs 28,55 --per-page 1 to PDF: two pages, each its SVG page's size",
                  pages[1] == sizes[1:] and len(pages[1]) == 2, "%s, SVG %s" % (pages[1], sizes[1:]))
    every = read_edge_list(os.path.join(directory, "grafen8.txt"))
    draw_and_check(results, draw, "--graphs over 3 pages", directory, "grafen8.txt", None, 8,
                   arguments=["--graphs", "100-102,28,55,11117", "--per-page", "2"],
                   graphs={k: every[k] for k in (28, 55, 100, 101, 102, 11117)}, pages=3)


def graph6_graphs(lines):
    """{number: (order, edges)} of graph6 lines, by networkx's reader."""
    graphs = {}
    for k, line in enumerate(lines, start=1):
        graph = networkx.from_graph6_bytes(line.encode())
        graphs[k] = (graph.order(), {(i + 1, j + 1) for i, j in graph.edges})
    return graphs


def test_fixtures(results, draw, scratch):
    draw_and_check(results, draw, "fixture CR LF", tempfile.mkdtemp(dir=scratch),
                   "grafen4.txt", crlf(ORDER4_FIXTURE), 4,
                   expected_counts=[3, 3, 4, 4, 5, 6])
    draw_and_check(results, draw, "fixture LF", tempfile.mkdtemp(dir=scratch),
                   "grafen4.txt", ORDER4_FIXTURE, 4)
    path_graph = "1\n    1    2\n    2    3\n    3    4\n\n2\n    1    2\n\n"
    # The file name gives order 5: node 5 (and 3, 4 in graph 2) are drawn unconnected.
    draw_and_check(results, draw, "order from file name", tempfile.mkdtemp(dir=scratch),
                   "grafen5.txt", crlf(path_graph), 5)
    # No order in the name: the largest node number, 4, is the order.
    draw_and_check(results, draw, "order from largest node", tempfile.mkdtemp(dir=scratch),
                   "paths.txt", path_graph, 4)
    # A single node without edges, as grafen 1 writes it.
    draw_and_check(results, draw, "order 1", tempfile.mkdtemp(dir=scratch),
                   "grafen1.txt", "1\r\n\r\n", 1)
    # A selection cut from a larger list keeps its numbers, which rise by more than one.
    draw_and_check(results, draw, "numbers of a selection", tempfile.mkdtemp(dir=scratch),
                   "picked.txt", "28\n    1    2\n\n55\n    1    3\n    2    3\n\n", 3)
    # graph6 with the header and CR LF, numbered by line; order 16, planar or not.
    lines = ["C~", "Cr", networkx.to_graph6_bytes(networkx.grid_2d_graph(4, 4), header=False),
             networkx.to_graph6_bytes(networkx.hypercube_graph(4), header=False)]
    lines = [line if isinstance(line, str) else line.decode().strip() for line in lines]
    draw_and_check(results, draw, "graph6", tempfile.mkdtemp(dir=scratch), "some.g6",
                   ">>graph6<<" + "\r\n".join(lines) + "\r\n", None, graphs=graph6_graphs(lines))
    draw_and_check(results, draw, "graph6 by --graphs", tempfile.mkdtemp(dir=scratch), "some.g6",
                   "\n".join(lines) + "\n", None, arguments=["--graphs", "2-3"],
                   graphs={k: v for k, v in graph6_graphs(lines).items() if k in (2, 3)})

    directory = tempfile.mkdtemp(dir=scratch)
    with open(os.path.join(directory, "grafen4.txt"), "w") as stream:
        stream.write(crlf(ORDER4_FIXTURE))
    os.mkdir(os.path.join(directory, "out"))
    with open(os.path.join(directory, "grafen4.txt"), "rb") as stream:
        result = subprocess.run([draw, "-o", "out/sheet.svg"], cwd=directory, stdin=stream,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
    results.check("standard input to -o: exits 0", result.returncode == 0,
                  result.stderr.decode("ascii", "replace"))
    for extension, signature in ((".svg", b"<?xml"), (".pdf", b"%PDF-"), (".png", b"\x89PNG")):
        if extension != ".svg":
            run([draw, "grafen4.txt", "-o", "out/sheet" + extension], cwd=directory)
        with open(os.path.join(directory, "out", "sheet" + extension), "rb") as stream:
            results.check("-o sheet%s writes that format" % extension,
                          stream.read(8).startswith(signature))
    results.check("-o: writes the named files only",
                  sorted(os.listdir(os.path.join(directory, "out")))
                  == ["sheet.pdf", "sheet.png", "sheet.svg"]
                  and sorted(os.listdir(directory)) == ["grafen4.txt", "out"],
                  str(sorted(os.listdir(directory))))
    check_sheet(results, "-o", [os.path.join(directory, "out", "sheet.svg")],
                read_edge_list(os.path.join(directory, "grafen4.txt")), 4)
    # The PNG is the whole page at 96 pixels an inch, a browser's size for the SVG.
    with open(os.path.join(directory, "out", "sheet.png"), "rb") as stream:
        head = stream.read(24)
    pixels = struct.unpack(">II", head[16:24]) if head[12:16] == b"IHDR" else (0, 0)
    points = svg_sizes([os.path.join(directory, "out", "sheet.svg")])[0]
    results.check("-o sheet.png: the page at 96 dpi",
                  all(abs(p - q * 96 / 72) <= 1 for p, q in zip(pixels, points)),
                  "%s pixels, %s points" % (pixels, points))


# A Laplacian-cospectral family of order 7, as grafen-census --families wrote it
# (graph6) and writes it (CSV).
FAMILY = ["F?`cw", "F?aN_"]


def laplacian_polynomial(line):
    graph = networkx.from_graph6_bytes(line.encode())
    degrees = numpy.diag([d for _, d in sorted(graph.degree)])
    return numpy.round(numpy.poly(degrees - networkx.to_numpy_array(graph, sorted(graph))))


def test_families(results, draw, scratch):
    """One framed row per family, captioned, from either source."""
    table = ("graph,nodes,edges,graph6,eigenvalues,cospectral_with\r\n1,7,6,FsaC?,0 1 7,\r\n"
             "2,7,6,%s,0 1.5 2,3\r\n3,7,6,%s,0 1.5 2,2\r\n" % tuple(FAMILY))
    for name, text, caption, wanted in (("table", table, "Laplacian spectrum: 0 1.5 2", [2, 3]),
                                        ("census file", "\n".join(FAMILY) + "\n\n",
                                         "Laplacian polynomial", [1, 2]),
                                        ("census list", "matrix,order,edges,family,size,graph,"
                                         "graph6\r\nL,7,6,1,2,5,%s\r\nL,7,6,1,2,9,%s\r\n"
                                         % tuple(FAMILY), "Laplacian polynomial", [5, 9])):
        directory = fresh_case(scratch, "in", text.encode())
        result = run([draw, "--families", "in", "-o", "f.svg"], cwd=directory)
        if not results.check("families from the %s: exits 0" % name, result.returncode == 0,
                             result.stderr.decode("ascii", "replace")):
            continue
        root = ElementTree.parse(os.path.join(directory, "f.svg")).getroot()
        frames = [g for g in root.iter(SVG + "g") if g.get("class") == "grafen-family"]
        captions = [t.text for t in root.iter(SVG + "text") if t.get("class") == "caption"]
        drawn = sorted(int(g.get("id")[6:]) for g in root.iter(SVG + "g")
                       if g.get("class") == "grafen-graph")
        results.check("families from the %s: one frame, its graphs" % name,
                      len(frames) == 1 and drawn == wanted,
                      "%d frames, graphs %s" % (len(frames), drawn))
        results.check("families from the %s: caption" % name,
                      captions and captions[0].startswith(caption), repr(captions))
        if caption.endswith("polynomial"):
            polynomial = " ".join(captions).split(": ", 1)[-1].replace("^", "**")
            results.check("families from the census file: the shared polynomial",
                          eval(re.sub(r"([0-9])x", r"\1*x", polynomial), {"x": 3})
                          == numpy.polyval(laplacian_polynomial(FAMILY[0]), 3)
                          == numpy.polyval(laplacian_polynomial(FAMILY[1]), 3), repr(captions))


def test_layouts(results, draw, scratch):
    """Every graph of orders 1 to 8, connected or not, drawn and checked."""
    if not results.check("nauty-geng is installed (Debian's nauty)", shutil.which("nauty-geng")):
        return
    for order in range(1, 9):
        text = subprocess.run(["nauty-geng", "-q", str(order)], capture_output=True,
                              check=True).stdout
        graphs, failed = graph6_graphs(text.decode().split()), results.failed
        draw_and_check(results, draw, "order %d" % order, tempfile.mkdtemp(dir=scratch), "all.g6",
                       text, None, arguments=["--per-page", "10000"], graphs=graphs,
                       pages=0 if len(graphs) <= 10000 else 2)
        print("order %d: %d graphs drawn and checked, %d checks failed"
              % (order, len(graphs), results.failed - failed), flush=True)


# Inputs that are neither edge lists nor graph6, and what the message says;
# first those of grafen4.txt that break the edge-list layout.
NOT_EDGE_LISTS = [(name, "grafen4.txt", content, "is not an edge-list file") for name, content in [
    ("number 0", b"0\n    1    2\n\n"), ("number with leading zero", b"01\n    1    2\n\n"),
    ("number padded", b"    1\n    1    2\n\n"), ("edge i > j", b"1\n    2    1\n\n"),
    ("edge i = j", b"1\n    2    2\n\n"), ("node 0", b"1\n    0    2\n\n"),
    ("edge with one number", b"1\n    1\n\n"),
    ("edge with three numbers", b"1\n    1    2    3\n\n"),
    ("edge given twice", b"1\n    1    2\n    1    2\n\n"),
    ("no empty line after the only graph", b"1\r\n    1    2\r\n"),
    ("no empty line after the last graph",
     b"1\r\n    1    2\r\n\r\n2\r\n    1    2\r\n    1    3\r\n"),
    ("last line without line end", b"1\n    1    2\n\n2"),
    ("two empty lines", b"1\n    1    2\n\n\n2\n    1    2\n\n"),
    ("CR alone as line end", b"1\r    1    2\r\r")]] + [
    ("prose", "grafen4.txt", b"hello world\n", "is not graph6"),
    ("empty file", "grafen4.txt", b"", "is empty"),
    ("numbers fall", "grafen4.txt", b"2\n    1    2\n\n1\n    1    2\n\n", "numbers must rise"),
    ("number repeated", "grafen4.txt", b"1\n    1    2\n\n1\n    1    2\n\n", "numbers must rise"),
    ("node 33", "edges.txt", b"1\n    1   33\n\n", "is not an edge-list file"),
    ("node beyond the order in the name", "grafen3.txt", b"1\n    1    2\n    3    4\n\n",
     "is not an edge-list file"),
    ("binary bytes", "grafen4.txt", b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\n", "is not graph6"),
    ("Maple script", "grafen4.txt", crlf("with(linalg);\nassume(A,symmetric);\n\n").encode(),
     "is not graph6"),
    ("graph6 cut short", "x.g6", b"Cr\nG?\n", "is not graph6"),
    ("graph6 of order 33", "x.g6", b"~??`" + b"?" * 88 + b"\n", "only 1 to 32 nodes"),
    ("sparse6", "x.g6", b":Fa@x^\n", "sparse6"),
    # Text after "--" is not written to the file but given as options.
    ("graph absent from --graphs", "grafen4.txt", crlf(ORDER4_FIXTURE).encode() + b"--graphs 2,7",
     "holds no graph 7"),
    ("range beyond the graphs", "grafen4.txt", crlf(ORDER4_FIXTURE).encode() + b"--graphs 5-7",
     "holds graphs 1 to 6, not 5 to 7"),
    ("table whose families disagree", "t.csv",
     b"graph,graph6,cospectral_with\n1,Cr,2\n2,Cr,3\n3,Cr,2\n--families", "disagree"),
    ("--families of an edge list", "grafen4.txt", crlf(ORDER4_FIXTURE).encode() + b"--families",
     "not an edge list"),
    ("--families of graph6 that is not cospectral", "x.g6", b"Cr\nC~\n\n--families",
     "not a cospectral family"),
]

SENTINEL = b"<svg>an earlier sheet that must survive a failed run</svg>\n"


def expect_failure(results, name, directory, command, env=None, status=1, sentinel=None,
                   message=None):
    """Runs command in directory and checks that it fails cleanly: the given
    exit status, exactly one line on standard error naming grafen-draw (more
    for usage errors), the sentinel sheet unchanged, no file added."""
    before = set(os.listdir(directory))
    result = run(command, cwd=directory, env=env)
    err = result.stderr.decode("utf-8", "replace")
    results.check(name + ": exit status %d" % status, result.returncode == status,
                  "status %d, stderr %r" % (result.returncode, err))
    lines = err.splitlines()
    if status == 1:
        results.check(name + ": one line on standard error", len(lines) == 1, repr(err))
    results.check(name + ": message names grafen-draw",
                  bool(lines) and lines[0].startswith("grafen-draw: "), repr(err))
    if message is not None:
        results.check(name + ": message says %r" % message,
                      bool(lines) and message in lines[0], repr(err))
    results.check(name + ": nothing on standard output", result.stdout == b"",
                  repr(result.stdout[:200]))
    results.check(name + ": no file added", set(os.listdir(directory)) == before,
                  str(sorted(set(os.listdir(directory)) - before)))
    if sentinel is not None:
        with open(os.path.join(directory, sentinel), "rb") as stream:
            results.check(name + ": earlier sheet untouched", stream.read() == SENTINEL)


def fresh_case(scratch, file_name, content):
    directory = tempfile.mkdtemp(dir=scratch)
    if content is not None:
        with open(os.path.join(directory, file_name), "wb") as stream:
            stream.write(content)
    with open(os.path.join(directory, "sheet.svg"), "wb") as stream:
        stream.write(SENTINEL)
    return directory


def test_not_edge_lists(results, draw, scratch):
    for name, file_name, content, message in NOT_EDGE_LISTS:
        content, _, option = content.partition(b"--")
        directory = fresh_case(scratch, file_name, content)
        expect_failure(results, "refused input (%s)" % name, directory,
                       [draw, file_name, "-o", "sheet.svg"]
                       + ("--" + option.decode()).split(" ", 1)[:2 if option else 0],
                       sentinel="sheet.svg", message=message)


def test_unreadable_input(results, draw, scratch):
    directory = fresh_case(scratch, "grafen4.txt", None)
    expect_failure(results, "missing input", directory,
                   [draw, "grafen4.txt", "-o", "sheet.svg"], sentinel="sheet.svg",
                   message="cannot read grafen4.txt")
    directory = fresh_case(scratch, "grafen4.txt", None)
    os.mkdir(os.path.join(directory, "grafen4.txt"))
    expect_failure(results, "directory as input", directory,
                   [draw, "grafen4.txt", "-o", "sheet.svg"], sentinel="sheet.svg",
                   message="cannot read grafen4.txt")
    directory = fresh_case(scratch, "grafen4.txt", crlf(ORDER4_FIXTURE).encode())
    expect_failure(results, "sheet over its own input", directory,
                   [draw, "grafen4.txt", "-o", "./grafen4.txt"], sentinel="sheet.svg",
                   message="would overwrite its input")
    with open(os.path.join(directory, "grafen4.txt"), "rb") as stream:
        results.check("sheet over its own input: edge list untouched",
                      stream.read() == crlf(ORDER4_FIXTURE).encode())
    directory = fresh_case(scratch, "grafen4.txt", crlf(ORDER4_FIXTURE).encode())
    expect_failure(results, "sheet in a missing directory", directory,
                   [draw, "grafen4.txt", "-o", "no/such/dir/sheet.svg"], sentinel="sheet.svg")


def test_graphviz_missing(results, draw, scratch):
    """PATH holds only the interpreter the script runs on: no Graphviz."""
    bin_dir = tempfile.mkdtemp(dir=scratch)
    for tool in ("python3", "sh"):
        found = shutil.which(tool)
        if found:
            os.symlink(os.path.realpath(found), os.path.join(bin_dir, tool))
    results.check("graphviz missing: PATH really lacks Graphviz",
                  shutil.which("neato", path=bin_dir) is None)
    env = dict(os.environ, PATH=bin_dir)
    directory = fresh_case(scratch, "grafen4.txt", crlf(ORDER4_FIXTURE).encode())
    expect_failure(results, "graphviz missing", directory,
                   [os.path.abspath(draw), "grafen4.txt", "-o", "sheet.svg"], env=env,
                   sentinel="sheet.svg", message="Graphviz")


FAKE_NEATO = """#!/bin/sh
# Lays out only half the graphs, then exits with {status}.
for a in "$@"; do
  if [ "$a" = "-Tplain" ]; then
    printf 'graph 1 1 1\\nnode 1 0.5 0.5 0.75 0.5 1 solid ellipse black lightgrey\\nstop\\n'
    exit {status}
  fi
done
exec {real} "$@"
"""


def test_graphviz_failing(results, draw, scratch):
    real = shutil.which("neato")
    if not results.check("neato is installed for this test", real is not None):
        return
    for status, name, message in ((1, "Graphviz fails while laying out", "Graphviz failed"),
                                  (0, "Graphviz writes a cut-short layout", "cut short")):
        bin_dir = tempfile.mkdtemp(dir=scratch)
        fake = os.path.join(bin_dir, "neato")
        with open(fake, "w") as stream:
            stream.write(FAKE_NEATO.format(status=status, real=real))
        os.chmod(fake, 0o755)
        env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""))
        directory = fresh_case(scratch, "grafen4.txt", crlf(ORDER4_FIXTURE).encode())
        expect_failure(results, name, directory, [draw, "grafen4.txt", "-o", "sheet.svg"],
                       env=env, sentinel="sheet.svg", message=message)
        # The default sheet name too: no grafen4.svg may appear.
        expect_failure(results, name + " (default sheet)", directory, [draw, "grafen4.txt"],
                       env=env, sentinel="sheet.svg", message=message)


def test_usage(results, draw, scratch):
    directory = fresh_case(scratch, "grafen4.txt", crlf(ORDER4_FIXTURE).encode())
    for name, arguments in (("no argument", []),
                            ("two edge lists", ["grafen4.txt", "grafen4.txt"]),
                            ("-o without a name", ["grafen4.txt", "-o"]),
                            ("unknown option", ["--frobnicate", "grafen4.txt"]),
                            ("--graphs not numbers", ["--graphs", "1,x", "grafen4.txt"]),
                            ("--graphs range falls", ["--graphs", "5-3", "grafen4.txt"]),
                            ("--per-page 0", ["--per-page", "0", "grafen4.txt"]),
                            ("an extension it cannot write", ["grafen4.txt", "-o", "s.jpg"])):
        expect_failure(results, "usage (%s)" % name, directory, [draw] + arguments, status=2,
                       sentinel="sheet.svg")
    result = run([draw, "--help"], cwd=directory)
    results.check("--help exits 0 and shows the usage",
                  result.returncode == 0 and b"usage: grafen-draw" in result.stdout,
                  "status %d" % result.returncode)


def main(argv):
    draw = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "grafen-draw")
    grafen = None
    layouts = False
    arguments = list(argv)
    while arguments:
        argument = arguments.pop(0)
        if argument == "--draw" and arguments:
            draw = arguments.pop(0)
        elif argument == "--layouts":
            layouts = True
        elif grafen is None and not argument.startswith("-"):
            grafen = argument
        else:
            print("usage: draw_test.py [GRAFEN_BINARY] [--draw PATH-TO-grafen-draw] [--layouts]")
            return 2
    draw = os.path.abspath(draw)
    results = Results()
    if not results.check("grafen-draw is an executable file",
                         os.path.isfile(draw) and os.access(draw, os.X_OK), draw):
        print("%d passed, %d failed" % (results.passed, results.failed))
        return 1
    missing = [tool for tool in ("neato",) if shutil.which(tool) is None]
    if missing:
        print("draw_test: Graphviz is missing (no %s): install Debian's graphviz "
              "(tools/setup does)" % ", ".join(missing))
        return 1
    if grafen is not None:
        grafen = os.path.abspath(grafen)
    scratch = tempfile.mkdtemp(prefix="grafen-draw-test-")
    try:
        if layouts:
            test_layouts(results, draw, scratch)
        else:
            if grafen is not None:
                test_from_grafen(results, draw, grafen, scratch)
            for test in (test_fixtures, test_families, test_not_edge_lists, test_unreadable_input,
                         test_graphviz_missing, test_graphviz_failing, test_usage):
                test(results, draw, scratch)
    except subprocess.TimeoutExpired as error:
        results.check("every run ends within %d s" % TIMEOUT, False, str(error.cmd))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d passed, %d failed" % (results.passed, results.failed))
    return 0 if results.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
