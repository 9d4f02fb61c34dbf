#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "files/guide_log_file.h"

namespace nvk::cli {

// The picture `guidelog --plot` draws: the R.A. and Dec. distances of one guiding section over
// its time, in pixels, inside the plot area; axis labels and the legend lie in the margins.
struct GuidePlotLayout {
  static constexpr int kWidth = 960;
  static constexpr int kHeight = 540;
  static constexpr int kLeft = 70;
  static constexpr int kRight = 20;
  static constexpr int kTop = 50;
  static constexpr int kBottom = 50;
  // The curves' colours (0xRRGGBB), as PHD2 draws them: R.A. blue, Dec. red.
  static constexpr std::uint32_t kRaRgb = 0x2060ff;
  static constexpr std::uint32_t kDecRgb = 0xe02020;
};

// True when this build of the tool can draw plots (it was built with Qt's painter).
bool guidePlotsAvailable();

// Draws the section into a PNG at `out`, written whole or not at all. False, with the reason in
// `error`, when it cannot.
bool writeGuidePlot(const files::GuideLogSection& section, const std::string& title,
                    const std::filesystem::path& out, std::string& error);

}  // namespace nvk::cli
