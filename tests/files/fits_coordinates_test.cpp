#include "files/fits_coordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace nvk::files {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// Hours and minutes and seconds as hours; degrees likewise.
constexpr double sexagesimal(double a, double b, double c) {
  return a + b / 60.0 + c / 3600.0;
}

TEST(FitsCoordinates, RightAscensionRoundsToTheHundredthAndWrapsTheDay) {
  const struct {
    double hours;
    const char* text;
  } cases[] = {
      {0.0, "00 00 00.00"},
      {sexagesimal(5, 35, 17.3), "05 35 17.30"},
      {sexagesimal(23, 59, 59.994), "23 59 59.99"},
      // Rounding carries through seconds, minutes and hours into the next day.
      {sexagesimal(23, 59, 59.996), "00 00 00.00"},
      {sexagesimal(0, 59, 59.996), "01 00 00.00"},
      {24.0, "00 00 00.00"},
      {-0.5, "23 30 00.00"},
      {kNan, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hours);
    EXPECT_EQ(objectRaText(c.hours), c.text);
  }
}

TEST(FitsCoordinates, DeclinationIsAlwaysSignedAndStopsAtThePoles) {
  const struct {
    double degrees;
    const char* text;
  } cases[] = {
      {-0.5, "-00 30 00.0"},  // south of the equator by less than a degree keeps its sign
      {-sexagesimal(0, 0, 0.04), "+00 00 00.0"},  // rounds to the equator: north
      {sexagesimal(52, 59, 59.96), "+53 00 00.0"},
      {-sexagesimal(5, 27, 3.26), "-05 27 03.3"},
      {90.0, "+90 00 00.0"},
      {-90.0, "-90 00 00.0"},
      {90.0001, ""},
      {-91.0, ""},
      {kNan, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.degrees);
    EXPECT_EQ(objectDecText(c.degrees), c.text);
  }
}

TEST(FitsCoordinates, ReaderTakesTheWrittenFormAndColonsAndRefusesTheRest) {
  const struct {
    const char* text;
    std::optional<double> ra;
    std::optional<double> dec;
  } cases[] = {
      {"05 35 17.30", sexagesimal(5, 35, 17.3), sexagesimal(5, 35, 17.3)},
      {"05:35:17", sexagesimal(5, 35, 17), sexagesimal(5, 35, 17)},
      {"12 30", 12.5, 12.5},
      {"-00 30 00.0", std::nullopt, -0.5},
      {"+90 00 00.0", std::nullopt, 90.0},
      {"+90 00 00.1", std::nullopt, std::nullopt},
      {"24 00 00.00", std::nullopt, sexagesimal(24, 0, 0)},
      {"12 60 00", std::nullopt, std::nullopt},
      {"12 30 60.0", std::nullopt, std::nullopt},
      {"12 30 -5", std::nullopt, std::nullopt},
      {"12.5 30 00", std::nullopt, std::nullopt},
      {"12", std::nullopt, std::nullopt},
      {"12 30 00 00", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"RA 12 30", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto ra = parseObjectRa(c.text);
    const auto dec = parseObjectDec(c.text);
    ASSERT_EQ(ra.has_value(), c.ra.has_value());
    ASSERT_EQ(dec.has_value(), c.dec.has_value());
    if (ra) {
      EXPECT_NEAR(*ra, *c.ra, 1e-12);
    }
    if (dec) {
      EXPECT_NEAR(*dec, *c.dec, 1e-12);
    }
  }
}

// What is written reads back within the text's resolution, and writing that again gives the same
// text (a file opened and saved again keeps its cards).
TEST(FitsCoordinates, WrittenTextReadsBackAndWritesTheSameAgain) {
  for (int i = 0; i < 2000; ++i) {
    const double ra = std::fmod(i * 0.0137731, 24.0);
    const double dec = -90.0 + std::fmod(i * 0.0917713, 180.0);
    const std::string raText = objectRaText(ra);
    const std::string decText = objectDecText(dec);
    const auto raBack = parseObjectRa(raText);
    const auto decBack = parseObjectDec(decText);
    ASSERT_TRUE(raBack && decBack) << raText << " " << decText;
    EXPECT_NEAR(*raBack, ra, 0.005 / 3600.0 + 1e-12) << raText;
    EXPECT_NEAR(*decBack, dec, 0.05 / 3600.0 + 1e-12) << decText;
    EXPECT_EQ(objectRaText(*raBack), raText);
    EXPECT_EQ(objectDecText(*decBack), decText);
  }
}

}  // namespace
}  // namespace nvk::files
