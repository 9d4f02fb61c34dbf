#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/fits_header_info.h"
#include "port/ui.h"
#include "settings/settings.h"

namespace nvk::settings {

// Results of loading and saving the settings file.
enum class SettingsStatus : int { Ok = 0, LoadFailed = 2, SaveFailed = 3 };

// Size of a complete settings file.
inline constexpr std::size_t kSettingsFileBytes = 1436;

// Text shown when field 3 of the file is bad.
inline constexpr std::string_view kCommPortNotice = "Failed to read comm port value";

// What decoding the bytes of a settings file found.
struct SettingsDecode {
  bool complete = false;     // every field was present
  bool needsRepair = false;  // a checked field held a bad value and kept its previous one
  bool badCommPort = false;  // field 3 was neither '1' nor '2'
  int lastFieldRead = 0;     // number of the last whole field read
  std::vector<int> repairedFields;
};

// The settings file, byte for byte.
std::vector<std::uint8_t> encodeSettings(const Settings& settings,
                                         const image::FitsHeaderInfo& fits);
// Reads fields in order from `bytes` into the settings. A field that fails its check keeps the
// value it had and the reading goes on; the fields after a short end keep theirs.
SettingsDecode decodeSettings(std::span<const std::uint8_t> bytes, Settings& settings,
                              image::FitsHeaderInfo& fits);

// Writes the settings file: the folder is created if needed, the bytes go to a temporary file
// beside it that is then renamed over the old one, so a failed save leaves the old file whole.
SettingsStatus saveSettings(const std::filesystem::path& file, const Settings& settings,
                            const image::FitsHeaderInfo& fits);
// Loads the settings file. When its folder does not exist yet it is created and a file is
// written from the current values. A bad comm port byte shows a notice and loading goes on; a
// file whose checked fields held bad values is rewritten from the repaired values.
SettingsStatus loadSettings(const std::filesystem::path& file, Settings& settings,
                            image::FitsHeaderInfo& fits, port::Ui& ui);

// One line per field of `bytes`, "NN name = value", exactly as the file holds them (a short file
// prints the fields it has). Returns false when the file ends early.
bool printSettingsFields(std::span<const std::uint8_t> bytes, std::ostream& out);

// Sets the field called `name` from its text form, with the checks of the defaults dialog.
// Returns an empty string on success, else the reason.
std::string setSettingsField(std::string_view name, std::string_view value, Settings& settings,
                             image::FitsHeaderInfo& fits);

// The field names, in file order (second copies of the automatic-processing choices end in 2).
std::vector<std::string> settingsFieldNames();

}  // namespace nvk::settings
