#include "image/sub_frame_dialog.h"

#include <array>
#include <stdexcept>

namespace nvk::image {
namespace {

// The labels name the sensor area actually read; the stored sizes are the display frame drawn
// around the chosen centre.
constexpr std::array<SubFrameDialog::Choice, 3> kChoices{{
    {SubFrameDialog::kHalfFrame, "1/2 Frame (1516x1008)", 2, 1520, 1012},
    {SubFrameDialog::kThirdFrame, "1/3 Frame (1011x672)", 3, 1013, 675},
    {SubFrameDialog::kQuarterFrame, "1/4 Frame (758x504)", 4, 760, 506},
}};

}  // namespace

const SubFrameDialog::Choice& SubFrameDialog::choice(int controlId) {
  for (const auto& c : kChoices) {
    if (c.controlId == controlId) return c;
  }
  throw std::invalid_argument("not a sub-frame control");
}

int SubFrameDialog::checkedControl() const {
  for (const auto& c : kChoices) {
    if (c.fraction == state_.subFrameFraction) return c.controlId;
  }
  return 0;
}

void SubFrameDialog::select(int controlId) {
  const Choice& c = choice(controlId);
  state_.subFrameFraction = c.fraction;
  state_.subFrameWidth = c.width;
  state_.subFrameHeight = c.height;
}

void SubFrameDialog::help(port::Ui& ui) const {
  ui.showMessage("NVK_K7LQ_USB - Set Sub-Frame Size",
                 "Select the size of high resolution sub-frame you want");
}

}  // namespace nvk::image
