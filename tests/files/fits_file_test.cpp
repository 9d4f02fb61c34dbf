#include "files/fits_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "files/open_image.h"
#include "files/rgb_render.h"
#include "files_test_support.h"
#include "image/display_levels.h"
#include "support/program_fixture.h"

namespace nvk::files {
namespace {

using test::makeImage;
using test::readBytes;

class FitsFileTest : public ::testing::Test, protected test::ProgramFixture {};

struct ShapeCase {
  const char* name;
  bool binned;
  bool colour;
  bool eightBit;
  bool rgb;
  bool pad;
  std::uint64_t size;
};

// Every shape the writer makes, with its file size.
const ShapeCase kShapes[] = {
    {"mono binned", true, false, false, false, false, 3'082'240},
    {"mono binned padded", true, false, false, false, true, 3'084'480},
    {"mono full", false, false, false, false, false, 12'311'680},
    {"mono full padded", false, false, false, false, true, 12'312'000},
    {"colour binned", true, true, false, false, true, 12'311'680},
    {"colour full", false, true, false, false, true, 49'229'440},
    {"rgb full", false, true, false, true, false, 36'923'520},
    {"rgb full padded", false, true, false, true, true, 36'924'480},
    {"rgb binned padded", true, true, false, true, true, 9'236'160},
    {"eight-bit full", false, false, true, false, false, 6'160'320},
    {"eight-bit binned", true, false, true, false, true, 1'546'560},
    {"eight-bit of a colour image", false, true, true, false, false, 6'160'320},
};

TEST_F(FitsFileTest, EveryShapeHasItsSizeAndAWholeHeader) {
  for (const auto& c : kShapes) {
    SCOPED_TRACE(c.name);
    makeImage(program, c.binned, c.colour);
    program.settings.padFits = c.pad;
    const auto path = root / "shape.fit";
    const FitsSaveOptions options{c.eightBit, c.rgb, {}};
    ASSERT_EQ(writeFitsFile(program, path, options), SaveResult::Saved);
    EXPECT_EQ(std::filesystem::file_size(path), c.size);
    EXPECT_EQ(fitsFileSize(fitsLayoutFor(program, options), c.pad), c.size);
    const auto bytes = readBytes(path);
    EXPECT_EQ(test::cardOf(bytes, 0), (c.colour && !c.rgb && !c.eightBit
                                           ? std::string("SIMPLE  =                    F /")
                                           : std::string("SIMPLE  =                    T /")) +
                                          std::string(48, ' '));
  }
}

TEST_F(FitsFileTest, BoundarySamplesAreStoredBigEndianOffsetBy32768) {
  program.state.binned = true;
  program.applyGeometry();
  auto raw = program.planes.RawImage;
  raw[0] = 0;
  raw[1] = 65535;
  raw[2] = 32768;
  raw[3] = 1;
  raw[4] = 32767;
  raw[1519] = 0x1234;  // last sample of the first row
  raw[1520] = 0xABCD;  // first of the second
  ASSERT_EQ(writeFitsFile(program, root / "s.fit", {}), SaveResult::Saved);
  const auto b = readBytes(root / "s.fit");
  const std::vector<std::uint8_t> first(b.begin() + 5760, b.begin() + 5770);
  EXPECT_EQ(first, (std::vector<std::uint8_t>{0x80, 0x00, 0x7F, 0xFF, 0x00, 0x00, 0x80, 0x01, 0xFF,
                                              0xFF}));
  EXPECT_EQ(b[5760 + 2 * 1519], 0x92);
  EXPECT_EQ(b[5760 + 2 * 1519 + 1], 0x34);
  EXPECT_EQ(b[5760 + 2 * 1520], 0x2B);
  EXPECT_EQ(b[5760 + 2 * 1520 + 1], 0xCD);
}

TEST_F(FitsFileTest, ColourPlanesFollowTheRawPlaneAsHeldRedGreenBlue) {
  makeImage(program, true, true);
  ASSERT_EQ(writeFitsFile(program, root / "c.fit", {}), SaveResult::Saved);
  const auto b = readBytes(root / "c.fit");
  const std::size_t frame = 3'076'480;
  const auto& colour = program.planes.ColourImage;
  const image::Plane order[] = {colour.red(), colour.green(), colour.blue()};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(0, std::memcmp(b.data() + 5760 + frame * (k + 1), order[k].data(), frame)) << k;
  }
}

TEST_F(FitsFileTest, EightBitDataIsTheHighByteOfEachSampleAndFillsItsRecord) {
  makeImage(program, true, false);
  ASSERT_EQ(writeFitsFile(program, root / "8.fit", {true, false, {}}), SaveResult::Saved);
  const auto b = readBytes(root / "8.fit");
  const auto raw = program.planes.RawImage;
  for (std::size_t i : {0u, 1u, 2u, 3u, 4u, 777u, 1'538'239u}) {
    EXPECT_EQ(b[5760 + i], raw[i] >> 8) << i;
  }
  EXPECT_TRUE(
      std::all_of(b.begin() + 5760 + 1'538'240, b.end(), [](std::uint8_t v) { return v == 0; }));
}

// Every shape the reader accepts comes back as the same planes, state and header texts.
TEST_F(FitsFileTest, EveryReadableShapeRoundTripsThroughOpen) {
  struct Case {
    bool binned, colour, pad;
    image::ReadoutMode mode;
    char code;
  };
  const Case cases[] = {
      {true, false, false, image::ReadoutMode::Binned2x2, '2'},
      {true, false, true, image::ReadoutMode::SubFrame, '5'},
      {false, false, false, image::ReadoutMode::HighResolution, '1'},
      {false, false, true, image::ReadoutMode::FullFrameBinned7, '7'},
      {true, true, true, image::ReadoutMode::SubFrame, '5'},
      {false, true, false, image::ReadoutMode::HighResolution, '1'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.binned << c.colour << c.pad << c.code);
    makeImage(program, c.binned, c.colour, 7);
    program.state.readoutMode = c.mode;
    program.state.modeCode = c.code;
    program.settings.padFits = c.pad;
    program.fits.object = "M31";
    program.fits.historyText = "two nights";
    program.history.clear();
    program.history.add("Flatfield Applied");
    const auto path = root / "IMG42.FIT";
    ASSERT_EQ(writeFitsFile(program, path, {}), SaveResult::Saved);

    app::Program other(clock, ui, base::ProgramPaths(root.path()));
    const auto result = openImageFile(other, path);
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ(result.kind, FileKind::Fits);
    const auto& st = other.state;
    EXPECT_EQ(std::tie(st.binned, st.colourConverted, st.readoutMode, st.modeCode),
              std::tie(c.binned, c.colour, c.mode, c.code));
    EXPECT_EQ(other.geometry, program.geometry);
    EXPECT_EQ(std::tie(other.fits.object, other.fits.historyText, other.history.slot(0)),
              std::tie("M31", "two nights", "Flatfield Applied"));
    EXPECT_EQ(other.fileMenu.lastLoadedAutosaveNumber, 42);
    const std::size_t n = program.geometry.pixelCount;
    EXPECT_TRUE(test::samePlanePart(other.planes.RawImage, program.planes.RawImage, n));
    if (c.colour) {
      for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(
            test::samePlanePart(other.planes.ColourImage[k], program.planes.ColourImage[k], n));
      }
    }
  }
}

// An image of readout `mode` dated as a quick save dates it, with the frame record the
// exposure sequence leaves (a sub-frame's origin on an odd column).
void takeFrame(app::Program& program, image::ReadoutMode mode, char code) {
  program.state.readoutMode = mode;
  program.state.modeCode = code;
  program.fits.dateObs = "2026-03-07";
  program.fits.timeObs = "03:10:05";
  auto& frame = program.fits.frame;
  frame.imageType = image::FrameRecord::kLightFrame;
  frame.sensorTemperatureC = -12;
  frame.setPointC = -15;
  frame.startUtc = "2026-03-07T03:09:05";
  frame.endUtc = "2026-03-07T03:11:05";
  frame.originX = mode == image::ReadoutMode::SubFrame ? 761 : 0;
  frame.originY = mode == image::ReadoutMode::SubFrame ? 338 : 0;
}

// The value of the card with `keyword` before END; empty when there is none.
std::string cardValue(const std::vector<std::uint8_t>& file, std::string_view keyword) {
  for (int i = 0; i < kHeaderCards; ++i) {
    const std::string card = test::cardOf(file, i);
    if (card.starts_with("END ")) break;
    if (card.substr(0, 8).find_last_not_of(' ') + 1 == keyword.size() &&
        card.starts_with(keyword)) {
      std::string value = card.substr(10, card.find(" /", 10) - 10);
      value.erase(0, value.find_first_not_of(' '));
      return value;
    }
  }
  return {};
}

// With the standard keywords every shape keeps its older cards byte for byte and its size: the
// new cards sit between FILTER (RGB: FILTER3) and END in the two header records. Off, the file
// is the older one byte for byte, whatever the frame record holds.
TEST_F(FitsFileTest, StandardKeywordsFollowTheOlderCardsOfEveryShape) {
  using image::ReadoutMode;
  struct Case {
    const char* name;
    bool binned, colour, eightBit, rgb;
    ReadoutMode mode;
    char code;
    int olderCards;  // before END: the END card is card olderCards + 1
    const char* binning;
    const char* pattern;    // empty: no Bayer cards
    bool pointing = false;  // the mount reported where it pointed
  };
  const Case cases[] = {
      {"mono full", false, false, false, false, ReadoutMode::HighResolution, '1', 45, "1",
       "'BGGR    '"},
      {"sub-frame", true, false, false, false, ReadoutMode::SubFrame, '5', 45, "1", "'GBRG    '"},
      {"mono binned", true, false, false, false, ReadoutMode::Binned4x4, '4', 45, "2", ""},
      {"mode 7", false, false, false, false, ReadoutMode::FullFrameBinned7, '7', 45, "1", ""},
      {"eight-bit full", false, false, true, false, ReadoutMode::FullFrame6, '6', 45, "1",
       "'BGGR    '"},
      {"colour full", false, true, false, false, ReadoutMode::HighResolution, '1', 46, "1", ""},
      {"rgb binned", true, true, false, true, ReadoutMode::SubFrame, '5', 49, "1", ""},
      // The most cards a header gets: every standard keyword and the mount's position.
      {"mono full, pointing", false, false, false, false, ReadoutMode::HighResolution, '1', 45, "1",
       "'BGGR    '", true},
      {"sub-frame, pointing", true, false, false, false, ReadoutMode::SubFrame, '5', 45, "1",
       "'GBRG    '", true},
      {"colour full, pointing", false, true, false, false, ReadoutMode::HighResolution, '1', 46,
       "1", "", true},
      {"rgb full, pointing", false, true, false, true, ReadoutMode::HighResolution, '1', 49, "1",
       "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    makeImage(program, c.binned, c.colour);
    const FitsSaveOptions options{c.eightBit, c.rgb, {}};
    const auto write = [&](bool keywords, bool record) {
      takeFrame(program, c.mode, c.code);
      if (c.pointing) program.fits.frame.mountPointing = image::MountPointing{23.5, -0.5};
      if (!record) program.fits.frame = {};
      program.preferences.fitsStandardKeywords = keywords;
      EXPECT_EQ(writeFitsFile(program, root / "k.fit", options), SaveResult::Saved);
      return readBytes(root / "k.fit");
    };
    const auto older = write(false, false);
    const auto off = write(false, true);
    const auto on = write(true, true);
    EXPECT_EQ(off, older);
    EXPECT_EQ(test::cardOf(older, c.olderCards).substr(0, 4), "END ");
    ASSERT_EQ(on.size(), older.size());
    EXPECT_TRUE(std::equal(on.begin(), on.begin() + 80 * c.olderCards, older.begin()));
    EXPECT_TRUE(std::equal(on.begin() + kHeaderBytes, on.end(), older.begin() + kHeaderBytes));
    EXPECT_EQ(cardValue(on, "XBINNING"), c.binning);
    EXPECT_EQ(cardValue(on, "XPIXSZ"), c.binning[0] == '2' ? "15.6" : "7.8");
    EXPECT_EQ(cardValue(on, "IMAGETYP"), "'Light Frame'");
    EXPECT_EQ(cardValue(on, "CCD-TEMP"), "-12");
    EXPECT_EQ(cardValue(on, "DATE-BEG"), "'2026-03-07T03:09:05'");
    EXPECT_EQ(cardValue(on, "BAYERPAT"), c.pattern);
    EXPECT_EQ(cardValue(on, "ROWORDER"), c.pattern[0] ? "'TOP-DOWN'" : "");
    EXPECT_EQ(cardValue(on, "OBJCTRA"), c.pointing ? "'23 30 00.00'" : "");
    EXPECT_EQ(cardValue(on, "OBJCTDEC"), c.pointing ? "'-00 30 00.0'" : "");
    int endCard = c.olderCards;
    while (endCard < kHeaderCards && !test::cardOf(on, endCard).starts_with("END "))
      ++endCard;
    EXPECT_LT(endCard, kHeaderCards);
  }
}

// The reader takes both headers and restores the frame record, so that saving the opened image
// again writes the same file; a sub-frame's odd origin comes back from its pattern.
TEST_F(FitsFileTest, StandardKeywordsReadBackAndSaveTheSameFileAgain) {
  for (const bool keywords : {false, true}) {
    for (const bool subFrame : {false, true}) {
      SCOPED_TRACE(testing::Message() << keywords << subFrame);
      makeImage(program, subFrame, false);
      takeFrame(program,
                subFrame ? image::ReadoutMode::SubFrame : image::ReadoutMode::HighResolution,
                subFrame ? '5' : '1');
      program.settings.pixelOffset = true;
      program.preferences.fitsStandardKeywords = keywords;
      ASSERT_EQ(writeFitsFile(program, root / "first.fit", {}), SaveResult::Saved);

      app::Program other(clock, ui, base::ProgramPaths(root.path()));
      other.settings.pixelOffset = true;
      other.preferences.fitsStandardKeywords = keywords;
      ASSERT_TRUE(openImageFile(other, root / "first.fit").loaded);
      const auto& frame = other.fits.frame;
      if (keywords) {
        EXPECT_EQ(std::tie(frame.imageType, frame.sensorTemperatureC, frame.setPointC,
                           frame.startUtc, frame.endUtc),
                  std::tie(program.fits.frame.imageType, program.fits.frame.sensorTemperatureC,
                           program.fits.frame.setPointC, program.fits.frame.startUtc,
                           program.fits.frame.endUtc));
        EXPECT_EQ(frame.originX & 1, program.fits.frame.originX & 1);
        EXPECT_EQ(frame.originY & 1, program.fits.frame.originY & 1);
      } else {
        EXPECT_TRUE(frame.imageType.empty());
        EXPECT_FALSE(frame.sensorTemperatureC.has_value());
      }
      ASSERT_EQ(writeFitsFile(other, root / "again.fit", {}), SaveResult::Saved);
      EXPECT_EQ(readBytes(root / "again.fit"), readBytes(root / "first.fit"));
    }
  }
}

// Where the mount pointed goes out as OBJCTRA/OBJCTDEC with the standard keywords and comes
// back on Open; without a report there are no such cards, and with the keywords off the file is
// the one written without a report, byte for byte.
TEST_F(FitsFileTest, MountPointingRoundTripsOnlyWithTheStandardKeywords) {
  const image::MountPointing somewhere{5.5881389, -5.3908333};  // 05 35 17.30, -05 23 27.0
  const auto save = [&](bool keywords, std::optional<image::MountPointing> pointing,
                        const char* name) {
    makeImage(program, false, false);
    takeFrame(program, image::ReadoutMode::HighResolution, '1');
    program.fits.frame.mountPointing = pointing;
    program.preferences.fitsStandardKeywords = keywords;
    EXPECT_EQ(writeFitsFile(program, root / name, {}), SaveResult::Saved);
    return readBytes(root / name);
  };
  EXPECT_EQ(save(false, somewhere, "off.fit"), save(false, std::nullopt, "off-none.fit"));
  const auto none = save(true, std::nullopt, "none.fit");
  EXPECT_EQ(cardValue(none, "OBJCTRA"), "");
  const auto with = save(true, somewhere, "with.fit");
  EXPECT_EQ(cardValue(with, "OBJCTRA"), "'05 35 17.30'");
  EXPECT_EQ(cardValue(with, "OBJCTDEC"), "'-05 23 27.0'");

  for (const char* name : {"off.fit", "none.fit", "with.fit"}) {
    SCOPED_TRACE(name);
    app::Program other(clock, ui, base::ProgramPaths(root.path()));
    ASSERT_TRUE(openImageFile(other, root / name).loaded);
    const auto& read = other.fits.frame.mountPointing;
    ASSERT_EQ(read.has_value(), std::string_view(name) == "with.fit");
    if (!read) continue;
    EXPECT_NEAR(read->raHours, somewhere.raHours, 0.005 / 3600);
    EXPECT_NEAR(read->decDegrees, somewhere.decDegrees, 0.05 / 3600);
    // Saved again, the opened image keeps its cards.
    other.preferences.fitsStandardKeywords = true;
    ASSERT_EQ(writeFitsFile(other, root / "again.fit", {}), SaveResult::Saved);
    EXPECT_EQ(readBytes(root / "again.fit"), with);
  }
}

// A new colour image is shown through the automatic colour stretch (its planes' high bytes
// leave a sky frame nearly black); saved and opened again it is shown the same way. A balanced
// image, shown plain, stays plain, and so do files written without the standard keywords.
TEST_F(FitsFileTest, AColourFileOpensAsTheWindowShowedIt) {
  struct Case {
    const char* name;
    bool keywords;
    bool automatic;
  };
  for (const Case c : {Case{"auto.fit", true, true}, Case{"plain.fit", true, false},
                       Case{"old-style.fit", false, true}}) {
    SCOPED_TRACE(c.name);
    makeImage(program, false, true);
    program.colourStretch = {};
    if (c.automatic) {
      program.colourStretch = image::autoColourStretch(
          program.planes.ColourImage, program.geometry.width, program.geometry.height);
    }
    program.preferences.fitsStandardKeywords = c.keywords;
    ASSERT_EQ(writeFitsFile(program, root / c.name, {}), SaveResult::Saved);
    const bool marked = c.keywords && c.automatic;
    EXPECT_EQ(cardValue(readBytes(root / c.name), "COLRDISP"), marked ? "'AUTO-STRETCH'" : "");

    app::Program other(clock, ui, base::ProgramPaths(root.path()));
    ASSERT_TRUE(openImageFile(other, root / c.name).loaded);
    const image::ColourDisplayStretch& shown = other.colourStretch;
    EXPECT_EQ(shown.automatic, marked);
    if (marked) {
      EXPECT_EQ(shown.black, program.colourStretch.black);
      EXPECT_EQ(shown.white, program.colourStretch.white);
    }
  }
}

TEST_F(FitsFileTest, UnsignedFilesWithZeroBzeroAreStillRead) {
  makeImage(program, true, false);
  ASSERT_EQ(writeFitsFile(program, root / "u.fit", {}), SaveResult::Saved);
  auto b = readBytes(root / "u.fit");
  std::string bzero = "BZERO   =   +0.0000000000E+00";
  bzero.resize(80, ' ');
  std::memcpy(b.data() + 36 * 80, bzero.data(), 80);
  // Re-store the data as plain unsigned big-endian samples.
  const auto raw = program.planes.RawImage;
  for (std::size_t i = 0; i < program.geometry.pixelCount; ++i) {
    b[5760 + 2 * i] = static_cast<std::uint8_t>(raw[i] >> 8);
    b[5760 + 2 * i + 1] = static_cast<std::uint8_t>(raw[i]);
  }
  test::writeBytes(root / "u.fit", std::string(b.begin(), b.end()));
  app::Program other(clock, ui, base::ProgramPaths(root.path()));
  ASSERT_TRUE(openImageFile(other, root / "u.fit").loaded);
  EXPECT_TRUE(test::samePlanePart(other.planes.RawImage, raw, program.geometry.pixelCount));
}

// The RGB file holds the rendered planes red, green, blue, each upside down.
TEST_F(FitsFileTest, RgbFileHoldsTheRenderedImageUpsideDown) {
  makeImage(program, true, true, 3);
  program.settings.colourSaturation = 3;
  ASSERT_EQ(writeFitsFile(program, root / "rgb.fit", {false, true, {}}), SaveResult::Saved);
  const auto b = readBytes(root / "rgb.fit");
  const std::size_t frame = 3'076'480;
  const auto& in = program.planes.ColourImage;
  const auto stored = [&](int k, std::size_t i) {
    const std::size_t at = 5760 + k * frame + 2 * i;
    return static_cast<std::uint16_t>(((b[at] << 8) | b[at + 1]) + 32768);
  };
  for (int y : {0, 1, 505, 1011}) {
    for (int x : {0, 7, 1519}) {
      const std::size_t src = static_cast<std::size_t>(1011 - y) * 1520 + x;
      const std::size_t dst = static_cast<std::size_t>(y) * 1520 + x;
      const auto p = renderRgbPixel(program.planes.RawImage[src], in.red()[src], in.blue()[src],
                                    in.green()[src], 3);
      EXPECT_EQ(stored(0, dst), p.red) << y << " " << x;
      EXPECT_EQ(stored(1, dst), p.green) << y << " " << x;
      EXPECT_EQ(stored(2, dst), p.blue) << y << " " << x;
    }
  }
  // An RGB file has none of the sizes Open recognises.
  EXPECT_FALSE(isFitsSize(static_cast<std::int64_t>(b.size())));
}

// Worked by hand with saturation 3 (s = 2): factor = plane / brightest, output =
// ((factor - 1) * s * 0.5 + 1.2) * raw.
TEST(RgbRender, PixelFollowsTheSaturationFormula) {
  struct Case {
    std::uint16_t raw, red, blue, green;
    int saturation;
    std::uint16_t outRed, outBlue, outGreen;
  };
  // Raw values are chosen so that no product lands on a whole number, where the truncation of
  // an inexact 1.2 would decide the last digit.
  const Case cases[] = {
      // brightest red: red factor 1 -> 1.2 x raw; blue 0.5 -> 0.7 x raw; green 0 -> 0.2 x raw.
      {1001, 200, 100, 0, 3, 1201, 700, 200},
      // saturation 1 (s = 1): blue 0.5 -> 0.95 x raw.
      {1001, 200, 100, 200, 1, 1201, 950, 1201},
      // all colour planes 0: factors 1.
      {1001, 0, 0, 0, 9, 1201, 1201, 1201},
      // raw 65535: factors 1 and 1.2 x 65535 clamps.
      {65535, 100, 0, 0, 3, 65535, 65535, 65535},
      // strong saturation (s = 5) drives a channel negative: clamped to 0.
      {1001, 100, 0, 0, 9, 1201, 0, 0},
      // s = 1: red 1.2 x raw clamps; blue 0.1 -> 0.75 x raw; green 0.9 -> 1.15 x raw clamps.
      {60001, 1000, 100, 900, 1, 65535, 45000, 65535},
      // boundary: raw 0 gives 0 whatever the colours.
      {0, 65535, 1, 2, 5, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const auto p = renderRgbPixel(c.raw, c.red, c.blue, c.green, c.saturation);
    EXPECT_EQ(p.red, c.outRed) << c.raw << " " << c.saturation;
    EXPECT_EQ(p.blue, c.outBlue) << c.raw << " " << c.saturation;
    EXPECT_EQ(p.green, c.outGreen) << c.raw << " " << c.saturation;
  }
}

// A save that runs out of disk part-way leaves the earlier file of that name whole and no
// partial file beside it; the messages say which part failed.
TEST_F(FitsFileTest, FailedSaveKeepsThePreviousFileAndReportsIt) {
  struct Case {
    bool colour, rgb;
    std::uint64_t room;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {false, false, 100, {"Unable to create file, check disk space\nNo space left on device"}},
      {false, false, 6000, {"Unable to create file, check disk space\nNo space left on device"}},
      {true,
       false,
       3'082'240 + 10,
       {"Unable to create/overwrite KR File",
        "Unable to create file, check disk space\nNo space left on device"}},
      {true,
       true,
       6000,
       {"Unable to create/overwrite KR File",
        "Unable to create file, check disk space\nNo space left on device"}},
  };
  for (const auto& c : cases) {
    const auto path = root / "keep.fit";
    test::writeBytes(path, "previous contents");
    makeImage(program, true, c.colour);
    ui.clearRecord();
    EXPECT_NE(saveFitsFile(program, path, {false, c.rgb, DiskSpace{c.room}}), SaveResult::Saved);
    EXPECT_EQ(ui.messageTexts(), c.messages);
    const auto kept = readBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()), {}), 1);
  }
  ui.clearRecord();
  EXPECT_EQ(saveFitsFile(program, root / "no-such-folder" / "x.fit", {}), SaveResult::CannotCreate);
  EXPECT_EQ(ui.messageTexts(),
            std::vector<std::string>{
                "Unable to create file, check disk space\nNo such file or directory"});
}

}  // namespace
}  // namespace nvk::files
