// The raw reader (File > Open of a file of one of the raw sizes; see writeSizedInput).
#include "files/open_image.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  nvk::files::openImageFile(f.program,
                            nvk::fuzz::writeSizedInput({data, size}, nvk::fuzz::rawSizes()));
  return 0;
}
