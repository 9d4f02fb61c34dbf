#pragma once

#include <cstdint>
#include <string_view>

namespace nvk::image {

// The readout of the next exposure, and of the current image after a load. Codes 6 and 7 are
// full-geometry readouts that only a loaded file restores.
enum class ReadoutMode : std::int16_t {
  HighResolution = 1,
  Binned2x2 = 2,
  Binned4x4 = 3,
  Binned4x8 = 4,
  SubFrame = 5,
  FullFrame6 = 6,
  FullFrameBinned7 = 7,
};

struct ReadoutModeInfo {
  ReadoutMode mode;
  std::string_view controlLabel;  // empty for the modes no control selects
  bool binned;
  char modeCode;                 // written by the readout into the image state
  std::string_view historyText;  // the readout card of a FITS header
};

// The table of readout modes. Note the crossing: 4x4 writes '4' and 4x8 writes '3'.
const ReadoutModeInfo& readoutModeInfo(ReadoutMode mode);
// The mode whose readout writes `modeCode` ('1'..'7'); nullptr for any other character.
const ReadoutModeInfo* readoutModeForCode(char modeCode);
bool isValidReadoutMode(int code);

// How the current image was taken, and the sub-frame choice of the next one.
struct ImageState {
  ReadoutMode readoutMode = ReadoutMode::HighResolution;
  char modeCode = '1';
  bool binned = false;
  bool colourConverted = false;
  // The image came from an exposure and has not been saved since (to FITS, raw or TIFF): exit
  // and File > Open ask before they lose it.
  bool unsavedSinceExposure = false;
  std::int16_t subFrameFraction = 2;  // 2, 3 or 4: half, third or quarter of the frame
  std::int32_t subFrameWidth = 1520;
  std::int32_t subFrameHeight = 1012;
  // Centre of the high-resolution sub-frame, in full-resolution pixels ("Pick Sub-Frame").
  std::int32_t subFrameCentreX = 1520;
  std::int32_t subFrameCentreY = 1012;
  // Top-left corner of the focus window, in full-resolution pixels ("Focus Frame Centre").
  std::int32_t focusLeft = 1520 - 64;
  std::int32_t focusTop = 1012 - 64;
};

}  // namespace nvk::image
