#include "app/label_stamp.h"

#include <gtest/gtest.h>

#include <set>

#include "files/fits_time.h"
#include "process/filters.h"
#include "process/frame.h"
#include "support/program_fixture.h"

namespace nvk::app {
namespace {

class LabelStampTest : public ::testing::Test {
 protected:
  test::ProgramFixture f;
  Program& p = f.program;
  image::Plane raw() { return p.planes.RawImage; }
  std::uint16_t at(int x, int y) { return raw()[y * p.geometry.width + x]; }
  void fill(std::uint16_t v) { std::fill_n(raw().begin(), p.geometry.pixelCount, v); }
};

TEST_F(LabelStampTest, EveryListedCharacterHasItsOwnGlyph) {
  std::string listed = " /-:";
  for (char c = 'A'; c <= 'Z'; ++c)
    listed += c;
  for (char c = 'a'; c <= 'z'; ++c)
    listed += c;
  for (char c = '0'; c <= '9'; ++c)
    listed += c;
  std::set<Glyph> glyphs;
  for (char c : listed) {
    const auto glyph = labelGlyph(c);
    ASSERT_TRUE(glyph.has_value()) << c;
    glyphs.insert(*glyph);
    // Every glyph but the space sets some pixel; none touches the cell's top row or its last
    // column, so neighbouring characters never join.
    if (c != ' ') {
      EXPECT_NE(*glyph, Glyph{}) << c;
    }
    EXPECT_EQ((*glyph)[0], 0) << c;
    for (std::uint8_t row : *glyph)
      EXPECT_EQ(row & 0x01, 0) << c;
  }
  EXPECT_EQ(glyphs.size(), listed.size());
  for (char c : {'.', '_', '!', '\0', '~'})
    EXPECT_FALSE(labelGlyph(c).has_value()) << c;
}

TEST_F(LabelStampTest, TheLineIsCentredInSixtyFourCells) {
  EXPECT_EQ(labelLine("", std::nullopt), std::string(32, ' '));
  EXPECT_EQ(labelLine("M31", std::nullopt), std::string(30, ' ') + "M31");  // (64 - 3) / 2
  const files::CivilTime t{2026, 12, 8, 3, 4, 5};
  EXPECT_EQ(labelDateText(t), "  03:04:05 UT 08-12-2026 ");
  const std::string thirty(30, 'x');
  EXPECT_EQ(labelLine(thirty, t), std::string(5, ' ') + thirty + "  03:04:05 UT 08-12-2026 ");
  EXPECT_EQ(labelLine(thirty + "yz", std::nullopt), std::string(17, ' ') + thirty);
}

TEST_F(LabelStampTest, AnEmptyLabelClearsTheBandStartAndWritesTheMarker) {
  fill(4000);
  stampLabel(raw(), p.geometry.width, labelLine("", std::nullopt));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(raw()[i], 17);
  EXPECT_EQ(std::count(raw().begin() + 6, raw().begin() + 6600, 0), 6594);
  EXPECT_EQ(raw()[6600], 4000);
  EXPECT_EQ(at(255, 9), 0);     // the blank cells of the 32 leading spaces
  EXPECT_EQ(at(256, 9), 4000);  // beyond the line
  EXPECT_EQ(std::count(raw().begin(), raw().begin() + 10 * p.geometry.width, 65535), 0);
  EXPECT_TRUE(process::isLabelledFrame(p));
}

TEST_F(LabelStampTest, GlyphsAreDrawnWhiteOnBlackInTheirCells) {
  fill(4000);
  stampLabel(raw(), p.geometry.width, "A.A");
  // Cell 0 and cell 2 hold 'A'; row 1 of 'A' sets columns 2..4 of the cell.
  EXPECT_EQ(at(1, 1), 0);
  EXPECT_EQ(at(2, 1), 65535);
  EXPECT_EQ(at(16 + 4, 1), 65535);
  EXPECT_EQ(at(16 + 5, 1), 0);
  EXPECT_EQ(at(16 + 1, 9), 0);  // clear bits are drawn black below the cleared samples
  // '.' has no glyph: its cell shows what was there, black inside the cleared samples.
  EXPECT_EQ(at(8 + 3, 1), 0);
  EXPECT_EQ(at(8 + 3, 9), 4000);
  EXPECT_EQ(raw()[4], 17);
  EXPECT_EQ(raw()[5], 17);
}

TEST_F(LabelStampTest, TheDialogCutsTheTextAndTogglesAutoDate) {
  fill(4000);
  f.ui.onDialog<LabelDialog>("TLabelDialog", [](LabelDialog& d) {
    EXPECT_EQ(d.title(), "Label Current Image");
    EXPECT_EQ(d.editText(), "");
    EXPECT_FALSE(d.autoDate());
    d.clickAutoDate();
    d.clickAutoDate();
    d.clickAutoDate();
    d.setEditText("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh");
    d.ok();
    EXPECT_EQ(d.labelText(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcd");
    return port::DialogResult::Ok;
  });
  LabelCommand(p);
  EXPECT_TRUE(p.labelAutoDate);  // kept for the rest of the run
  // 30 characters with the date: 5 spaces, so 'A' is in cell 5.
  EXPECT_EQ(at(5 * 8 + 2, 1), 65535);
  EXPECT_EQ(f.ui.redraws(), 1);
  EXPECT_TRUE(f.ui.scriptErrors().empty());

  // Cancel stamps nothing; the flag is shown as it was left.
  fill(4000);
  f.ui.onDialog<LabelDialog>("TLabelDialog", [](LabelDialog& d) {
    EXPECT_TRUE(d.autoDate());
    d.setEditText("X");
    return port::DialogResult::Cancel;
  });
  LabelCommand(p);
  EXPECT_EQ(raw()[0], 4000);
}

// The automatic date is the clock's local time moved by the UT offset.
TEST_F(LabelStampTest, TheDateIsUniversalTimeFromTheUtOffset) {
  p.labelAutoDate = true;
  p.fits.utOffsetHours = 5;
  fill(1000);
  LabelImage(p, "M1");
  const std::vector<std::uint16_t> stamped(raw().begin(), raw().begin() + p.geometry.pixelCount);
  const auto ut = files::addHours(files::localTimeOf(f.clock.wallSeconds()), 5);
  fill(1000);
  stampLabel(raw(), p.geometry.width, labelLine("M1", ut));
  EXPECT_TRUE(std::equal(stamped.begin(), stamped.end(), raw().begin()));
}

TEST_F(LabelStampTest, FiltersLeaveTheLabelAlone) {
  fill(1000);
  LabelImage(p, "M42 Orion");
  const std::vector<std::uint16_t> band(raw().begin(), raw().begin() + 10 * p.geometry.width);
  process::KernelFilterCommand(p, process::KernelId::Gaussian);
  process::UnsharpMask(p, 2, 3);
  EXPECT_TRUE(std::equal(band.begin(), band.end(), raw().begin()));
}

}  // namespace
}  // namespace nvk::app
