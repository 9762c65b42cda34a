"""Layouts: Graphviz's neato for every graph in one run; a drawing that fails
the check is replaced by a Tutte drawing of the planar embedding, or, for a
graph that is not planar, by the nodes on a circle; failing that, a local
search on the check itself moves single nodes until the drawing passes."""

import math
import subprocess
import sys
import time

from .check import Checker
from .common import Failure, PROGRAM, box_size


class Layouts(Checker):
    """The candidate layouts of a graph and the choice among them."""

    def tutte_starts(self, embedding, n, count):
        """Tutte drawings of the graph's planar embedding, one for each of its
        count largest faces as the outer face: the embedding is made connected
        and 2-connected (networkx adds the edges), the outer face goes on a
        circle, every other face gets a star of extra edges from a new node
        inside it, and every node off the circle sits at the mean of its
        neighbours. The extra nodes and edges are not drawn."""
        np, nx = self.np, self.nx
        components = [next(iter(c)) for c in nx.connected_components(embedding)]
        for a, b in zip(components, components[1:]):
            embedding.connect_components(a, b)
        faces, seen = [], set()
        for v in embedding.nodes():
            for w in embedding.neighbors_cw_order(v):
                face = self.bi_connect(embedding, v, w, seen)
                if face:
                    faces.append(face)
        faces.sort(key=len, reverse=True)
        for outer in faces[:count]:
            inner_faces = [f for f in faces if f is not outer and len(f) > 3]
            size = n + len(inner_faces)
            neighbours = [set(embedding.neighbors(v)) for v in range(n)] + [set() for _ in inner_faces]
            for k, face in enumerate(inner_faces, start=n):
                for v in face:
                    neighbours[k].add(v)
                    neighbours[v].add(k)
            X = np.zeros((size, 2))
            for t, v in enumerate(outer):
                X[v] = (math.cos(2 * math.pi * t / len(outer)), math.sin(2 * math.pi * t / len(outer)))
            on_outer = set(outer)
            free = [v for v in range(size) if v not in on_outer]
            if free:
                index = {v: t for t, v in enumerate(free)}
                A = np.zeros((len(free), len(free)))
                B = np.zeros((len(free), 2))
                for v in free:
                    A[index[v], index[v]] = len(neighbours[v])
                    for w in neighbours[v]:
                        if w in index:
                            A[index[v], index[w]] -= 1
                        else:
                            B[index[v]] += X[w]
                X[free] = np.linalg.solve(A, B)
            yield X[:n]

    def circle(self, X):
        """The nodes on a circle in the angular order of X around its centre."""
        np = self.np
        n = len(X)
        centre = X.mean(0)
        order = np.argsort(np.arctan2(X[:, 1] - centre[1], X[:, 0] - centre[0]), kind="stable")
        Y = np.zeros((n, 2))
        angles = 2 * math.pi * np.arange(n) / n
        Y[order, 0], Y[order, 1] = np.cos(angles), np.sin(angles)
        return Y

    def place(self, graph, neato):
        """The drawing of graph: the first candidate that passes the check,
        else the one closest to passing. Returns (positions, shortfall)."""
        np, nx = self.np, self.nx
        n = graph.order
        side = box_size(n)
        if n == 1:
            return [(0.0, 0.0)], 0
        E = np.array([(i - 1, j - 1) for i, j in graph.edges], dtype=int).reshape(-1, 2)
        h = nx.Graph()
        h.add_nodes_from(range(n))
        h.add_edges_from(E.tolist())
        planar, embedding = nx.check_planarity(h)
        best, best_count = None, None

        def candidates():
            yield self.fit(neato, side)
            if planar:
                rng = np.random.default_rng(graph.number)
                starts = [self.fit(start, side) for start in self.tutte_starts(embedding, n, 3)]
                starts.sort(key=lambda X: self.shortfalls(X[None], E, True)[0])
                for start in starts:
                    yield start
                for start in starts:
                    yield self.repair(start, E, True, side, 80, rng)
                yield self.fit(np.array([nx.planar_layout(h)[v] for v in range(n)]), side)
            else:
                yield self.fit(self.circle(neato), side)

        for X in candidates():
            count = self.shortfalls(X[None], E, planar)[0]
            if best_count is None or count < best_count:
                best, best_count = X, count
            if count == 0:
                break
        # The rare hard case: a longer search from the best drawing so far.
        rng = np.random.default_rng(graph.number)
        for _ in range(10):
            if best_count == 0:
                break
            X = self.repair(best, E, planar, side, 200, rng)
            count = self.shortfalls(X[None], E, planar)[0]
            if count <= best_count:
                best, best_count = X, count
        return [tuple(map(float, p)) for p in best], best_count


def neato_layouts(graphs, neato):
    """neato's layout of every graph, in one run: a list of n x 2 lists."""
    source = []
    for k, graph in enumerate(graphs):
        source.append("graph g%d {\n" % k)
        source.append("".join("%d;" % i for i in range(1, graph.order + 1)))
        source.append("".join("%d--%d;" % e for e in graph.edges))
        source.append("}\n")
    try:
        result = subprocess.run([neato, "-Tplain"], input="".join(source).encode("ascii"),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    except OSError as error:
        raise Failure("cannot run %s: %s" % (neato, error.strerror or error))
    if result.returncode != 0:
        complaint = result.stderr.decode("utf-8", "replace").strip().splitlines()
        raise Failure("Graphviz failed while laying out the graphs (neato exit status %d)%s"
                      % (result.returncode, (": " + complaint[0]) if complaint else ""))
    layouts = []
    current = None
    for line in result.stdout.decode("ascii", "replace").splitlines():
        fields = line.split()
        if not fields:
            continue
        if fields[0] == "graph":
            current = {}
        elif fields[0] == "node" and current is not None and len(fields) >= 4:
            try:
                current[int(fields[1])] = (float(fields[2]), float(fields[3]))
            except ValueError:
                break
        elif fields[0] == "stop" and current is not None:
            layouts.append(current)
            current = None
    for graph, layout in zip(graphs, layouts):
        if sorted(layout) != list(range(1, graph.order + 1)):
            break
    else:
        if len(layouts) == len(graphs):
            return [[layout[i] for i in range(1, g.order + 1)] for g, layout in zip(graphs, layouts)]
    raise Failure("Graphviz's neato gave a layout cut short or not of these graphs")


class Progress:
    """A progress line on standard error, only when it is a terminal."""

    def __init__(self, total):
        """A progress line over total graphs."""
        self.total = total
        self.shown = sys.stderr.isatty()
        self.last = 0.0

    def update(self, done, what):
        """Shows "what done of total graphs", at most four times a second."""
        if self.shown and (time.monotonic() - self.last > 0.25 or done == self.total):
            self.last = time.monotonic()
            sys.stderr.write("\r%s: %s %d of %d graphs" % (PROGRAM, what, done, self.total))
            sys.stderr.flush()

    def end(self):
        """Clears the progress line."""
        if self.shown:
            sys.stderr.write("\r\033[K")
            sys.stderr.flush()


def lay_out(graphs, neato):
    """Sets every graph's pos; returns the graphs whose best drawing still
    breaks the check."""
    layouts = Layouts()
    np = layouts.np
    progress = Progress(len(graphs))
    progress.update(0, "laying out")
    starts = neato_layouts([g for g in graphs if g.order > 1], neato)
    starts.reverse()
    failing = []
    for done, graph in enumerate(graphs, start=1):
        start = np.array(starts.pop(), dtype=float) if graph.order > 1 else None
        graph.pos, count = layouts.place(graph, start)
        if count:
            failing.append(graph)
        progress.update(done, "laid out")
    progress.end()
    return failing


