// The FITS header reader: the input is a header (cut or padded with spaces to 5760 bytes), and
// its byte after that, if any, picks the file size the reader is told.
#include <string>

#include "files/fits_header.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeaderBytes = 5760;
  std::string header(reinterpret_cast<const char*>(data), std::min(size, kHeaderBytes));
  header.resize(kHeaderBytes, ' ');
  const auto sizes = nvk::fuzz::fitsSizes();
  const std::int64_t fileSize =
      size > kHeaderBytes ? sizes[data[kHeaderBytes] % sizes.size()] : sizes[0];
  nvk::files::parseFitsHeader(header, fileSize, nvk::image::FitsHeaderInfo{});
  return 0;
}
