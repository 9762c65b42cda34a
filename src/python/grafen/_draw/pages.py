"""Pages: graphs in rows, or one framed row per cospectral family, in
points from the page's top left corner."""

import math

from .common import (CAPTION_LINE, CAPTION_SIZE, GAP, LABEL_FONT, LABEL_HEIGHT, NODE_RADIUS,
                     PAD, box_size)


class Page:
    """What one page shows, in points from its top left corner: frames
    (x, y, w, h, id), texts (x, y, text, size, style, id; style "label",
    "caption" or "node"), and graphs (graph, x, y) drawn with the top left
    corner of their square at x, y."""

    def __init__(self):
        self.width = 0.0
        self.height = 0.0
        self.frames = []
        self.texts = []
        self.graphs = []


def cell_size(order):
    """(width, height) of the frame of one drawing of this order."""
    side = box_size(order) + 2 * NODE_RADIUS + 2 * PAD
    return max(side, 70.0), side + LABEL_HEIGHT


def wrap(text, width):
    """text broken at spaces into lines of at most width characters."""
    lines, line = [], ""
    for word in text.split(" "):
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = (line + " " + word) if line else word
    return lines + [line]


def place_cell(page, graph, x, y, w, h):
    """Puts a graph's frame, label and drawing on the page."""
    page.frames.append((x, y, w, h, "graph-%d" % graph.number, "grafen-graph"))
    page.texts.append((x + 5, y + 12, "Graph %d" % graph.number, LABEL_FONT, "label"))
    side = box_size(graph.order)
    page.graphs.append((graph, x + (w - side) / 2, y + LABEL_HEIGHT + (h - LABEL_HEIGHT - side) / 2))


def grid_pages(graphs, per_page, columns):
    """Pages of per_page graphs each, in rows of `columns`."""
    w, h = cell_size(max(g.order for g in graphs))
    pages = []
    for start in range(0, len(graphs), per_page):
        page = Page()
        chunk = graphs[start:start + per_page]
        across = min(columns, len(chunk))
        for k, graph in enumerate(chunk):
            place_cell(page, graph, GAP + (k % across) * (w + GAP),
                       GAP + (k // across) * (h + GAP), w, h)
        page.width = GAP + across * (w + GAP)
        page.height = GAP + math.ceil(len(chunk) / across) * (h + GAP)
        pages.append(page)
    return pages


def place_family(page, number, caption, family, y, cell, across):
    """Puts one family's frame, caption and graphs on the page at y;
    returns the frame's height."""
    w, h = cell
    row = min(across, len(family))
    frame_w = row * (w + GAP) + GAP
    lines = wrap(caption, max(20, int((frame_w - 2 * GAP) / (0.6 * CAPTION_SIZE))))
    top = len(lines) * CAPTION_LINE + 6
    rows = math.ceil(len(family) / row)
    frame_h = top + rows * (h + GAP) + GAP - 4
    page.frames.append((GAP, y, frame_w, frame_h, "family-%d" % number, "grafen-family"))
    for t, line in enumerate(lines):
        page.texts.append((GAP + 6, y + 4 + (t + 1) * CAPTION_LINE - 2, line, CAPTION_SIZE,
                           "caption"))
    for k, graph in enumerate(family):
        place_cell(page, graph, 2 * GAP + (k % row) * (w + GAP),
                   y + top + (k // row) * (h + GAP), w, h)
    page.width = max(page.width, frame_w + 2 * GAP)
    return frame_h


def family_pages(families, per_page, columns):
    """One framed row per family (wrapped when long), whole families to a page."""
    cell = cell_size(max(g.order for _, family in families for g in family))
    across = max(2, min(columns, max(len(f) for _, f in families)))
    pages, page, count, y = [], Page(), 0, GAP
    for number, (caption, family) in enumerate(families, start=1):
        if count and count + len(family) > per_page:
            pages.append(page)
            page, count, y = Page(), 0, GAP
        count += len(family)
        y += place_family(page, number, caption, family, y, cell, across) + GAP
        page.height = y
    pages.append(page)
    return pages


def paginate(graphs, families, per_page):
    """The pages: graphs in rows of about the square root of per_page, or
    one framed row per family (wrapped when long), whole families to a page."""
    columns = max(1, math.ceil(math.sqrt(per_page)))
    if families is None:
        return grid_pages(graphs, per_page, columns)
    return family_pages(families, per_page, columns)


def node_points(graph, x, y):
    """The page coordinates of the graph's nodes (the layout's y grows up)."""
    side = box_size(graph.order)
    return [(x + px, y + side - py) for px, py in graph.pos]

