#include "cli/colour_operations.h"

#include "base/messages.h"
#include "base/parse_int.h"
#include "colour/anti_alias.h"
#include "colour/colour_tools.h"
#include "colour/single_filter.h"
#include "colour/synthesis.h"

#include <array>
#include <charconv>
#include <string>
#include <system_error>
#include <vector>

namespace nvk::cli {
namespace {

constexpr int kMaxLowPassRadius = 10;

ColourOperation synthesis(bool daylight) {
  return [daylight](app::Program& p) {
    if (p.state.colourConverted) {
      base::ShowMessage(p.ui(), base::Message::AlreadyColourConverted);
      return false;
    }
    if (daylight) p.colour.daylightImage = true;
    colour::synthesizeColour(p);
    return true;
  };
}

// Anti-alias and colour undo refuse a monochrome image with their own message.
// `command` is a colour command of any layer: each takes the program as far as its folder knows it.
template <typename Command>
ColourOperation onColourImage(Command command) {
  return [command](app::Program& p) {
    const bool colourImage = p.state.colourConverted;
    command(p);
    return colourImage;
  };
}

std::optional<double> decimalNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

// balance:R:G:B[:SAT[:RMIN:RMAX:GMIN:GMAX:BMIN:BMAX]]: the start values, the saturation factor
// and the levels of the "Colour Starting Balance" dialog, with its checks.
std::optional<ColourOperation> colourBalance(const std::vector<std::string_view>& parts) {
  if (parts.size() != 4 && parts.size() != 5 && parts.size() != 11) return std::nullopt;
  colour::ColourBalance balance;
  for (std::size_t c = 0; c < 3; ++c) {
    const auto start = base::parseInt(parts[c + 1]);
    if (!start) return std::nullopt;
    balance.start[c] = *start;
  }
  if (parts.size() >= 5) {
    const auto saturation = decimalNumber(parts[4]);
    if (!saturation) return std::nullopt;
    balance.saturation = *saturation;
  }
  if (parts.size() == 11) {
    for (std::size_t c = 0; c < 3; ++c) {
      const auto minimum = base::parseInt(parts[5 + 2 * c]);
      const auto maximum = base::parseInt(parts[6 + 2 * c]);
      if (!minimum || !maximum) return std::nullopt;
      balance.minimum[c] = *minimum;
      balance.maximum[c] = *maximum;
    }
  }
  if (!balance.valid()) return std::nullopt;
  return [balance](app::Program& p) {
    // Refused with message 69 on a monochrome image, as the menu command is.
    return colour::applyColourBalanceToImage(p, balance);
  };
}

// chromatism:RX:RY:BX:BY, in pixels (tenths honoured).
std::optional<ColourOperation> chromatism(const std::vector<std::string_view>& parts) {
  if (parts.size() != 5) return std::nullopt;
  std::array<double, 4> values{};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto value = decimalNumber(parts[i + 1]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  const colour::ChromatismShift shift{values[0], values[1], values[2], values[3]};
  if (!shift.valid()) return std::nullopt;
  return [shift](app::Program& p) { return colour::applyChromatismToImage(p, shift); };
}

}  // namespace

std::vector<std::string_view> operationFields(std::string_view op) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const auto colon = op.find(':', start);
    parts.push_back(op.substr(start, colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  return parts;
}

std::optional<ColourOperation> parseColourOperation(std::string_view op) {
  const auto parts = operationFields(op);
  if (parts[0] == "balance") return colourBalance(parts);
  if (parts[0] == "chromatism") return chromatism(parts);
  if (op == "overload") return ColourOperation(colour::ColourOverloadSmoothing);
  if (parts[0] == "overload" && parts.size() == 2) {
    const auto level = base::parseIntIn(parts[1], 1, 65535);
    if (!level) return std::nullopt;
    return [level = *level](app::Program& p) {
      p.colourTools.overloadLevel = level;
      return colour::ColourOverloadSmoothing(p);
    };
  }
  if (op == "lowpasscolour") return ColourOperation(colour::LowPassColourFilter);
  if (parts[0] == "lowpasscolour" && parts.size() == 2) {
    const auto radius = base::parseIntIn(parts[1], 1, kMaxLowPassRadius);
    if (!radius) return std::nullopt;
    return [radius = *radius](app::Program& p) {
      p.colourTools.lowPassRadius = radius;
      return colour::LowPassColourFilter(p);
    };
  }
  if (op == "balancehist") return ColourOperation(colour::BalanceColourHistogram);
  if (op == "synth") return synthesis(false);
  if (op == "synth:daylight") return synthesis(true);
  if (op == "antialias") {
    return onColourImage([](app::Program& p) { colour::AntiAlias(p, true); });
  }
  if (op == "colourundo") return onColourImage(colour::UndoLastColourFilter);
  const auto choice = op.size() == 6 && op.substr(0, 5) == "mono:"
                          ? base::parseIntIn(op.substr(5), 1, 4)
                          : std::nullopt;
  if (choice) {
    return [choice = *choice](app::Program& p) {
      const bool refused = p.state.colourConverted || p.state.binned;
      p.colour.singleFilterSite = choice;
      colour::buildSingleFilterImage(p, choice);  // shows the refusal itself
      return !refused;
    };
  }
  return std::nullopt;
}

}  // namespace nvk::cli
