#pragma once

#include <filesystem>

namespace nvk::platform {

// The program's data root: $NVK_K7LQ_ROOT when set, else $XDG_DATA_HOME/nvk-k7lq, else
// ~/.local/share/nvk-k7lq.
std::filesystem::path defaultDataRoot();

}  // namespace nvk::platform
