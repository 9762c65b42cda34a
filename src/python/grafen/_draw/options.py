"""The command line of grafen-draw, read with argparse."""

import argparse
import os
import re

from .common import DEFAULT_PER_PAGE, MAX_ORDER, MAX_PER_PAGE

USAGE = """\
usage: grafen-draw [--graphs LIST] [--families] [--per-page K] [--order N]
                   [-o OUTPUT] [INPUT]

Draws the graphs of INPUT (a grafen edge list, graph6, or grafen-spectra's
CSV; standard input when INPUT is - or missing), each framed and labelled
with its own number. Needs Graphviz (neato), Python's networkx and numpy,
and cairosvg for PDF and PNG.

  --graphs LIST   only these graphs, by number: 28,55,100-120
  --families      cospectral families side by side, one framed row each, from
                  grafen-spectra's CSV or grafen-census's --families file
  --per-page K    graphs per page (default 100)
  --order N       nodes of every graph of an edge list (default: N of
                  grafenN.txt, else the largest node number)
  -o OUTPUT       .svg (several pages: OUTPUT-1.svg, ...), .pdf or .png
                  (default: INPUT with .svg in place of its extension)
  -h, --help      show this text
"""


class UsageError(Exception):
    """A command line that cannot be understood."""


class _Parser(argparse.ArgumentParser):
    """argparse that raises UsageError instead of printing and exiting."""

    def error(self, message):
        """Raises UsageError(message)."""
        raise UsageError(message)


class _Once(argparse.Action):
    """Stores a non-empty value and refuses the option given twice."""

    def __call__(self, parser, namespace, value, option_string=None):
        """Stores value once, non-empty."""
        given = getattr(namespace, "_given", set())
        if self.dest in given:
            raise UsageError("%s given more than once" % option_string)
        if value == "":
            raise UsageError("%s needs a value" % option_string)
        namespace._given = given | {self.dest}
        setattr(namespace, self.dest, value)


def _parser():
    """The parser of grafen-draw's options; the help text is USAGE."""
    parser = _Parser(prog="grafen-draw", add_help=False, allow_abbrev=False)
    parser.add_argument("-h", "--help", action="store_true")
    parser.add_argument("-o", "--output", action=_Once)
    parser.add_argument("--graphs", action=_Once)
    parser.add_argument("--per-page", action=_Once)
    parser.add_argument("--order", action=_Once)
    parser.add_argument("--families", action="store_true")
    parser.add_argument("inputs", nargs="*")
    return parser


def parse_selection(text):
    """"28,55,100-120" as a sorted list of (first, last) ranges."""
    ranges = []
    for item in text.split(","):
        match = re.fullmatch(r"\s*([0-9]+)\s*(?:-\s*([0-9]+)\s*)?", item)
        if match is None:
            raise UsageError("--graphs wants numbers and ranges such as 28,55,100-120, not %r"
                             % text)
        first = int(match.group(1))
        last = int(match.group(2)) if match.group(2) is not None else first
        if first < 1 or last < first:
            raise UsageError("--graphs: %r is not a range of graph numbers" % item.strip())
        ranges.append((first, last))
    return sorted(ranges)


def whole_number(name, value, low, high):
    """value, a decimal text, as an int in [low, high]; UsageError otherwise."""
    if re.fullmatch(r"[0-9]+", value) is None or not low <= int(value) <= high:
        raise UsageError("--%s wants a whole number from %d to %d, not %r"
                         % (name, low, high, value))
    return int(value)


def default_output(path):
    """INPUT with .svg in place of its extension."""
    stem, extension = os.path.splitext(path)
    if extension == "" or os.path.basename(stem) == "":
        stem = path
    return stem + ".svg"


def parse_arguments(argv):
    """The options of a command line as a dict, or None for --help;
    UsageError when it cannot be understood."""
    arguments = _parser().parse_intermixed_args(argv)
    if arguments.help:
        return None
    if len(arguments.inputs) > 1:
        raise UsageError("at most one input is read")
    if arguments.inputs and arguments.inputs[0] == "":
        raise UsageError("the input's name is empty")
    options = {"input": arguments.inputs[0] if arguments.inputs else "-",
               "output": arguments.output, "families": arguments.families,
               "per_page": DEFAULT_PER_PAGE, "order": None, "graphs": None}
    if arguments.per_page is not None:
        options["per_page"] = whole_number("per-page", arguments.per_page, 1, MAX_PER_PAGE)
    if arguments.order is not None:
        options["order"] = whole_number("order", arguments.order, 1, MAX_ORDER)
    if arguments.graphs is not None:
        options["graphs"] = parse_selection(arguments.graphs)
    if options["output"] is None:
        if options["input"] == "-":
            raise UsageError("give -o when the graphs come from standard input")
        options["output"] = default_output(options["input"])
    return options
