// The settings file: decoded as loading does, printed as "settings show" does, and the guide-star
// mask radius it leaves used for a star search, as the next exposure would.
#include <sstream>
#include <vector>

#include "fuzz_support.h"
#include "scope/centroid.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  nvk::settings::Settings settings;
  nvk::image::FitsHeaderInfo fits;
  nvk::settings::decodeSettings(bytes, settings, fits);
  std::ostringstream printed;
  nvk::settings::printSettingsFields(bytes, printed);
  nvk::settings::encodeSettings(settings, fits);

  constexpr int kSide = 64;
  static const std::vector<std::uint16_t> sky(kSide * kSide, 1000);
  nvk::scope::findCentroidQuiet(sky, kSide, kSide, kSide / 2, kSide / 2,
                                settings.guideStarMaskRadius, true);
  return 0;
}
