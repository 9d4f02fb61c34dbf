#pragma once

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace nvk::port {

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
