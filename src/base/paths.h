#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace nvk::base {

// Where the program keeps its files. The drive "c:" of the program's classic paths is the data
// root; "c:\autosave" in any spelling is the one folder <root>/autosave.
class ProgramPaths {
 public:
  explicit ProgramPaths(std::filesystem::path dataRoot) : dataRoot_(std::move(dataRoot)) {}

  const std::filesystem::path& dataRoot() const { return dataRoot_; }
  // <root>/autosave: the settings folder and the default autosave folder.
  std::filesystem::path autosaveFolder() const { return dataRoot_ / "autosave"; }
  std::filesystem::path settingsFile() const { return autosaveFolder() / "NVK_K7LQ.ini"; }
  // The text preferences: what the fixed-layout settings file has no room for.
  std::filesystem::path preferencesFile() const { return dataRoot_ / "nvk-k7lq.conf"; }
  // The map from "PC Com Port" numbers to serial device paths.
  std::filesystem::path comPortMapFile() const { return dataRoot_ / "comports.txt"; }

  // The autosave folder a setting names: empty means the default folder; a classic drive path
  // ("c:\AUTOSAVE\M31") lies under the data root; a POSIX path is taken as it is.
  std::filesystem::path resolveAutosaveDirectory(std::string_view setting) const;
  // Maps a classic path ("c:\autosave\x.fit", backslashes, case-insensitive "autosave") or a
  // POSIX path to a path on this machine.
  std::filesystem::path resolve(std::string_view programPath) const;

 private:
  std::filesystem::path dataRoot_;
};

// True when `text` starts with a drive letter and a colon ("c:", "D:\x").
bool hasDriveLetter(std::string_view text);

}  // namespace nvk::base
