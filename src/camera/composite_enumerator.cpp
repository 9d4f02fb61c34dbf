#include "camera/composite_enumerator.h"

namespace nvk::camera {

std::optional<std::vector<port::PresentInterface>> CompositeEnumerator::presentInterfaces(
    port::InterfaceClass cls) {
  std::vector<port::PresentInterface> all;
  bool anySource = false;
  for (port::DeviceEnumerator* source : sources_) {
    auto list = source->presentInterfaces(cls);
    if (!list) continue;  // one source that cannot list does not hide the others
    anySource = true;
    for (auto& entry : *list) {
      if (entry.devicePath) owners_[*entry.devicePath] = source;
      all.push_back(std::move(entry));
    }
  }
  if (!anySource) return std::nullopt;
  return all;
}

port::DeviceEnumerator* CompositeEnumerator::sourceOf(const std::string& devicePath) const {
  const auto it = owners_.find(devicePath);
  return it == owners_.end() ? nullptr : it->second;
}

std::unique_ptr<port::CameraTransport> CompositeEnumerator::openCamera(
    const std::string& devicePath) {
  auto* source = sourceOf(devicePath);
  return source ? source->openCamera(devicePath) : nullptr;
}

std::unique_ptr<port::FilterWheelTransport> CompositeEnumerator::openFilterWheel(
    const std::string& devicePath) {
  auto* source = sourceOf(devicePath);
  return source ? source->openFilterWheel(devicePath) : nullptr;
}

port::OsVersion CompositeEnumerator::osVersion() {
  return sources_.empty() ? port::OsVersion{} : sources_.front()->osVersion();
}

}  // namespace nvk::camera
