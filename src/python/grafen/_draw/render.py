"""Rendering pages: SVG written here, PDF and PNG made from the SVG by
cairosvg."""

from .common import Failure, NODE_FONT, NODE_RADIUS
from .pages import node_points


def escape(text):
    """text as SVG character data."""
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def svg_page(page):
    """The page as an SVG document (bytes): frames, texts, edges, nodes."""
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n'
           '<svg xmlns="http://www.w3.org/2000/svg" width="%.1f" height="%.1f" '
           'viewBox="0 0 %.1f %.1f">\n' % (page.width, page.height, page.width, page.height),
           '<style>.grafen-graph rect, .grafen-family rect {fill: none; stroke: #888;} '
           '.grafen-edge {stroke: black; stroke-width: 1;} '
           '.grafen-node circle {fill: white; stroke: black;} '
           'text {font-family: Helvetica, Arial, sans-serif;} '
           'text.caption {font-family: "DejaVu Sans Mono", Courier, monospace;}</style>\n',
           '<rect width="100%" height="100%" fill="white"/>\n']
    for x, y, w, h, ident, kind in page.frames:
        out.append('<g id="%s" class="%s"><rect x="%.2f" y="%.2f" width="%.2f" height="%.2f"/></g>\n'
                   % (ident, kind, x, y, w, h))
    for x, y, text, size, style in page.texts:
        out.append('<text class="%s" x="%.2f" y="%.2f" font-size="%g">%s</text>\n'
                   % (style, x, y, size, escape(text)))
    for graph, x, y in page.graphs:
        points = node_points(graph, x, y)
        k = graph.number
        for i, j in graph.edges:
            (x1, y1), (x2, y2) = points[i - 1], points[j - 1]
            out.append('<line id="graph-%d-edge-%d-%d" class="grafen-edge" x1="%.2f" y1="%.2f" '
                       'x2="%.2f" y2="%.2f"/>\n' % (k, i, j, x1, y1, x2, y2))
        for i, (cx, cy) in enumerate(points, start=1):
            out.append('<g id="graph-%d-node-%d" class="grafen-node"><circle cx="%.2f" cy="%.2f" '
                       'r="%g"/><text x="%.2f" y="%.2f" font-size="%g" text-anchor="middle">%d'
                       '</text></g>\n' % (k, i, cx, cy, NODE_RADIUS, cx, cy + 0.35 * NODE_FONT,
                                          NODE_FONT, i))
    out.append("</svg>\n")
    return "".join(out).encode("utf-8")




def _cairosvg():
    """cairosvg's surfaces, or a Failure that says how to install it."""
    try:
        from cairosvg import surface
    except ImportError as error:
        raise Failure("PDF and PNG are made by Python's cairosvg (install python3-cairosvg): %s"
                      % error)
    return surface


def _render(action, what, svg):
    """action(svg) with cairosvg's failures as a Failure."""
    try:
        return action(svg)
    except (ValueError, OSError, MemoryError) as error:
        raise Failure("cairosvg failed while rendering the %s: %s" % (what, error))


def pdf_document(pages):
    """One PDF with a page per page, each the size of its SVG in points."""
    import io
    surface = _cairosvg()
    output = io.BytesIO()

    class Pages(surface.PDFSurface):
        """cairosvg's PDF surface, every SVG a new page of one document."""
        shared = None

        def _create_surface(self, width, height):
            """The shared PDF surface, resized to this page."""
            if Pages.shared is None:
                Pages.shared = self.surface_class(self.output, width, height)
            else:
                Pages.shared.set_size(width, height)
            return Pages.shared, width, height

    def one_page(svg):
        # 72 dots an inch: one SVG unit is one point, as the pages are laid out.
        rendered = Pages(surface.Tree(bytestring=svg), output, 72)
        rendered.context.show_page()

    for page in pages:
        _render(one_page, "PDF", svg_page(page))
    if Pages.shared is not None:
        Pages.shared.finish()
    return output.getvalue()


# A PNG of a page of thousands of graphs at full size would take gigabytes
# of memory (and cairo draws at most 32767 pixels a side): such a page is
# scaled down to fit, as Graphviz did.
MAX_PNG_PIXELS = 25 * 1000 * 1000
MAX_PNG_SIDE = 32767


def png_scale(width, height):
    """Pixels a point for a page of width x height points: 96/72, less when
    the PNG would exceed MAX_PNG_PIXELS or MAX_PNG_SIDE."""
    scale = 96 / 72
    scale = min(scale, (MAX_PNG_PIXELS / (width * height)) ** 0.5)
    return min(scale, MAX_PNG_SIDE / width, MAX_PNG_SIDE / height)


def png_page(page):
    """The page as PNG at 96 dots an inch (the size a browser shows the SVG
    at, and about the size Graphviz rendered it at), smaller for huge pages."""
    surface = _cairosvg()
    scale = png_scale(page.width, page.height)

    def convert(svg):
        return surface.PNGSurface.convert(bytestring=svg, scale=scale)

    return _render(convert, "PNG", svg_page(page))
