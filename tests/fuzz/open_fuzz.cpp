// File > Open, which tells every kind of file by its length: raw, flat, FITS, hot pixel map.
#include "files/open_image.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  nvk::files::openImageFile(f.program,
                            nvk::fuzz::writeSizedInput({data, size}, nvk::fuzz::allImageSizes()));
  return 0;
}
