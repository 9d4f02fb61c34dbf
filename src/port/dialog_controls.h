#pragma once

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace nvk::port {

// A whole number typed into a dialog's edit (spaces around it allowed); nullopt otherwise.
inline std::optional<int> wholeNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The check boxes of a dialog model, each bound by its control id to the setting it shows and
// changes at once.
class CheckBoxes {
 public:
  CheckBoxes(std::initializer_list<std::pair<int, bool*>> boxes) : boxes_(boxes) {}

  // False for an id that is not one of the boxes.
  bool isChecked(int id) const {
    const bool* setting = find(id);
    return setting != nullptr && *setting;
  }
  // A click on the box: its setting flips. Nothing for an id that is not one of the boxes.
  void toggle(int id) {
    if (bool* setting = find(id)) *setting = !*setting;
  }

 private:
  bool* find(int id) const {
    const auto it = std::find_if(boxes_.begin(), boxes_.end(),
                                 [id](const auto& box) { return box.first == id; });
    return it == boxes_.end() ? nullptr : it->second;
  }
  std::vector<std::pair<int, bool*>> boxes_;
};

}  // namespace nvk::port
