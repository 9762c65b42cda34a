// The grafen-spectra entry point: the Laplacian spectrum of every graph of an
// edge list, as CSV. All the work is in run.cc.
#include "program/shell.h"
#include "spectra/run.h"

int main(int argc, char** argv) {
  return grafen::program::Main(argc, argv, grafen::spectra::RunSpectra);
}
