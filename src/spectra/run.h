// One run of grafen-spectra: command line, input, table, output, summary.
#pragma once

#include <string_view>
#include <vector>

namespace grafen::spectra {

// Runs with the arguments (program name excluded) and returns the exit
// status: 0 done, 1 bad input or a failed read or write, 2 usage error.
// Messages go to standard error as "grafen-spectra: ...".
int RunSpectra(const std::vector<std::string_view>& arguments);

}  // namespace grafen::spectra
