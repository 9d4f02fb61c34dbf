#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "process/measure_state.h"
#include "process/program.h"

namespace nvk::process {

// The whole-pixel shift that lays the star of the second image (x2, y2) on the star of the
// first (x1, y1): the rounded difference. A raw mosaic (full geometry, not colour converted)
// moves by even amounts only, so that every sample stays on a site of its own colour of the
// 2 x 2 filter matrix and the merged frame can still be synthesised.
struct MergeShift {
  int dx = 0;
  int dy = 0;
  bool operator==(const MergeShift&) const = default;
};
MergeShift mergeShift(double x1, double y1, double x2, double y2, bool keepMosaicPhase);

// Combines the second image into the first, aligned: first(x, y) takes first(x, y) + second(x -
// dx, y - dy), at most 65535 (Add), or their mean rounded down (Average). Where the shifted
// second image has no sample the first keeps its own.
void mergeShifted(std::span<std::uint16_t> first, std::span<const std::uint16_t> second, int width,
                  int height, MergeShift shift, MergeMode mode);

// The history line of a merge.
std::string_view mergeHistoryEntry(MergeMode mode);

// "Merge two Images together" (command 111). Refused with message 35 while photometry or the
// row plot is active, 31 when already merging and 30 when the picture is stretched to the window.
// Otherwise merging mode begins: right-button picks choose the star, first on this image.
bool StartMerging(Program& program, bool fitToWindow);

// What a merging pick led to.
enum class MergePickOutcome {
  Ignored,       // not merging, or a pick that could not be used (its message was shown)
  SecondOpened,  // the first star is taken and the second image is on screen
  Merged,        // the second star is taken and the images are merged
  Cancelled,     // the user cancelled: the first image is back
};

// A right-button pick at image pixel (x, y) in merging mode. The first pick takes the star on
// the first image, keeps that image aside and asks for the second image (the open dialog); the
// second pick takes the same star there, asks whether to add or average ("TMergeDialog"), puts
// the first image back and merges the second into it (with the undo copy of the first, for "Undo
// Last Filter") with the progress caption "MERGING IN PROGRESS". The result is the raw plane; it is
// not colour converted.
MergePickOutcome mergePick(Program& program, int x, int y);

// The instruction for the user at each step, for the window's status bar.
std::string_view mergePrompt(MergeStep step);

// Leaves merging mode; while the second image is on screen the first one is put back.
void cancelMerging(Program& program);

// "Add or Average": how the second image joins the first.
class MergeDialog final : public port::DialogModel {
 public:
  std::string_view dialogId() const override { return "TMergeDialog"; }
  std::string title() const override { return "Merge two Images together"; }
  static constexpr std::string_view kText =
      "Add the second image to the first (saturating at 65535), or average the two?";
  MergeMode mode = MergeMode::Add;
};

// The whole merge without picks, for the command-line tool: the current image is the first,
// `secondPath` the second, the stars near (x1, y1) and (x2, y2). Messages go to the Ui. Returns
// whether the images were merged; on failure the first image is as it was.
bool mergeWithFile(Program& program, const std::filesystem::path& secondPath, int x1, int y1,
                   int x2, int y2, MergeMode mode);

}  // namespace nvk::process
