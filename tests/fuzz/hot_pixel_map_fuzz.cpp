// The hot pixel map reader.
#include "files/hot_pixel_map_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nvk::image::HotPixelMap map;
  nvk::files::readHotPixelMapFile(nvk::fuzz::writeInput({data, size}), map);
  return 0;
}
