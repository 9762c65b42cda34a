"""The drawer of grafen: grafen-draw's modules, and grafen.draw from Python.

options   the command line (argparse)
readers   edge lists and graph6 files; tables: grafen-spectra's and
          grafen-census's CSV; inputs: which reader, families, --graphs
graph6    graph6 text by networkx's reader; captions: families' polynomials
check     the clearance and crossing check; layout: the layouts
pages     pages of framed drawings; render: SVG, and PDF and PNG by cairosvg
files     page names and atomic writes; command: grafen-draw's main
api       grafen.draw and the drawings Jupyter shows
"""
