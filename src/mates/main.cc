// The grafen-mates entry point: whether each graph of a stream is determined
// by its spectrum, and its cospectral mates, as CSV. All the work is in
// run.cc.
#include "mates/run.h"
#include "program/shell.h"

int main(int argc, char** argv) {
  return grafen::program::Main(argc, argv, grafen::mates::RunMates);
}
