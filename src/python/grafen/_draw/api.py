"""grafen.draw: the drawer called from Python, and the drawings Jupyter shows."""

import os

from .captions import MATRICES, shared_polynomial
from .command import find_neato, render_files
from .common import DEFAULT_PER_PAGE, FORMATS, Failure, Graph, MAX_PER_PAGE
from .files import write_all
from .graph6 import decode_graph6
from .inputs import parse_any
from .layout import lay_out
from .pages import paginate
from .readers import read_input
from .render import svg_page


class Drawing:
    """Drawn pages: svg, the SVG text of each page; paths, the files written
    (empty when none). Jupyter shows the first page."""

    def __init__(self, svg, paths):
        self.svg = svg
        self.paths = paths

    def _repr_svg_(self):
        """The first page's SVG, for Jupyter."""
        return self.svg[0]

    def __repr__(self):
        """The page count and the files written."""
        return "<grafen drawing: %d page%s%s>" % (
            len(self.svg), "" if len(self.svg) == 1 else "s",
            (", " + ", ".join(self.paths)) if self.paths else "")


def _graph_of(graph6, number):
    """A Graph of graph6 text under its number; ValueError beyond 32 nodes."""
    order, edges = decode_graph6(graph6)
    if edges is None:
        raise Failure("graph %d has %d nodes: only 1 to 32 nodes are drawn" % (number, order))
    return Graph(number, order, edges)


def _graphs_of(graphs, first):
    """Graphs of anything grafen reads (see help(grafen)), numbered from first."""
    from .. import _many
    held = _many(graphs)
    return [_graph_of(held.graph6(k), first + k) for k in range(len(held))]


def _captioned(family, matrix):
    """(caption, family): the polynomial the family shares; ValueError if none."""
    caption = shared_polynomial(family, (matrix,) if matrix else ("L", "Q", "A"))
    if len(family) < 2 or caption is None:
        raise Failure("graphs %s are not a %scospectral family"
                      % (" ".join(str(g.number) for g in family),
                         (matrix + "-") if matrix else ""))
    return caption, family


def _families_of(families, matrix):
    """Captioned families of an iterable of iterables of graphs, or of the
    graph6 column of grafen.cospectral_families' frame."""
    if hasattr(families, "columns") and "graph6" in families.columns:
        families = list(families["graph6"])
    out, number = [], 1
    for family in families:
        members = _graphs_of(family, number)
        number += len(members)
        out.append(_captioned(members, matrix))
    if not out:
        raise Failure("no family to draw")
    return out


def _read(graphs, families, matrix):
    """(graphs, families or None) of draw()'s arguments."""
    if isinstance(graphs, os.PathLike) or (isinstance(graphs, str) and os.path.isfile(graphs)):
        name, data = read_input(os.fspath(graphs))
        return parse_any(name, data, None, families)
    if families:
        captioned = _families_of(graphs, matrix)
        return [g for _, family in captioned for g in family], captioned
    listed = _graphs_of(graphs, 1)
    if not listed:
        raise Failure("no graph to draw")
    return listed, None


def _check_output(output):
    """ValueError for an output draw() cannot write."""
    if os.path.splitext(output)[1].lower() not in FORMATS:
        raise Failure("cannot write %s: give a .svg, .pdf or .png file" % output)
    if os.path.isdir(output):
        raise Failure("cannot write %s: it is a directory" % output)


def draw(graphs, output=None, *, families=False, per_page=None, matrix=None):
    """Draw graphs, or cospectral families side by side, as grafen-draw does.

    Parameters
    ----------
    graphs : iterable of graphs, path, or DataFrame
        Graphs in any form grafen reads (networkx graphs, graph6 text, 0/1
        matrices, node pairs), numbered from 1 in the drawing; or the path of
        a file grafen-draw reads (edge list, graph6, grafen-spectra's table,
        grafen-census's families file). With ``families=True``: an iterable
        of families, each an iterable of graphs, or the frame
        ``grafen.cospectral_families`` returns.
    output : str or path, optional
        A ``.svg`` (several pages: numbered files), ``.pdf`` or ``.png`` file
        to write, atomically. None writes nothing.
    families : bool
        Draw one framed row per family, captioned with the characteristic
        polynomial its graphs share.
    per_page : int, optional
        Graphs per page: 100 with an output, all on one page without.
    matrix : {"L", "Q", "A"}, optional
        The matrix whose polynomial the families share; default the first
        of L, Q and A they share.

    Returns
    -------
    Drawing
        The pages as SVG text (``.svg``) and the files written (``.paths``);
        Jupyter shows its first page.

    Raises
    ------
    ValueError
        Graphs that cannot be read or drawn (1 to 32 nodes), families that
        are not cospectral, an output that cannot be written, or Graphviz's
        neato missing. TypeError for graphs of no form grafen reads.

    Examples
    --------
    >>> import grafen, networkx as nx
    >>> grafen.draw([nx.petersen_graph(), "Cr"], "two.pdf").paths
    ['two.pdf']
    >>> grafen.draw([["D?{", "Dl?"]], families=True, matrix="A")   # in Jupyter: the picture
    <grafen drawing: 1 page>
    """
    if output is not None:
        output = os.fspath(output)
        _check_output(output)
    if per_page is not None and (not isinstance(per_page, int) or not 1 <= per_page <= MAX_PER_PAGE):
        raise Failure("per_page is a whole number from 1 to %d, not %r" % (MAX_PER_PAGE, per_page))
    listed, captioned = _read(graphs, families, matrix)
    lay_out(listed, find_neato())
    if per_page is None:
        per_page = DEFAULT_PER_PAGE if output is not None else max(1, len(listed))
    pages = paginate(listed, captioned, per_page)
    svg = [svg_page(page).decode("utf-8") for page in pages]
    paths = []
    if output is not None:
        files = render_files(pages, output)
        write_all(files)
        paths = [path for path, _ in files]
    return Drawing(svg, paths)


def spectrum_svg(graph6, letter, eigenvalues):
    """The SVG of one graph framed with its spectrum of the matrix `letter`
    as caption, worded as a grafen-spectra table's families are."""
    from .. import matrices
    name = dict(MATRICES, S="Seidel").get(letter, matrices().get(letter, letter))
    graph = _graph_of(graph6, 1)
    lay_out([graph], find_neato())
    caption = "%s spectrum: %s" % (name, " ".join(eigenvalues))
    return svg_page(paginate([graph], [(caption, [graph])], 1)[0]).decode("utf-8")
