// The FITS file reader on a file of one of the FITS sizes (see writeSizedInput).
#include "files/fits_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& f = nvk::fuzz::fuzzProgram();
  const auto path = nvk::fuzz::writeSizedInput({data, size}, nvk::fuzz::fitsSizes());
  nvk::files::readFits(f.program, path,
                       static_cast<std::int64_t>(std::filesystem::file_size(path)));
  return 0;
}
