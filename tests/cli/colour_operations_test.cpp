#include "cli/colour_operations.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/program_fixture.h"

namespace nvk::cli {
namespace {

struct ColourOperations : ::testing::Test, test::ProgramFixture {
  bool run(std::string_view op) {
    const auto operation = parseColourOperation(op);
    EXPECT_TRUE(operation.has_value()) << op;
    return operation && (*operation)(program);
  }
};

TEST_F(ColourOperations, OnlyTheirOwnNamesParse) {
  for (const char* op : {"synth", "synth:daylight", "antialias", "colourundo", "mono:1", "mono:4"})
    EXPECT_TRUE(parseColourOperation(op).has_value()) << op;
  for (const char* op : {"mono", "mono:0", "mono:5", "mono:12", "synth:night", "anti", "undo"})
    EXPECT_FALSE(parseColourOperation(op).has_value()) << op;
}

TEST_F(ColourOperations, SynthesisThenAntiAliasAndUndo) {
  std::fill_n(program.planes.RawImage.begin(), program.geometry.pixelCount, std::uint16_t{1000});
  program.settings.antiAliasAfterSynthesis = false;
  EXPECT_TRUE(run("synth:daylight"));
  EXPECT_TRUE(program.state.colourConverted);
  EXPECT_TRUE(program.colour.daylightImage);
  const std::size_t inside = 500u * program.geometry.width + 500u;
  EXPECT_EQ(program.planes.ColourImage.red()[inside], 1000 * 20 / 44);
  EXPECT_TRUE(run("antialias"));
  EXPECT_EQ(program.planes.ColourImage.red()[inside], 454 + (454 + 454 + 606) / 3 % 256);
  EXPECT_TRUE(run("colourundo"));
  EXPECT_EQ(program.planes.ColourImage.red()[inside], 454);
  EXPECT_FALSE(run("synth"));
  EXPECT_FALSE(run("mono:1"));
  EXPECT_EQ(ui.messageTexts(),
            (std::vector<std::string>{"Already Colour Converted",
                                      "Sorry, Can only be applied to raw full frame images"}));
}

TEST_F(ColourOperations, MonochromeRefusalsAndTheSingleFilterImage) {
  EXPECT_FALSE(run("antialias"));
  EXPECT_FALSE(run("colourundo"));
  EXPECT_TRUE(run("mono:3"));
  EXPECT_EQ(program.colour.singleFilterSite, 3);
  EXPECT_EQ(program.history.slot(0), "Image Converted to Single Colour");
  program.state.binned = true;
  program.applyGeometry();
  EXPECT_FALSE(run("mono:2"));
  EXPECT_EQ(ui.messageTexts().size(), 3u);
}

}  // namespace
}  // namespace nvk::cli
