"""Which reader an input wants, its families, and the graphs --graphs picks."""

from .captions import shared_polynomial
from .common import Failure
from .readers import parse_edge_list, parse_graph6
from .tables import FAMILY_LIST_HEADER, parse_family_list, parse_table


def graph6_families(name, blocks):
    """The runs of a graph6 file as families captioned by the polynomial
    they share; Failure for a run that is not cospectral."""
    families = []
    for block in blocks:
        caption = shared_polynomial(block)
        if len(block) < 2 or caption is None:
            raise Failure("%s: graphs %d to %d are not a cospectral family "
                          "(families are separated by empty lines)"
                          % (name, block[0].number, block[-1].number))
        families.append((caption, block))
    return families


def parse_any(name, data, order, want_families):
    """(graphs, families or None) of an input, by what its first line says
    it is."""
    first = next((line for line in data.split(b"\n") if line.strip(b"\r") != b""), b"")
    if first.rstrip(b"\r").split(b",") == [t.encode() for t in FAMILY_LIST_HEADER]:
        graphs, families = parse_family_list(name, data)
    elif first.startswith(b"graph,"):
        graphs, families = parse_table(name, data)
        if want_families and not families:
            raise Failure("%s holds no cospectral family" % name)
    elif first[:1].isdigit() or first[:1] in (b" ", b"\t"):
        graphs, families = parse_edge_list(name, data, order), None
        if want_families:
            raise Failure("--families reads grafen-spectra's table or grafen-census's "
                          "--families file, not an edge list")
    else:
        graphs, blocks = parse_graph6(name, data)
        families = graph6_families(name, blocks) if want_families else None
    return graphs, (families if want_families else None)


def select(name, graphs, families, selection):
    """The graphs (and families) of the selection's ranges. A number asked
    for on its own must be there; a range may span the gaps of a selection,
    within the input's first and last numbers."""
    numbers = {g.number for g in graphs}
    for first, last in selection:
        if first == last and first not in numbers:
            raise Failure("--graphs: %s holds no graph %d" % (name, first))
        if first < graphs[0].number or last > graphs[-1].number:
            raise Failure("--graphs: %s holds graphs %d to %d, not %d to %d"
                          % (name, graphs[0].number, graphs[-1].number, first, last))

    def wanted(graph):
        return any(a <= graph.number <= b for a, b in selection)

    graphs = [g for g in graphs if wanted(g)]
    if families is not None:
        families = [f for f in families if any(wanted(g) for g in f[1])]
        if not families:
            raise Failure("--graphs: none of those graphs has a cospectral mate in %s" % name)
    return graphs, families


def read_graphs(name, data, options):
    """(graphs, families or None) as the options ask."""
    graphs, families = parse_any(name, data, options["order"], options["families"])
    if options["graphs"] is not None:
        graphs, families = select(name, graphs, families, options["graphs"])
    return graphs, families
