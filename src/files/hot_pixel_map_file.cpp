#include "files/hot_pixel_map_file.h"

#include <string_view>
#include <vector>

#include "base/little_endian.h"

namespace nvk::files {

HotPixelMapWrite writeHotPixelMapFile(const std::filesystem::path& path,
                                      const image::HotPixelMap& map, DiskSpace disk) {
  AtomicFile file;
  if (!file.open(path, disk)) return HotPixelMapWrite::CannotCreate;
  const auto count = static_cast<std::int32_t>(map.entries.size());
  const bool ok =
      file.write(kHotPixelMapSignature.data(), kHotPixelMapSignature.size()) &&
      file.write(base::leBytes(&count), sizeof count) &&
      file.write(base::leBytes(map.entries.data()), map.entries.size() * sizeof(std::int32_t)) &&
      file.commit();
  return ok ? HotPixelMapWrite::Written : HotPixelMapWrite::WriteFailed;
}

HotPixelMapRead readHotPixelMapFile(const std::filesystem::path& path, image::HotPixelMap& map) {
  const std::int64_t size = fileSize(path);
  InputFile file;
  if (size < 0 || !file.open(path)) return HotPixelMapRead::CannotOpen;
  if (size < kHotPixelMapHeaderBytes + 1) return HotPixelMapRead::NotAMap;
  char signature[15];
  std::int32_t count = 0;
  if (!file.read(signature, sizeof signature) ||
      std::string_view(signature, sizeof signature) != kHotPixelMapSignature ||
      !file.read(&count, sizeof count)) {
    return HotPixelMapRead::NotAMap;
  }
  const std::int64_t room = (size - kHotPixelMapHeaderBytes) / 4;
  if (count < 0 || static_cast<std::size_t>(count) > image::HotPixelMap::kCapacity ||
      count > room) {
    return HotPixelMapRead::NotAMap;
  }
  std::vector<std::int32_t> entries(static_cast<std::size_t>(count));
  if (!file.read(entries.data(), entries.size() * sizeof(std::int32_t))) {
    return HotPixelMapRead::NotAMap;
  }
  // An index outside a plane could only come from a damaged file; repairing it would write
  // outside the image.
  for (const std::int32_t index : entries) {
    if (index < 0 || static_cast<std::size_t>(index) >= image::kPlaneSamples) {
      return HotPixelMapRead::NotAMap;
    }
  }
  map.entries = std::move(entries);
  map.loaded = true;
  return HotPixelMapRead::Loaded;
}

}  // namespace nvk::files
