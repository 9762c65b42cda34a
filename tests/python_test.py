"""The Python module grafen against facts that share no code with it.

Run: PYTHONPATH=BUILD/python /usr/bin/python3 -m pytest tests/python_test.py
Oracles: SymPy's characteristic polynomials and factorisations, numpy's
eigenvalues, sign changes of each factor at its interval's ends (Fraction
arithmetic), Cayley's n^(n-2) spanning trees of K_n; published facts: the
Petersen graph's adjacency spectrum 3, 1^5, (-2)^4 and 2000 spanning trees,
K_{1,4} and C_4 + K_1 the smallest A-cospectral pair, 1722 graphs of order 8
with an A-mate (OEIS A006608) and 42595 of order 9 with an L-mate (Haemers and
Spence). The drawer: edges drawn against networkx's, captions against
SymPy's polynomials.
"""
import re
import shutil
import subprocess
import xml.etree.ElementTree as ElementTree
from fractions import Fraction

import networkx as nx
import numpy as np
import pytest
import sympy

import grafen

MATRICES = sorted(set(grafen.matrices()) - {"B"})  # B's eigenvalues are complex
SINGLE = ["A", "L", "Q", "S"]  # integer matrices of every graph; G is two spectra
STAR, C4K1 = nx.star_graph(4), nx.disjoint_union(nx.cycle_graph(4), nx.empty_graph(1))


def numeric(g, letter):
    a = nx.to_numpy_array(g, nodelist=sorted(g), dtype=int)
    d = np.diag(a.sum(axis=1))
    seidel = np.ones_like(a) - np.eye(len(a), dtype=int) - 2 * a
    if letter == "N":
        s = np.diag([x ** -0.5 if x else 0 for x in a.sum(axis=1)])
        return np.eye(len(a)) - s @ a @ s
    if letter.startswith("D"):  # connected graphs only
        dist = nx.floyd_warshall_numpy(g, nodelist=sorted(g)).astype(int)
        t = np.diag(dist.sum(axis=1))
        return {"D": dist, "DL": t - dist, "DQ": t + dist}[letter]
    return {"A": a, "L": d - a, "Q": d + a, "S": seidel}[letter]


def sample():
    return [nx.gnp_random_graph(n, p, seed=n * 7 + k) for n in (1, 2, 5, 7, 9, 11)
            for k, p in enumerate((0.3, 0.5, 0.8))] + [nx.petersen_graph(), nx.path_graph(6)]


def value(coefficients, x):
    v = 0
    for c in coefficients:
        v = v * x + c
    return v


@pytest.mark.parametrize("letter", SINGLE)
def test_exact_values_against_sympy_and_numpy(letter):
    x = sympy.symbols("x")
    for g in sample():
        m = numeric(g, letter)
        s = grafen.spectrum(g, letter, digits=8)
        expected = sympy.Matrix(m.tolist()).charpoly(x)
        assert s.charpoly == grafen.charpoly(g, letter) == [int(c) for c in expected.all_coeffs()]
        product = sympy.prod(sympy.Poly(f.coefficients, x).as_expr() ** f.multiplicity
                             for f in s.factors)
        assert sympy.expand(product - expected.as_expr()) == 0
        assert all(sympy.Poly(f.coefficients, x).is_irreducible for f in s.factors)
        truth = np.linalg.eigvalsh(m)
        assert np.allclose(s.floats, truth, atol=1e-9)
        for e, t in zip(s.exact, truth):
            if e.integer is None:  # an open interval with a sign change of its factor
                assert float(e.low) - 1e-9 <= t <= float(e.high) + 1e-9
                assert value(e.factor.coefficients, e.low) * value(e.factor.coefficients,
                                                                   e.high) < 0
                unit = 10.0 ** (np.floor(np.log10(abs(float(e.text)))) - 7)  # of 8 digits
                assert abs(float(e.text) - t) <= 0.5 * unit + 1e-12
            else:
                assert e.low == e.high == e.integer == round(t) == int(e.text)
        assert s.integral == all(e.integer is not None for e in s.exact)


def test_published_facts_and_big_integers():
    with pytest.raises(ValueError, match="generalized spectrum is two spectra"):
        grafen.spectrum(STAR, "generalized")
    p = grafen.spectrum(nx.petersen_graph(), "A")
    assert p.eigenvalues == ["-2"] * 4 + ["1"] * 5 + ["3"]
    assert p.spanning_trees == 2000 and p.integral and "-2^4, 1^5, 3;" in repr(p)
    k = grafen.spectrum(nx.complete_graph(30), "L")
    assert k.spanning_trees == 30 ** 28  # Cayley; far beyond 64 bits
    x = sympy.symbols("x")
    assert k.charpoly == sympy.Poly(x * (x - 30) ** 29, x).all_coeffs()
    assert grafen.spectrum(nx.empty_graph(1)).algebraic_connectivity is None
    # Every form of one graph gives one spectrum.
    forms = [STAR, "D?{", b"D?{\n", nx.to_numpy_array(STAR, dtype=int), nx.to_numpy_array(STAR),
             nx.to_numpy_array(STAR, dtype=int).tolist(), [(0, 1), (0, 2), (0, 3), (0, 4)],
             [(np.int64(0), np.int64(k)) for k in range(1, 5)]]
    assert len({tuple(grafen.spectrum(f, "A").charpoly) for f in forms}) == 1
    relabelled = nx.relabel_nodes(STAR, {0: "e", 1: "a", 2: "b", 3: "c", 4: "d"})
    assert grafen.spectrum(relabelled, "L").charpoly == grafen.spectrum(STAR, "L").charpoly
    assert grafen.spectrum(relabelled, "A", nodelist=list("eabcd")).charpoly == [1, 0, -4, 0, 0, 0]


def test_table_columns_and_mates():
    df = grafen.spectra([STAR, C4K1, nx.relabel_nodes(C4K1, {0: 4, 4: 0})], matrix="A")
    assert list(df.columns) == (
        "graph,nodes,edges,graph6,degrees,adjacency_charpoly,adjacency_factored,"
        "adjacency_eigenvalues,algebraic_connectivity,spanning_trees,adjacency_integral,"
        "adjacency_cospectral_with,isomorphic_to").split(",")
    assert df.adjacency_cospectral_with.tolist() == [[2, 3], [1], [1]]
    assert df.isomorphic_to.isna().tolist() == [True, True, False] and df.isomorphic_to[2] == 2
    assert df.degrees[0] == [4, 1, 1, 1, 1] and df.spanning_trees.tolist() == [1, 0, 0]
    assert df.nodes.dtype == np.int64 and df.adjacency_integral.dtype == bool
    families = grafen.cospectral_families([STAR, C4K1, C4K1, nx.path_graph(5)], "A")
    assert families.graphs.tolist() == [[0, 1]] and families["size"].tolist() == [2]


def geng(*arguments):
    return subprocess.run(["nauty-geng", "-q", *arguments], check=True, capture_output=True).stdout


@pytest.mark.parametrize("letter", MATRICES)
def test_every_connected_graph_of_order_7(letter, tmp_path):
    stream = geng("-c", "7")
    (tmp_path / "c7.g6").write_bytes(stream)
    df = grafen.spectra(stream, letter, digits=6, threads=2)
    assert len(df) == 853
    assert df.equals(grafen.spectra(str(tmp_path / "c7.g6"), letter, digits=6, threads=1))
    prefix = "" if letter == "L" else grafen.matrices()[letter].replace("-", "_") + "_"
    for g6, values in zip(df.graph6, df[prefix + "eigenvalues"]):
        g = nx.from_graph6_bytes(g6.encode())
        if letter == "G":  # the graph's adjacency spectrum, then its complement's
            values = [v for part in values.split(";") for v in part.split()]
            truth = np.concatenate([np.linalg.eigvalsh(numeric(h, "A"))
                                    for h in (g, nx.complement(g))])
        else:
            truth = np.linalg.eigvalsh(numeric(g, letter))
        assert np.allclose([float(v) for v in values], truth, rtol=5e-6, atol=1e-9)


def test_published_counts():
    families = grafen.cospectral_families(geng("8"), "A")
    assert families["size"].sum() == 1722
    census = grafen.census(9, ["L", "A"], threads=2, joint="A,L")
    total = census[census.edges == "all"]  # A+L: 82 graphs, as census_test finds from the families
    assert total.matrix.tolist() == ["A", "A+L", "L"] and total.graphs.tolist() == [274668] * 3
    assert total.with_mate.tolist() == [51039, 82, 42595]
    assert census.family_sizes.iloc[-1] and all(isinstance(k, int) for k in census.edges[:-3])


@pytest.mark.parametrize("graph, error, message", [
    ("D?", ValueError, "graph6 of order 5 has 3 bytes, not 2"),
    (":Fa@x^", ValueError, "sparse6 is not read"),
    ([(0, 1), (1, 1)], ValueError, "loop at node 1"),
    ([(0, 1), (0, 1)], ValueError, "edge 0 1 given twice"),
    ([(0, 1), (2, 9)], ValueError, "node 9 outside 0..3"),
    (np.array([[0, 1], [0, 0]]), ValueError, "not symmetric"),
    (np.array([[0, 2], [2, 0]]), ValueError, "not 0 or 1"),
    (nx.DiGraph([(0, 1)]), TypeError, "directed"),
    (nx.complete_graph(63), ValueError, "order 63, outside 1..62"),
    (3.5, TypeError, "not float"),
    ([(0, 1.5)], TypeError, "whole numbers from 0"),
])
def test_bad_input(graph, error, message):
    with pytest.raises(error, match=message):
        grafen.spectrum(graph, order=4)


def test_bad_options_and_stream(monkeypatch):
    for options, message in [({"matrix": "X"}, "matrix takes"), ({"digits": 41}, "1 to 40")]:
        with pytest.raises(ValueError, match=message):
            grafen.spectrum("Bw", **options)
    with pytest.raises(ValueError, match="<text>:2: not graph6"):
        grafen.spectra(b"Bw\nBx\n")
    monkeypatch.setenv("PATH", "/nonexistent")
    with pytest.raises(RuntimeError, match="nauty-geng not found"):
        grafen.census(5)
    assert shutil.which("nauty-geng") is None


def drawn(svg):
    """{graph number: set of edges (i, j)} and the captions of an SVG page."""
    root, edges = ElementTree.fromstring(svg), {}
    for element in root.iter():
        match = re.fullmatch(r"graph-([0-9]+)(?:-edge-([0-9]+)-([0-9]+))?", element.get("id") or "")
        if match:
            k, i, j = (int(g) if g else None for g in match.groups())
            edges.setdefault(k, set()).update({(i, j)} if i else set())
    captions = [t.text for t in root.iter("{http://www.w3.org/2000/svg}text")
                if t.get("class") == "caption"]
    return edges, captions


def test_draw_graphs_families_and_spectra(tmp_path):
    petersen = {(i + 1, j + 1) for i, j in nx.petersen_graph().edges}
    drawing = grafen.draw([nx.petersen_graph(), "Cr"], tmp_path / "two.svg")
    assert drawing.paths == [str(tmp_path / "two.svg")]
    assert (tmp_path / "two.svg").read_text() == drawing.svg[0] == drawing._repr_svg_()
    assert drawn(drawing.svg[0])[0] == {1: petersen, 2: {(1, 2), (1, 3), (2, 4), (3, 4)}}
    pdf = grafen.draw(["Cr", "C~", "Cs"], tmp_path / "three.pdf", per_page=2)
    pages = re.findall(rb"/Type\s*/Page\b", (tmp_path / "three.pdf").read_bytes())
    assert len(pages) == len(pdf.svg) == 2
    # The families' caption is the polynomial they share: SymPy's, of K_{1,4}'s A.
    frame = grafen.cospectral_families([STAR, C4K1, nx.path_graph(5)], "A")
    edges, captions = drawn(grafen.draw(frame, families=True).svg[0])
    x = sympy.Symbol("x")
    text = re.sub(r"([0-9])x", r"\1*x", captions[0].split(": ")[1]).replace("^", "**")
    assert sympy.expand(sympy.sympify(text) - sympy.Matrix(numeric(STAR, "A")).charpoly(x).as_expr()) == 0
    assert sorted(len(e) for e in edges.values()) == [4, 4]
    edges, captions = drawn(grafen.spectrum(nx.petersen_graph(), "A")._repr_svg_())
    assert edges == {1: petersen}
    assert " ".join(captions) == "adjacency spectrum: -2 -2 -2 -2 1 1 1 1 1 3"
    assert grafen.spectrum(nx.complete_graph(33))._repr_svg_() is None  # Jupyter shows the text


@pytest.mark.parametrize("graphs, options, message", [
    ([["Cr", "C~"]], {"families": True}, "graphs 1 2 are not a cospectral family"),
    ([[STAR, C4K1]], {"families": True, "matrix": "L"}, "not a L-cospectral family"),
    ([nx.complete_graph(33)], {}, "33 nodes: only 1 to 32"),
    ([], {}, "no graph to draw"),
    (["Cr"], {"per_page": 0}, "per_page is a whole number"),
    (["Cr"], {"output": "sheet.jpg"}, "give a .svg, .pdf or .png file"),
])
def test_draw_refuses(graphs, options, message, tmp_path):
    output = tmp_path / options.pop("output", "sheet.pdf")
    with pytest.raises(ValueError, match=message):
        grafen.draw(graphs, output, **options)
    assert list(tmp_path.iterdir()) == []


def test_draw_huge_page_to_png(tmp_path):
    # 200 grids on one page: 4448 x 4348 points, 34 million pixels at 96 dpi.
    drawing = grafen.draw([nx.grid_2d_graph(4, 4)] * 200, tmp_path / "big.png", per_page=200)
    root = ElementTree.fromstring(drawing.svg[0])
    points = float(root.get("width")), float(root.get("height"))
    head = (tmp_path / "big.png").read_bytes()[:24]
    width, height = int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")
    assert head[:8] == b"\x89PNG\r\n\x1a\n" and points[0] * points[1] * (96 / 72) ** 2 > 25e6
    assert 24e6 < width * height <= 25e6 and abs(width / height - points[0] / points[1]) < 1e-3


def test_several_matrices_and_a_joint_set():
    stream = geng("7")
    df = grafen.spectra(stream, ["L", "A", "D"], joint="A,L", threads=2)
    alone = grafen.spectra(stream, "A", threads=2)
    assert df["A_eigenvalues"].equals(alone["adjacency_eigenvalues"])
    assert df["A_cospectral_with"].equals(alone["adjacency_cospectral_with"])
    assert all(set(j) == set(a) & set(l) for j, a, l in
               zip(df["A+L_cospectral_with"], df["A_cospectral_with"], df["L_cospectral_with"]))
    connected = [nx.is_connected(nx.from_graph6_bytes(g.encode())) for g in df.graph6]
    assert df["D_integral"].isna().tolist() == [not c for c in connected]
    with pytest.raises(ValueError, match="joint takes two or more"):
        grafen.spectra(stream, joint="A")
