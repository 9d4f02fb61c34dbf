// The COM port map file of the data root.
#include "base/com_port_map.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nvk::base::ComPortMap map;
  map.load(nvk::fuzz::writeInput({data, size}));
  for (int port = 1; port <= nvk::base::ComPortMap::kPorts; ++port)
    map.device(port);
  return 0;
}
