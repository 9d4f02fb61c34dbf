#include "base/com_port_map.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/atomic_file.h"
#include "base/parse_int.h"

namespace nvk::base {

ComPortMap::ComPortMap() {
  for (int i = 0; i < kPorts; ++i)
    devices_[static_cast<std::size_t>(i)] = "/dev/ttyUSB" + std::to_string(i);
}

const std::string& ComPortMap::device(int number) const {
  if (number < 1 || number > kPorts) throw std::out_of_range("COM port number");
  return devices_[static_cast<std::size_t>(number - 1)];
}

void ComPortMap::setDevice(int number, std::string path) {
  if (number < 1 || number > kPorts) throw std::out_of_range("COM port number");
  devices_[static_cast<std::size_t>(number - 1)] = std::move(path);
}

bool ComPortMap::load(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 6 || line.compare(0, 3, "COM") != 0 || line[4] != '=') continue;
    const auto number = parseIntIn(std::string_view(line).substr(3, 1), 1, kPorts);
    if (!number) continue;
    const std::string path = line.substr(5);
    if (!path.empty()) devices_[static_cast<std::size_t>(*number - 1)] = path;
  }
  return true;
}

bool ComPortMap::save(const std::filesystem::path& file) const {
  std::ostringstream out;
  for (int i = 0; i < kPorts; ++i)
    out << "COM" << i + 1 << '=' << devices_[static_cast<std::size_t>(i)] << '\n';
  return replaceFile(file, out.str());
}

}  // namespace nvk::base
