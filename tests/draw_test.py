#!/usr/bin/python3
"""Tests of tools/grafen-draw, the edge-list-to-SVG sheet drawer.

usage: draw_test.py [GRAFEN_BINARY] [--draw PATH-TO-grafen-draw]

With GRAFEN_BINARY, grafen is run for order 4 in a fresh temporary directory
and its grafen4.txt is drawn; a hand-written order-4 edge list is drawn in any
case. Each sheet is read back as XML and every drawing is checked against the
edge list it came from: one frame per graph labelled with its number, all N
nodes, exactly the listed edges, each edge ending at its two nodes, every node
inside its own frame, and no two frames overlapping. Then come the failures:
files that are not edge lists, unreadable input, Graphviz missing or failing,
command-line errors; each must exit non-zero with one line on standard error
and leave an existing sheet untouched and no temporary file behind.

Everything runs in temporary directories. Exits non-zero when any check fails;
the last line reads "N passed, N failed".
"""

import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

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


def points_of(path_data):
    numbers = [float(x) for x in re.findall(r"-?[0-9]+(?:\.[0-9]+)?(?:e-?[0-9]+)?", path_data)]
    return list(zip(numbers[0::2], numbers[1::2]))


def box_of(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def inside(box, x, y, slack=0.5):
    return box[0] - slack <= x <= box[2] + slack and box[1] - slack <= y <= box[3] + slack


def check_sheet(results, name, sheet_path, graphs, order):
    """Checks the SVG sheet against graphs ({number: edges}) of the given order."""
    try:
        root = ElementTree.parse(sheet_path).getroot()
    except (OSError, ElementTree.ParseError) as error:
        results.check(name + ": sheet parses as XML", False, str(error))
        return
    results.check(name + ": root element is svg", root.tag == SVG + "svg", root.tag)

    frames = {}   # number -> (label text, box)
    nodes = {}    # number -> {node: (cx, cy, r, label)}
    edges = {}    # number -> {(i, j): path points}
    problems = []
    for group in root.iter(SVG + "g"):
        classes = (group.get("class") or "").split()
        ident = group.get("id") or ""
        if "cluster" in classes:
            match = re.fullmatch(r"graph-([0-9]+)", ident)
            polygon = group.find(SVG + "polygon")
            text = group.find(SVG + "text")
            if match is None or polygon is None or text is None:
                problems.append("frame %r without number, outline or label" % ident)
                continue
            frames[int(match.group(1))] = (
                text.text, box_of(points_of(polygon.get("points"))))
        elif "node" in classes:
            match = re.fullmatch(r"graph-([0-9]+)-node-([0-9]+)", ident)
            ellipse = group.find(SVG + "ellipse")
            text = group.find(SVG + "text")
            if match is None or ellipse is None or text is None:
                problems.append("node %r without number, circle or label" % ident)
                continue
            k, i = int(match.group(1)), int(match.group(2))
            nodes.setdefault(k, {})[i] = (float(ellipse.get("cx")), float(ellipse.get("cy")),
                                          float(ellipse.get("rx")), text.text)
        elif "edge" in classes:
            match = re.fullmatch(r"graph-([0-9]+)-edge-([0-9]+)-([0-9]+)", ident)
            path = group.find(SVG + "path")
            if match is None or path is None or not path.get("d"):
                problems.append("edge %r without numbers or line" % ident)
                continue
            k, i, j = (int(match.group(n)) for n in (1, 2, 3))
            edges.setdefault(k, {})[(i, j)] = points_of(path.get("d"))
    results.check(name + ": every frame, node and edge is identified", not problems,
                  "; ".join(problems[:3]))

    numbers = set(range(1, len(graphs) + 1))
    results.check(name + ": one frame per graph, numbered 1..%d" % len(graphs),
                  set(frames) == numbers and set(graphs) == numbers,
                  "frames %s, graphs %s" % (sorted(frames), sorted(graphs)))
    for k in sorted(numbers & set(frames)):
        label, frame = frames[k]
        results.check("%s: graph %d frame labelled" % (name, k), label == "Graph %d" % k,
                      repr(label))
        drawn_nodes = nodes.get(k, {})
        results.check("%s: graph %d shows nodes 1..%d" % (name, k, order),
                      sorted(drawn_nodes) == list(range(1, order + 1))
                      and all(v[3] == str(i) for i, v in drawn_nodes.items()),
                      str(sorted((i, v[3]) for i, v in drawn_nodes.items())))
        outside = [i for i, (x, y, _, _) in drawn_nodes.items() if not inside(frame, x, y)]
        results.check("%s: graph %d nodes lie inside its frame" % (name, k), not outside,
                      "nodes %s outside %s" % (outside, frame))
        drawn_edges = edges.get(k, {})
        results.check("%s: graph %d has its %d edges" % (name, k, len(graphs[k])),
                      set(drawn_edges) == graphs[k],
                      "drawn %s, listed %s" % (sorted(drawn_edges), sorted(graphs[k])))
        for (i, j), points in sorted(drawn_edges.items()):
            if i not in drawn_nodes or j not in drawn_nodes or len(points) < 2:
                continue
            ends = (points[0], points[-1])

            def near(node, point):
                x, y, r, _ = drawn_nodes[node]
                return math.hypot(point[0] - x, point[1] - y) <= r + 3

            results.check("%s: graph %d edge %d-%d joins its nodes" % (name, k, i, j),
                          (near(i, ends[0]) and near(j, ends[1]))
                          or (near(j, ends[0]) and near(i, ends[1])),
                          "line ends %s" % (ends,))
    boxes = sorted((k, frames[k][1]) for k in frames)
    overlaps = []
    for a in range(len(boxes)):
        for b in range(a + 1, len(boxes)):
            (ka, A), (kb, B) = boxes[a], boxes[b]
            if A[0] < B[2] and B[0] < A[2] and A[1] < B[3] and B[1] < A[3]:
                overlaps.append((ka, kb))
    results.check(name + ": frames do not overlap", not overlaps, str(overlaps[:5]))


def draw_and_check(results, draw, name, directory, file_name, text_or_bytes, order,
                   expected_counts=None):
    path = os.path.join(directory, file_name)
    if text_or_bytes is not None:
        with open(path, "wb") as stream:
            stream.write(text_or_bytes if isinstance(text_or_bytes, bytes)
                         else text_or_bytes.encode("ascii"))
    graphs = read_edge_list(path)
    if expected_counts is not None:
        results.check(name + ": input edge counts",
                      [len(graphs[k]) for k in sorted(graphs)] == expected_counts,
                      str([len(graphs[k]) for k in sorted(graphs)]))
    before = set(os.listdir(directory))
    result = run([draw, file_name], cwd=directory)
    sheet = os.path.splitext(file_name)[0] + ".svg"
    ok = results.check(name + ": grafen-draw exits 0", result.returncode == 0,
                       "status %d, stderr %r" % (result.returncode, result.stderr[-400:]))
    results.check(name + ": only the sheet is added",
                  set(os.listdir(directory)) == before | {sheet},
                  str(sorted(set(os.listdir(directory)) - before)))
    if ok:
        check_sheet(results, name, os.path.join(directory, sheet), graphs, order)


def test_from_grafen(results, draw, grafen, scratch):
    directory = tempfile.mkdtemp(dir=scratch)
    result = run([grafen, "4"], cwd=directory)
    if not results.check("grafen 4 exits 0", result.returncode == 0,
                         "status %d" % result.returncode):
        return
    if not results.check("grafen 4 writes grafen4.txt",
                         os.path.isfile(os.path.join(directory, "grafen4.txt"))):
        return
    draw_and_check(results, draw, "grafen 4", directory, "grafen4.txt", None, 4,
                   expected_counts=[3, 3, 4, 4, 5, 6])


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

    directory = tempfile.mkdtemp(dir=scratch)
    with open(os.path.join(directory, "grafen4.txt"), "w") as stream:
        stream.write(crlf(ORDER4_FIXTURE))
    os.mkdir(os.path.join(directory, "out"))
    result = run([draw, "grafen4.txt", "-o", "out/sheet.svg"], cwd=directory)
    results.check("-o: exits 0", result.returncode == 0, result.stderr.decode("ascii", "replace"))
    results.check("-o: writes the named file only",
                  os.listdir(os.path.join(directory, "out")) == ["sheet.svg"]
                  and sorted(os.listdir(directory)) == ["grafen4.txt", "out"],
                  str(sorted(os.listdir(directory))))
    if os.path.isfile(os.path.join(directory, "out", "sheet.svg")):
        check_sheet(results, "-o", os.path.join(directory, "out", "sheet.svg"),
                    read_edge_list(os.path.join(directory, "grafen4.txt")), 4)


NOT_EDGE_LISTS = [
    ("prose", "grafen4.txt", b"hello world\n"),
    ("empty file", "grafen4.txt", b""),
    ("numbers skip", "grafen4.txt", b"1\n    1    2\n\n3\n    1    2\n\n"),
    ("numbers start at 2", "grafen4.txt", b"2\n    1    2\n\n"),
    ("number with leading zero", "grafen4.txt", b"01\n    1    2\n\n"),
    ("number padded", "grafen4.txt", b"    1\n    1    2\n\n"),
    ("edge i > j", "grafen4.txt", b"1\n    2    1\n\n"),
    ("edge i = j", "grafen4.txt", b"1\n    2    2\n\n"),
    ("node 0", "grafen4.txt", b"1\n    0    2\n\n"),
    ("node 9", "edges.txt", b"1\n    1    9\n\n"),
    ("node beyond the order in the name", "grafen3.txt", b"1\n    1    2\n    3    4\n\n"),
    ("edge with one number", "grafen4.txt", b"1\n    1\n\n"),
    ("edge with three numbers", "grafen4.txt", b"1\n    1    2    3\n\n"),
    ("edge given twice", "grafen4.txt", b"1\n    1    2\n    1    2\n\n"),
    ("no empty line after the only graph", "grafen4.txt", b"1\r\n    1    2\r\n"),
    ("no empty line after the last graph", "grafen4.txt",
     b"1\r\n    1    2\r\n\r\n2\r\n    1    2\r\n    1    3\r\n"),
    ("last line without line end", "grafen4.txt", b"1\n    1    2\n\n2"),
    ("two empty lines", "grafen4.txt", b"1\n    1    2\n\n\n2\n    1    2\n\n"),
    ("CR alone as line end", "grafen4.txt", b"1\r    1    2\r\r"),
    ("binary bytes", "grafen4.txt", b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\n"),
    ("Maple script", "grafen4.txt", crlf("with(linalg);\nassume(A,symmetric);\n\n").encode()),
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
    for name, file_name, content in NOT_EDGE_LISTS:
        directory = fresh_case(scratch, file_name, content)
        expect_failure(results, "not an edge list (%s)" % name, directory,
                       [draw, file_name, "-o", "sheet.svg"], sentinel="sheet.svg",
                       message="is not an edge-list file")


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
                   message="would overwrite the edge list")
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
                  all(shutil.which(t, path=bin_dir) is None for t in ("fdp", "gvpack", "neato")))
    env = dict(os.environ, PATH=bin_dir)
    directory = fresh_case(scratch, "grafen4.txt", crlf(ORDER4_FIXTURE).encode())
    expect_failure(results, "graphviz missing", directory,
                   [os.path.abspath(draw), "grafen4.txt", "-o", "sheet.svg"], env=env,
                   sentinel="sheet.svg", message="Graphviz")


FAKE_NEATO = """#!/bin/sh
# Lays out like neato but renders only half a sheet, then exits with {status}.
for a in "$@"; do
  if [ "$a" = "-Tsvg" ]; then
    printf '<?xml version="1.0"?>\\n<svg xmlns="http://www.w3.org/2000/svg"><g><text>Graph 1'
    exit {status}
  fi
done
exec {real} "$@"
"""


def test_graphviz_failing(results, draw, scratch):
    real = shutil.which("neato")
    if not results.check("neato is installed for this test", real is not None):
        return
    for status, name, message in ((1, "Graphviz fails while rendering", "Graphviz failed"),
                                  (0, "Graphviz writes a cut-short sheet", "not well-formed")):
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
                            ("unknown option", ["--frobnicate", "grafen4.txt"])):
        expect_failure(results, "usage (%s)" % name, directory, [draw] + arguments, status=2,
                       sentinel="sheet.svg")
    result = run([draw, "--help"], cwd=directory)
    results.check("--help exits 0 and shows the usage",
                  result.returncode == 0 and b"usage: grafen-draw" in result.stdout,
                  "status %d" % result.returncode)


def main(argv):
    draw = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "grafen-draw")
    grafen = None
    arguments = list(argv)
    while arguments:
        argument = arguments.pop(0)
        if argument == "--draw" and arguments:
            draw = arguments.pop(0)
        elif grafen is None and not argument.startswith("-"):
            grafen = argument
        else:
            print("usage: draw_test.py [GRAFEN_BINARY] [--draw PATH-TO-grafen-draw]")
            return 2
    draw = os.path.abspath(draw)
    results = Results()
    if not results.check("grafen-draw is an executable file",
                         os.path.isfile(draw) and os.access(draw, os.X_OK), draw):
        print("%d passed, %d failed" % (results.passed, results.failed))
        return 1
    missing = [tool for tool in ("fdp", "gvpack", "neato") if shutil.which(tool) is None]
    if missing:
        print("draw_test: Graphviz is missing (no %s): install Debian's graphviz "
              "(tools/setup does)" % ", ".join(missing))
        return 1
    if grafen is not None:
        grafen = os.path.abspath(grafen)
    scratch = tempfile.mkdtemp(prefix="grafen-draw-test-")
    try:
        if grafen is not None:
            test_from_grafen(results, draw, grafen, scratch)
        test_fixtures(results, draw, scratch)
        test_not_edge_lists(results, draw, scratch)
        test_unreadable_input(results, draw, scratch)
        test_graphviz_missing(results, draw, scratch)
        test_graphviz_failing(results, draw, scratch)
        test_usage(results, draw, scratch)
    except subprocess.TimeoutExpired as error:
        results.check("every run ends within %d s" % TIMEOUT, False, str(error.cmd))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d passed, %d failed" % (results.passed, results.failed))
    return 0 if results.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
