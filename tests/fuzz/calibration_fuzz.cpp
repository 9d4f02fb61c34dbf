// The dark-frame and flat-field reader: the length byte's lowest bit picks the kind.
#include "files/raw_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  const auto kind = size > 0 && (data[0] & 1) ? nvk::files::CalibrationKind::FlatField
                                              : nvk::files::CalibrationKind::DarkFrame;
  nvk::files::loadCalibrationFile(
      f.program, nvk::fuzz::writeSizedInput({data, size}, nvk::fuzz::rawSizes()), kind);
  return 0;
}
