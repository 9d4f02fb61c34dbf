#include "app/print_layout.h"

#include <gtest/gtest.h>

#include <array>

namespace nvk::app {
namespace {

struct PlacementCase {
  int pictureWidth, pictureHeight, pageWidth, pageHeight;
  PageRect expected;
};

TEST(PrintLayout, PicturesFillThePageWithTheirProportionsKeptAndCentred) {
  const PlacementCase cases[] = {
      // A full frame on an A4 page at 600 dpi (4961 x 7016): the width limits; 2024 x 4961 /
      // 3040 = 3302.98 rounds down.
      {3040, 2024, 4961, 7016, {0, 1857, 4961, 3302}},
      // The same page in landscape is still narrower than the frame (1.414 < 1.502).
      {3040, 2024, 7016, 4961, {0, 145, 7016, 4671}},
      // A wide page: the height limits; 3040 x 1000 / 2024 = 1501.98.
      {3040, 2024, 3000, 1000, {749, 0, 1501, 1000}},
      // The 128 x 128 focus window is scaled up to the shorter side.
      {128, 128, 1000, 600, {200, 0, 600, 600}},
      // Exactly the page's proportions: the whole page.
      {760, 506, 1520, 1012, {0, 0, 1520, 1012}},
      // A picture larger than the page is scaled down; odd leftovers go to the far side.
      {1520, 1012, 101, 300, {0, 116, 101, 67}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pictureWidth << "x" << c.pictureHeight << " on "
                                    << c.pageWidth << "x" << c.pageHeight);
    const PageRect r = placeOnPage(c.pictureWidth, c.pictureHeight, c.pageWidth, c.pageHeight);
    EXPECT_EQ(r, c.expected);
    EXPECT_LE(r.x + r.width, c.pageWidth);
    EXPECT_LE(r.y + r.height, c.pageHeight);
  }
}

TEST(PrintLayout, NothingIsPlacedWithoutAPictureOrAPage) {
  for (const auto& [pw, ph, gw, gh] :
       {std::array{0, 2024, 500, 500}, std::array{3040, 0, 500, 500},
        std::array{3040, 2024, 0, 500}, std::array{3040, 2024, 500, -1}}) {
    EXPECT_EQ(placeOnPage(pw, ph, gw, gh), PageRect{});
  }
}

}  // namespace
}  // namespace nvk::app
