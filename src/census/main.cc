// The grafen-census entry point: the spectral census of a graph stream, as
// CSV. All the work is in run.cc.
#include "census/run.h"
#include "program/shell.h"

int main(int argc, char** argv) {
  return grafen::program::Main(argc, argv, grafen::census::RunCensus);
}
