"""The check every drawing must pass, and the local search on it: no node
nearer than the clearance to another node or to an edge it is not on, no
crossing in a planar graph."""

from .common import CLEARANCE, Failure, MARGIN, NODE_RADIUS


class Checker:
    """Clearance and crossing checks and the local search, with numpy
    and networkx loaded once."""

    def __init__(self):
        try:
            import numpy
            import networkx
            from networkx.algorithms.planar_drawing import make_bi_connected
        except ImportError as error:
            raise Failure("Python's networkx and numpy are needed (install python3-networkx "
                          "and python3-numpy): %s" % error)
        self.np = numpy
        self.nx = networkx
        self.bi_connect = make_bi_connected
        self.cached_key = None

    def fit(self, X, side):
        """X scaled uniformly and moved so that it fills [0, side]^2 at most,
        centred along its shorter extent."""
        np = self.np
        low = X.min(0)
        extent = X.max(0) - low
        longest = extent.max()
        if longest < 1e-9:
            return np.zeros_like(X) + side / 2
        Y = (X - low) * (side / longest)
        return Y + (side - extent * (side / longest)) / 2

    def masks(self, E, n):
        """The pairs the check looks at, for the edges E of a graph of order n:
        the node pairs, the (edge, node) pairs where the node is not an end
        of the edge, the pairs of edges without a common node. Kept for the
        last graph asked about, which is asked about again and again."""
        np = self.np
        key = (n, E.tobytes())
        if self.cached_key != key:
            other = np.ones((len(E), n))
            rows = np.arange(len(E))
            other[rows, E[:, 0]] = 0
            other[rows, E[:, 1]] = 0
            share = ((E[:, None, 0] == E[None, :, 0]) | (E[:, None, 0] == E[None, :, 1])
                     | (E[:, None, 1] == E[None, :, 0]) | (E[:, None, 1] == E[None, :, 1]))
            self.cached_key = key
            self.cached = (np.triu_indices(n, 1), other, ~share)
        return self.cached

    def shortfalls(self, X, E, planar):
        """For each drawing X[k] (X is K x n x 2), how far it is from passing
        the check: the clearance missing summed over the pairs too close, plus
        a large amount per crossing of a planar graph."""
        np = self.np
        upper, other, apart = self.masks(E, X.shape[1])
        delta = X[:, upper[0], :] - X[:, upper[1], :]
        gaps = np.sqrt((delta * delta).sum(-1))
        total = np.maximum(2 * NODE_RADIUS + CLEARANCE + MARGIN - gaps, 0).sum(1)
        if len(E):
            a, b = X[:, E[:, 0]], X[:, E[:, 1]]
            d = b - a
            length = np.maximum((d * d).sum(-1), 1e-12)
            t = ((X[:, None, :, :] - a[:, :, None, :]) * d[:, :, None, :]).sum(-1) / length[:, :, None]
            t = np.minimum(np.maximum(t, 0), 1)
            off = a[:, :, None, :] + t[:, :, :, None] * d[:, :, None, :] - X[:, None, :, :]
            distance = np.sqrt((off * off).sum(-1))
            total = total + (np.maximum(NODE_RADIUS + CLEARANCE + MARGIN - distance, 0)
                             * other).sum((1, 2))
            if planar and len(E) > 1:
                def orient(p, q, r):
                    return ((q[..., 0] - p[..., 0]) * (r[..., 1] - p[..., 1])
                            - (q[..., 1] - p[..., 1]) * (r[..., 0] - p[..., 0]))
                o1 = orient(a[:, :, None], b[:, :, None], a[:, None, :]) > 0
                o2 = orient(a[:, :, None], b[:, :, None], b[:, None, :]) > 0
                split = o1 != o2
                crossing = split & split.transpose(0, 2, 1) & apart
                total = total + 500.0 * crossing.sum((1, 2))
        return total

    def repair(self, X, E, planar, side, rounds, rng):
        """A local search on the check itself: a random node moves to the best
        of a few random places near it or anywhere in the square, while that
        lowers the shortfall."""
        np = self.np
        n = len(X)
        X = self.fit(X, side)
        score = self.shortfalls(X[None], E, planar)[0]
        for _ in range(rounds):
            if score == 0:
                break
            v = int(rng.integers(n))
            tries = np.repeat(X[None], 16, axis=0)
            tries[:10, v] += rng.normal(0, 0.12 * side, (10, 2))
            tries[10:, v] = rng.uniform(0, side, (6, 2))
            np.clip(tries, 0, side, out=tries)
            values = self.shortfalls(tries, E, planar)
            k = int(values.argmin())
            if values[k] < score:
                X, score = tries[k], values[k]
        return self.fit(X, side)

