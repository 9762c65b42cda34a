// Micro-benchmarks of the sieve paths and the writers.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "cli/command_line.h"
#include "cli/text_out.h"
#include "enumeration/codes.h"
#include "enumeration/fast_sieve.h"
#include "enumeration/sieve.h"
#include "results/edge_list.h"
#include "results/laplacian_script.h"

namespace grafen {
namespace {

// The fast sieve over a whole order: every class minimum in order.
void BM_FastSieve(benchmark::State& state) {
  const auto order = static_cast<std::int32_t>(state.range(0));
  std::size_t classes = 0;
  for (auto _ : state) {
    const std::vector<EdgeCode> minima = ClassMinima(order);
    classes = minima.size();
    benchmark::DoNotOptimize(minima.data());
  }
  state.counters["classes"] = static_cast<double>(classes);
}
BENCHMARK(BM_FastSieve)->DenseRange(5, 8)->Unit(benchmark::kMillisecond);

// One representative marked the literal way: Order! - 1 relabellings.
void BM_LiteralMarkClass(benchmark::State& state) {
  Order = static_cast<std::int32_t>(state.range(0));
  Console.fd = ::open("/dev/null", O_WRONLY);
  AllocateSeenSet(Power2(MaxEdgesOf(Order)));
  SetLength(Perm, Order);
  SetLength(Position, Order + 1);
  for (auto _ : state) MarkClass(Power2(MaxEdgesOf(Order) / 2) - 1, MaxEdgesOf(Order));
  state.SetItemsProcessed(state.iterations() * (Factorial(Order) - 1));
  ReleaseSeenSet();
  Flush(Console);
  ::close(Console.fd);
}
BENCHMARK(BM_LiteralMarkClass)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond);

// Both writers for one order-8 graph, to /dev/null: formatting and calls.
void BM_WriteOneGraph(benchmark::State& state) {
  Order = 8;
  Console.fd = ::open("/dev/null", O_WRONLY);
  EdgeFile = CreateTextFile("/dev/null");
  ScriptFile = CreateTextFile("/dev/null");
  const AdjMatrix m = MatrixFromCode(0x5A5A5A5);
  for (auto _ : state) {
    WriteEdgeList(m);
    WriteLaplacianScript(m);
  }
  Close(EdgeFile);
  Close(ScriptFile);
  Flush(Console);
  ::close(Console.fd);
}
BENCHMARK(BM_WriteOneGraph);

}  // namespace
}  // namespace grafen

BENCHMARK_MAIN();
