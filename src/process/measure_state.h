#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "image/fits_header_info.h"
#include "image/image_state.h"
#include "process/measure_photometry.h"

namespace nvk::process {

// The measurement tool that takes the picks on the image. Photometry, the row plot and merging
// exclude one another.
enum class MeasureTool { None, Photometry, RowPlot, Merging };

// How the second image of a merge is combined with the first.
enum class MergeMode { Add, Average };

// Where a merge stands: the star on the first image is picked, then the second image is opened
// and the same star picked on it.
enum class MergeStep { PickFirstStar, OpenSecondImage, PickSecondStar };

// The first image of a merge, kept while the second one is on screen. Its samples wait in the
// first plane of the colour work triplet; its state, header record and history here.
struct MergeFirstImage {
  image::ImageState state;
  image::FitsHeaderInfo fits;
  image::ProcessingHistory history;
  double starX = 0.0;
  double starY = 0.0;
  // Opening the second image may have written the colour planes (a colour file, or a read
  // that failed part way): the first image then comes back without them.
  bool colourPlanesOverwritten = false;
};

struct MergeState {
  MergeStep step = MergeStep::PickFirstStar;
  std::optional<MergeFirstImage> first;
  // The second image's file while it is on screen, and the window title of the first image,
  // which the window shows again when the first comes back.
  std::filesystem::path secondFile;
  std::optional<std::string> firstTitle;
};

// The measurement tools' state for the run.
struct MeasureState {
  MeasureTool active = MeasureTool::None;
  PhotometryApertures apertures;
  // Every measurement since photometry mode was entered, in pick order.
  std::vector<PhotometryResult> photometryLog;
  MergeState merge;
  // The last point measured or plotted, in image pixels: the 3-D plot centres on it.
  std::optional<std::pair<int, int>> lastPick;
  // "Show Values": the read-out under the mouse is live.
  bool showValues = false;
};

}  // namespace nvk::process
