#pragma once

#include <array>
#include <filesystem>
#include <string>

namespace nvk::base {

// Which serial device each "PC Com Port" number (COM1..COM7) means on this machine. Kept as a
// small text file in the data root, one "COMn=/dev/..." line per port.
class ComPortMap {
 public:
  static constexpr int kPorts = 7;

  ComPortMap();

  // Device path of COM`number`, number 1..7.
  const std::string& device(int number) const;
  void setDevice(int number, std::string path);

  // Reads the map file; lines it does not understand are ignored and missing ports keep their
  // defaults. False when the file cannot be read (the defaults stay).
  bool load(const std::filesystem::path& file);
  // Writes the map through a temporary file. False on failure (the old file stays).
  bool save(const std::filesystem::path& file) const;

 private:
  std::array<std::string, kPorts> devices_;
};

}  // namespace nvk::base
