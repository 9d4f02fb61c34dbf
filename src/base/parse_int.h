#pragma once

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace nvk::base {

// What a whole number may look like beyond its digits and an optional '-'.
struct IntSyntax {
  bool blanks = false;     // spaces before and after the number are skipped
  bool plusSign = false;   // a '+' may stand before the digits
  bool textAfter = false;  // anything may follow the number and is ignored (as atoi does)
};

// A number typed into a dialog's edit: spaces around it allowed.
inline constexpr IntSyntax kSpacesAround{.blanks = true};

// As C's atoi reads: spaces, a sign, the digits, and then anything.
inline constexpr IntSyntax kLeadingNumber{.blanks = true, .plusSign = true, .textAfter = true};

// The whole number `text` spells in `syntax`; nothing for an empty text, a text that is not a
// number, text after the digits (unless allowed) or a value that does not fit in T. An unsigned
// T takes no sign at all.
template <std::integral T = int>
std::optional<T> parseInt(std::string_view text, IntSyntax syntax = {}) {
  const auto skipBlanks = [&] {
    while (syntax.blanks && !text.empty() && text.front() == ' ')
      text.remove_prefix(1);
  };
  skipBlanks();
  if (syntax.plusSign && std::is_signed_v<T> && !text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  skipBlanks();
  if (!text.empty() && !syntax.textAfter) return std::nullopt;
  return value;
}

// As parseInt, and only a value within low..high.
template <std::integral T = int>
std::optional<T> parseIntIn(std::string_view text, T low, T high, IntSyntax syntax = {}) {
  const auto value = parseInt<T>(text, syntax);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

}  // namespace nvk::base
