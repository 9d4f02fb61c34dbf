#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "files/atomic_file.h"

namespace nvk::scope {
class Program;
}  // namespace nvk::scope
namespace nvk::files {
struct Bitmap;  // files/bmp_file.h, which needs the Program and so cannot be included here
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
  int stretchLevel = 0;              // "Stretch Image", kStretchMin..kStretchMax
  std::vector<std::uint16_t> dark;
  bool darkAvailable = false;
  std::string darkLabel;
  // What the dialog shows of the last guide exposure.
  std::vector<std::uint16_t> display;
};

// The "Stretch Image" range. Each step above Min brings the display's white point 20 % closer
// to the sky: it lies above the sky by (brightest star - sky) x 0.8^level, so Min keeps the
// brightest star just white and Max puts white at about a tenth of the way up to it.
inline constexpr int kStretchMin = 0;
inline constexpr int kStretchMax = 10;

// Milliseconds of one unit and the largest value of each unit.
int guideUnitMs(char unit);
int guideUnitMaximum(char unit);
int guideExposureMs(const GuideCameraState& camera);

// The dark label: the value as "%2d" and " hundredth ", " tenth " or " second ".
std::string guideDarkLabel(const GuideCameraState& camera);

// One guide exposure: flush first with "Clear Camera", wait the exposure time, read the guide
// head (binned 2 x 2 with "Bin 2x2"), subtract the dark when it is applied (not for a dark
// exposure itself), and build the display copy. `wait`, when given, waits for the exposure's end
// instead of a plain wait. False when the camera failed the flush or the frame (the failure
// shown): the guide image and its display copy are then left as they were.
bool GuideExposure(Program& program, bool darkExposure = false,
                   const camera::ExposureWait& wait = {});

// The guide exposure of the autoguider dialog (nullopt when the frame failed): GuideExposure,
// then its display copy written
// to the guider bitmap (nvkk7lqg.bmp in the autosave folder). Returns the bitmap written, or
// nothing when the write failed (after its message "Failed to create temp bitmap", "Unable to
// create temp bitmap file header" or "Unable to create temp bitmap file").
std::optional<files::Bitmap> ShowGuideExposure(Program& program, bool darkExposure = false,
                                               files::DiskSpace disk = {});

// "Take DarkFrame": the dark-available flag is cleared, a shown guide exposure is taken without
// dark subtraction and, when its bitmap was written, kept as the dark with its label. Returns
// the bitmap, or nothing when the exposure failed (no usable dark then).
std::optional<files::Bitmap> TakeGuideDark(Program& program, files::DiskSpace disk = {});

// Subtracts the dark from `image` sample by sample; a result that is not positive becomes 0.
void subtractGuideDark(std::span<std::uint16_t> image, std::span<const std::uint16_t> dark);

// The display copy of `image`: with the median option each interior pixel that differs from
// its 3 x 3 median by more than 0.6 of the neighbourhood's range takes the median; with the
// stretch option the copy goes through the program's Normal Stretch with its black point at
// the image's background (the fullest high-byte level) and its white point just above the
// brightest star (a lone hot pixel does not count), lowered by `stretchLevel` as above, so that
// a faint guide star fills the grey scale on a dark sky.
std::vector<std::uint16_t> guideDisplayCopy(const std::vector<std::uint16_t>& image, bool median,
                                            bool stretch, int stretchLevel = kStretchMin);

// The display copy built again from the last guide exposure with the current display options,
// and written to the guider bitmap as ShowGuideExposure does (no new exposure).
std::optional<files::Bitmap> RedrawGuideExposure(Program& program, files::DiskSpace disk = {});

// The display copy as the 8-bit guider bitmap: each sample's high byte, grey palette.
files::Bitmap guideBitmap(std::span<const std::uint16_t> display);

}  // namespace nvk::scope
