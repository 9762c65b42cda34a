"""The captions of cospectral families: the characteristic polynomial the
family shares, exactly, from grafen's own binding."""

MATRICES = (("L", "Laplacian"), ("Q", "signless Laplacian"), ("A", "adjacency"))


def charpoly(graph, letter):
    """det(xI - M) of the graph's matrix M (letter "L", "Q" or "A") as
    ints, highest power first."""
    from .. import spectrum
    pairs = [(i - 1, j - 1) for i, j in graph.edges]
    return spectrum(pairs, letter, order=graph.order).charpoly


def poly_text(coefficients):
    """The polynomial as text: "x^4 - 6x^3 + 9x^2 - 4x"."""
    n = len(coefficients) - 1
    terms = []
    for power, c in zip(range(n, -1, -1), coefficients):
        if c == 0:
            continue
        size = abs(c)
        body = ("x" if power == 1 else "x^%d" % power) if power else ""
        body = (str(size) + body) if size != 1 or not body else body
        terms.append(("-" if c < 0 else "+", body))
    if not terms:
        return "0"
    text = ("-" if terms[0][0] == "-" else "") + terms[0][1]
    return text + "".join(" %s %s" % term for term in terms[1:])


def shared_polynomial(family, letters="LQA"):
    """The caption of a family: the characteristic polynomial of the first
    of the matrices `letters` names (of L, Q, A, in that order) that all its
    graphs share, or None."""
    for letter, long_name in MATRICES:
        if letter not in letters:
            continue
        polys = set()
        for graph in family:
            polys.add(tuple(charpoly(graph, letter)))
            if len(polys) > 1:
                break
        if len(polys) == 1:
            return "%s polynomial: %s" % (long_name, poly_text(polys.pop()))
    return None
