#include "process/measure_merge.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "files/open_image.h"
#include "process/measure_photometry.h"
#include "process/measure_tools.h"
#include "process/undo.h"

namespace nvk::process {
namespace {

constexpr std::string_view kOpenFilter = "Norvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|";
constexpr std::string_view kDifferentSize =
    "Sorry, the second image must have the same size as the first";
constexpr std::string_view kNotAnImage = "Sorry, the second file must be an image";

// Where the first image waits while the second is on screen, and where the second waits while
// the first is put back for the merge.
image::Plane keptFirstPlane(Program& program) {
  return program.planes.ColourWorkImage[0];
}
image::Plane keptSecondPlane(Program& program) {
  return program.planes.ColourWorkImage[1];
}

std::optional<PhotometryResult> locateStar(Program& program, int x, int y) {
  const auto& g = program.geometry;
  if (x < 0 || y < 0 || x >= g.width || y >= g.height) {
    base::ShowMessage(program.ui(), base::Message::OutsideImageArea);
    return std::nullopt;
  }
  PhotometryOptions options;
  options.radii = program.measure.apertures;
  PhotometryResult star =
      measureStar(std::span<const std::uint16_t>(program.planes.RawImage.data(), g.pixelCount),
                  g.width, g.height, x, y, options);
  if (!star.measured()) {
    base::ShowMessage(program.ui(), base::Message::CallerText, photometryRefusalText(star.status));
    return std::nullopt;
  }
  return star;
}

// Keeps the current image as the first of the merge.
void keepFirst(Program& program, const PhotometryResult& star) {
  MergeFirstImage first;
  first.state = program.state;
  first.fits = program.fits;
  first.history = program.history;
  first.starX = star.x;
  first.starY = star.y;
  std::copy_n(program.planes.RawImage.begin(), program.geometry.pixelCount,
              keptFirstPlane(program).begin());
  program.measure.merge.first = first;
}

// Puts the first image back on screen. Its colour planes are still its own unless the second
// image brought colour planes of its own.
void restoreFirst(Program& program) {
  auto& kept = program.measure.merge.first;
  if (!kept) return;
  program.state = kept->state;
  program.state.colourConverted = kept->state.colourConverted && !kept->colourPlanesOverwritten;
  program.fits = kept->fits;
  program.history = kept->history;
  program.applyGeometry();
  std::copy_n(keptFirstPlane(program).begin(), program.geometry.pixelCount,
              program.planes.RawImage.begin());
  kept.reset();
}

void endMerging(Program& program) {
  program.measure.merge = {};
  program.measure.active = MeasureTool::None;
}

// Opens the second image. False (with the first image back) when the user cancels or the file
// is not an image of the same size.
bool openSecond(Program& program, const std::filesystem::path& path) {
  MergeFirstImage& first = *program.measure.merge.first;
  const files::OpenResult opened = files::openImageFile(program, path);
  first.colourPlanesOverwritten = !opened.loaded || program.state.colourConverted;
  if (!opened.loaded) return false;
  if (opened.kind != files::FileKind::Raw && opened.kind != files::FileKind::Fits) {
    base::ShowMessage(program.ui(), base::Message::CallerText, kNotAnImage);
    return false;
  }
  if (program.state.binned != first.state.binned) {
    base::ShowMessage(program.ui(), base::Message::CallerText, kDifferentSize);
    return false;
  }
  return true;
}

// The second image is on screen with its star at (x2, y2): the first goes back and the second
// joins it.
void mergeIntoFirst(Program& program, double x2, double y2, MergeMode mode) {
  const std::size_t n = program.geometry.pixelCount;
  std::copy_n(program.planes.RawImage.begin(), n, keptSecondPlane(program).begin());
  const MergeFirstImage first = *program.measure.merge.first;
  restoreFirst(program);
  takeUndoCopy(program);  // "Undo Last Filter" brings the first image back
  const MergeShift shift = mergeShift(first.starX, first.starY, x2, y2,
                                      !first.state.binned && !first.state.colourConverted);
  port::Ui& ui = program.ui();
  ui.setBusyCursor(true);
  ui.openProgress("MERGING IN PROGRESS");
  mergeShifted(std::span<std::uint16_t>(program.planes.RawImage.data(), n),
               std::span<const std::uint16_t>(keptSecondPlane(program).data(), n),
               program.geometry.width, program.geometry.height, shift, mode);
  ui.setProgress(256);
  ui.closeProgress();
  ui.setBusyCursor(false);
  // The colour planes belong to the first image alone: synthesise the merged frame again.
  program.state.colourConverted = false;
  program.history.add(mergeHistoryEntry(mode));
  ui.requestRedraw();
}

}  // namespace

MergeShift mergeShift(double x1, double y1, double x2, double y2, bool keepMosaicPhase) {
  if (keepMosaicPhase) {
    return {2 * int(std::lround((x1 - x2) / 2.0)), 2 * int(std::lround((y1 - y2) / 2.0))};
  }
  return {int(std::lround(x1 - x2)), int(std::lround(y1 - y2))};
}

void mergeShifted(std::span<std::uint16_t> first, std::span<const std::uint16_t> second, int width,
                  int height, MergeShift shift, MergeMode mode) {
  // Rows and columns of the first image that the shifted second one covers.
  const int x0 = std::max(0, shift.dx), x1 = std::min(width, width + shift.dx);
  const int y0 = std::max(0, shift.dy), y1 = std::min(height, height + shift.dy);
  for (int y = y0; y < y1; ++y) {
    std::uint16_t* out = first.data() + std::size_t(y) * std::size_t(width);
    const std::uint16_t* in = second.data() + std::size_t(y - shift.dy) * std::size_t(width);
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t a = out[x];
      const std::uint32_t b = in[x - shift.dx];
      out[x] = mode == MergeMode::Add ? std::uint16_t(std::min<std::uint32_t>(a + b, 65535))
                                      : std::uint16_t((a + b) / 2);
    }
  }
}

std::string_view mergeHistoryEntry(MergeMode mode) {
  return mode == MergeMode::Add ? "Images Merged (Added)" : "Images Merged (Averaged)";
}

bool StartMerging(Program& program, bool fitToWindow) {
  MeasureState& m = program.measure;
  if (m.active == MeasureTool::Merging) {
    base::ShowMessage(program.ui(), base::Message::AlreadyMerging);
    return false;
  }
  if (m.active != MeasureTool::None) {
    base::ShowMessage(program.ui(), base::Message::MeasureToolsExclusive);
    return false;
  }
  if (fitToWindow) {
    base::ShowMessage(program.ui(), base::Message::MergingNeedsStandardGeometry);
    return false;
  }
  m.active = MeasureTool::Merging;
  m.merge = {};
  return true;
}

std::string_view mergePrompt(MergeStep step) {
  switch (step) {
    case MergeStep::PickFirstStar:
      return "Merging: right-click a star on the first image";
    case MergeStep::OpenSecondImage:
      return "Merging: open the second image";
    case MergeStep::PickSecondStar:
      return "Merging: right-click the same star on the second image";
  }
  return {};
}

MergePickOutcome mergePick(Program& program, int x, int y) {
  MeasureState& m = program.measure;
  if (m.active != MeasureTool::Merging) return MergePickOutcome::Ignored;
  const auto star = locateStar(program, x, y);
  if (!star) return MergePickOutcome::Ignored;

  if (m.merge.step == MergeStep::PickFirstStar) {
    keepFirst(program, *star);
    m.merge.step = MergeStep::OpenSecondImage;
    port::FileDialogRequest request;
    request.title = "Open the second image";
    request.filter = std::string(kOpenFilter);
    const auto path = program.ui().openFileDialog(request);
    if (!path || !openSecond(program, *path)) {
      cancelMerging(program);
      program.ui().requestRedraw();
      return MergePickOutcome::Cancelled;
    }
    m.merge.step = MergeStep::PickSecondStar;
    m.merge.secondFile = *path;
    program.ui().requestRedraw();
    return MergePickOutcome::SecondOpened;
  }
  if (m.merge.step != MergeStep::PickSecondStar) return MergePickOutcome::Ignored;

  MergeDialog dialog;
  if (program.ui().runDialog(dialog) != port::DialogResult::Ok) {
    cancelMerging(program);
    program.ui().requestRedraw();
    return MergePickOutcome::Cancelled;
  }
  mergeIntoFirst(program, star->x, star->y, dialog.mode);
  endMerging(program);
  return MergePickOutcome::Merged;
}

void cancelMerging(Program& program) {
  restoreFirst(program);
  endMerging(program);
}

bool mergeWithFile(Program& program, const std::filesystem::path& secondPath, int x1, int y1,
                   int x2, int y2, MergeMode mode) {
  const auto first = locateStar(program, x1, y1);
  if (!first) return false;
  keepFirst(program, *first);
  if (!openSecond(program, secondPath)) {
    restoreFirst(program);
    return false;
  }
  const auto second = locateStar(program, x2, y2);
  if (!second) {
    restoreFirst(program);
    return false;
  }
  mergeIntoFirst(program, second->x, second->y, mode);
  program.measure.merge = {};
  return true;
}

}  // namespace nvk::process
