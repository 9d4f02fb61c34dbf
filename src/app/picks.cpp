#include "app/picks.h"

#include <algorithm>
#include <cstdio>

#include "acquire/main_guiding.h"
#include "base/messages.h"
#include "camera/devices.h"
#include "camera/protocol.h"

namespace nvk::app {
namespace {

constexpr int kFocusMinLeft = 3;
constexpr int kFocusMinTop = 1;

std::string positionText(const image::ImagePoint& p) {
  char text[64];
  std::snprintf(text, sizeof text, "x position = %5d\ny position = %5d", p.x, p.y);
  return text;
}

}  // namespace

int displayToFullScale(bool binned, bool halfSizeDisplay) {
  return (binned ? 2 : 1) * (halfSizeDisplay ? 2 : 1);
}

int focusHalfWindow(bool binned) {
  return binned ? 32 : 64;
}

bool insideDisplay(const image::ImageGeometry& geometry, int x, int y) {
  return x >= 0 && y >= 0 && x < geometry.displayWidth && y < geometry.displayHeight;
}

std::optional<image::ImagePoint> imageDisplayPointAt(const Program& program, int x, int y) {
  if (!program.displayOptions.focusFrame) {
    if (!insideDisplay(program.geometry, x, y)) return std::nullopt;
    return image::ImagePoint{x, y};
  }
  if (x < 0 || y < 0 || x >= camera::kFocusWindowSize || y >= camera::kFocusWindowSize)
    return std::nullopt;
  // Where the focus readout starts on the sensor: the request counts samples of a line (four to
  // a 2 x 2 cell, two columns wide) and lines (two rows each).
  const camera::ReadoutRequest request = camera::focusWindowRequest(
      program.state.focusLeft, program.state.focusTop, program.acquisition.binFocusFrame);
  const int column = 2 * (request.x / 4) + x * request.binX;
  const int row = 2 * request.y + y * request.binY;
  const int scale = displayToFullScale(program.state.binned, program.halfSizeDisplay);
  return image::ImagePoint{std::min(column / scale, program.geometry.displayWidth - 1),
                           std::min(row / scale, program.geometry.displayHeight - 1)};
}

FocusPick focusCentrePick(const image::ImageGeometry& geometry, bool binned, bool halfSizeDisplay,
                          int x, int y) {
  // Work in image pixels: the half-window is an image size, the click a display position.
  const int half = halfSizeDisplay ? 2 : 1;
  const int h = focusHalfWindow(binned);
  const int side = 2 * h;
  const int left = std::clamp(x * half - h, kFocusMinLeft, geometry.width - side);
  const int top = std::clamp(y * half - h, kFocusMinTop, geometry.height - side);
  const int bin = binned ? 2 : 1;
  return {{(left + h) * bin, (top + h) * bin}, {left * bin, top * bin}};
}

image::ImagePoint subFramePick(const image::ImageGeometry& geometry, bool binned,
                               bool halfSizeDisplay, int subFrameWidth, int subFrameHeight, int x,
                               int y) {
  const int scale = displayToFullScale(binned, halfSizeDisplay);
  const int boxWidth = std::min(subFrameWidth / scale, geometry.displayWidth);
  const int boxHeight = std::min(subFrameHeight / scale, geometry.displayHeight);
  const int left = std::clamp(x - boxWidth / 2, 0, geometry.displayWidth - boxWidth);
  const int top = std::clamp(y - boxHeight / 2, 0, geometry.displayHeight - boxHeight);
  return {(left + boxWidth / 2) * scale, (top + boxHeight / 2) * scale};
}

DisplayRect subFrameOutline(const Program& program) {
  const int scale = displayToFullScale(program.state.binned, program.halfSizeDisplay);
  const int width = program.state.subFrameWidth / scale;
  const int height = program.state.subFrameHeight / scale;
  return {program.state.subFrameCentreX / scale - width / 2,
          program.state.subFrameCentreY / scale - height / 2, width, height};
}

PickMode pickAt(Program& program, PickMode mode, int x, int y) {
  if (mode != PickMode::SubFrameCentre && mode != PickMode::FocusCentre &&
      mode != PickMode::GuideStar) {
    return mode;
  }
  const auto at = imageDisplayPointAt(program, x, y);
  if (!at) {
    base::ShowMessage(program.ui(), base::Message::OutsideImageArea);
    return mode;
  }
  x = at->x;
  y = at->y;
  if (mode == PickMode::GuideStar) {
    // The star is found in the image's own pixels; a star too near the edge keeps the mode
    // for another try.
    const int half = program.halfSizeDisplay ? 2 : 1;
    return acquire::PickGuideStarAt(program, x * half, y * half) ? PickMode::None : mode;
  }
  if (mode == PickMode::FocusCentre) {
    const FocusPick pick =
        focusCentrePick(program.geometry, program.state.binned, program.halfSizeDisplay, x, y);
    program.state.focusLeft = pick.corner.x;
    program.state.focusTop = pick.corner.y;
    char text[128];
    std::snprintf(text, sizeof text, "x position = %5d\ny position = %5d\nleft = %5d\ntop = %5d",
                  pick.centre.x, pick.centre.y, pick.corner.x, pick.corner.y);
    base::ShowMessage(program.ui(), base::Message::CallerText, text);
    return PickMode::None;
  }
  const image::ImagePoint centre =
      subFramePick(program.geometry, program.state.binned, program.halfSizeDisplay,
                   program.state.subFrameWidth, program.state.subFrameHeight, x, y);
  program.state.subFrameCentreX = centre.x;
  program.state.subFrameCentreY = centre.y;
  base::ShowMessage(program.ui(), base::Message::CallerText, positionText(centre));
  return PickMode::None;
}

void setDefaultSubFrameCentre(Program& program) {
  program.state.subFrameCentreX = image::kFullWidth / 2;
  program.state.subFrameCentreY = image::kFullHeight / 2;
}

void setDefaultFocusCentre(Program& program) {
  const int h = focusHalfWindow(program.state.binned);
  program.state.focusLeft = image::kFullWidth / 2 - h;
  program.state.focusTop = image::kFullHeight / 2 - h;
}

}  // namespace nvk::app
