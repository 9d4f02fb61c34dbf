#pragma once

#include <map>
#include <vector>

#include "port/device_enumerator.h"

namespace nvk::camera {

// Several enumerators seen as one: their interfaces listed one after the other (in the order
// the sources were added), each path opened by the source that listed it. This is how the
// simulated devices join real USB discovery.
class CompositeEnumerator final : public port::DeviceEnumerator {
 public:
  void add(port::DeviceEnumerator& source) { sources_.push_back(&source); }

  std::optional<std::vector<port::PresentInterface>> presentInterfaces(
      port::InterfaceClass cls) override;
  std::unique_ptr<port::CameraTransport> openCamera(const std::string& devicePath) override;
  std::unique_ptr<port::FilterWheelTransport> openFilterWheel(
      const std::string& devicePath) override;
  // The first source's version: the machine's own.
  port::OsVersion osVersion() override;

 private:
  port::DeviceEnumerator* sourceOf(const std::string& devicePath) const;

  std::vector<port::DeviceEnumerator*> sources_;
  std::map<std::string, port::DeviceEnumerator*> owners_;
};

}  // namespace nvk::camera
