"""graph6 text as (order, edges), by networkx's reader, with the checks it
leaves out: the order drawn, the length and the padding bits."""

from .common import Failure, MAX_ORDER


def _networkx():
    """networkx, or a Failure that says how to install it."""
    try:
        import networkx
    except ImportError as error:
        raise Failure("Python's networkx is needed (install python3-networkx): %s" % error)
    return networkx


def _order_and_data(codes):
    """(order, the codes after the order) of graph6 codes, or None."""
    if codes[0] != 63:
        return codes[0], codes[1:]
    if len(codes) < 4 or codes[1] == 63:
        return None
    return (codes[1] << 12) | (codes[2] << 6) | codes[3], codes[4:]


def decode_graph6(text):
    """(order, edges) of one graph6 text, edges 1-based; (order, None) for an
    order above MAX_ORDER; None if it is not graph6 (the caller says why)."""
    codes = [ord(c) - 63 for c in text]
    if not codes or any(not 0 <= c <= 63 for c in codes):
        return None
    split = _order_and_data(codes)
    if split is None:
        return None
    order, data = split
    if order > MAX_ORDER:
        return order, None
    bits = order * (order - 1) // 2
    if len(data) != (bits + 5) // 6:
        return None
    # networkx reads past nonzero padding bits; such text is not graph6.
    if bits % 6 and data[-1] & ((1 << (6 - bits % 6)) - 1):
        return None
    graph = _networkx().from_graph6_bytes(text.encode("ascii"))
    # In graph6's own order, column by column, as the layout has always had them.
    edges = sorted((min(i, j) + 1, max(i, j) + 1) for i, j in graph.edges)
    return order, sorted(edges, key=lambda edge: (edge[1], edge[0]))
