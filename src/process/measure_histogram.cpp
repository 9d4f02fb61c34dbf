#include "process/measure_histogram.h"

#include <algorithm>
#include <cstdio>

namespace nvk::process {

DisplayHistogram::Line DisplayHistogram::line(int value) const {
  const std::uint64_t height = counts[static_cast<std::size_t>(value)] / kScale;
  if (height > std::uint64_t{kMaxLine}) return {kMaxLine, true};
  return {static_cast<int>(height), false};
}

std::string DisplayHistogram::listing() const {
  std::string text = "val   count \n";
  int listed = 0;
  for (int value = 0; value < kValues && listed < kListedValues; ++value) {
    if (!line(value).cut) continue;
    const auto rounded =
        static_cast<long>(counts[static_cast<std::size_t>(value)] / kScale * kScale);
    char row[32];
    std::snprintf(row, sizeof row, "%04d  %9ld\n", value, rounded);
    text += row;
    ++listed;
  }
  return text;
}

DisplayHistogram histogramOfDisplay(const image::DisplayImage& display) {
  DisplayHistogram h;
  const std::size_t count =
      std::min(display.pixels.size(),
               static_cast<std::size_t>(display.width) * static_cast<std::size_t>(display.height));
  for (std::size_t i = 0; i < count; ++i)
    ++h.counts[display.pixels[i]];
  h.total = count;
  return h;
}

DisplayHistogram histogramOfSamples(std::span<const std::uint16_t> samples) {
  DisplayHistogram h;
  for (const std::uint16_t s : samples)
    ++h.counts[s >> 8];
  h.total = samples.size();
  return h;
}

}  // namespace nvk::process
