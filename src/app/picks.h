#pragma once

#include <optional>

#include "app/program.h"

namespace nvk::app {

// What a left-button click on the picture means at the moment.
enum class PickMode {
  None,
  SubFrameCentre,  // "Pick Sub-Frame"
  FocusCentre,     // "Focus Frame Centre"
  GuideStar,       // "Pick Guide Star"
  Photometry,
  Merge,
  RowPlot,  // "Intensity Plot of Current Row": the click chooses the row
};

// Full-resolution pixels per display pixel: x2 in binned geometry, x2 more with the half-size
// display.
int displayToFullScale(bool binned, bool halfSizeDisplay);

// Half the side of the focus window in image pixels: 64 in high resolution, 32 when binned.
int focusHalfWindow(bool binned);

// True when display pixel (x, y) lies on the picture.
bool insideDisplay(const image::ImageGeometry& geometry, int x, int y);

// The pixel of the image's own display (the picture scaled by binning and the half-size display)
// that lies under window pixel (x, y) of what the window shows: the image itself, or during focus
// mode the 128 x 128 focus window, which sits at the focus corner of the sensor (1:1, or one
// pixel for 2 x 2 with focus binning). nullopt when (x, y) is off the picture shown.
std::optional<image::ImagePoint> imageDisplayPointAt(const Program& program, int x, int y);

struct FocusPick {
  image::ImagePoint centre;  // full-resolution pixels
  image::ImagePoint corner;  // top-left corner of the focus window, full-resolution pixels
};
// The focus window for a click at display pixel (x, y): the clicked point less the half-window,
// clamped so that the whole window stays inside the image (left edge at least 3, top at least
// 1), scaled to full resolution.
FocusPick focusCentrePick(const image::ImageGeometry& geometry, bool binned, bool halfSizeDisplay,
                          int x, int y);

// The sub-frame centre for a click at display pixel (x, y): the point moved inward so that the
// sub-frame box (its display size after the display scaling) stays inside the picture, scaled
// to full resolution.
image::ImagePoint subFramePick(const image::ImageGeometry& geometry, bool binned,
                               bool halfSizeDisplay, int subFrameWidth, int subFrameHeight, int x,
                               int y);

// The sub-frame box around the current centre, in display pixels (for the outline overlay).
struct DisplayRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const DisplayRect&) const = default;
};
DisplayRect subFrameOutline(const Program& program);

// A left-button click at window pixel (x, y) (see imageDisplayPointAt) in pick mode `mode`:
// message 2 outside the picture; otherwise the focus or sub-frame pick with its message. Returns
// the pick mode that holds afterwards (a finished pick ends its mode; an outside click keeps it for
// a retry).
PickMode pickAt(Program& program, PickMode mode, int x, int y);

// "Default Sub-Frame Centre" and "Default Focus Frame Centre".
void setDefaultSubFrameCentre(Program& program);
void setDefaultFocusCentre(Program& program);

}  // namespace nvk::app
