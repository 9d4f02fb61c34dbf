// The bitmap reader (the focus window's bitmap is read back for painting). A file shorter than
// the length its header gives at bytes 2..5 is extended to it with zeros (sparsely), so that
// headers claiming large pictures are tried against files that really are that long.
#include "files/bmp_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto path = nvk::fuzz::writeInput({data, size});
  if (size >= 6) {
    const std::uint64_t claimed =
        data[2] | data[3] << 8 | data[4] << 16 | static_cast<std::uint64_t>(data[5]) << 24;
    if (claimed > size) std::filesystem::resize_file(path, claimed);
  }
  nvk::files::readBitmapFile(path);
  return 0;
}
