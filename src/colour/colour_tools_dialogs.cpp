#include "colour/colour_tools_dialogs.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "base/messages.h"
#include "base/parse_int.h"

namespace nvk::colour {
namespace {

std::optional<double> parseDouble(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

TBalanceDialog::TBalanceDialog(ColourBalance& balance, std::array<int, 6>& starts, port::Ui& ui)
    : balance_(balance), starts_(starts), ui_(ui) {
  for (std::size_t c = 0; c < 3; ++c)
    balance_.start[c] = starts_[c];
  showStored();
}

void TBalanceDialog::showStored() {
  const ColourBalance& b = balance_;
  for (std::size_t c = 0; c < 3; ++c) {
    startText[c] = std::to_string(b.start[c]);
    minimumText[c] = std::to_string(b.minimum[c]);
    maximumText[c] = std::to_string(b.maximum[c]);
  }
  saturationText = number(b.saturation);
}

std::string TBalanceDialog::appliedText() const {
  char text[96];
  std::snprintf(text, sizeof text, "Applied since synthesis: R %d  G %d  B %d", starts_[3],
                starts_[4], starts_[5]);
  return text;
}

bool TBalanceDialog::ok() {
  ColourBalance typed;
  bool parsed = true;
  for (std::size_t c = 0; c < 3 && parsed; ++c) {
    const auto s = base::parseInt(startText[c]);
    const auto lo = base::parseInt(minimumText[c]);
    const auto hi = base::parseInt(maximumText[c]);
    parsed = s && lo && hi;
    if (parsed) {
      typed.start[c] = *s;
      typed.minimum[c] = *lo;
      typed.maximum[c] = *hi;
    }
  }
  const auto saturation = parseDouble(saturationText);
  if (parsed && saturation) {
    typed.saturation = *saturation;
    if (typed.valid()) {
      balance_ = typed;
      for (std::size_t c = 0; c < 3; ++c)
        starts_[c] = typed.start[c];
      showStored();
      return true;
    }
  }
  ui_.beep();
  showStored();
  return false;
}

void TBalanceDialog::reset() {
  const ColourBalance defaults;
  for (std::size_t c = 0; c < 3; ++c) {
    startText[c] = std::to_string(defaults.start[c]);
    minimumText[c] = std::to_string(defaults.minimum[c]);
    maximumText[c] = std::to_string(defaults.maximum[c]);
  }
  saturationText = number(defaults.saturation);
}

void TBalanceDialog::help() const {
  base::ShowMessage(ui_, base::Message::CallerText, kHelpText);
}

TChromatismDialog::TChromatismDialog(ChromatismShift& shift, port::Ui& ui)
    : shift_(shift), ui_(ui) {
  showStored();
}

void TChromatismDialog::showStored() {
  redXText = number(shift_.redX);
  redYText = number(shift_.redY);
  blueXText = number(shift_.blueX);
  blueYText = number(shift_.blueY);
}

bool TChromatismDialog::ok() {
  const auto rx = parseDouble(redXText), ry = parseDouble(redYText);
  const auto bx = parseDouble(blueXText), by = parseDouble(blueYText);
  if (rx && ry && bx && by) {
    const ChromatismShift typed{*rx, *ry, *bx, *by};
    if (typed.valid()) {
      shift_ = typed;
      showStored();
      return true;
    }
  }
  ui_.beep();
  showStored();
  return false;
}

}  // namespace nvk::colour
