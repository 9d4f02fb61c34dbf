#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nvk::core {
class Program;
}

namespace nvk::scope {

inline constexpr int kGuideImageWidth = 500;
inline constexpr int kGuideImageHeight = 290;

// The guide exposures of the autoguider dialog: exposure unit and value, the guider dark frame
// and the display options. Kept for the session.
struct GuideCameraState {
  // 'h' hundredths (10 ms), 't' tenths (100 ms), 's' seconds.
  char unit = 't';
  int value = 5;
  bool onePausePerExposure = false;  // "1 Sec Pause"
  bool applyDark = false;            // "Apply DarkFrame"
  bool medianFilter = false;         // "Apply Median Filter to all Images"
  bool stretch = false;              // "Apply Stretch to Guider Images"
  std::vector<std::uint16_t> dark;
  bool darkAvailable = false;
  std::string darkLabel;
  // What the dialog shows of the last guide exposure.
  std::vector<std::uint16_t> display;
};

// Milliseconds of one unit and the largest value of each unit.
int guideUnitMs(char unit);
int guideUnitMaximum(char unit);
int guideExposureMs(const GuideCameraState& camera);

// The dark label: the value as "%2d" and " hundredth ", " tenth " or " second ".
std::string guideDarkLabel(const GuideCameraState& camera);

// One guide exposure: flush first with "Clear Camera", wait the exposure time, read the guide
// head (binned 2 x 2 with "Bin 2x2"), subtract the dark when it is applied (not for a dark
// exposure itself), and build the display copy.
void GuideExposure(core::Program& program, bool darkExposure = false);

// "Take DarkFrame": a guide exposure kept as the dark, with its label.
void TakeGuideDark(core::Program& program);

// The display copy of `image`: with the median option each interior pixel that differs from
// its 3 x 3 median by more than 0.6 of the neighbourhood's range takes the median; with the
// stretch option the copy is stretched linearly from the image's background (its most common
// level) to its brightest sample, so that faint guide stars show on a dark sky.
std::vector<std::uint16_t> guideDisplayCopy(const std::vector<std::uint16_t>& image, bool median,
                                            bool stretch);

}  // namespace nvk::scope
