#include "image/image_state.h"

#include <array>

namespace nvk::image {
namespace {

constexpr std::array<ReadoutModeInfo, 7> kReadoutModes{{
    {ReadoutMode::HighResolution, "High Resolution (Colour)", false, '1', "Fullframe Image"},
    {ReadoutMode::Binned2x2, "Binned 2x2", true, '2', "Binned Image"},
    {ReadoutMode::Binned4x4, "Binned 4x4", true, '4', "Binned Image"},
    {ReadoutMode::Binned4x8, "Binned 4x8", true, '3', "Binned Image"},
    {ReadoutMode::SubFrame, "User Defined SubFrame", true, '5', "Subframe Image"},
    {ReadoutMode::FullFrame6, "", false, '6', "Fullframe Image"},
    {ReadoutMode::FullFrameBinned7, "", false, '7', "Fullframe Image Binned"},
}};

}  // namespace

bool isValidReadoutMode(int code) {
  return code >= 1 && code <= 7;
}

const ReadoutModeInfo& readoutModeInfo(ReadoutMode mode) {
  const int code = static_cast<int>(mode);
  return kReadoutModes[isValidReadoutMode(code) ? code - 1 : 0];
}

const ReadoutModeInfo* readoutModeForCode(char modeCode) {
  for (const auto& info : kReadoutModes) {
    if (info.modeCode == modeCode) return &info;
  }
  return nullptr;
}

}  // namespace nvk::image
