#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "port/ui.h"
#include "process/measure_histogram.h"
#include "process/measure_photometry.h"
#include "process/measure_plots.h"
#include "process/measure_state.h"
#include "process/program.h"

namespace nvk::process {

// A pixel of the current image.
struct ImagePixel {
  int x = 0;
  int y = 0;
  bool operator==(const ImagePixel&) const = default;
};

// The image pixel under display pixel (x, y) of the picture shown 1:1: the half-size display
// shows every second sample of every second row.
ImagePixel imagePixelFromDisplay(const Program& program, int displayX, int displayY);
bool insideImage(const Program& program, ImagePixel pixel);

// --- Photometry (command 14) ---

// "Aperture radii": the three radii of photometry as typed; OK takes them when
// 1 <= R1 < R2 < R3 <= 100 and beeps otherwise.
class PhotometryDialog final : public port::DialogModel {
 public:
  PhotometryDialog(PhotometryApertures& apertures, port::Ui& ui);
  std::string_view dialogId() const override { return "TPhotometryDialog"; }
  std::string title() const override { return "Photometry Apertures"; }

  std::string apertureText;
  std::string skyInnerText;
  std::string skyOuterText;
  // "OK": true when the three radii are valid; they are stored and the dialog closes.
  bool ok();
  static constexpr std::string_view kExplanation =
      "Aperture radius R1 and sky annulus R2 to R3 in pixels (1 <= R1 < R2 < R3 <= 100)";

 private:
  PhotometryApertures& apertures_;
  port::Ui& ui_;
};

// Enters photometry mode: refused with message 35 while the row plot or merging is active, 37
// when already in photometry mode and 36 when the picture is stretched to the window. The
// aperture dialog is shown first; Cancel leaves the mode off. Starts a fresh list.
bool StartPhotometry(Program& program, bool fitToWindow);
// A left-button pick in photometry mode at image pixel (x, y): measures the star, appends the
// result to the list and returns it. A pick that cannot be measured shows why.
std::optional<PhotometryResult> photometryPick(Program& program, ImagePixel pixel);
// The figures the program knows of the current image: its exposure from the header record.
PhotometryOptions photometryOptions(const Program& program);

// --- Row plot (command 16) ---

// Enters row-plot mode: message 35 while photometry or merging is active, 38 when the picture
// is stretched to the window.
bool StartRowPlot(Program& program, bool fitToWindow);
// The pick that chooses the row: ends the mode and returns the plot of that row.
std::optional<RowPlot> rowPlotPick(Program& program, ImagePixel pixel);
// The plot of row `row` of the current image (the colour planes when converted).
RowPlot rowPlotOfImage(const Program& program, int row);

// Leaves whichever of photometry, row plot or merging is active (the results window closed,
// or the user cancelled). A merge in progress puts the first image back.
void endMeasureTool(Program& program);

// --- 3-D plot (command 15) ---

// The wireframe around the last measured or plotted point (the image centre before any), of
// the raw plane.
Plot3d intensityPlotOfImage(const Program& program, Plot3dOptions options);

// --- Histogram (command 6) ---

// The histogram of the picture the window shows.
DisplayHistogram histogramOfImage(const Program& program);

// --- Show values (command 8124) ---

// The read-out under the mouse.
struct PixelReadout {
  bool inside = false;
  ImagePixel pixel;
  std::uint16_t value = 0;  // the raw plane's sample
  bool colour = false;      // the image is colour converted: red, green and blue follow
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
  // "x = %4d  y = %4d  value = %5u", then "  R = %5u  G = %5u  B = %5u" when converted; empty
  // outside the image.
  std::string text() const;
};
PixelReadout readPixel(const Program& program, ImagePixel pixel);
// Command 8124 toggles the live read-out.
void toggleShowValues(Program& program);

}  // namespace nvk::process
