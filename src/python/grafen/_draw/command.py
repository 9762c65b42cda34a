"""grafen-draw, the command: options in, files out, one line on failure.

Exit status: 0 drawn, 1 failure (one line on standard error), 2 command-line
error.
"""

import os
import shutil
import sys

from .common import FORMATS, Failure, PROGRAM
from .files import page_names, same_file, write_all
from .inputs import read_graphs
from .layout import lay_out
from .options import USAGE, UsageError, parse_arguments
from .pages import paginate
from .readers import read_input
from .render import pdf_document, png_page, svg_page


def find_neato():
    """The path of Graphviz's neato, or a Failure that says how to get it."""
    neato = shutil.which("neato")
    if neato is None:
        raise Failure("Graphviz is needed but neato is not on PATH "
                      "(install the graphviz package)")
    return neato


def render_files(pages, output):
    """[(path, bytes)] of the pages in the format output's extension names."""
    extension = os.path.splitext(output)[1].lower()
    if extension == ".pdf":
        return [(output, pdf_document(pages))]
    render = svg_page if extension == ".svg" else png_page
    return [(path, render(page)) for path, page in zip(page_names(output, len(pages)), pages)]


def warn_failing(failing):
    """The warning for drawings that still break the check, if any."""
    if failing:
        sys.stderr.write("%s: warning: %d drawings keep an edge near a node or a crossing "
                         "(graph %s%s)\n" % (PROGRAM, len(failing), failing[0].number,
                                             " and others" if len(failing) > 1 else ""))


def run(options):
    """Reads, lays out, paginates and writes as the options say."""
    output = options["output"]
    if os.path.isdir(output):
        raise Failure("cannot write %s: it is a directory" % output)
    neato = find_neato()
    name, data = read_input(options["input"])
    graphs, families = read_graphs(name, data, options)
    if families is not None:
        graphs = [g for _, family in families for g in family]
    failing = lay_out(graphs, neato)
    pages = paginate(graphs, families, options["per_page"])
    write_all(render_files(pages, output))
    warn_failing(failing)


def main(argv):
    """The command grafen-draw with these arguments; returns its exit status."""
    try:
        options = parse_arguments(argv)
    except UsageError as error:
        sys.stderr.write("%s: %s\n%s" % (PROGRAM, error, USAGE))
        return 2
    if options is None:
        sys.stdout.write(USAGE)
        return 0
    output = options["output"]
    if options["input"] != "-" and same_file(options["input"], output):
        sys.stderr.write("%s: the drawing %s would overwrite its input\n" % (PROGRAM, output))
        return 1
    if os.path.splitext(output)[1].lower() not in FORMATS:
        sys.stderr.write("%s: cannot write %s: -o takes a .svg, .pdf or .png file\n"
                         % (PROGRAM, output))
        return 2
    try:
        run(options)
    except Failure as failure:
        sys.stderr.write("%s: %s\n" % (PROGRAM, failure))
        return 1
    except KeyboardInterrupt:
        sys.stderr.write("%s: interrupted\n" % PROGRAM)
        return 130
    return 0
