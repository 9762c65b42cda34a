"""Reading the CSV tables of grafen-spectra and grafen-census --families:
their graphs and their cospectral families, captioned."""

import csv
import io

from .captions import MATRICES, shared_polynomial
from .common import Failure, Graph, MAX_ORDER
from .graph6 import decode_graph6
from .readers import NUMBER_LINE

# grafen-spectra's column prefix -> (short name, name in captions).
# (The option names: "distance-laplacian" gives distance_laplacian_.)
OPTION_NAMES = {"A": "adjacency", "B": "non-backtracking", "D": "distance",
                "DL": "distance-laplacian", "DQ": "distance-signless", "G": "generalized",
                "N": "normalized", "Q": "signless", "S": "seidel"}
MATRIX_NAMES = {"": ("L", "Laplacian")}
MATRIX_NAMES.update({OPTION_NAMES[_short].replace("-", "_") + "_": (_short, _long)
                     for _short, _long in MATRICES if _short != "L"})
FAMILY_LIST_HEADER = ["matrix", "order", "edges", "family", "size", "graph", "graph6"]


def csv_rows(name, data, what):
    """The rows of CSV bytes, ASCII alone."""
    try:
        return list(csv.reader(io.StringIO(data.decode("ascii"), newline="")))
    except (UnicodeDecodeError, csv.Error) as error:
        raise Failure("%s is not %s: %s" % (name, what, error))


def _table_rows(name, rows, column, mates, spectrum):
    """(graphs, mate lists, captions) of grafen-spectra's rows, by number."""
    what = "grafen-spectra's table"
    graphs, mate_lists, captions = [], {}, {}
    for line_number, row in enumerate(rows[1:], start=2):
        if len(row) != len(rows[0]):
            raise Failure("%s is not %s: line %d has %d fields, not %d"
                          % (name, what, line_number, len(row), len(rows[0])))
        number = row[column["graph"]]
        decoded = decode_graph6(row[column["graph6"]])
        if NUMBER_LINE.fullmatch(number) is None or decoded is None or decoded[1] is None \
                or decoded[0] == 0:
            raise Failure("%s is not %s: line %d: no graph number and graph6 of at most %d nodes"
                          % (name, what, line_number, MAX_ORDER))
        number = int(number)
        if graphs and number <= graphs[-1].number:
            raise Failure("%s is not %s: line %d: graph %d after %d"
                          % (name, what, line_number, number, graphs[-1].number))
        graphs.append(Graph(number, decoded[0], decoded[1]))
        field = row[column[mates]].split()
        if any(NUMBER_LINE.fullmatch(m) is None for m in field):
            raise Failure("%s is not %s: line %d: %s is not a list of graph numbers"
                          % (name, what, line_number, mates))
        mate_lists[number] = [int(m) for m in field]
        if spectrum is not None:
            captions[number] = row[spectrum]
    if not graphs:
        raise Failure("%s is not %s: no graph in it" % (name, what))
    return graphs, mate_lists, captions


def _table_families(name, graphs, mate_lists, caption):
    """The families of the table's cospectral_with lists, each as (caption
    text, graphs in table order); caption(number) gives the text."""
    by_number = {g.number: g for g in graphs}
    families, placed = [], set()
    for graph in graphs:
        if graph.number in placed or not mate_lists[graph.number]:
            continue
        members = sorted(set([graph.number] + mate_lists[graph.number]))
        missing = [m for m in members if m not in by_number]
        if missing:
            raise Failure("%s: graph %d's cospectral mate %d is not in the table"
                          % (name, graph.number, missing[0]))
        # Every member must list the same family, or a graph would be drawn twice.
        odd = [m for m in members if sorted(set([m] + mate_lists[m])) != members]
        if odd:
            raise Failure("%s: the cospectral_with of graphs %d and %d disagree"
                          % (name, graph.number, odd[0]))
        placed.update(members)
        families.append((caption(graph.number), [by_number[m] for m in members]))
    return families


def parse_table(name, data):
    """(graphs, families) of grafen-spectra's table: every row's graph from its
    graph6 column under its own number, and the cospectral families (lists of
    graphs in table order) with the spectrum they share as caption."""
    rows = csv_rows(name, data, "grafen-spectra's table")
    header = rows[0] if rows else []
    column = {title: k for k, title in enumerate(header)}
    mates = [title for title in header if title.endswith("cospectral_with")]
    prefix = mates[0][:-len("cospectral_with")] if len(mates) == 1 else None
    if "graph" not in column or "graph6" not in column or prefix not in MATRIX_NAMES:
        raise Failure("%s is not grafen-spectra's table: its header has no graph, graph6 and "
                      "cospectral_with columns" % name)
    spectrum = column.get(prefix + "eigenvalues")
    graphs, mate_lists, captions = _table_rows(name, rows, column, mates[0], spectrum)
    letter, long_name = MATRIX_NAMES[prefix]

    def caption(number):
        if spectrum is None:
            return "%s-cospectral" % letter
        return "%s spectrum: %s" % (long_name, captions[number])

    return graphs, _table_families(name, graphs, mate_lists, caption)


def parse_family_list(name, data):
    """(graphs, families) of grafen-census's --families file: a row per graph
    of a family, the graph under its number in the census's input, each
    family captioned with the polynomial of its matrix."""
    what = "grafen-census's families file"
    graphs, by_number, families = [], {}, {}
    for line_number, row in enumerate(csv_rows(name, data, what)[1:], start=2):
        decoded = decode_graph6(row[6]) if len(row) == len(FAMILY_LIST_HEADER) else None
        if decoded is None or decoded[1] is None or decoded[0] == 0 \
                or row[0] not in dict(MATRICES) or NUMBER_LINE.fullmatch(row[5]) is None:
            raise Failure("%s is not %s: line %d: no matrix, graph number and graph6 of at "
                          "most %d nodes" % (name, what, line_number, MAX_ORDER))
        number = int(row[5])
        if number not in by_number:
            by_number[number] = Graph(number, decoded[0], decoded[1])
            graphs.append(by_number[number])
        families.setdefault((row[0], row[3]), []).append(by_number[number])
    if not families:
        raise Failure("%s holds no cospectral family" % name)
    captioned = []
    for (letter, _), members in families.items():
        caption = shared_polynomial(members, (letter,))
        if len(members) < 2 or caption is None:
            raise Failure("%s: graphs %s are not a %s-cospectral family"
                          % (name, " ".join(str(g.number) for g in members), letter))
        captioned.append((caption, members))
    return graphs, captioned
