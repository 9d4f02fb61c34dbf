#include "files/fits_header.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

namespace nvk::files {
namespace {

std::string text(const FitsCard& card) {
  return std::string(card.data(), card.size());
}
std::string padded(std::string s) {
  s.resize(80, ' ');
  return s;
}
// `header` with its card `index` (0-based) replaced by `card`.
std::string withCard(std::string header, int index, const std::string& card) {
  header.replace(static_cast<std::size_t>(index) * 80, 80, padded(card));
  return header;
}

TEST(FitsCards, StringCardClosesDirectlyAfterTheValueWithoutDoublingApostrophes) {
  EXPECT_EQ(text(stringCard("OBJECT  = '", "M42")), padded("OBJECT  = 'M42'"));
  EXPECT_EQ(text(stringCard("OBJECT  = '", "")), padded("OBJECT  = ''"));
  EXPECT_EQ(text(stringCard("OBSERVER= '", "O'Neil")), padded("OBSERVER= 'O'Neil'"));
  // A value that would run past column 79 is cut so that the apostrophe lands in column 80.
  const std::string longValue(90, 'x');
  EXPECT_EQ(text(stringCard("OBJECT  = '", longValue)), "OBJECT  = '" + std::string(68, 'x') + "'");
}

TEST(FitsCards, NumberCardUsesFourSpacesAndTenDecimals) {
  EXPECT_EQ(text(numberCard("PIXWIDTH=", 0.0078)), padded("PIXWIDTH=    7.8000000000E-03"));
  EXPECT_EQ(text(numberCard("EXPTIME =", 0.0)), padded("EXPTIME =    0.0000000000E+00"));
  EXPECT_EQ(text(numberCard("FOCALLEN=", -80.5)), padded("FOCALLEN=    -8.0500000000E+01"));
  EXPECT_EQ(text(numberCard("APERTURE=", 1.5e123)), padded("APERTURE=    1.5000000000E+123"));
}

TEST(FitsCards, SeventyCharacterHistorySplitsOverFourCards) {
  std::string history;
  for (int i = 0; i < 70; ++i)
    history.push_back(static_cast<char>('A' + i % 26));
  EXPECT_EQ(text(textCard("HISTORY = '", history, 0)), "HISTORY = '" + history.substr(0, 68) + "'");
  EXPECT_EQ(text(textCard("HISTORY = '", history, 1)),
            "HISTORY = '" + history.substr(68, 2) + std::string(66, ' ') + "'");
  EXPECT_EQ(text(textCard("HISTORY = '", history, 2)), "HISTORY = '" + std::string(68, ' ') + "'");
  EXPECT_EQ(text(textCard("COMMENT = '", "", 3)), "COMMENT = '" + std::string(68, ' ') + "'");
}

// The whole header of a binned sub-frame mono file with filled-in texts, card by card.
TEST(FitsHeader, MonoBinnedHeaderCardByCard) {
  image::FitsHeaderInfo info;
  info.object = "M42";
  info.telescope = "C8";
  info.observer = "Ann";
  info.origin = "Home";
  info.dateObs = "2026-03-07";
  info.timeObs = "03:10:05";
  info.historyText = "h";
  info.commentText = "c";
  info.pixelWidth = 0.0078;
  info.pixelHeight = 0.0078;
  info.exposureSeconds = 30;
  info.focalLength = 80;
  info.aperture = 50.25;
  image::ProcessingHistory history;
  history.add("Dark Frame Subtracted");
  FitsHeaderLayout layout;
  layout.binned = true;
  layout.readoutMode = image::ReadoutMode::SubFrame;
  layout.modeCode = '5';

  const std::string header = buildFitsHeader(layout, info, history);
  ASSERT_EQ(header.size(), 5760u);
  std::vector<std::string> expected = {
      "SIMPLE  =                    T /",
      "BITPIX  =                   16 /",
      "NAXIS   =                    2 /",
      "NAXIS1  =                 1520 /",
      "NAXIS2  =                 1012 /",
      "OBJECT  = 'M42'",
      "TELESCOP= 'C8'",
      "INSTRUME= 'Norvane CCD'",
      "OBSERVER= 'Ann'",
      "ORIGIN  = 'Home'",
      "DATE-OBS= '2026-03-07'",
      "TIME-OBS= '03:10:05'",
      "HISTORY = 'Subframe Image        '",
      "HISTORY = 'Dark Frame Subtracted'",
      "HISTORY = 'h" + std::string(67, ' ') + "'",
      "HISTORY = '" + std::string(68, ' ') + "'",
      "HISTORY = '" + std::string(68, ' ') + "'",
      "HISTORY = '" + std::string(68, ' ') + "'",
      "COMMENT = 'c" + std::string(67, ' ') + "'",
      "COMMENT = '" + std::string(68, ' ') + "'",
      "COMMENT = '" + std::string(68, ' ') + "'",
      "COMMENT = '" + std::string(68, ' ') + "'",
      "BZERO   =   +3.2768000000E+04",
      "BSCALE  =   +1.0000000000E+00",
      "PIXWIDTH=    7.8000000000E-03",
      "PIXHEIGH=    7.8000000000E-03",
      "SATURATE=                32768",
      "EXPTIME =    3.0000000000E+01",
      "FOCALLEN=    8.0000000000E+01",
      "APERTURE=    5.0250000000E+01",
      "FILTER  = 'None'",
      "END",
  };
  // The fourteen unused processing-history slots.
  expected.insert(expected.begin() + 14, 14, "HISTORY = ''");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(header.substr(i * 80, 80), padded(expected[i])) << "card " << i + 1;
  }
  for (std::size_t i = expected.size(); i < 72; ++i) {
    EXPECT_EQ(header.substr(i * 80, 80), std::string(80, ' ')) << "card " << i + 1;
  }
}

int nonBlankCards(const std::string& header) {
  int count = 0;
  for (std::size_t i = 0; i < 72; ++i) {
    if (header.substr(i * 80, 80) != std::string(80, ' ')) ++count;
  }
  return count;
}

TEST(FitsHeader, EachShapeHasItsCardCountAndAxes) {
  struct Case {
    FitsShape shape;
    bool eightBit;
    int nonBlank;
    const char* simple;
    const char* bitpix;
    const char* naxis;
    const char* naxis3;  // card 6 when there is one
  };
  const Case cases[] = {
      {FitsShape::Mono, false, 46, "SIMPLE  =                    T /",
       "BITPIX  =                   16 /", "NAXIS   =                    2 /", nullptr},
      {FitsShape::Mono, true, 46, "SIMPLE  =                    T /",
       "BITPIX  =                    8 /", "NAXIS   =                    2 /", nullptr},
      {FitsShape::Colour, false, 47, "SIMPLE  =                    F /",
       "BITPIX  =                   16 /", "NAXIS   =                    3 /",
       "NAXIS3  =                    4 /"},
      {FitsShape::Rgb, false, 50, "SIMPLE  =                    T /",
       "BITPIX  =                   16 /", "NAXIS   =                    3 /",
       "NAXIS3  =                    3 /"},
  };
  for (const auto& c : cases) {
    FitsHeaderLayout layout;
    layout.shape = c.shape;
    layout.eightBit = c.eightBit;
    const std::string h = buildFitsHeader(layout, {}, {});
    EXPECT_EQ(h.size(), 5760u);
    EXPECT_EQ(nonBlankCards(h), c.nonBlank);
    EXPECT_EQ(h.substr(0, 80), padded(c.simple));
    EXPECT_EQ(h.substr(80, 80), padded(c.bitpix));
    EXPECT_EQ(h.substr(160, 80), padded(c.naxis));
    EXPECT_EQ(h.substr(240, 80), padded("NAXIS1  =                 3040 /"));
    if (c.naxis3) {
      EXPECT_EQ(h.substr(400, 80), padded(c.naxis3));
    }
    if (c.shape == FitsShape::Rgb) {
      // FILTER, the three FILTERn cards, END: cards 46..50.
      EXPECT_EQ(h.substr(45 * 80, 80), padded("FILTER  = 'None'"));
      EXPECT_EQ(h.substr(46 * 80, 80), padded("FILTER1 = 'RED'"));
      EXPECT_EQ(h.substr(47 * 80, 80), padded("FILTER2 = 'GRN'"));
      EXPECT_EQ(h.substr(48 * 80, 80), padded("FILTER3 = 'BLU'"));
      EXPECT_EQ(h.substr(49 * 80, 80), padded("END"));
    }
  }
}

TEST(FitsHeader, ReadsBackEveryFieldItWrote) {
  image::FitsHeaderInfo info;
  info.object = "NGC 7000";
  info.telescope = "Newtonian";
  info.instrument = "Cam";
  info.observer = "Bob";
  info.origin = "Obs";
  info.dateObs = "2026-12-08";
  info.timeObs = "21:00:01";
  info.historyText = std::string(100, 'h') + " end";
  info.commentText = std::string(254, 'c');
  info.filter = "Ha";
  info.pixelWidth = 0.0078;
  info.pixelHeight = 0.0091;
  info.exposureSeconds = 123.5;
  info.focalLength = 80;
  info.aperture = 12.25;
  info.utOffsetHours = -3;
  image::ProcessingHistory history;
  history.setSlot(0, "Dark Frame Subtracted");
  history.setSlot(2, "Flatfield Applied");
  FitsHeaderLayout layout;
  layout.binned = false;
  layout.modeCode = '7';
  layout.readoutMode = image::ReadoutMode::FullFrameBinned7;

  const auto parsed = parseFitsHeader(buildFitsHeader(layout, info, history), 12'311'680, info);
  ASSERT_TRUE(parsed);
  EXPECT_FALSE(parsed->binned);
  EXPECT_FALSE(parsed->colour);
  EXPECT_EQ(parsed->sampleOffset, 32768);
  EXPECT_EQ(parsed->readoutMode, image::ReadoutMode::FullFrameBinned7);
  EXPECT_EQ(parsed->modeCode, '7');
  // Every field, the numbers exactly: they go through "%11.10E" and back.
  const auto fields = [](const image::FitsHeaderInfo& i) {
    return std::tie(i.object, i.telescope, i.instrument, i.observer, i.origin, i.dateObs, i.timeObs,
                    i.historyText, i.commentText, i.filter, i.pixelWidth, i.pixelHeight,
                    i.exposureSeconds, i.focalLength, i.aperture, i.utOffsetHours);
  };
  EXPECT_EQ(fields(parsed->info), fields(info));
  for (int i = 0; i < image::ProcessingHistory::kSlots; ++i) {
    EXPECT_EQ(parsed->history.slot(i), history.slot(i)) << i;
  }
}

// The readout card is written from the geometry and mode, and decides the mode on read.
TEST(FitsHeader, ReadoutCardIsWrittenAndDecidesModeOnRead) {
  using M = image::ReadoutMode;
  struct Case {
    bool binned;
    M written;
    char code;
    const char* card;
    M read;
    char readCode;
  };
  const Case cases[] = {
      {true, M::SubFrame, '5', "Subframe Image        '", M::SubFrame, '5'},
      {true, M::Binned2x2, '2', "Binned Image          '", M::Binned2x2, '2'},
      {true, M::Binned4x4, '4', "Binned Image          '", M::Binned2x2, '2'},
      {true, M::Binned4x8, '3', "Binned Image          '", M::Binned2x2, '2'},
      {false, M::FullFrameBinned7, '7', "Fullframe Image Binned'", M::FullFrameBinned7, '7'},
      {false, M::FullFrame6, '6', "Fullframe Image       '", M::HighResolution, '1'},
      {false, M::HighResolution, '1', "Fullframe Image       '", M::HighResolution, '1'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    FitsHeaderLayout layout;
    layout.binned = c.binned;
    layout.readoutMode = c.written;
    layout.modeCode = c.code;
    EXPECT_EQ(readoutCardText(layout), c.card);
    const auto parsed =
        parseFitsHeader(buildFitsHeader(layout, {}, {}), c.binned ? 3'084'480 : 12'312'000, {});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->readoutMode, c.read);
    EXPECT_EQ(parsed->modeCode, c.readCode);
    EXPECT_EQ(parsed->binned, c.binned);
  }
}

TEST(FitsHeader, RefusesHeadersNotWrittenByThisProgram) {
  FitsHeaderLayout mono;
  const std::string good = buildFitsHeader(mono, {}, {});
  ASSERT_TRUE(parseFitsHeader(good, 12'312'000, {}));
  const std::string refused[] = {
      withCard(good, 1, "BITPIX  =                    8 /"),
      withCard(good, 1, "BITPIX  =                  -32 /"),
      withCard(good, 2, "NAXIS   =                    1 /"),
      withCard(good, 3, "NAXIS1  =                 3041 /"),
      withCard(good, 4, "NAXIS2  =                 2025 /"),
      withCard(good, 4, "NAXIS2  =                 2034 /"),
      // Three axes in a file whose size says mono.
      withCard(good, 2, "NAXIS   =                    3 /"),
      // A binned readout card in a full-width file.
      withCard(good, 12, "HISTORY = 'Binned Image          '"),
      std::string(5760, ' '),
  };
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    EXPECT_FALSE(parseFitsHeader(refused[i], 12'312'000, {})) << "case " << i;
  }
  EXPECT_FALSE(parseFitsHeader(good.substr(0, 5000), 12'312'000, {}));
}

// The cards of a full-width mono header (0-based) that the tests below change.
constexpr int kBitpixCard = 1;
constexpr int kNaxisCard = 2;
constexpr int kNaxis1Card = 3;
constexpr int kNaxis2Card = 4;
constexpr int kReadoutCard = 12;
// PIXWIDTH, PIXHEIGH, EXPTIME, FOCALLEN, APERTURE.
constexpr int kNumberCards[] = {38, 39, 41, 42, 43};
constexpr int kEndCard = 45;

// NAN, INF and 1E999 were taken from a header as the values, and saving the image again wrote
// "EXPTIME =    INF", a card no FITS reader accepts.
TEST(FitsHeader, NonFiniteNumbersWereReadAndWrittenBack) {
  const std::string good = buildFitsHeader({}, {}, {});
  for (const char* value : {"nan", "NAN", "inf", "-INF", "Infinity", "1e999", "-1.0E+999"}) {
    SCOPED_TRACE(value);
    std::string h = good;
    for (const int index : kNumberCards) {
      h = withCard(h, index, h.substr(static_cast<std::size_t>(index) * 80, 9) + "    " + value);
    }
    // Taken as 0, as any number the reader cannot read.
    const auto parsed = parseFitsHeader(h, 12'312'000, {});
    ASSERT_TRUE(parsed);
    const auto& i = parsed->info;
    EXPECT_EQ(
        (std::array{i.pixelWidth, i.pixelHeight, i.exposureSeconds, i.focalLength, i.aperture}),
        (std::array<double, 5>{}));
  }

  image::FitsHeaderInfo info;
  info.pixelWidth = std::numeric_limits<double>::quiet_NaN();
  info.pixelHeight = std::numeric_limits<double>::infinity();
  info.exposureSeconds = -std::numeric_limits<double>::infinity();
  // "1.7976931349E+308": rounded to ten decimals, the largest double reads back as INF.
  info.focalLength = std::numeric_limits<double>::max();
  info.aperture = 1e300;
  const std::string h = buildFitsHeader({}, info, {});
  const char* expected[] = {"PIXWIDTH=    0.0000000000E+00", "PIXHEIGH=    0.0000000000E+00",
                            "EXPTIME =    0.0000000000E+00", "FOCALLEN=    0.0000000000E+00",
                            "APERTURE=    1.0000000000E+300"};
  for (std::size_t k = 0; k < std::size(kNumberCards); ++k) {
    EXPECT_EQ(h.substr(static_cast<std::size_t>(kNumberCards[k]) * 80, 80), padded(expected[k]));
  }
}

// Only the last three columns of NAXIS1 were compared, so NAXIS1 = 999993040 was read as 3040;
// the other shape cards were compared as loosely, column by column.
TEST(FitsHeader, ShapeCardsWereComparedOnlyInSomeColumns) {
  const std::string good = buildFitsHeader({}, {}, {});
  const std::pair<int, const char*> refused[] = {
      {kNaxis1Card, "NAXIS1  =            999993040 /"},
      {kNaxis1Card, "NAXIS1  =                -3040 /"},
      {kNaxis1Card, "NAXIS1  =                 3040000 /"},
      {kNaxis2Card, "NAXIS2  =            999992024 /"},
      // The binned height in a full-width file.
      {kNaxis2Card, "NAXIS2  =                 1012 /"},
      {kBitpixCard, "BITPIX  =                  -16 /"},
      {kNaxisCard, "NAXIS   =                   12 /"},
      {kReadoutCard, "HISTORY = 'Fullframe'"},
  };
  for (const auto& [index, card] : refused) {
    EXPECT_FALSE(parseFitsHeader(withCard(good, index, card), 12'312'000, {})) << card;
  }
  // A comment after the value is still the same card.
  EXPECT_TRUE(parseFitsHeader(withCard(good, kNaxis1Card, "NAXIS1  =                 3040 / width"),
                              12'312'000, {}));
}

// A header with no END card was read as ours, whatever came where the data starts.
TEST(FitsHeader, HeaderWithoutEndWasAccepted) {
  const std::string good = buildFitsHeader({}, {}, {});
  const std::pair<std::string, bool> cases[] = {
      {good, true},
      {withCard(good, kEndCard, ""), false},
      {withCard(good, kEndCard, "ENDX"), false},
      {withCard(good, kEndCard, "END     = 1"), false},
      // Cards this program does not write may come before END.
      {withCard(withCard(good, kEndCard, "XBINNING=                    2 /"), kEndCard + 1, "END"),
       true},
      {withCard(withCard(good, kEndCard, ""), 71, "END"), true},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(parseFitsHeader(cases[i].first, 12'312'000, {}).has_value(), cases[i].second)
        << "case " << i;
  }
}

TEST(ProcessingHistory, FullListDropsNewEntriesAndUndoEmptiesLastUsed) {
  image::ProcessingHistory history;
  for (int i = 0; i < 15; ++i)
    EXPECT_TRUE(history.add("Step " + std::to_string(i)));
  EXPECT_FALSE(history.add("Dropped"));
  EXPECT_EQ(history.slot(14), "Step 14");
  history.undoLast();
  EXPECT_EQ(history.slot(14), "");
  EXPECT_EQ(history.slot(13), "Step 13");
  EXPECT_TRUE(history.add(std::string(50, 'x')));
  EXPECT_EQ(history.slot(14), std::string(39, 'x'));
}

}  // namespace
}  // namespace nvk::files
