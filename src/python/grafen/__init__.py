"""grafen: exact spectra of graphs, from Python.

The exact core of grafen-spectra and grafen-census as a module: every value
is computed exactly (integer characteristic polynomials, their factors over
the integers, eigenvalues isolated in rational intervals and correctly
rounded), with the same text and columns as the programs' CSV tables.

Graphs may be given as
  * a networkx graph (nodes taken in sorted order, or in the order of
    nodelist=),
  * graph6 text, as str or bytes ("IheA@GUAo", b"Bw"),
  * a 0/1 adjacency matrix: a numpy array or nested lists,
  * a list of node pairs, nodes 0..order-1 (order= gives the order; else the
    largest node plus one).
Graphs have 1 to 62 nodes. Matrices: "L" (laplacian, the default), "Q"
(signless, D + A), "A" (adjacency); matrices() lists them. Bad input raises
ValueError or TypeError with a one-line message.

Examples:
  >>> import grafen, networkx as nx
  >>> s = grafen.spectrum(nx.petersen_graph(), "A")
  >>> s.charpoly                    # det(xI - A), highest power first
  [1, 0, -15, 0, 75, -24, -165, 120, 120, -160, 48]
  >>> s.factored, s.eigenvalues
  ('(x + 2)^4*(x - 1)^5*(x - 3)', ['-2', '-2', '-2', '-2', '1', '1', '1', '1', '1', '3'])
  >>> grafen.spectrum("Cs").spanning_trees          # the star K_{1,3}
  1
  >>> df = grafen.spectra(["D?{", "Dl?"], matrix="A")
  >>> list(df.adjacency_cospectral_with)            # K_{1,4} and C4 + K1
  [[2], [1]]
  >>> grafen.cospectral_families(["D?{", "Dl?"], "A").graph6[0]
  ['D?{', 'Dl?']
  >>> grafen.census(5, "A").tail(1)                 # runs nauty-geng 5

With the build tree: PYTHONPATH=build/ci/python /usr/bin/python3.
"""

import fractions as _fractions
import gc as _gc
import operator as _operator
import re as _re
import os as _os
import shutil as _shutil
import subprocess as _subprocess
import tempfile as _tempfile

from . import _grafen

__all__ = ["charpoly", "spectrum", "spectra", "cospectral_families", "census", "matrices", "draw",
           "Drawing", "Spectrum", "Factor", "Eigenvalue"]


def matrices():
    """The matrices known, as a dict short name -> long name: {"A": "adjacency", ...}."""
    return dict(_grafen.matrices())


def _matrix_names():
    """The long names of the matrices known."""
    return [name for _, name in _grafen.matrices()]


_KINDS = ("a graph is a networkx graph, graph6 (str or bytes), a 0/1 adjacency "
          "matrix or a list of node pairs")


def _pairs_of_matrix(rows, n):
    """The node pairs of a square 0/1 symmetric matrix with zero diagonal."""
    pairs = []
    for i in range(n):
        row = rows[i]
        if len(row) != n:
            raise ValueError(f"adjacency matrix is not square: row {i} has {len(row)} entries, not {n}")
        for j in range(n):
            v = row[j]
            if v != 0 and v != 1:
                raise ValueError(f"adjacency matrix entry ({i}, {j}) is {v!r}, not 0 or 1")
            if v != rows[j][i]:
                raise ValueError(f"adjacency matrix is not symmetric at ({i}, {j})")
            if v and i == j:
                raise ValueError(f"loop at node {i}: graphs are simple")
            if v and i < j:
                pairs.append((i, j))
    return pairs


def _graph6_text(text):
    """One graph6 line as bytes, its line end and any header removed."""
    if isinstance(text, str):
        try:
            text = text.encode("ascii")
        except UnicodeEncodeError:
            raise ValueError("not graph6: text other than ASCII") from None
    text = text.rstrip(b"\r\n")
    if text.startswith(b">>graph6<<"):
        text = text[len(b">>graph6<<"):]
    return text


def _add(graphs, g, nodelist=None, order=None):
    """Adds graph g, in any form taken, to a _grafen.Graphs."""
    if isinstance(g, (str, bytes, bytearray)):
        graphs.add_graph6(bytes(_graph6_text(g)))
        return
    if hasattr(g, "adj") and hasattr(g, "is_directed"):  # networkx
        if g.is_directed():
            raise TypeError("a directed graph: give an undirected one (G.to_undirected())")
        if g.is_multigraph():
            raise TypeError("a multigraph: give a simple graph (nx.Graph(G))")
        if nodelist is None:
            try:
                nodelist = sorted(g.nodes)
            except TypeError:
                raise TypeError("the nodes cannot be sorted: give nodelist=") from None
        place = {v: k for k, v in enumerate(nodelist)}
        if len(place) != len(nodelist) or set(place) != set(g.nodes):
            raise ValueError("nodelist must list every node of the graph once")
        graphs.add_pairs(len(place), [(place[u], place[v]) for u, v in g.edges()])
        return
    if hasattr(g, "shape") and hasattr(g, "tolist"):  # numpy
        if len(g.shape) != 2 or g.shape[0] != g.shape[1]:
            raise ValueError(f"adjacency matrix is not square: shape {tuple(g.shape)}")
        rows = g.tolist()
        graphs.add_pairs(len(rows), _pairs_of_matrix(rows, len(rows)))
        return
    if isinstance(g, (list, tuple)):
        items = list(g)
        square = (order is None and len(items) > 0
                  and all(isinstance(r, (list, tuple)) and len(r) == len(items) for r in items)
                  and all(type(v) is int and v in (0, 1) for r in items for v in r))
        if square:  # without order=, a square 0/1 nested list is a matrix
            graphs.add_pairs(len(items), _pairs_of_matrix(items, len(items)))
            return
        pairs = []
        for p in items:
            if not isinstance(p, (list, tuple)) or len(p) != 2:
                raise ValueError(f"not a node pair: {p!r}")
            try:  # ints, numpy's among them; not bools
                if any(isinstance(v, bool) for v in p):
                    raise TypeError
                pairs.append((_operator.index(p[0]), _operator.index(p[1])))
            except TypeError:
                raise TypeError(f"nodes are whole numbers from 0: {p!r}") from None
        if order is None:
            order = max((max(p) for p in pairs), default=0) + 1
        graphs.add_pairs(order, pairs)
        return
    raise TypeError(f"{_KINDS}, not {type(g).__name__}")


def _one(g, nodelist=None, order=None):
    graphs = _grafen.Graphs()
    _add(graphs, g, nodelist, order)
    return graphs


def _many(graphs, order=None):
    """A _grafen.Graphs of an iterable of graphs, graph6 or edge-list text
    (bytes, or str holding a line end), a path or a file object."""
    held = _grafen.Graphs()
    if isinstance(graphs, _grafen.Graphs):
        return graphs
    name = "<text>"
    if isinstance(graphs, (str, _os.PathLike)) and (
            isinstance(graphs, _os.PathLike) or ("\n" not in graphs and (
                _os.path.isfile(graphs) or "/" in graphs or "." in graphs))):
        # graph6 has neither "/" nor ".": such a str is a path
        name = _os.fspath(graphs)
        with open(name, "rb") as f:
            graphs = f.read()
        named = _re.fullmatch(r"grafen([0-9]+)\.txt", _os.path.basename(name))
        if order is None and named and graphs.lstrip(b"\r\n")[:1] in b"0123456789 \t":
            order = int(named.group(1))  # an edge list grafenN.txt, as the programs read it
    elif hasattr(graphs, "read"):
        name = getattr(graphs, "name", "<stream>")
        graphs = graphs.read()
    if isinstance(graphs, str) and "\n" in graphs:
        graphs = graphs.encode("ascii", errors="replace")
    if isinstance(graphs, (bytes, bytearray)):
        held.read(bytes(graphs), order or 0, str(name))
        return held
    if isinstance(graphs, str):
        graphs = [graphs]
    try:
        iterator = iter(graphs)
    except TypeError:
        raise TypeError(f"graphs are an iterable of graphs, graph6 text, a path or a file, "
                        f"not {type(graphs).__name__}") from None
    for k, g in enumerate(iterator):
        try:
            _add(held, g, None, order)
        except (ValueError, TypeError) as e:
            raise type(e)(f"graph {k}: {e}") from None
    return held


class Factor:
    """An irreducible factor of the characteristic polynomial over the
    integers: coefficients (ints, highest power first) and multiplicity."""
    __slots__ = ("coefficients", "multiplicity")

    def __init__(self, coefficients, multiplicity):
        self.coefficients = coefficients
        self.multiplicity = multiplicity

    def __eq__(self, other):
        return (isinstance(other, Factor) and self.coefficients == other.coefficients
                and self.multiplicity == other.multiplicity)

    def __repr__(self):
        return f"Factor({self.coefficients}, {self.multiplicity})"


class Eigenvalue:
    """One eigenvalue exactly: text (as the CSV writes it), factor (its
    irreducible Factor), and low, high (fractions.Fraction): for an integer
    both equal it, otherwise the open interval (low, high) holds this root
    of the factor and no other. integer: the value when an integer, else None."""
    __slots__ = ("text", "factor", "low", "high", "integer")

    def __init__(self, text, factor, low, high, integer):
        self.text, self.factor, self.low, self.high, self.integer = text, factor, low, high, integer

    def __repr__(self):
        if self.integer is not None:
            return f"Eigenvalue({self.integer})"
        return f"Eigenvalue({self.text}, root of {self.factor.coefficients} in ({self.low}, {self.high}))"


def _fraction(end):
    return _fractions.Fraction(end)  # a float exactly, or "p/q" text


class Spectrum:
    """The spectrum of one graph matrix, exactly.

    matrix          "A", "L" or "Q"; order: the number of nodes
    charpoly        det(xI - M) as Python ints, highest power first
                    (numpy.poly's order; the CSV's charpoly column)
    factors         its irreducible factors over the integers, each a Factor
                    (coefficients highest power first, multiplicity): the
                    integer roots' (x - c) ascending, then the others
    factored        the same as text, "x*(x - 1)^2*(x^2 - 4*x + 2)"
    eigenvalues     all n eigenvalues ascending by true value, as text:
                    integers whole, others correctly rounded to `digits`
                    significant digits (the CSV's eigenvalues column)
    exact           the same as Eigenvalue objects: factor and isolating
                    interval with Fraction ends
    floats          the eigenvalues as floats (from a correct rounding to 17
                    digits: within one unit in the last place)
    integral        whether every eigenvalue is an integer
    spanning_trees  the Laplacian's spanning-tree count (whatever the matrix)
    algebraic_connectivity  the Laplacian's second smallest eigenvalue as
                    text (None for one node); float(s.algebraic_connectivity)
    """

    def __init__(self, values, graphs, digits):
        self.matrix = values["matrix"]
        self.order = values["order"]
        self.charpoly = values["charpoly"]
        self.factored = values["factored"]
        self.eigenvalues = values["eigenvalues"].split(" ")
        self.integral = values["integral"]
        self.spanning_trees = values["spanning_trees"]
        self.algebraic_connectivity = values["algebraic_connectivity"] or None
        self.digits = digits
        linear = [Factor([1, -c], m) for c, m in values["integer_roots"]]
        nonlinear = [Factor(c, m) for c, m, _ in values["factors"]]
        self.factors = linear + nonlinear
        self._integers = values["integer_roots"]
        self._roots = [r for _, _, r in values["factors"]]
        self._linear, self._nonlinear = linear, nonlinear
        self._refs = values["eigenvalue_refs"]
        self._graphs = graphs
        self._exact = None
        self._floats = None

    @property
    def exact(self):
        """Each eigenvalue as an Eigenvalue: its factor and isolating interval."""
        if self._exact is None:
            out = []
            for text, (f, k) in zip(self.eigenvalues, self._refs):
                if f < 0:
                    c = self._integers[k][0]
                    out.append(Eigenvalue(text, self._linear[k], _fractions.Fraction(c),
                                          _fractions.Fraction(c), c))
                else:
                    low, high = self._roots[f][k]
                    out.append(Eigenvalue(text, self._nonlinear[f], _fraction(low),
                                          _fraction(high), None))
            self._exact = out
        return self._exact

    @property
    def floats(self):
        """The eigenvalues as floats, ascending."""
        if self._floats is None:
            if self.integral:
                self._floats = [float(t) for t in self.eigenvalues]
            else:
                fine = _grafen.spectrum(self._graphs, 0, self.matrix, max(self.digits, 17))
                self._floats = [float(t) for t in fine["eigenvalues"].split(" ")]
        return self._floats

    def __repr__(self):
        name = dict(_grafen.matrices())[self.matrix]
        counted, last = [], None
        for e in self.eigenvalues:
            if e == last:
                counted[-1][1] += 1
            else:
                counted.append([e, 1])
            last = e
        values = ", ".join(v if m == 1 else f"{v}^{m}" for v, m in counted)
        return (f"<{name} spectrum of a graph of order {self.order}: {values}; "
                f"charpoly {self.factored}; spanning trees {self.spanning_trees}>")

    def _repr_svg_(self):
        """The graph drawn, captioned with this spectrum: Jupyter's picture;
        None (the text shows instead) beyond 32 nodes or without Graphviz."""
        from ._draw.api import spectrum_svg
        try:
            return spectrum_svg(self._graphs.graph6(0), self.matrix, self.eigenvalues)
        except ValueError:
            return None


def charpoly(graph, matrix="L", *, nodelist=None, order=None):
    """The exact characteristic polynomial det(xI - M) of one graph's matrix,
    as a list of ints, highest power first; nothing more is worked out (for
    the factors, eigenvalues and the rest, take spectrum()). N's is its
    primitive integer polynomial, B's has degree 2m (see help(grafen)).

    >>> grafen.charpoly(nx.path_graph(3))           # the Laplacian of P3
    [1, -4, 3, 0]
    >>> grafen.charpoly(nx.petersen_graph(), "A")[-1]
    48
    """
    return _grafen.charpoly(_one(graph, nodelist, order), 0, matrix)


def spectrum(graph, matrix="L", digits=5, *, nodelist=None, order=None):
    """The exact spectrum of one graph's matrix, a Spectrum.

    graph: any form the module takes (see help(grafen)); matrix: "L", "Q",
    "A" or their names; digits: significant digits of non-integer
    eigenvalues, 1 to 40; nodelist: the node order of a networkx graph;
    order: the order of a list of node pairs.

    >>> grafen.spectrum(nx.petersen_graph(), "A")
    <adjacency spectrum of a graph of order 10: -2^4, 1^5, 3; ...>
    >>> grafen.spectrum([(0, 1), (1, 2)]).eigenvalues       # the path P3
    ['0', '1', '3']
    """
    if _grafen.matrix_letter(matrix) == "G":
        raise ValueError("the generalized spectrum is two spectra: take the adjacency spectrum "
                         "of the graph and of its complement")
    graphs = _one(graph, nodelist, order)
    return Spectrum(_grafen.spectrum(graphs, 0, matrix, digits), graphs, digits)


def _table(text):
    """The rows of a CSV text the core wrote (no field quoted): header, rows."""
    lines = text.split("\r\n")
    return lines[0].split(","), [line.split(",") for line in lines[1:] if line]


# The kind of each column of grafen-spectra's table (_grafen.columns): by
# name, else by the end of its name (the spectral columns carry the matrix).
_KIND_OF = {"graph": "i", "nodes": "i", "edges": "i", "graph6": "s", "degrees": "I",
            "algebraic_connectivity": "o", "spanning_trees": "i", "isomorphic_to": "n"}
_KIND_BY_END = (("charpoly", "I"), ("factored", "s"), ("eigenvalues", "S"), ("integral", "b"),
                ("cospectral_with", "I"), ("", "s"))


def _kind_of(name):
    """How a column of spectra()'s table is typed. The generalized
    spectrum's polynomial, factors and eigenvalues are two, the graph's and
    its complement's, separated by ';', kept as text."""
    if name.startswith("generalized_") and not name.endswith(("integral", "cospectral_with")):
        return "s"
    return _KIND_OF.get(name) or next(kind for end, kind in _KIND_BY_END if name.endswith(end))


def _names(matrices):
    """Matrix names as the module takes them: comma-separated."""
    if matrices is None:
        return ""
    return matrices if isinstance(matrices, str) else ",".join(str(m) for m in matrices)


def spectra(graphs, matrix="L", digits=5, threads=None, *, order=None, joint=None):
    """grafen-spectra's table as a pandas.DataFrame, one row per graph.

    graphs: an iterable of graphs (any form), graph6 or edge-list text as
    bytes (or str with line ends), a file object, or a path (os.PathLike,
    or a str naming a file or holding "/" or ".") of a file as grafen-spectra
    reads it. order: the order of an edge list's graphs (else the N of a
    file named grafenN.txt, else the largest node listed), or of lists of
    node pairs. threads: the threads the computation uses (all cores by
    default); the GIL is released meanwhile.

    Columns as in grafen-spectra's CSV (man grafen-spectra): graph (from 1),
    nodes, edges (int), graph6 (str), degrees (list of int), charpoly (list
    of int, highest power first), factored (str), eigenvalues (list of str,
    correctly rounded), algebraic_connectivity (str, None for one node),
    spanning_trees (int), laplacian_integral (bool), cospectral_with (list of
    graph numbers), isomorphic_to (the first earlier copy, or <NA>). For
    --matrix A and Q the spectral columns are prefixed adjacency_ and
    signless_, as there. matrix may name several ("A,L,Q" or a list): one
    table, each matrix's columns named A_charpoly, ..., as grafen-spectra
    --matrix A,L,Q writes them. joint (two or more matrices, as "A,L"): the
    columns A+L_integral and A+L_cospectral_with of the graphs cospectral for
    all of them at once; the table's matrices are the joint ones unless
    matrix is given.

    >>> grafen.spectra([nx.path_graph(4), nx.cycle_graph(4)]).spanning_trees.tolist()
    [1, 4]
    >>> grafen.spectra([nx.star_graph(4), nx.disjoint_union(nx.cycle_graph(4), nx.empty_graph(1))],
    ...                joint="A,L")["A+L_cospectral_with"].tolist()
    [[], []]
    """
    import pandas as pd
    held = _many(graphs, order)
    matrix = "" if joint is not None and matrix == "L" else _names(matrix)
    text = _grafen.spectra_table(held, matrix, digits, threads, _names(joint))
    header = text[:text.find("\r\n")].split(",")
    kinds = "".join(_kind_of(name) for name in header)
    # Millions of new lists: the cyclic collector would walk them again and
    # again, and none of them can be in a cycle.
    collecting = _gc.isenabled()
    _gc.disable()
    try:
        return _spectra_frame(pd, header, kinds, _grafen.columns(text, kinds))
    finally:
        if collecting:
            _gc.enable()


def _spectra_frame(pd, header, kinds, cells_by_column):
    """The data frame of spectra()'s columns, typed."""
    columns = {}
    for name, kind, cells in zip(header, kinds, cells_by_column):
        if kind == "b":  # nullable where a graph lacks the matrix
            columns[name] = pd.Series(cells, dtype="boolean" if None in cells else "bool")
        elif kind == "n":
            columns[name] = pd.Series(cells, dtype="Int64")
        elif name in ("graph", "nodes", "edges"):
            columns[name] = pd.Series(cells, dtype="int64")
        else:
            columns[name] = cells
    return pd.DataFrame(columns, columns=header)


def cospectral_families(graphs, matrix="L", *, order=None):
    """The cospectral families of the graphs for a matrix, as a DataFrame.

    A family is two or more pairwise non-isomorphic graphs of the input with
    one characteristic polynomial (decided exactly; a relabelled copy of an
    earlier graph is left out, told by nauty's canonical labelling). Columns:
    family (from 1), size, graphs (places in the input, from 0), graph6
    (lists). graphs: as spectra() takes them.

    >>> grafen.cospectral_families(["D?{", "Dl?", "DUw"], "A")
       family  size  graphs      graph6
    0       1     2  [0, 1]  [D?{, Dl?]
    """
    import pandas as pd
    held = _many(graphs, order)
    families = _grafen.families(held, matrix)
    return pd.DataFrame({
        "family": pd.Series(range(1, len(families) + 1), dtype="int64"),
        "size": pd.Series([len(f) for f in families], dtype="int64"),
        "graphs": families,
        "graph6": [[held.graph6(k) for k in f] for f in families],
    })


def _geng():
    for name in ("nauty-geng", "geng"):
        found = _shutil.which(name)
        if found:
            return found
    raise RuntimeError("nauty-geng not found: install nauty (Debian: apt install nauty)")


def census(graphs, matrices="ALQ", part=None, threads=None, *, connected=False, order=None,
           joint=None):
    """grafen-census's table as a pandas.DataFrame.

    graphs: an int n (every graph of order n, or only the connected ones with
    connected=True, from nauty-geng, which must be installed), or graphs as
    spectra() takes them. matrices: short names, as a list, comma-separated
    ("A,DL") or one letter each ("ALQ", the default; "DL" and "DQ" alone
    name the distance Laplacians), or long names. joint ("A,L" or a list):
    also the rows of the graphs cospectral for all these at once, matrix
    "A+L". part: "K/M"
    or (K, M), only part K of M of each edge count. Graphs isomorphic to an
    earlier one are counted as copies, not again.

    Columns: matrix (str), order (int), edges (int, or for the totals row
    "all" or runs like "9-29;31-45"), graphs, distinct_spectra, with_mate,
    families, largest_family, integral (int), part, input (str), copies
    (int), family_sizes (dict size -> families).

    >>> c = grafen.census(8, "A"); int(c[c.edges == "all"].with_mate.iloc[0])
    1722
    """
    import pandas as pd
    if part is None:
        k, m = 1, 1
    elif isinstance(part, str):
        try:
            k, m = (int(v) for v in part.split("/"))
        except ValueError:
            raise ValueError(f"part takes K/M, not '{part}'") from None
    else:
        k, m = part
    if isinstance(matrices, str):
        whole = matrices.lower() in _matrix_names() or matrices in dict(_grafen.matrices())
        named = [matrices] if whole else (
            matrices.split(",") if "," in matrices else list(matrices))
    else:
        named = list(matrices)
    letters = ",".join(_grafen.matrix_letter(str(m_).strip()) for m_ in named)
    with _tempfile.TemporaryDirectory(prefix="grafen-census-") as scratch:
        path = _os.path.join(scratch, "graphs.g6")
        if isinstance(graphs, int) and not isinstance(graphs, bool):
            if not 1 <= graphs <= 32:
                raise ValueError(f"order {graphs} outside 1..32, the orders nauty-geng generates")
            with open(path, "wb") as out:
                run = _subprocess.run([_geng(), "-q"] + (["-c"] if connected else []) + [str(graphs)],
                                      stdout=out, stderr=_subprocess.PIPE, check=False)
            if run.returncode != 0:
                raise RuntimeError(f"nauty-geng failed (status {run.returncode}): "
                                   f"{run.stderr.decode(errors='replace').strip()}")
        else:
            held = _many(graphs, order)
            with open(path, "w", encoding="ascii") as out:
                out.writelines(held.graph6(i) + "\n" for i in range(len(held)))
        text = _grafen.census_table(path, letters, k, m, 0, threads, _names(joint))
    header, rows = _table(text)
    counts = {"graphs", "distinct_spectra", "with_mate", "families", "largest_family",
              "integral", "copies", "order"}
    columns = {}
    for j, name in enumerate(header):
        cells = [r[j] for r in rows]
        if name in counts:
            columns[name] = pd.Series([int(c) for c in cells], dtype="int64")
        elif name == "edges":
            columns[name] = [int(c) if c.isdigit() else c for c in cells]
        elif name == "family_sizes":
            columns[name] = [{int(a): int(b) for a, b in (p.split(":") for p in c.split(" "))}
                             if c else {} for c in cells]
        else:
            columns[name] = cells
    return pd.DataFrame(columns, columns=header)


# The drawer (grafen-draw's own modules), last: it calls back into the above.
from ._draw.api import Drawing, draw  # noqa: E402
