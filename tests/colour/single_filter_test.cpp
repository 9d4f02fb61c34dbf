#include "colour/single_filter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "colour_reference.h"
#include "process/undo.h"
#include "support/program_fixture.h"

namespace nvk::colour {
namespace {

using test::Samples;

// The two passes sample by sample, with the last column between a site and the end of the row
// taking the site's value.
void referenceSingleFilter(Samples& s, int width, int height, int choice) {
  const MatrixSite& site = matrixSite(choice);
  const auto at = [&](int y, int x) -> std::uint16_t& {
    return s[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(x)];
  };
  for (int y = site.firstRow; y < height; y += 2)
    for (int x = site.firstColumn; x < width - 1; x += 2)
      at(y, x + 1) =
          x + 2 < width ? static_cast<std::uint16_t>(at(y, x) / 2 + at(y, x + 2) / 2) : at(y, x);
  for (int y = site.firstRow + 1; y < height - 1; y += 2)
    for (int x = site.firstColumn; x < width; ++x)
      at(y, x) = static_cast<std::uint16_t>(at(y - 1, x) / 2 + at(y + 1, x) / 2);
}

struct SingleFilterCommand : ::testing::Test, test::ProgramFixture {
  std::uint16_t& raw(int y, int x) {
    return program.planes.RawImage[static_cast<std::size_t>(y * program.geometry.width + x)];
  }
  void chooseInDialog(int controlId) {
    ui.onDialog<SingleFilterDialog>("TSingleFilterDialog", [controlId](SingleFilterDialog& d) {
      d.select(controlId);
      return port::DialogResult::Ok;
    });
  }
};

TEST_F(SingleFilterCommand, ChoiceOneKeepsRowZeroAndColumnZero) {
  const Samples before =
      test::randomSamples(program.geometry.pixelCount, program.geometry.width, 9);
  std::copy(before.begin(), before.end(), program.planes.RawImage.begin());
  buildSingleFilterImage(program, 1);
  const int w = program.geometry.width;
  for (int x = 0; x < w; ++x)
    ASSERT_EQ(raw(0, x), before[static_cast<std::size_t>(x)]) << x;
  for (int y = 0; y < program.geometry.height; ++y)
    ASSERT_EQ(raw(y, 0), before[static_cast<std::size_t>(y * w)]) << y;
  // Sites stay, the rest changes.
  EXPECT_EQ(raw(1, 1), before[static_cast<std::size_t>(w + 1)]);
  EXPECT_EQ(raw(1, 2), before[std::size_t(w + 1)] / 2 + before[std::size_t(w + 3)] / 2);
}

// Choice 4 on a frame whose even-row, even-column samples are 1000 and the rest 0: the sites,
// the samples between them (the last column included) and the rows between (500 + 500) all
// become 1000; the last row, an odd one below the last site row, keeps its zeros.
TEST_F(SingleFilterCommand, ChoiceFourFillsTheEvenSitePatternAndKeepsTheLastRow) {
  const int w = program.geometry.width, h = program.geometry.height;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      raw(y, x) = (y % 2 == 0 && x % 2 == 0) ? 1000 : 0;
  buildSingleFilterImage(program, 4);
  for (int y = 0; y < h; ++y) {
    const std::uint16_t expected = y == h - 1 ? 0 : 1000;
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(raw(y, x), expected) << y << " " << x;
  }
}

TEST_F(SingleFilterCommand, MatchesTheReferenceForEverySite) {
  for (int choice = 1; choice <= 4; ++choice) {
    Samples expected =
        test::randomSamples(program.geometry.pixelCount, program.geometry.width, 20 + choice);
    std::copy(expected.begin(), expected.end(), program.planes.RawImage.begin());
    referenceSingleFilter(expected, program.geometry.width, program.geometry.height, choice);
    buildSingleFilterImage(program, choice);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), program.planes.RawImage.begin()))
        << "choice " << choice;
  }
  // A narrow odd-width frame: the plain tail and the last-column rule on both parities.
  for (int choice = 1; choice <= 4; ++choice) {
    for (const int width : {37, 38}) {
      Samples frame = test::randomSamples(static_cast<std::size_t>(width * 9), width, 3);
      Samples expected = frame;
      referenceSingleFilter(expected, width, 9, choice);
      buildSingleFilterRows(frame.data(), width, 0, 9, matrixSite(choice));
      buildSingleFilterBetweenRows(frame.data(), width, 0, 8, matrixSite(choice));
      EXPECT_EQ(frame, expected) << choice << " " << width;
    }
  }
}

TEST_F(SingleFilterCommand, BinnedOrColourImageIsRefused) {
  for (const bool binned : {true, false}) {
    program.state.binned = binned;
    program.state.colourConverted = !binned;
    program.applyGeometry();
    raw(1, 2) = 4321;
    ui.clearRecord();
    CreateMonoImageFromRaw(program);
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"Sorry, Can only be applied to raw full frame images"});
    EXPECT_TRUE(ui.dialogsShown().empty());
    EXPECT_EQ(raw(1, 2), 4321);
    EXPECT_EQ(program.history.usedCount(), 0);
  }
}

TEST_F(SingleFilterCommand, DialogChoosesHelpsAndCancels) {
  SingleFilterDialog dialog(program.colour.singleFilterSite, ui);
  EXPECT_EQ(dialog.title(), "Construct Single Filter Image");
  EXPECT_EQ(dialog.checkedControl(), 3101);
  dialog.select(3103);
  EXPECT_EQ(program.colour.singleFilterSite, 3);
  EXPECT_EQ(dialog.checkedControl(), 3103);
  dialog.select(3000);
  EXPECT_EQ(program.colour.singleFilterSite, 3);
  dialog.help();
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, SingleFilterDialog::kHelpText);

  raw(1, 2) = 4321;
  ui.onDialog("TSingleFilterDialog", [](port::DialogModel&) { return port::DialogResult::Cancel; });
  CreateMonoImageFromRaw(program);
  EXPECT_EQ(raw(1, 2), 4321);
  EXPECT_TRUE(ui.progressEvents().empty());
}

}  // namespace
}  // namespace nvk::colour
