#include "colour/synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "base/simd.h"
#include "colour/colour_dialog.h"
#include "colour_reference.h"
#include "process/stretch.h"
#include "process/undo.h"
#include "support/program_fixture.h"

namespace nvk::colour {
namespace {

using test::Samples;

// Small frames for the arithmetic: the four result planes prefilled with a sentinel so that
// untouched samples show.
constexpr std::uint16_t kSentinel = 0xBEEF;

struct SmallFrame {
  int width;
  int height;
  Samples raw, red, green, blue, lum;
  SmallFrame(int w, int h, std::uint16_t value = 0)
      : width(w),
        height(h),
        raw(static_cast<std::size_t>(w * h), value),
        red(raw.size(), kSentinel),
        green(raw.size(), kSentinel),
        blue(raw.size(), kSentinel),
        lum(raw.size(), kSentinel) {}
  SynthesisFrames frames() {
    return {raw.data(), red.data(), green.data(), blue.data(), lum.data(), width, height};
  }
  void synthesize(const ColourFactors& f, bool pixelOffset, bool lineOffset, bool vector = true) {
    const int first = firstWindowRow(raw.data());
    synthesizeWindowRows(frames(), f, startPhase(pixelOffset, lineOffset), first, first,
                         windowRowEnd(height), vector);
  }
  std::size_t at(int y, int x) const { return static_cast<std::size_t>(y * width + x); }
};

// A uniform frame of value v: at a red or blue site the own colour is D2/8 + v/2 (each half
// truncated on its own), the others v; at a green site green is X4/8 + v/2 and red and blue v.
// The luminance is v x 1.2 truncated and capped, on every site.
TEST(Synthesis, UniformFrameThroughEveryFactorRowAndValue) {
  const bool factorRows[4][2] = {{true, true}, {true, false}, {false, true}, {false, false}};
  // Width 24: one 16-centre vector block and a plain tail in every row.
  SmallFrame frame(24, 12);
  for (const auto& row : factorRows) {
    const ColourFactors f = colourFactors(row[0], row[1]);
    const auto scale = [](unsigned c, ColourFactor k) {
      return static_cast<std::uint16_t>(c * k.numerator / k.denominator);
    };
    for (unsigned v = 0; v <= 65535; v += (row[0] && row[1]) ? 1 : 37) {
      std::fill(frame.raw.begin(), frame.raw.end(), static_cast<std::uint16_t>(v));
      // A uniform 17 is a labelled frame (17 + 17 = 34): its pass starts below this frame.
      if (v == 17) continue;
      frame.synthesize(f, false, true);
      const unsigned own = 4 * v / 8 + v / 2;
      const double lum = std::floor(v * 1.2);
      const auto expectedLum = static_cast<std::uint16_t>(std::min(lum, 65535.0));
      // Row 4 is a blue row (row phase 1): blue at even columns, green at odd ones; row 5 red.
      for (int x = 4; x < 24; ++x) {
        const bool green4 = x % 2 == 1;
        ASSERT_EQ(frame.blue[frame.at(4, x)], scale(green4 ? v : own, f.blue)) << v << " " << x;
        ASSERT_EQ(frame.red[frame.at(4, x)], scale(v, f.red)) << v << " " << x;
        ASSERT_EQ(frame.green[frame.at(4, x)], scale(green4 ? own : v, f.green)) << v;
        const bool green5 = x % 2 == 0;
        ASSERT_EQ(frame.red[frame.at(5, x)], scale(green5 ? v : own, f.red)) << v << " " << x;
        ASSERT_EQ(frame.blue[frame.at(5, x)], scale(v, f.blue)) << v;
        ASSERT_EQ(frame.lum[frame.at(4, x)], expectedLum) << v;
        ASSERT_EQ(frame.lum[frame.at(5, x)], expectedLum) << v;
      }
    }
  }
}

// The windows of the first row with distinct samples, computed by hand from the table.
struct SiteSums {
  unsigned centre, d2, o4, x4, h6, v6;
};
SiteSums sumsAt(const SmallFrame& f, int y, int x) {
  const auto p = [&](int r, int c) -> unsigned { return f.raw[f.at(y + r - 2, x + c - 2)]; };
  return {p(2, 2),
          p(0, 2) + p(2, 0) + p(2, 4) + p(4, 2),
          p(1, 2) + p(2, 1) + p(2, 3) + p(3, 2),
          p(1, 1) + p(1, 3) + p(3, 1) + p(3, 3),
          p(0, 1) + p(0, 3) + p(2, 1) + p(2, 3) + p(4, 1) + p(4, 3),
          p(1, 0) + p(1, 2) + p(1, 4) + p(3, 0) + p(3, 2) + p(3, 4)};
}

SmallFrame distinctFrame() {
  SmallFrame f(40, 20);
  for (std::size_t i = 0; i < f.raw.size(); ++i)
    f.raw[i] = static_cast<std::uint16_t>((i * 7919 + 13) % 60000 + 1000);
  return f;
}

TEST(Synthesis, FirstWindowPhaseAndPixelOffsetSwappingSites) {
  SmallFrame f = distinctFrame();
  const ColourFactors k = colourFactors(false, false);
  f.synthesize(k, /*pixelOffset=*/false, /*lineOffset=*/true);
  const SiteSums s = sumsAt(f, 4, 4);
  EXPECT_EQ(f.red[f.at(4, 4)], s.x4 / 4 * 20 / 40);
  EXPECT_EQ(f.green[f.at(4, 4)], s.o4 / 4 * 20 / 44);
  EXPECT_EQ(f.blue[f.at(4, 4)], (s.d2 / 8 + s.centre / 2) * 20 / 33);
  EXPECT_EQ(f.lum[f.at(4, 4)], ((s.o4 + s.x4) / 4 + s.centre) / 3 * 6 / 5);
  // Its right-hand neighbour is green on a blue row.
  const SiteSums g = sumsAt(f, 4, 5);
  EXPECT_EQ(f.red[f.at(4, 5)], g.v6 / 6 * 20 / 40);
  EXPECT_EQ(f.green[f.at(4, 5)], (g.x4 / 8 + g.centre / 2) * 20 / 44);
  EXPECT_EQ(f.blue[f.at(4, 5)], g.h6 / 6 * 20 / 33);
  EXPECT_EQ(f.lum[f.at(4, 5)], (g.o4 / 2 + g.centre) / 3 * 6 / 5);

  // "Pixel Offset" moves the column phase by one: (4, 4) becomes the green site of a blue row
  // and (4, 5) the blue site.
  f.synthesize(k, /*pixelOffset=*/true, /*lineOffset=*/true);
  EXPECT_EQ(f.red[f.at(4, 4)], s.v6 / 6 * 20 / 40);
  EXPECT_EQ(f.green[f.at(4, 4)], (s.x4 / 8 + s.centre / 2) * 20 / 44);
  EXPECT_EQ(f.blue[f.at(4, 4)], s.h6 / 6 * 20 / 33);
  EXPECT_EQ(f.red[f.at(4, 5)], g.x4 / 4 * 20 / 40);
  EXPECT_EQ(f.green[f.at(4, 5)], g.o4 / 4 * 20 / 44);
  EXPECT_EQ(f.blue[f.at(4, 5)], (g.d2 / 8 + g.centre / 2) * 20 / 33);
}

// Regression: the last window row used to be height - 4, whose window reaches one row past the
// frame, so the bottom centre row depended on whatever followed the image in memory.
TEST(Synthesis, LastWindowRowReadsNothingPastTheFrame) {
  const int width = 32, height = 16;
  Samples results[2];
  for (int trial = 0; trial < 2; ++trial) {
    SmallFrame f(width, height + 3);
    f.raw = test::randomSamples(f.raw.size(), width, 5);
    // What lies after the frame differs between the two trials.
    for (std::size_t i = static_cast<std::size_t>(width * height); i < f.raw.size(); ++i)
      f.raw[i] = static_cast<std::uint16_t>(trial * 40000 + i);
    SynthesisFrames frames = f.frames();
    frames.height = height;
    synthesizeWindowRows(frames, colourFactors(false, false), startPhase(false, true), 2, 2,
                         windowRowEnd(height));
    results[trial] = f.lum;
    EXPECT_EQ(f.lum[f.at(height - 2, 8)], kSentinel);
    EXPECT_NE(f.lum[f.at(height - 3, 8)], kSentinel);
  }
  EXPECT_EQ(results[0], results[1]);
}

// Every optimised row against the window-by-window reference on random full and binned frames,
// with each offset setting and a labelled frame.
TEST(Synthesis, MatchesTheReferenceOnRandomFrames) {
  struct Case {
    int width, height;
    bool pixelOffset, lineOffset, labelled, vector;
    ColourFactors factors;
  };
  const Case cases[] = {
      {3040, 2024, false, true, false, true, colourFactors(false, false)},
      {3040, 2024, true, false, true, true, colourFactors(true, true)},
      {3040, 2024, true, true, false, false, colourFactors(false, true)},
      {1520, 1012, false, false, false, true, colourFactors(true, false)},
      {1520, 1012, true, true, true, true, colourFactors(false, false)},
      {37, 23, true, false, false, true, colourFactors(false, false)},
  };
  std::uint32_t seed = 11;
  for (const Case& c : cases) {
    SmallFrame f(c.width, c.height);
    f.raw = test::randomSamples(f.raw.size(), c.width, ++seed);
    if (c.labelled) f.raw[4] = f.raw[5] = 17;
    test::ReferenceColour expected{f.red, f.green, f.blue, f.lum};
    test::referenceSynthesis(f.raw, c.width, c.height, c.factors, c.pixelOffset, c.lineOffset,
                             expected);
    f.synthesize(c.factors, c.pixelOffset, c.lineOffset, c.vector);
    EXPECT_TRUE(f.red == expected.red) << c.width << " seed " << seed;
    EXPECT_TRUE(f.green == expected.green) << c.width << " seed " << seed;
    EXPECT_TRUE(f.blue == expected.blue) << c.width << " seed " << seed;
    EXPECT_TRUE(f.lum == expected.luminance) << c.width << " seed " << seed;
  }
}

// Each vector width the processor has (AVX2 and AVX-512 on most) against the window-by-window
// reference, on widths that leave every length of plain tail and on samples at 0 and 65535,
// where the sums and the luminance reach their largest values.
TEST(Synthesis, EveryVectorWidthMatchesTheReference) {
  struct Shape {
    int width, height;
  };
  const Shape shapes[] = {{16, 12}, {37, 23}, {53, 15}, {68, 14}, {101, 9}, {3040, 11}};
  const auto fill = [](SmallFrame& f, int content, std::uint32_t seed) {
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) {
        const bool on = content == 3 ? (x + y) % 2 == 0 : x % 2 == 0;
        f.raw[f.at(y, x)] = content == 0 ? 0 : content == 1 ? 65535 : on ? 65535 : 0;
      }
    }
    if (content == 5) f.raw = test::randomSamples(f.raw.size(), f.width, seed);
  };
  const bool factorRows[4][2] = {{false, false}, {true, true}, {true, false}, {false, true}};
  for (const base::SimdLevel level : {base::SimdLevel::Avx2, base::SimdLevel::Avx512}) {
    base::setSimdCeiling(level);
    int run = 0;
    for (const Shape& shape : shapes) {
      for (int content = 0; content < 6; ++content, ++run) {
        SmallFrame f(shape.width, shape.height);
        fill(f, content, static_cast<std::uint32_t>(run));
        const ColourFactors factors = colourFactors(factorRows[run % 4][0], factorRows[run % 4][1]);
        const bool pixelOffset = run % 2 == 1;
        const bool lineOffset = run % 3 != 1;
        test::ReferenceColour expected{f.red, f.green, f.blue, f.lum};
        test::referenceSynthesis(f.raw, f.width, f.height, factors, pixelOffset, lineOffset,
                                 expected);
        f.synthesize(factors, pixelOffset, lineOffset);
        const auto where = ::testing::Message()
                           << "level " << static_cast<int>(level) << " " << shape.width << "x"
                           << shape.height << " content " << content;
        EXPECT_TRUE(f.red == expected.red) << where;
        EXPECT_TRUE(f.green == expected.green) << where;
        EXPECT_TRUE(f.blue == expected.blue) << where;
        EXPECT_TRUE(f.lum == expected.luminance) << where;
      }
    }
  }
  base::setSimdCeiling(base::SimdLevel::Avx512);
}

// --- the command ---

struct SynthesisCommand : ::testing::Test, test::ProgramFixture {
  void acceptDialog() {
    ui.onDialog<TColourDialog>("TColourDialog", [](TColourDialog& d) {
      return d.createImage() ? port::DialogResult::Ok : port::DialogResult::Cancel;
    });
  }
  void fillRaw(std::uint16_t value) {
    std::fill_n(program.planes.RawImage.begin(), program.geometry.pixelCount, value);
  }
};

TEST_F(SynthesisCommand, BuildsTheColourImageAndReplacesTheFrameByItsLuminance) {
  program.settings.antiAliasAfterSynthesis = false;
  program.colour.balanceStart = {5, -3, 2, 1, 1, 1};
  const Samples raw = test::randomSamples(program.geometry.pixelCount, program.geometry.width, 3);
  std::copy(raw.begin(), raw.end(), program.planes.RawImage.begin());
  std::fill_n(program.planes.RawImage2.begin(), program.geometry.pixelCount, std::uint16_t{77});
  acceptDialog();
  SynthesizeColourImage(program);

  EXPECT_TRUE(ui.scriptErrors().empty());
  EXPECT_TRUE(ui.messages().empty());
  EXPECT_TRUE(program.state.colourConverted);
  EXPECT_EQ(program.colour.balanceStart, (std::array<int, 6>{}));
  EXPECT_EQ(ui.progressCaptions(), std::vector<std::string>{"COLOUR CALCULATION IN PROGRESS"});
  EXPECT_FALSE(ui.progressOpen());
  EXPECT_FALSE(ui.busy());
  EXPECT_GE(ui.redraws(), 1);
  // The whole second frame (the luminance, its border as it was) becomes the main frame.
  const int w = program.geometry.width;
  EXPECT_TRUE(std::equal(program.planes.RawImage.begin(),
                         program.planes.RawImage.begin() + program.geometry.pixelCount,
                         program.planes.RawImage2.begin()));
  test::ReferenceColour expected{Samples(raw.size()), Samples(raw.size()), Samples(raw.size()),
                                 Samples(raw.size(), 77)};
  test::referenceSynthesis(raw, w, program.geometry.height, colourFactors(false, false), false,
                           true, expected);
  EXPECT_TRUE(std::equal(expected.luminance.begin(), expected.luminance.end(),
                         program.planes.RawImage.begin()));
  EXPECT_TRUE(std::equal(expected.blue.begin() + w * 4, expected.blue.end() - w * 3,
                         program.planes.ColourImage.blue().begin() + w * 4));
  // Undo Last Filter brings back the raw frame and the monochrome state.
  EXPECT_TRUE(process::UndoLastFilter(program));
  EXPECT_FALSE(program.state.colourConverted);
  EXPECT_TRUE(std::equal(raw.begin(), raw.end(), program.planes.RawImage.begin()));
}

// The automatic processing runs on the luminance after the pass and before the anti-alias:
// the same as synthesising without it and then running it by hand.
TEST_F(SynthesisCommand, AutomaticProcessingFollowsThePass) {
  const Samples raw = test::randomSamples(program.geometry.pixelCount, program.geometry.width, 8);
  test::ProgramFixture byHand;
  for (app::Program* p : {&program, &byHand.program}) {
    std::copy(raw.begin(), raw.end(), p->planes.RawImage.begin());
    p->settings.antiAliasAfterSynthesis = false;
  }
  program.settings.autoWeakStretch = true;
  program.settings.autoHighPassLowPower = true;
  synthesizeColour(program);
  synthesizeColour(byHand.program);
  byHand.program.settings.autoWeakStretch = true;
  byHand.program.settings.autoHighPassLowPower = true;
  process::AutoProcess(byHand.program);
  EXPECT_TRUE(std::equal(program.planes.RawImage.begin(),
                         program.planes.RawImage.begin() + program.geometry.pixelCount,
                         byHand.program.planes.RawImage.begin()));
  EXPECT_FALSE(std::equal(program.planes.RawImage.begin(),
                          program.planes.RawImage.begin() + program.geometry.pixelCount,
                          program.planes.RawImage2.begin()));
  EXPECT_EQ(program.history.slot(0), byHand.program.history.slot(0));
  EXPECT_FALSE(program.history.slot(0).empty());
}

TEST_F(SynthesisCommand, DaylightAndAntiAliasFollowTheDialog) {
  fillRaw(1000);
  acceptDialog();
  ui.onDialog<TColourDialog>("TColourDialog", [](TColourDialog& d) {
    d.toggle(TColourDialog::kDaylightImage);
    return d.createImage() ? port::DialogResult::Ok : port::DialogResult::Cancel;
  });
  ui.clearRecord();
  SynthesizeColourImage(program);  // the first script entry
  // Anti-alias after synthesis is on by default.
  EXPECT_EQ(ui.progressCaptions(),
            (std::vector<std::string>{"COLOUR CALCULATION IN PROGRESS", "ANTI-ALIAS PROGRESS"}));
  const std::size_t inside = static_cast<std::size_t>(program.geometry.width * 100 + 100);
  // Red of a uniform 1000: 1000 x 20 / 40 = 500, then the anti-alias adds the low bits of the
  // mean of 500, 454 and 606 (520): 8.
  EXPECT_EQ(program.planes.ColourImage.red()[inside], 500 + 8);
  program.state.colourConverted = false;
  fillRaw(1000);
  SynthesizeColourImage(program);
  EXPECT_TRUE(program.colour.daylightImage);
  EXPECT_EQ(program.planes.RgbOutputImage.red()[inside], 1000 * 20 / 44);
}

// Cancel changes nothing; a second synthesis is refused before the dialog.
TEST_F(SynthesisCommand, CancelChangesNothingAndASecondSynthesisIsRefused) {
  fillRaw(1234);
  ui.onDialog("TColourDialog", [](port::DialogModel&) { return port::DialogResult::Cancel; });
  SynthesizeColourImage(program);
  EXPECT_FALSE(program.state.colourConverted);
  EXPECT_TRUE(ui.progressEvents().empty());
  program.state.colourConverted = true;
  ui.clearRecord();
  SynthesizeColourImage(program);
  EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"Already Colour Converted"});
  EXPECT_TRUE(ui.dialogsShown().empty());
  EXPECT_EQ(program.planes.RawImage[5000], 1234);
}

}  // namespace
}  // namespace nvk::colour
