#pragma once

#include <string>
#include <string_view>

#include "image/image_state.h"
#include "port/ui.h"

namespace nvk::image {

// "Sub-Frame Selection": the size of the high-resolution sub-frame the camera reads. Choosing a
// radio button changes the image state at once.
class SubFrameDialog final : public port::DialogModel {
 public:
  static constexpr int kHalfFrame = 210;
  static constexpr int kThirdFrame = 211;
  static constexpr int kQuarterFrame = 212;

  struct Choice {
    int controlId;
    std::string_view label;
    std::int16_t fraction;
    std::int32_t width;
    std::int32_t height;
  };
  static const Choice& choice(int controlId);  // 210..212

  explicit SubFrameDialog(ImageState& state) : state_(state) {}

  std::string_view dialogId() const override { return "TSubFrameDialog"; }
  std::string title() const override { return "Sub-Frame Selection"; }

  // The radio button marked when the dialog is drawn.
  int checkedControl() const;
  // A click on radio button 210, 211 or 212.
  void select(int controlId);
  // "Help": a message box about the dialog.
  void help(port::Ui& ui) const;

 private:
  ImageState& state_;
};

}  // namespace nvk::image
