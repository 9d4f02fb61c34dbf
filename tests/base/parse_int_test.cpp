#include "base/parse_int.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace nvk::base {
namespace {

constexpr IntSyntax kPlain{};
constexpr IntSyntax kSigned{.blanks = true, .plusSign = true};

struct IntCase {
  std::string_view text;
  IntSyntax syntax;
  std::optional<int> expected;
};

TEST(ParseIntTest, SignsBlanksAndTrailingText) {
  const IntCase cases[] = {
      {"42", kPlain, 42},
      {"-42", kPlain, -42},
      {"0", kPlain, 0},
      {"-0", kPlain, 0},
      {"007", kPlain, 7},
      {"", kPlain, std::nullopt},
      {"-", kPlain, std::nullopt},
      {"+5", kPlain, std::nullopt},
      {" 5", kPlain, std::nullopt},
      {"5 ", kPlain, std::nullopt},
      {"5x", kPlain, std::nullopt},
      {"1.5", kPlain, std::nullopt},
      {"x5", kPlain, std::nullopt},
      {"0x10", kPlain, std::nullopt},
      {"  5  ", kSpacesAround, 5},
      {" -5", kSpacesAround, -5},
      {"   ", kSpacesAround, std::nullopt},
      {"5 5", kSpacesAround, std::nullopt},
      {"\t5", kSpacesAround, std::nullopt},
      {"+5", kSpacesAround, std::nullopt},
      {" +5 ", kSigned, 5},
      {"+0", kSigned, 0},
      {"+", kSigned, std::nullopt},
      {"+ 5", kSigned, std::nullopt},
      {"++5", kSigned, std::nullopt},
      {"+-5", kSigned, std::nullopt},
      {"-+5", kSigned, std::nullopt},
      {"12abc", kLeadingNumber, 12},
      {"  -3#", kLeadingNumber, -3},
      {"+8 9", kLeadingNumber, 8},
      {"abc", kLeadingNumber, std::nullopt},
      {"", kLeadingNumber, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parseInt(c.text, c.syntax), c.expected) << '"' << c.text << '"';
}

TEST(ParseIntTest, ValuesOutsideTheTypeAreRefused) {
  EXPECT_EQ(parseInt("2147483647"), 2147483647);
  EXPECT_EQ(parseInt("-2147483648"), std::numeric_limits<int>::min());
  EXPECT_EQ(parseInt("2147483648"), std::nullopt);
  EXPECT_EQ(parseInt("-2147483649"), std::nullopt);
  EXPECT_EQ(parseInt("99999999999999999999", kLeadingNumber), std::nullopt);
  EXPECT_EQ(parseInt<std::uint16_t>("65535"), 65535);
  EXPECT_EQ(parseInt<std::uint16_t>("65536"), std::nullopt);
  EXPECT_EQ(parseInt<std::uint16_t>("-1"), std::nullopt);
  EXPECT_EQ(parseInt<std::uint16_t>("+1", kSigned), std::nullopt);
  EXPECT_EQ(parseInt<long>("3000000000"), 3000000000L);
}

TEST(ParseIntTest, RangeIsInclusive) {
  const struct {
    std::string_view text;
    std::optional<int> expected;
  } cases[] = {
      {"1", 1}, {"30", 30}, {"0", std::nullopt}, {"31", std::nullopt}, {"x", std::nullopt}};
  for (const auto& c : cases)
    EXPECT_EQ(parseIntIn(c.text, 1, 30), c.expected) << c.text;
  EXPECT_EQ(parseIntIn(" 7 ", 1, 30, kSpacesAround), 7);
}

}  // namespace
}  // namespace nvk::base
