#include "platform/data_root.h"

#include <cstdlib>

namespace nvk::platform {

std::filesystem::path defaultDataRoot() {
  if (const char* root = std::getenv("NVK_K7LQ_ROOT"); root && *root) return root;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return std::filesystem::path(xdg) / "nvk-k7lq";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "nvk-k7lq";
}

}  // namespace nvk::platform
