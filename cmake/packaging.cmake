# Installation and the Debian package.
#
# Included at the end of the top-level CMakeLists.txt, once the grafen target
# exists. Installs:
#   bin/grafen                   the tool
#   bin/grafen-draw              the drawer, SVG, PDF or PNG (Python 3, networkx, numpy, Graphviz,
#                                cairosvg); the command of the Python module's grafen._draw
#   bin/grafen-spectra           the exact spectra of an edge list or graph6 stream, as CSV
#   bin/grafen-census            the spectral census of a graph stream, as CSV
#   bin/grafen-mates             whether graphs are determined by their spectra, their mates, as CSV
#   share/grafen/census-array    the census of an order as a Slurm job array
#   lib/python3/dist-packages/grafen  the Python module grafen (src/python/CMakeLists.txt
#                                installs it; under a prefix other than /usr, in
#                                lib/python3.X/dist-packages, where Debian's python3 looks)
#   share/man/man1/grafen.1.gz   grafen-draw.1.gz, grafen-spectra.1.gz, grafen-census.1.gz and
#                                grafen-mates.1.gz (plain .1 without gzip)
#   share/doc/grafen/copyright   the licence (LICENSE)
#   share/doc/grafen/changelog.gz  the release history (doc/changelog)
# and sets up CPack so that `cpack -G DEB` in the build tree makes
# grafen_<version>_<arch>.deb.

if(NOT TARGET grafen)
  message(FATAL_ERROR "cmake/packaging.cmake must be included after the grafen target is defined")
endif()

include(GNUInstallDirs)

cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH GRAFEN_SOURCE_ROOT)

install(TARGETS grafen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET grafen-spectra)
  install(TARGETS grafen-spectra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET grafen-census)
  install(TARGETS grafen-census RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET grafen-mates)
  install(TARGETS grafen-mates RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The drawer's command runs the Python module's drawer: only where the module is.
if(TARGET _grafen)
  install(PROGRAMS ${GRAFEN_SOURCE_ROOT}/tools/grafen-draw DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(PROGRAMS ${GRAFEN_SOURCE_ROOT}/tools/census-array DESTINATION ${CMAKE_INSTALL_DATADIR}/grafen)

# Debian installs manual pages compressed with gzip -9n (no name, no time
# stamp, so the package is the same on every build).
set(GRAFEN_MAN_PAGES grafen.1 grafen-draw.1 grafen-spectra.1 grafen-census.1 grafen-mates.1)
find_program(GRAFEN_GZIP gzip)
if(GRAFEN_GZIP)
  set(grafen_compressed_pages "")
  foreach(grafen_page IN LISTS GRAFEN_MAN_PAGES)
    set(grafen_page_source ${GRAFEN_SOURCE_ROOT}/doc/${grafen_page})
    set(grafen_compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${grafen_page}.gz)
    add_custom_command(
      OUTPUT ${grafen_compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${GRAFEN_GZIP} -9 -n -c ${grafen_page_source} > ${grafen_compressed}
      DEPENDS ${grafen_page_source}
      COMMENT "Compressing manual page ${grafen_page}"
      VERBATIM)
    list(APPEND grafen_compressed_pages ${grafen_compressed})
  endforeach()
  set(grafen_changelog ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
  add_custom_command(
    OUTPUT ${grafen_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/doc
    COMMAND ${GRAFEN_GZIP} -9 -n -c ${GRAFEN_SOURCE_ROOT}/doc/changelog > ${grafen_changelog}
    DEPENDS ${GRAFEN_SOURCE_ROOT}/doc/changelog
    COMMENT "Compressing the changelog"
    VERBATIM)
  add_custom_target(grafen_man_pages ALL DEPENDS ${grafen_compressed_pages} ${grafen_changelog})
  # Builds that name only the grafen target (the release preset) still get
  # the pages that `cmake --install` copies.
  add_dependencies(grafen grafen_man_pages)
  install(FILES ${grafen_compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${grafen_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  list(TRANSFORM GRAFEN_MAN_PAGES PREPEND ${GRAFEN_SOURCE_ROOT}/doc/ OUTPUT_VARIABLE grafen_plain_pages)
  install(FILES ${grafen_plain_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${GRAFEN_SOURCE_ROOT}/doc/changelog DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${GRAFEN_SOURCE_ROOT}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

set(GRAFEN_PACKAGE_MAINTAINER "grafen developers <grafen@example.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME grafen)
set(CPACK_PACKAGE_VENDOR "grafen developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${GRAFEN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "connected graphs of order 1 to 8, one per isomorphism class")
set(CPACK_PACKAGE_DESCRIPTION
  "grafen N lists the simple connected graphs on N nodes (N = 1 to 8), one
representative per isomorphism class, as an edge list (grafenN.txt) and as a
Maple script that sets up each graph's Laplacian matrix and asks for its
determinant and eigenvalues (grafenN.mws). grafen-draw draws the graphs of an
edge list or of graph6, or cospectral families side by side, on SVG, PDF or
PNG pages, with layouts that keep edges clear of other nodes and draw planar
graphs without crossings. grafen-spectra writes the exact
spectrum (Laplacian, signless Laplacian or adjacency) of every graph of an
edge list or of a graph6 stream from nauty-geng as a CSV table. grafen-census
counts, per order and edge count of such a stream, the graphs, their distinct
spectra, cospectral families and integral graphs, exactly, in parts that it
can merge. grafen-mates tells whether a graph of up to 11 nodes is determined
by its spectrum, and lists its cospectral mates, among all graphs of its order
from nauty-geng. The Python module grafen gives the same exact spectra,
tables, cospectral families and census to Python, from networkx graphs, numpy
matrices, graph6 or node pairs, as pandas data frames.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GRAFEN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# grafen itself needs none of them; grafen-draw (part of the Python module)
# runs on Python 3 with networkx and numpy, lays out with Graphviz and makes
# PDF and PNG with cairosvg; grafen-mates runs nauty-geng (and the
# census of a whole order reads its graphs); the Python module grafen runs on
# python3 and makes its tables with pandas.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "python3, python3-networkx, python3-numpy, python3-pandas, python3-cairosvg, graphviz, nauty")
# census-array runs the census on a Slurm cluster.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "slurm-client")

# Depends from the libraries the binary really links, when dpkg-shlibdeps
# (package dpkg-dev) is there to read them; otherwise the C and C++ runtime
# libraries of the Debian release this is built on.
find_program(GRAFEN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(GRAFEN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  message(STATUS "dpkg-shlibdeps not found: the Debian package depends on libc6, libstdc++6 and libgcc-s1")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 11), libflint17 (>= 2.9), libgmp10")
endif()

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/run/")

include(CPack)
