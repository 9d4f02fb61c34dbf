#include "core/com_port_map.h"

#include <fstream>
#include <stdexcept>

namespace nvk::core {

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
    const int number = line[3] - '0';
    if (number < 1 || number > kPorts) continue;
    const std::string path = line.substr(5);
    if (!path.empty()) devices_[static_cast<std::size_t>(number - 1)] = path;
  }
  return true;
}

bool ComPortMap::save(const std::filesystem::path& file) const {
  std::filesystem::path temp = file;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    if (!out) return false;
    for (int i = 0; i < kPorts; ++i)
      out << "COM" << i + 1 << '=' << devices_[static_cast<std::size_t>(i)] << '\n';
    out.flush();
    if (!out) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (!ec) return true;
  std::filesystem::remove(temp, ec);
  return false;
}

}  // namespace nvk::core
