#include "cli/colour_operations.h"

#include "app/messages.h"
#include "colour/anti_alias.h"
#include "colour/single_filter.h"
#include "colour/synthesis.h"

namespace nvk::cli {
namespace {

constexpr int kAlreadyColourConverted = 68;

ColourOperation synthesis(bool daylight) {
  return [daylight](core::Program& p) {
    if (p.state.colourConverted) {
      app::ShowMessage(p.ui(), kAlreadyColourConverted);
      return false;
    }
    if (daylight) p.colour.daylightImage = true;
    colour::synthesizeColour(p);
    return true;
  };
}

// Anti-alias and colour undo refuse a monochrome image with their own message.
ColourOperation onColourImage(void (*command)(core::Program&)) {
  return [command](core::Program& p) {
    const bool colourImage = p.state.colourConverted;
    command(p);
    return colourImage;
  };
}

}  // namespace

std::optional<ColourOperation> parseColourOperation(std::string_view op) {
  if (op == "synth") return synthesis(false);
  if (op == "synth:daylight") return synthesis(true);
  if (op == "antialias") {
    return onColourImage([](core::Program& p) { colour::AntiAlias(p, true); });
  }
  if (op == "colourundo") return onColourImage(colour::UndoLastColourFilter);
  if (op.size() == 6 && op.substr(0, 5) == "mono:" && op[5] >= '1' && op[5] <= '4') {
    const int choice = op[5] - '0';
    return [choice](core::Program& p) {
      const bool refused = p.state.colourConverted || p.state.binned;
      p.colour.singleFilterSite = choice;
      colour::buildSingleFilterImage(p, choice);  // shows the refusal itself
      return !refused;
    };
  }
  return std::nullopt;
}

}  // namespace nvk::cli
