#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "image/display_image.h"

namespace nvk::process {

// "Histogram of Current Image": how many pixels of the picture show each display value 0..255.
struct DisplayHistogram {
  static constexpr int kValues = 256;
  // Each vertical line is count / 5 pixels high (integer division), and at most this tall.
  static constexpr int kScale = 5;
  static constexpr int kMaxLine = 210;
  // How many cut lines the listing beside the plot names.
  static constexpr int kListedValues = 15;

  std::array<std::uint64_t, kValues> counts{};
  std::uint64_t total = 0;

  struct Line {
    int height = 0;    // pixels, at most kMaxLine
    bool cut = false;  // the count / 5 exceeded kMaxLine: drawn in the second colour
  };
  Line line(int value) const;

  // The listing beside the plot: the heading "val   count \n" and, for the first 15 values
  // whose line is cut, "%04d  %9ld\n" with the value and the count rounded down to a multiple
  // of 5.
  std::string listing() const;
};

// The counts of the display values: every pixel of the picture the window paints (its grey
// picture, display width x display height).
DisplayHistogram histogramOfDisplay(const image::DisplayImage& display);
// The same gathered from samples: the display value of a sample is its high byte.
DisplayHistogram histogramOfSamples(std::span<const std::uint16_t> samples);

}  // namespace nvk::process
