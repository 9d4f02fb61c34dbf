#include "files/bmp_file.h"

#include <system_error>

#include "base/messages.h"

namespace nvk::files {

std::filesystem::path displayBitmapPath(const Program& program) {
  return program.autosaveFolder() / "nvkk7lq.bmp";
}
std::filesystem::path focusBitmapPath(const Program& program) {
  return program.autosaveFolder() / "nvkk7lqf.bmp";
}
std::filesystem::path guiderBitmapPath(const Program& program) {
  return program.autosaveFolder() / "nvkk7lqg.bmp";
}
std::filesystem::path printBitmapPath(const Program& program) {
  return program.autosaveFolder() / "NVKK7LQ9.bmp";
}

bool saveBitmapFile(Program& program, const std::filesystem::path& path, const Bitmap& bitmap,
                    DiskSpace disk) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  switch (writeBitmapFile(path, bitmap, disk)) {
    case BitmapWrite::Written:
      return true;
    case BitmapWrite::CannotCreate:
      base::ShowWriteFailure(program.ui(), base::Message::CreateTempBitmapFailed);
      break;
    case BitmapWrite::HeaderFailed:
      base::ShowWriteFailure(program.ui(), base::Message::CreateTempBitmapHeaderFailed);
      break;
    case BitmapWrite::PixelsFailed:
      base::ShowWriteFailure(program.ui(), base::Message::CreateTempBitmapFileFailed);
      break;
  }
  return false;
}

Bitmap displayBitmap(const Program& program) {
  const auto& d = program.display;
  Bitmap bitmap;
  bitmap.width = d.width;
  bitmap.height = d.height;
  bitmap.pixels.assign(d.pixels.begin(),
                       d.pixels.begin() + static_cast<std::ptrdiff_t>(d.width) * d.height);
  for (std::size_t i = 0; i < 256; ++i)
    bitmap.palette[i] = d.palette[i];
  return bitmap;
}

std::optional<Bitmap> loadBitmapFile(Program& program, const std::filesystem::path& path) {
  auto bitmap = readBitmapFile(path);
  if (!bitmap) base::ShowMessage(program.ui(), base::Message::CannotOpenBitmap);
  return bitmap;
}

}  // namespace nvk::files
