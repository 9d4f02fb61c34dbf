#include "indi/driver_ui.h"

namespace nvk::indi {

void DriverUi::showMessage(std::string_view, std::string_view text) {
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.pop_back();
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  messages_.push_back(std::move(line));
}

std::string DriverUi::takeMessages() {
  std::string joined;
  for (const auto& m : messages_) {
    if (!joined.empty()) joined += "; ";
    joined += m;
  }
  messages_.clear();
  return joined;
}

}  // namespace nvk::indi
