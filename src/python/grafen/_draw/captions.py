"""The captions of cospectral families: the characteristic polynomial the
family shares, exactly, from grafen's own binding."""

# Every matrix by its short name, as captions name it; L, Q and A are tried
# first, in that order, when a family's matrix is not given.
MATRICES = (("L", "Laplacian"), ("Q", "signless Laplacian"), ("A", "adjacency"),
            ("B", "non-backtracking"), ("D", "distance"), ("DL", "distance Laplacian"),
            ("DQ", "distance signless Laplacian"), ("G", "generalized"),
            ("N", "normalized Laplacian"), ("S", "Seidel"))


def charpoly(graph, letter):
    """The graph's polynomial for the matrix (its short name) as ints,
    highest power first: det(xI - M) (N's primitive polynomial); for G, A's
    and the complement's one after the other."""
    from .. import spectrum
    pairs = [(i - 1, j - 1) for i, j in graph.edges]
    if letter != "G":
        return spectrum(pairs, letter, order=graph.order).charpoly
    edges = set(pairs)
    complement = [(i, j) for i in range(graph.order) for j in range(i + 1, graph.order)
                  if (i, j) not in edges]
    return (spectrum(pairs, "A", order=graph.order).charpoly + [";"] +
            spectrum(complement, "A", order=graph.order).charpoly)


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


def shared_polynomial(family, letters=("L", "Q", "A")):
    """The caption of a family: the characteristic polynomial of the first
    of the matrices `letters` names (short names, in the order of MATRICES)
    that all its graphs share, or None."""
    for letter, long_name in MATRICES:
        if letter not in letters:
            continue
        polys = set()
        for graph in family:
            polys.add(tuple(charpoly(graph, letter)))
            if len(polys) > 1:
                break
        if len(polys) == 1:
            texts = " ".join(map(str, polys.pop())).split(" ; ")  # G's two
            return "%s polynomial%s: %s" % (long_name, "s" if len(texts) > 1 else "", "; ".join(
                poly_text([int(c) for c in t.split()]) for t in texts))
    return None
