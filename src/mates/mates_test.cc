#include "mates/mates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/graph6.h"

namespace grafen::mates {
namespace {

using spectral::SpectralMatrix;
constexpr SpectralMatrix kA = SpectralMatrix::kAdjacency;
constexpr SpectralMatrix kL = SpectralMatrix::kLaplacian;
constexpr SpectralMatrix kQ = SpectralMatrix::kSignless;
constexpr SpectralMatrix kS = SpectralMatrix::kSeidel;
constexpr SpectralMatrix kG = SpectralMatrix::kGeneralized;

// Each restriction nauty-geng is given is one the graph has, and none that
// the matrices allow is left out.
TEST(Restrictions, AreThoseTheMatricesAllowThatTheGraphHas) {
  struct Case {
    const char* graph6;
    std::vector<SpectralMatrix> matrices;
    std::string arguments;  // after "nauty-geng -q"
  };
  const std::vector<Case> cases = {
      {"IheA@GUAo", {kA, kL, kQ}, "-d3 -D3 10 15:15"},  // Petersen: cubic
      {"IheA@GUAo", {kA}, "-t -d3 -D3 10 15:15"},       // with 5-cycles, no triangles
      {"D?{", {kA}, "-b 5 4:4"},                        // K_{1,4}
      {"DIK", {kA}, "-b 5 4:4"},                        // C_4 + K_1, its A-mate
      {"DIK", {kL}, "5 4:4"},                           // not connected
      {"Dhc", {kA, kQ}, "-d2 -D2 5 5:5"},               // C_5
      {"Dhc", {kA}, "-t -d2 -D2 5 5:5"},                // odd: not bipartite
      {"EwCW", {kL}, "-d2 -D2 6 6:6"},                  // two triangles: not connected
      {"EwCW", {kA}, "-d2 -D2 6 6:6"},                  // nor triangle-free
      {"Ch", {kL}, "-c 4 3:3"},                         // P_4: connected
      {"Ch", {kA}, "-b 4 3:3"},                         // and bipartite
      {"Ch", {kA, kL}, "4 3:3"},                        // A and L share neither
      {"Ch", {kA, kG}, "-b 4 3:3"},                     // G holds A's spectrum
      {"@", {kL}, "-c -d0 -D0 1 0:0"},                  // K_1
      {"D~{", {kS}, "5"},     // K_5, switched on a node: K_4 + K_1, 6 edges, not regular
      {"Ch", {kL, kS}, "4"},  // S spares L's restrictions nothing either
  };
  for (const Case& c : cases) {
    ListedGraph graph;
    ASSERT_EQ(DecodeGraph6(c.graph6, kMaxOrder, graph), "") << c.graph6;
    std::string arguments;
    for (const std::string& a :
         GengArguments(RestrictionsFor(graph, graph.order, c.matrices), 0, 1))
      arguments.append(arguments.empty() ? "" : " ").append(a);
    EXPECT_EQ(arguments, "nauty-geng -q " + c.arguments) << c.graph6;
  }
  ListedGraph k2;
  ASSERT_EQ(DecodeGraph6("A_", kMaxOrder, k2), "");
  EXPECT_EQ(GengArguments(RestrictionsFor(k2, 2, {kA}), 1, 2).back(), "1/2");
}

}  // namespace
}  // namespace grafen::mates
