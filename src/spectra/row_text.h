// The spectral columns of a table row: a graph's spectrum, as values, made
// text. Nothing else makes text of a spectrum.
#pragma once

#include <string>

#include "spectral/spectrum.h"

namespace grafen::spectra {

// Appends det(xI - M)'s coefficients, highest power first, space-separated.
void AppendCharpoly(std::string& text, const algebra::Coefficients& charpoly);

// Appends the factored characteristic polynomial, "x*(x - 4)^2*(x^2 - 4*x + 2)":
// the integer roots' factors ascending, then the others in their order.
void AppendFactored(std::string& text, const spectral::Spectrum& spectrum);

// Appends the eigenvalues, ascending, space-separated: integers whole,
// others as rounded ("0.58579", "1.3e1").
void AppendEigenvalues(std::string& text, const spectral::Spectrum& spectrum);

// Appends the algebraic connectivity (nothing for a single node).
void AppendConnectivity(std::string& text, const spectral::LaplacianFacts& facts);

// Appends the spanning-tree count.
void AppendSpanningTrees(std::string& text, const spectral::LaplacianFacts& facts);

// Appends the charpoly, factored and eigenvalues columns, each followed by a
// comma; with a complement (the generalized spectrum), each holds A's then,
// after ';', the complement's.
void AppendSpectralValues(std::string& text, const spectral::Spectrum& spectrum,
                          const spectral::Spectrum* complement = nullptr);

// Appends the row's spectral columns, each followed by a comma: charpoly,
// factored, eigenvalues, algebraic connectivity, spanning trees, and 1 or 0
// for integral.
void AppendSpectrumColumns(std::string& text, const spectral::Spectrum& spectrum);

// The same for the generalized spectrum: the charpoly, factored and
// eigenvalues columns each hold A's then, after ';', the complement's; the
// Laplacian's columns are the graph's; integral when both spectra are.
void AppendGeneralizedColumns(std::string& text, const spectral::Spectrum& spectrum,
                              const spectral::Spectrum& complement);

}  // namespace grafen::spectra
