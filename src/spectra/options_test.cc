#include "spectra/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace grafen::spectra {
namespace {

std::vector<std::string_view> Arguments(const std::vector<std::string>& texts) {
  return std::vector<std::string_view>(texts.begin(), texts.end());
}

TEST(Options, ReadsEveryForm) {
  const std::vector<std::string> given = {"--order", "12", "--digits=9", "-o", "out.csv", "in.txt"};
  const Options o = ParseOptions(Arguments(given));
  EXPECT_EQ(o.order, 12);
  EXPECT_EQ(o.digits, 9);
  EXPECT_EQ(o.output, "out.csv");
  EXPECT_EQ(o.input, "in.txt");
  const std::vector<std::string> dashed = {"--output=-", "--", "-x"};
  EXPECT_EQ(ParseOptions(Arguments(dashed)).input, "-x");
  EXPECT_EQ(ParseOptions(Arguments(dashed)).output, "");
  EXPECT_EQ(ParseOptions({}).input, "-");
  const std::vector<std::string> widest = {"--order=62", "--digits", "40"};
  EXPECT_EQ(ParseOptions(Arguments(widest)).order, 62);
  EXPECT_EQ(ParseOptions(Arguments(widest)).digits, 40);
  const std::vector<std::string> padded = {"--order", "000000062"};
  EXPECT_EQ(ParseOptions(Arguments(padded)).order, 62);
}

TEST(Options, ReadsMatricesInTheTablesOrder) {
  using spectral::SpectralMatrix;
  EXPECT_EQ(ParseOptions({}).matrices, std::vector<SpectralMatrix>{SpectralMatrix::kLaplacian});
  const std::vector<std::string> one = {"--matrix", "adjacency"};
  EXPECT_EQ(ParseOptions(Arguments(one)).matrices,
            std::vector<SpectralMatrix>{SpectralMatrix::kAdjacency});
  const std::vector<std::string> several = {"--matrix=Q,seidel,L,A,Q"};
  EXPECT_EQ(ParseOptions(Arguments(several)).matrices,
            (std::vector<SpectralMatrix>{SpectralMatrix::kAdjacency, SpectralMatrix::kLaplacian,
                                         SpectralMatrix::kSignless, SpectralMatrix::kSeidel}));
  const std::vector<std::string> joint = {"--joint", "L,A"};  // its matrices, unless --matrix
  EXPECT_EQ(ParseOptions(Arguments(joint)).matrices,
            (std::vector<SpectralMatrix>{SpectralMatrix::kAdjacency, SpectralMatrix::kLaplacian}));
}

TEST(Options, RejectsWhatCannotBeObeyed) {
  for (const std::vector<std::string>& given :
       std::vector<std::vector<std::string>>{{"--order", "0"},
                                             {"--order", "63"},
                                             {"--order=x"},
                                             {"--order"},
                                             {"--digits", "41"},
                                             {"--digits=0"},
                                             {"--order", "99999999999999999999"},
                                             {"--order", "0000000062"},
                                             {"--", "a", "--", "b"},
                                             {"a", "b"},
                                             {"-o", ""},
                                             {"--unknown"},
                                             {"--help=1"},
                                             {"-o", "a.csv", "--output=b.csv"},
                                             {"--order", "3", "--order", "3"},
                                             {"--digits=3", "--digits", "4"},
                                             {"--matrix", "A", "--matrix=L"},
                                             {"--matrix", "A,L", "--matrix=Q"},
                                             {"--matrix", ""},
                                             {"--matrix", "A,"},
                                             {"--matrix", ",L"},
                                             {"--matrix", "A,,L"},
                                             {"--matrix", "A L"},
                                             {"--matrix", "A,X"},
                                             {"--joint", "A"},
                                             {"--joint", "A,A"}}) {
    EXPECT_THROW(ParseOptions(Arguments(given)), UsageError) << given[0];
  }
}

}  // namespace
}  // namespace grafen::spectra
