"""What every part of the drawer shares: limits, geometry, the graph drawn
and the failure it reports."""

PROGRAM = "grafen-draw"
MAX_ORDER = 32
# grafen8.txt is under 4 MiB; a drawing of far more graphs than that is no
# picture anyone looks at, so anything larger is refused before it is read.
MAX_INPUT_BYTES = 64 * 1024 * 1024
DEFAULT_PER_PAGE = 100
MAX_PER_PAGE = 10000
FORMATS = (".svg", ".pdf", ".png")

# Geometry in points. Every node is a circle of radius NODE_RADIUS; no edge
# comes closer than CLEARANCE to the circle of a node it does not touch, and
# no two circles closer than CLEARANCE to each other.
NODE_RADIUS = 6.0
CLEARANCE = 3.0
MARGIN = 0.05        # kept beyond CLEARANCE, for the rounding of the output
PAD = 8.0            # between a drawing and its frame
LABEL_HEIGHT = 14.0  # the frame's "Graph k" line
GAP = 8.0            # between frames
CAPTION_SIZE = 8.0   # caption font size; captions are set in a monospace font
CAPTION_LINE = 11.0
NODE_FONT = 7.0
LABEL_FONT = 9.0


class Failure(ValueError):
    """A drawing that cannot be made; the text is the one-line reason."""


class Graph:
    """A graph to draw: its own number, its order and its edges (i, j),
    1 <= i < j <= order. pos is filled in by the layout."""
    __slots__ = ("number", "order", "edges", "pos")

    def __init__(self, number, order, edges):
        self.number = number
        self.order = order
        self.edges = edges
        self.pos = None


def box_size(order):
    """The side of the square a drawing of this order fills, in points."""
    return 0.0 if order <= 1 else 20.0 + 15.0 * order
