#include "process/measure_tools.h"

#include <array>
#include <cstdio>

#include "base/messages.h"
#include "base/parse_int.h"
#include "process/measure_merge.h"

namespace nvk::process {
namespace {

std::span<const std::uint16_t> rawImage(const Program& program) {
  return std::span<const std::uint16_t>(program.planes.RawImage.data(),
                                        program.geometry.pixelCount);
}

// The refusals shared by the three pick tools: another tool active, or the picture stretched.
bool refuseStart(Program& program, MeasureTool tool, bool fitToWindow,
                 std::optional<base::Message> alreadyMessage, base::Message geometryMessage) {
  MeasureState& m = program.measure;
  if (m.active == tool && alreadyMessage) {
    base::ShowMessage(program.ui(), *alreadyMessage);
    return true;
  }
  if (m.active != MeasureTool::None && m.active != tool) {
    base::ShowMessage(program.ui(), base::Message::MeasureToolsExclusive);
    return true;
  }
  if (fitToWindow) {
    base::ShowMessage(program.ui(), geometryMessage);
    return true;
  }
  return false;
}

}  // namespace

ImagePixel imagePixelFromDisplay(const Program& program, int displayX, int displayY) {
  const int scale = program.halfSizeDisplay ? 2 : 1;
  return {displayX * scale, displayY * scale};
}

bool insideImage(const Program& program, ImagePixel p) {
  return p.x >= 0 && p.y >= 0 && p.x < program.geometry.width && p.y < program.geometry.height;
}

PhotometryDialog::PhotometryDialog(PhotometryApertures& apertures, port::Ui& ui)
    : apertureText(std::to_string(apertures.aperture)),
      skyInnerText(std::to_string(apertures.skyInner)),
      skyOuterText(std::to_string(apertures.skyOuter)),
      apertures_(apertures),
      ui_(ui) {}

bool PhotometryDialog::ok() {
  const auto r1 = base::parseInt(apertureText);
  const auto r2 = base::parseInt(skyInnerText);
  const auto r3 = base::parseInt(skyOuterText);
  if (r1 && r2 && r3) {
    const PhotometryApertures typed{*r1, *r2, *r3};
    if (typed.valid()) {
      apertures_ = typed;
      return true;
    }
  }
  ui_.beep();
  apertureText = std::to_string(apertures_.aperture);
  skyInnerText = std::to_string(apertures_.skyInner);
  skyOuterText = std::to_string(apertures_.skyOuter);
  return false;
}

bool StartPhotometry(Program& program, bool fitToWindow) {
  if (refuseStart(program, MeasureTool::Photometry, fitToWindow, base::Message::AlreadyInPhotometry,
                  base::Message::PhotometryNeedsStandardGeometry))
    return false;
  PhotometryDialog dialog(program.measure.apertures, program.ui());
  if (program.ui().runDialog(dialog) != port::DialogResult::Ok) return false;
  program.measure.active = MeasureTool::Photometry;
  program.measure.photometryLog.clear();
  return true;
}

PhotometryOptions photometryOptions(const Program& program) {
  PhotometryOptions options;
  options.radii = program.measure.apertures;
  options.exposureSeconds = program.fits.exposureSeconds;
  return options;
}

std::optional<PhotometryResult> photometryPick(Program& program, ImagePixel pixel) {
  if (program.measure.active != MeasureTool::Photometry) return std::nullopt;
  if (!insideImage(program, pixel)) {
    base::ShowMessage(program.ui(), base::Message::OutsideImageArea);
    return std::nullopt;
  }
  PhotometryResult result =
      measureStar(rawImage(program), program.geometry.width, program.geometry.height, pixel.x,
                  pixel.y, photometryOptions(program));
  if (!result.measured()) {
    base::ShowMessage(program.ui(), base::Message::CallerText,
                      photometryRefusalText(result.status));
    return std::nullopt;
  }
  program.measure.photometryLog.push_back(result);
  program.measure.lastPick = {int(result.x + 0.5), int(result.y + 0.5)};
  return result;
}

bool StartRowPlot(Program& program, bool fitToWindow) {
  if (refuseStart(program, MeasureTool::RowPlot, fitToWindow, std::nullopt,
                  base::Message::RowPlotNeedsStandardGeometry))
    return false;
  program.measure.active = MeasureTool::RowPlot;
  return true;
}

RowPlot rowPlotOfImage(const Program& program, int row) {
  const std::size_t n = program.geometry.pixelCount;
  const auto& c = program.planes.ColourImage;
  if (program.state.colourConverted) {
    const std::array<std::span<const std::uint16_t>, 3> planes{
        std::span<const std::uint16_t>(c.red().data(), n),
        std::span<const std::uint16_t>(c.green().data(), n),
        std::span<const std::uint16_t>(c.blue().data(), n)};
    return rowPlotData(planes, program.geometry.width, row);
  }
  const std::array<std::span<const std::uint16_t>, 1> planes{rawImage(program)};
  return rowPlotData(planes, program.geometry.width, row);
}

std::optional<RowPlot> rowPlotPick(Program& program, ImagePixel pixel) {
  if (program.measure.active != MeasureTool::RowPlot) return std::nullopt;
  if (!insideImage(program, pixel)) {
    base::ShowMessage(program.ui(), base::Message::OutsideImageArea);
    return std::nullopt;
  }
  program.measure.active = MeasureTool::None;
  program.measure.lastPick = {pixel.x, pixel.y};
  return rowPlotOfImage(program, pixel.y);
}

void endMeasureTool(Program& program) {
  if (program.measure.active == MeasureTool::Merging) {
    cancelMerging(program);
    return;
  }
  program.measure.active = MeasureTool::None;
}

Plot3d intensityPlotOfImage(const Program& program, Plot3dOptions options) {
  const auto& g = program.geometry;
  if (program.measure.lastPick) {
    options.centreX = program.measure.lastPick->first;
    options.centreY = program.measure.lastPick->second;
  } else {
    options.centreX = g.width / 2;
    options.centreY = g.height / 2;
  }
  return intensityPlot3d(rawImage(program), g.width, g.height, options);
}

DisplayHistogram histogramOfImage(const Program& program) {
  return histogramOfDisplay(program.display);
}

std::string PixelReadout::text() const {
  if (!inside) return {};
  char line[128];
  int n = std::snprintf(line, sizeof line, "x = %4d  y = %4d  value = %5u", pixel.x, pixel.y,
                        unsigned(value));
  if (colour) {
    std::snprintf(line + n, sizeof line - std::size_t(n), "  R = %5u  G = %5u  B = %5u",
                  unsigned(red), unsigned(green), unsigned(blue));
  }
  return line;
}

PixelReadout readPixel(const Program& program, ImagePixel pixel) {
  PixelReadout r;
  r.pixel = pixel;
  if (!insideImage(program, pixel)) return r;
  r.inside = true;
  const std::size_t i =
      static_cast<std::size_t>(pixel.y) * static_cast<std::size_t>(program.geometry.width) +
      static_cast<std::size_t>(pixel.x);
  r.value = program.planes.RawImage[i];
  if (program.state.colourConverted) {
    r.colour = true;
    r.red = program.planes.ColourImage.red()[i];
    r.green = program.planes.ColourImage.green()[i];
    r.blue = program.planes.ColourImage.blue()[i];
  }
  return r;
}

void toggleShowValues(Program& program) {
  program.measure.showValues = !program.measure.showValues;
}

}  // namespace nvk::process
