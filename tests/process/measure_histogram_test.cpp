#include "process/measure_histogram.h"

#include <gtest/gtest.h>

namespace nvk::process {
namespace {

// Each line is count / 5 high (integer division), cut at 210 and then marked for the second
// colour.
TEST(DisplayHistogram, LineHeightsAndCut) {
  DisplayHistogram h;
  const struct {
    std::uint64_t count;
    int height;
    bool cut;
  } cases[] = {{0, 0, false},      {4, 0, false},      {5, 1, false},     {9, 1, false},
               {1050, 210, false}, {1054, 210, false}, {1055, 210, true}, {999999, 210, true}};
  for (const auto& c : cases) {
    h.counts[7] = c.count;
    EXPECT_EQ(h.line(7).height, c.height) << c.count;
    EXPECT_EQ(h.line(7).cut, c.cut) << c.count;
  }
}

// The listing: the heading, then the first fifteen cut values as "%04d  %9ld\n" with the count
// rounded down to a multiple of 5.
TEST(DisplayHistogram, ListingNamesTheFirstFifteenCutValues) {
  DisplayHistogram h;
  h.counts[3] = 1054;  // not cut: 210 exactly
  h.counts[4] = 1057;  // cut, listed as 1055
  h.counts[255] = 123456789;
  for (int v = 10; v < 30; ++v)
    h.counts[static_cast<std::size_t>(v)] = 2000 + v;
  const std::string expected =
      "val   count \n"
      "0004       1055\n"
      "0010       2010\n"
      "0011       2010\n"
      "0012       2010\n"
      "0013       2010\n"
      "0014       2010\n"
      "0015       2015\n"
      "0016       2015\n"
      "0017       2015\n"
      "0018       2015\n"
      "0019       2015\n"
      "0020       2020\n"
      "0021       2020\n"
      "0022       2020\n"
      "0023       2020\n";
  EXPECT_EQ(h.listing(), expected);
  DisplayHistogram empty;
  EXPECT_EQ(empty.listing(), "val   count \n");
  DisplayHistogram big;
  big.counts[255] = 123456789;
  EXPECT_EQ(big.listing(), "val   count \n0255  123456785\n");
}

}  // namespace
}  // namespace nvk::process
