"""Reading the graphs to draw: grafen's edge lists, graph6 (one graph a
line, families separated by empty lines) and the tables of grafen-spectra
and grafen-census --families."""

import os
import re
import sys

from .common import Failure, Graph, MAX_INPUT_BYTES, MAX_ORDER
from .graph6 import decode_graph6

NUMBER_LINE = re.compile(r"[1-9][0-9]*")
EDGE_LINE = re.compile(r"[ \t]*([0-9]+)[ \t]+([0-9]+)[ \t]*")
ORDER_FROM_NAME = re.compile(r"grafen([1-9][0-9]?)\.txt")


def read_input(path):
    """(name, bytes) of a file, or of standard input for "-"; at most
    MAX_INPUT_BYTES."""
    name = "<stdin>" if path == "-" else path
    try:
        if path == "-":
            data = sys.stdin.buffer.read(MAX_INPUT_BYTES + 1)
        else:
            with open(path, "rb") as stream:
                data = stream.read(MAX_INPUT_BYTES + 1)
    except OSError as error:
        raise Failure("cannot read %s: %s" % (name, error.strerror or error))
    if len(data) > MAX_INPUT_BYTES:
        raise Failure("%s is larger than %d bytes: draw a selection of it" % (name, MAX_INPUT_BYTES))
    return name, data


def split_lines(name, data, what):
    """The lines without their ends. Every line, the last included, ends in
    LF or CR LF; a CR elsewhere or a byte other than a tab or printable ASCII
    means the input is not what it claims."""
    if data == b"":
        raise Failure("%s is empty" % name)
    pieces = data.split(b"\n")
    if pieces[-1] != b"":
        raise Failure("%s is not %s: line %d: the last line has no line end (cut short?)"
                      % (name, what, len(pieces)))
    lines = []
    for number, piece in enumerate(pieces[:-1], start=1):
        if piece.endswith(b"\r"):
            piece = piece[:-1]
        if b"\r" in piece:
            raise Failure("%s is not %s: line %d: carriage return inside the line"
                          % (name, what, number))
        if any(byte != 0x09 and not 0x20 <= byte <= 0x7E for byte in piece):
            raise Failure("%s is not %s: line %d: a character it never holds"
                          % (name, what, number))
        lines.append(piece.decode("ascii"))
    return lines


def shown(line):
    """A line as a message quotes it, cut at 40 characters."""
    return repr(line if len(line) <= 40 else line[:40] + "...")


def _edge_blocks(lines, limit, bad):
    """The graphs of an edge list's lines, their order not yet known: a number
    line (numbers rising, not necessarily by one, so that a selection cut
    from a larger list keeps its numbers), the edge lines, an empty line."""
    graphs, edges, number, seen = [], None, 0, set()
    for line_number, line in enumerate(lines, start=1):
        if edges is None:
            if NUMBER_LINE.fullmatch(line) is None:
                raise bad(line_number, "expected a graph number, found %s" % shown(line))
            if int(line) <= number:
                raise bad(line_number, "graph number %s after %d: numbers must rise"
                          % (line, number))
            number, edges, seen = int(line), [], set()
        elif line == "":
            graphs.append(Graph(number, 0, edges))
            edges = None
        else:
            match = EDGE_LINE.fullmatch(line)
            if match is None:
                raise bad(line_number, "expected an edge \"i j\" or an empty line, found %s"
                          % shown(line))
            i, j = int(match.group(1)), int(match.group(2))
            if not 1 <= i < j <= limit:
                raise bad(line_number, "edge %d %d is not 1 <= i < j <= %d" % (i, j, limit))
            if (i, j) in seen:
                raise bad(line_number, "edge %d %d appears twice in graph %d" % (i, j, number))
            seen.add((i, j))
            edges.append((i, j))
    if edges is not None:
        raise bad(len(lines), "graph %d is not closed by an empty line (cut short?)" % number)
    return graphs


def parse_edge_list(name, data, order):
    """The graphs of an edge list, all of the given order (None: N of
    grafenN.txt, else the largest node number)."""
    what = "an edge-list file"

    def bad(line_number, reason):
        return Failure("%s is not %s: line %d: %s" % (name, what, line_number, reason))

    graphs = _edge_blocks(split_lines(name, data, what), order or MAX_ORDER, bad)
    if not graphs:
        raise Failure("%s is not %s: no graph in it" % (name, what))
    largest = max([j for g in graphs for (_, j) in g.edges], default=1)
    if order is None:
        match = ORDER_FROM_NAME.fullmatch(os.path.basename(name))
        order = int(match.group(1)) if match else largest
        if largest > order:
            raise Failure("%s is not %s: node %d in a file of order %d"
                          % (name, what, largest, order))
        if order > MAX_ORDER:
            raise Failure("%s: order %d, more than the %d nodes drawn" % (name, order, MAX_ORDER))
    for g in graphs:
        g.order = order
    return graphs


def _graph6_line(name, line_number, line, number):
    """The Graph of one graph6 line, or the Failure that says what it is not."""
    if line[0] in ":;&":
        raise Failure("%s: line %d: sparse6 and digraph6 are not read: give graph6"
                      % (name, line_number))
    decoded = decode_graph6(line)
    if decoded is None:
        raise Failure("%s is not graph6: line %d: %s is not a graph6 graph"
                      % (name, line_number, shown(line)))
    order, edges = decoded
    if edges is None or order == 0:
        raise Failure("%s: line %d: a graph of order %d: only 1 to %d nodes are drawn"
                      % (name, line_number, order, MAX_ORDER))
    return Graph(number, order, edges)


def parse_graph6(name, data):
    """(graphs, blocks): the graphs numbered by their line among the graphs,
    and the same graphs in the runs that empty lines separate (the families
    of a grafen-census --families file)."""
    graphs, blocks, block = [], [], []
    header_allowed = True
    for line_number, line in enumerate(split_lines(name, data, "graph6"), start=1):
        if header_allowed and line.startswith(">>graph6<<"):
            line = line[len(">>graph6<<"):]
            header_allowed = False
            if line == "":
                continue
        if line == "":
            if block:
                blocks.append(block)
            block = []
            continue
        header_allowed = False
        graph = _graph6_line(name, line_number, line, len(graphs) + 1)
        graphs.append(graph)
        block.append(graph)
    if block:
        blocks.append(block)
    if not graphs:
        raise Failure("%s is not graph6: no graph in it" % name)
    return graphs, blocks
